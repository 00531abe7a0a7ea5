// A streaming GFF3 reader: one feature line at a time, with the sequence
// regions in the order the file declares them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "convert/lineInput.h"

namespace tamsu::detail {

struct GffFeature {
    std::string seqid;
    std::string type;
    long long start = 0;  // 1-based, inclusive
    long long end = 0;
    char strand = '.';    // '+', '-', '.' or '?'
    int phase = 0;        // of a CDS: bases to skip before the first codon (GFF3 column 8, GenBank /codon_start - 1)
    // The parts of a feature whose location joins several ranges (GenBank),
    // in transcription order; empty for one range (start..end).
    std::vector<std::pair<long long, long long>> parts;
    std::vector<std::pair<std::string, std::string>> attributes;  // values percent-decoded
    int line = 0;

    // The value of an attribute; null when the feature has none.
    const std::string* attribute(std::string_view key) const;
};

// The features of an annotation file, one at a time: GFF3 or GenBank.
class FeatureReader {
public:
    virtual ~FeatureReader() = default;
    // The next feature; false at the end of the features. Throws tamsu::Error
    // naming the file and line of malformed input.
    virtual bool next(GffFeature& feature) = 0;
    // Sequences in the order the file declares them (GFF3 "##sequence-region"
    // lines, GenBank records).
    virtual const std::vector<std::string>& declaredRegions() const = 0;
    // The length of a declared sequence; 0 when the file does not tell.
    virtual long long regionLength(const std::string& seqid) const = 0;
    // After the features: the nucleotide sequences the file holds (a GFF3
    // "##FASTA" section, GenBank ORIGIN), by sequence id, upper case.
    virtual void readSequences(std::unordered_map<std::string, std::string>& sequences) = 0;
    virtual const std::string& path() const = 0;
};

class GffReader : public FeatureReader {
public:
    explicit GffReader(const std::string& path) : file_(path) {}

    // The next feature line; false at the end of the features (the end of the
    // file, a "##FASTA" directive or a FASTA header). Comment lines and empty
    // lines are skipped. Throws tamsu::Error naming the file and line of a
    // malformed feature line: not nine tab-separated columns, coordinates that
    // are not positive integers with start <= end, an unknown strand.
    bool next(GffFeature& feature) override;

    // Sequence regions of "##sequence-region" lines, in file order.
    const std::vector<std::string>& declaredRegions() const override { return regions_; }
    long long regionLength(const std::string& seqid) const override;
    void readSequences(std::unordered_map<std::string, std::string>& sequences) override;
    const std::string& path() const override { return file_.path(); }

private:
    LineInput file_;
    std::vector<std::string> regions_;
    std::unordered_map<std::string, long long> lengths_;
    std::string pendingHeader_;  // a FASTA header that ended the features
    bool done_ = false;
};

// Opens an annotation file, plain or gzip-compressed: GenBank when its first
// line that is not empty starts with "LOCUS", GFF3 otherwise.
std::unique_ptr<FeatureReader> openAnnotationFile(const std::string& path);

// Reads FASTA records from file into sequences (id = the header's first
// word), upper case, until the end of the file; header is the first header
// line when already read. Throws tamsu::Error on a sequence id given twice.
void readFasta(LineInput& file, std::string header, std::unordered_map<std::string, std::string>& sequences);

// Replaces every "%XY" (two hex digits) by its byte; other text stays as it is.
std::string percentDecode(std::string_view text);

}  // namespace tamsu::detail

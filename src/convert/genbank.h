// A streaming reader of GenBank flat files (.gbk, .gbff; NCBI, Prokka,
// Bakta): one record per chromosome or contig, its features with their
// locations and qualifiers, and the ORIGIN sequence.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "convert/gff3.h"
#include "convert/lineInput.h"

namespace tamsu::detail {

class GenBankReader : public FeatureReader {
public:
    explicit GenBankReader(const std::string& path) : file_(path) {}

    // The next feature of any record: seqid is the record's VERSION (else its
    // ACCESSION, else its LOCUS name), type the feature key, start..end the
    // span of its location (a location that crosses the origin of a record of
    // known length ends after the length, as GFF3 writes it), strand '-' for
    // a complement, parts the ranges of a join in transcription order,
    // attributes the qualifiers (quotes removed, continuation lines joined:
    // with a blank, without one for /translation; an empty value for a
    // qualifier without one, as /pseudo). Throws tamsu::Error naming the file
    // and line of a location without a position or a record that does not
    // start with LOCUS.
    bool next(GffFeature& feature) override;
    const std::vector<std::string>& declaredRegions() const override { return regions_; }
    long long regionLength(const std::string& seqid) const override;
    // The ORIGIN sequences of the records (records without one are missing).
    void readSequences(std::unordered_map<std::string, std::string>& sequences) override;
    const std::string& path() const override { return file_.path(); }

private:
    bool nextLine();
    void startRecord();
    void readFeature(GffFeature& feature);
    void skipRecordRest();

    LineInput file_;
    std::string line_;
    bool havePending_ = false;  // line_ holds a line not yet handled
    bool eof_ = false;
    bool inFeatures_ = false;  // between FEATURES and the end of the record's features
    std::string locusName_, accession_, version_;
    std::string seqid_;
    long long length_ = 0;
    std::vector<std::string> regions_;
    std::unordered_map<std::string, long long> lengths_;
    std::unordered_map<std::string, std::string> sequences_;  // ORIGIN, kept while reading features
};

// The ranges of a GenBank location ("complement(join(1..10,20..30))",
// "<1..>500", "join(900..1000,1..50)") in transcription order, and its strand.
// Ranges on other records ("X12345.1:1..10") are left out. False when the
// location holds no position.
bool parseGenBankLocation(const std::string& location, std::vector<std::pair<long long, long long>>& parts,
                          char& strand);

}  // namespace tamsu::detail

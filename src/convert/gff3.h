// A streaming GFF3 reader: one feature line at a time, with the sequence
// regions in the order the file declares them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/textFile.h"

namespace tamsu::detail {

struct GffFeature {
    std::string seqid;
    std::string type;
    long long start = 0;  // 1-based, inclusive
    long long end = 0;
    char strand = '.';    // '+', '-', '.' or '?'
    std::vector<std::pair<std::string, std::string>> attributes;  // values percent-decoded
    int line = 0;

    // The value of an attribute; null when the feature has none.
    const std::string* attribute(std::string_view key) const;
};

class GffReader {
public:
    explicit GffReader(const std::string& path) : file_(path) {}

    // The next feature line; false at the end of the features (the end of the
    // file, a "##FASTA" directive or a FASTA header). Comment lines and empty
    // lines are skipped. Throws tamsu::Error naming the file and line of a
    // malformed feature line: not nine tab-separated columns, coordinates that
    // are not positive integers with start <= end, an unknown strand.
    bool next(GffFeature& feature);

    // Sequence regions of "##sequence-region" lines, in file order.
    const std::vector<std::string>& declaredRegions() const { return regions_; }
    const std::string& path() const { return file_.path(); }

private:
    TextFile file_;
    std::vector<std::string> regions_;
    bool done_ = false;
};

// Replaces every "%XY" (two hex digits) by its byte; other text stays as it is.
std::string percentDecode(std::string_view text);

}  // namespace tamsu::detail

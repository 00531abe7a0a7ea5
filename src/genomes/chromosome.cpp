// Chromosome records and the gene-line parser.
#include "genomes/chromosome.h"

#include <climits>
#include <cstdio>
#include <string_view>

#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

Chromosome makeChromosome(const std::string& name, int number) {
    Chromosome chrom;
    chrom.name = skipLeadingBlanks(name);
    chrom.number = number;
    return chrom;
}

namespace {

// Splits a gene line into its columns. A run of tabs separates like a single
// tab, so an empty column cannot be expressed; the last column (annotation)
// is the rest of the line, inner tabs included.
class ColumnReader {
public:
    explicit ColumnReader(const std::string& line) : line_(line) {}

    // The next tab-delimited column; false when the line is used up.
    bool next(std::string& column) {
        skipTabs();
        if (pos_ >= line_.size()) return false;
        size_t end = line_.find('\t', pos_);
        if (end == std::string::npos) end = line_.size();
        column.assign(line_, pos_, end - pos_);
        pos_ = end;
        return true;
    }

    // Everything after the separator that follows the previous column.
    bool rest(std::string& column) {
        skipTabs();
        if (pos_ >= line_.size()) return false;
        column.assign(line_, pos_, std::string::npos);
        pos_ = line_.size();
        return true;
    }

private:
    void skipTabs() {
        while (pos_ < line_.size() && line_[pos_] == '\t') ++pos_;
    }

    const std::string& line_;
    size_t pos_ = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The text between leading and trailing blanks.
std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

enum class IdProblem { none, notANumber, negative, tooLarge };

// A gene-family identifier: decimal digits, blanks around them allowed.
IdProblem parseGeneId(const std::string& column, int& id) {
    const std::string_view text = trimmedBlanks(column);
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty()) return IdProblem::notANumber;
    long long value = 0;
    for (char c : digits) {
        if (!isDigit(c)) return IdProblem::notANumber;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return IdProblem::negative;
    if (value > INT_MAX) return IdProblem::tooLarge;
    id = static_cast<int>(value);
    return IdProblem::none;
}

}  // namespace

bool looksLikeGeneLine(const std::string& line) {
    std::string_view first = trimmedBlanks(std::string_view(line).substr(0, line.find('\t')));
    if (!first.empty() && (first.front() == '-' || first.front() == '+')) first.remove_prefix(1);
    return !first.empty() && isDigit(first.front());
}

void fillChromosome(Chromosome& chrom, const std::vector<std::string>& lines, const std::string& fileName,
                    int firstLineNumber) {
    const int n = static_cast<int>(lines.size());
    chrom.genes.assign(static_cast<size_t>(n) + 2, 0);
    chrom.dirs.assign(static_cast<size_t>(n) + 2, '?');
    chrom.fcats.assign(static_cast<size_t>(n) + 2, '?');
    chrom.locusTags.assign(static_cast<size_t>(n) + 2, std::string());
    chrom.annotations.assign(static_cast<size_t>(n) + 2, std::string());

    std::string family, strand, category;
    for (int i = 0; i < n; ++i) {
        const int p = i + 1;
        const int lineNumber = firstLineNumber + i;
        ColumnReader columns(lines[i]);
        int found = 0;
        if (columns.next(family)) ++found;
        if (found == 1 && columns.next(strand)) ++found;
        if (found == 2 && columns.next(category)) ++found;
        if (found == 3 && columns.next(chrom.locusTags[p])) ++found;
        if (found == 4 && columns.rest(chrom.annotations[p])) ++found;
        if (found < 5)
            fail(Stream::err,
                 "error: line %d of \"%s\" has %d tab-separated column%s; a gene line of chromosome \"%s\" needs 5 "
                 "(family, strand, category, locus tag, annotation)\n",
                 lineNumber, fileName.c_str(), found, found == 1 ? "" : "s", chrom.name.c_str());
        int id = 0;
        switch (parseGeneId(family, id)) {
            case IdProblem::none:
                break;
            case IdProblem::notANumber:
                fail(Stream::err,
                     "error: gene identifier \"%s\" at line %d of \"%s\" is not a whole number (a family id "
                     "from 0 to %d)\n",
                     family.c_str(), lineNumber, fileName.c_str(), INT_MAX);
            case IdProblem::negative:
                fail(Stream::err,
                     "error: gene identifier \"%s\" at line %d of \"%s\" is negative (family ids run from 0 "
                     "to %d)\n",
                     family.c_str(), lineNumber, fileName.c_str(), INT_MAX);
            case IdProblem::tooLarge:
                fail(Stream::err, "error: gene identifier \"%s\" at line %d of \"%s\" is outside the integer range\n",
                     family.c_str(), lineNumber, fileName.c_str());
        }
        chrom.genes[p] = id;
        chrom.dirs[p] = strand[0];
        chrom.fcats[p] = category[0];
    }
}

}  // namespace tamsu::detail

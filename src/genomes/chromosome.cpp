// Chromosome records and the gene-line parser.
#include "genomes/chromosome.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

Chromosome makeChromosome(const std::string& name, int number) {
    Chromosome chrom;
    chrom.name = skipLeadingBlanks(name);
    chrom.number = number;
    chrom.length = -1;
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

// The gene-family identifier of a column, atoi-style (blanks, optional sign,
// digits; no digits reads 0). A negative identifier stands for its absolute
// value. Returns false when that value does not fit an int.
bool parseGeneId(const std::string& text, int& id) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    if (*p == '+' || *p == '-') ++p;
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = value * 10 + (*p++ - '0');
        if (value > INT_MAX) return false;
    }
    id = static_cast<int>(value);
    return true;
}

}  // namespace

void fillChromosome(Chromosome& chrom, const std::vector<std::string>& lines) {
    fillChromosome(chrom, lines, std::string(), 0, stdout);
}

void fillChromosome(Chromosome& chrom, const std::vector<std::string>& lines, const std::string& fileName,
              int firstLineNumber, FILE* out) {
    const int n = static_cast<int>(lines.size());
    chrom.length = n;
    chrom.genes.assign(static_cast<size_t>(n) + 2, 0);
    chrom.dirs.assign(static_cast<size_t>(n) + 2, '?');
    chrom.fcats.assign(static_cast<size_t>(n) + 2, '?');
    chrom.locusTags.assign(static_cast<size_t>(n) + 2, std::string());
    chrom.annotations.assign(static_cast<size_t>(n) + 2, std::string());

    std::string column;
    for (int i = 0; i < n; ++i) {
        const std::string& line = lines[i];
        // The messages quote the line up to its first tab, as the column
        // splitter of the original reader left it.
        const std::string head = line.substr(0, line.find('\t'));
        ColumnReader columns(line);
        const int p = i + 1;

        if (columns.next(column)) {
            int id = 0;
            if (!parseGeneId(column, id)) {
                if (fileName.empty())
                    fail(Stream::err, "error: gene identifier \"%s\" in gene line %d of chromosome \"%s\" is outside the integer range\n",
                         column.c_str(), i + 1, chrom.name.c_str());
                fail(Stream::err, "error: gene identifier \"%s\" at line %d of \"%s\" is outside the integer range\n",
                     column.c_str(), firstLineNumber + i, fileName.c_str());
            }
            chrom.genes[p] = id;
        } else {
            std::fprintf(out, "no gene at line %d in \"%s\"", i, head.c_str());
        }

        if (columns.next(column)) chrom.dirs[p] = column[0];
        else std::fprintf(out, "no dir at line %d in \"%s\"", i, head.c_str());

        if (columns.next(column)) chrom.fcats[p] = column[0];
        else std::fprintf(out, "no fcat at line %d in \"%s\"", i, head.c_str());

        if (columns.next(column)) chrom.locusTags[p] = column;
        else std::fprintf(out, "no locusTag at line %d in \"%s\"", i, head.c_str());

        if (columns.rest(column)) chrom.annotations[p] = column;
        else std::fprintf(out, "no annotation at line %d in \"%s\"", i, head.c_str());
    }
}

}  // namespace tamsu::detail

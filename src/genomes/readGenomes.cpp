// Genome list and annotation file reader.
#include "genomes/readGenomes.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "util/errors.h"
#include "util/textFile.h"
#include "util/strings.h"

namespace tamsu::detail {

namespace {

// A kept line of the genome list with its 1-based line number.
struct GenomeLine {
    std::string text;
    int lineNumber;
};

// The pieces of a genome line: the name before the first ':' (leading ':'
// skipped), then the ','-separated chromosome names.
struct SplitGenomeLine {
    bool hasName = false;
    std::string name;
    bool hasChromosomes = false;  // a ':' follows the name
    std::vector<std::string> chromosomes;
};

SplitGenomeLine splitGenomeLine(const std::string& line) {
    SplitGenomeLine split;
    size_t start = line.find_first_not_of(':');
    if (start == std::string::npos) return split;
    split.hasName = true;
    size_t colon = line.find(':', start);
    split.name = line.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (colon == std::string::npos) return split;
    split.hasChromosomes = true;
    size_t piece = colon + 1;
    while (true) {
        size_t comma = line.find(',', piece);
        split.chromosomes.push_back(line.substr(piece, comma == std::string::npos ? std::string::npos : comma - piece));
        if (comma == std::string::npos) break;
        piece = comma + 1;
    }
    return split;
}

// Number of chromosome names of a split genome line.
int countChromosomes(const SplitGenomeLine& split) { return static_cast<int>(split.chromosomes.size()); }

// Skips the column-title line, then collects the gene lines up to an empty
// line (or one starting with a carriage return) or the end of the file.
// Returns the number of gene lines.
int readChromLines(std::vector<std::string>& lines, TextFile& file) {
    lines.clear();
    std::string line;
    if (!file.next(line)) return 0;
    while (file.next(line)) {
        if (line.empty() || line[0] == '\r') break;
        lines.push_back(line);
    }
    return static_cast<int>(lines.size());
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A relative annotation path that is missing from the working directory is
// looked up beside the genome list, so a list can be given from anywhere.
std::string resolveSourcePath(const std::string& source, const std::string& listPath) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::path sourcePath(source);
    if (sourcePath.is_absolute() || fs::exists(sourcePath, ignored)) return source;
    fs::path beside = fs::path(listPath).parent_path() / sourcePath;
    if (!fs::path(listPath).parent_path().empty() && fs::exists(beside, ignored)) return beside.string();
    return source;
}

}  // namespace

bool hasChromosomeNamed(const GenomeSet& set, const std::string& name) {
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes)
            if (chrom.name == name) return true;
    return false;
}

void readAnnotationFile(const std::string& path, GenomeSet& set, const std::string& listPath, FILE* out) {
    TextFile lines(path, std::nothrow);
    if (!lines.isOpen()) fail(Stream::err, "Can't open sequence file \"%s\"\n", path.c_str());

    // Every chromosome of a name receives the block of that name.
    std::unordered_map<std::string, std::vector<Chromosome*>> byName;
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) byName[chrom.name].push_back(&chrom);

    std::vector<std::string> geneLines;
    std::string line;
    while (lines.next(line)) {
        if (line.empty() || !isLetter(line[0])) continue;
        auto found = byName.find(line.substr(0, line.find(',')));
        if (found == byName.end()) continue;
        const int firstGeneLine = lines.lineNumber() + 2;
        readChromLines(geneLines, lines);
        for (Chromosome* chrom : found->second) fillChromosome(*chrom, geneLines, path, firstGeneLine, out);
    }

    // The searches need the genes of every listed chromosome.
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) {
            if (chrom.isSet()) continue;
            if (listPath.empty())
                fail(Stream::err, "error: chromosome \"%s\" of genome \"%s\" has no block in \"%s\"\n",
                     chrom.name.c_str(), genome.name.c_str(), path.c_str());
            fail(Stream::err, "error: chromosome \"%s\" of genome \"%s\" listed in \"%s\" has no block in \"%s\"\n",
                 chrom.name.c_str(), genome.name.c_str(), listPath.c_str(), path.c_str());
        }
}

std::unique_ptr<GenomeSet> readGenomes(const std::string& path, FILE* out) {
    std::fprintf(out, "\nparsing input file: \"%s\"\n", path.c_str());

    TextFile listLines(path, std::nothrow);
    if (!listLines.isOpen()) fail(Stream::err, "Can't open genome list file: \"%s\"\n", path.c_str());

    std::string line;
    if (!listLines.next(line)) fail(Stream::err, "Empty genome list file:\"%s\"!\n", path.c_str());

    // First line: "SOURCE", ':' and the annotation path (leading blanks skipped).
    size_t keyStart = line.find_first_not_of(':');
    if (keyStart == std::string::npos) keyStart = line.size();
    size_t colon = line.find(':', keyStart);
    std::string keyword = line.substr(keyStart, colon == std::string::npos ? std::string::npos : colon - keyStart);
    if (keyword != "SOURCE") fail(Stream::err, "No source file for sequences given in input file \"%s\"!\n", path.c_str());
    std::string source = colon == std::string::npos ? std::string() : skipLeadingBlanks(line.substr(colon + 1));
    if (source.empty())
        fail(Stream::err, "error: no annotation file path after \"SOURCE:\" in line 1 of \"%s\"\n", path.c_str());
    source = resolveSourcePath(source, path);
    std::fprintf(out, "reading genomes file: \"%s\"\n", source.c_str());

    std::vector<GenomeLine> genomeLines;
    while (listLines.next(line)) {
        if (line.empty()) continue;
        genomeLines.push_back({line, listLines.lineNumber()});
    }
    listLines.close();
    if (genomeLines.empty()) fail(Stream::err, "error: no genome listed in \"%s\"\n", path.c_str());

    auto set = makeGenomeSet(static_cast<int>(genomeLines.size()));
    for (size_t g = 0; g < genomeLines.size(); ++g) {
        const GenomeLine& genomeLine = genomeLines[g];
        SplitGenomeLine split = splitGenomeLine(genomeLine.text);
        if (!split.hasName) fail(Stream::err, "No name for genome \"%s\" given!", path.c_str());
        if (!split.hasChromosomes)
            fail(Stream::err, "error: genome \"%s\" in line %d of \"%s\" lists no chromosome\n", split.name.c_str(),
                 genomeLine.lineNumber, path.c_str());
        const int count = countChromosomes(split);
        Genome genome = makeGenome(split.name, static_cast<int>(g), count);
        for (int c = 0; c < count; ++c) {
            genome.chromosomes[c] = makeChromosome(split.chromosomes[c], c);
            if (genome.chromosomes[c].name.empty())
                fail(Stream::err, "error: empty chromosome name for genome \"%s\" in line %d of \"%s\"\n",
                     split.name.c_str(), genomeLine.lineNumber, path.c_str());
        }
        set->genomes[g] = std::move(genome);
    }

    readAnnotationFile(source, *set, path, out);
    set->sourcePath = source;

    giveUnmatchedGenesFamilies(*set);
    completeGenomeSet(*set);
    return set;
}

}  // namespace tamsu::detail

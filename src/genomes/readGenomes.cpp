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
#include "util/fnv1a.h"
#include "util/strings.h"
#include "util/textFile.h"

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

// Collects the gene lines up to an empty line (or one starting with a
// carriage return) or the end of the file. Returns their number.
int readChromLines(std::vector<std::string>& lines, TextFile& file) {
    lines.clear();
    std::string line;
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

void readAnnotationFile(const std::string& path, GenomeSet& set, const std::string& listPath, Fnv1a* hash) {
    TextFile lines(path, std::nothrow);
    if (!lines.isOpen())
        fail(Stream::err, "Can't open sequence file \"%s\"\nerror: \"%s\": %s\n", path.c_str(), path.c_str(),
             lines.problem().c_str());
    lines.hashInto(hash);

    // Chromosome names are unique over the genome list (readGenomes checks it).
    std::unordered_map<std::string, Chromosome*> byName;
    for (Genome& genome : set.genomes)
        for (Chromosome& chrom : genome.chromosomes) byName.emplace(chrom.name, &chrom);
    std::unordered_map<std::string, int> blockLine;  // header line of each block read

    std::vector<std::string> geneLines;
    std::string line;
    while (lines.next(line)) {
        if (line.empty() || !isLetter(line[0])) continue;
        const std::string name = line.substr(0, line.find(','));
        auto found = byName.find(name);
        if (found == byName.end()) continue;
        const int headerLine = lines.lineNumber();
        if (auto [first, isNew] = blockLine.try_emplace(name, headerLine); !isNew)
            fail(Stream::err,
                 "error: line %d of \"%s\" starts a second block of chromosome \"%s\" (the first is at "
                 "line %d)\n",
                 headerLine, path.c_str(), name.c_str(), first->second);
        // The column-title line: present, and no gene line in its place.
        if (!lines.next(line) || line.empty() || line[0] == '\r' || looksLikeGeneLine(line))
            fail(Stream::err,
                 "error: line %d of \"%s\": the block of chromosome \"%s\" (header at line %d) has no "
                 "column-title line (family, strand, category, locus_tag, annotation) after its header\n",
                 headerLine + 1, path.c_str(), name.c_str(), headerLine);
        const int firstGeneLine = lines.lineNumber() + 1;
        readChromLines(geneLines, lines);
        fillChromosome(*found->second, geneLines, path, firstGeneLine);
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
    if (!listLines.isOpen())
        fail(Stream::err, "Can't open genome list file: \"%s\"\nerror: \"%s\": %s\n", path.c_str(), path.c_str(),
             listLines.problem().c_str());
    // The fingerprint of a split run is taken from the bytes read here, so
    // that a file changed during the run cannot pass as the one searched.
    Fnv1a hash;
    listLines.hashInto(&hash);

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
    // Names are looked up by name: each genome and each chromosome once.
    std::unordered_map<std::string, int> genomeAt;                         // name -> line
    std::unordered_map<std::string, std::pair<int, std::string>> chromAt;  // name -> line, genome
    for (size_t g = 0; g < genomeLines.size(); ++g) {
        const GenomeLine& genomeLine = genomeLines[g];
        SplitGenomeLine split = splitGenomeLine(genomeLine.text);
        if (!split.hasName) fail(Stream::err, "No name for genome \"%s\" given!", path.c_str());
        if (!split.hasChromosomes)
            fail(Stream::err, "error: genome \"%s\" in line %d of \"%s\" lists no chromosome\n", split.name.c_str(),
                 genomeLine.lineNumber, path.c_str());
        if (auto [first, isNew] = genomeAt.try_emplace(split.name, genomeLine.lineNumber); !isNew)
            fail(Stream::err, "error: genome \"%s\" in line %d of \"%s\" is listed before, in line %d\n",
                 split.name.c_str(), genomeLine.lineNumber, path.c_str(), first->second);
        const int count = countChromosomes(split);
        Genome genome = makeGenome(split.name, static_cast<int>(g), count);
        for (int c = 0; c < count; ++c) {
            genome.chromosomes[c] = makeChromosome(split.chromosomes[c], c);
            if (genome.chromosomes[c].name.empty())
                fail(Stream::err, "error: empty chromosome name for genome \"%s\" in line %d of \"%s\"\n",
                     split.name.c_str(), genomeLine.lineNumber, path.c_str());
        }
        for (const Chromosome& chrom : genome.chromosomes)
            if (auto [first, isNew] = chromAt.try_emplace(chrom.name, genomeLine.lineNumber, split.name); !isNew)
                fail(Stream::err,
                     "error: chromosome \"%s\" in line %d of \"%s\" is listed before, in line %d (genome \"%s\"); "
                     "each chromosome has one block and one name\n",
                     chrom.name.c_str(), genomeLine.lineNumber, path.c_str(), first->second.first,
                     first->second.second.c_str());
        set->genomes[g] = std::move(genome);
    }

    const char separator = '\0';
    hash.add(&separator, 1);
    readAnnotationFile(source, *set, path, &hash);
    set->sourcePath = source;
    set->listPath = path;
    set->inputFingerprint = hash.text();

    giveUnmatchedGenesFamilies(*set);
    completeGenomeSet(*set);
    return set;
}

}  // namespace tamsu::detail

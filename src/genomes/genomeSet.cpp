// Genome set, zero conversion, alphabet recoding and genome statistics.
#include "genomes/genomeSet.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <unordered_set>

#include "util/errors.h"

namespace tamsu::detail {

std::unique_ptr<GenomeSet> makeGenomeSet(int genomeCount) {
    auto set = std::make_unique<GenomeSet>();
    set->genomes.resize(static_cast<size_t>(genomeCount > 0 ? genomeCount : 0));
    set->alphabetSize = 0;
    return set;
}

Genome makeGenome(const std::string& name, int number, int chromosomeCount) {
    Genome genome;
    genome.name = name;
    genome.number = number;
    genome.chromosomes.resize(static_cast<size_t>(chromosomeCount > 0 ? chromosomeCount : 0));
    return genome;
}

namespace {

// Calls visit(gene&) for positions 1..length of every chromosome, genomes and
// chromosomes in order: the walk order that fixes fresh identifiers and codes.
template <typename Set, typename Visit>
void forEachGene(Set& set, Visit visit) {
    for (auto& genome : set.genomes)
        for (auto& chrom : genome.chromosomes)
            for (int p = 1; p <= chrom.length(); ++p) visit(chrom.genes[p]);
}

}  // namespace

long long maxFamilyId(const GenomeSet& set) {
    long long maxId = 0;
    forEachGene(set, [&](const int& gene) { maxId = std::max<long long>(maxId, gene); });
    return maxId;
}

void giveUnmatchedGenesFamilies(GenomeSet& set) {
    const long long maxId = maxFamilyId(set);
    long long zeros = 0;
    forEachGene(set, [&](const int& gene) { zeros += (gene == 0); });
    // Fresh identifiers run maxId+1 .. maxId+zeros and must stay ints.
    if (maxId + zeros > INT_MAX)
        fail(Stream::err,
             "error: %lld genes without homologue need fresh identifiers above %lld, beyond the integer range\n", zeros,
             maxId);
    long long next = maxId;
    forEachGene(set, [&](int& gene) {
        if (gene == 0) gene = static_cast<int>(++next);
    });
}

int alphabetSizeOf(const GenomeSet& set) {
    std::unordered_set<int> seen;
    forEachGene(set, [&](const int& gene) { seen.insert(gene); });
    return static_cast<int>(seen.size());
}

int renumberFamilies(GenomeSet& set) {
    // Codes are handed out by first appearance in walk order.
    std::unordered_map<int, int> code;
    code.reserve(static_cast<size_t>(set.alphabetSize) + 1);
    set.codingTable.assign(static_cast<size_t>(set.alphabetSize) + 1, 0);
    int codes = 0;
    forEachGene(set, [&](int& gene) {
        auto [it, isNew] = code.try_emplace(gene, codes + 1);
        if (isNew) {
            ++codes;
            if (static_cast<size_t>(codes) >= set.codingTable.size()) set.codingTable.resize(codes + 1, 0);
            set.codingTable[codes] = gene;
        }
        gene = it->second;
    });
    return codes;
}

void completeGenomeSet(GenomeSet& set) {
    set.alphabetSize = alphabetSizeOf(set);
    renumberFamilies(set);
}

void printGenomeStatistics(FILE* stream, const GenomeSet& set) {
    std::fprintf(stream, "\n\t*** genomes statistics: ***\n");
    std::fprintf(stream, "\tgenome count:\t\t%d\n", set.genomeCount());
    std::fprintf(stream, "\talphabet size:\t\t%d\n", set.alphabetSize);
    std::fprintf(stream, "\tlist of genomes:\n");
    for (const Genome& genome : set.genomes) {
        std::fprintf(stream, "\t* %s ", genome.name.c_str());
        if (genome.chromosomes.empty()) continue;  // such a line stays open
        std::fprintf(stream, "(");
        for (size_t c = 0; c < genome.chromosomes.size(); ++c) {
            if (c > 0) std::fprintf(stream, " + ");
            std::fprintf(stream, "%d", genome.chromosomes[c].length());
        }
        std::fprintf(stream, " genes)\n");
    }
    std::fprintf(stream, "\n");
}

}  // namespace tamsu::detail

// Reference side of the Java host harness: reads a genome list with the
// command-line reader, cuts it to a small test size, writes the recoded genome
// arrays as the host would hand them over, and runs the same queries through
// the C++ driver, dumping the gene clusters in the harness's canonical form.
//
// Usage: jniReference <genomeList> <genesPerGenome> <chromosomesPerGenome>
//                     <enabled modes> <queries.txt> <outDir>
// genesPerGenome 0 keeps every gene. Writes <outDir>/genomes.dat and one
// <outDir>/<query>.cpp.txt per query of an enabled mode.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tamsu/tamsu.h"

namespace {


[[noreturn]] void fail(const std::string& text) { throw tamsu::Error(tamsu::Stream::err, text); }

// genomes[g][c] = genes 1..n of chromosome c of genome g (no sentinels).
using Genes = std::vector<std::vector<std::vector<int>>>;

struct TestGenomes {
    Genes genomes;
    int alphabetSize = 0;
    std::vector<int> codingTable;
};

struct Query {
    std::string name;
    char mode = 'r';
    int delta = 0;
    int s = 0;
    int q = 0;
    char refType = '?';
};

// The first genesPerGenome genes of each genome, cut into chromosomesPerGenome
// chromosomes, recoded densely by first appearance; the coding table leads
// back to the identifiers of the file.
TestGenomes cutGenomes(const tamsu::Genomes& set, int genesPerGenome, int chromosomesPerGenome) {
    TestGenomes cut;
    std::map<int, int> codes;
    cut.codingTable.push_back(0);
    for (int g = 0; g < set.genomeCount(); ++g) {
        std::vector<int> genes;
        for (int c = 0; c < set.chromosomeCount(g); ++c)
            for (int i = 1; i <= set.chromosomeLength(g, c); ++i)
                if (genesPerGenome <= 0 || static_cast<int>(genes.size()) < genesPerGenome)
                    genes.push_back(set.gene(g, c, i));
        int n = static_cast<int>(genes.size());
        int pieces = chromosomesPerGenome < 1 ? 1 : chromosomesPerGenome;
        std::vector<std::vector<int>> chromosomes;
        for (int p = 0; p < pieces; ++p) {
            int from = n * p / pieces;
            int to = n * (p + 1) / pieces;
            std::vector<int> piece;
            for (int i = from; i < to; ++i) {
                auto [it, added] = codes.try_emplace(genes[i], static_cast<int>(codes.size()) + 1);
                if (added) cut.codingTable.push_back(set.originalId(genes[i]));
                piece.push_back(it->second);
            }
            chromosomes.push_back(std::move(piece));
        }
        cut.genomes.push_back(std::move(chromosomes));
    }
    cut.alphabetSize = static_cast<int>(codes.size());
    return cut;
}

void writeGenomes(const TestGenomes& cut, const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) fail("cannot write " + path + "\n");
    std::fprintf(out, "alphabetSize %d\ncodingTable", cut.alphabetSize);
    for (int v : cut.codingTable) std::fprintf(out, " %d", v);
    std::fprintf(out, "\ngenomes %zu\n", cut.genomes.size());
    for (size_t g = 0; g < cut.genomes.size(); ++g) {
        std::fprintf(out, "genome %zu %zu\n", g, cut.genomes[g].size());
        for (size_t c = 0; c < cut.genomes[g].size(); ++c) {
            std::fprintf(out, "chr %zu %zu", c, cut.genomes[g][c].size());
            for (int gene : cut.genomes[g][c]) std::fprintf(out, " %d", gene);
            std::fprintf(out, "\n");
        }
    }
    std::fclose(out);
}

// The genomes as the bridge hands them to the library: recoded, with sentinels.
tamsu::Genomes makeGenomes(const TestGenomes& cut) {
    std::vector<std::vector<std::vector<int>>> genes;
    for (const auto& genome : cut.genomes) {
        genes.emplace_back();
        for (const auto& chrom : genome) {
            genes.back().push_back({0});
            genes.back().back().insert(genes.back().back().end(), chrom.begin(), chrom.end());
            genes.back().back().push_back(0);
        }
    }
    return tamsu::Genomes::fromRecoded(genes, cut.codingTable, cut.alphabetSize);
}

std::vector<Query> readQueries(const std::string& path) {
    std::ifstream in(path);
    if (!in) fail("cannot read " + path + "\n");
    std::vector<Query> queries;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        Query query;
        std::string mode, refType;
        if (!(words >> query.name) || query.name[0] == '#') continue;
        if (!(words >> mode >> query.delta >> query.s >> query.q >> refType)) fail("bad query line: " + line + "\n");
        query.mode = mode[0];
        query.refType = refType[0];
        queries.push_back(query);
    }
    return queries;
}

std::string bits(double value) {
    std::uint64_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(raw));
    return text;
}

void dumpOccurrences(FILE* out, const char* label, const std::vector<tamsu::OccurrenceSet>& sets, int genomeCount) {
    std::fprintf(out, "%s %zu\n", label, sets.size());
    for (size_t i = 0; i < sets.size(); ++i) {
        const tamsu::OccurrenceSet& set = sets[i];
        std::fprintf(out, "aci %zu pValue %s totalDist %d support %d\n", i, bits(set.pValue).c_str(), set.totalDistance,
                     set.genomesWithOccurrence);
        for (int g = 0; g < genomeCount; ++g) {
            static const std::vector<tamsu::Occurrence> none;
            const auto& occs = static_cast<size_t>(g) < set.perGenome.size() ? set.perGenome[g] : none;
            std::fprintf(out, "genome %d %zu:", g, occs.size());
            for (const tamsu::Occurrence& occ : occs)
                std::fprintf(out, " %d %d %d %d %s;", occ.first, occ.last, occ.chromosome, occ.distance,
                             bits(occ.pValue).c_str());
            std::fprintf(out, "\n");
        }
    }
}

// The gene sets in the codes the host gave (the host's dumps print those).
void dumpClusters(const std::vector<tamsu::Cluster>& clusters, const tamsu::Genomes& genomes,
                  const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) fail("cannot write " + path + "\n");
    std::fprintf(out, "clusters %zu\n", clusters.size());
    for (size_t k = 0; k < clusters.size(); ++k) {
        const tamsu::Cluster& cluster = clusters[k];
        std::fprintf(out, "cluster %zu type %c refGenomeNr %d pValue %s minTotalDist %d consensus %zu:", k,
                     tamsu::modeChar(cluster.mode), cluster.referenceGenome, bits(cluster.pValue).c_str(),
                     cluster.minTotalDistance, cluster.families.size());
        for (int family : cluster.families) std::fprintf(out, " %d", genomes.familyCode(family));
        std::fprintf(out, "\n");
        dumpOccurrences(out, "best", cluster.best, genomes.genomeCount());
        dumpOccurrences(out, "all", cluster.all, genomes.genomeCount());
    }
    std::fclose(out);
}

// The query a host run builds (quorum only when it leaves a genome to lack
// the cluster; reference type in 'r' and 'p').
void runQuery(const TestGenomes& cut, const Query& query, const std::string& outDir) {
    const tamsu::Genomes genomes = makeGenomes(cut);
    const int g = genomes.genomeCount();
    tamsu::Query q;
    q.mode = query.mode == 'c' ? tamsu::Mode::center : query.mode == 'r' ? tamsu::Mode::reference
           : query.mode == 'p' ? tamsu::Mode::perfect : tamsu::Mode::median;
    q.delta = query.delta;
    q.minClusterSize = query.s;
    if (g > query.q && query.q > 0) q.quorum = tamsu::Quorum{query.q, tamsu::CostType::zero};
    if (query.mode == 'r' || query.mode == 'p')
        q.refType = query.refType == 'g' ? tamsu::RefType::genome
                    : query.refType == 'c' ? tamsu::RefType::cluster : tamsu::RefType::discovery;
    tamsu::RunContext context;
    context.statisticsPath = "dummy.genFamStat";
    const tamsu::Result result = tamsu::findClusters(genomes, q, context);
    if (result.cancelled) fail("query " + query.name + ": no result\n");
    dumpClusters(result.clusters, genomes, outDir + "/" + query.name + ".cpp.txt");
    std::fprintf(stderr, "query %s: %zu clusters\n", query.name.c_str(), result.clusters.size());
}

int run(int argc, char** argv) {
    if (argc != 7) fail("usage: jniReference <genomeList> <genes> <chromosomes> <modes> <queries> <outDir>\n");
    std::string modes = argv[4];
    std::string outDir = argv[6];
    const tamsu::Genomes set = tamsu::Genomes::read(argv[1]);
    TestGenomes cut = cutGenomes(set, std::atoi(argv[2]), std::atoi(argv[3]));
    writeGenomes(cut, outDir + "/genomes.dat");
    for (const Query& query : readQueries(argv[5]))
        if (modes.find(query.mode) != std::string::npos) runQuery(cut, query, outDir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const tamsu::Error& error) {
        std::fflush(stdout);
        error.print(stdout, stderr);
        return 1;
    }
}

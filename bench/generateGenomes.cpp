// Writes a synthetic genome set (genome list + annotation file) with
// conserved gene clusters: every genome descends from one ancestral gene
// order by block moves, reversals, gene losses and foreign insertions, so
// clusters survive in many genomes, approximately. Deterministic per seed.
//
// usage: generate_genomes <folder> <genomes> <genes per genome> [seed] [events per 100 genes] [chromosomes]
// With more than one chromosome per genome (default 1) each genome's gene order
// is cut into that many pieces of near-equal length, in order.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: %s <folder> <genomes> <genes per genome> [seed] [events per 100 genes] [chromosomes]\n",
                     argv[0]);
        return 1;
    }
    std::string folder = argv[1];
    int genomeCount = std::atoi(argv[2]);
    int geneCount = std::atoi(argv[3]);
    unsigned seed = argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)) : 12345u;
    // Rearrangement events per genome, per 100 genes: more events leave
    // shorter conserved stretches.
    int eventRate = argc > 5 ? std::atoi(argv[5]) : 4;
    int chromosomeCount = argc > 6 ? std::atoi(argv[6]) : 1;
    if (genomeCount < 1 || geneCount < 1 || chromosomeCount < 1) {
        std::fprintf(stderr, "error: genome, gene and chromosome counts must be positive\n");
        return 1;
    }
    std::mt19937 rng(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    // Ancestral order: families 1..F, a few of them paralogous.
    int families = geneCount * 3 / 4 + 1;
    std::vector<int> ancestor(geneCount);
    for (int i = 0; i < geneCount; ++i) ancestor[i] = uniform(1, 20) == 1 ? uniform(1, families) : i % families + 1;

    std::string listPath = folder + "/genomes.txt";
    std::string annotationPath = folder + "/annotation.txt";
    FILE* list = std::fopen(listPath.c_str(), "w");
    FILE* annotation = std::fopen(annotationPath.c_str(), "w");
    if (list == nullptr || annotation == nullptr) {
        std::fprintf(stderr, "error: cannot write into \"%s\"\n", folder.c_str());
        return 1;
    }
    std::fprintf(list, "SOURCE: annotation.txt\n");
    int nextForeign = families + 1;
    for (int g = 0; g < genomeCount; ++g) {
        std::vector<int> genes = ancestor;
        int events = geneCount * eventRate / 100;
        for (int e = 0; e < events; ++e) {
            int n = static_cast<int>(genes.size());
            int a = uniform(0, n - 1);
            int b = std::min(n, a + uniform(2, 40));
            switch (uniform(0, 3)) {
            case 0: {  // reversal
                std::reverse(genes.begin() + a, genes.begin() + b);
                break;
            }
            case 1: {  // block move
                std::vector<int> block(genes.begin() + a, genes.begin() + b);
                genes.erase(genes.begin() + a, genes.begin() + b);
                int at = uniform(0, static_cast<int>(genes.size()));
                genes.insert(genes.begin() + at, block.begin(), block.end());
                break;
            }
            case 2:  // gene loss
                if (genes.size() > 1) genes.erase(genes.begin() + a);
                break;
            default:  // foreign gene (a family of its own, or a gene without homologue)
                genes.insert(genes.begin() + a, uniform(0, 1) ? nextForeign++ : 0);
                break;
            }
        }
        std::string name = "genome" + std::to_string(g);
        // One chromosome keeps the names of the single-chromosome sets.
        auto chromName = [&](int c) {
            return name + "_chr" + (chromosomeCount > 1 ? std::to_string(c + 1) : std::string());
        };
        std::fprintf(list, "%s:", name.c_str());
        for (int c = 0; c < chromosomeCount; ++c)
            std::fprintf(list, "%s%s", c > 0 ? "," : "", chromName(c).c_str());
        std::fprintf(list, "\n");
        const size_t n = genes.size();
        for (int c = 0; c < chromosomeCount; ++c) {
            const size_t from = n * c / chromosomeCount, to = n * (c + 1) / chromosomeCount;
            std::fprintf(annotation, "%s, synthetic genome %d\n", chromName(c).c_str(), g);
            std::fprintf(annotation, "family\tstrand\tcategory\tlocus_tag\tannotation\n");
            for (size_t p = from; p < to; ++p)
                std::fprintf(annotation, "%d\t%c\t?\t%s_%zu\tsynthetic gene\n", genes[p], uniform(0, 1) ? '+' : '-',
                             name.c_str(), p + 1);
            std::fprintf(annotation, "\n");
        }
    }
    std::fclose(list);
    std::fclose(annotation);
    return 0;
}

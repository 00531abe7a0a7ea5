// Prints the reference-based gene clusters of a genome list: p-value and families.
#include <cstdio>

#include "tamsu/tamsu.h"

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: clusters <genomeList>\n"), 1;
    try {
        const tamsu::Genomes genomes = tamsu::Genomes::read(argv[1], nullptr);
        tamsu::Query query;
        query.mode = tamsu::Mode::reference;
        query.delta = 1;
        query.minClusterSize = 3;
        tamsu::RunContext silent;
        silent.out = silent.err = nullptr;
        for (const tamsu::Cluster& cluster : tamsu::findClusters(genomes, query, silent).clusters) {
            std::printf("%g:", cluster.pValue);
            for (int family : cluster.families) std::printf(" %d", family);
            std::printf("\n");
        }
    } catch (const tamsu::Error& error) {
        std::fputs(error.text().c_str(), stderr);
        return 1;
    }
}

// Median and center runs with a quorum through the public interface: a
// brute-force check of exact gene sets, the genomes lacking them anywhere.
#include "tamsu/tamsu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "testUtil.h"

namespace {

tamsu::Result quorumRun(const tamsu::Genomes& genomes, tamsu::Mode mode, int delta, int s, int quorum) {
    return quietRun(genomes, makeQuery(mode, delta, s, quorum));
}

// Oracle: every gene set of at least s genes that some interval holds
// exactly in at least the quorum of genomes lies within a reported cluster
// with occurrences in all those genomes, at delta 0, in median and center
// mode, for quorums below half the genomes too. At delta 1 the same holds
// for nearly all of them (a set may then lie in a larger cluster whose
// occurrences leave out one of its holders).
TEST(Quorum, ExactSetsOfTheQuorumAreFound) {
    int excused = 0, belowHalf = 0, looseSets = 0, looseFound = 0;
    for (unsigned seed = 1; seed <= 48; ++seed) {
        const int k = 3 + seed % 4;
        const int quorum = 2 + static_cast<int>(seed / 4) % (k - 1);
        const int s = 2 + seed / 3 % 2;
        std::vector<std::vector<std::vector<int>>> rows;
        for (int g = 0; g < k; ++g) {
            rows.push_back({randomGenes(seed * 31 + g, 6 + (seed + g) % 6, 5)});
            if ((seed + g) % 4 == 0) rows.back().push_back(randomGenes(seed * 37 + g, 4, 5));
            for (auto& chrom : rows.back()) {
                chrom.insert(chrom.begin(), 0);
                chrom.push_back(0);
            }
        }
        const tamsu::Genomes genomes = tamsu::Genomes::fromRecoded(rows, {0, 1, 2, 3, 4, 5}, 5);
        std::map<std::set<int>, std::set<int>> holders;  // gene set -> genomes with it as an interval
        for (int g = 0; g < k; ++g)
            for (const auto& chrom : rows[g])
                for (size_t l = 1; l + 1 < chrom.size(); ++l)
                    for (size_t r = l; r + 1 < chrom.size(); ++r) holders[genesIn(chrom, l, r)].insert(g);

        for (tamsu::Mode mode : {tamsu::Mode::median, tamsu::Mode::center})
            for (int delta : {0, 1}) {
                // Center mode at delta 1 grows steeply with the genome count.
                if (delta == 1 && mode == tamsu::Mode::center && k > 4) continue;
                const tamsu::Result result = quorumRun(genomes, mode, delta, s, quorum);
                for (const auto& [genes, holding] : holders) {
                    if (static_cast<int>(holding.size()) < quorum || static_cast<int>(genes.size()) < s) continue;
                    const bool found = std::any_of(
                        result.clusters.begin(), result.clusters.end(), [&](const tamsu::Cluster& gc) {
                            const std::set<int> set(gc.families.begin(), gc.families.end());
                            if (!std::includes(set.begin(), set.end(), genes.begin(), genes.end())) return false;
                            std::set<int> spanned;
                            for (const tamsu::OccurrenceSet& occurrences : gc.all)
                                for (int g = 0; g < k; ++g)
                                    if (!occurrences.perGenome[g].empty()) spanned.insert(g);
                            return std::includes(spanned.begin(), spanned.end(), holding.begin(), holding.end());
                        });
                    if (delta == 1) {
                        ++looseSets;
                        looseFound += found;
                        continue;
                    }
                    EXPECT_TRUE(found) << "seed " << seed << " mode " << tamsu::modeChar(mode) << ": a set of "
                                       << genes.size() << " genes in " << holding.size() << " of " << k
                                       << " genomes, quorum " << quorum;
                    excused += static_cast<int>(holding.size()) < k;
                    belowHalf += 2 * static_cast<int>(holding.size()) < k;
                }
            }
    }
    EXPECT_GT(excused, 100);   // sets the quorum lets some genome lack
    EXPECT_GT(belowHalf, 20);  // sets held by fewer than half the genomes
    EXPECT_GE(looseFound, looseSets * 95 / 100) << looseFound << " of " << looseSets << " at delta 1";
    std::printf("at delta 1: %d of %d sets found\n", looseFound, looseSets);
}

}  // namespace

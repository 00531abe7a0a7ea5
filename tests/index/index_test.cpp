// The occurrence index against naive recounts on random sets, with and
// without the NUM table.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "index/occurrenceIndex.h"
#include "testUtil.h"

namespace {

TEST(OccurrenceIndex, TablesAgreeWithNaiveRecounts) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const int alphabet = 3 + static_cast<int>(seed % 6);
        Indexed with(
            makeSet({{randomGenes(seed, 25, alphabet), {}}, {randomGenes(seed + 50, 9, alphabet)}}, alphabet + 1));
        Indexed without(
            makeSet({{randomGenes(seed, 25, alphabet), {}}, {randomGenes(seed + 50, 9, alphabet)}}, alphabet + 1),
            false);
        const OccurrenceIndex& index = with.index;
        std::vector<int> chromosomesHolding(alphabet + 2, 0);
        for (const ChromIndex& chrom : index.chromosomes()) {
            const int n = chrom.length;
            std::set<int> held;
            for (int p = 1; p <= n; ++p) {
                const int c = chrom.genes[p];
                held.insert(c);
                int prev = p - 1, next = p + 1;
                while (prev > 0 && chrom.genes[prev] != c) --prev;
                while (next <= n && chrom.genes[next] != c) ++next;
                ASSERT_EQ(prev, chrom.prevOcc[p]);
                ASSERT_EQ(next, chrom.nextOcc[p]);
            }
            for (int c = 0; c <= alphabet + 1; ++c) {
                std::vector<int> positions;
                for (int p = 1; p <= n; ++p)
                    if (chrom.genes[p] == c) positions.push_back(p);
                std::span<const int> indexed = index.positions(c, chrom);
                ASSERT_EQ(positions, std::vector<int>(indexed.begin(), indexed.end()));
                for (int l = 0; l <= n + 1; ++l)
                    for (int r = l; r <= n + 1; ++r)
                        ASSERT_EQ(
                            std::any_of(positions.begin(), positions.end(), [&](int p) { return l <= p && p <= r; }),
                            holdsFamily(index, chrom, c, l, r));
                chromosomesHolding[c] += held.count(c) ? 1 : 0;
            }
            // Distinct counts of every interval, empty ones and the sentinels included.
            const ChromIndex& scan = without.index.chrom(chrom.genome, chrom.number);
            ASSERT_TRUE(scan.NUM.empty());
            for (int i = 1; i <= n + 1; ++i)
                for (int j = i - 1; j <= n; ++j) {
                    const int distinct = static_cast<int>(genesIn(chrom.genes, i, j).size());
                    ASSERT_EQ(distinct, distinctCount(chrom, i, j)) << i << ".." << j;
                    ASSERT_EQ(distinct, distinctCount(scan, i, j)) << i << ".." << j;
                }
        }
        EXPECT_EQ(chromosomesHolding, index.charOccStat());
        for (int c = 0; c <= alphabet + 1; ++c) {
            // c's occurrences per genome, as (chromosome, position) in walk order
            for (int g = 0; g < index.genomeCount(); ++g) {
                std::vector<std::pair<int, int>> expected, got;
                for (const ChromIndex& chrom : index.genome(g))
                    for (int p = 1; p <= chrom.length; ++p)
                        if (chrom.genes[p] == c) expected.emplace_back(chrom.flat, p);
                const auto [from, to] = index.occurrencesIn(c, g);
                for (int at = from; at < to; ++at)
                    got.emplace_back(static_cast<int>(index.occurrences().key[at] >> 32),
                                     index.occurrences().position[at]);
                ASSERT_EQ(expected, got) << c << " in genome " << g;
            }
            std::vector<int> genomes;
            for (int g = 0; g < index.genomeCount(); ++g)
                if (index.genomeHolds(g, c)) genomes.push_back(g);
            EXPECT_EQ(genomes, std::vector<int>(index.genomesHolding(c).begin(), index.genomesHolding(c).end()));
        }
    }
    // A chromosome past the size NUM is built for counts through prevOcc.
    Indexed large(makeSet({{randomGenes(1, 3001, 40)}, {randomGenes(2, 30, 40)}}, 40));
    EXPECT_TRUE(large.index.chrom(0, 0).NUM.empty());
    EXPECT_FALSE(large.index.chrom(1, 0).NUM.empty());
}

TEST(OccurrenceIndex, GenesOutsideTheAlphabetAreRefused) {
    auto set = makeSet({{{1, 2}}, {{3}}}, 2);
    EXPECT_EQ("error: gene 3 at position 1 of chromosome 0 of genome 1 is outside the alphabet 1..2\n",
              errorOf([&] { buildOccurrenceIndex(*set, true); }));
}

}  // namespace

// The parts of a split tile the range in order, and no part holds more than
// its share of the genes plus one chromosome.
TEST(OccurrenceIndex, SplitByGenesTilesAndBalances) {
    GeneRows rows;
    const int lengths[] = {40, 3, 17, 90, 1, 25, 60, 8};
    for (unsigned g = 0; g < 4; ++g)
        rows.push_back({randomGenes(g, lengths[2 * g], 9), randomGenes(g + 9, lengths[2 * g + 1], 9)});
    Indexed set(makeSet(rows, 9), false);
    const OccurrenceIndex& index = set.index;
    for (ChromRange all : {index.leadingGenomes(4), index.leadingGenomes(2), ChromRange{3, 7}})
        for (int parts = 1; parts <= 10; ++parts) {
            long long total = 0;
            for (int flat = all.first; flat < all.end; ++flat) total += index.chromosomes()[flat].length;
            int next = all.first;
            for (int part = 0; part < parts; ++part) {
                const ChromRange range = splitByGenes(index, all, part, parts);
                EXPECT_EQ(next, range.first) << parts;
                EXPECT_LE(range.first, range.end);
                long long genes = 0;
                for (int flat = range.first; flat < range.end; ++flat) genes += index.chromosomes()[flat].length;
                EXPECT_LE(genes, total / parts + 90) << part << " of " << parts;
                next = range.end;
            }
            EXPECT_EQ(all.end, next) << parts;
        }
}

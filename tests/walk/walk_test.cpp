// The shared reference walk: ranks and the border rows read after every left
// border against their definitions.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "testUtil.h"
#include "walk/walkTables.h"

namespace {

std::vector<int> row(const int* entries, int D) { return {entries, entries + D + 2}; }

bool occursIn(std::span<const int> genes, int c, int from, int to) {
    for (int p = from; p <= to; ++p)
        if (genes[p] == c) return true;
    return false;
}

// Ranks from their definition: first occurrence in genes[i..n] numbers the
// characters 1, 2, ...; absent ones tie above all of them, the sentinel last.
std::vector<int> naiveRank(const ChromIndex& ref, int i, int A) {
    std::vector<int> rank(A + 1, A + 1);
    rank[0] = A + 2;
    int next = 1;
    for (int p = i; p <= ref.length; ++p)
        if (rank[ref.genes[p]] == A + 1) rank[ref.genes[p]] = next++;
    return rank;
}

// Whether two rank vectors order every pair of characters alike.
bool sameOrder(const std::vector<int>& a, const std::vector<int>& b) {
    for (size_t x = 0; x < a.size(); ++x)
        for (size_t y = 0; y < a.size(); ++y)
            if ((a[x] < a[y]) != (b[x] < b[y])) return false;
    return a.size() == b.size();
}

// The rows of position p from their definitions: L, R, L_prime, R_prime
// (column 0 of the primed rows left 0).
std::vector<std::vector<int>> naiveRows(const ChromIndex& chrom, const std::vector<int>& rank, int p, int D) {
    const int n = chrom.length;
    std::span<const int> genes = chrom.genes;
    std::vector<int> L(D + 2, 0), R(D + 2, n + 1), Lp(D + 2, 0), Rp(D + 2, 0);
    L[0] = R[0] = p;
    for (int j = p - 1, k = 1; j >= 1 && k <= D + 1; --j)
        if (rank[genes[j]] > rank[genes[p]] && !occursIn(genes, genes[j], j + 1, p)) L[k++] = j;
    for (int j = p + 1, k = 1; j <= n && k <= D + 1; ++j)
        if (rank[genes[j]] > rank[genes[p]] && !occursIn(genes, genes[j], p, j - 1)) R[k++] = j;
    for (int k = 1; k <= D + 1; ++k) {
        int q = L[k] + 1;
        while (q <= p && rank[genes[q]] > rank[genes[p]]) ++q;
        Lp[k] = q;
        q = R[k] - 1;
        while (q >= p && rank[genes[q]] > rank[genes[p]]) --q;
        Rp[k] = q;
    }
    return {L, R, Lp, Rp};
}

// Walks every left border of every reference chromosome and compares, after
// every step, the ranks and the rows read with their definitions. Rows are
// read at a random half of the positions, twice, so that a row kept from an
// earlier left border or changed by a later read shows.
void expectUpdatesEqualDefinitions(const OccurrenceIndex& index, int D, const std::string& scenario) {
    QuietProgress quiet;
    ReferenceWalk walk(index, D, true, quiet.get());
    std::mt19937 rng(D);
    for (int g = 0; g < index.genomeCount(); ++g)
        for (const ChromIndex& ref : index.genome(g))
            for (int i = 1; i <= ref.length; ++i) {
                walk.moveLeftBorder(ref, i);
                WalkTables& tables = walk.tables();
                const std::vector<int> rank = naiveRank(ref, i, index.alphabetSize());
                ASSERT_TRUE(sameOrder(rank, tables.rank)) << scenario << " " << i;
                for (int pass = 0; pass < 2; ++pass)
                    for (const ChromIndex& chrom : index.chromosomes())
                        for (int p = 1; p <= chrom.length; ++p) {
                            if (rng() % 2 != 0) continue;
                            const auto naive = naiveRows(chrom, rank, p, D);
                            const BorderRows rows = tables.rows(chrom, p);
                            std::vector<int> Lp = row(rows.L_prime, D), Rp = row(rows.R_prime, D);
                            Lp[0] = Rp[0] = 0;
                            const std::vector<int> actual[] = {row(rows.L, D), row(rows.R, D), Lp, Rp};
                            for (int k = 0; k < 4; ++k)
                                ASSERT_EQ(naive[k], actual[k]) << scenario << " ref " << ref.name() << " i " << i
                                                               << " row " << p << " of " << chrom.name() << " table " << k;
                        }
            }
}

// As the reference search reads them: the pattern grows at every left
// border, every character it gains is absorbed, and rows are read afresh at
// the positions of the last one (which skip the absorbed runs) and, now and
// then, kept at any other position.
void expectGrowingPatternRowsEqualDefinitions(const OccurrenceIndex& index, int D, const std::string& scenario) {
    QuietProgress quiet;
    ReferenceWalk walk(index, D, true, quiet.get());
    std::mt19937 rng(D + 100);
    auto check = [&](const std::vector<int>& rank, const ChromIndex& chrom, int p, bool once,
                     const std::string& where) {
        const auto naive = naiveRows(chrom, rank, p, D);
        const BorderRows rows = once ? walk.tables().rowsOnce(chrom, p) : walk.tables().rows(chrom, p);
        std::vector<int> Lp = row(rows.L_prime, D), Rp = row(rows.R_prime, D);
        Lp[0] = Rp[0] = 0;
        const std::vector<int> actual[] = {row(rows.L, D), row(rows.R, D), Lp, Rp};
        for (int k = 0; k < 4; ++k) ASSERT_EQ(naive[k], actual[k]) << where << " row " << p << " table " << k;
    };
    for (int g = 0; g < index.genomeCount(); ++g)
        for (const ChromIndex& ref : index.genome(g))
            for (int i = 1; i <= ref.length; ++i) {
                walk.moveLeftBorder(ref, i);
                const std::vector<int> rank = naiveRank(ref, i, index.alphabetSize());
                for (int j = i; walk.grow(j, ref); j = walk.pattern().right + 1) {
                    const int c = walk.pattern().newChar;
                    walk.tables().absorb(index, c);
                    const std::string where =
                        scenario + " ref " + ref.name() + " i " + std::to_string(i) + " c " + std::to_string(c);
                    for (const ChromIndex& chrom : index.chromosomes())
                        for (int p = 1; p <= chrom.length; ++p)
                            if (chrom.genes[p] == c ? rng() % 4 != 0 : rng() % 8 == 0) {
                                const bool once = chrom.genes[p] == c && rng() % 2 == 0;
                                ASSERT_NO_FATAL_FAILURE(check(rank, chrom, p, once, where + " " + chrom.name()));
                            }
                }
            }
}

TEST(ReferenceWalk, RowsReadEqualDefinitions) {
    for (unsigned seed = 1; seed <= 4; ++seed)
        for (int D = 0; D <= 3; ++D) {
            std::mt19937 rng(seed);
            const int alphabet = 3 + static_cast<int>(seed % 4);
            GeneRows rows;
            for (int g = 0; g < 3; ++g) {
                rows.emplace_back();
                for (int c = 0, count = 1 + static_cast<int>(rng() % 2); c < count; ++c)
                    rows.back().push_back(
                        randomGenes(seed * 31 + g * 7 + c, 8 + static_cast<int>(rng() % 20), alphabet));
            }
            // A family in genome 2 only: absent from every other reference.
            rows[2][0].push_back(alphabet + 1);
            Indexed set(makeSet(rows, alphabet + 1), seed % 2 == 0);
            expectUpdatesEqualDefinitions(set.index, D, "seed " + std::to_string(seed) + " D " + std::to_string(D));
            expectGrowingPatternRowsEqualDefinitions(
                set.index, D, "growing, seed " + std::to_string(seed) + " D " + std::to_string(D));
        }
    // Every family on the first reference: absent ones must still rank above the last.
    Indexed whole(makeSet({{{1, 2, 3, 1, 4, 2, 4, 3}}, {{4, 3, 2, 1, 1, 3}}}, 4));
    expectUpdatesEqualDefinitions(whole.index, 2, "whole alphabet");
    expectGrowingPatternRowsEqualDefinitions(whole.index, 2, "growing, whole alphabet");
}

}  // namespace

// The interval count of a 66,000-gene chromosome passes the int range.
TEST(ReferenceWalk, SubstringCountOfALongChromosome) {
    Indexed set(makeSet({{randomGenes(1, 66000, 50)}}, 50), false);
    const std::string err = captured([&](FILE* stream) {
        tamsu::StatusPrinter status(stream, stream, tamsu::ProgressForm::none);
        Progress(status).beginRun(set.index, set.index.leadingGenomes(1));
    });
    EXPECT_EQ(0u, err.find("number of Substrings: 2178033000\n")) << err;
}

// Median and center runs through the driver on small random genome sets,
// checked against naive recomputations, and a sanity run on the bundled real
// data.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "entry/commInts.h"
#include "genomes/readGenomes.h"
#include "median/kTuples.h"
#include "testUtil.h"

namespace {

std::vector<int> sortedMedian(const kTuple& tuple) {
    std::vector<int> genes;
    for (const medianElement& e : tuple.median) genes.push_back(e.gene);
    std::sort(genes.begin(), genes.end());
    return genes;
}

// Runs the driver with its reports silenced.
std::unique_ptr<ResultArray> silentRun(SetOfSeqs& set, ParameterArray& params) {
    std::unique_ptr<ResultArray> result;
    quietly([&] { result = computeClusters(set, params); });
    return result;
}

// Every stored tuple lies on its chromosomes and carries the charge of its
// intervals within the budgets; the list is in gene-content order (p-values
// were all 1.0 when sorting, so equal content is adjacent); in center mode
// every survivor has a center.
void checkTuples(const SetOfSeqs& set, const ParameterArray& params, const kTupleList& list, const std::string& where) {
    EXPECT_EQ(list.k, set.genomeCount);
    const kTuple* previous = nullptr;
    for (const kTuple& tuple : list.tuples) {
        std::vector<std::set<int>> sets, rows;
        std::vector<bool> empty;
        for (int g = 0; g < set.genomeCount; ++g) {
            const kTupleInterval& iv = tuple.intervalArray[g];
            const Chromosome& chrom = set.genomes[g].chromosomes.at(iv.chr);
            ASSERT_TRUE(iv.l > iv.r || (1 <= iv.l && iv.r <= chrom.length)) << where;
            sets.push_back(genesIn(chrom, iv.l, iv.r));
            empty.push_back(iv.l > iv.r);
            if (iv.l <= iv.r) rows.push_back(sets.back());
        }
        EXPECT_EQ(tuple.totalDist, naiveTotalDist(sets, empty, params.maxSumDist / set.genomeCount)) << where;
        EXPECT_LE(tuple.totalDist, params.delta) << where;
        EXPECT_LE(std::count(empty.begin(), empty.end(), true), params.q) << where;
        EXPECT_GE(tuple.median.size(), 1u) << where;
        if (params.isCenter) {
            EXPECT_EQ(tuple.centerState, 2);
            EXPECT_NE(std::optional<bool>(false), hasCenter(rows, params.pwDelta)) << where;
        }
        EXPECT_EQ(tuple.geneContentArray, sortedMedian(tuple));
        if (previous != nullptr) {
            EXPECT_TRUE(previous->median.size() < tuple.median.size() ||
                        (previous->median.size() == tuple.median.size() &&
                         previous->geneContentArray <= tuple.geneContentArray))
                << where;
        }
        previous = &tuple;
    }
}

TEST(MedianCenterRun, ResultsAgreeWithNaiveRecomputation) {
    // Small enough budgets and large enough alphabets that random genomes
    // give hundreds, not millions, of tuples.
    const struct {
        char mode;
        int delta, s, quorum;  // quorum -1: none
        char qtype;
        int genomeCount, alphabet;
    } queries[] = {
        {'m', 1, 2, -1, '?', 3, 8},  {'m', 2, 3, -1, '?', 4, 8},  {'m', 2, 3, 3, 'z', 4, 10},
        {'m', 2, 3, 2, 'r', 3, 8},   {'m', 1, 2, 2, 's', 3, 8},   {'c', 1, 3, -1, '?', 4, 16},
        {'c', 1, 3, 3, 'z', 4, 16},  {'c', 2, 5, -1, '?', 3, 16},
    };
    TempDir dir;
    int tuplesChecked = 0;
    for (unsigned seed = 1; seed <= 16; ++seed) {
        const auto& q = queries[seed % 8];
        std::vector<std::vector<std::vector<int>>> rows;
        for (int g = 0; g < q.genomeCount; ++g) {
            rows.push_back({randomGenes(seed * 101 + g, 15 + (seed * 7 + g * 5) % 16, q.alphabet)});
            if ((seed + g) % 3 == 0) rows.back().push_back(randomGenes(seed * 103 + g, 6, q.alphabet));
        }
        auto set = makeSet(rows, q.alphabet);
        auto params = derivedParams(q.mode, q.delta, q.s, q.genomeCount, q.quorum, q.qtype, true, true, '?',
                                    dir.file("run.out"));
        auto result = silentRun(*set, *params);
        ASSERT_TRUE(result);
        checkTuples(*set, *params, *result->kTupleList, "seed " + std::to_string(seed));
        tuplesChecked += result->kTupleList->size();
    }
    EXPECT_GT(tuplesChecked, 50);

    // A single genome: every filter is its own cluster at distance 0.
    for (char mode : {'m', 'c'}) {
        auto set = makeSet({{{1, 2, 3, 1, 4}}});
        auto params = derivedParams(mode, 1, 2, 1, -1, '?', true, true, '?', dir.file("one.out"));
        auto result = silentRun(*set, *params);
        ASSERT_TRUE(result);
        EXPECT_GT(result->kTupleList->size(), 0) << mode;
        checkTuples(*set, *params, *result->kTupleList, std::string("single genome ") + mode);
        for (const kTuple& tuple : result->kTupleList->tuples) EXPECT_GE(tuple.median.size(), 2u);
    }
}

// Without "-q", center mode walks genome 0 only and no interval may be empty.
TEST(MedianCenterRun, CenterWithoutQuorumUsesOneReferenceGenome) {
    auto set = makeSet({{{1, 2, 3, 9}}, {{7, 1, 2, 3}}, {{1, 3, 2, 8}}}, 9);
    TempDir dir;
    auto params = derivedParams('c', 1, 3, 3, -1, '?', true, true, '?', dir.file("run.out"));
    EXPECT_EQ(params->q, 0);
    std::unique_ptr<ResultArray> result;
    const std::string err = stderrOf([&] { stdoutOf([&] { result = computeClusters(*set, *params); }); });
    ASSERT_TRUE(result);
    EXPECT_NE(err.find("refGenomeCount: 1, q: 0, K; 3\n"), std::string::npos);
    ASSERT_GT(result->kTupleList->size(), 0);
    EXPECT_EQ(sortedMedian(result->kTupleList->tuples.front()), (std::vector<int>{1, 2, 3}));
    checkTuples(*set, *params, *result->kTupleList, "center without quorum");
}

// Sanity run on the bundled real data in median mode. The enumeration costs
// grow with the square of the total gene count, so the run takes the two
// smallest chromosomes of the example (about 4400 genes) to stay quick.
TEST(MedianCenterRun, RealExampleMedianMode) {
    TempDir dir;
    copyInto(TAMSU_EXAMPLES "/ncbi_cog5/annotation.txt", dir.path(), "annotation.txt");
    writeFile(dir.file("two.txt"),
              "SOURCE: annotation.txt\n"
              "Legionella_pneumophila_Philadelphia1:Legionella_pneumophila_Philadelphia1_chr\n"
              "Thermoplasma_acidophilum_DSM1728:Thermoplasma_acidophilum_DSM1728_chr\n");
    std::unique_ptr<SetOfSeqs> set;
    stdoutOf([&] { set = readGenomes(dir.file("two.txt")); });
    ASSERT_EQ(set->genomeCount, 2);
    auto params = derivedParams('m', 1, 5, 2, 2, 'z', true, true, '?', dir.file("two.out"));
    auto result = silentRun(*set, *params);
    ASSERT_TRUE(result);
    const kTupleList& list = *result->kTupleList;
    EXPECT_GT(list.size(), 10);
    EXPECT_GT(result->filterCount, 0);
    EXPECT_GE(result->distinctKTupleCount, list.size());
    EXPECT_EQ(result->optimalMedianCount, list.size());
    checkTuples(*set, *params, list, "example");
    for (const kTuple& tuple : list.tuples) {
        EXPECT_GE(tuple.median.size(), 5u);
        for (const kTupleInterval& iv : tuple.intervalArray) EXPECT_LE(iv.l, iv.r);
    }
}

}  // namespace

// Median and center runs through the driver on small random genome sets,
// checked against naive recomputations, and a sanity run on the bundled real
// data.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "center/centerCheck.h"
#include "entry/commInts.h"
#include "filters/computeClusterFiltersLnR.h"
#include "genomes/readGenomes.h"
#include "index/initDatastructures.h"
#include "median/kTuples.h"
#include "params/parameterArray.h"
#include "testUtil.h"

namespace {

struct Query {
    char mode;
    int delta;
    int s;
    int quorum;  // -1: none
    char qtype;
    int genomeCount;
    int alphabet;
};

std::unique_ptr<ParameterArray> queryParams(const Query& query, int genomeCount, const std::string& outfile,
                                            bool useNUM = true, bool useLR = true) {
    const bool hasQuorum = query.quorum > 0;
    auto params = initParameterArray(query.delta, query.s, 0.0, query.mode == 'c', useNUM, useLR, hasQuorum,
                                     query.quorum, hasQuorum ? query.qtype : '?', query.mode, outfile, false, '?');
    setDerivedParameters(*params, genomeCount);
    return params;
}

std::unique_ptr<SetOfSeqs> randomSet(unsigned seed, int genomeCount, int alphabet) {
    std::vector<std::vector<std::vector<int>>> rows;
    for (int g = 0; g < genomeCount; ++g) {
        std::vector<std::vector<int>> chroms{randomGenes(seed * 101 + g, 15 + (seed * 7 + g * 5) % 16, alphabet)};
        if ((seed + g) % 3 == 0) chroms.push_back(randomGenes(seed * 103 + g, 6, alphabet));
        rows.push_back(chroms);
    }
    return makeSet(rows, alphabet);
}

std::set<int> geneSet(const SetOfSeqs& set, int g, const kTupleInterval& iv) {
    std::set<int> genes;
    if (iv.l > iv.r) return genes;
    const Chromosome& ch = set.genomes[g].chromosomes[iv.chr];
    for (int p = iv.l; p <= iv.r; ++p) genes.insert(ch.genes[p]);
    return genes;
}

// The charge of a tuple as the search accumulates it genome by genome: the
// summed distance of the gene sets to their majority median over all k
// genomes, where a genome without occurrence pays the flat cost instead of
// the majority genes it lacks at its depth.
int naiveTotalDist(const SetOfSeqs& set, const ParameterArray& params, const kTuple& tuple) {
    const int k = set.genomeCount;
    std::map<int, int> occ;
    int total = 0;
    for (int g = 0; g < k; ++g) {
        const kTupleInterval& iv = tuple.intervalArray[g];
        if (iv.l > iv.r) {
            total += params.maxSumDist / k;
            for (const auto& [gene, count] : occ)
                if (2 * count > g) --total;
            continue;
        }
        for (int gene : geneSet(set, g, iv)) ++occ[gene];
    }
    for (const auto& [gene, count] : occ) total += std::min(count, k - count);
    return total;
}

// Whether some gene set lies within pwDelta of every non-empty interval's
// gene set; nullopt when the union is too large to try every subset.
std::optional<bool> hasCenter(const SetOfSeqs& set, const kTuple& tuple, int pwDelta) {
    std::vector<std::set<int>> rows;
    std::set<int> unionSet;
    for (int g = 0; g < set.genomeCount; ++g) {
        if (tuple.intervalArray[g].l > tuple.intervalArray[g].r) continue;
        rows.push_back(geneSet(set, g, tuple.intervalArray[g]));
        unionSet.insert(rows.back().begin(), rows.back().end());
    }
    if (unionSet.size() > 16) return std::nullopt;
    std::vector<int> genes(unionSet.begin(), unionSet.end());
    for (unsigned mask = 0; mask < (1u << genes.size()); ++mask) {
        bool within = true;
        for (const std::set<int>& row : rows) {
            int distance = 0;
            for (size_t i = 0; i < genes.size(); ++i)
                distance += ((mask >> i) & 1u) != static_cast<unsigned>(row.count(genes[i]));
            if (distance > pwDelta) {
                within = false;
                break;
            }
        }
        if (within) return true;
    }
    return false;
}

std::vector<int> sortedMedian(const kTuple& tuple) {
    std::vector<int> genes;
    for (const medianElement& e : tuple.median) genes.push_back(e.gene);
    std::sort(genes.begin(), genes.end());
    return genes;
}

// Runs the driver with its reports silenced; the statistics file goes to dir.
std::unique_ptr<ResultArray> silentRun(SetOfSeqs& set, ParameterArray& params) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto result = computeClusters(set, params);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return result;
}

using TupleKey = std::vector<std::tuple<int, int, int>>;

std::vector<std::pair<TupleKey, int>> keysOf(const kTupleList& list) {
    std::vector<std::pair<TupleKey, int>> keys;
    for (const kTuple& tuple : list.tuples) {
        TupleKey key;
        for (const kTupleInterval& iv : tuple.intervalArray) key.emplace_back(iv.chr, iv.l, iv.r);
        keys.emplace_back(key, tuple.totalDist);
    }
    return keys;
}

// Small enough budgets and large enough alphabets that random genomes give
// hundreds, not millions, of tuples.
const Query kQueries[] = {
    {'m', 1, 2, -1, '?', 3, 8},  {'m', 2, 3, -1, '?', 4, 8},  {'m', 2, 3, 3, 'z', 4, 10},
    {'m', 2, 3, 2, 'r', 3, 8},   {'m', 1, 2, 2, 's', 3, 8},   {'c', 1, 3, -1, '?', 4, 16},
    {'c', 1, 3, 3, 'z', 4, 16},  {'c', 2, 5, -1, '?', 3, 16},
};

}  // namespace

// Every stored tuple carries the charge of its intervals; the final list is in
// gene-content order; in center mode every survivor has a center.
TEST(MedianCenterRun, ResultsAgreeWithNaiveRecomputation) {
    TempDir dir;
    int tuplesChecked = 0;
    for (unsigned seed = 1; seed <= 16; ++seed) {
        const Query& query = kQueries[seed % 8];
        const int genomeCount = query.genomeCount;
        auto set = randomSet(seed, genomeCount, query.alphabet);
        auto params = queryParams(query, genomeCount, dir.file("run.out"));
        auto result = silentRun(*set, *params);
        ASSERT_TRUE(result);
        const kTupleList& list = *result->kTupleList;
        EXPECT_EQ(list.k, genomeCount);
        const kTuple* previous = nullptr;
        for (const kTuple& tuple : list.tuples) {
            EXPECT_EQ(tuple.totalDist, naiveTotalDist(*set, *params, tuple)) << "seed " << seed;
            EXPECT_LE(tuple.totalDist, params->delta);
            EXPECT_GE(static_cast<int>(tuple.median.size()), 1);
            int empties = 0;
            for (const kTupleInterval& iv : tuple.intervalArray) empties += iv.l > iv.r;
            EXPECT_LE(empties, params->q);
            if (params->isCenter) {
                EXPECT_EQ(tuple.centerState, 2);
                std::optional<bool> center = hasCenter(*set, tuple, params->pwDelta);
                if (center) {
                    EXPECT_TRUE(*center) << "seed " << seed;
                }
            }
            // Sorted by size, then genes (p-values were all 1.0 when sorting):
            // equal gene content is adjacent.
            if (previous != nullptr) {
                EXPECT_TRUE(previous->median.size() < tuple.median.size() ||
                            (previous->median.size() == tuple.median.size() &&
                             sortedMedian(*previous) <= sortedMedian(tuple)))
                    << "seed " << seed;
            }
            EXPECT_EQ(tuple.geneContentArray, sortedMedian(tuple));
            previous = &tuple;
            ++tuplesChecked;
        }
    }
    EXPECT_GT(tuplesChecked, 50);
}

// The driver's center step, run by hand: the center test removes exactly the
// tuples without a center.
TEST(MedianCenterRun, CenterCheckRemovesExactlyTuplesWithoutCenter) {
    int passed = 0, failed = 0;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const Query& query = kQueries[5 + seed % 3];
        const int genomeCount = query.genomeCount;
        auto set = randomSet(seed + 40, genomeCount, query.alphabet);
        TempDir dir;
        auto params = queryParams(query, genomeCount, dir.file("run.out"));
        auto result = initResultArray(*set);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        initDataStructures(*set, *params);
        ASSERT_TRUE(computeFiltersAlg3(*set, *params, *result));
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        kTupleList& list = *result->kTupleList;
        countRefBased_kTuples(&list, *set);
        check_center_condition(&list, *set, params->pwDelta);
        std::vector<std::pair<TupleKey, int>> expectedSurvivors;
        for (const kTuple& tuple : list.tuples) {
            std::optional<bool> center = hasCenter(*set, tuple, params->pwDelta);
            ASSERT_TRUE(center.has_value());
            EXPECT_EQ(tuple.centerState, *center ? 2 : 1) << "seed " << seed;
            ++(*center ? passed : failed);
            if (*center) {
                TupleKey key;
                for (const kTupleInterval& iv : tuple.intervalArray) key.emplace_back(iv.chr, iv.l, iv.r);
                expectedSurvivors.emplace_back(key, tuple.totalDist);
            }
        }
        remove_NonCenter_kTuples(&list);
        EXPECT_EQ(keysOf(list), expectedSurvivors);
    }
    // Both verdicts occur, so the comparison means something.
    EXPECT_GT(passed, 0);
    EXPECT_GT(failed, 0);
}

// The same answer with and without the NUM table, and with "-noLR" (the
// border tables are kept anyway in these modes).
TEST(MedianCenterRun, SpaceOptionsDoNotChangeTheResult) {
    TempDir dir;
    for (unsigned seed = 3; seed <= 8; ++seed) {
        const Query& query = kQueries[seed % 8];
        const int genomeCount = query.genomeCount;
        std::vector<std::vector<std::pair<TupleKey, int>>> answers;
        for (int variant = 0; variant < 3; ++variant) {
            auto set = randomSet(seed, genomeCount, query.alphabet);
            auto params = queryParams(query, genomeCount, dir.file("run.out"), variant != 1, variant != 2);
            auto result = silentRun(*set, *params);
            ASSERT_TRUE(result);
            answers.push_back(keysOf(*result->kTupleList));
        }
        EXPECT_EQ(answers[0], answers[1]) << "seed " << seed << " without NUM";
        EXPECT_EQ(answers[0], answers[2]) << "seed " << seed << " without LR";
    }
}

// Without "-q", center mode walks genome 0 only and no interval may be empty.
TEST(MedianCenterRun, CenterWithoutQuorumUsesOneReferenceGenome) {
    auto set = makeSet({{{1, 2, 3, 9}}, {{7, 1, 2, 3}}, {{1, 3, 2, 8}}}, 9);
    TempDir dir;
    auto params = queryParams({'c', 1, 3, -1, '?', 3, 9}, 3, dir.file("run.out"));
    EXPECT_EQ(params->q, 0);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto result = computeClusters(*set, *params);
    testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(result);
    EXPECT_NE(err.find("refGenomeCount: 1, q: 0, K; 3\n"), std::string::npos);
    ASSERT_GT(result->kTupleList->size(), 0);
    const kTuple& first = result->kTupleList->tuples.front();
    EXPECT_EQ(sortedMedian(first), (std::vector<int>{1, 2, 3}));
    for (const kTuple& tuple : result->kTupleList->tuples)
        for (const kTupleInterval& iv : tuple.intervalArray) EXPECT_LE(iv.l, iv.r);
}

// A single genome: every filter is its own cluster at distance 0.
TEST(MedianCenterRun, SingleGenome) {
    for (char mode : {'m', 'c'}) {
        auto set = makeSet({{{1, 2, 3, 1, 4}}});
        TempDir dir;
        auto params = queryParams({mode, 1, 2, -1, '?', 1, 4}, 1, dir.file("run.out"));
        auto result = silentRun(*set, *params);
        ASSERT_TRUE(result);
        EXPECT_GT(result->kTupleList->size(), 0) << mode;
        for (const kTuple& tuple : result->kTupleList->tuples) {
            EXPECT_EQ(tuple.totalDist, 0);
            EXPECT_GE(static_cast<int>(tuple.median.size()), 2);
        }
    }
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
    testing::internal::CaptureStdout();
    std::unique_ptr<SetOfSeqs> set = readGenomes(dir.file("two.txt"));
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(set->genomeCount, 2);
    auto params = queryParams({'m', 1, 5, 2, 'z', 2, 0}, set->genomeCount, dir.file("two.out"));
    auto result = silentRun(*set, *params);
    ASSERT_TRUE(result);
    const kTupleList& list = *result->kTupleList;
    EXPECT_GT(list.size(), 10);
    EXPECT_GT(result->filterCount, 0);
    EXPECT_GE(result->distinctKTupleCount, list.size());
    EXPECT_EQ(result->optimalMedianCount, list.size());
    const kTuple* previous = nullptr;
    for (const kTuple& tuple : list.tuples) {
        EXPECT_EQ(tuple.totalDist, naiveTotalDist(*set, *params, tuple));
        EXPECT_LE(tuple.totalDist, 1);
        EXPECT_GE(static_cast<int>(tuple.median.size()), 5);
        ASSERT_EQ(static_cast<int>(tuple.intervalArray.size()), 2);
        for (int g = 0; g < 2; ++g) {
            const kTupleInterval& iv = tuple.intervalArray[g];
            ASSERT_LE(iv.l, iv.r);
            const Chromosome& ch = set->genomes[g].chromosomes[iv.chr];
            EXPECT_GE(iv.l, 1);
            EXPECT_LE(iv.r, ch.length);
        }
        if (previous != nullptr) {
            EXPECT_TRUE(previous->median.size() < tuple.median.size() ||
                        (previous->median.size() == tuple.median.size() &&
                         sortedMedian(*previous) <= sortedMedian(tuple)));
        }
        previous = &tuple;
    }
}

// Genome set: zero conversion, recoding by first appearance and the genome
// statistics print. Sets built from raw identifiers pass alphabet size 0 to
// makeSet: the identifiers are not codes yet, and recoding sets the real size.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "genomes/setOfSeqs.h"
#include "testUtil.h"

namespace {

std::vector<int> genesOf(const Chromosome& chrom) {
    return std::vector<int>(chrom.genes.begin() + 1, chrom.genes.end() - 1);
}

TEST(Recoding, ZerosBecomeFreshFamiliesAndCodesFollowFirstAppearance) {
    auto set = makeSet({{{1, 2, 0}}, {{2, 0, 3}}});
    convertZerosToUniqueGenes(*set);
    EXPECT_EQ((std::vector<int>{1, 2, 4}), genesOf(set->genomes[0].chromosomes[0]));
    EXPECT_EQ((std::vector<int>{2, 5, 3}), genesOf(set->genomes[1].chromosomes[0]));
    completeSetOfSeqs(*set);
    EXPECT_EQ(5, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 5, 3}), set->codingTable);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), genesOf(set->genomes[0].chromosomes[0]));
    EXPECT_EQ((std::vector<int>{2, 4, 5}), genesOf(set->genomes[1].chromosomes[0]));

    auto twice = makeSet({{{5, 5, 6}}});
    twice->alphabetSize = computeAlphabetSize(*twice);
    EXPECT_EQ(2, renumberChars(*twice));
    EXPECT_EQ((std::vector<int>{0, 5, 6}), twice->codingTable);
}

TEST(Recoding, WalkGoesThroughChromosomesInOrderAndSkipsSentinels) {
    auto set = makeSet({{{90, 0}, {}, {7, 90}}, {{0, 7, 1000000}}}, 0);
    convertZerosToUniqueGenes(*set);
    EXPECT_EQ((std::vector<int>{90, 1000001}), genesOf(set->genomes[0].chromosomes[0]));
    EXPECT_EQ((std::vector<int>{1000002, 7, 1000000}), genesOf(set->genomes[1].chromosomes[0]));
    EXPECT_EQ(5, computeAlphabetSize(*set));
    completeSetOfSeqs(*set);
    EXPECT_EQ(5, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{0, 90, 1000001, 7, 1000002, 1000000}), set->codingTable);
    EXPECT_EQ((std::vector<int>{1, 2}), genesOf(set->genomes[0].chromosomes[0]));
    // The empty chromosome keeps its two sentinels and adds nothing.
    EXPECT_EQ((std::vector<int>{0, 0}), set->genomes[0].chromosomes[1].genes);
    EXPECT_EQ((std::vector<int>{0, 3, 1, 0}), set->genomes[0].chromosomes[2].genes);
    EXPECT_EQ((std::vector<int>{4, 3, 5}), genesOf(set->genomes[1].chromosomes[0]));
}

TEST(Recoding, IdentifiersAtTheTopOfTheIntRange) {
    auto set = makeSet({{{2147483646, 0}}, {{2147483646}}}, 0);
    convertZerosToUniqueGenes(*set);
    completeSetOfSeqs(*set);
    EXPECT_EQ(2, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{0, 2147483646, 2147483647}), set->codingTable);

    auto beyond = makeSet({{{2147483646, 0}}, {{0}}}, 0);
    EXPECT_EQ("error: 2 genes without homologue need fresh identifiers above 2147483646, beyond the integer "
              "range\n",
              errorOf([&] { convertZerosToUniqueGenes(*beyond); }));
}

TEST(Recoding, ManyDistinctIdentifiers) {
    // More families than any fixed table of the old reader could hold.
    std::vector<int> genes;
    for (int i = 0; i < 150000; ++i) genes.push_back(INT_MAX - 2 * i);
    auto set = makeSet({{genes, {genes[149999], genes[0]}}}, 0);
    completeSetOfSeqs(*set);
    EXPECT_EQ(150000, set->alphabetSize);
    EXPECT_EQ(INT_MAX, set->codingTable[1]);
    EXPECT_EQ(150000, set->genomes[0].chromosomes[0].genes[150000]);
    EXPECT_EQ((std::vector<int>{150000, 1}), genesOf(set->genomes[0].chromosomes[1]));
}

TEST(GenomeStatistics, ExactText) {
    auto set = makeSet({{std::vector<int>(10, 1), std::vector<int>(5, 2)}, {{3}}, {}});
    set->genomes[0].name = "Escherichia";
    set->genomes[1].name = "Bacillus";
    set->genomes[2].name = "Empty";
    EXPECT_EQ("\n\t*** genomes statistics: ***\n"
              "\tgenome count:\t\t3\n"
              "\talphabet size:\t\t3\n"
              "\tlist of genomes:\n"
              "\t* Escherichia (10 + 5 genes)\n"
              "\t* Bacillus (1 genes)\n"
              "\t* Empty \n",
              captured([&](FILE* f) { fprintf_genomeStatistics(f, *set); }));
}

}  // namespace

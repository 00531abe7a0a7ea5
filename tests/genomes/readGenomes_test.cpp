// The genome list and annotation reader, in process: layout of both files,
// what lands in which chromosome, the stdout lines, and every input error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "genomes/readGenomes.h"
#include "index/initDatastructures.h"
#include "readerTestUtil.h"
#include "testUtil.h"

namespace {

std::vector<int> genesOf(const Chromosome& chrom) {
    return std::vector<int>(chrom.genes.begin() + 1, chrom.genes.end() - 1);
}

// Identifiers as read (through the coding table) of a chromosome.
std::vector<int> idsOf(const SetOfSeqs& set, const Chromosome& chrom) {
    std::vector<int> ids;
    for (int p = 1; p <= chrom.length; ++p) ids.push_back(set.codingTable[chrom.genes[p]]);
    return ids;
}

std::string geneLine(int id, const std::string& tag = "t") { return std::to_string(id) + "\t+\tE\t" + tag + "\tann\n"; }

// A block: header, title line, gene lines, closing empty line.
std::string block(const std::string& header, const std::vector<int>& ids) {
    std::string text = header + "\nfamily\tstrand\tcategory\tlocus_tag\tannotation\n";
    for (int id : ids) text += geneLine(id);
    return text + "\n";
}

class ReadGenomes : public testing::Test {
protected:
    // Writes list.txt and ann.txt into the scratch folder; returns the list path.
    std::string write(const std::string& list, const std::string& annotation) {
        writeFile(dir.file("list.txt"), list);
        writeFile(dir.file("ann.txt"), annotation);
        return dir.file("list.txt");
    }
    std::string source() const { return "SOURCE: " + dir.file("ann.txt") + "\n"; }

    std::unique_ptr<SetOfSeqs> read(const std::string& path) {
        std::unique_ptr<SetOfSeqs> set;
        out = stdoutOf([&] { set = readGenomes(path); });
        return set;
    }

    TempDir dir;
    std::string out;
};

}  // namespace

TEST_F(ReadGenomes, SmallListWithStdoutLines) {
    std::string list = write(source() + "G1:chr1,plasmid\nG2: chrA\n",
                             block("chr1, Escherichia coli chromosome", {1, 2, 0}) + block("plasmid", {}) +
                                 block("chrA", {2, 0, 3}));
    auto set = read(list);
    EXPECT_EQ("\nparsing input file: \"" + list + "\"\nreading genomes file: \"" + dir.file("ann.txt") + "\"\n", out);
    ASSERT_EQ(2, set->genomeCount);
    EXPECT_EQ("G1", set->genomes[0].name);
    EXPECT_EQ(0, set->genomes[0].number);
    EXPECT_EQ(1, set->genomes[1].number);
    ASSERT_EQ(2, set->genomes[0].chromosomeCount);
    EXPECT_EQ("chr1", set->genomes[0].chromosomes[0].name);
    EXPECT_EQ("plasmid", set->genomes[0].chromosomes[1].name);
    EXPECT_EQ(1, set->genomes[0].chromosomes[1].number);
    EXPECT_EQ(0, set->genomes[0].chromosomes[1].length);
    EXPECT_EQ("chrA", set->genomes[1].chromosomes[0].name);
    // Zeros become 4 and 5, then codes follow first appearance.
    EXPECT_EQ(5, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 5, 3}), set->codingTable);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), genesOf(set->genomes[0].chromosomes[0]));
    EXPECT_EQ((std::vector<int>{2, 4, 5}), genesOf(set->genomes[1].chromosomes[0]));
}

TEST_F(ReadGenomes, SourceLineLayout) {
    write("", block("c", {7}));
    // Blanks after the ':' are dropped; leading ':' before the keyword are skipped.
    writeFile(dir.file("list.txt"), "::SOURCE:    " + dir.file("ann.txt") + "\nG:c\n");
    auto set = read(dir.file("list.txt"));
    EXPECT_EQ((std::vector<int>{7}), idsOf(*set, set->genomes[0].chromosomes[0]));
}

TEST_F(ReadGenomes, EmptyListLinesIgnoredButCarriageReturnLineIsAGenome) {
    std::string list = write(source() + "\nG1:c\n\n\nG2:c\n\n", block("c", {1}));
    auto set = read(list);
    EXPECT_EQ(2, set->genomeCount);
    EXPECT_EQ("G2", set->genomes[1].name);

    writeFile(list, source() + "G1:c\n\r\nG2:c\n");
    EXPECT_EQ("error: genome \"\r\" in line 3 of \"" + list + "\" lists no chromosome\n",
              errorOf([&] { readGenomes(list); }));
}

TEST_F(ReadGenomes, SharedChromosomeNameAndLaterDuplicateBlock) {
    std::string list = write(source() + "G1:x,y\nG2:   y\n",
                             block("y", {1, 2}) + block("x", {3}) + block("y", {4, 5, 6}));
    auto set = read(list);
    EXPECT_EQ((std::vector<int>{3}), idsOf(*set, set->genomes[0].chromosomes[0]));
    EXPECT_EQ((std::vector<int>{4, 5, 6}), idsOf(*set, set->genomes[0].chromosomes[1]));
    EXPECT_EQ((std::vector<int>{4, 5, 6}), idsOf(*set, set->genomes[1].chromosomes[0]));
    // The earlier block of y left no trace in the alphabet.
    EXPECT_EQ(4, set->alphabetSize);
}

TEST_F(ReadGenomes, AnnotationLayout) {
    std::string annotation =
        "# comment line\n"
        "123 begins with a digit\n"
        "other, not listed\n"
        "title\n"
        "9\t+\tE\tt\ta\n"
        "\n"
        "chr1, more words, here\n"
        "family\tstrand\n"
        "-17\t+\tE\tb1\tfirst\n"
        "4\t-\tK\n"
        "abc\t+\tE\tb3\tthird\n"
        "\r\n"
        "stray line after the block\n"
        "chr2\n"
        "title\n"
        "8\t+\tE\tb9\tlast";  // ends at the end of the file without an empty line
    std::string list = write(source() + "G:chr1,chr2\n", annotation);
    auto set = read(list);
    EXPECT_EQ("\nparsing input file: \"" + list + "\"\nreading genomes file: \"" + dir.file("ann.txt") + "\"\n" +
                  "no locusTag at line 1 in \"4\"no annotation at line 1 in \"4\"",
              out);
    const Chromosome& chr1 = set->genomes[0].chromosomes[0];
    ASSERT_EQ(3, chr1.length);
    // -17 is 17; "abc" reads 0 and becomes a fresh family 18.
    EXPECT_EQ((std::vector<int>{17, 4, 18}), idsOf(*set, chr1));
    EXPECT_EQ("", chr1.locusTags[2]);
    EXPECT_EQ("", chr1.annotations[2]);
    EXPECT_EQ('K', chr1.fcats[2]);
    EXPECT_EQ("third", chr1.annotations[3]);
    const Chromosome& chr2 = set->genomes[0].chromosomes[1];
    ASSERT_EQ(1, chr2.length);
    EXPECT_EQ((std::vector<int>{8}), idsOf(*set, chr2));
    EXPECT_EQ("last", chr2.annotations[1]);
}

TEST_F(ReadGenomes, LongLinesAreReadWhole) {
    std::string longAnnotation(6000, 'x');
    std::string names;
    for (int c = 0; c < 600; ++c) names += (c ? "," : "") + std::string("contig_") + std::to_string(c);
    std::string annotation = block("contig_0", {1}) + "contig_599\ntitle\n1\t+\tE\ttag\t" + longAnnotation +
                             "\n2\t+\tE\ttag2\tshort\n\n";
    for (int c = 1; c < 599; ++c) annotation += block("contig_" + std::to_string(c), {});
    std::string list = write(source() + "G:" + names + "\n", annotation);
    auto set = read(list);
    ASSERT_EQ(600, set->genomes[0].chromosomeCount);
    const Chromosome& last = set->genomes[0].chromosomes[599];
    EXPECT_EQ("contig_599", last.name);
    ASSERT_EQ(2, last.length);
    EXPECT_EQ(longAnnotation, last.annotations[1]);
    EXPECT_EQ("tag2", last.locusTags[2]);
}

TEST_F(ReadGenomes, MoreThanOneHundredThousandGeneLinesAndManyGenomes) {
    const int n = 100005;
    std::string annotation = block("small", {1}) + "big\ntitle\n";
    annotation.reserve(static_cast<size_t>(n) * 16);
    for (int i = 1; i <= n; ++i) annotation += std::to_string(i % 1000) + "\t+\tE\tt\ta\n";
    std::string list = source() + "genome0:big\n";
    for (int g = 1; g < 150; ++g) list += "genome" + std::to_string(g) + ":small\n";
    auto set = read(write(list, annotation));
    ASSERT_EQ(150, set->genomeCount);
    EXPECT_EQ("genome149", set->genomes[149].name);
    ASSERT_EQ(n, set->genomes[0].chromosomes[0].length);
    EXPECT_EQ(1, set->genomes[149].chromosomes[0].length);
    // Families 1..999 plus one fresh family per gene 0 (i % 1000 == 0).
    EXPECT_EQ(999 + 100, set->alphabetSize);
    EXPECT_EQ(1000, set->codingTable[set->genomes[0].chromosomes[0].genes[1000]]);
}

TEST_F(ReadGenomes, IdentifiersNearTheTopOfTheIntRange) {
    auto set = read(write(source() + "G:c\n", block("c", {2147483647, -2147483647, 5})));
    EXPECT_EQ(2, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{2147483647, 2147483647, 5}), idsOf(*set, set->genomes[0].chromosomes[0]));

    std::string list = write(source() + "G:c\n", block("c", {2147483647, 0}));
    EXPECT_EQ("error: 1 genes without homologue need fresh identifiers above 2147483647, beyond the integer range\n",
              errorOf([&] { readGenomes(list); }));

    write(source() + "G:c\n", "c\ntitle\n1\t+\tE\tt\ta\n-2147483648\t+\tE\tt\ta\n");
    EXPECT_EQ("error: gene identifier \"-2147483648\" at line 4 of \"" + dir.file("ann.txt") +
                  "\" is outside the integer range\n",
              errorOf([&] { readGenomes(list); }));
}

TEST_F(ReadGenomes, RelativeAnnotationPathIsFoundBesideTheList) {
    writeFile(dir.file("list.txt"), "SOURCE: ann_beside_the_list.txt\nG:c\n");
    writeFile(dir.file("ann_beside_the_list.txt"), block("c", {3, 4}));
    auto set = read(dir.file("list.txt"));
    EXPECT_EQ("\nparsing input file: \"" + dir.file("list.txt") + "\"\nreading genomes file: \"" +
                  dir.file("ann_beside_the_list.txt") + "\"\n",
              out);
    EXPECT_EQ(2, set->genomes[0].chromosomes[0].length);
}

TEST_F(ReadGenomes, ErrorsOfTheList) {
    const std::string list = dir.file("list.txt");
    EXPECT_EQ("Can't open genome list file: \"" + list + "\"\n", errorOf([&] { readGenomes(list); }));

    write("", block("c", {1}));
    EXPECT_EQ("Empty genome list file:\"" + list + "\"!\n", errorOf([&] { readGenomes(list); }));

    for (const std::string first : {"SOURCES: ann.txt\n", "source: ann.txt\n", "G:c\n", "SOURCE ann.txt\n"}) {
        writeFile(list, first + "G:c\n");
        EXPECT_EQ("No source file for sequences given in input file \"" + list + "\"!\n",
                  errorOf([&] { readGenomes(list); }))
            << first;
    }

    for (const std::string first : {"SOURCE:\n", "SOURCE:    \n", "SOURCE"}) {
        writeFile(list, first + "\nG:c\n");
        EXPECT_EQ("error: no annotation file path after \"SOURCE:\" in line 1 of \"" + list + "\"\n",
                  errorOf([&] { readGenomes(list); }))
            << first;
    }

    writeFile(list, source() + "\n\n");
    EXPECT_EQ("error: no genome listed in \"" + list + "\"\n", errorOf([&] { readGenomes(list); }));

    writeFile(list, source() + "G:c\n:::\n");
    EXPECT_EQ("No name for genome \"" + list + "\" given!", errorOf([&] { readGenomes(list); }));

    writeFile(list, source() + "G:c\nH\n");
    EXPECT_EQ("error: genome \"H\" in line 3 of \"" + list + "\" lists no chromosome\n",
              errorOf([&] { readGenomes(list); }));

    for (const std::string line : {"g:a,,c", "g:c,", "g:", "g:c, ,c"}) {
        writeFile(list, source() + "\nG:c\n" + line + "\n");
        EXPECT_EQ("error: empty chromosome name for genome \"g\" in line 4 of \"" + list + "\"\n",
                  errorOf([&] { readGenomes(list); }))
            << line;
    }
}

TEST_F(ReadGenomes, ErrorsOfTheAnnotationFile) {
    std::string list = write(source() + "G:c\n", block("c", {1}));
    writeFile(list, "SOURCE: " + dir.file("missing.txt") + "\nG:c\n");
    EXPECT_EQ("Can't open sequence file \"" + dir.file("missing.txt") + "\"\n", errorOf([&] { readGenomes(list); }));

    // Nothing else (no "not set" report) precedes the error of a listed
    // chromosome without a block.
    writeFile(list, source() + "G:c\nH:c,X\n");
    std::string printed;
    try {
        printed = stdoutOf([&] { readGenomes(list); });
        ADD_FAILURE() << "no error";
    } catch (const TamsuError& error) {
        EXPECT_EQ(stderr, error.stream());
        EXPECT_EQ("error: chromosome \"X\" of genome \"H\" listed in \"" + list + "\" has no block in \"" +
                      dir.file("ann.txt") + "\"\n",
                  error.text());
    }
    SetOfSeqs set;
    set.genomeCount = 1;
    set.genomes.push_back(initGenome("G", 0, 1));
    set.genomes[0].chromosomes[0] = initChrom("X", 0);
    EXPECT_EQ("error: chromosome \"X\" of genome \"G\" has no block in \"" + dir.file("ann.txt") + "\"\n",
              errorOf([&] { readSequenceFile(dir.file("ann.txt"), set); }));
}

TEST(IsNameContained, ExactNamesOfAnyGenome) {
    auto set = makeSet({{{1}, {2}}, {{3}}});
    EXPECT_TRUE(isNameContained(*set, "G0c1"));
    EXPECT_TRUE(isNameContained(*set, "G1c0"));
    EXPECT_FALSE(isNameContained(*set, "G1c"));
    EXPECT_FALSE(isNameContained(*set, "G1c0 "));
}

TEST(ReadGenomesExample, BundledFiveGenomes) {
    TempDir dir;
    copyInto(TAMSU_EXAMPLES "/ncbi_cog5/genomes.txt", dir.path(), "genomes.txt");
    copyInto(TAMSU_EXAMPLES "/ncbi_cog5/annotation.txt", dir.path(), "annotation.txt");
    std::unique_ptr<SetOfSeqs> set;
    stdoutOf([&] { set = readGenomes(dir.file("genomes.txt")); });
    ASSERT_EQ(5, set->genomeCount);
    const std::vector<int> lengths = {4145, 4314, 2943, 4176, 1484};
    for (int g = 0; g < 5; ++g) {
        ASSERT_EQ(1, set->genomes[g].chromosomeCount);
        EXPECT_EQ(lengths[g], set->genomes[g].chromosomes[0].length);
    }
    EXPECT_EQ("Escherichia_coli_K12_MG1655", set->genomes[0].name);
    EXPECT_EQ(7179, set->alphabetSize);
    EXPECT_EQ(7180u, set->codingTable.size());
    EXPECT_EQ(1, set->genomes[0].chromosomes[0].genes[1]);
    EXPECT_EQ("b0001", set->genomes[0].chromosomes[0].locusTags[1]);

    ParameterArray params;
    params.delta = 3;
    params.maxOccDist = 3;
    params.useNUM = true;
    stdoutOf([&] { initDataStructures(*set, params); });
    int total = 0;
    for (const Genome& genome : set->genomes) {
        const Chromosome& chrom = genome.chromosomes[0];
        const int n = chrom.length;
        ASSERT_EQ(n + 2, chrom.NUM.rows());
        total += n;
        // The table and the scan agree on a sample of intervals.
        Chromosome scan;
        scan.prevOcc = chrom.prevOcc;
        for (int i = 1; i <= n + 1; i += 97)
            for (int j = i; j <= n + 1; j += 13) ASSERT_EQ(getNUM(scan, i, j), getNUM(chrom, i, j));
    }
    EXPECT_EQ(4145 + 4314 + 2943 + 4176 + 1484, total);
    int occurrences = 0;
    for (int c = 1; c <= set->alphabetSize; ++c) {
        EXPECT_GE(set->charOccStat[c], 1);
        EXPECT_LE(set->charOccStat[c], 5);
        occurrences += set->charOccStat[c];
    }
    EXPECT_EQ(0, set->charOccStat[0]);
    EXPECT_GE(occurrences, set->alphabetSize);
}

// The genome list and annotation reader: layout of both files, what lands in
// which chromosome, the stdout lines, every input error, inputs beyond the
// old fixed limits, and the bundled example.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "genomes/readGenomes.h"
#include "index/initDatastructures.h"
#include "testUtil.h"

namespace {

// Identifiers as read (through the coding table) of a chromosome.
std::vector<int> idsOf(const SetOfSeqs& set, const Chromosome& chrom) {
    std::vector<int> ids;
    for (int p = 1; p <= chrom.length; ++p) ids.push_back(set.codingTable[chrom.genes[p]]);
    return ids;
}

// A block: header, title line, gene lines, closing empty line.
std::string block(const std::string& header, const std::vector<int>& ids) {
    std::string text = header + "\nfamily\tstrand\tcategory\tlocus_tag\tannotation\n";
    for (int id : ids) text += std::to_string(id) + "\t+\tE\tt\tann\n";
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
    std::string header(const std::string& list, const std::string& ann) const {
        return "\nparsing input file: \"" + list + "\"\nreading genomes file: \"" + ann + "\"\n";
    }

    std::unique_ptr<SetOfSeqs> read(const std::string& path) {
        std::unique_ptr<SetOfSeqs> set;
        out = stdoutOf([&] { set = readGenomes(path); });
        return set;
    }

    TempDir dir;
    std::string out;
};

TEST_F(ReadGenomes, SmallListWithStdoutLines) {
    std::string list = write(source() + "G1:chr1,plasmid\nG2: chrA\n",
                             block("chr1, Escherichia coli chromosome", {1, 2, 0}) + block("plasmid", {}) +
                                 block("chrA", {2, 0, 3}));
    auto set = read(list);
    EXPECT_EQ(header(list, dir.file("ann.txt")), out);
    ASSERT_EQ(2, set->genomeCount);
    EXPECT_EQ("G2", set->genomes[1].name);
    EXPECT_EQ(1, set->genomes[1].number);
    ASSERT_EQ(2, set->genomes[0].chromosomeCount);
    const Chromosome& plasmid = set->genomes[0].chromosomes[1];
    EXPECT_EQ(std::tuple("plasmid", 1, 0), std::tuple(plasmid.name, plasmid.number, plasmid.length));
    // Zeros become 4 and 5, then codes follow first appearance.
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 5, 3}), set->codingTable);
    EXPECT_EQ((std::vector<int>{0, 2, 4, 5, 0}), set->genomes[1].chromosomes[0].genes);
    EXPECT_TRUE(isNameContained(*set, "chrA"));
    EXPECT_FALSE(isNameContained(*set, "chr"));
}

TEST_F(ReadGenomes, ListLayout) {
    // Leading ':' before the keyword and blanks after it are skipped; empty
    // lines are ignored.
    std::string list = write("::SOURCE:    " + dir.file("ann.txt") + "\n\nG1:c\n\n\nG2:c\n\n", block("c", {7}));
    auto set = read(list);
    ASSERT_EQ(2, set->genomeCount);
    EXPECT_EQ("G2", set->genomes[1].name);
    EXPECT_EQ((std::vector<int>{7}), idsOf(*set, set->genomes[1].chromosomes[0]));

    // A shared chromosome name reads the last block of that name.
    write(source() + "G1:x,y\nG2:   y\n", block("y", {1, 2}) + block("x", {3}) + block("y", {4, 5, 6}));
    set = read(list);
    EXPECT_EQ((std::vector<int>{3}), idsOf(*set, set->genomes[0].chromosomes[0]));
    EXPECT_EQ((std::vector<int>{4, 5, 6}), idsOf(*set, set->genomes[0].chromosomes[1]));
    EXPECT_EQ((std::vector<int>{4, 5, 6}), idsOf(*set, set->genomes[1].chromosomes[0]));
    EXPECT_EQ(4, set->alphabetSize);  // the earlier block of y left no trace
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
    EXPECT_EQ(header(list, dir.file("ann.txt")) + "no locusTag at line 1 in \"4\"no annotation at line 1 in \"4\"",
              out);
    const Chromosome& chr1 = set->genomes[0].chromosomes[0];
    // -17 is 17; "abc" reads 0 and becomes a fresh family 18.
    EXPECT_EQ((std::vector<int>{17, 4, 18}), idsOf(*set, chr1));
    EXPECT_EQ("", chr1.locusTags[2]);
    EXPECT_EQ('K', chr1.fcats[2]);
    EXPECT_EQ("third", chr1.annotations[3]);
    const Chromosome& chr2 = set->genomes[0].chromosomes[1];
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
    auto set = read(write(source() + "G:" + names + "\n", annotation));
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
    EXPECT_EQ(header(dir.file("list.txt"), dir.file("ann_beside_the_list.txt")), out);
    EXPECT_EQ(2, set->genomes[0].chromosomes[0].length);
}

TEST_F(ReadGenomes, ErrorsOfTheList) {
    const std::string list = dir.file("list.txt");
    EXPECT_EQ("Can't open genome list file: \"" + list + "\"\n", errorOf([&] { readGenomes(list); }));

    const std::string noSource = "No source file for sequences given in input file \"" + list + "\"!\n";
    const std::string noPath = "error: no annotation file path after \"SOURCE:\" in line 1 of \"" + list + "\"\n";
    const std::string noName = "error: empty chromosome name for genome \"g\" in line 4 of \"" + list + "\"\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "Empty genome list file:\"" + list + "\"!\n"},
        {"SOURCES: ann.txt\nG:c\n", noSource},
        {"source: ann.txt\nG:c\n", noSource},
        {"G:c\nG:c\n", noSource},
        {"SOURCE ann.txt\nG:c\n", noSource},
        {"SOURCE:\n\nG:c\n", noPath},
        {"SOURCE:    \n\nG:c\n", noPath},
        {"SOURCE\nG:c\n", noPath},
        {source() + "\n\n", "error: no genome listed in \"" + list + "\"\n"},
        {source() + "G:c\n:::\n", "No name for genome \"" + list + "\" given!"},
        {source() + "G:c\nH\n", "error: genome \"H\" in line 3 of \"" + list + "\" lists no chromosome\n"},
        {source() + "G1:c\n\r\nG2:c\n", "error: genome \"\r\" in line 3 of \"" + list + "\" lists no chromosome\n"},
        {source() + "\nG:c\ng:a,,c\n", noName},
        {source() + "\nG:c\ng:c,\n", noName},
        {source() + "\nG:c\ng:\n", noName},
        {source() + "\nG:c\ng:c, ,c\n", noName},
    };
    writeFile(dir.file("ann.txt"), block("c", {1}));
    for (const auto& [content, message] : cases) {
        writeFile(list, content);
        EXPECT_EQ(message, errorOf([&] { readGenomes(list); })) << content;
    }
}

TEST_F(ReadGenomes, ErrorsOfTheAnnotationFile) {
    std::string list = write("SOURCE: " + dir.file("missing.txt") + "\nG:c\n", block("c", {1}));
    EXPECT_EQ("Can't open sequence file \"" + dir.file("missing.txt") + "\"\n", errorOf([&] { readGenomes(list); }));

    // Nothing else (no "not set" report) precedes the error of a listed
    // chromosome without a block.
    writeFile(list, source() + "G:c\nH:c,X\n");
    EXPECT_EQ("error: chromosome \"X\" of genome \"H\" listed in \"" + list + "\" has no block in \"" +
                  dir.file("ann.txt") + "\"\n",
              errorOf([&] { readGenomes(list); }));
    SetOfSeqs set;
    set.genomeCount = 1;
    set.genomes.push_back(initGenome("G", 0, 1));
    set.genomes[0].chromosomes[0] = initChrom("X", 0);
    EXPECT_EQ("error: chromosome \"X\" of genome \"G\" has no block in \"" + dir.file("ann.txt") + "\"\n",
              errorOf([&] { readSequenceFile(dir.file("ann.txt"), set); }));
}

// Through the binary: the error reaches stderr with exit status 1, and a
// relative annotation path is taken beside the list unless it exists in the
// working folder.
TEST_F(ReadGenomes, AnnotationPathBesideTheListUnlessItExistsInTheWorkingFolder) {
    auto expectFailure = [&](const std::string& err) {
        RunResult run = runZub("sub/list.txt -d 1 -s 2 -m", dir.path());
        EXPECT_EQ(1, run.status) << run.out << run.err;
        EXPECT_EQ(err, run.err);
        EXPECT_NE(std::string::npos, run.out.find("\nparsing input file: \"sub/list.txt\"\n")) << run.out;
    };
    std::filesystem::create_directory(dir.file("sub"));
    writeFile(dir.file("sub/list.txt"), "SOURCE: ann.txt\nG:c,X\n");
    writeFile(dir.file("sub/ann.txt"), block("c", {1, 2}));
    expectFailure("error: chromosome \"X\" of genome \"G\" listed in \"sub/list.txt\" has no block in "
                  "\"sub/ann.txt\"\n");
    writeFile(dir.file("ann.txt"), block("c", {1, 2}));
    expectFailure("error: chromosome \"X\" of genome \"G\" listed in \"sub/list.txt\" has no block in \"ann.txt\"\n");
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

    // The index on it: NUM against the scan on a sample of intervals, and
    // every family on one to five chromosomes.
    ParameterArray params;
    params.delta = 3;
    stdoutOf([&] { initDataStructures(*set, params); });
    for (const Genome& genome : set->genomes) {
        const Chromosome& chrom = genome.chromosomes[0];
        ASSERT_EQ(chrom.length + 2, chrom.NUM.rows());
        Chromosome scan;
        scan.prevOcc = chrom.prevOcc;
        for (int i = 1; i <= chrom.length + 1; i += 97)
            for (int j = i; j <= chrom.length + 1; j += 13) ASSERT_EQ(getNUM(scan, i, j), getNUM(chrom, i, j));
    }
    EXPECT_EQ(0, set->charOccStat[0]);
    EXPECT_EQ(1, *std::min_element(set->charOccStat.begin() + 1, set->charOccStat.end()));
    EXPECT_EQ(5, *std::max_element(set->charOccStat.begin() + 1, set->charOccStat.end()));
}

}  // namespace

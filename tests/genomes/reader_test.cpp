// The genome list and annotation reader: layout of both files, what lands in
// which chromosome, the notices, the input errors, inputs beyond the old fixed
// limits, and the bundled example.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "genomes/readGenomes.h"
#include "testUtil.h"

namespace {

// Identifiers as read (through the coding table) of a chromosome.
std::vector<int> idsOf(const GenomeSet& set, const Chromosome& chrom) {
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

    std::unique_ptr<GenomeSet> read(const std::string& path) {
        std::unique_ptr<GenomeSet> set;
        out = captured([&](FILE* notices) { set = readGenomes(path, notices); });
        return set;
    }
    std::string errorOfReading(const std::string& path) {
        return errorOf([&] { read(path); });
    }

    TempDir dir;
    std::string out;
};

TEST_F(ReadGenomes, SmallListWithStdoutLines) {
    std::string list =
        write(source() + "G1:chr1,plasmid\nG2: chrA\n",
              block("chr1, Escherichia coli chromosome", {1, 2, 0}) + block("plasmid", {}) + block("chrA", {2, 0, 3}));
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
    EXPECT_TRUE(hasChromosomeNamed(*set, "chrA"));
    EXPECT_FALSE(hasChromosomeNamed(*set, "chr"));
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

// Lines of any length, 600 chromosomes in a genome, more than 100000 gene
// lines in a block and 150 genomes: none of them meets a fixed limit.
TEST_F(ReadGenomes, InputsBeyondFixedLimits) {
    const int n = 100005;
    const std::string longAnnotation(6000, 'x');
    std::string names = "big";
    for (int c = 1; c < 600; ++c) names += ",contig_" + std::to_string(c);
    std::string annotation = "big\ntitle\n1\t+\tE\ttag\t" + longAnnotation + "\n";
    annotation.reserve(static_cast<size_t>(n) * 16);
    for (int i = 2; i <= n; ++i) annotation += std::to_string(i % 1000) + "\t+\tE\tt\ta\n";
    annotation += "\n";
    for (int c = 1; c < 600; ++c) annotation += block("contig_" + std::to_string(c), {1});
    std::string list = source() + "genome0:" + names + "\n";
    for (int g = 1; g < 150; ++g) list += "genome" + std::to_string(g) + ":contig_1\n";
    auto set = read(write(list, annotation));
    ASSERT_EQ(150, set->genomeCount);
    ASSERT_EQ(600, set->genomes[0].chromosomeCount);
    EXPECT_EQ("contig_599", set->genomes[0].chromosomes[599].name);
    const Chromosome& big = set->genomes[0].chromosomes[0];
    ASSERT_EQ(n, big.length);
    EXPECT_EQ(longAnnotation, big.annotations[1]);
    // Families 1..999 plus one fresh family per gene 0 (i % 1000 == 0).
    EXPECT_EQ(999 + 100, set->alphabetSize);
    EXPECT_EQ(1000, set->codingTable[big.genes[1000]]);
}

TEST_F(ReadGenomes, IdentifiersNearTheTopOfTheIntRange) {
    auto set = read(write(source() + "G:c\n", block("c", {2147483647, -2147483647, 5})));
    EXPECT_EQ(2, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{2147483647, 2147483647, 5}), idsOf(*set, set->genomes[0].chromosomes[0]));

    std::string list = write(source() + "G:c\n", block("c", {2147483647, 0}));
    EXPECT_EQ("error: 1 genes without homologue need fresh identifiers above 2147483647, beyond the integer range\n",
              errorOfReading(list));

    write(source() + "G:c\n", "c\ntitle\n1\t+\tE\tt\ta\n-2147483648\t+\tE\tt\ta\n");
    EXPECT_EQ("error: gene identifier \"-2147483648\" at line 4 of \"" + dir.file("ann.txt") +
                  "\" is outside the integer range\n",
              errorOfReading(list));
}

TEST_F(ReadGenomes, ErrorsOfTheList) {
    const std::string list = dir.file("list.txt");
    EXPECT_EQ("Can't open genome list file: \"" + list + "\"\n", errorOfReading(list));

    const std::string noSource = "No source file for sequences given in input file \"" + list + "\"!\n";
    const std::string noPath = "error: no annotation file path after \"SOURCE:\" in line 1 of \"" + list + "\"\n";
    const std::string noName = "error: empty chromosome name for genome \"g\" in line 4 of \"" + list + "\"\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "Empty genome list file:\"" + list + "\"!\n"},
        {"SOURCES: ann.txt\nG:c\n", noSource},
        {"G:c\nG:c\n", noSource},
        {"SOURCE:\n\nG:c\n", noPath},
        {"SOURCE\nG:c\n", noPath},
        {source() + "\n\n", "error: no genome listed in \"" + list + "\"\n"},
        {source() + "G:c\n:::\n", "No name for genome \"" + list + "\" given!"},
        {source() + "G:c\nH\n", "error: genome \"H\" in line 3 of \"" + list + "\" lists no chromosome\n"},
        {source() + "\nG:c\ng:a,,c\n", noName},
        {source() + "\nG:c\ng:c, ,c\n", noName},
    };
    writeFile(dir.file("ann.txt"), block("c", {1}));
    for (const auto& [content, message] : cases) {
        writeFile(list, content);
        EXPECT_EQ(message, errorOfReading(list)) << content;
    }
}

}  // namespace

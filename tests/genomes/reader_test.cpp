// The genome list and annotation reader: layout of both files, what lands in
// which chromosome, the input errors (strict ids, blocks and names; only
// regular files), inputs beyond the old fixed limits, and the fingerprint of
// the bytes read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "genomes/readGenomes.h"
#include "testUtil.h"
#include "util/fnv1a.h"
#include "util/textFile.h"

namespace {

// Identifiers as read (through the coding table) of a chromosome.
std::vector<int> idsOf(const GenomeSet& set, const Chromosome& chrom) {
    std::vector<int> ids;
    for (int p = 1; p <= chrom.length(); ++p) ids.push_back(set.codingTable[chrom.genes[p]]);
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
    ASSERT_EQ(2, set->genomeCount());
    EXPECT_EQ("G2", set->genomes[1].name);
    EXPECT_EQ(1, set->genomes[1].number);
    ASSERT_EQ(2, set->genomes[0].chromosomeCount());
    const Chromosome& plasmid = set->genomes[0].chromosomes[1];
    EXPECT_EQ(std::tuple("plasmid", 1, 0), std::tuple(plasmid.name, plasmid.number, plasmid.length()));
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
        "17\t+\tE\tb1\tfirst\n"
        " 4 \t-\tK\t\tb2\t\tsecond\twith a tab\n"
        "0\t+\tE\tb3\tthird\n"
        "\r\n"
        "stray line after the block\n"
        "chr2\n"
        "title\n"
        "8\t+\tE\tb9\tlast";  // ends at the end of the file without an empty line
    std::string list = write(source() + "G:chr1,chr2\n", annotation);
    auto set = read(list);
    EXPECT_EQ(header(list, dir.file("ann.txt")), out);
    const Chromosome& chr1 = set->genomes[0].chromosomes[0];
    // Blanks around a family id are no part of it; the 0 becomes a fresh family 18.
    EXPECT_EQ((std::vector<int>{17, 4, 18}), idsOf(*set, chr1));
    // A run of tabs separates like one; the annotation is the rest of the line.
    EXPECT_EQ("b2", chr1.locusTags[2]);
    EXPECT_EQ("second\twith a tab", chr1.annotations[2]);
    EXPECT_EQ('K', chr1.fcats[2]);
    EXPECT_EQ("third", chr1.annotations[3]);
    const Chromosome& chr2 = set->genomes[0].chromosomes[1];
    EXPECT_EQ((std::vector<int>{8}), idsOf(*set, chr2));
    EXPECT_EQ("last", chr2.annotations[1]);
}

// What the reader used to read silently is refused with the file and line:
// family ids that are no whole number in range, a block without its
// column-title line, a short gene line, a block given twice, names listed
// twice, and files that are no regular files or have an endless line.
TEST_F(ReadGenomes, StrictInputErrors) {
    const std::string ann = dir.file("ann.txt");
    const std::string list = dir.file("list.txt");
    const std::string gene = "1\t+\tE\tt\ta\n";
    const std::string title = "family\tstrand\tcategory\tlocus_tag\tannotation\n";
    const struct {
        std::string list, annotation, message;
    } cases[] = {
        {"G:c\n", "c\n" + title + "abc\t+\tE\tt\ta\n",
         "error: gene identifier \"abc\" at line 3 of \"" + ann +
             "\" is not a whole number (a family id from 0 to 2147483647)\n"},
        {"G:c\n", "c\n" + title + gene + "1x\t+\tE\tt\ta\n",
         "error: gene identifier \"1x\" at line 4 of \"" + ann +
             "\" is not a whole number (a family id from 0 to 2147483647)\n"},
        {"G:c\n", "c\n" + title + "-5\t+\tE\tt\ta\n",
         "error: gene identifier \"-5\" at line 3 of \"" + ann +
             "\" is negative (family ids run from 0 to 2147483647)\n"},
        {"G:c\n", "c\n" + title + "2147483648\t+\tE\tt\ta\n",
         "error: gene identifier \"2147483648\" at line 3 of \"" + ann + "\" is outside the integer range\n"},
        {"G:c\n", "c\n" + gene + gene + "\n",
         "error: line 2 of \"" + ann +
             "\": the block of chromosome \"c\" (header at line 1) has no column-title line "
             "(family, strand, category, locus_tag, annotation) after its header\n"},
        {"G:c\n", "c\n",
         "error: line 2 of \"" + ann +
             "\": the block of chromosome \"c\" (header at line 1) has no "
             "column-title line (family, strand, category, locus_tag, annotation) after its header\n"},
        {"G:c\n", "c\n" + title + gene + "7\t+\n",
         "error: line 4 of \"" + ann +
             "\" has 2 tab-separated columns; a gene line of chromosome \"c\" needs 5 (family, "
             "strand, category, locus tag, annotation)\n"},
        {"G:c\n", "c\n" + title + "7\t+\tE\ttag\n",
         "error: line 3 of \"" + ann +
             "\" has 4 tab-separated columns; a gene line of chromosome \"c\" needs 5 (family, "
             "strand, category, locus tag, annotation)\n"},
        {"G:c\n", block("c", {1, 2}) + block("c", {3}),
         "error: line 6 of \"" + ann + "\" starts a second block of chromosome \"c\" (the first is at line 1)\n"},
        {"G:c\nH:d\nG:e\n", block("c", {1}) + block("d", {1}) + block("e", {1}),
         "error: genome \"G\" in line 4 of \"" + list + "\" is listed before, in line 2\n"},
        {"G:c,d,c\n", block("c", {1}) + block("d", {1}),
         "error: chromosome \"c\" in line 2 of \"" + list +
             "\" is listed before, in line 2 (genome \"G\"); each "
             "chromosome has one block and one name\n"},
        {"G:c\nH:d, c\n", block("c", {1}) + block("d", {1}),
         "error: chromosome \"c\" in line 3 of \"" + list +
             "\" is listed before, in line 2 (genome \"G\"); each "
             "chromosome has one block and one name\n"},
        {"G:c\n", "c\n" + title + "1\t+\tE\tt\t" + std::string(TextFile::kMaxLineLength, 'x') + "\n",
         "error: line 3 of \"" + ann + "\" is longer than 16 MiB; is it a text file of the expected form?\n"},
    };
    for (const auto& c : cases) {
        write(source() + c.list, c.annotation);
        EXPECT_EQ(c.message, errorOfReading(list)) << c.list << c.annotation.substr(0, 200);
    }
}

// Only regular files are read: a device, a pipe, a folder, a link loop or a
// missing file as the annotation file is refused with the reason, at once.
TEST_F(ReadGenomes, AnnotationFilesThatAreNoFiles) {
    namespace fs = std::filesystem;
    ASSERT_EQ(0, std::system(("cd '" + dir.path() +
                              "' && mkfifo fifo && mkdir folder && ln -s loop1 loop2 && "
                              "ln -s loop2 loop1")
                                 .c_str()));
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", "it is a device, not a regular file"},
        {dir.file("fifo"), "it is a pipe (FIFO), not a regular file"},
        {dir.file("folder"), "it is a folder, not a file"},
        {dir.file("loop1"), "Too many levels of symbolic links"},
        {dir.file("missing.txt"), "No such file or directory"},
    };
    for (const auto& [path, reason] : cases) {
        writeFile(dir.file("list.txt"), "SOURCE: " + path + "\nG:c\n");
        EXPECT_EQ("Can't open sequence file \"" + path + "\"\nerror: \"" + path + "\": " + reason + "\n",
                  errorOfReading(dir.file("list.txt")));
    }
    EXPECT_EQ("Can't open genome list file: \"" + dir.file("fifo") + "\"\nerror: \"" + dir.file("fifo") +
                  "\": it is a pipe (FIFO), not a regular file\n",
              errorOfReading(dir.file("fifo")));
}

// The fingerprint of a split run is that of the bytes read: a file replaced
// after reading does not change it.
TEST_F(ReadGenomes, FingerprintIsThatOfTheBytesRead) {
    const std::string list = write(source() + "G:c\n", block("c", {1, 2, 3}));
    auto set = read(list);
    Fnv1a hash;
    const std::string listText = readFile(list), annotationText = readFile(dir.file("ann.txt"));
    hash.add(listText.data(), listText.size());
    hash.add("", 1);
    hash.add(annotationText.data(), annotationText.size());
    EXPECT_EQ(hash.text(), set->inputFingerprint);
    writeFile(dir.file("ann.txt"), block("c", {1, 2, 4}));
    EXPECT_EQ(hash.text(), set->inputFingerprint);
    EXPECT_NE(hash.text(), read(list)->inputFingerprint);
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
    for (int g = 1; g < 150; ++g) {
        list += "genome" + std::to_string(g) + ":chr_" + std::to_string(g) + "\n";
        annotation += block("chr_" + std::to_string(g), {1});
    }
    auto set = read(write(list, annotation));
    ASSERT_EQ(150, set->genomeCount());
    ASSERT_EQ(600, set->genomes[0].chromosomeCount());
    EXPECT_EQ("contig_599", set->genomes[0].chromosomes[599].name);
    const Chromosome& big = set->genomes[0].chromosomes[0];
    ASSERT_EQ(n, big.length());
    EXPECT_EQ(longAnnotation, big.annotations[1]);
    // Families 1..999 plus one fresh family per gene 0 (i % 1000 == 0).
    EXPECT_EQ(999 + 100, set->alphabetSize);
    EXPECT_EQ(1000, set->codingTable[big.genes[1000]]);
}

TEST_F(ReadGenomes, IdentifiersNearTheTopOfTheIntRange) {
    auto set = read(write(source() + "G:c\n", block("c", {2147483647, 2147483647, 5})));
    EXPECT_EQ(2, set->alphabetSize);
    EXPECT_EQ((std::vector<int>{2147483647, 2147483647, 5}), idsOf(*set, set->genomes[0].chromosomes[0]));

    std::string list = write(source() + "G:c\n", block("c", {2147483647, 0}));
    EXPECT_EQ("error: 1 genes without homologue need fresh identifiers above 2147483647, beyond the integer range\n",
              errorOfReading(list));
}

TEST_F(ReadGenomes, ErrorsOfTheList) {
    const std::string list = dir.file("list.txt");
    EXPECT_EQ("Can't open genome list file: \"" + list + "\"\nerror: \"" + list + "\": No such file or directory\n",
              errorOfReading(list));

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

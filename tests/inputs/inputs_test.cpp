// Inputs, pictures, explanations: the converter on a hand-written Roary-style
// fixture (golden files) and its errors with file and line; the bundled
// S. pyogenes set end to end (convert, a quiet annotated reference search
// with its long table of genes, figures, explain by family names) with the
// SVG read by an XML parser and, where Chromium is installed, the figure and
// the HTML report by a browser; the grouping of clusters against its rule;
// explain on the small data set, where every reported cluster must pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <sstream>

#include "results/clusterRows.h"
#include "tamsu/tamsu.h"
#include "testUtil.h"

namespace {

const std::string kInputs = TAMSU_TEST_DATA "/inputs";
const std::string kSpyogenes = TAMSU_EXAMPLES "/spyogenes";
const auto npos = std::string::npos;

int shell(const std::string& command) { return std::system(command.c_str()); }

TEST(Convert, RoaryStyleFixtureMatchesGoldenFiles) {
    TempDir dir;
    for (const char* name : {"gene_presence_absence.csv", "isoA.gff", "isoB.gff"})
        copyInto(kInputs + "/" + name, dir.path(), name);
    const RunResult run = runZub("convert -o out --table gene_presence_absence.csv isoA.gff isoB.gff", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(kInputs + "/expected_genomes.txt"), readFile(dir.file("out/genomes.txt")));
    EXPECT_EQ(readFile(kInputs + "/expected_annotation.txt"), readFile(dir.file("out/annotation.txt")));
    EXPECT_NE(run.out.find("converted 2 genomes: 7 genes, 6 with a family, 1 without"), npos) << run.out;
    EXPECT_NE(run.out.find("isoB\tB_00009.p01\tgene_presence_absence.csv:6"), npos) << run.out;
    EXPECT_EQ(tamsu::Genomes::read(dir.file("out/genomes.txt"), nullptr).chromosomeCount(0), 2);
}

TEST(Convert, MalformedInputNamesFileAndLine) {
    const std::string feature = "s\tsrc\tCDS\t1\t10\t.\t+\t0\tID=x1\n";
    const std::string table = "Orthogroup\tg\nOG1\tx1, x2\n";
    struct Case {
        std::string gff, table, message;
    } cases[] = {
        {"##gff-version 3\ns\tsrc\tCDS\t1\t10\t.\t+\t0\n", table,
         "g.gff line 2: a feature line needs 9 tab-separated columns, found 8"},
        {"s\tsrc\tCDS\t1\tten\t.\t+\t0\t.\n", table, "g.gff line 1: bad coordinates \"1\" and \"ten\""},
        {"s\tsrc\tCDS\t0\t10\t.\t+\t0\t.\n", table, "g.gff line 1: bad coordinates \"0\""},
        {feature + "s\tsrc\tCDS\t20\t10\t.\t+\t0\t.\n", table, "g.gff line 2: start 20 lies after end 10"},
        {"s\tsrc\tCDS\t1\t10\t.\tplus\t0\t.\n", table, "g.gff line 1: unknown strand \"plus\""},
        {feature, "Orthogroup\tother\nOG1\tx1\n", "g.gff: genome \"g\" has no column in"},
        {feature, table + "OG2\tx3, x1\n", "t.tsv line 3: gene \"x1\" of genome \"g\" is already in family \"OG1\""},
        {feature, table + "OG2\tx3\tx4\n", "t.tsv line 3: 3 columns where the header has 2"},
        {feature, "Orthogroup\tg\nOG1\tx1, x1\n",
         "t.tsv line 2: gene \"x1\" of genome \"g\" is already in family \"OG1\" ("},
        {feature, "\"Gene\",\"g\"\n\"fam\",\"x1\n", "t.tsv line 2: quoted field not closed"},
        {feature, "Locus\tg\n", "t.tsv line 1: not a family table"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("g.gff"), c.gff);
        writeFile(dir.file("t.tsv"), c.table);
        tamsu::ConvertRequest request;
        request.gffPaths = {dir.file("g.gff")};
        request.tablePaths = {dir.file("t.tsv")};
        FILE* sink = std::fopen("/dev/null", "w");
        const std::string error = errorOf([&] { tamsu::convertGenomes(request, sink, sink); });
        std::fclose(sink);
        EXPECT_NE(error.find(c.message), npos) << "got: " << error;
    }
}

// Percent-decoded control characters never reach the line structure of the
// output: a "%0A" in a locus tag or sequence id gives no phantom gene line
// and no broken genome list, and zub reads the result as converted.
TEST(Convert, DecodedControlCharactersAreNoLineBreaks) {
    TempDir dir;
    writeFile(dir.file("g.gff"),
              "ctg%0A1\tsrc\tCDS\t1\t10\t.\t+\t0\tID=x1;locus_tag=x1%0A7%09+%09?%09x9%09forged;product=a%09b%0Dc\n"
              "ctg%0A1\tsrc\tCDS\t20\t30\t.\t+\t0\tID=x2;locus_tag=x2\n"
              "ctg%0A1\tsrc\tCDS\t40\t50\t.\t+\t0\tID=x3;locus_tag=x3%0A7%09+%09?%09x9%09forged\n");
    writeFile(dir.file("t.tsv"), "Orthogroup\tg\nOG1\tx1\nOG2\tx2\n");
    const RunResult run = runZub("convert -o out --table t.tsv g.gff", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string annotation = readFile(dir.file("out/annotation.txt"));
    EXPECT_EQ(annotation.find("x1\n"), npos) << annotation;
    EXPECT_NE(annotation.find("\n0\t+\t?\tx3_7_+_?_x9_forged\t-\n"), npos) << annotation;
    EXPECT_NE(annotation.find("OG1: a b c\n"), npos) << annotation;
    EXPECT_EQ(readFile(dir.file("out/genomes.txt")), "SOURCE: annotation.txt\ng:ctg_1\n");
    const tamsu::Genomes genomes = tamsu::Genomes::read(dir.file("out/genomes.txt"), nullptr);
    EXPECT_EQ(genomes.chromosomeLength(0, 0), 3);
}

// What convert refuses: an annotation file that is a pipe, a folder or an
// endless device, an output folder that is a file, and output files that are
// an input or a link to one, which stay as they were; families parses its
// options as strictly.
TEST(Convert, RefusedInputsAndTargets) {
    TempDir dir;
    writeFile(dir.file("g.gff"), "s\tsrc\tCDS\t1\t10\t.\t+\t0\tID=x1\n");
    writeFile(dir.file("t.tsv"), "Orthogroup\tg\nOG1\tx1\n");
    writeFile(dir.file("afile"), "a file\n");
    ASSERT_EQ(
        shell("cd '" + dir.path() +
              "' && mkdir fifo && mkfifo fifo/g.gff && mkdir -p dir/g.gff link && ln -s ../t.tsv link/genomes.txt"),
        0);
    const std::pair<std::string, std::string> cases[] = {
        {"convert -o out --table t.tsv fifo/g.gff",
         "error: cannot read \"fifo/g.gff\": it is a pipe (FIFO), not a regular file\n"},
        {"convert -o out --table t.tsv dir/g.gff", "error: cannot read \"dir/g.gff\": it is a folder, not a file\n"},
        {"convert -o out --table /dev/zero g.gff",
         "error: cannot read \"/dev/zero\": it is a device, not a regular file\n"},
        {"convert -o afile --table t.tsv g.gff", "error: the output folder \"afile\" (-o) is a file, not a folder\n"},
        {"convert -o link --table t.tsv g.gff", "error: output file \"link/genomes.txt\" is the input file \"t.tsv\""},
        {"convert -o -x --table t.tsv g.gff", "error: no value given for -o: it is followed by \"-x\""},
        {"convert -o out --table t.tsv g.gff --feature", "error: no value given for --feature\n"},
        {"families -o f.tsv --identity 1e-1 g.gff",
         "error: invalid value of --identity: 1e-1 (a fraction from 0 to 1)\n"},
        {"families -o f.tsv --coverage 1.5 g.gff",
         "error: invalid value of --coverage: 1.5 (a fraction from 0 to 1)\n"},
        {"families -o f.tsv --threads 2x g.gff", "error: invalid value of --threads: 2x\n"},
        {"families -o f.tsv --method fast g.gff", "error: invalid value of --method: fast (cluster or linclust)\n"},
        {"families -o f.tsv -t 2 g.gff", "error: unknown option: -t\n"},
        {"families -o g.gff g.gff", "error: output file \"g.gff\" is the input file \"g.gff\""},
    };
    for (const auto& [args, message] : cases) {
        const RunResult run = runZub(args, dir.path());
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.err.find(message), 0u) << args << ": " << run.err;
    }
    EXPECT_EQ(readFile(dir.file("t.tsv")), "Orthogroup\tg\nOG1\tx1\n");
    EXPECT_EQ(readFile(dir.file("afile")), "a file\n");
}

// A plot table whose rows disagree about their cluster, or hold what no run
// writes, is refused with its line; a picture's name that is a link to an
// input is refused before anything is written.
TEST(Plot, RefusedTablesAndTargets) {
    TempDir dir;
    for (const char* name : {"genomes.txt", "annotation.txt"})
        copyInto(TAMSU_TEST_DATA "/small/" + std::string(name), dir.path(), name);
    const std::string table = readFile(TAMSU_TEST_DATA "/golden/reference.tsv");
    const std::string header = table.substr(0, table.find('\n') + 1);
    const std::string row0 =
        "0\treference\t5.662803e-01\t-0.246969\t3\t1,2,3\t0\talpha\talpha_chr\t1\t3\ta\tb\t0\t1\t1\n";
    const std::string row1 =
        "0\treference\t5.662803e-01\t-0.246969\t3\t1,2,3\t1\tbeta\tbeta_chr1\t2\t4\ta\tb\t0\t1\t1\n";
    auto with = [&](std::string row, const std::string& from, const std::string& to) {
        return row.replace(row.find(from), from.size(), to);
    };
    const std::pair<std::string, std::string> cases[] = {
        {row0 + with(row1, "1,2,3", "1,2,4"),
         "t.tsv line 3: cluster 0 has another mode, score, size or gene families than at line 2"},
        {row0 + with(row1, "5.662803e-01", "5.7e-01"), "t.tsv line 3: cluster 0 has another mode"},
        {with(row0, "0\treference", "-1\treference"),
         "t.tsv line 2: not a row of a cluster table (the cluster number is no number from 0)"},
        {with(row0, "5.662803e-01", "nan"), "t.tsv line 2: not a row of a cluster table (the score is no number)"},
        {with(row0, "-0.246969", "nan"), "t.tsv line 2: not a row of a cluster table (the log10 score is no number)"},
        {with(row0, "\t3\t1,2,3", "\t2\t1,2,3"),
         "t.tsv line 2: not a row of a cluster table (the size is not the number of gene families)"},
        {with(row0, "1,2,3", "1,2,2"), "(a gene family is listed twice)"},
        {with(row0, "reference", "mystery"), "(an unknown mode)"},
        {with(row0, "\t0\t1\t1\n", "\t0\t1\t2\n"), "(\"best\" is neither 0 nor 1)"},
        {with(row0, "\t0\t1\t1\n", "\t-1\t1\t1\n"), "(the set distance is no number from 0)"},
        {row0 + "0\treference\n", "t.tsv line 3: 2 fields where the header has 16"},
    };
    for (const auto& [rows, message] : cases) {
        writeFile(dir.file("t.tsv"), header + rows);
        const RunResult run = runZub("plot genomes.txt t.tsv -o svg", dir.path());
        EXPECT_EQ(run.status, 1) << rows;
        EXPECT_NE(run.err.find(message), npos) << rows << run.err;
    }
    // A link in the output folder to the genome list: the main run refuses it, and so does plot.
    writeFile(dir.file("t.tsv"), header + row0);
    const std::string list = readFile(dir.file("genomes.txt"));
    ASSERT_EQ(
        shell("cd '" + dir.path() + "' && mkdir -p svg && ln -s ../genomes.txt svg/cluster_0.svg && echo x >afile"), 0);
    RunResult run = runZub("plot genomes.txt t.tsv -o svg", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("error: output file \"svg/cluster_0.svg\" is the input file \"genomes.txt\""), 0u)
        << run.err;
    EXPECT_EQ(readFile(dir.file("genomes.txt")), list);
    run = runZub("plot genomes.txt t.tsv -o afile", dir.path());
    EXPECT_EQ(run.err, "error: the output folder \"afile\" (-o) is a file, not a folder\n");
    for (const char* args : {"plot genomes.txt t.tsv -o svg --top 0", "plot genomes.txt t.tsv -o svg --flank -1",
                             "plot genomes.txt t.tsv -o svg --top 1x", "plot genomes.txt t.tsv extra -o svg"})
        EXPECT_EQ(runZub(args, dir.path()).status, 1) << args;
    // A table that is written anew replaces older pictures only when complete.
    ASSERT_EQ(shell("cd '" + dir.path() + "' && rm svg/cluster_0.svg"), 0);
    run = runZub("plot genomes.txt t.tsv -o svg", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "svg/cluster_0.svg\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("svg")), {}), 1);
}

// explain refuses what a run refuses, and a family that no genome holds.
TEST(Explain, RefusedQueries) {
    const std::string small = TAMSU_TEST_DATA "/small";
    const std::pair<const char*, const char*> cases[] = {
        {"explain genomes.txt --genes 999 -r -d 1 -s 3",
         "error: --genes: gene family 999 occurs in no genome of \"genomes.txt\"\n"},
        {"explain genomes.txt --genes 1,2,0 -r -d 1 -s 3",
         "error: --genes: 0 marks genes without homologue; it is no gene family\n"},
        {"explain genomes.txt --genes 1,2,3 -s 0", "error: invalid value of -s: 0\n\nUsage: zub explain "},
        {"explain genomes.txt --genes 1,2,3 -s 3 -q 9", "error: quorum 9 is larger than the number of genomes (3)\n"},
        {"explain genomes.txt --genes 1,2,3 -s 3 -p -d 1",
         "error: distance threshold not zero in perfect gene cluster mode\n"},
        {"explain genomes.txt --genes 1,,2", "error: invalid value of --genes: 1,,2\n"},
        {"explain genomes.txt --genes 1,2,x -r -d 1 -s 3",
         "error: --genes: no gene family \"x\" (family names come from genes.tsv beside the annotation file; there "
         "is none)\n"},
        {"explain genomes.txt --genes 1,2,3 -d 99999999999",
         "error: invalid value of -d: 99999999999 (at most 2147483647)\n"},
        {"explain genomes.txt --genes 1,2,3 -r -d 1", "error: no minimum size threshold given\n\nUsage: zub explain "},
        {"explain genomes.txt --genes 1,2,3 -s 3 -m --refType=genome", "error: refType specified in median mode\n"},
        {"explain genomes.txt --genes 1,2,3 -s 3 --qType=zeroCost",
         "error: quorum type specified but no quorum parameter given\n"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult run = runZub(args, small);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.err.find(message), 0u) << args << ": " << run.err;
    }
    EXPECT_EQ(runZub("explain genomes.txt --genes 1,2,3 -r -d 1 -s 3 -q 2", small).status, 0);
}

TEST(Convert, SpyogenesConvertSearchAndPlot) {
    TempDir dir;
    std::string gffs;
    for (const char* genome : {"5448", "H293", "NCTC8198", "SF370"}) gffs += " " + kSpyogenes + "/" + genome + ".gff";
    const RunResult convert = runZub("convert -o conv --table " + kSpyogenes + "/Orthogroups.tsv" + gffs, dir.path());
    ASSERT_EQ(convert.status, 0) << convert.err;
    // The unassigned genes are read too: every CDS has a family and every table gene a CDS.
    EXPECT_NE(convert.out.find("6789 genes, 6789 with a family, 0 without (family 0); 1807 families"), npos) << convert.out;
    EXPECT_NE(convert.out.find("table genes found in no GFF file: 0\n"), npos) << convert.out;

    const RunResult run = runZub(
        "conv/genomes.txt -r -d 0 -s 5 -o conv/clusters.tsv --quiet --annotate --genes conv/long.tsv", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");  // quiet: nothing on the terminal, no pause
    // The ten genes from the 50S ribosomal protein L19 (rplS) to the C69
    // dipeptidase lie together in all four genomes (inverted in 5448).
    const auto rows = tsvRows(readFile(dir.file("conv/clusters.tsv")));
    ASSERT_EQ(rows[0].size(), 19u);
    std::string cluster;
    for (const auto& row : rows)
        if (row[11] == "SP5448_RS06550" && row[12] == "SP5448_RS06595") cluster = row[0];
    ASSERT_FALSE(cluster.empty());
    std::string genomes;
    for (const auto& row : rows)
        if (row[0] == cluster && row[15] == "1") genomes += row[7] + ":" + row[11] + "-" + row[12] + "/" + row[13] + " ";
    EXPECT_EQ(genomes, "5448:SP5448_RS06550-SP5448_RS06595/0 H293:SPYH293_RS02725-SPYH293_RS02770/0 "
                       "NCTC8198:B6D67_RS03145-B6D67_RS03190/0 SF370:SPY_RS02965-SPY_RS03010/0 ");

    // The family names are those of the side table, in the order of the ids.
    std::map<std::string, std::string> nameOf;  // family id -> name
    for (const auto& gene : tsvRows(readFile(dir.file("conv/genes.tsv")))) nameOf[gene[4]] = gene[5];
    auto split = [](const std::string& text, char separator) {
        std::vector<std::string> parts;
        std::istringstream in(text);
        for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
        return parts;
    };
    for (size_t r = 1; r < rows.size(); ++r) {
        const auto ids = split(rows[r][5], ','), names = split(rows[r][17], ',');
        ASSERT_EQ(ids.size(), names.size()) << r;
        for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(nameOf[ids[i]], names[i]) << r;
    }
    // The long table joins back to the GFF files' locus tags: one row per gene
    // of every occurrence, in_cluster exactly for the families of the set.
    std::set<std::string> gffTags;
    for (const char* genome : {"5448", "H293", "NCTC8198", "SF370"}) {
        const std::string gff = readFile(kSpyogenes + "/" + genome + ".gff");
        // The two parts of a frameshifted gene share a locus tag and keep their IDs.
        for (const std::string key : {";locus_tag=", "\tID="})
            for (size_t at = gff.find(key); at != npos; at = gff.find(key, at + 1))
                gffTags.insert(gff.substr(at + key.size(), gff.find_first_of(";\n", at + key.size()) - at - key.size()));
    }
    const auto genes = tsvRows(readFile(dir.file("conv/long.tsv")));
    EXPECT_EQ(genes[0], (std::vector<std::string>{"cluster", "group", "occurrence", "genome", "chromosome", "position",
                                                  "locus_tag", "gene", "family_id", "family_name", "product", "strand",
                                                  "start", "end", "in_cluster", "best"}));
    size_t expectedRows = 1;
    for (size_t r = 1; r < rows.size(); ++r) expectedRows += std::stoul(rows[r][10]) - std::stoul(rows[r][9]) + 1;
    EXPECT_EQ(genes.size(), expectedRows);
    std::map<std::string, std::set<std::string>> setOf;  // cluster -> family ids
    for (size_t r = 1; r < rows.size(); ++r)
        for (const std::string& id : split(rows[r][5], ',')) setOf[rows[r][0]].insert(id);
    for (size_t g = 1; g < genes.size(); ++g) {
        EXPECT_EQ(gffTags.count(genes[g][6]), 1u) << genes[g][6];
        EXPECT_EQ(genes[g][14], setOf[genes[g][0]].count(genes[g][8]) != 0 ? "1" : "0") << g;
    }

    // One cluster per group by default: the best of three different groups.
    const RunResult plot = runZub("plot conv/genomes.txt conv/clusters.tsv -o svg --top 3", dir.path());
    ASSERT_EQ(plot.status, 0) << plot.err;
    std::map<std::string, std::string> groupOf, bestOfGroup;  // cluster -> group, group -> best cluster
    for (size_t r = rows.size() - 1; r >= 1; --r) {  // the first row of the best score wins
        groupOf[rows[r][0]] = rows[r][16];
        const std::string& best = bestOfGroup[rows[r][16]];
        if (best.empty() || std::stod(rows[r][3]) <= std::stod(rows[std::stoul(best)][3]))
            bestOfGroup[rows[r][16]] = std::to_string(r);
    }
    std::istringstream written(plot.out);
    std::set<std::string> groups;
    for (std::string path; std::getline(written, path);) {
        const std::string svg = dir.file(path);
        EXPECT_EQ(shell("xmllint --noout '" + svg + "'"), 0) << path;
        EXPECT_NE(readFile(svg).find("<title>SPY_RS"), npos) << "SF370's locus tags on hover";
        const std::string number = path.substr(path.find('_') + 1, path.find('.') - path.find('_') - 1);
        groups.insert(groupOf[number]);
        EXPECT_EQ(rows[std::stoul(bestOfGroup[groupOf[number]])][0], number) << "not the best of its group";
    }
    EXPECT_EQ(groups.size(), 3u);

    // The rplS cluster's figure: gene names, a scale, and 5448's inverted
    // occurrence turned to read as the three others.
    const bool converter = shell("command -v rsvg-convert >/dev/null 2>&1") == 0;
    const RunResult figure = runZub("plot conv/genomes.txt conv/clusters.tsv -o fig --cluster " + cluster +
                                        (converter ? " --png --pdf" : ""), dir.path());
    ASSERT_EQ(figure.status, 0) << figure.err;
    const std::string svg = readFile(dir.file("fig/cluster_" + cluster + ".svg"));
    EXPECT_NE(svg.find(">rplS</text>"), npos);
    EXPECT_NE(svg.find("<g class=\"scale\">"), npos);
    std::string reversed;
    for (size_t at = svg.find("data-reversed=\""); at != npos; at = svg.find("data-reversed=\"", at + 1))
        reversed += svg[at + 15];
    EXPECT_TRUE(reversed == "0111" || reversed == "1000") << reversed;
    if (converter) {
        EXPECT_EQ(readFile(dir.file("fig/cluster_" + cluster + ".png")).substr(1, 3), "PNG");
        EXPECT_EQ(readFile(dir.file("fig/cluster_" + cluster + ".pdf")).substr(0, 5), "%PDF-");
    }

    // explain takes the family names.
    const RunResult why = runZub("explain conv/genomes.txt -r -d 0 -s 5 --genes " + rows[1][17], dir.path());
    EXPECT_NE(why.out.find("run: reported as cluster 0\n"), npos) << why.out << why.err;
    EXPECT_EQ(runZub("explain conv/genomes.txt -r -d 0 -s 5 --genes " + split(rows[1][17], ',')[0] + ",nosuch",
                     dir.path()).err,
              "error: --genes: no gene family \"nosuch\" in conv/genes.tsv\n");
}

// Groups against a brute-force reading of their rule on random gene sets:
// in score order a cluster joins the first leader sharing 80% of the smaller
// set, else it leads the next group.
TEST(Tables, GroupsFollowTheirRule) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<std::vector<int>> sets(1 + random() % 40);
        std::vector<double> scores;
        for (auto& set : sets) {
            const int start = static_cast<int>(random() % 30), length = 2 + static_cast<int>(random() % 12);
            for (int id = start; id < start + length; ++id)
                if (random() % 5 != 0) set.push_back(id);
            if (set.empty()) set.push_back(start);
            scores.push_back(-static_cast<double>(random() % 10));
        }
        std::vector<size_t> order(sets.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return scores[a] < scores[b]; });
        std::vector<size_t> leaders;
        std::vector<int> expected(sets.size());
        for (size_t i : order) {
            size_t g = 0;
            for (; g < leaders.size(); ++g) {
                std::vector<int> common;
                std::set_intersection(sets[i].begin(), sets[i].end(), sets[leaders[g]].begin(), sets[leaders[g]].end(),
                                      std::back_inserter(common));
                if (common.size() * 10 >= 8 * std::min(sets[i].size(), sets[leaders[g]].size())) break;
            }
            if (g == leaders.size()) leaders.push_back(i);
            expected[i] = static_cast<int>(g);
        }
        EXPECT_EQ(tamsu::detail::groupClusters(sets, scores), expected) << trial;
    }
}

// The HTML report as a browser runs it: no script error, and the clicks that
// the address asks for (sort by size twice: descending; select cluster 1)
// leave the rows in that order and the cluster's figure shown.
TEST(Report, SortsAndSelectsInChromium) {
    TempDir dir;
    const std::string small = TAMSU_TEST_DATA "/small";
    RunResult run = runZub("report " + small + "/genomes.txt " + TAMSU_TEST_DATA "/golden/reference.tsv -o r.html",
                           dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = readFile(dir.file("r.html"));
    for (const char* fetch : {"src=", "href=", "url(", "@import"})
        EXPECT_EQ(page.find(fetch), npos) << fetch << ": the page needs no network";
    if (shell("command -v chromium >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
    const std::string browser = "chromium --headless --no-sandbox --disable-gpu --enable-logging=stderr --v=0 "
                                "--virtual-time-budget=3000 --user-data-dir='" + dir.file("profile") + "' ";
    ASSERT_EQ(shell("cd '" + dir.path() + "' && " + browser + "--dump-dom 'file://" + dir.file("r.html") +
                    "#sort=size,size&cluster=1' >dom.html 2>console.txt"), 0);
    const std::string dom = readFile(dir.file("dom.html")), console = readFile(dir.file("console.txt"));
    EXPECT_NE(dom.find("data-ready=\"1\""), npos) << "the script did not run to its end";
    EXPECT_NE(dom.find("<pre id=\"errors\"></pre>"), npos);
    EXPECT_EQ(console.find("Uncaught"), npos) << console;
    EXPECT_NE(dom.find("<tr data-cluster=\"1\" class=\"selected\">"), npos);
    EXPECT_NE(dom.find("id=\"figure\" data-cluster=\"1\""), npos);
    EXPECT_NE(dom.find("cluster 1 (group"), npos) << "the figure of cluster 1";
    // Sizes down the table, after two clicks on "size".
    std::vector<int> sizes;
    for (size_t at = dom.find("<tr data-cluster="); at != npos; at = dom.find("<tr data-cluster=", at + 1)) {
        const size_t cell = dom.find("<td class=\"num\">", dom.find("<td class=\"num\">", dom.find("<td", at) + 1) + 1);
        sizes.push_back(std::stoi(dom.substr(cell + 16)));
    }
    ASSERT_GT(sizes.size(), 1u);
    EXPECT_TRUE(std::is_sorted(sizes.rbegin(), sizes.rend())) << sizes.front() << " ... " << sizes.back();
    EXPECT_TRUE(std::any_of(sizes.begin(), sizes.end(), [&](int size) { return size != sizes.front(); }));
}

// The picture as a browser sees it: Chromium's DOM of a broken SVG holds a
// parser error, that of a drawn cluster the SVG itself.
TEST(Plot, RendersInChromium) {
    if (shell("command -v chromium >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it); the SVG is still checked by xmllint";
    TempDir dir;
    const tamsu::Genomes genomes = tamsu::Genomes::read(TAMSU_TEST_DATA "/small/genomes.txt", nullptr);
    tamsu::PlotOptions options;
    options.directory = dir.file("svg");
    options.top = 1;
    const auto paths = tamsu::plotClusters(genomes, TAMSU_TEST_DATA "/golden/reference.tsv", options);
    ASSERT_EQ(paths.size(), 1u);
    writeFile(dir.file("broken.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\"><g></svg>");
    const std::string browser = "chromium --headless --no-sandbox --disable-gpu --user-data-dir='" + dir.file("profile") + "' ";
    for (const std::string& svg : {paths[0], dir.file("broken.svg")}) {
        ASSERT_EQ(shell(browser + "--dump-dom 'file://" + svg + "' >'" + svg + ".dom' 2>/dev/null"), 0);
        const std::string dom = readFile(svg + ".dom");
        EXPECT_EQ(dom.find("parsererror") == npos, svg == paths[0]) << dom.substr(0, 300);
        EXPECT_EQ(dom.find("<polygon") != npos, svg == paths[0]);
    }
    ASSERT_EQ(shell(browser + "--screenshot='" + dir.file("shot.png") + "' 'file://" + paths[0] + "' >/dev/null 2>&1"), 0);
    EXPECT_GT(readFile(dir.file("shot.png")).size(), 1000u);
}

// Which rules reject a set on the small data ("" for none).
std::string rejectedBy(const std::vector<int>& genes, tamsu::Mode mode, int delta, int s, int quorum = -1,
                       tamsu::RefType refType = tamsu::RefType::none) {
    static const tamsu::Genomes genomes = tamsu::Genomes::read(TAMSU_TEST_DATA "/small/genomes.txt", nullptr);
    tamsu::Query query;
    query.mode = mode;
    query.delta = delta;
    query.minClusterSize = s;
    if (quorum > 0) query.quorum = tamsu::Quorum{quorum, tamsu::CostType::zero};
    query.refType = refType;
    std::string rules;
    for (const tamsu::RuleCheck& rule : tamsu::explain(genomes, genes, query).rules)
        if (!rule.passes) rules += (rules.empty() ? "" : ", ") + rule.rule;
    return rules;
}

TEST(Explain, EachRuleRejectsItsCase) {
    using tamsu::Mode;
    EXPECT_EQ(rejectedBy({1, 2, 3, 4}, Mode::reference, 1, 3), "");
    EXPECT_EQ(rejectedBy({1, 2, 3, 4}, Mode::reference, 1, 5), "minimum size");
    // gamma's best interval misses 4 and 5: distance 2
    EXPECT_EQ(rejectedBy({1, 2, 3, 4, 5}, Mode::reference, 1, 3), "distance, essential genes");
    EXPECT_EQ(rejectedBy({1, 2, 3, 4, 5}, Mode::reference, 1, 3, 3), "quorum, essential genes");
    EXPECT_EQ(rejectedBy({1, 2, 3, 4, 5}, Mode::reference, 2, 3, 2), "");
    // intervals holding one family of the set are no occurrences; no interval has exactly {1, 5}
    EXPECT_EQ(rejectedBy({1, 5}, Mode::reference, 1, 2), "distance, reference interval");
    EXPECT_EQ(rejectedBy({1, 2, 4}, Mode::perfect, 0, 2, -1, tamsu::RefType::genome), "distance, reference interval");
    EXPECT_EQ(rejectedBy({6, 7, 8, 9}, Mode::perfect, 0, 2, -1, tamsu::RefType::genome), "");
    EXPECT_EQ(rejectedBy({2, 3, 4}, Mode::median, 1, 3), "distance");
    EXPECT_EQ(rejectedBy({2, 3, 4}, Mode::median, 1, 3, 2), "");
    EXPECT_EQ(rejectedBy({1, 2, 3, 4, 5, 6}, Mode::center, 1, 3), "center");
    EXPECT_EQ(rejectedBy({1, 2, 3, 4}, Mode::center, 1, 3, 2), "");
}

}  // namespace

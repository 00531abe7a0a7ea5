// Annotated genomes as users have them: GenBank flat files (NCBI RefSeq,
// Prokka), NCBI, Prokka and Bakta GFF3, each also gzip-compressed; the side
// table of the genes; a family table covering more genomes than converted;
// proteins translated from a GFF3's ##FASTA section (checked against Prokka's
// own GenBank translations of the same genome); and zub families with MMseqs2
// on the Chlamydia genomes, where the ribosomal-protein superoperon
// (S10-spc-alpha) must come out as one cluster in every genome.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "convert/annotatedGenome.h"
#include "convert/genbank.h"
#include "tamsu/tamsu.h"
#include "testUtil.h"

namespace {

const std::string kInputs = TAMSU_TEST_DATA "/inputs";
const std::string kAnnotations = TAMSU_TEST_DATA "/annotations";
const std::string kProkkaGenBank = TAMSU_TEST_DATA "/genbank/PROKKA_12132021.gbk.gz";
const std::string kChlamydia = TAMSU_EXAMPLES "/chlamydia";
const auto npos = std::string::npos;

int shell(const std::string& command) { return std::system(command.c_str()); }

bool haveMmseqs() { return shell("command -v mmseqs >/dev/null 2>&1") == 0; }

TEST(GenBank, LocationsInTranscriptionOrder) {
    std::vector<std::pair<long long, long long>> parts;
    char strand = '?';
    ASSERT_TRUE(parseGenBankLocation("complement(join(10..20,30..40))", parts, strand));
    EXPECT_EQ(strand, '-');
    EXPECT_EQ(parts, (std::vector<std::pair<long long, long long>>{{30, 40}, {10, 20}}));
    ASSERT_TRUE(parseGenBankLocation("join(complement(30..40),complement(10..20))", parts, strand));
    EXPECT_EQ(parts, (std::vector<std::pair<long long, long long>>{{30, 40}, {10, 20}}));
    ASSERT_TRUE(parseGenBankLocation("<1..>500", parts, strand));
    EXPECT_EQ(strand, '+');
    EXPECT_EQ(parts, (std::vector<std::pair<long long, long long>>{{1, 500}}));
    ASSERT_TRUE(parseGenBankLocation("join(X12345.1:1..10,5..9)", parts, strand));
    EXPECT_EQ(parts, (std::vector<std::pair<long long, long long>>{{5, 9}}));
    EXPECT_FALSE(parseGenBankLocation("complement()", parts, strand));
}

TEST(GenBank, HandWrittenRecord) {
    std::unordered_map<std::string, std::string> sequences;
    AnnotatedGenome genome = readAnnotatedGenome(kAnnotations + "/mini.gbk", "CDS", "locus_tag", &sequences);
    ASSERT_EQ(genome.genes.size(), 3u);
    EXPECT_EQ(genome.name, "mini");
    EXPECT_EQ(genome.regions, std::vector<std::string>{"MINI01.1"});
    EXPECT_EQ(genome.regionLengths, std::vector<long long>{2000});
    const AnnotatedGene& first = genome.genes[0];
    EXPECT_EQ(std::tie(first.start, first.end, first.strand), std::make_tuple(101LL, 376LL, '-'));
    EXPECT_EQ(first.ids, std::vector<std::string>{"MINI_0001"});
    EXPECT_EQ(first.product, "DUF378 domain-containing protein, with a product over two lines");
    EXPECT_EQ(first.translation.size(), 90u);
    EXPECT_EQ(first.translation.substr(0, 10), "MLCKVCRGLS");
    const AnnotatedGene& joined = genome.genes[1];
    EXPECT_EQ(std::tie(joined.start, joined.end, joined.strand), std::make_tuple(1500LL, 1803LL, '+'));
    EXPECT_EQ(joined.parts.size(), 2u);
    EXPECT_EQ(joined.product, "Asp-tRNA(Asn)/Glu-tRNA(Gln) amidotransferase subunit GatC");
    // Across the origin: the span goes on past the record's length, as GFF3 writes it.
    const AnnotatedGene& wrapped = genome.genes[2];
    EXPECT_EQ(std::tie(wrapped.start, wrapped.end), std::make_tuple(1950LL, 2040LL));
    EXPECT_TRUE(wrapped.pseudo);
    EXPECT_EQ(sequences.at("MINI01.1"), "ACGTACGTAC");
}

TEST(GenBank, RefSeqFilesGzipped) {
    AnnotatedGenome a2497 = readAnnotatedGenome(kChlamydia + "/A2497.gbff.gz", "CDS", "locus_tag");
    sortGenes(a2497);
    EXPECT_EQ(a2497.genes.size(), 937u);
    EXPECT_EQ(a2497.regions, (std::vector<std::string>{"NC_017437.1", "NC_017438.1"}));
    EXPECT_EQ(a2497.regionLengths, (std::vector<long long>{1044326, 7480}));
    int pseudo = 0, translated = 0;
    for (const AnnotatedGene& gene : a2497.genes) {
        pseudo += gene.pseudo ? 1 : 0;
        translated += gene.translation.empty() ? 0 : 1;
        if (!gene.pseudo) {
            EXPECT_FALSE(gene.translation.empty()) << gene.ids.front();
        }
    }
    EXPECT_EQ(translated, 912);  // "CDS (coding) :: 912" of the record's header
    EXPECT_EQ(pseudo, 25);       // "Pseudo Genes (total) :: 25"
    // RC-J/943 has a CDS across the origin: join(1038201..1038797,1..1176).
    AnnotatedGenome rcj = readAnnotatedGenome(kChlamydia + "/RC-J_943.gbff.gz", "CDS", "locus_tag");
    sortGenes(rcj);
    const AnnotatedGene& last = rcj.genes.back();
    EXPECT_EQ(last.start, 1038201);
    EXPECT_EQ(last.end, rcj.regionLengths[0] + 1176);
    EXPECT_EQ(last.parts.size(), 2u);
}

// The same Prokka genome as GFF3 with ##FASTA and as GenBank (annotated in two
// runs, so with other locus tags): every CDS at the same coordinates has the
// protein Prokka wrote.
TEST(Translation, ProkkaGffFastaMatchesProkkaGenBank) {
    std::unordered_map<std::string, std::string> sequences;
    const AnnotatedGenome gff =
        readAnnotatedGenome(kChlamydia + "/PROKKA_12132021.gff.gz", "CDS", "locus_tag", &sequences);
    const AnnotatedGenome gbk = readAnnotatedGenome(kProkkaGenBank, "CDS", "locus_tag");
    ASSERT_EQ(sequences.size(), 2u);
    EXPECT_EQ(sequences.at("NZ_CP007131.1").size(), 1042680u);
    std::map<std::tuple<std::string, long long, long long, char>, std::string> proteins;
    for (const AnnotatedGene& gene : gbk.genes)
        proteins[{gbk.regions[gene.region], gene.start, gene.end, gene.strand}] = gene.translation;
    int compared = 0;
    for (const AnnotatedGene& gene : gff.genes) {
        auto found = proteins.find({gff.regions[gene.region], gene.start, gene.end, gene.strand});
        if (found == proteins.end()) continue;
        EXPECT_EQ(translateCds(sequences.at(gff.regions[gene.region]), gene), found->second) << gene.ids.front();
        ++compared;
    }
    EXPECT_GT(compared, 850) << "of " << gff.genes.size();
}

// A family table for the genomes of the tests without MMseqs2: a few genes
// by locus tag, and a column for a genome that is not converted.
const char* kSmallTable =
    "Orthogroup\tA2497\tPROKKA_12132021\tGCF_002088315\tabsent\tmini\tncbi\n"
    "OG1\tCTO_RS00010\tNILJEPDF_00002\tJIEJKO_00005\tx1\tMINI_0001\tT_RS00005\n"
    "OG2\tCTO_RS00015\tNILJEPDF_00003\tJIEJKO_00010\tx2\tMINI_0002\tT_RS00015\n"
    "OG3\t\t\t\tx3\t\t\n";

TEST(Convert, GenBankGffGzipAndASubsetOfTheTable) {
    TempDir dir;
    writeFile(dir.file("families.tsv"), kSmallTable);
    const RunResult run = runZub("convert -o out --table families.tsv " + kChlamydia + "/A2497.gbff.gz " + kChlamydia +
                                     "/PROKKA_12132021.gff.gz " + kChlamydia + "/GCF_002088315.gff3.gz " +
                                     kAnnotations + "/mini.gbk " + kAnnotations + "/ncbi.gff3",
                                 dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("converted 5 genomes: 2737 genes, 10 with a family"), npos) << run.out;
    EXPECT_NE(run.out.find("table genomes without an annotation file, left out: 1\n  absent\n"), npos) << run.out;
    EXPECT_NE(run.out.find("table genes found in no GFF file: 0"), npos) << run.out;
    EXPECT_EQ(readFile(dir.file("out/genomes.txt")).substr(0, 69),
              "SOURCE: annotation.txt\nA2497:NC_017437.1,NC_017438.1\nPROKKA_12132021:");
    const tamsu::Genomes genomes = tamsu::Genomes::read(dir.file("out/genomes.txt"), nullptr);
    ASSERT_EQ(genomes.genomeCount(), 5);
    EXPECT_EQ(genomes.chromosomeLength(0, 0), 929);  // and 8 genes on the plasmid
    EXPECT_EQ(genomes.locusTag(0, 0, 2), "CTO_RS00010");

    // The side table: one row per gene in annotation order.
    const auto rows = tsvRows(readFile(dir.file("out/genes.tsv")));
    ASSERT_EQ(rows.size(), 2738u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"genome", "chromosome", "position", "locus_tag", "family_id",
                                                 "family_name", "product", "start", "end", "strand", "sequence_id", "gene"}));
    EXPECT_EQ(rows[2],
              (std::vector<std::string>{"A2497", "NC_017437.1", "2", "CTO_RS00010", "1", "OG1",
                                        "DUF378 domain-containing protein", "1915", "2187", "-", "NC_017437.1", ""}));
    std::map<std::string, std::vector<std::string>> byTag;
    for (const auto& row : rows) byTag[row[3]] = row;
    EXPECT_EQ(byTag.at("NILJEPDF_00003")[6],
              "Glutamyl-tRNA(Gln) amidotransferase subunit C, chloroplastic/mitochondrial");
    EXPECT_EQ(byTag.at("JIEJKO_00010")[4], "2");
    EXPECT_EQ(byTag.at("CTO_RS00985")[11], "pyrG");  // GenBank /gene: the figures' label
    EXPECT_EQ(byTag.at("MINI_0002")[5], "OG2");
    EXPECT_EQ(byTag.at("MINI_0003")[7] + ".." + byTag.at("MINI_0003")[8], "1950..2040");
    EXPECT_EQ(byTag.at("T_RS00010")[4], "0");  // the NCBI pseudogene: no family
    EXPECT_EQ(byTag.at("T_RS00015")[6], "Asp-tRNA(Asn)/Glu-tRNA(Gln) amidotransferase subunit GatC");
}

// The Roary fixture's side table, and the same conversion from gzip files
// (GFF3 and table) gives the same outputs but the file names.
TEST(Convert, SideTableAndGzipOfTheRoaryFixture) {
    TempDir dir;
    for (const char* name : {"gene_presence_absence.csv", "isoA.gff", "isoB.gff"})
        copyInto(kInputs + "/" + name, dir.path(), name);
    RunResult run = runZub("convert -o plain --table gene_presence_absence.csv isoA.gff isoB.gff", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(kInputs + "/expected_genes.tsv"), readFile(dir.file("plain/genes.tsv")));
    ASSERT_EQ(shell("cd '" + dir.path() + "' && gzip isoA.gff isoB.gff gene_presence_absence.csv"), 0);
    run = runZub("convert -o gz --table gene_presence_absence.csv.gz isoA.gff.gz isoB.gff.gz", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    std::string expected = readFile(kInputs + "/expected_annotation.txt");
    for (size_t at = expected.find(".gff\n"); at != npos; at = expected.find(".gff\n", at))
        expected.insert(at += 4, ".gz");
    EXPECT_EQ(expected, readFile(dir.file("gz/annotation.txt")));
    EXPECT_EQ(readFile(kInputs + "/expected_genomes.txt"), readFile(dir.file("gz/genomes.txt")));
    EXPECT_EQ(readFile(kInputs + "/expected_genes.tsv"), readFile(dir.file("gz/genes.tsv")));
}

TEST(Convert, DamagedGzipNamesTheFile) {
    TempDir dir;
    copyInto(kChlamydia + "/PROKKA_12132021.gff.gz", dir.path(), "whole.gff.gz");
    // The first 40000 bytes: a stream that ends in the middle.
    ASSERT_EQ(shell("cd '" + dir.path() + "' && head -c 40000 whole.gff.gz > g.gff.gz"), 0);
    writeFile(dir.file("t.tsv"), "Orthogroup\tg\nOG1\tNILJEPDF_00001\n");
    const RunResult run = runZub("convert -o out --table t.tsv g.gff.gz", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: reading \"g.gff.gz\" failed after line"), npos) << run.err;
    EXPECT_FALSE(fileExists(dir.file("out/genomes.txt")));
}

TEST(Families, RefusedInput) {
    TempDir dir;
    // An NCBI GFF3 has neither translations nor sequences; without its .faa
    // there is no protein.
    copyInto(kAnnotations + "/ncbi.gff3", dir.path(), "ncbi.gff3");
    RunResult run = runZub("families -o fam.tsv ncbi.gff3", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ncbi.gff3: no protein sequence for any of its 4 genes"), npos) << run.err;
    run = runZub("families -o fam.tsv --mmseqs /nonexistent/mmseqs " + kAnnotations + "/mini.gbk", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: cannot run \"/nonexistent/mmseqs\""), npos) << run.err;
    run = runZub("families -o fam.tsv --identity 1.5 " + kAnnotations + "/mini.gbk", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("invalid value of --identity: 1.5"), npos) << run.err;
    run = runZub("families -o fam.tsv --method fast " + kAnnotations + "/mini.gbk", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("invalid value of --method: fast (cluster or linclust)"), npos) << run.err;
    EXPECT_FALSE(fileExists(dir.file("fam.tsv")));
}

// Proteins from a .faa beside the GFF3 (found by protein_id) and from GenBank
// /translation, clustered by MMseqs2's linclust (easy-cluster spends seconds
// on its k-mer index whatever the input's size).
TEST(Families, ProteinFileBesideAndGenBankTranslations) {
    if (!haveMmseqs()) GTEST_SKIP() << "mmseqs is not installed (scripts/setup.sh installs Debian's mmseqs2)";
    TempDir dir;
    for (const char* name : {"ncbi.gff3", "ncbi.faa", "mini.gbk"})
        copyInto(kAnnotations + "/" + name, dir.path(), name);
    const RunResult run =
        runZub("families -o fam/families.tsv --method linclust --threads 1 ncbi.gff3 mini.gbk", dir.path());
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("ncbi: 4 genes, 2 proteins (2 from ncbi.faa), 2 in families"), npos) << run.out;
    EXPECT_NE(run.out.find("mini: 3 genes, 2 proteins (2 from the file's translations), 2 in families"), npos)
        << run.out;
    EXPECT_EQ(readFile(dir.file("fam/families.tsv")),
              "Orthogroup\tncbi\tmini\nfam00001\tT_RS00005\tMINI_0001\nfam00002\tT_RS00015\tMINI_0002\n");
    // No scratch files are left.
    EXPECT_EQ(shell("test \"$(ls '" + dir.file("fam") + "')\" = families.tsv"), 0);
}

// The whole route on four Chlamydia trachomatis genomes (two RefSeq GenBank,
// one Prokka GFF3, one Bakta GFF3, all gzip): families, convert, a
// reference-based run and its pictures. The 23 genes of the superoperon
// (L3 ... L17: the S10, spc and alpha operons; S10 itself sits elsewhere in
// Chlamydia) are 23 families with one gene in every genome, and one cluster
// holds them all, with an occurrence in every genome.
TEST(Families, ChlamydiaSuperoperonIsOneClusterInEveryGenome) {
    if (!haveMmseqs()) GTEST_SKIP() << "mmseqs is not installed (scripts/setup.sh installs Debian's mmseqs2)";
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the plain build runs it: mmseqs takes the same time here, and the parts of zub it uses are "
                    "tested in this build by the other tests";
#endif
    TempDir dir;
    std::string files;
    for (const char* name : {"A2497.gbff.gz", "RC-J_943.gbff.gz", "PROKKA_12132021.gff.gz", "GCF_002088315.gff3.gz"})
        files += " " + kChlamydia + "/" + name;
    RunResult run = runZub("families -o fam.tsv" + files, dir.path());
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("PROKKA_12132021: 899 genes, 899 proteins (899 translated from the file's sequences)"), npos)
        << run.out;
    run = runZub("convert -o conv --table fam.tsv" + files, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;

    // The superoperon in A2497: from L3 down to L17, all on the minus strand.
    const auto genes = tsvRows(readFile(dir.file("conv/genes.tsv")));
    int l3 = -1, l17 = -1;
    for (size_t r = 1; r < genes.size(); ++r)
        if (genes[r][0] == "A2497") {
            if (genes[r][6] == "50S ribosomal protein L3") l3 = static_cast<int>(r);
            if (genes[r][6] == "50S ribosomal protein L17") l17 = static_cast<int>(r);
        }
    ASSERT_TRUE(l3 > 0 && l17 > 0 && l3 - l17 == 22) << l3 << " " << l17;
    std::set<std::string> operon;
    for (int r = l17; r <= l3; ++r) {
        EXPECT_NE(genes[r][4], "0") << genes[r][6];
        operon.insert(genes[r][4]);
    }
    EXPECT_EQ(operon.size(), 23u);
    std::map<std::string, std::map<std::string, int>> copies;  // family -> genome -> genes
    for (size_t r = 1; r < genes.size(); ++r)
        if (operon.count(genes[r][4]) != 0) ++copies[genes[r][4]][genes[r][0]];
    for (const auto& [family, genomes] : copies) {
        EXPECT_EQ(genomes.size(), 4u) << "family " << family;
        for (const auto& [genome, count] : genomes) EXPECT_EQ(count, 1) << "family " << family << " in " << genome;
    }

    run = runZub("conv/genomes.txt -r -d 1 -s 20 -o conv/clusters.tsv --progress=none", dir.path(), "/dev/null");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = tsvRows(readFile(dir.file("conv/clusters.tsv")));
    // The smallest cluster holding every family of the superoperon.
    std::string best;
    size_t bestSize = 0;
    for (size_t r = 1; r < rows.size(); ++r) {
        std::set<std::string> families;
        std::istringstream list(rows[r][5]);
        for (std::string id; std::getline(list, id, ',');) families.insert(id);
        bool all = true;
        for (const std::string& family : operon) all = all && families.count(family) != 0;
        if (all && (best.empty() || families.size() < bestSize)) best = rows[r][0], bestSize = families.size();
    }
    ASSERT_FALSE(best.empty()) << "no cluster holds the superoperon";
    EXPECT_LE(bestSize, 60u);
    std::set<std::string> genomesWithOccurrence;
    for (size_t r = 1; r < rows.size(); ++r)
        if (rows[r][0] == best && std::stoi(rows[r][13]) <= 1) genomesWithOccurrence.insert(rows[r][7]);
    EXPECT_EQ(genomesWithOccurrence, (std::set<std::string>{"A2497", "RC-J_943", "PROKKA_12132021", "GCF_002088315"}));

    run = runZub("plot conv/genomes.txt conv/clusters.tsv -o svg --top 2", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("svg/cluster_"), npos) << run.out;
}

}  // namespace

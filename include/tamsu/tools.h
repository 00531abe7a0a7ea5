// The vocabulary of the tools around a search: converting GFF3 files and a
// gene-family table into the genome list format, drawing found clusters, and
// explaining why a gene set is or is not a cluster. Plain data; the calls are
// declared in tamsu/tamsu.h.
#pragma once

#include <string>
#include <vector>

namespace tamsu {

// One conversion: annotation files (one per genome: GFF3 or GenBank, plain
// or gzip-compressed; the file name without .gz and extension names the
// genome and is its column in the family tables) and family tables
// (Roary/Panaroo gene_presence_absence.csv, OrthoFinder Orthogroups.tsv, or
// the table of zub families). Table columns without a file are left out.
struct ConvertRequest {
    std::vector<std::string> gffPaths;      // annotation files, in genome order
    std::vector<std::string> tablePaths;    // read in this order; an Orthogroups.tsv brings its unassigned genes
    std::string idAttribute = "locus_tag";  // the attribute matched against the table's ids, then "ID"
    std::string featureType = "CDS";        // the GFF feature type of a gene ("CDS" or "gene")
    std::string annotationName;             // what the genome list's SOURCE line names
};

struct ConvertedGenome {
    std::string name;
    int chromosomes = 0;
    int genes = 0;
    int matched = 0;  // genes with a family
};

struct ConvertSummary {
    std::vector<ConvertedGenome> genomes;
    int families = 0;                      // family ids 1..families, in table order
    std::vector<std::string> extraTables;  // tables read without being named
    std::vector<std::string> skippedGenomes;  // table genome columns without an annotation file
    std::vector<std::string> notFound;     // table genes in no GFF file: "genome<TAB>id<TAB>file:line"
};

// Gene families built from the proteins of annotated genomes by clustering
// them with MMseqs2 (zub families).
struct FamiliesRequest {
    std::vector<std::string> annotationPaths;  // GFF3 or GenBank, plain or gzip, one per genome
    std::vector<std::string> proteinPaths;     // FASTA protein files (Prokka/Bakta .faa), matched by id
    std::string idAttribute = "locus_tag";     // as for convert: the gene id written to the table
    std::string featureType = "CDS";
    double minIdentity = 0.5;        // mmseqs --min-seq-id
    double minCoverage = 0.8;        // mmseqs -c, of query and target (--cov-mode 0)
    std::string method = "cluster";  // "cluster": mmseqs easy-cluster (cascaded, sensitive); "linclust": easy-linclust
    std::string mmseqs = "mmseqs";   // the MMseqs2 program
    int threads = 0;                 // mmseqs --threads; 0: the machine's cores
    std::string workDirectory;       // scratch folder for mmseqs (removed afterwards); empty: the system temp folder
};

struct FamiliesGenome {
    std::string name;
    int genes = 0;
    int proteins = 0;           // genes with a protein sequence
    int inFamilies = 0;         // genes in a family of two or more
    std::string proteinSource;  // where the proteins came from
};

struct FamiliesSummary {
    std::vector<FamiliesGenome> genomes;
    int families = 0;     // rows of the table
    int singletons = 0;   // proteins without any homologue (no row: family 0 in convert)
    std::string command;  // the mmseqs command line run
};

// What the output file holds beyond the plain table of writeClusters.
struct ClusterTableOptions {
    // Columns group, family_names and products (JSON: group, familyNames,
    // products), the names and products from the side table of zub convert
    // (genes.tsv beside the annotation file) where there is one.
    bool annotate = false;
    int maxSize = 0;                   // clusters of more gene families are left out; 0: none
    std::vector<std::string> command;  // the command line, recorded in the JSON header with the version
};

// What to draw of a run's output table.
struct PlotOptions {
    std::string directory;  // the pictures go here: cluster_<n>.svg (and .png, .pdf) per cluster
    int top = 10;           // the best clusters by score, one per group (see ungrouped)
    int flank = 2;          // genes drawn on either side of an occurrence
    std::vector<int> clusters;  // these clusters (numbers of the table) instead of the best ones
    std::vector<int> families;  // only clusters whose gene set holds all these families (ids as read)
    bool ungrouped = false;     // the best clusters even where several are of one group
    bool png = false;           // also cluster_<n>.png (rsvg-convert, twice the SVG's size)
    bool pdf = false;           // also cluster_<n>.pdf (rsvg-convert)
    std::string converter = "rsvg-convert";  // the SVG converter (Debian's librsvg2-bin)
};

// A genome's best interval for a gene set: the smallest set distance, then
// the fewest genes, then the first in chromosome and position order.
struct IntervalExplanation {
    int genome = 0;
    bool hasInterval = false;     // some family of the set occurs in the genome
    int chromosome = -1;
    int first = 0;                // 1-based gene positions
    int last = 0;
    int distance = 0;             // set distance; the set's size without an interval
    bool withinDistance = false;  // distance <= delta
    int hits = 0;                 // families of the set inside the interval
    std::vector<int> missing;     // families of the set not in the interval (ids as read)
    std::vector<int> foreign;     // families of the interval not in the set (ids as read)
};

// One rule of the search applied to the gene set.
struct RuleCheck {
    std::string rule;    // "minimum size", "distance", "quorum", "reference interval", "essential genes", ...
    bool passes = true;
    std::string detail;  // the values the verdict rests on
};

struct Explanation {
    std::vector<int> families;         // the set: ids as read, ascending, each once
    std::vector<int> unknownFamilies;  // ids of the set that no genome holds
    int delta = 0;
    std::vector<IntervalExplanation> genomes;
    std::vector<RuleCheck> rules;  // the rules with the values behind them; they explain, the run decides
    // The verdict, from a run of the query on the same genomes: the number of
    // the reported cluster with exactly this set (-1 when there is none), and
    // otherwise the first reported cluster whose set holds this one (-1 when
    // there is none) with its families.
    int reportedAs = -1;
    int insideCluster = -1;
    std::vector<int> insideFamilies;
    bool isCluster() const { return reportedAs >= 0; }
};

}  // namespace tamsu

// The public interface of the gene-cluster library: genomes in, clusters out.
// The command line, the JVM bridge, the benchmarks and any other program use
// this header only.
//
//   tamsu::Genomes genomes = tamsu::Genomes::read("genomes.txt");
//   tamsu::Query query;
//   query.mode = tamsu::Mode::reference;
//   query.delta = 1;
//   query.minClusterSize = 5;
//   tamsu::RunContext context;            // stdout/stderr; null streams silence
//   tamsu::Result result = tamsu::findClusters(genomes, query, context);
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tamsu/outputFile.h"
#include "tamsu/tools.h"
#include "tamsu/types.h"

namespace tamsu {

// The genomes of a run with their dense gene-family alphabet. Immutable once
// built; copies share the data, and any number of runs may read it at once.
class Genomes {
public:
    // Reads the genome list and the annotation file it names; the reading
    // notices go to out (null: none). Throws Error naming the file and line
    // of any input problem.
    static Genomes read(const std::string& genomeListPath, FILE* out = stdout);
    // Genomes whose genes arrive already recoded: genes[g][c] is chromosome c
    // of genome g with the sentinel 0 at both ends and the families 1..
    // alphabetSize between them; codingTable[code] is the family id as read
    // (alphabetSize + 1 entries). Genomes and chromosomes carry no names.
    static Genomes fromRecoded(const std::vector<std::vector<std::vector<int>>>& genes, std::vector<int> codingTable,
                               int alphabetSize);

    int genomeCount() const;
    int alphabetSize() const;
    int chromosomeCount(int genome) const;
    // Genes of the chromosome (positions 1..length).
    int chromosomeLength(int genome, int chromosome) const;
    // The recoded family at a position (1-based; 0 at the sentinels 0 and length+1).
    int gene(int genome, int chromosome, int position) const;
    const std::string& genomeName(int genome) const;
    const std::string& chromosomeName(int genome, int chromosome) const;
    // Locus tag of the gene at position (1-based); empty without annotation.
    const std::string& locusTag(int genome, int chromosome, int position) const;
    // The annotation file the genomes were read from (empty when built from arrays).
    const std::string& annotationPath() const;
    // The family id as read of a recoded family, and the code of a family id
    // as read (0 when no gene has it).
    int originalId(int code) const;
    int familyCode(int id) const;
    // The genome statistics block of the command line.
    void printStatistics(FILE* stream) const;

    // The library's own form of the genomes, opaque to callers.
    struct Data;
    const Data& data() const { return *data_; }

private:
    explicit Genomes(std::shared_ptr<const Data> data) : data_(std::move(data)) {}
    std::shared_ptr<const Data> data_;
};

// The status of the command line: the run's text on out and err as it
// comes, the progress in the given form, and the poll keepGoing (none: the
// run is never stopped).
class StatusPrinter final : public Status {
public:
    StatusPrinter(FILE* out, FILE* err, ProgressForm form = ProgressForm::lines,
                  std::function<bool()> keepGoing = {})
        : out_(out), err_(err), form_(form), keepGoing_(std::move(keepGoing)) {}

    void print(Stream stream, const std::string& text) override;
    void workStarted(long long total) override;
    void workDone(long long done) override;
    void referenceChromosome(int chromosome, int genome, const std::string& name, int genes,
                             long long done) override;
    void workFinished() override;
    bool keepGoing() override { return !keepGoing_ || keepGoing_(); }

private:
    double percentOf(long long done) const;

    FILE* out_;
    FILE* err_;
    ProgressForm form_;
    std::function<bool()> keepGoing_;
    long long total_ = 0;
    // The percent form: the last whole percent shown; whether out is a
    // terminal (lines rewritten in place) and a line is left open there.
    int shownPercent_ = -1;
    bool terminal_ = false;
    bool lineOpen_ = false;
};

// The version of the library and the command line ("2.0.0").
const char* version();

// Why path cannot be read as an input file ("No such file or directory", "it
// is a folder, not a file", "it is a device, not a regular file", ...);
// empty when it is a readable regular file. Never blocks on a pipe.
std::string inputFileProblem(const std::string& path);

// Prints the message of the exception being handled (call it inside a catch
// block): an Error on its stream, anything else as "error: ..." on err.
void printCurrentError(FILE* out, FILE* err);

// Refuses a query that no search can run: throws Error (stream err) with the
// rule's message. Rules that need the genome count (a quorum no larger than
// it) are skipped when it is below 1.
void validate(const Query& query, int genomeCount);

// The parameter block, naming the output file: as entered (the command
// line's), or with the values derived from the genome count (the host's).
void printParameters(FILE* stream, const Query& query, const std::string& outputFile);
void printDerivedParameters(FILE* stream, const Query& query, int genomeCount, const std::string& outputFile);

struct Result {
    bool cancelled = false;       // the keepGoing poll stopped the run; nothing else is set
    std::vector<Cluster> clusters;  // every mode's clusters in one form (see RunContext::clusterRecords)
    SearchCounts counts;          // median and center searches
    // The reference clusters behind `clusters` (reference modes), for writeReports.
    struct ReferenceClusters;  // opaque to callers
    std::shared_ptr<const ReferenceClusters> referenceClusters;
    // The gene-family statistics file of a run with context.statisticsPath
    // set: its name and text.
    std::string statisticsPath;
    std::string statisticsText;
};

// Writes result.statisticsPath (when set) through a temporary file, replacing
// an older file only when complete. Throws Error when it cannot be written.
void writeStatisticsFile(const Result& result);

// Validates the query, runs the search of its mode and rates the clusters.
// Progress and status lines go to context.out, the query header and
// diagnostics to context.err. Writes no file: when context.statisticsPath is
// set the result holds the gene-family statistics file's name and text
// (written by writeStatisticsFile, or by the run itself when
// context.writeStatistics is set). Throws Error on bad input.
Result findClusters(const Genomes& genomes, const Query& query, RunContext& context);

// The text reports of a reference-mode run: the reference clusters on
// context.out, then the extracted gene clusters on context.err (pausing for a
// key after each when context.keys is set). Median and center: nothing.
void writeReports(const Result& result, const Genomes& genomes, RunContext& context);

// The clusters of a run as the output file holds them: a tab-separated table
// with one row per occurrence, or one JSON document that also names the query
// and the genomes (both described column by column in the README).
// genomeListPath is only named in the JSON header.
void writeClusters(FILE* out, OutputFormat format, const Result& result, const Genomes& genomes, const Query& query,
                   const std::string& genomeListPath);

// The output file with the additions of options (see ClusterTableOptions);
// without any, the table of the call above. The JSON document's header
// always names the program, its version and options.command.
void writeClusters(FILE* out, OutputFormat format, const Result& result, const Genomes& genomes, const Query& query,
                   const std::string& genomeListPath, const ClusterTableOptions& options);

// Every gene of every occurrence, one row each, for data-frame tools
// (pandas, R, gggenes): cluster, group, occurrence, genome, chromosome,
// position, locus_tag, gene, family_id, family_name, product, strand,
// start, end, in_cluster (its family is in the cluster's set), best. Names,
// products and coordinates come from the side table of zub convert
// (genes.tsv beside the annotation file), else from the annotation file
// (coordinates then empty). Clusters of more than maxSize families (when
// above 0) are left out.
void writeClusterGenes(FILE* out, const Result& result, const Genomes& genomes, const Query& query, int maxSize);

// Gene families given by id or by name (the family names of the side table
// genes.tsv); throws Error naming an unknown name.
std::vector<int> familyIds(const Genomes& genomes, const std::vector<std::string>& families);

// ---- Runs split into shards ----
//
// A reference-based or perfect run splits by reference chromosome: shard i of
// n searches a contiguous part of the reference chromosomes (balanced by gene
// count; a part may be empty). Only the final reduction of dominated clusters
// and the statistics need every chromosome, so they wait for mergeShards,
// which then writes and returns exactly what the whole run would have.

struct ShardResult {
    int shard = 1;  // 1-based
    int shardCount = 1;
    std::vector<std::string> command;               // the query as its caller recorded it (compared by the merge)
    std::string inputFingerprint;                   // inputFingerprint() of the genomes searched
    struct Clusters;                                // opaque to callers
    std::shared_ptr<const Clusters> clusters;       // null when the search was cancelled
    std::string source;                             // the file it was read from, for messages
};

// "fnv1a64:" and 16 hex digits: FNV-1a over the bytes of the genome list, a
// 0 byte and the annotation file, as Genomes::read read them (so that a file
// replaced during a run cannot pass for the one searched). Throws Error for
// genomes not read from files.
std::string inputFingerprint(const Genomes& genomes);

// Searches shard `shard` (1-based) of shardCount: progress and status lines
// go to context.out, as in findClusters; no file is written. Throws Error for
// a median or center query or a shard outside 1..shardCount.
ShardResult findShardClusters(const Genomes& genomes, const Query& query, int shard, int shardCount,
                              RunContext& context);

// The shard result file: one versioned JSON document (described in the README).
void writeShardResult(FILE* out, const ShardResult& result, const Genomes& genomes);
// Reads one; throws Error naming the file when it is not a shard result of this version.
ShardResult readShardResult(const std::string& path);

// Checks that results are the shards 1..n of one run, each once, of the same
// command and input fingerprint, and returns them in shard order; throws
// Error naming their files otherwise.
std::vector<ShardResult> orderShards(std::vector<ShardResult> results);

// The rest of the run from its ordered shards (see orderShards): what
// findClusters returns and writes, the gene-family statistics file included.
// Throws Error when a shard does not fit the genomes.
Result mergeShards(const Genomes& genomes, const Query& query, const std::vector<ShardResult>& shards,
                   RunContext& context);

// ---- Around a search: inputs from GFF3 files, pictures, explanations ----

// Converts annotation files (GFF3 or GenBank, plain or gzip) and gene-family
// tables (see ConvertRequest) into a genome list and an annotation file,
// written to the two streams, and, when genes is not null, the side table of
// the genes (tab-separated, one row per gene in annotation order: genome,
// chromosome, position, locus_tag, family_id, family_name, product, start,
// end, strand, sequence_id, gene). Throws Error naming the file and line of
// malformed input, and when an annotation file's stem is no genome column.
ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation, FILE* genes = nullptr);
// The conversion report: genes matched and unmatched per genome, table genes in no GFF.
void printConvertSummary(FILE* out, const ConvertSummary& summary);

// Gene families without a pangenome table: the proteins of the genomes
// (GenBank /translation, the given protein files, or CDS translated from the
// annotation's own sequences) clustered with MMseqs2, written to table as a
// family table that convertGenomes reads (one row per family of two or more
// proteins, one column per genome); log (null: none) gets the steps. Throws
// Error when mmseqs cannot be run or
// fails, and when a genome has no protein.
FamiliesSummary buildFamilies(const FamiliesRequest& request, FILE* table, FILE* log);
void printFamiliesSummary(FILE* out, const FamiliesSummary& summary);

// Draws the best clusters of a run's output table (tab-separated) as SVG
// files, one per cluster; returns their paths. Throws Error naming the table's
// line when a row does not belong to these genomes or disagrees with the
// other rows of its cluster, and before writing anything when a picture's
// name is an input file (or a link to one). The pictures are written through
// temporary files and all renamed at the end.
std::vector<std::string> plotClusters(const Genomes& genomes, const std::string& clusterTablePath,
                                      const PlotOptions& options);

// One self-contained HTML page of a run's output table (tab-separated): a
// table of the clusters to sort and filter (size, score, genomes, families,
// products, group) and the figure of the selected cluster (as plotClusters
// draws it, flank genes on either side), written to out. It needs no
// network. Throws Error as plotClusters does for the table.
void writeReport(FILE* out, const Genomes& genomes, const std::string& clusterTablePath, int flank = 2);

// Why a gene set (family ids as read) is or is not a cluster under the query:
// every genome's best interval and the search's rules with their values.
Explanation explain(const Genomes& genomes, const std::vector<int>& familyIds, const Query& query);

}  // namespace tamsu

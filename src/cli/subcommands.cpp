// zub convert, zub families, zub plot, zub explain.
#include "subcommands.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "outputFile.h"
#include "tamsu/tamsu.h"

namespace {

constexpr const char* kConvertUsage =
    "\nUsage: zub convert -o <folder> --table <familyTable> [--table <file>]... [--id-attribute <name>]\n"
    "                   [--feature CDS|gene] <genome1> <genome2> ...\n"
    "\nWrites <folder>/genomes.txt, <folder>/annotation.txt and the gene table <folder>/genes.tsv from one\n"
    "annotation file per genome (GFF3 or GenBank .gbk/.gbff, each also gzip-compressed) and a\n"
    "gene-family table: a Roary/Panaroo gene_presence_absence.csv, an OrthoFinder Orthogroups.tsv\n"
    "(its Orthogroups_UnassignedGenes.tsv beside it is read as well) or the table of zub families.\n"
    "The table's genome columns are the file names without .gz and extension; columns without a file\n"
    "are left out. Genes are matched through --id-attribute (default locus_tag), then ID; genes\n"
    "without a family get 0.\n\n";

constexpr const char* kFamiliesUsage =
    "\nUsage: zub families -o <table> [--identity F] [--coverage F] [--method cluster|linclust]\n"
    "                    [--proteins <file.faa>]... [--threads N] [--mmseqs <program>] [--id-attribute <name>]\n"
    "                    [--feature CDS|gene] <genome1> <genome2> ...\n"
    "\nBuilds gene families from the proteins of annotated genomes (GenBank /translation, a FASTA protein\n"
    "file such as Prokka's or Bakta's <genome>.faa beside the file or given with --proteins, or the CDS\n"
    "translated from a GFF3's ##FASTA sequences) with MMseqs2 (mmseqs easy-cluster) and writes a family\n"
    "table for zub convert: one row per family of two or more proteins. --identity is the minimum\n"
    "sequence identity (default 0.5), --coverage the minimum aligned fraction of both proteins\n"
    "(default 0.8). --method linclust runs mmseqs easy-linclust (linear time, for many or closely\n"
    "related genomes) instead of the more sensitive easy-cluster.\n\n";

constexpr const char* kPlotUsage =
    "\nUsage: zub plot <genomeList> <clusterTable> -o <folder> [--top <n>] [--flank <genes>]\n"
    "\nDraws the n best clusters (default 10) of a run's tab-separated output table as\n"
    "<folder>/cluster_<number>.svg, with <genes> genes (default 2) on either side of each occurrence.\n\n";

constexpr const char* kExplainUsage =
    "\nUsage: zub explain <genomeList> --genes <id,id,...> [-d <delta>] [-s <minsize>] [-q <quorum>]\n"
    "                   [-m|-c|-r|-p] [--refType=genome|cluster|discovery] [--qType=...]\n"
    "\nFor the gene set (family ids of the annotation file) prints each genome's best interval and the\n"
    "rules of the search that accept or reject the set as a cluster. delta is 0 unless given.\n\n";

[[noreturn]] void failWith(const char* usage, const std::string& message) {
    throw tamsu::Error(tamsu::Stream::err, message + usage);
}

double fraction(const char* usage, const char* option, const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 0 && value <= 1))
        failWith(usage, std::string("error: invalid value of ") + option + ": " + text + " (a fraction from 0 to 1)\n");
    return value;
}

int number(const char* usage, const char* option, const char* text) {
    int value = 0;
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end || value < 0)
        failWith(usage, std::string("error: invalid value of ") + option + ": " + text + "\n");
    return value;
}

// The value after an option; argv[i] is the option.
const char* valueOf(const char* usage, int argc, const char* const* argv, int& i) {
    if (i + 1 >= argc) failWith(usage, std::string("error: no value given for ") + argv[i] + "\n");
    return argv[++i];
}

int runConvert(int argc, const char* const* argv) {
    tamsu::ConvertRequest request;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o") folder = valueOf(kConvertUsage, argc, argv, i);
        else if (arg == "--table") request.tablePaths.push_back(valueOf(kConvertUsage, argc, argv, i));
        else if (arg == "--id-attribute") request.idAttribute = valueOf(kConvertUsage, argc, argv, i);
        else if (arg == "--feature") request.featureType = valueOf(kConvertUsage, argc, argv, i);
        else if (arg.starts_with("-")) failWith(kConvertUsage, "error: unknown option: " + arg + "\n");
        else request.gffPaths.push_back(arg);
    }
    if (folder.empty()) failWith(kConvertUsage, "error: no output folder given (-o)\n");
    if (request.gffPaths.empty()) failWith(kConvertUsage, "error: no GFF3 or GenBank file given\n");
    if (request.tablePaths.empty()) failWith(kConvertUsage, "error: no family table given (--table)\n");

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string listPath = (std::filesystem::path(folder) / "genomes.txt").string();
    const std::string annotationPath = (std::filesystem::path(folder) / "annotation.txt").string();
    const std::string genesPath = (std::filesystem::path(folder) / "genes.tsv").string();
    std::vector<std::string> inputs = request.gffPaths;
    inputs.insert(inputs.end(), request.tablePaths.begin(), request.tablePaths.end());
    checkOutputPath(listPath, inputs);
    checkOutputPath(annotationPath, inputs);
    checkOutputPath(genesPath, inputs);
    request.annotationName = "annotation.txt";
    AtomicOutputFile list(listPath), annotation(annotationPath), genes(genesPath);
    const tamsu::ConvertSummary summary = tamsu::convertGenomes(request, list.get(), annotation.get(), genes.get());
    genes.commit();
    annotation.commit();
    list.commit();
    tamsu::printConvertSummary(stdout, summary);
    std::printf("wrote %s and %s (genes: %s)\n", listPath.c_str(), annotationPath.c_str(), genesPath.c_str());
    return 0;
}

int runFamilies(int argc, const char* const* argv) {
    tamsu::FamiliesRequest request;
    std::string tablePath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o")
            tablePath = valueOf(kFamiliesUsage, argc, argv, i);
        else if (arg == "--identity")
            request.minIdentity = fraction(kFamiliesUsage, "--identity", valueOf(kFamiliesUsage, argc, argv, i));
        else if (arg == "--coverage")
            request.minCoverage = fraction(kFamiliesUsage, "--coverage", valueOf(kFamiliesUsage, argc, argv, i));
        else if (arg == "--proteins")
            request.proteinPaths.push_back(valueOf(kFamiliesUsage, argc, argv, i));
        else if (arg == "--threads")
            request.threads = number(kFamiliesUsage, "--threads", valueOf(kFamiliesUsage, argc, argv, i));
        else if (arg == "--mmseqs")
            request.mmseqs = valueOf(kFamiliesUsage, argc, argv, i);
        else if (arg == "--method") {
            request.method = valueOf(kFamiliesUsage, argc, argv, i);
            if (request.method != "cluster" && request.method != "linclust")
                failWith(kFamiliesUsage,
                         "error: invalid value of --method: " + request.method + " (cluster or linclust)\n");
        } else if (arg == "--id-attribute")
            request.idAttribute = valueOf(kFamiliesUsage, argc, argv, i);
        else if (arg == "--feature")
            request.featureType = valueOf(kFamiliesUsage, argc, argv, i);
        else if (arg.starts_with("-"))
            failWith(kFamiliesUsage, "error: unknown option: " + arg + "\n");
        else
            request.annotationPaths.push_back(arg);
    }
    if (tablePath.empty()) failWith(kFamiliesUsage, "error: no output table given (-o)\n");
    if (request.annotationPaths.empty()) failWith(kFamiliesUsage, "error: no GFF3 or GenBank file given\n");
    std::vector<std::string> inputs = request.annotationPaths;
    inputs.insert(inputs.end(), request.proteinPaths.begin(), request.proteinPaths.end());
    std::error_code error;
    if (const auto parent = std::filesystem::path(tablePath).parent_path(); !parent.empty())
        std::filesystem::create_directories(parent, error);
    checkOutputPath(tablePath, inputs);
    // The scratch folder lies beside the table: the same disk, and one a cluster job can see.
    request.workDirectory = std::filesystem::path(tablePath).parent_path().string();
    if (request.workDirectory.empty()) request.workDirectory = ".";
    AtomicOutputFile table(tablePath);
    const tamsu::FamiliesSummary summary = tamsu::buildFamilies(request, table.get(), stdout);
    table.commit();
    tamsu::printFamiliesSummary(stdout, summary);
    std::printf("wrote %s\n", tablePath.c_str());
    return 0;
}

int runPlot(int argc, const char* const* argv) {
    std::vector<std::string> positional;
    tamsu::PlotOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o") options.directory = valueOf(kPlotUsage, argc, argv, i);
        else if (arg == "--top") options.top = number(kPlotUsage, "--top", valueOf(kPlotUsage, argc, argv, i));
        else if (arg == "--flank") options.flank = number(kPlotUsage, "--flank", valueOf(kPlotUsage, argc, argv, i));
        else if (arg.starts_with("-")) failWith(kPlotUsage, "error: unknown option: " + arg + "\n");
        else positional.push_back(arg);
    }
    if (positional.size() != 2) failWith(kPlotUsage, "error: a genome list and a cluster table are needed\n");
    if (options.directory.empty()) failWith(kPlotUsage, "error: no output folder given (-o)\n");
    if (options.top < 1) failWith(kPlotUsage, "error: invalid value of --top: 0\n");
    const tamsu::Genomes genomes = tamsu::Genomes::read(positional[0], nullptr);
    for (const std::string& path : tamsu::plotClusters(genomes, positional[1], options)) std::printf("%s\n", path.c_str());
    return 0;
}

std::string idList(const std::vector<int>& ids) {
    std::string text;
    for (int id : ids) {
        if (!text.empty()) text += ',';
        text += std::to_string(id);
    }
    return text;
}

int runExplain(int argc, const char* const* argv) {
    tamsu::Query query;
    query.delta = 0;
    std::vector<int> families;
    std::string listPath;
    bool modeGiven = false;
    std::optional<int> quorum;
    std::optional<tamsu::CostType> cost;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        modeGiven = modeGiven || arg == "-m" || arg == "-c" || arg == "-r" || arg == "-p";
        if (arg == "--genes") {
            std::string list = valueOf(kExplainUsage, argc, argv, i);
            for (size_t start = 0; start <= list.size();) {
                const size_t comma = std::min(list.find(',', start), list.size());
                families.push_back(number(kExplainUsage, "--genes", list.substr(start, comma - start).c_str()));
                start = comma + 1;
            }
        } else if (arg == "-d") query.delta = number(kExplainUsage, "-d", valueOf(kExplainUsage, argc, argv, i));
        else if (arg == "-s") query.minClusterSize = number(kExplainUsage, "-s", valueOf(kExplainUsage, argc, argv, i));
        else if (arg == "-q") {
            quorum = number(kExplainUsage, "-q", valueOf(kExplainUsage, argc, argv, i));
        } else if (arg == "-m") query.mode = tamsu::Mode::median;
        else if (arg == "-c") query.mode = tamsu::Mode::center;
        else if (arg == "-r") query.mode = tamsu::Mode::reference;
        else if (arg == "-p") query.mode = tamsu::Mode::perfect;
        else if (arg == "--refType=genome") query.refType = tamsu::RefType::genome;
        else if (arg == "--refType=cluster") query.refType = tamsu::RefType::cluster;
        else if (arg == "--refType=discovery") query.refType = tamsu::RefType::discovery;
        else if (arg == "--qType=zeroCost") cost = tamsu::CostType::zero;
        else if (arg == "--qType=proportionateCost") cost = tamsu::CostType::proportionate;
        else if (arg == "--qType=sizeDependentCost") cost = tamsu::CostType::sizeDependent;
        else if (arg.starts_with("-") || !listPath.empty()) failWith(kExplainUsage, "error: unknown argument: " + arg + "\n");
        else listPath = arg;
    }
    // A cost type without -q is refused as a quorum of no genomes.
    if (quorum || cost) query.quorum = tamsu::Quorum{quorum.value_or(0), cost.value_or(tamsu::CostType::zero)};
    // As on a run: a reference type without a mode means reference mode.
    if (!modeGiven && query.refType != tamsu::RefType::none) query.mode = tamsu::Mode::reference;
    if (listPath.empty()) failWith(kExplainUsage, "error: no genome list given\n");
    if (families.empty()) failWith(kExplainUsage, "error: no gene set given (--genes)\n");
    const tamsu::Genomes genomes = tamsu::Genomes::read(listPath, nullptr);
    const tamsu::Explanation why = tamsu::explain(genomes, families, query);

    static const char* const kModes[] = {"median", "center", "reference", "perfect"};
    std::printf("gene set %s (%zu families), mode %s, delta %d\n", idList(why.families).c_str(), why.families.size(),
                kModes[static_cast<int>(query.mode)], why.delta);
    if (!why.unknownFamilies.empty()) std::printf("in no genome: %s\n", idList(why.unknownFamilies).c_str());
    for (const tamsu::IntervalExplanation& g : why.genomes) {
        std::printf("%s: ", genomes.genomeName(g.genome).c_str());
        if (!g.hasInterval) {
            std::printf("no interval within distance %d (no family of the set)\n", why.delta);
            continue;
        }
        std::string interval = genomes.chromosomeName(g.genome, g.chromosome) + " " +
                                std::to_string(g.first) + "-" + std::to_string(g.last) + ", distance " +
                                std::to_string(g.distance) + (g.missing.empty() ? "" : ", missing " + idList(g.missing)) +
                                (g.foreign.empty() ? "" : ", foreign " + idList(g.foreign));
        if (g.withinDistance) std::printf("%s\n", interval.c_str());
        else std::printf("no interval within distance %d (best: %s)\n", why.delta, interval.c_str());
    }
    std::string rejected;
    std::printf("rules:\n");
    for (const tamsu::RuleCheck& rule : why.rules) {
        std::printf("  %s: %s (%s)\n", rule.rule.c_str(), rule.passes ? "passes" : "rejects", rule.detail.c_str());
        if (!rule.passes) rejected += (rejected.empty() ? "" : ", ") + rule.rule;
    }
    if (why.isCluster()) {
        std::printf("run: reported as cluster %d\n", why.reportedAs);
        std::printf("verdict: a cluster\n");
    } else {
        if (why.insideCluster >= 0)
            std::printf("run: not reported; inside cluster %d (%s)\n", why.insideCluster,
                        idList(why.insideFamilies).c_str());
        else std::printf("run: not reported\n");
        std::printf("verdict: not a cluster (rejected by: %s)\n", rejected.empty() ? "the search" : rejected.c_str());
    }
    return 0;
}

}  // namespace

bool isSubcommand(const std::string& name) {
    return name == "convert" || name == "families" || name == "plot" || name == "explain";
}

int runSubcommand(int argc, const char* const* argv) {
    const std::string name = argv[1];
    if (name == "convert") return runConvert(argc - 1, argv + 1);
    if (name == "families") return runFamilies(argc - 1, argv + 1);
    if (name == "plot") return runPlot(argc - 1, argv + 1);
    return runExplain(argc - 1, argv + 1);
}

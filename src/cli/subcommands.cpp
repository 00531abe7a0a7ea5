// zub convert, zub families, zub plot, zub explain.
#include "subcommands.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "arguments.h"
#include "commandLine.h"
#include "tamsu/tamsu.h"

namespace {

namespace fs = std::filesystem;

bool outputFailureReported = false;

std::string convertUsage() {
    const char* z = programName().c_str();
    return formatUsage(
        "\nUsage: %s convert -o <folder> --table <familyTable> [--table <file>]... [--id-attribute <name>]\n"
        "                   [--feature CDS|gene] <genome1> <genome2> ...\n"
        "\nWrites <folder>/genomes.txt, <folder>/annotation.txt and the gene table <folder>/genes.tsv from one\n"
        "annotation file per genome (GFF3 or GenBank .gbk/.gbff, each also gzip-compressed) and a\n"
        "gene-family table: a Roary/Panaroo gene_presence_absence.csv, an OrthoFinder Orthogroups.tsv\n"
        "(its Orthogroups_UnassignedGenes.tsv beside it is read as well) or the table of zub families.\n"
        "The table's genome columns are the file names without .gz and extension; columns without a file\n"
        "are left out. Genes are matched through --id-attribute (default locus_tag), then ID; genes\n"
        "without a family get 0. --help prints this text.\n\n",
        z);
}

std::string familiesUsage() {
    const char* z = programName().c_str();
    return formatUsage(
        "\nUsage: %s families -o <table> [--identity F] [--coverage F] [--method cluster|linclust]\n"
        "                    [--proteins <file.faa>]... [--threads N] [--mmseqs <program>] [--id-attribute <name>]\n"
        "                    [--feature CDS|gene] <genome1> <genome2> ...\n"
        "\nBuilds gene families from the proteins of annotated genomes (GenBank /translation, a FASTA protein\n"
        "file such as Prokka's or Bakta's <genome>.faa beside the file or given with --proteins, or the CDS\n"
        "translated from a GFF3's ##FASTA sequences) with MMseqs2 (mmseqs easy-cluster) and writes a family\n"
        "table for zub convert: one row per family of two or more proteins. --identity is the minimum\n"
        "sequence identity (default 0.5), --coverage the minimum aligned fraction of both proteins\n"
        "(default 0.8). --method linclust runs mmseqs easy-linclust (linear time, for many or closely\n"
        "related genomes) instead of the more sensitive easy-cluster. --help prints this text.\n\n",
        z);
}

std::string plotUsage() {
    const char* z = programName().c_str();
    return formatUsage(
        "\nUsage: %s plot <genomeList> <clusterTable> -o <folder> [--top <n>] [--flank <genes>] [--cluster <n>]...\n"
        "                [--genes <family,family,...>] [--ungrouped] [--png] [--pdf]\n"
        "\nDraws clusters of a run's tab-separated output table as <folder>/cluster_<number>.svg, with\n"
        "<genes> genes (default 2) on either side of each occurrence: the best cluster of each of the n best\n"
        "groups (default 10; a group gathers clusters of one region, see --annotate of a run), the n best\n"
        "clusters with --ungrouped, or the clusters named with --cluster. --genes keeps the clusters that\n"
        "hold all these families (ids, or names of genes.tsv beside the annotation file). --png and --pdf\n"
        "also write cluster_<number>.png and .pdf (rsvg-convert, Debian's librsvg2-bin).\n"
        "--help prints this text.\n\n",
        z);
}

std::string reportUsage() {
    const char* z = programName().c_str();
    return formatUsage(
        "\nUsage: %s report <genomeList> <clusterTable> -o <report.html> [--flank <genes>]\n"
        "\nWrites one self-contained HTML page of a run's tab-separated output table: the clusters in a\n"
        "table to sort and filter (size, score, genomes, families, products, group) and the figure of the\n"
        "selected cluster, with <genes> genes (default 2) on either side of each occurrence. The page needs\n"
        "no network; report.html#cluster=N opens it at cluster N. --help prints this text.\n\n",
        z);
}

std::string explainUsage() {
    const char* z = programName().c_str();
    return formatUsage(
        "\nUsage: %s explain <genomeList> --genes <id,id,...> -s <minsize> [-d <delta>] [-q <quorum>]\n"
        "                   [-m|-c|-r|-p] [--refType=genome|cluster|discovery] [--qType=...]\n"
        "\nFor the gene set (family ids of the annotation file, or the family names of genes.tsv beside it)\n"
        "prints each genome's best interval and the rules of the search that accept or reject the set as a\n"
        "cluster, and what a run of the query reports. delta is 0 unless given; the options are checked as a run checks them (-s is needed\n"
        "except with --refType=cluster). --help prints this text.\n\n",
        z);
}

// A whole number option of a subcommand in [minimum, maximum].
int number(const std::string& usage, const std::string& option, const std::string& text, int minimum, int maximum) {
    bool tooLarge = false;
    const std::optional<int> value = intInRange(text, minimum, maximum, tooLarge);
    if (!value)
        failWithUsage(usage, "error: invalid value of " + option + ": " + text +
                                 (tooLarge ? " (at most " + std::to_string(maximum) + ")" : "") + "\n");
    return *value;
}

// A fraction from 0 to 1 written as decimal digits with an optional point
// ("0.5", ".8", "1"): no sign, exponent or blanks.
double fraction(const std::string& usage, const std::string& option, const std::string& text) {
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string part = point == std::string::npos ? std::string() : text.substr(point + 1);
    auto digits = [](const std::string& t) { return t.find_first_not_of("0123456789") == std::string::npos; };
    const bool form = digits(whole) && digits(part) && !(whole.empty() && part.empty()) &&
                      (point == std::string::npos || !part.empty()) && whole.size() <= 9;
    const double value = form ? std::strtod(text.c_str(), nullptr) : -1;
    if (!form || value > 1)
        failWithUsage(usage, "error: invalid value of " + option + ": " + text + " (a fraction from 0 to 1)\n");
    return value;
}

// The value of an option naming a file or folder: not an option itself.
std::string pathValue(const std::string& usage, const std::string& option, const std::string& value) {
    if (value.empty()) failWithUsage(usage, "error: no value given for " + option + "\n");
    if (value[0] == '-')
        failWithUsage(usage, "error: no value given for " + option + ": it is followed by \"" + value +
                                 "\" (for a file of that name write ./" + value + ")\n");
    return value;
}

// An option whose value is a text that may not be empty.
ApplyOption text(const std::string& usage, std::string& into) {
    return [&usage, &into](const std::string& name, const std::string& value) {
        if (value.empty()) failWithUsage(usage, "error: no value given for " + name + "\n");
        into = value;
    };
}

// The families of --genes: comma-separated ids or names, none empty.
std::vector<std::string> familyWords(const std::string& usage, const std::string& option, const std::string& list) {
    std::vector<std::string> words;
    for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        words.push_back(list.substr(start, comma - start));
        if (words.back().empty()) failWithUsage(usage, "error: invalid value of " + option + ": " + list + "\n");
        start = comma + 1;
    }
    return words;
}

// The output folder of convert, families and plot: made when missing; an existing file
// of that name is refused.
void makeFolder(const std::string& folder) {
    std::error_code error;
    if (fs::exists(folder, error) && !fs::is_directory(folder, error))
        throw tamsu::Error(tamsu::Stream::err,
                           "error: the output folder \"" + folder + "\" (-o) is a file, not a folder\n");
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error))
        throw tamsu::Error(tamsu::Stream::err,
                           "error: cannot create the output folder \"" + folder + "\": " + error.message() + "\n");
}

int runConvert(const std::vector<std::string>& words) {
    const std::string usage = convertUsage();
    tamsu::ConvertRequest request;
    std::string folder;
    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "error: unknown option: %s\n";
    command.operand = [&](const std::string& word) { request.gffPaths.push_back(word); };
    command.options = {
        valueOption({"-o"}, "",
                    [&](const std::string& name, const std::string& value) { folder = pathValue(usage, name, value); }),
        valueOption({"--table"}, "",
                    [&](const std::string& name, const std::string& value) {
                        request.tablePaths.push_back(pathValue(usage, name, value));
                    }),
        valueOption({"--id-attribute"}, "", text(usage, request.idAttribute)),
        valueOption({"--feature"}, "", text(usage, request.featureType)),
    };
    if (parseArguments(command, words, stdout) != ParseOutcome::run) return 0;
    if (folder.empty()) failWithUsage(usage, "error: no output folder given (-o)\n");
    if (request.gffPaths.empty()) failWithUsage(usage, "error: no GFF3 or GenBank file given\n");
    if (request.tablePaths.empty()) failWithUsage(usage, "error: no family table given (--table)\n");

    makeFolder(folder);
    const std::string listPath = (fs::path(folder) / "genomes.txt").string();
    const std::string annotationPath = (fs::path(folder) / "annotation.txt").string();
    const std::string genesPath = (fs::path(folder) / "genes.tsv").string();
    std::vector<std::string> inputs = request.gffPaths;
    inputs.insert(inputs.end(), request.tablePaths.begin(), request.tablePaths.end());
    // OrthoFinder's unassigned genes are read from beside its table.
    for (const std::string& table : request.tablePaths)
        if (fs::path(table).filename() == "Orthogroups.tsv")
            inputs.push_back((fs::path(table).parent_path() / "Orthogroups_UnassignedGenes.tsv").string());
    for (const std::string& path : {listPath, annotationPath, genesPath}) tamsu::checkOutputPath(path, inputs);
    request.annotationName = "annotation.txt";
    tamsu::AtomicOutputFile list(listPath), annotation(annotationPath), genes(genesPath);
    const tamsu::ConvertSummary summary = tamsu::convertGenomes(request, list.get(), annotation.get(), genes.get());
    requireWritableStandardStreams();
    tamsu::commitTogether({&genes, &annotation, &list});
    tamsu::printConvertSummary(stdout, summary);
    std::printf("wrote %s and %s (genes: %s)\n", listPath.c_str(), annotationPath.c_str(), genesPath.c_str());
    return 0;
}

int runFamilies(const std::vector<std::string>& words) {
    const std::string usage = familiesUsage();
    tamsu::FamiliesRequest request;
    std::string tablePath;
    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "error: unknown option: %s\n";
    command.operand = [&](const std::string& word) { request.annotationPaths.push_back(word); };
    command.options = {
        valueOption(
            {"-o"}, "",
            [&](const std::string& name, const std::string& value) { tablePath = pathValue(usage, name, value); }),
        valueOption({"--identity"}, "",
                    [&](const std::string& name, const std::string& value) {
                        request.minIdentity = fraction(usage, name, value);
                    }),
        valueOption({"--coverage"}, "",
                    [&](const std::string& name, const std::string& value) {
                        request.minCoverage = fraction(usage, name, value);
                    }),
        valueOption({"--proteins"}, "",
                    [&](const std::string& name, const std::string& value) {
                        request.proteinPaths.push_back(pathValue(usage, name, value));
                    }),
        valueOption({"--threads"}, "",
                    [&](const std::string& name, const std::string& value) {
                        request.threads = number(usage, name, value, 0, kMaxThreads);
                    }),
        valueOption({"--mmseqs"}, "", text(usage, request.mmseqs)),
        valueOption({"--method"}, "",
                    [&](const std::string& name, const std::string& value) {
                        if (value != "cluster" && value != "linclust")
                            failWithUsage(
                                usage, "error: invalid value of " + name + ": " + value + " (cluster or linclust)\n");
                        request.method = value;
                    }),
        valueOption({"--id-attribute"}, "", text(usage, request.idAttribute)),
        valueOption({"--feature"}, "", text(usage, request.featureType)),
    };
    if (parseArguments(command, words, stdout) != ParseOutcome::run) return 0;
    if (tablePath.empty()) failWithUsage(usage, "error: no output table given (-o)\n");
    if (request.annotationPaths.empty()) failWithUsage(usage, "error: no GFF3 or GenBank file given\n");
    std::vector<std::string> inputs = request.annotationPaths;
    inputs.insert(inputs.end(), request.proteinPaths.begin(), request.proteinPaths.end());
    if (const fs::path parent = fs::path(tablePath).parent_path(); !parent.empty()) makeFolder(parent.string());
    tamsu::checkOutputPath(tablePath, inputs);
    // The scratch folder lies beside the table: the same disk, and one a cluster job can see.
    request.workDirectory = fs::path(tablePath).parent_path().string();
    if (request.workDirectory.empty()) request.workDirectory = ".";
    tamsu::AtomicOutputFile table(tablePath);
    const tamsu::FamiliesSummary summary = tamsu::buildFamilies(request, table.get(), stdout);
    requireWritableStandardStreams();
    table.commit();
    tamsu::printFamiliesSummary(stdout, summary);
    std::printf("wrote %s\n", tablePath.c_str());
    return 0;
}

int runPlot(const std::vector<std::string>& words) {
    const std::string usage = plotUsage();
    std::vector<std::string> positional;
    std::vector<std::string> families;
    tamsu::PlotOptions options;
    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "error: unknown option: %s\n";
    command.operand = [&](const std::string& word) {
        if (positional.size() == 2)
            failWithUsage(usage, "error: unexpected argument \"" + word +
                                     "\" (a genome list and a cluster table are "
                                     "already given)\n");
        positional.push_back(word);
    };
    command.options = {
        valueOption({"-o"}, "",
                    [&](const std::string& name, const std::string& value) {
                        options.directory = pathValue(usage, name, value);
                    }),
        valueOption({"--top"}, "",
                    [&](const std::string& name, const std::string& value) {
                        options.top = number(usage, name, value, 1, INT_MAX);
                    }),
        valueOption({"--flank"}, "",
                    [&](const std::string& name, const std::string& value) {
                        options.flank = number(usage, name, value, 0, 100000);
                    }),
        valueOption({"--cluster"}, "",
                    [&](const std::string& name, const std::string& value) {
                        options.clusters.push_back(number(usage, name, value, 0, INT_MAX));
                    }),
        valueOption({"--genes"}, "",
                    [&](const std::string& name, const std::string& value) {
                        for (const std::string& family : familyWords(usage, name, value)) families.push_back(family);
                    }),
        flagOption({"--ungrouped"}, [&] { options.ungrouped = true; }),
        flagOption({"--png"}, [&] { options.png = true; }),
        flagOption({"--pdf"}, [&] { options.pdf = true; }),
    };
    if (parseArguments(command, words, stdout) != ParseOutcome::run) return 0;
    if (positional.size() != 2) failWithUsage(usage, "error: a genome list and a cluster table are needed\n");
    if (options.directory.empty()) failWithUsage(usage, "error: no output folder given (-o)\n");
    const tamsu::Genomes genomes = tamsu::Genomes::read(positional[0], nullptr);
    options.families = tamsu::familyIds(genomes, families);
    makeFolder(options.directory);
    for (const std::string& path : tamsu::plotClusters(genomes, positional[1], options)) std::printf("%s\n", path.c_str());
    return 0;
}

int runReport(const std::vector<std::string>& words) {
    const std::string usage = reportUsage();
    std::vector<std::string> positional;
    std::string output;
    int flank = 2;
    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "error: unknown option: %s\n";
    command.operand = [&](const std::string& word) {
        if (positional.size() == 2)
            failWithUsage(usage, "error: unexpected argument \"" + word +
                                     "\" (a genome list and a cluster table are already given)\n");
        positional.push_back(word);
    };
    command.options = {
        valueOption({"-o"}, "",
                    [&](const std::string& name, const std::string& value) { output = pathValue(usage, name, value); }),
        valueOption({"--flank"}, "",
                    [&](const std::string& name, const std::string& value) {
                        flank = number(usage, name, value, 0, 100000);
                    }),
    };
    if (parseArguments(command, words, stdout) != ParseOutcome::run) return 0;
    if (positional.size() != 2) failWithUsage(usage, "error: a genome list and a cluster table are needed\n");
    if (output.empty()) failWithUsage(usage, "error: no output file given (-o)\n");
    const tamsu::Genomes genomes = tamsu::Genomes::read(positional[0], nullptr);
    tamsu::checkOutputPath(output, {positional[0], positional[1], genomes.annotationPath()});
    tamsu::AtomicOutputFile page(output);
    tamsu::writeReport(page.get(), genomes, positional[1], flank);
    page.commit();
    std::printf("%s\n", output.c_str());
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

int runExplain(const std::vector<std::string>& words) {
    const std::string usage = explainUsage();
    tamsu::Query query;
    query.delta = 0;
    std::vector<std::string> familyNames;  // ids or names, resolved once the genomes are read
    std::vector<int> families;
    std::string listPath;
    bool modeGiven = false;
    std::optional<int> quorum;
    std::optional<tamsu::CostType> cost;
    auto mode = [&](tamsu::Mode value) {
        return [&, value] {
            query.mode = value;
            modeGiven = true;
        };
    };
    auto whole = [&](int& into, int minimum) {
        return [&, minimum](const std::string& name, const std::string& value) {
            into = number(usage, name, value, minimum, INT_MAX);
        };
    };
    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "error: unknown argument: %s\n";
    command.operand = [&](const std::string& word) {
        if (!listPath.empty()) failWithUsage(usage, "error: unknown argument: " + word + "\n");
        listPath = word;
    };
    command.options = {
        valueOption({"--genes"}, "",
                    [&](const std::string& name, const std::string& list) {
                        for (const std::string& family : familyWords(usage, name, list)) familyNames.push_back(family);
                    }),
        valueOption({"-d"}, "", whole(query.delta, 0)),
        valueOption({"-s"}, "", whole(query.minClusterSize, 1)),
        valueOption({"-q"}, "",
                    [&](const std::string& name, const std::string& value) {
                        quorum = number(usage, name, value, 1, INT_MAX);
                    }),
        flagOption({"-m"}, mode(tamsu::Mode::median)),
        flagOption({"-c"}, mode(tamsu::Mode::center)),
        flagOption({"-r"}, mode(tamsu::Mode::reference)),
        flagOption({"-p"}, mode(tamsu::Mode::perfect)),
        valueOption({"--refType"}, "",
                    [&](const std::string&, const std::string& value) {
                        const std::optional<tamsu::RefType> type = referenceType(value);
                        if (!type) failWithUsage(usage, "error: unknown argument: --refType=" + value + "\n");
                        query.refType = *type;
                    }),
        valueOption({"--qType"}, "",
                    [&](const std::string&, const std::string& value) {
                        cost = costType(value);
                        if (!cost) failWithUsage(usage, "error: unknown argument: --qType=" + value + "\n");
                    }),
    };
    if (parseArguments(command, words, stdout) != ParseOutcome::run) return 0;
    // As on a run: a reference type without a mode means reference mode, a
    // quorum without a cost type costs nothing, perfect mode discovers.
    if (!modeGiven && query.refType != tamsu::RefType::none) query.mode = tamsu::Mode::reference;
    // A cost type without -q is refused as a quorum of no genomes.
    if (quorum || cost) query.quorum = tamsu::Quorum{quorum.value_or(0), cost.value_or(tamsu::CostType::zero)};
    if (listPath.empty()) failWithUsage(usage, "error: no genome list given\n");
    if (familyNames.empty()) failWithUsage(usage, "error: no gene set given (--genes)\n");
    // The rules of a run: explain runs the query.
    try {
        tamsu::validate(query, 0);
    } catch (const tamsu::Error& error) {
        failWithUsage(usage, error.text());
    }
    const tamsu::Genomes genomes = tamsu::Genomes::read(listPath, nullptr);
    tamsu::validate(query, genomes.genomeCount());
    try {
        families = tamsu::familyIds(genomes, familyNames);
    } catch (const tamsu::Error& error) {
        throw tamsu::Error(tamsu::Stream::err, "error: --genes: " + error.text().substr(7));
    }
    const tamsu::Explanation why = tamsu::explain(genomes, families, query);
    for (int id : why.unknownFamilies)
        throw tamsu::Error(tamsu::Stream::err,
                           id == 0 ? "error: --genes: 0 marks genes without homologue; it is no gene family\n"
                                   : formatUsage("error: --genes: gene family %d occurs in no genome of \"%s\"\n", id,
                                                 listPath.c_str()));

    static const char* const kModes[] = {"median", "center", "reference", "perfect"};
    std::printf("gene set %s (%zu families), mode %s, delta %d\n", idList(why.families).c_str(), why.families.size(),
                kModes[static_cast<int>(query.mode)], why.delta);
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
        else
            std::printf("run: not reported\n");
        std::printf("verdict: not a cluster (rejected by: %s)\n", rejected.empty() ? "the search" : rejected.c_str());
    }
    return 0;
}

}  // namespace

bool isSubcommand(const std::string& name) {
    return name == "convert" || name == "families" || name == "plot" || name == "explain" || name == "merge" ||
           name == "report";
}

int runSubcommand(int argc, const char* const* argv) {
    const std::string name = argv[1];
    const std::vector<std::string> words(argv + 2, argv + argc);
    if (name == "convert") return runConvert(words);
    if (name == "families") return runFamilies(words);
    if (name == "plot") return runPlot(words);
    if (name == "report") return runReport(words);
    return runExplain(words);
}

void requireWritableStandardStreams() {
    const bool outFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr);
    if (!outFailed && !errFailed) return;
    outputFailureReported = outFailed;
    throw tamsu::Error(tamsu::Stream::err, outFailed ? "error: writing to standard output failed\n"
                                                     : "error: writing to standard error failed\n");
}

bool standardOutputFailureReported() { return outputFailureReported; }

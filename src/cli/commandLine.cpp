// Command-line parsing: options, their checks with the usage text, and the
// default output name.
#include "commandLine.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <thread>

#include "tamsu/tamsu.h"

using tamsu::CostType;
using tamsu::Mode;
using tamsu::RefType;

namespace {

// The usage text as one block so that it cannot drift between its uses.
// "-noNum" is spelled as users have always seen it; "-noNUM" is read too.
std::string usageText(const std::string& zub) {
    const char* z = zub.c_str();
    return formatUsage(
        "\nUsage: "
        "%s <genomeList> -d <delta> -s <minsize> (-m|-c|-r|-p) (-q <quorum>)\n"
        "\nParameters:\n"
        "<genomeList>   file containing list of genomes\n"
        "-d <delta>     distance threshold of: \n"
        "                   sum distance for median\n"
        "                   pair-wise distance for center/ ref-based\n"
        "-s <minsize>   minimal cluster size\n"
        "\nOptions:\n"
        "-m             median gene cluster mode (default)\n"
        "-c             center gene cluster mode\n"
        "-r             reference-based gene cluster mode\n"
        "-p             perfect gene cluster mode\n"
        "-q <quorum>    minimum number of genomes in which cluster has to occur\n"
        "-t <threads>   reference chromosomes or left borders searched at once (default: the machine's cores;\n"
        "               at most %d); also --threads <threads>\n"
        "-o <outfile>   write output to <outfile> (default: <list stem>_d<delta>_s<minsize>_<m|c|r|p>[_q<quorum>].out\n"
        "               beside the list); the statistics go to <outfile without extension>.genFamStat\n"
        "\nFurther options:\n"
        "--qType=zeroCost           no cost for non-occurrence in genome (default)\n"
        "--qType=proportionateCost  cost for non-occurrence is delta/#genomes (only median)\n"
        "--qType=sizeDependentCost  cost for non-occurrence equals size of median (only median)\n"
        "--refType=genome           fixed reference genome\n"
        "--refType=cluster          fixed reference cluster (minSize s is size of cluster)\n"
        "--refType=discovery        normal reference mode (default)\n"
        "--format=tsv|json          output file as a tab-separated table (default) or JSON\n"
        "--progress=default|percent|none  progress lines: all, one per whole percent, none\n"
        "--quiet                    no reports on the terminal and no pause (progress only with --progress)\n"
        "--log FILE                 the reports into FILE instead of the terminal, without pause\n"
        "--no-pause                 the listing of extracted clusters does not wait for a key\n"
        "--annotate                 output file with the columns group, family_names and products (from\n"
        "                           genes.tsv beside the annotation file, as zub convert writes it)\n"
        "--max-size N               leave clusters of more than N gene families out of the output file\n"
        "--genes FILE               also write every gene of every occurrence, one row each, to FILE\n"
        "--max-memory SIZE          stop a search that needs more memory (bytes, or with K, M or G;\n"
        "                           default: 80%% of the physical memory)\n"
        "--shard I/N                search only part I of N of the reference chromosomes (-r, -p) and write\n"
        "                           a shard result for %s merge, named by --partial FILE (default:\n"
        "                           \"<outfile without extension>.shard<I>of<N>.json\")\n"
        "--help, -h                 print this text\n"
        "--version                  print the version\n"
        "\nSpace efficiency options:\n"
        "-noNum         No usage of table NUM (more space efficient)\n"
        "-noLR          No usage of L[] and R[] (a little bit more space efficient)\n"
        "\nOther commands (each prints its own usage with --help):\n"
        "%s convert  GFF3 files and a gene-family table to a genome list and annotation file\n"
        "%s families gene families of annotated genomes (MMseqs2) for convert\n"
        "%s plot     pictures (SVG, PNG, PDF) of the best clusters of an output table\n"
        "%s explain  why a gene set is or is not reported as a cluster\n"
        "%s merge    the result of a run split by --shard, from all its shard results\n"
        "%s report   one HTML file with a sortable table of the clusters and their pictures\n"
        "A genome list named like a command: %s -- <genomeList> ... (or %s ./<genomeList> ...)\n"
        "\n",
        z, kMaxThreads, z, z, z, z, z, z, z, z, z);
}

// A memory size: decimal digits and an optional K, M or G (powers of 1024);
// nothing when it is malformed, zero or beyond the size range.
std::optional<std::size_t> memorySize(const std::string& text) {
    std::size_t value = 0;
    const char* p = text.c_str();
    if (!std::isdigit(static_cast<unsigned char>(*p))) return std::nullopt;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (value > (SIZE_MAX - 9) / 10) return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(*p - '0');
    }
    int shift = 0;
    switch (std::toupper(static_cast<unsigned char>(*p))) {
    case 'K': shift = 10; break;
    case 'M': shift = 20; break;
    case 'G': shift = 30; break;
    case '\0': break;
    default: return std::nullopt;
    }
    if (shift != 0 && *++p != '\0') return std::nullopt;
    if (value == 0 || value > (SIZE_MAX >> shift)) return std::nullopt;
    return value << shift;
}

// "I/N" with 1 <= I <= N.
bool shardOf(const std::string& text, int& shard, int& count) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    auto whole = [](const std::string& digits, int& value) {
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        value = std::stoi(digits);
        return true;
    };
    return whole(text.substr(0, slash), shard) && whole(text.substr(slash + 1), count) && shard >= 1 && shard <= count;
}

// The genome list must be named and readable before any rule of the query is
// looked at; then the query's own rules, each message followed by the usage.
// The list is not opened here: a pipe would block.
void testParameterCompatibility(const std::string& usage, const tamsu::Query& query,
                                const std::optional<std::string>& genomeListPath) {
    if (!genomeListPath) failWithUsage(usage, "error: no genome list given\n");
    const std::string problem = tamsu::inputFileProblem(*genomeListPath);
    if (problem == std::strerror(ENOENT))
        failWithUsage(usage, "error: input file \"" + *genomeListPath + "\" does not exist\n");
    if (!problem.empty())
        failWithUsage(usage, "error: input file \"" + *genomeListPath + "\" cannot be read: " + problem + "\n");
    try {
        tamsu::validate(query, 0);
    } catch (const tamsu::Error& error) {
        failWithUsage(usage, error.text());
    }
}

}  // namespace

std::string mainUsage() { return usageText(programName()); }

std::optional<int> intInRange(const std::string& text, int minimum, int maximum, bool& tooLarge) {
    tooLarge = false;
    const std::optional<WholeNumber> number = wholeNumber(text);
    if (!number) return std::nullopt;
    if (number->tooLarge || number->value > maximum) {
        tooLarge = !text.starts_with("-");
        return std::nullopt;
    }
    if (number->value < minimum) return std::nullopt;
    return static_cast<int>(number->value);
}

std::optional<CostType> costType(const std::string& value) {
    if (value == "zeroCost") return CostType::zero;
    if (value == "proportionateCost") return CostType::proportionate;
    if (value == "sizeDependentCost") return CostType::sizeDependent;
    return std::nullopt;
}

std::optional<RefType> referenceType(const std::string& value) {
    if (value == "genome") return RefType::genome;
    if (value == "cluster") return RefType::cluster;
    if (value == "discovery") return RefType::discovery;
    return std::nullopt;
}

std::string createNameForOutFile(const std::optional<std::string>& deltaText,
                                 const std::optional<std::string>& sText, Mode mode,
                                 const std::optional<std::string>& qText,
                                 const std::string& genomeListPath) {
    // The stem is the list path up to the first '.' of its file name (leading
    // dots of the name skipped), so the name lands beside the list: "./x.txt"
    // gives "./x" and a dotted folder name such as "data.v2/" stays whole.
    size_t nameStart = genomeListPath.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t cut = genomeListPath.find_first_not_of('.', nameStart);
    if (cut != std::string::npos) cut = genomeListPath.find('.', cut);
    std::string stem = genomeListPath.substr(0, cut);
    std::string name = stem + "_d" + deltaText.value_or("") + "_s" + sText.value_or("");
    name += std::string("_") + tamsu::modeChar(mode);
    if (qText) name += "_q" + *qText;
    return name + ".out";
}

ParseOutcome readParameters(int argc, const char* const* argv, FILE* out, CommandLine& line) {
    const std::string usage = mainUsage();
    tamsu::Query& query = line.query;
    // The command line uses the machine: one worker per core unless told.
    line.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::optional<std::string> deltaText, sText, qText, genomeListPath, outfile;
    std::optional<Mode> mode;
    std::optional<int> quorum;
    std::optional<CostType> cost;

    // An invalid number: the message as typed, with the range when it was too large.
    auto invalid = [&](const std::string& prefix, const std::string& text, bool tooLarge, const std::string& range) {
        failWithUsage(usage, prefix + (text.empty() ? "\"\" (empty)" : text) + (tooLarge ? " (" + range + ")" : ""));
    };
    const std::string intRange = "at most " + std::to_string(INT_MAX);
    auto modeFlag = [&](Mode value) { return [&mode, value] { mode = value; }; };

    CommandSpec command;
    command.usage = usage;
    command.unknownOption = "\nerror: unmatched option: %s\n";
    command.messagePrefix = "\n";
    command.dashDashMarksOneOperand = true;
    command.operand = [&](const std::string& word) {
        if (genomeListPath)
            failWithUsage(usage, "\nerror: unexpected argument \"" + word + "\" (the genome list is \"" +
                                     *genomeListPath + "\"; every other word is an option or its value)\n");
        genomeListPath = word;
    };
    command.options = {
        valueOption({"-d"}, "\nerror: no value given for delta",
                    [&](const std::string&, const std::string& value) {
                        bool tooLarge = false;
                        const std::optional<int> delta = intInRange(value, 0, INT_MAX, tooLarge);
                        if (!delta) invalid("\nerror: invalid value of delta: ", value, tooLarge, intRange);
                        query.delta = *delta;
                        deltaText = value;
                    }),
        valueOption({"-s"}, "\nerror: no value given for s",
                    [&](const std::string&, const std::string& value) {
                        bool tooLarge = false;
                        const std::optional<int> s = intInRange(value, 1, INT_MAX, tooLarge);
                        if (!s) invalid("\nerror: invalid value of s: ", value, tooLarge, intRange);
                        query.minClusterSize = *s;
                        sText = value;
                    }),
        valueOption({"-q"}, "\nerror: no value given for q",
                    [&](const std::string&, const std::string& value) {
                        bool tooLarge = false;
                        quorum = intInRange(value, 1, INT_MAX, tooLarge);
                        if (!quorum) invalid("error: invalid value of q: ", value, tooLarge, intRange);
                        qText = value;
                    }),
        valueOption({"--qType"}, "\nerror: no value given for --qType\n",
                    [&](const std::string&, const std::string& value) {
                        cost = costType(value);
                        if (!cost) failWithUsage(usage, "\nerror: unknown type of quorum cost: " + value);
                    }),
        valueOption({"--refType"}, "\nerror: no value given for --refType\n",
                    [&](const std::string&, const std::string& value) {
                        const std::optional<RefType> type = referenceType(value);
                        if (!type) failWithUsage(usage, "\nerror: unknown type of reference occurrence: " + value);
                        query.refType = *type;
                    }),
        valueOption({"-o"}, "\nerror: no outputfile specified\n",
                    [&](const std::string&, const std::string& value) {
                        if (value.empty()) failWithUsage(usage, "\nerror: no outputfile specified\n");
                        // "-o -o f" or "-o -r": an option where the name belongs.
                        if (value[0] == '-')
                            failWithUsage(usage, "\nerror: no outputfile specified: -o is followed by \"" + value +
                                                     "\" (for a file of that name write ./" + value + ")\n");
                        outfile = value;
                    }),
        flagOption({"-m"}, modeFlag(Mode::median)),
        flagOption({"-c"}, modeFlag(Mode::center)),
        flagOption({"-p"}, modeFlag(Mode::perfect)),
        flagOption({"-r"}, modeFlag(Mode::reference)),
        valueOption({"--format"}, "\nerror: no value given for --format\n",
                    [&](const std::string&, const std::string& value) {
                        if (value == "tsv") {
                            line.format = tamsu::OutputFormat::tsv;
                        } else if (value == "json") {
                            line.format = tamsu::OutputFormat::json;
                        } else {
                            failWithUsage(usage, "\nerror: unknown output format: " + value);
                        }
                    }),
        valueOption({"--progress"}, "\nerror: no value given for --progress\n",
                    [&](const std::string&, const std::string& value) {
                        if (value == "default") {
                            line.progress = tamsu::ProgressForm::lines;
                        } else if (value == "percent") {
                            line.progress = tamsu::ProgressForm::percent;
                        } else if (value == "none") {
                            line.progress = tamsu::ProgressForm::none;
                        } else {
                            failWithUsage(usage, "\nerror: unknown progress form: " + value);
                        }
                        line.progressGiven = true;
                    }),
        flagOption({"--quiet"}, [&] { line.quiet = true; }),
        flagOption({"--no-pause"}, [&] { line.noPause = true; }),
        valueOption({"--log"}, "\nerror: no value given for --log\n",
                    [&](const std::string&, const std::string& value) {
                        if (value.empty() || value[0] == '-')
                            failWithUsage(usage, "\nerror: no value given for --log\n");
                        line.logPath = value;
                    }),
        flagOption({"--annotate"}, [&] { line.table.annotate = true; }),
        valueOption({"--max-size"}, "\nerror: no value given for --max-size\n",
                    [&](const std::string&, const std::string& value) {
                        bool tooLarge = false;
                        const std::optional<int> size = intInRange(value, 1, INT_MAX, tooLarge);
                        if (!size) invalid("\nerror: invalid value of --max-size: ", value, tooLarge, intRange);
                        line.table.maxSize = *size;
                    }),
        valueOption({"--genes"}, "\nerror: no value given for --genes\n",
                    [&](const std::string&, const std::string& value) {
                        if (value.empty() || value[0] == '-')
                            failWithUsage(usage, "\nerror: no value given for --genes\n");
                        line.genesPath = value;
                    }),
        processOption(valueOption({"--max-memory"}, "\nerror: no value given for --max-memory\n",
                                  [&](const std::string&, const std::string& value) {
                                      const std::optional<std::size_t> size = memorySize(value);
                                      if (!size)
                                          failWithUsage(usage,
                                                        "\nerror: invalid value of --max-memory: " + value + "\n");
                                      line.maxMemory = *size;
                                  })),
        processOption(valueOption({"-t", "--threads"}, "\nerror: no value given for t",
                                  [&](const std::string&, const std::string& value) {
                                      bool tooLarge = false;
                                      const std::optional<int> threads = intInRange(value, 1, kMaxThreads, tooLarge);
                                      if (!threads)
                                          invalid("\nerror: invalid value of t: ", value, tooLarge,
                                                  "at most " + std::to_string(kMaxThreads));
                                      line.threads = *threads;
                                  })),
        processOption(valueOption({"--shard"}, "\nerror: no value given for --shard\n",
                                  [&](const std::string&, const std::string& value) {
                                      if (!shardOf(value, line.shard, line.shardCount))
                                          failWithUsage(usage, "\nerror: invalid value of --shard: " + value +
                                                                   " (I/N with 1 <= I <= N)\n");
                                  })),
        processOption(valueOption({"--partial"}, "\nerror: no value given for --partial\n",
                                  [&](const std::string&, const std::string& value) {
                                      if (value.empty())
                                          failWithUsage(usage, "\nerror: no value given for --partial\n");
                                      line.shardResultPath = value;
                                  })),
        flagOption({"-noNUM", "-noNum"}, [&] { query.useNUM = false; }),
        // Accepted for old scripts: every search needs the border tables.
        flagOption({"-noLR"}, [] {}),
    };

    std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    // A quiet run or one with a log file does not even announce itself on the
    // terminal; the announcement comes before the options are applied.
    bool silent = false;
    for (const std::string& word : words) {
        if (word == "--") break;
        silent = silent || word == "--quiet" || word == "--log" || word.starts_with("--log=");
    }
    const ParseOutcome outcome = parseArguments(
        command, words, out, [&] { if (!silent) std::fprintf(out, "reading query parameters\n"); }, &line.command);
    if (outcome != ParseOutcome::run) return outcome;

    // The last mode option wins, wholly: an earlier "-c" leaves no center
    // distances behind in the mode that replaced it.
    query.mode = mode.value_or(query.refType != RefType::none ? Mode::reference : Mode::median);
    // A cost type without -q is refused by the compatibility test below, as
    // a quorum of no genomes.
    if (quorum || cost) query.quorum = tamsu::Quorum{quorum.value_or(0), cost.value_or(CostType::zero)};
    if (query.mode == Mode::perfect && !deltaText) {
        query.delta = 0;
        deltaText = "0";
    }
    // Perfect mode searches in discovery mode unless told otherwise, as the
    // usage text promises; without a reference type it could not start.
    if (query.mode == Mode::perfect && query.refType == RefType::none) query.refType = RefType::discovery;

    testParameterCompatibility(usage, query, genomeListPath);
    if (line.shardCount > 0 && query.mode != Mode::reference && query.mode != Mode::perfect)
        failWithUsage(usage, "\nerror: --shard splits reference-based and perfect runs (-r, -p) only\n");

    line.genomeListPath = *genomeListPath;
    line.outputFile = outfile ? *outfile : createNameForOutFile(deltaText, sText, query.mode, qText, line.genomeListPath);
    return ParseOutcome::run;
}

// Command-line parsing: options, their checks with the usage text, and the
// default output name.
#include "commandLine.h"

#include <algorithm>
#include <cctype>
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
// "-noNum" is spelled as users have always seen it, although only "-noNUM"
// is recognised.
constexpr const char* kUsage =
    "\nUsage: "
    "./zub <genomeList> -d <delta> -s <minsize> (-m|-c|-r|-p) (-q <quorum>)\n"
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
    "-t <threads>   reference chromosomes searched at once in modes -r and -p (default: the machine's cores)\n"
    "-o <outfile>   write output to <outfile>, default: \"<infile>_d[X]_s[Y]_(q[Z])_[m|c|r|p].out\"\n"
    "\nFurther options:\n"
    "--qType=zeroCost           no cost for non-occurrence in genome (default)\n"
    "--qType=proportionateCost  cost for non-occurrence is delta/#genomes (only median)\n"
    "--qType=sizeDependentCost  cost for non-occurrence equals size of median (only median)\n"
    "--refType=genome           fixed reference genome\n"
    "--refType=cluster          fixed reference cluster (minSize s is size of cluster)\n"
    "--refType=discovery        normal reference mode (default)\n"
    "--format=tsv|json          output file as a tab-separated table (default) or JSON\n"
    "--progress=default|percent|none  progress lines: all, one per whole percent, none\n"
    "--max-memory SIZE          stop a search that needs more memory (bytes, or with K, M or G;\n"
    "                           default: 80% of the physical memory)\n"
    "--shard I/N                search only part I of N of the reference chromosomes (-r, -p) and write\n"
    "                           a shard result for ./zub merge, named by --partial FILE (default:\n"
    "                           \"<outfile without extension>.shard<I>of<N>.json\")\n"
    "\nSpace efficiency options:\n"
    "-noNum         No usage of table NUM (more space efficient)\n"
    "-noLR          No usage of L[] and R[] (a little bit more space efficient)\n"
    "\nOther commands (each prints its own usage):\n"
    "./zub convert  GFF3 files and a gene-family table to a genome list and annotation file\n"
    "./zub families gene families of annotated genomes (MMseqs2) for convert\n"
    "./zub plot     SVG pictures of the best clusters of an output table\n"
    "./zub explain  why a gene set is or is not reported as a cluster\n"
    "./zub merge    the result of a run split by --shard, from all its shard results\n"
    "\n";

// A command-line error: the message followed by the usage, both for stderr.
[[noreturn]] void failWithUsage(const std::string& message) {
    throw tamsu::Error(tamsu::Stream::err, message + kUsage);
}

// The decimal value at the start of text, atoi-style (leading blanks, an
// optional sign, then digits; none gives 0), saturated to the int range.
int leadingInt(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = value * 10 + (*p++ - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

// A memory size: decimal digits and an optional K, M or G (powers of 1024);
// nothing when it is malformed, zero or beyond the size range.
std::optional<std::size_t> memorySize(const char* text) {
    std::size_t value = 0;
    const char* p = text;
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

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The value of a long option given as "--name=value" or "--name value";
// argv[i] is the option.
const char* optionValue(int argc, const char* const* argv, int& i, const char* name) {
    const char* arg = argv[i];
    if (arg[std::strlen(name)] == '=') return arg + std::strlen(name) + 1;
    if (i + 1 >= argc) failWithUsage("\nerror: no value given for " + std::string(name) + "\n");
    return argv[++i];
}

// "I/N" with 1 <= I <= N.
bool shardOf(const char* text, int& shard, int& count) {
    const char* slash = std::strchr(text, '/');
    if (slash == nullptr) return false;
    const std::string first(text, slash);
    auto whole = [](const std::string& digits, int& value) {
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        value = std::stoi(digits);
        return true;
    };
    return whole(first, shard) && whole(slash + 1, count) && shard >= 1 && shard <= count;
}

// Arguments of the form "-x..." or "--..." are options only when their second
// character is '-'; a one-letter dash argument or a bare word is not.
bool secondCharIsDash(const char* text) {
    return text[0] != '\0' && text[1] == '-';
}

// The genome list must be named and readable before any rule of the query is
// looked at; then the query's own rules, each message followed by the usage.
void testParameterCompatibility(const tamsu::Query& query, const std::optional<std::string>& genomeListPath) {
    if (!genomeListPath) failWithUsage("error: no genome list given\n");
    FILE* file = std::fopen(genomeListPath->c_str(), "r");
    if (file == nullptr)
        failWithUsage("error: input file \"" + *genomeListPath + "\" does not exist\n");
    std::fclose(file);
    try {
        tamsu::validate(query, 0);
    } catch (const tamsu::Error& error) {
        failWithUsage(error.text());
    }
}

}  // namespace

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

CommandLine readParameters(int argc, const char* const* argv, FILE* out) {
    std::fprintf(out, "reading query parameters\n");

    CommandLine line;
    tamsu::Query& query = line.query;
    // The command line uses the machine: one worker per core unless told.
    query.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::optional<std::string> deltaText, sText, qText, genomeListPath, outfile;
    std::optional<Mode> mode;
    std::optional<int> quorum;
    std::optional<CostType> cost;

    if (argc >= 2) {
        if (secondCharIsDash(argv[1])) failWithUsage("");
        genomeListPath = argv[1];
        line.command.push_back(argv[1]);
    }
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasNext = i + 1 < argc;
        // Options that steer only this process stay out of the recorded query.
        const int wordsFrom = i;
        bool queryWords = true;
        if (std::strcmp(arg, "-d") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for delta");
            deltaText = argv[++i];
            query.delta = leadingInt(argv[i]);
            if (query.delta < 0) failWithUsage("\nerror: invalid value of delta: " + std::string(argv[i]));
        } else if (std::strcmp(arg, "-s") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for s");
            sText = argv[++i];
            query.minClusterSize = leadingInt(argv[i]);
            if (query.minClusterSize < 1) failWithUsage("\nerror: invalid value of s: " + std::string(argv[i]));
        } else if (std::strcmp(arg, "-q") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for q");
            qText = argv[++i];
            quorum = leadingInt(argv[i]);
            if (*quorum < 1) failWithUsage("error: invalid value of q: " + std::string(argv[i]));
        } else if (startsWith(arg, "--qType=")) {
            const char* value = arg + std::strlen("--qType=");
            if (std::strcmp(value, "zeroCost") == 0) cost = CostType::zero;
            else if (std::strcmp(value, "proportionateCost") == 0) cost = CostType::proportionate;
            else if (std::strcmp(value, "sizeDependentCost") == 0) cost = CostType::sizeDependent;
            else failWithUsage("\nerror: unknown type of quorum cost: " + std::string(value));
        } else if (std::strcmp(arg, "-o") == 0) {
            if (!hasNext) failWithUsage("\nerror: no outputfile specified\n");
            outfile = argv[++i];
        } else if (std::strcmp(arg, "-m") == 0) {
            mode = Mode::median;
        } else if (std::strcmp(arg, "-c") == 0) {
            mode = Mode::center;
        } else if (std::strcmp(arg, "-p") == 0) {
            mode = Mode::perfect;
        } else if (std::strcmp(arg, "-r") == 0) {
            mode = Mode::reference;
        } else if (startsWith(arg, "--refType=")) {
            const char* value = arg + std::strlen("--refType=");
            if (std::strcmp(value, "genome") == 0) query.refType = RefType::genome;
            else if (std::strcmp(value, "cluster") == 0) query.refType = RefType::cluster;
            else if (std::strcmp(value, "discovery") == 0) query.refType = RefType::discovery;
            else failWithUsage("\nerror: unknown type of reference occurrence: " + std::string(value));
        } else if (startsWith(arg, "--format=")) {
            const char* value = arg + std::strlen("--format=");
            if (std::strcmp(value, "tsv") == 0) line.format = tamsu::OutputFormat::tsv;
            else if (std::strcmp(value, "json") == 0) line.format = tamsu::OutputFormat::json;
            else failWithUsage("\nerror: unknown output format: " + std::string(value));
        } else if (startsWith(arg, "--progress=")) {
            const char* value = arg + std::strlen("--progress=");
            if (std::strcmp(value, "default") == 0) line.progress = tamsu::ProgressForm::lines;
            else if (std::strcmp(value, "percent") == 0) line.progress = tamsu::ProgressForm::percent;
            else if (std::strcmp(value, "none") == 0) line.progress = tamsu::ProgressForm::none;
            else failWithUsage("\nerror: unknown progress form: " + std::string(value));
        } else if (std::strcmp(arg, "--max-memory") == 0 || startsWith(arg, "--max-memory=")) {
            const char* value = optionValue(argc, argv, i, "--max-memory");
            const std::optional<std::size_t> size = memorySize(value);
            if (!size) failWithUsage("\nerror: invalid value of --max-memory: " + std::string(value) + "\n");
            line.maxMemory = *size;
            queryWords = false;
        } else if (std::strcmp(arg, "-t") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for t");
            query.threads = leadingInt(argv[++i]);
            if (query.threads < 1) failWithUsage("\nerror: invalid value of t: " + std::string(argv[i]));
            queryWords = false;
        } else if (std::strcmp(arg, "--shard") == 0 || startsWith(arg, "--shard=")) {
            const char* value = optionValue(argc, argv, i, "--shard");
            if (!shardOf(value, line.shard, line.shardCount))
                failWithUsage("\nerror: invalid value of --shard: " + std::string(value) + " (I/N with 1 <= I <= N)\n");
            queryWords = false;
        } else if (std::strcmp(arg, "--partial") == 0 || startsWith(arg, "--partial=")) {
            line.shardResultPath = optionValue(argc, argv, i, "--partial");
            if (line.shardResultPath.empty()) failWithUsage("\nerror: no value given for --partial\n");
            queryWords = false;
        } else if (std::strcmp(arg, "-noNUM") == 0) {
            query.useNUM = false;
        } else if (std::strcmp(arg, "-noLR") == 0) {
            // Accepted for old scripts: every search needs the border tables.
        } else if (secondCharIsDash(arg)) {
            failWithUsage("\nerror: unmatched option: " + std::string(arg) + "\n");
        }
        // Any other argument is ignored.
        if (queryWords)
            for (int word = wordsFrom; word <= i; ++word) line.command.push_back(argv[word]);
    }

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

    testParameterCompatibility(query, genomeListPath);
    if (line.shardCount > 0 && query.mode != Mode::reference && query.mode != Mode::perfect)
        failWithUsage("\nerror: --shard splits reference-based and perfect runs (-r, -p) only\n");

    line.genomeListPath = *genomeListPath;
    query.outfile = outfile ? *outfile : createNameForOutFile(deltaText, sText, query.mode, qText, line.genomeListPath);
    return line;
}

// Command-line parsing: options, their checks with the usage text, and the
// default output name.
#include "commandLine.h"

#include <algorithm>
#include <cctype>
#include <climits>
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
    "\nSpace efficiency options:\n"
    "-noNum         No usage of table NUM (more space efficient)\n"
    "-noLR          No usage of L[] and R[] (a little bit more space efficient)\n"
    "\n";

// A command-line error: the message followed by the usage, both for stderr.
[[noreturn]] void failWithUsage(const std::string& message) {
    throw tamsu::Error(tamsu::Stream::err, message + kUsage);
}

std::string formatText(const char* format, const char* value) {
    int n = std::snprintf(nullptr, 0, format, value);
    std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, value);
    text.pop_back();
    return text;
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

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
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
        failWithUsage(formatText("error: input file \"%s\" does not exist\n", genomeListPath->c_str()));
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
    bool quorumGiven = false;

    if (argc >= 2) {
        if (secondCharIsDash(argv[1])) failWithUsage("");
        genomeListPath = argv[1];
    }
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasNext = i + 1 < argc;
        if (std::strcmp(arg, "-d") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for delta");
            deltaText = argv[++i];
            query.delta = leadingInt(argv[i]);
            if (query.delta < 0) failWithUsage(formatText("\nerror: invalid value of delta: %s", argv[i]));
        } else if (std::strcmp(arg, "-s") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for s");
            sText = argv[++i];
            query.minClusterSize = leadingInt(argv[i]);
            if (query.minClusterSize < 1) failWithUsage(formatText("\nerror: invalid value of s: %s", argv[i]));
        } else if (std::strcmp(arg, "-q") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for q");
            qText = argv[++i];
            query.quorum = leadingInt(argv[i]);
            quorumGiven = true;
            if (query.quorum < 1) failWithUsage(formatText("error: invalid value of q: %s", argv[i]));
        } else if (startsWith(arg, "--qType=")) {
            const char* value = arg + std::strlen("--qType=");
            if (std::strcmp(value, "zeroCost") == 0) query.cost = CostType::zero;
            else if (std::strcmp(value, "proportionateCost") == 0) query.cost = CostType::proportionate;
            else if (std::strcmp(value, "sizeDependentCost") == 0) query.cost = CostType::sizeDependent;
            else failWithUsage(formatText("\nerror: unknown type of quorum cost: %s", value));
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
            else failWithUsage(formatText("\nerror: unknown type of reference occurrence: %s", value));
        } else if (startsWith(arg, "--format=")) {
            const char* value = arg + std::strlen("--format=");
            if (std::strcmp(value, "tsv") == 0) line.format = tamsu::OutputFormat::tsv;
            else if (std::strcmp(value, "json") == 0) line.format = tamsu::OutputFormat::json;
            else failWithUsage(formatText("\nerror: unknown output format: %s", value));
        } else if (startsWith(arg, "--progress=")) {
            const char* value = arg + std::strlen("--progress=");
            if (std::strcmp(value, "default") == 0) line.progress = tamsu::ProgressForm::lines;
            else if (std::strcmp(value, "percent") == 0) line.progress = tamsu::ProgressForm::percent;
            else if (std::strcmp(value, "none") == 0) line.progress = tamsu::ProgressForm::none;
            else failWithUsage(formatText("\nerror: unknown progress form: %s", value));
        } else if (std::strcmp(arg, "-t") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for t");
            query.threads = leadingInt(argv[++i]);
            if (query.threads < 1) failWithUsage(formatText("\nerror: invalid value of t: %s", argv[i]));
        } else if (std::strcmp(arg, "-noNUM") == 0) {
            query.useNUM = false;
        } else if (std::strcmp(arg, "-noLR") == 0) {
            // Accepted for old scripts: every search needs the border tables.
        } else if (secondCharIsDash(arg)) {
            failWithUsage(formatText("\nerror: unmatched option: %s\n", arg));
        }
        // Any other argument is ignored.
    }

    // The last mode option wins, wholly: an earlier "-c" leaves no center
    // distances behind in the mode that replaced it.
    query.mode = mode.value_or(query.refType != RefType::none ? Mode::reference : Mode::median);
    if (quorumGiven) {
        query.hasQuorum = true;
        if (query.cost == CostType::none) query.cost = CostType::zero;
    } else {
        query.hasQuorum = query.cost != CostType::none;  // rejected by the compatibility test below
    }
    if (query.mode == Mode::perfect && !deltaText) {
        query.delta = 0;
        deltaText = "0";
    }
    // Perfect mode searches in discovery mode unless told otherwise, as the
    // usage text promises; without a reference type it could not start.
    if (query.mode == Mode::perfect && query.refType == RefType::none) query.refType = RefType::discovery;

    testParameterCompatibility(query, genomeListPath);

    line.genomeListPath = *genomeListPath;
    query.outfile = outfile ? *outfile : createNameForOutFile(deltaText, sText, query.mode, qText, line.genomeListPath);
    return line;
}

// Parameter record, command line, compatibility rules and derived values.
#include "params/parameterArray.h"

#include <climits>
#include <cstring>

#include "util/errors.h"
#include "util/strings.h"

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
    "-o <outfile>   write output to <outfile>, default: \"<infile>_d[X]_s[Y]_(q[Z])_[m|c|r|p].out\"\n"
    "\nFurther options:\n"
    "--qType=zeroCost           no cost for non-occurrence in genome (default)\n"
    "--qType=proportionateCost  cost for non-occurrence is delta/#genomes (only median)\n"
    "--qType=sizeDependentCost  cost for non-occurrence equals size of median (only median)\n"
    "--refType=genome           fixed reference genome\n"
    "--refType=cluster          fixed reference cluster (minSize s is size of cluster)\n"
    "--refType=discovery        normal reference mode (default)\n"
    "\nSpace efficiency options:\n"
    "-noNum         No usage of table NUM (more space efficient)\n"
    "-noLR          No usage of L[] and R[] (a little bit more space efficient)\n"
    "\n";

// A command-line error: the message followed by the usage, both for stderr.
[[noreturn]] void failWithUsage(const std::string& message) {
    throw TamsuError(stderr, message + kUsage);
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Arguments of the form "-x..." or "--..." are options only when their second
// character is '-'; a one-letter dash argument or a bare word is not.
bool secondCharIsDash(const char* text) {
    return text[0] != '\0' && text[1] == '-';
}

// Derived values are formed in 64 bits; a result outside int cannot be used
// by the searches, so it is refused rather than wrapped.
int checkedInt(long long value) {
    if (value > INT_MAX || value < INT_MIN)
        fail(stderr, "error: distance threshold too large for the number of genomes\n");
    return static_cast<int>(value);
}

}  // namespace

std::unique_ptr<ParameterArray> initParameterArray(int delta, int minClusterSize, double minOccSize,
                                                   bool isCenter, bool useNUM, bool useLR,
                                                   bool hasQuorum, int q, char qtype, char operationMode,
                                                   const std::string& outfile, bool gui, char refType) {
    auto params = std::make_unique<ParameterArray>();
    params->gui = gui;
    params->minClusterSize = minClusterSize;
    params->minRefSize = -1;
    params->minOccSize = minOccSize;
    params->delta = delta;
    params->d = -1;
    params->isCenter = isCenter;
    params->operationMode = operationMode;
    params->refType = refType;
    params->hasQuorum = hasQuorum;
    params->q = q;
    params->qtype = qtype;
    params->outfile = outfile;
    // The stem drops the four-character extension (".out"); a name too short
    // to carry one is its own stem.
    params->outfileBase = outfile.size() >= 4 ? outfile.substr(0, outfile.size() - 4) : outfile;
    params->useNUM = useNUM;
    params->useLR = useLR;
    return params;
}

void freeParameterArray(std::unique_ptr<ParameterArray>& params) {
    if (!params) return;
    std::fprintf(stderr, "outfile: %s\n", params->outfile.c_str());
    std::fprintf(stderr, "outfile: %s\n", params->outfileBase.c_str());
    params.reset();
}

void setDerivedParameters(ParameterArray& params, int g) {
    if (g < 1) fail(stderr, "error: at least one genome is required to derive the parameters (got %d)\n", g);
    const long long delta = params.delta;
    if (params.isCenter) {
        params.maxOccDist = checkedInt(2 * delta);
        params.maxDistToCenter = params.delta;
        params.maxSumDist = checkedInt(g * delta);
        params.pwDelta = params.delta;
        params.delta = checkedInt(g * delta);
    } else {
        params.maxOccDist = params.delta;
        params.maxSumDist = params.delta;
    }
    // From here on q counts the genomes that may lack a cluster; without a
    // quorum that is none of them.
    params.q = params.hasQuorum ? g - params.q : 0;
    params.d = checkedInt(((2LL * g - 2) * params.delta) / g);
    params.minRefSize = checkedInt(params.isCenter ? params.minClusterSize - delta
                                                   : params.minClusterSize - delta / g);
}

void testParameterCompatibility(int delta, int s, char mode, char refType, bool hasQuorum, char qtype, int q,
                                const std::optional<std::string>& genomeListPath) {
    if (!genomeListPath) failWithUsage("error: no genome list given\n");
    FILE* file = std::fopen(genomeListPath->c_str(), "r");
    if (file == nullptr)
        failWithUsage(formatText("error: input file \"%s\" does not exist\n", genomeListPath->c_str()));
    std::fclose(file);
    if (delta < 0) failWithUsage(formatText("error: negative distance threshold %d\n", delta));
    if (mode == 'p' && delta != 0) failWithUsage("error: distance threshold not zero in perfect gene cluster mode\n");
    if (refType != 'c' && s < 1) failWithUsage("error: no minimum size threshold given\n");
    if (mode == 'm' && refType != '?') failWithUsage("error: refType specified in median mode\n");
    if (mode == 'c' && refType != '?') failWithUsage("error: refType specified in center mode\n");
    if (mode != 'm' && hasQuorum && qtype != 'z')
        failWithUsage(formatText("error: quorum type '%c' incompatible with search mode '%c'\n", qtype, mode));
    if (qtype != '?' && q == -1) failWithUsage("error: quorum type specified but no quorum parameter given\n");
    if (refType == 'c' && s != -1) failWithUsage("error: no minSize threshold needed for fixed ref chromosome\n");
}

std::string createNameForOutFile(const std::optional<std::string>& deltaText,
                                 const std::optional<std::string>& sText, [[maybe_unused]] bool isCenter,
                                 char mode, const std::optional<std::string>& qText,
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
    switch (mode) {
        case 'r': name += "_r"; break;
        case 'p': name += "_p"; break;
        case 'c': name += "_c"; break;
        default: name += "_m"; break;
    }
    if (qText) name += "_q" + *qText;
    return name + ".out";
}

std::unique_ptr<ParameterArray> readParameters(int argc, const char* const* argv) {
    std::printf("reading query parameters\n");

    int delta = -1, minClusterSize = -1, q = -1;
    std::optional<std::string> deltaText, sText, qText, genomeListPath, outfile;
    char mode = '?', refType = '?', qtype = '?';
    bool isCenter = false, useNUM = true, useLR = true, quorumGiven = false;

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
            delta = leadingInt(argv[i]);
            if (delta < 0) failWithUsage(formatText("\nerror: invalid value of delta: %s", argv[i]));
        } else if (std::strcmp(arg, "-s") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for s");
            sText = argv[++i];
            minClusterSize = leadingInt(argv[i]);
            if (minClusterSize < 1) failWithUsage(formatText("\nerror: invalid value of s: %s", argv[i]));
        } else if (std::strcmp(arg, "-q") == 0) {
            if (!hasNext) failWithUsage("\nerror: no value given for q");
            qText = argv[++i];
            q = leadingInt(argv[i]);
            quorumGiven = true;
            if (q < 1) failWithUsage(formatText("error: invalid value of q: %s", argv[i]));
        } else if (startsWith(arg, "--qType=")) {
            const char* value = arg + std::strlen("--qType=");
            if (std::strcmp(value, "zeroCost") == 0) qtype = 'z';
            else if (std::strcmp(value, "proportionateCost") == 0) qtype = 'r';
            else if (std::strcmp(value, "sizeDependentCost") == 0) qtype = 's';
            else failWithUsage(formatText("\nerror: unknown type of quorum cost: %s", value));
        } else if (std::strcmp(arg, "-o") == 0) {
            if (!hasNext) failWithUsage("\nerror: no outputfile specified\n");
            outfile = argv[++i];
        } else if (std::strcmp(arg, "-m") == 0) {
            mode = 'm';
            isCenter = false;
        } else if (std::strcmp(arg, "-c") == 0) {
            mode = 'c';
            isCenter = true;
        } else if (std::strcmp(arg, "-p") == 0) {
            mode = 'p';
        } else if (std::strcmp(arg, "-r") == 0) {
            mode = 'r';
        } else if (startsWith(arg, "--refType=")) {
            const char* value = arg + std::strlen("--refType=");
            if (std::strcmp(value, "genome") == 0) refType = 'g';
            else if (std::strcmp(value, "cluster") == 0) refType = 'c';
            else if (std::strcmp(value, "discovery") == 0) refType = 'd';
            else failWithUsage(formatText("\nerror: unknown type of reference occurrence: %s", value));
        } else if (std::strcmp(arg, "-noNUM") == 0) {
            useNUM = false;
        } else if (std::strcmp(arg, "-noLR") == 0) {
            useLR = false;
        } else if (secondCharIsDash(arg)) {
            failWithUsage(formatText("\nerror: unmatched option: %s\n", arg));
        }
        // Any other argument is ignored.
    }

    if (mode == '?') mode = refType != '?' ? 'r' : 'm';
    bool hasQuorum;
    if (quorumGiven) {
        hasQuorum = true;
        if (qtype == '?') qtype = 'z';
    } else {
        hasQuorum = qtype != '?';  // rejected by the compatibility test below
    }
    if (mode == 'p' && !deltaText) {
        delta = 0;
        deltaText = "0";
    }
    // Perfect mode searches in discovery mode unless told otherwise, as the
    // usage text promises; without a reference type it could not start.
    if (mode == 'p' && refType == '?') refType = 'd';

    testParameterCompatibility(delta, minClusterSize, mode, refType, hasQuorum, qtype, q, genomeListPath);

    if (!outfile) outfile = createNameForOutFile(deltaText, sText, isCenter, mode, qText, *genomeListPath);
    return initParameterArray(delta, minClusterSize, 0.0, isCenter, useNUM, useLR, hasQuorum, q, qtype, mode,
                              *outfile, false, refType);
}

void fprintUsage(FILE* stream) { std::fputs(kUsage, stream); }

void fprintParameterArray(FILE* stream, const ParameterArray& params) {
    std::fprintf(stream, "\n\t*** Query parameters: ***\n");
    const char mode = params.operationMode;
    const char refType = params.refType;
    if (mode == 'm') {
        std::fprintf(stream, "\tmode:\t\tmedian\n");
    } else if (mode == 'c') {
        std::fprintf(stream, "\tmode:\t\tcenter\n");
    } else if (mode == 'r') {
        if (refType == 'd') std::fprintf(stream, "\tmode:\t\treference-based (discovery)\n");
        else if (refType == 'g') std::fprintf(stream, "\tmode:\t\treference-based (fixed genome)\n");
        else if (refType == 'c') std::fprintf(stream, "\tmode:\t\treference-based (fixed gene set)\n");
    } else if (mode == 'p') {
        if (refType == 'd') std::fprintf(stream, "\tmode:\t\tperfect (discovery)\n");
        else if (refType == 'g') std::fprintf(stream, "\tmode:\t\tperfect (fixed genome)\n");
        else if (refType == 'c') std::fprintf(stream, "\tmode:\t\tperfect (fixed gene set)\n");
    }
    std::fprintf(stream, "\tdelta:\t\t%d\n", params.delta);
    std::fprintf(stream, "\ts:\t\t%d\n", params.minClusterSize);
    if (params.hasQuorum) {
        if (params.qtype == 'z') std::fprintf(stream, "\tq:\t\t%d (no cost)\n", params.q);
        else if (params.qtype == 'r') std::fprintf(stream, "\tq:\t\t%d (proportionate cost)\n", params.q);
        else if (params.qtype == 's') std::fprintf(stream, "\tq:\t\t%d (size dependent cost)\n", params.q);
    }
    std::fprintf(stream, "\tminOccSize:\t%f\n", params.minOccSize);
    std::fprintf(stream, "\toutfile:\t%s\n", params.outfile.c_str());
    std::fprintf(stream, "\n");
}

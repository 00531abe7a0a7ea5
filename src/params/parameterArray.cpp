// Parameter derivation, the compatibility rules of a query and the parameter print.
#include "params/parameterArray.h"

#include <algorithm>
#include <climits>

#include "util/errors.h"

namespace tamsu::detail {

namespace {

// Derived values are formed in 64 bits; a result outside int cannot be used
// by the searches, so it is refused rather than wrapped.
int checkedInt(long long value, const Query& query, int g) {
    if (value > INT_MAX || value < INT_MIN)
        fail(Stream::err, "error: distance threshold %d too large for %d genomes (a derived distance exceeds %d)\n",
             query.delta, g, INT_MAX);
    return static_cast<int>(value);
}

// s minus the distance: only a negative s (which no query rule admits) can
// leave the int range, so the message names s.
int derivedMinRefSize(long long distance, const Query& query, int g) {
    const long long value = query.minClusterSize - distance;
    if (value < INT_MIN) fail(Stream::err, "error: invalid minimal cluster size %d\n", query.minClusterSize);
    return checkedInt(value, query, g);
}

}  // namespace

namespace tamsu {

char modeChar(Mode mode) {
    switch (mode) {
    case Mode::center: return 'c';
    case Mode::reference: return 'r';
    case Mode::perfect: return 'p';
    case Mode::median: break;
    }
    return 'm';
}

}  // namespace tamsu

ParameterArray enteredParameters(const Query& query) {
    ParameterArray params;
    params.minClusterSize = query.minClusterSize;
    params.minOccSize = query.minOccSize;
    params.delta = query.delta;
    params.isCenter = query.mode == Mode::center;
    params.operationMode = query.mode;
    params.refType = query.refType;
    params.hasQuorum = query.hasQuorum;
    params.q = query.quorum;
    params.qtype = query.cost;
    params.outfile = query.outfile;
    // The stem drops the four-character extension (".out"); a name too short
    // to carry one is its own stem.
    params.outfileBase = query.outfile.size() >= 4 ? query.outfile.substr(0, query.outfile.size() - 4) : query.outfile;
    params.useNUM = query.useNUM;
    params.threads = std::max(query.threads, 1);
    return params;
}

ParameterArray setDerivedParameters(const Query& query, int g) {
    if (g < 1) fail(Stream::err, "error: at least one genome is required to derive the parameters (got %d)\n", g);
    ParameterArray params = enteredParameters(query);
    const long long delta = params.delta;
    if (params.isCenter) {
        params.maxOccDist = checkedInt(2 * delta, query, g);
        params.maxDistToCenter = params.delta;
        params.maxSumDist = checkedInt(g * delta, query, g);
        params.pwDelta = params.delta;
        params.delta = checkedInt(g * delta, query, g);
    } else {
        params.maxOccDist = params.delta;
        params.maxSumDist = params.delta;
    }
    // From here on q counts the genomes that may lack a cluster: none without
    // a quorum, and none rather than a negative number for a quorum above g
    // (which validateQuery refuses).
    params.q = params.hasQuorum ? std::max(g - params.q, 0) : 0;
    params.d = checkedInt(((2LL * g - 2) * params.delta) / g, query, g);
    params.minRefSize = derivedMinRefSize(params.isCenter ? delta : delta / g, query, g);
    return params;
}

int distanceBound(int alphabetSize, int longestChromosome) {
    const long long bound = std::min<long long>(alphabetSize, 2LL * longestChromosome);
    return static_cast<int>(std::clamp<long long>(bound, 0, INT_MAX));
}

int searchDepth(const ParameterArray& params, long long depth) {
    return static_cast<int>(std::min<long long>(depth, params.distanceBound));
}

void validateQuery(const Query& query, int genomeCount) {
    const Mode mode = query.mode;
    const RefType refType = query.refType;
    const CostType cost = query.cost;
    const int s = query.minClusterSize;
    if (query.delta < 0) fail(Stream::err, "error: negative distance threshold %d\n", query.delta);
    if (mode == Mode::perfect && query.delta != 0)
        fail(Stream::err, "error: distance threshold not zero in perfect gene cluster mode\n");
    if (refType != RefType::cluster && s < 1) fail(Stream::err, "error: no minimum size threshold given\n");
    if (mode == Mode::median && refType != RefType::none)
        fail(Stream::err, "error: refType specified in median mode\n");
    if (mode == Mode::center && refType != RefType::none) fail(Stream::err, "error: refType specified in center mode\n");
    if (mode != Mode::median && query.hasQuorum && cost != CostType::zero) {
        const char costChar = cost == CostType::proportionate ? 'r' : cost == CostType::sizeDependent ? 's' : '?';
        fail(Stream::err, "error: quorum type '%c' incompatible with search mode '%c'\n", costChar,
             tamsu::modeChar(mode));
    }
    if (cost != CostType::none && query.quorum == -1)
        fail(Stream::err, "error: quorum type specified but no quorum parameter given\n");
    if (refType == RefType::cluster && s != -1)
        fail(Stream::err, "error: no minSize threshold needed for fixed ref chromosome\n");
    if (genomeCount >= 1 && query.hasQuorum && query.quorum > genomeCount)
        fail(Stream::err, "error: quorum %d is larger than the number of genomes (%d)\n", query.quorum, genomeCount);
}

void fprintParameterArray(FILE* stream, const ParameterArray& params) {
    std::fprintf(stream, "\n\t*** Query parameters: ***\n");
    const Mode mode = params.operationMode;
    const RefType refType = params.refType;
    const char* refName = refType == RefType::discovery ? "discovery"
                          : refType == RefType::genome  ? "fixed genome"
                          : refType == RefType::cluster ? "fixed gene set"
                                                        : nullptr;
    if (mode == Mode::median) {
        std::fprintf(stream, "\tmode:\t\tmedian\n");
    } else if (mode == Mode::center) {
        std::fprintf(stream, "\tmode:\t\tcenter\n");
    } else if (refName != nullptr) {
        std::fprintf(stream, mode == Mode::reference ? "\tmode:\t\treference-based (%s)\n" : "\tmode:\t\tperfect (%s)\n",
                     refName);
    }
    std::fprintf(stream, "\tdelta:\t\t%d\n", params.delta);
    std::fprintf(stream, "\ts:\t\t%d\n", params.minClusterSize);
    if (params.hasQuorum) {
        if (params.qtype == CostType::zero)
            std::fprintf(stream, "\tq:\t\t%d (no cost)\n", params.q);
        else if (params.qtype == CostType::proportionate) std::fprintf(stream, "\tq:\t\t%d (proportionate cost)\n", params.q);
        else if (params.qtype == CostType::sizeDependent) std::fprintf(stream, "\tq:\t\t%d (size dependent cost)\n", params.q);
    }
    std::fprintf(stream, "\tminOccSize:\t%f\n", params.minOccSize);
    std::fprintf(stream, "\toutfile:\t%s\n", params.outfile.c_str());
    std::fprintf(stream, "\n");
}

}  // namespace tamsu::detail

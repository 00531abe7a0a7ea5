// Parameter derivation, the compatibility rules of a query and the parameter print.
#include "params/searchParameters.h"

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

}  // namespace tamsu::detail

namespace tamsu {

char modeChar(Mode mode) {
    switch (mode) {
        case Mode::center:
            return 'c';
        case Mode::reference:
            return 'r';
        case Mode::perfect:
            return 'p';
        case Mode::median:
            break;
    }
    return 'm';
}

}  // namespace tamsu

namespace tamsu::detail {

SearchParameters deriveSearchParameters(const Query& query, int g, int distanceBound) {
    if (g < 1) fail(Stream::err, "error: at least one genome is required to derive the parameters (got %d)\n", g);
    SearchParameters params;
    params.mode = query.mode;
    params.refType = query.refType;
    params.delta = query.delta;
    params.minClusterSize = query.minClusterSize;
    params.minOccSize = query.minOccSize;
    params.hasQuorum = query.quorum.has_value();
    params.quorum = query.quorum ? query.quorum->genomes : -1;
    params.lackingCost = query.quorum ? query.quorum->cost : CostType::zero;
    params.useNUM = query.useNUM;

    const long long delta = query.delta;
    params.summedDelta = params.isCenter() ? checkedInt(g * delta, query, g) : query.delta;
    if (params.isCenter()) checkedInt(2 * delta, query, g);  // the filter depth
    // None rather than a negative number for a quorum above g (which
    // validateQuery refuses).
    params.mayLack = query.quorum ? std::max(g - query.quorum->genomes, 0) : 0;
    params.referenceBudget = checkedInt(((2LL * g - 2) * params.summedDelta) / g, query, g);
    params.minRefSize = derivedMinRefSize(params.isCenter() ? delta : delta / g, query, g);
    params.distanceBound = distanceBound;
    return params;
}

int distanceBound(int alphabetSize, int longestChromosome) {
    const long long bound = std::min<long long>(alphabetSize, 2LL * longestChromosome);
    return static_cast<int>(std::clamp<long long>(bound, 0, INT_MAX));
}

int searchDepth(const SearchParameters& params, long long depth) {
    return static_cast<int>(std::min<long long>(depth, params.distanceBound));
}

void validateQuery(const Query& query, int genomeCount) {
    const Mode mode = query.mode;
    const RefType refType = query.refType;
    const CostType cost = query.quorum ? query.quorum->cost : CostType::zero;
    const int s = query.minClusterSize;
    if (query.delta < 0) fail(Stream::err, "error: negative distance threshold %d\n", query.delta);
    if (mode == Mode::perfect && query.delta != 0)
        fail(Stream::err, "error: distance threshold not zero in perfect gene cluster mode\n");
    if (refType != RefType::cluster && s < 1) fail(Stream::err, "error: no minimum size threshold given\n");
    if (mode == Mode::median && refType != RefType::none)
        fail(Stream::err, "error: refType specified in median mode\n");
    if (mode == Mode::center && refType != RefType::none)
        fail(Stream::err, "error: refType specified in center mode\n");
    if (mode != Mode::median && query.quorum && cost != CostType::zero) {
        const char costChar = cost == CostType::proportionate ? 'r' : cost == CostType::sizeDependent ? 's' : '?';
        fail(Stream::err, "error: quorum type '%c' incompatible with search mode '%c'\n", costChar,
             tamsu::modeChar(mode));
    }
    if (query.quorum && query.quorum->genomes < 1)
        fail(Stream::err, "error: quorum type specified but no quorum parameter given\n");
    if (refType == RefType::cluster && s != -1)
        fail(Stream::err, "error: no minSize threshold needed for fixed ref chromosome\n");
    if (genomeCount >= 1 && query.quorum && query.quorum->genomes > genomeCount)
        fail(Stream::err, "error: quorum %d is larger than the number of genomes (%d)\n", query.quorum->genomes,
             genomeCount);
}

void printParameterBlock(FILE* stream, const Query& query, int genomeCount, const std::string& outputFile) {
    std::fprintf(stream, "\n\t*** Query parameters: ***\n");
    const Mode mode = query.mode;
    const RefType refType = query.refType;
    const char* refName = refType == RefType::discovery ? "discovery"
                          : refType == RefType::genome  ? "fixed genome"
                          : refType == RefType::cluster ? "fixed gene set"
                                                        : nullptr;
    if (mode == Mode::median) {
        std::fprintf(stream, "\tmode:\t\tmedian\n");
    } else if (mode == Mode::center) {
        std::fprintf(stream, "\tmode:\t\tcenter\n");
    } else if (refName != nullptr) {
        std::fprintf(stream,
                     mode == Mode::reference ? "\tmode:\t\treference-based (%s)\n" : "\tmode:\t\tperfect (%s)\n",
                     refName);
    }
    int delta = query.delta, q = query.quorum ? query.quorum->genomes : -1;
    if (genomeCount >= 1) {
        const SearchParameters derived = deriveSearchParameters(query, genomeCount);
        delta = derived.summedDelta;
        q = derived.mayLack;
    }
    std::fprintf(stream, "\tdelta:\t\t%d\n", delta);
    std::fprintf(stream, "\ts:\t\t%d\n", query.minClusterSize);
    if (query.quorum) {
        if (query.quorum->cost == CostType::zero)
            std::fprintf(stream, "\tq:\t\t%d (no cost)\n", q);
        else if (query.quorum->cost == CostType::proportionate)
            std::fprintf(stream, "\tq:\t\t%d (proportionate cost)\n", q);
        else
            std::fprintf(stream, "\tq:\t\t%d (size dependent cost)\n", q);
    }
    std::fprintf(stream, "\tminOccSize:\t%f\n", query.minOccSize);
    std::fprintf(stream, "\toutfile:\t%s\n", outputFile.c_str());
    std::fprintf(stream, "\n");
}

}  // namespace tamsu::detail

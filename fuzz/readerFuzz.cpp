// Fuzz target of the input reader: one input is a genome list, a line
// "====", and the annotation file. Both are written to the process's scratch
// folder as list.txt and ann.txt, read with readGenomes, the parameters of a
// center query derived for it, and indexed with buildOccurrenceIndex. A Error is the expected answer to bad input;
// anything else (crash, sanitizer report, other exception, leak) is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <cstdio>

#include "genomes/readGenomes.h"
#include "index/occurrenceIndex.h"
#include "params/searchParameters.h"
#include "scratchDir.h"
#include "util/errors.h"

using namespace tamsu;
using namespace tamsu::detail;

namespace {

constexpr std::string_view kSeparator = "\n====\n";
// Entries of all NUM tables together ((n+2)^2 per chromosome) up to which the
// index builds them; beyond, it indexes without NUM so memory stays bounded.
constexpr long long kNumBudget = 1LL << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchDir dir;
    static FILE* const notices = std::fopen("/dev/null", "w");
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find(kSeparator);
    const std::string_view list = input.substr(0, cut);
    const std::string_view annotation =
        cut == std::string_view::npos ? std::string_view() : input.substr(cut + kSeparator.size());
    // The list may name only files beside it (or in the working directory):
    // an absolute or climbing path could send the reader to a device file.
    if (list.find('/') != std::string_view::npos) return 0;
    const std::string listPath = dir.write("list.txt", list);
    dir.write("ann.txt", annotation);

    try {
        std::unique_ptr<GenomeSet> set = readGenomes(listPath, notices);
        long long numEntries = 0;
        for (const Genome& genome : set->genomes)
            for (const Chromosome& chrom : genome.chromosomes)
                numEntries += (chrom.length() + 2LL) * (chrom.length() + 2LL);
        Query query;
        query.mode = Mode::center;
        query.delta = 1;
        query.minClusterSize = 2;
        query.quorum = Quorum{1, CostType::zero};
        validateQuery(query, set->genomeCount());
        deriveSearchParameters(query, set->genomeCount());
        buildOccurrenceIndex(*set, numEntries <= kNumBudget);
    } catch (const Error&) {
    }
    return 0;
}

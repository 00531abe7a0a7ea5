// Fuzz target of the shard-result reader: the input is one shard result,
// read and then checked against the small test genomes (every interval and
// count counted again from their genes) as zub merge does. A tamsu::Error
// ("not a shard result", "does not fit these genomes") is the expected
// answer to bad input; anything else (crash, stack overflow, memory
// blow-up, other exception) is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "genomes/readGenomes.h"
#include "results/shardFile.h"
#include "scratchDir.h"
#include "util/errors.h"

using namespace tamsu::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchDir dir;
    static FILE* const notices = std::fopen("/dev/null", "w");
    static const std::unique_ptr<GenomeSet> genomes = readGenomes(TAMSU_TEST_DATA "/small/genomes.txt", notices);
    const std::string path = dir.write("shard.json", std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        ShardFileHeader header;
        ShardClusters found;
        readShardFile(path, header, found);
        checkedShardClusters(found, *genomes, path);
    } catch (const tamsu::Error&) {
    }
    return 0;
}

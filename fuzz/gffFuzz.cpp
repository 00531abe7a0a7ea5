// Fuzz target of the annotation-file readers of zub convert: the input is one
// GFF3 file (or a GenBank file when it starts with "LOCUS"), read feature by
// feature with every attribute looked up, then its sequences. A tamsu::Error
// (a malformed line, named by file and line) is the expected answer to bad
// input; anything else (crash, sanitizer report, other exception, leak) is a
// fault.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "convert/gff3.h"
#include "scratchDir.h"
#include "util/errors.h"

using namespace tamsu::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchDir dir;
    const std::string path = dir.write("g.gff", std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        const std::unique_ptr<FeatureReader> reader = openAnnotationFile(path);
        GffFeature feature;
        size_t seen = 0;
        while (reader->next(feature)) {
            for (const char* key : {"ID", "locus_tag", "product", "Name", "gene", "translation"}) {
                const std::string* value = feature.attribute(key);
                seen += value != nullptr ? value->size() : 0;
            }
            seen += feature.seqid.size() + static_cast<size_t>(reader->regionLength(feature.seqid) > 0);
        }
        seen += reader->declaredRegions().size();
        std::unordered_map<std::string, std::string> sequences;
        reader->readSequences(sequences);
        if (seen + sequences.size() == static_cast<size_t>(-1)) return 1;  // keeps the reads
    } catch (const tamsu::Error&) {
    }
    return 0;
}

// Fuzz target of the gene-family table readers: the input is one table, a
// Roary/Panaroo CSV or an OrthoFinder TSV as its header line says, read
// twice into one table (the second time its genes are all repeats, and its
// genome columns must match the first). A tamsu::Error is the expected
// answer to bad input; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert/familyTable.h"
#include "scratchDir.h"
#include "util/errors.h"

using namespace tamsu::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchDir dir;
    const std::string path = dir.write("table.csv", std::string_view(reinterpret_cast<const char*>(data), size));
    FamilyTable table;
    try {
        readFamilyTable(path, table);
        readFamilyTable(path, table);
    } catch (const tamsu::Error&) {
    }
    return 0;
}

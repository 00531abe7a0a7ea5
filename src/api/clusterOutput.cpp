// The output file with its additions, the long table of genes, and family
// names on the command line.
#include <cstdlib>
#include <memory>

#include "api/callStreams.h"
#include "results/annotatedTable.h"
#include "results/clusterTable.h"
#include "tamsu/tamsu.h"

namespace tamsu {

using namespace detail;

namespace {

// What a writer puts into a FILE*, as text.
template <class Write>
std::string textOf(Write&& write) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (stream == nullptr) fail(Stream::err, "error: no memory for the output table\n");
    write(stream);
    std::fclose(stream);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

std::string plainTable(const Result& result, const Genomes& genomes, const Query& query) {
    return textOf([&](FILE* out) { writeClusters(out, OutputFormat::tsv, result, genomes, query, std::string()); });
}

}  // namespace

void writeClusters(FILE* out, OutputFormat format, const Result& result, const Genomes& genomes, const Query& query,
                   const std::string& genomeListPath, const ClusterTableOptions& options) {
    const TableAdditions additions{options.annotate, options.maxSize};
    if (format == OutputFormat::tsv) {
        if (!options.annotate && options.maxSize == 0) {
            writeClusters(out, format, result, genomes, query, genomeListPath);
            return;
        }
        const std::string text = annotatedTable(plainTable(result, genomes, query), genomes.data(), additions);
        std::fwrite(text.data(), 1, text.size(), out);
        return;
    }
    const std::string json =
        textOf([&](FILE* stream) { writeClusters(stream, format, result, genomes, query, genomeListPath); });
    const std::string text = annotatedJson(json, plainTable(result, genomes, query), genomes.data(), additions,
                                           version(), options.command);
    std::fwrite(text.data(), 1, text.size(), out);
}

void writeClusterGenes(FILE* out, const Result& result, const Genomes& genomes, const Query& query, int maxSize) {
    writeGeneRows(out, plainTable(result, genomes, query), genomes.data(), maxSize);
}

std::vector<int> familyIds(const Genomes& genomes, const std::vector<std::string>& families) {
    const GeneTable table = GeneTable::of(genomes.data());
    std::vector<int> ids;
    for (const std::string& family : families) {
        const std::optional<int> id = table.familyId(family);
        if (!id)
            fail(Stream::err, "error: no gene family \"%s\"%s\n", family.c_str(),
                 table.path().empty() ? " (family names come from genes.tsv beside the annotation file; there is none)"
                                      : (" in " + table.path()).c_str());
        ids.push_back(*id);
    }
    return ids;
}

}  // namespace tamsu

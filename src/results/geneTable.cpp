// Reading zub convert's side table against the genomes it was written with.
#include "results/geneTable.h"

#include <charconv>

#include "util/errors.h"
#include "util/strings.h"
#include "util/textFile.h"

namespace tamsu::detail {

namespace {

bool parseNumber(const std::string& text, long long& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// genes.tsv in the annotation file's folder.
std::string sideTablePath(const std::string& annotationPath) {
    const size_t slash = annotationPath.rfind('/');
    return slash == std::string::npos ? "genes.tsv" : annotationPath.substr(0, slash + 1) + "genes.tsv";
}

}  // namespace

GeneTable GeneTable::of(const GenomeSet& set) {
    GeneTable table;
    std::unordered_map<std::string, std::pair<int, int>> chromosomeOf;
    table.genes_.resize(set.genomes.size());
    for (size_t g = 0; g < set.genomes.size(); ++g)
        for (const Chromosome& chrom : set.genomes[g].chromosomes) {
            chromosomeOf[chrom.name] = {static_cast<int>(g), chrom.number};
            std::vector<GeneInfo> genes(static_cast<size_t>(std::max(chrom.length(), 0)) + 2);
            for (int p = 1; p <= chrom.length(); ++p) {
                GeneInfo& gene = genes[p];
                if (p < static_cast<int>(chrom.locusTags.size())) gene.locusTag = chrom.locusTags[p];
                if (p < static_cast<int>(chrom.annotations.size())) gene.product = chrom.annotations[p];
                if (p < static_cast<int>(chrom.dirs.size())) gene.strand = chrom.dirs[p];
                gene.familyId = set.codingTable.empty() ? chrom.genes[p] : set.codingTable[chrom.genes[p]];
            }
            table.genes_[g].push_back(std::move(genes));
        }

    const std::string path = set.sourcePath.empty() ? std::string() : sideTablePath(set.sourcePath);
    TextFile file(path, std::nothrow);
    std::string line;
    if (path.empty() || !file.isOpen() || !file.next(line)) {
        for (const auto& genome : table.genes_)
            for (const auto& chrom : genome)
                for (const GeneInfo& gene : chrom)
                    if (gene.familyId != 0) table.products_.emplace(gene.familyId, gene.product);
        return table;
    }
    table.path_ = path;
    const std::vector<std::string> header = splitTabsCopied(line);
    std::map<std::string, size_t> column;
    for (size_t c = 0; c < header.size(); ++c) column[header[c]] = c;
    for (const char* name : {"genome", "chromosome", "position", "locus_tag", "family_id", "family_name", "product",
                             "start", "end", "strand"})
        if (column.count(name) == 0)
            fail(Stream::err, "error: %s line 1: no column \"%s\" (a gene table of zub convert is needed)\n",
                 path.c_str(), name);
    const bool hasGeneName = column.count("gene") != 0;
    size_t located = 0, genes = 0;
    for (const auto& genome : table.genes_)
        for (const auto& chrom : genome) genes += chrom.size() - 2;
    // How often each family carries each product: the most common one names it.
    std::map<int, std::map<std::string, int>> productCounts;
    while (file.next(line)) {
        if (line.empty()) continue;
        const std::vector<std::string> fields = splitTabsCopied(line);
        const int number = file.lineNumber();
        if (fields.size() != header.size())
            fail(Stream::err, "error: %s line %d: %zu fields where the header has %zu\n", path.c_str(), number,
                 fields.size(), header.size());
        const auto where = chromosomeOf.find(fields[column["chromosome"]]);
        if (where == chromosomeOf.end()) continue;  // a chromosome left out of the genome list
        const auto [g, c] = where->second;
        long long position = 0, family = 0, start = 0, end = 0;
        std::vector<GeneInfo>& chrom = table.genes_[g][c];
        if (!parseNumber(fields[column["position"]], position) || position < 1 ||
            position > static_cast<long long>(chrom.size()) - 2 || !parseNumber(fields[column["family_id"]], family))
            fail(Stream::err, "error: %s line %d: gene %s of %s is not in the genome list\n", path.c_str(), number,
                 fields[column["position"]].c_str(), fields[column["chromosome"]].c_str());
        GeneInfo& gene = chrom[static_cast<size_t>(position)];
        if (gene.locusTag != fields[column["locus_tag"]])
            fail(Stream::err,
                 "error: %s line %d: locus tag %s, where the annotation file has %s: the gene table was written with "
                 "other genomes (convert again)\n",
                 path.c_str(), number, fields[column["locus_tag"]].c_str(), gene.locusTag.c_str());
        gene.familyName = fields[column["family_name"]];
        gene.product = fields[column["product"]];
        if (hasGeneName) gene.geneName = fields[column["gene"]];
        if (parseNumber(fields[column["start"]], start) && parseNumber(fields[column["end"]], end) && start >= 1 &&
            start <= end) {
            if (gene.start == 0) ++located;
            gene.start = start;
            gene.end = end;
        }
        const std::string& strand = fields[column["strand"]];
        if (strand == "+" || strand == "-") gene.strand = strand[0];
        if (family != 0 && gene.familyId != 0) {
            if (!gene.familyName.empty()) {
                table.names_.emplace(gene.familyId, gene.familyName);
                table.byName_.emplace(gene.familyName, gene.familyId);
            }
            if (!gene.product.empty()) ++productCounts[gene.familyId][gene.product];
        }
    }
    table.coordinates_ = genes > 0 && located == genes;
    for (const auto& [id, counts] : productCounts) {
        const std::pair<const std::string, int>* most = nullptr;
        for (const auto& entry : counts)
            if (most == nullptr || entry.second > most->second) most = &entry;
        table.products_[id] = most->first;
    }
    return table;
}

std::string GeneTable::familyName(int id) const {
    const auto found = names_.find(id);
    return found == names_.end() ? std::string() : found->second;
}

std::string GeneTable::familyProduct(int id) const {
    const auto found = products_.find(id);
    return found == products_.end() ? std::string() : found->second;
}

std::optional<int> GeneTable::familyId(const std::string& text) const {
    long long id = 0;
    if (parseNumber(text, id) && id >= 0 && id <= 2147483647) return static_cast<int>(id);
    const auto found = byName_.find(text);
    if (found == byName_.end()) return std::nullopt;
    return found->second;
}

}  // namespace tamsu::detail

// The converter: family tables first (the gene ids to look for), then each
// GFF3 file streamed once into compact gene records, then both output files.
#include "convert/convert.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>
#include <unordered_map>

#include "convert/familyTable.h"
#include "convert/gff3.h"
#include "util/errors.h"

namespace tamsu::detail {

namespace {

struct Gene {
    int region = 0;       // index in the genome's regions, by first appearance
    long long start = 0;
    long long end = 0;
    char strand = '?';
    int family = -1;      // table family index; -1 without family
    std::string tag;      // the id matched, or the one the gene carries
    std::string product;
};

struct GenomeGenes {
    std::string name;
    std::string path;
    std::vector<std::string> regions;   // seqids in output order once sorted
    std::vector<Gene> genes;
};

std::string replaced(std::string text, std::string_view bad, char by) {
    for (char& c : text)
        if (bad.find(c) != std::string_view::npos) c = by;
    return text;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// OrthoFinder puts the single-gene families in a file of their own; without
// it a few percent of the genes would lose their family.
std::vector<std::string> withUnassignedTables(const std::vector<std::string>& tables, std::vector<std::string>& extra) {
    namespace fs = std::filesystem;
    std::vector<std::string> all = tables;
    for (const std::string& table : tables) {
        const fs::path path(table);
        if (path.filename() != "Orthogroups.tsv") continue;
        const fs::path unassigned = path.parent_path() / "Orthogroups_UnassignedGenes.tsv";
        std::error_code ignored;
        bool listed = false;
        for (const std::string& other : tables) listed = listed || fs::equivalent(other, unassigned, ignored);
        if (!listed && fs::exists(unassigned, ignored)) {
            all.push_back(unassigned.string());
            extra.push_back(unassigned.string());
        }
    }
    return all;
}

GenomeGenes readGenes(const std::string& path, const ConvertRequest& request,
                      std::unordered_map<std::string, FamilyTable::Entry>& ids) {
    GenomeGenes genome;
    genome.path = path;
    genome.name = replaced(std::filesystem::path(path).stem().string(), ":,\t", '_');
    GffReader reader(path);
    GffFeature feature;
    std::unordered_map<std::string, int> regionIndex;
    std::string lastId;
    while (reader.next(feature)) {
        if (feature.type != request.featureType) continue;
        const std::string* id = feature.attribute("ID");
        auto [region, added] = regionIndex.try_emplace(feature.seqid, static_cast<int>(genome.regions.size()));
        if (added) genome.regions.push_back(feature.seqid);
        // A CDS split over several lines keeps one ID: it is one gene.
        if (id != nullptr && !genome.genes.empty() && *id == lastId && genome.genes.back().region == region->second) {
            Gene& gene = genome.genes.back();
            gene.start = std::min(gene.start, feature.start);
            gene.end = std::max(gene.end, feature.end);
            continue;
        }
        lastId = id != nullptr ? *id : std::string();
        Gene gene;
        gene.region = region->second;
        gene.start = feature.start;
        gene.end = feature.end;
        gene.strand = feature.strand == '+' || feature.strand == '-' ? feature.strand : '?';
        // The named attribute, then ID; a table id already taken by an earlier
        // feature gives way to the next candidate (the two parts of a
        // frameshifted CDS share a locus_tag but not their IDs).
        FamilyTable::Entry* taken = nullptr;
        for (const char* key : {request.idAttribute.c_str(), "ID"}) {
            const std::string* value = feature.attribute(key);
            if (value == nullptr || value->empty()) continue;
            if (gene.tag.empty()) gene.tag = *value;
            auto entry = ids.find(*value);
            if (entry == ids.end()) continue;
            if (taken == nullptr) taken = &entry->second, gene.tag = *value;
            if (!entry->second.found) {
                taken = &entry->second;
                gene.tag = *value;
                break;
            }
        }
        if (taken != nullptr) {
            gene.family = taken->family;
            taken->found = true;
        }
        for (const char* key : {"product", "gene", "Name"})
            if (const std::string* value = feature.attribute(key); value != nullptr && gene.product.empty())
                gene.product = *value;
        genome.genes.push_back(std::move(gene));
    }
    if (genome.genes.empty())
        fail(Stream::err, "error: %s: no \"%s\" feature before the end of the features\n", path.c_str(),
             request.featureType.c_str());

    // Chromosomes in the order the file declares them, undeclared ones after;
    // genes by start within each.
    std::vector<int> rank(genome.regions.size(), -1);
    int next = 0;
    for (const std::string& declared : reader.declaredRegions())
        if (auto found = regionIndex.find(declared); found != regionIndex.end() && rank[found->second] < 0)
            rank[found->second] = next++;
    for (int& r : rank)
        if (r < 0) r = next++;
    std::vector<std::string> ordered(genome.regions.size());
    for (size_t r = 0; r < rank.size(); ++r) ordered[rank[r]] = genome.regions[r];
    genome.regions = std::move(ordered);
    for (Gene& gene : genome.genes) gene.region = rank[gene.region];
    std::stable_sort(genome.genes.begin(), genome.genes.end(), [](const Gene& a, const Gene& b) {
        return std::tie(a.region, a.start, a.end) < std::tie(b.region, b.start, b.end);
    });
    return genome;
}

// Chromosome names the genome list and annotation file can carry: starting
// with a letter, without ',' or blanks, and unique over all genomes.
std::vector<std::vector<std::string>> chromosomeNames(const std::vector<GenomeGenes>& genomes) {
    std::vector<std::vector<std::string>> names;
    std::set<std::string> used;
    for (const GenomeGenes& genome : genomes) {
        names.emplace_back();
        for (const std::string& seqid : genome.regions) {
            std::string name = replaced(seqid, ", \t", '_');
            if (!isLetter(name[0])) name = "chr_" + name;
            if (used.count(name) != 0) name = "g" + genome.name + "_" + name;
            const std::string base = name;
            for (int n = 2; used.count(name) != 0; ++n) name = base + "_" + std::to_string(n);
            used.insert(name);
            names.back().push_back(name);
        }
    }
    return names;
}

}  // namespace

ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation) {
    if (request.gffPaths.empty()) fail(Stream::err, "error: no GFF3 file given\n");
    if (request.tablePaths.empty()) fail(Stream::err, "error: no family table given\n");
    ConvertSummary summary;
    FamilyTable table;
    for (const std::string& path : withUnassignedTables(request.tablePaths, summary.extraTables))
        readFamilyTable(path, table);

    // The table's genome columns are the GFF file stems, one for one.
    std::vector<std::string> stems;
    for (const std::string& path : request.gffPaths) stems.push_back(std::filesystem::path(path).stem().string());
    for (const std::string& column : table.genomes)
        if (std::find(stems.begin(), stems.end(), column) == stems.end())
            fail(Stream::err, "error: %s line 1: genome column \"%s\" has no GFF file (expected %s.gff among the inputs)\n",
                 table.sources.front().c_str(), column.c_str(), column.c_str());
    std::vector<GenomeGenes> genomes;
    for (size_t g = 0; g < request.gffPaths.size(); ++g) {
        auto column = std::find(table.genomes.begin(), table.genomes.end(), stems[g]);
        if (column == table.genomes.end())
            fail(Stream::err, "error: %s: genome \"%s\" has no column in %s line 1\n", request.gffPaths[g].c_str(),
                 stems[g].c_str(), table.sources.front().c_str());
        if (std::find(stems.begin(), stems.begin() + static_cast<long>(g), stems[g]) != stems.begin() + static_cast<long>(g))
            fail(Stream::err, "error: %s: a second GFF file for genome \"%s\"\n", request.gffPaths[g].c_str(), stems[g].c_str());
        genomes.push_back(readGenes(request.gffPaths[g], request, table.genes[column - table.genomes.begin()]));
    }

    // Family ids 1, 2, ... in table order, for the families some gene has.
    std::vector<int> familyId(table.families.size(), 0);
    for (const GenomeGenes& genome : genomes)
        for (const Gene& gene : genome.genes)
            if (gene.family >= 0) familyId[gene.family] = 1;
    for (int& id : familyId)
        if (id != 0) id = ++summary.families;

    const std::vector<std::vector<std::string>> names = chromosomeNames(genomes);
    std::fprintf(genomeList, "SOURCE: %s\n", request.annotationName.c_str());
    for (size_t g = 0; g < genomes.size(); ++g) {
        const GenomeGenes& genome = genomes[g];
        ConvertedGenome converted{genome.name, static_cast<int>(genome.regions.size()), 0, 0};
        std::fprintf(genomeList, "%s:", genome.name.c_str());
        for (size_t r = 0; r < names[g].size(); ++r)
            std::fprintf(genomeList, "%s%s", r == 0 ? "" : ",", names[g][r].c_str());
        std::fprintf(genomeList, "\n");
        size_t i = 0;
        for (size_t r = 0; r < genome.regions.size(); ++r) {
            std::fprintf(annotation, "%s, %s %s from %s\nfamily\tstrand\tcategory\tlocus_tag\tannotation\n",
                         names[g][r].c_str(), genome.name.c_str(), replaced(genome.regions[r], "\t", ' ').c_str(),
                         genome.path.c_str());
            for (; i < genome.genes.size() && genome.genes[i].region == static_cast<int>(r); ++i) {
                const Gene& gene = genome.genes[i];
                const bool matched = gene.family >= 0;
                std::string text = matched ? table.families[gene.family] : std::string("-");
                if (!gene.product.empty()) text += ": " + gene.product;
                std::fprintf(annotation, "%d\t%c\t?\t%s\t%s\n", matched ? familyId[gene.family] : 0, gene.strand,
                             gene.tag.empty() ? "-" : replaced(gene.tag, "\t ", '_').c_str(),
                             replaced(text, "\t\r\n", ' ').c_str());
                ++converted.genes;
                converted.matched += matched ? 1 : 0;
            }
            std::fprintf(annotation, "\n");
        }
        summary.genomes.push_back(converted);
    }

    for (size_t g = 0; g < table.genomes.size(); ++g) {
        std::vector<std::pair<std::string, const FamilyTable::Entry*>> missing;
        for (const auto& [id, entry] : table.genes[g])
            if (!entry.found) missing.emplace_back(id, &entry);
        std::sort(missing.begin(), missing.end(), [](const auto& a, const auto& b) {
            return std::tie(a.second->source, a.second->line, a.first) < std::tie(b.second->source, b.second->line, b.first);
        });
        for (const auto& [id, entry] : missing)
            summary.notFound.push_back(table.genomes[g] + "\t" + id + "\t" + table.sources[entry->source] + ":" +
                                       std::to_string(entry->line));
    }
    return summary;
}

void printConvertSummary(FILE* out, const ConvertSummary& summary) {
    for (const std::string& extra : summary.extraTables)
        std::fprintf(out, "also read %s (the genes OrthoFinder left in families of their own)\n", extra.c_str());
    int genes = 0, matched = 0;
    for (const ConvertedGenome& genome : summary.genomes) {
        genes += genome.genes;
        matched += genome.matched;
    }
    std::fprintf(out, "converted %zu genomes: %d genes, %d with a family, %d without (family 0); %d families\n",
                 summary.genomes.size(), genes, matched, genes - matched, summary.families);
    for (const ConvertedGenome& genome : summary.genomes)
        std::fprintf(out, "  %s: %d chromosome%s, %d genes, %d matched, %d unmatched\n", genome.name.c_str(),
                     genome.chromosomes, genome.chromosomes == 1 ? "" : "s", genome.genes, genome.matched,
                     genome.genes - genome.matched);
    std::fprintf(out, "table genes found in no GFF file: %zu\n", summary.notFound.size());
    for (const std::string& line : summary.notFound) std::fprintf(out, "  %s\n", line.c_str());
}

}  // namespace tamsu::detail

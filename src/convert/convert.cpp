// The converter: family tables first (the gene ids to look for), then each
// GFF3 file streamed once into compact gene records, then both output files.
#include "convert/convert.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>
#include <unordered_map>

#include "convert/annotatedGenome.h"
#include "convert/familyTable.h"
#include "convert/lineInput.h"
#include "util/errors.h"

namespace tamsu::detail {

namespace {

// A gene as written: its record and the family it was matched to.
struct Gene {
    AnnotatedGene record;
    int family = -1;      // table family index; -1 without family
    std::string tag;      // the id matched, or the one the gene carries
};

struct GenomeGenes {
    std::string name;
    std::string path;
    std::vector<std::string> regions;  // seqids in output order
    std::vector<Gene> genes;           // by region, start and end
};

// The text with the characters of bad, and every control character (a
// percent-decoded "%0A" or "%09" among them), replaced by `by`: no line break
// or tab of an input value reaches the line structure of the output files.
std::string replaced(std::string text, std::string_view bad, char by) {
    for (char& c : text)
        if (bad.find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = by;
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
    AnnotatedGenome read = readAnnotatedGenome(path, request.featureType, request.idAttribute);
    // Families in file order: the named attribute, then ID; a table id
    // already taken by an earlier feature gives way to the next candidate
    // (the two parts of a frameshifted CDS share a locus_tag but not their IDs).
    std::vector<int> family(read.genes.size(), -1);
    std::vector<std::string> tags(read.genes.size());
    for (size_t g = 0; g < read.genes.size(); ++g) {
        std::string& tag = tags[g];
        FamilyTable::Entry* taken = nullptr;
        for (const std::string& value : read.genes[g].ids) {
            if (tag.empty()) tag = value;
            auto entry = ids.find(value);
            if (entry == ids.end()) continue;
            if (taken == nullptr) taken = &entry->second, tag = value;
            if (!entry->second.found) {
                taken = &entry->second;
                tag = value;
                break;
            }
        }
        if (taken != nullptr) {
            family[g] = taken->family;
            taken->found = true;
        }
    }
    sortGenes(read);
    GenomeGenes genome;
    genome.name = read.name;
    genome.path = read.path;
    genome.regions = read.regions;
    for (AnnotatedGene& record : read.genes) {
        const size_t g = static_cast<size_t>(record.order);
        genome.genes.push_back(Gene{std::move(record), family[g], std::move(tags[g])});
    }
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

ConvertSummary convertGenomes(const ConvertRequest& request, FILE* genomeList, FILE* annotation, FILE* genes) {
    if (request.gffPaths.empty()) fail(Stream::err, "error: no GFF3 or GenBank file given\n");
    if (request.tablePaths.empty()) fail(Stream::err, "error: no family table given\n");
    ConvertSummary summary;
    FamilyTable table;
    for (const std::string& path : withUnassignedTables(request.tablePaths, summary.extraTables))
        readFamilyTable(path, table);

    // Each annotation file's stem is a genome column of the table; columns
    // without a file are genomes left out of this conversion.
    std::vector<std::string> stems;
    for (const std::string& path : request.gffPaths) stems.push_back(annotationStem(path));
    std::vector<bool> converted(table.genomes.size(), false);
    std::vector<GenomeGenes> genomes;
    for (size_t g = 0; g < request.gffPaths.size(); ++g) {
        auto column = std::find(table.genomes.begin(), table.genomes.end(), stems[g]);
        if (column == table.genomes.end())
            fail(Stream::err, "error: %s: genome \"%s\" has no column in %s line 1\n", request.gffPaths[g].c_str(),
                 stems[g].c_str(), table.sources.front().c_str());
        if (std::find(stems.begin(), stems.begin() + static_cast<long>(g), stems[g]) != stems.begin() + static_cast<long>(g))
            fail(Stream::err, "error: %s: a second annotation file for genome \"%s\"\n", request.gffPaths[g].c_str(),
                 stems[g].c_str());
        converted[column - table.genomes.begin()] = true;
        genomes.push_back(readGenes(request.gffPaths[g], request, table.genes[column - table.genomes.begin()]));
        // Names made listable may meet: each genome needs a name of its own.
        for (size_t h = 0; h < g; ++h)
            if (genomes[h].name == genomes[g].name)
                fail(Stream::err, "error: %s and %s both give the genome name \"%s\"\n", request.gffPaths[h].c_str(),
                     request.gffPaths[g].c_str(), genomes[g].name.c_str());
    }
    for (size_t c = 0; c < table.genomes.size(); ++c)
        if (!converted[c]) summary.skippedGenomes.push_back(table.genomes[c]);

    // Family ids 1, 2, ... in table order, for the families some gene has.
    std::vector<int> familyId(table.families.size(), 0);
    for (const GenomeGenes& genome : genomes)
        for (const Gene& gene : genome.genes)
            if (gene.family >= 0) familyId[gene.family] = 1;
    for (int& id : familyId)
        if (id != 0) id = ++summary.families;

    const std::vector<std::vector<std::string>> names = chromosomeNames(genomes);
    std::fprintf(genomeList, "SOURCE: %s\n", request.annotationName.c_str());
    if (genes != nullptr) std::fprintf(genes, "%s\n", kGeneTableHeader);
    for (size_t g = 0; g < genomes.size(); ++g) {
        const GenomeGenes& genome = genomes[g];
        ConvertedGenome counts{genome.name, static_cast<int>(genome.regions.size()), 0, 0};
        std::fprintf(genomeList, "%s:", genome.name.c_str());
        for (size_t r = 0; r < names[g].size(); ++r)
            std::fprintf(genomeList, "%s%s", r == 0 ? "" : ",", names[g][r].c_str());
        std::fprintf(genomeList, "\n");
        size_t i = 0;
        for (size_t r = 0; r < genome.regions.size(); ++r) {
            std::fprintf(annotation, "%s, %s %s from %s\nfamily\tstrand\tcategory\tlocus_tag\tannotation\n",
                         names[g][r].c_str(), genome.name.c_str(), replaced(genome.regions[r], "\t", ' ').c_str(),
                         replaced(genome.path, "", ' ').c_str());
            for (int position = 1; i < genome.genes.size() && genome.genes[i].record.region == static_cast<int>(r);
                 ++i, ++position) {
                const Gene& gene = genome.genes[i];
                const AnnotatedGene& record = gene.record;
                const bool matched = gene.family >= 0;
                std::string text = matched ? table.families[gene.family] : std::string("-");
                if (!record.product.empty()) text += ": " + record.product;
                const std::string tag = gene.tag.empty() ? "-" : replaced(gene.tag, "\t ", '_');
                std::fprintf(annotation, "%d\t%c\t?\t%s\t%s\n", matched ? familyId[gene.family] : 0, record.strand,
                             tag.c_str(), replaced(text, "\t\r\n", ' ').c_str());
                if (genes != nullptr)
                    std::fprintf(genes, "%s\t%s\t%d\t%s\t%d\t%s\t%s\t%lld\t%lld\t%c\t%s\t%s\n", genome.name.c_str(),
                                 names[g][r].c_str(), position, tag.c_str(), matched ? familyId[gene.family] : 0,
                                 matched ? replaced(table.families[gene.family], "\t\r\n", ' ').c_str() : "",
                                 replaced(record.product, "\t\r\n", ' ').c_str(), record.start, record.end,
                                 record.strand, replaced(genome.regions[r], "\t\r\n", ' ').c_str(),
                                 replaced(record.geneName, "\t\r\n", ' ').c_str());
                ++counts.genes;
                counts.matched += matched ? 1 : 0;
            }
            std::fprintf(annotation, "\n");
        }
        summary.genomes.push_back(counts);
    }

    for (size_t g = 0; g < table.genomes.size(); ++g) {
        if (!converted[g]) continue;
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
    if (!summary.skippedGenomes.empty()) {
        std::fprintf(out, "table genomes without an annotation file, left out: %zu\n", summary.skippedGenomes.size());
        for (const std::string& name : summary.skippedGenomes) std::fprintf(out, "  %s\n", name.c_str());
    }
    std::fprintf(out, "table genes found in no GFF file: %zu\n", summary.notFound.size());
    for (const std::string& line : summary.notFound) std::fprintf(out, "  %s\n", line.c_str());
}

}  // namespace tamsu::detail

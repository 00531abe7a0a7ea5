// Gene records of an annotation file, shared by the converter and the
// family builder.
#include "convert/annotatedGenome.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "convert/gff3.h"
#include "convert/lineInput.h"
#include "util/errors.h"

namespace tamsu::detail {

namespace {

std::string replaced(std::string text, std::string_view bad, char by) {
    for (char& c : text)
        if (bad.find(c) != std::string_view::npos) c = by;
    return text;
}

int baseIndex(char c) {
    switch (c) {
        case 'T':
        case 'U':
            return 0;
        case 'C':
            return 1;
        case 'A':
            return 2;
        case 'G':
            return 3;
        default:
            return -1;
    }
}

char complement(char c) {
    switch (c) {
        case 'A':
            return 'T';
        case 'T':
        case 'U':
            return 'A';
        case 'C':
            return 'G';
        case 'G':
            return 'C';
        default:
            return 'N';
    }
}

// The standard code's amino acids with first, second, third base in T C A G order.
constexpr const char* kCode = "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG";

char aminoAcid(const char* codon) {
    const int a = baseIndex(codon[0]), b = baseIndex(codon[1]), c = baseIndex(codon[2]);
    if (a < 0 || b < 0 || c < 0) return 'X';
    return kCode[a * 16 + b * 4 + c];
}

bool isStartCodon(const char* codon) {
    const std::string_view c(codon, 3);
    return c == "ATG" || c == "GTG" || c == "TTG" || c == "CTG" || c == "ATT" || c == "ATC" || c == "ATA";
}

}  // namespace

AnnotatedGenome readAnnotatedGenome(const std::string& path, const std::string& featureType,
                                    const std::string& idAttribute,
                                    std::unordered_map<std::string, std::string>* sequences) {
    AnnotatedGenome genome;
    genome.path = path;
    genome.name = replaced(annotationStem(path), ":,\t", '_');
    std::unique_ptr<FeatureReader> reader = openAnnotationFile(path);
    GffFeature feature;
    std::unordered_map<std::string, int> regionIndex;
    std::string lastId;
    while (reader->next(feature)) {
        if (feature.type != featureType) continue;
        const std::string* id = feature.attribute("ID");
        auto [region, added] = regionIndex.try_emplace(feature.seqid, static_cast<int>(genome.regions.size()));
        if (added) genome.regions.push_back(feature.seqid);
        // A CDS split over several lines keeps one ID: it is one gene.
        if (id != nullptr && !genome.genes.empty() && *id == lastId && genome.genes.back().region == region->second) {
            AnnotatedGene& gene = genome.genes.back();
            gene.start = std::min(gene.start, feature.start);
            gene.end = std::max(gene.end, feature.end);
            // GFF3 lists the parts along the forward strand.
            if (gene.strand == '-') {
                gene.parts.insert(gene.parts.begin(), {feature.start, feature.end});
                gene.phase = feature.phase;
            } else {
                gene.parts.emplace_back(feature.start, feature.end);
            }
            continue;
        }
        lastId = id != nullptr ? *id : std::string();
        AnnotatedGene gene;
        gene.region = region->second;
        gene.start = feature.start;
        gene.end = feature.end;
        gene.strand = feature.strand == '+' || feature.strand == '-' ? feature.strand : '?';
        gene.phase = feature.phase;
        gene.parts = feature.parts;
        if (gene.parts.empty()) gene.parts.emplace_back(feature.start, feature.end);
        for (const char* key : {idAttribute.c_str(), "ID"})
            if (const std::string* value = feature.attribute(key); value != nullptr && !value->empty())
                gene.ids.push_back(*value);
        for (const char* key : {"protein_id", "Name", "locus_tag", "gene"})
            if (const std::string* value = feature.attribute(key); value != nullptr && !value->empty())
                gene.otherIds.push_back(*value);
        for (const char* key : {"product", "gene", "Name"})
            if (const std::string* value = feature.attribute(key); value != nullptr && gene.product.empty())
                gene.product = *value;
        if (const std::string* value = feature.attribute("gene")) gene.geneName = *value;
        if (const std::string* value = feature.attribute("translation")) gene.translation = *value;
        const std::string* pseudo = feature.attribute("pseudo");
        gene.pseudo = pseudo != nullptr && (pseudo->empty() || *pseudo == "true");
        gene.order = static_cast<int>(genome.genes.size());
        genome.genes.push_back(std::move(gene));
    }
    if (genome.genes.empty())
        fail(Stream::err, "error: %s: no \"%s\" feature before the end of the features\n", path.c_str(),
             featureType.c_str());
    genome.declaredRegions = reader->declaredRegions();
    for (const std::string& region : genome.regions) genome.regionLengths.push_back(reader->regionLength(region));
    if (sequences != nullptr) reader->readSequences(*sequences);
    return genome;
}

void sortGenes(AnnotatedGenome& genome) {
    std::unordered_map<std::string, int> regionIndex;
    for (size_t r = 0; r < genome.regions.size(); ++r) regionIndex.emplace(genome.regions[r], static_cast<int>(r));
    std::vector<int> rank(genome.regions.size(), -1);
    int next = 0;
    for (const std::string& declared : genome.declaredRegions)
        if (auto found = regionIndex.find(declared); found != regionIndex.end() && rank[found->second] < 0)
            rank[found->second] = next++;
    for (int& r : rank)
        if (r < 0) r = next++;
    std::vector<std::string> ordered(genome.regions.size());
    std::vector<long long> lengths(genome.regions.size());
    for (size_t r = 0; r < rank.size(); ++r) {
        ordered[rank[r]] = genome.regions[r];
        lengths[rank[r]] = genome.regionLengths[r];
    }
    genome.regions = std::move(ordered);
    genome.regionLengths = std::move(lengths);
    for (AnnotatedGene& gene : genome.genes) gene.region = rank[gene.region];
    std::stable_sort(genome.genes.begin(), genome.genes.end(), [](const AnnotatedGene& a, const AnnotatedGene& b) {
        return std::tie(a.region, a.start, a.end) < std::tie(b.region, b.start, b.end);
    });
}

std::string translateCds(const std::string& sequence, const AnnotatedGene& gene) {
    std::string bases;
    for (const auto& [from, to] : gene.parts) {
        if (from < 1 || to > static_cast<long long>(sequence.size()) || from > to) return {};
        std::string part = sequence.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
        if (gene.strand == '-') {
            std::reverse(part.begin(), part.end());
            for (char& c : part) c = complement(c);
        }
        bases += part;
    }
    std::string protein;
    for (size_t i = static_cast<size_t>(gene.phase); i + 3 <= bases.size(); i += 3) {
        const char* codon = bases.data() + i;
        protein.push_back(
            i == static_cast<size_t>(gene.phase) && gene.phase == 0 && isStartCodon(codon) ? 'M' : aminoAcid(codon));
    }
    if (!protein.empty() && protein.back() == '*') protein.pop_back();
    std::replace(protein.begin(), protein.end(), '*', 'X');
    return protein;
}

}  // namespace tamsu::detail

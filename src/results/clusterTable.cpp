// Tab-separated and JSON export of gene clusters.
#include "results/clusterTable.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include <nlohmann/json.hpp>

#include "params/searchParameters.h"

namespace tamsu::detail {

std::string tableField(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

namespace {

const Chromosome* chromosomeOf(const GenomeSet& set, int genome, int chromosome) {
    if (genome < 0 || genome >= static_cast<int>(set.genomes.size())) return nullptr;
    const std::vector<Chromosome>& chromosomes = set.genomes[genome].chromosomes;
    if (chromosome < 0 || chromosome >= static_cast<int>(chromosomes.size())) return nullptr;
    return &chromosomes[chromosome];
}

std::string genomeName(const GenomeSet& set, int genome) {
    return genome >= 0 && genome < static_cast<int>(set.genomes.size()) ? set.genomes[genome].name : std::string();
}

std::string chromosomeName(const GenomeSet& set, int genome, int chromosome) {
    const Chromosome* chrom = chromosomeOf(set, genome, chromosome);
    return chrom != nullptr ? chrom->name : std::string();
}

// Locus tag at a 1-based position; empty for genomes that came without annotation.
std::string locusTag(const GenomeSet& set, int genome, int chromosome, int position) {
    const Chromosome* chrom = chromosomeOf(set, genome, chromosome);
    if (chrom == nullptr || position < 0 || position >= static_cast<int>(chrom->locusTags.size())) return {};
    return chrom->locusTags[position];
}

// Missing values of JSON: a score that is not finite has no JSON number.
nlohmann::ordered_json number(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

}  // namespace

const char* modeName(Mode mode) {
    switch (mode) {
        case Mode::center:
            return "center";
        case Mode::reference:
            return "reference";
        case Mode::perfect:
            return "perfect";
        case Mode::median:
            break;
    }
    return "median";
}

ClusterQuery describeQuery(const Query& entered, const std::string& genomeList) {
    ClusterQuery query;
    query.mode = modeName(entered.mode);
    switch (entered.refType) {
        case RefType::discovery:
            query.refType = "discovery";
            break;
        case RefType::genome:
            query.refType = "genome";
            break;
        case RefType::cluster:
            query.refType = "cluster";
            break;
        case RefType::none:
            break;
    }
    query.delta = entered.delta;
    query.minClusterSize = entered.minClusterSize;
    if (entered.quorum) {
        query.quorum = entered.quorum->genomes;
        switch (entered.quorum->cost) {
            case CostType::zero:
                query.qType = "zeroCost";
                break;
            case CostType::proportionate:
                query.qType = "proportionateCost";
                break;
            case CostType::sizeDependent:
                query.qType = "sizeDependentCost";
                break;
        }
    }
    query.genomeList = genomeList;
    return query;
}

std::vector<ExportedOccurrence> exportedOccurrences(const Cluster& cluster) {
    auto key = [](const ExportedOccurrence& x) { return std::tuple(x.genome, x.chromosome, x.first, x.last); };
    std::vector<ExportedOccurrence> rows;
    for (const OccurrenceSet& set : cluster.all)
        for (const std::vector<Occurrence>& list : set.perGenome)
            for (const Occurrence& occ : list)
                rows.push_back({occ.genome, occ.chromosome, occ.first, occ.last, occ.distance, occ.pValue, false});
    // One row per interval: the same interval in several occurrence sets is
    // the same occurrence (same gene set, so same distance and score).
    std::sort(rows.begin(), rows.end(), [&](const auto& x, const auto& y) { return key(x) < key(y); });
    rows.erase(std::unique(rows.begin(), rows.end(), [&](const auto& x, const auto& y) { return key(x) == key(y); }),
               rows.end());
    for (const OccurrenceSet& set : cluster.best)
        for (const std::vector<Occurrence>& list : set.perGenome)
            for (const Occurrence& occ : list) {
                const ExportedOccurrence probe{occ.genome, occ.chromosome, occ.first, occ.last, 0, 0.0, false};
                auto found = std::lower_bound(rows.begin(), rows.end(), probe,
                                              [&](const auto& x, const auto& y) { return key(x) < key(y); });
                if (found != rows.end() && key(*found) == key(probe)) found->best = true;
            }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) {
        return std::tuple(x.genome, x.setDist, x.chromosome, x.first, x.last) <
               std::tuple(y.genome, y.setDist, y.chromosome, y.first, y.last);
    });
    return rows;
}

void writeClusterTable(FILE* out, const ClusterSource& clusters, const GenomeSet& set, const std::string& mode) {
    std::fprintf(
        out,
        "cluster\tmode\tscore\tlog10_score\tsize\tgene_families\tgenome_index\tgenome\tchromosome\tfirst\tlast\t"
        "first_locus_tag\tlast_locus_tag\tset_distance\toccurrence_score\tbest\n");
    clusters.forEach([&](size_t i, const Cluster& cluster) {
        std::string families;
        for (int id : cluster.families) {
            if (!families.empty()) families += ',';
            families += std::to_string(id);
        }
        for (const ExportedOccurrence& occ : exportedOccurrences(cluster)) {
            std::fprintf(out, "%zu\t%s\t%e\t%.6f\t%zu\t%s\t", i, tableField(mode).c_str(), cluster.pValue,
                         cluster.log10PValue, cluster.families.size(), families.c_str());
            std::fprintf(out, "%d\t%s\t%s\t%d\t%d\t%s\t%s\t%d\t%e\t%d\n", occ.genome,
                         tableField(genomeName(set, occ.genome)).c_str(),
                         tableField(chromosomeName(set, occ.genome, occ.chromosome)).c_str(), occ.first, occ.last,
                         tableField(locusTag(set, occ.genome, occ.chromosome, occ.first)).c_str(),
                         tableField(locusTag(set, occ.genome, occ.chromosome, occ.last)).c_str(), occ.setDist,
                         occ.score, occ.best ? 1 : 0);
        }
    });
}

namespace {

// A value as the document's dump writes it at the given depth: its lines
// after the first indented by that many tabs (names and tags are escaped, so
// every line break is the dump's own).
std::string dumpAtDepth(const nlohmann::ordered_json& value, int depth) {
    const std::string text = value.dump(1, '\t', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string indented;
    indented.reserve(text.size());
    for (char c : text) {
        indented += c;
        if (c == '\n') indented.append(static_cast<size_t>(depth), '\t');
    }
    return indented;
}

}  // namespace

void writeClusterJson(FILE* out, const ClusterSource& clusters, const GenomeSet& set, const ClusterQuery& query) {
    using json = nlohmann::ordered_json;
    auto optional = [](int value) { return value >= 0 ? json(value) : json(nullptr); };
    auto text = [](const std::string& value) { return value.empty() ? json(nullptr) : json(value); };
    json genomes = json::array();
    for (const Genome& genome : set.genomes) {
        json chromosomes = json::array();
        for (const Chromosome& chrom : genome.chromosomes) chromosomes.push_back(chrom.name);
        genomes.push_back({{"name", genome.name}, {"chromosomes", chromosomes}});
    }
    json header = {{"query",
                    {{"mode", query.mode},
                     {"refType", text(query.refType)},
                     {"delta", query.delta},
                     {"s", optional(query.minClusterSize)},
                     {"quorum", optional(query.quorum)},
                     {"qType", text(query.qType)}}},
                   {"genomeList", query.genomeList},
                   {"genomes", genomes}};
    // The document {"header": ..., "clusters": [...]} as one dump of it
    // would write it (invalid UTF-8 in a name replaced rather than refused),
    // one cluster at a time.
    std::fprintf(out, "{\n\t\"header\": %s,\n\t\"clusters\": ", dumpAtDepth(header, 1).c_str());
    if (clusters.size() == 0) std::fprintf(out, "[]");
    clusters.forEach([&](size_t i, const Cluster& cluster) {
        json occurrences = json::array();
        for (const ExportedOccurrence& occ : exportedOccurrences(cluster))
            occurrences.push_back({{"genome", genomeName(set, occ.genome)},
                                   {"genomeIndex", occ.genome},
                                   {"chromosome", chromosomeName(set, occ.genome, occ.chromosome)},
                                   {"first", occ.first},
                                   {"last", occ.last},
                                   {"firstLocusTag", locusTag(set, occ.genome, occ.chromosome, occ.first)},
                                   {"lastLocusTag", locusTag(set, occ.genome, occ.chromosome, occ.last)},
                                   {"setDistance", occ.setDist},
                                   {"score", number(occ.score)},
                                   {"best", occ.best}});
        const json record = {{"cluster", i},
                             {"mode", query.mode},
                             {"score", number(cluster.pValue)},
                             {"log10Score", number(cluster.log10PValue)},
                             {"size", cluster.families.size()},
                             {"geneFamilies", cluster.families},
                             {"occurrences", occurrences}};
        std::fprintf(out, "%s\t\t%s", i == 0 ? "[\n" : ",\n", dumpAtDepth(record, 2).c_str());
    });
    if (clusters.size() > 0) std::fprintf(out, "\n\t]");
    std::fprintf(out, "\n}\n");
}

}  // namespace tamsu::detail

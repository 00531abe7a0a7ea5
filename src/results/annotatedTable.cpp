// Annotated output table, JSON and the long table of genes.
#include "results/annotatedTable.h"

#include <algorithm>
#include <map>

#include <nlohmann/json.hpp>

#include "results/clusterTable.h"

namespace tamsu::detail {

namespace {

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + tableField(part);
    return text;
}

// What the additions need of the table: each cluster's group and whether it stays.
struct ClusterFacts {
    std::map<int, int> group;  // cluster number -> group
    std::map<int, std::vector<int>> families;
};

ClusterFacts factsOf(const std::vector<TableOccurrence>& rows) {
    const std::vector<TableCluster> clusters = clustersOf(rows);
    const std::vector<int> groups = groupsOf(clusters);
    ClusterFacts facts;
    for (size_t i = 0; i < clusters.size(); ++i) {
        facts.group[clusters[i].number] = groups[i];
        facts.families[clusters[i].number] = clusters[i].families;
    }
    return facts;
}

}  // namespace

std::vector<std::string> familyNames(const std::vector<int>& families, const GeneTable& genes) {
    std::vector<std::string> names;
    for (int id : families) {
        const std::string name = genes.familyName(id);
        names.push_back(name.empty() ? std::to_string(id) : name);
    }
    return names;
}

std::vector<std::string> familyProducts(const std::vector<int>& families, const GeneTable& genes) {
    std::vector<std::string> products;
    for (int id : families) products.push_back(genes.familyProduct(id));
    return products;
}

std::string annotatedTable(const std::string& plainTable, const GenomeSet& set, const TableAdditions& additions) {
    const std::vector<TableOccurrence> rows = parseClusterTable(plainTable, "the output table", set);
    const ClusterFacts facts = factsOf(rows);
    const GeneTable genes = additions.annotate ? GeneTable::of(set) : GeneTable();
    std::map<int, std::string> extra;  // cluster -> the appended columns
    if (additions.annotate)
        for (const auto& [number, families] : facts.families)
            extra[number] = std::string("\t").append(std::to_string(facts.group.at(number))) + "\t" +
                            joined(familyNames(families, genes), ",") + "\t" +
                            joined(familyProducts(families, genes), "|");
    std::string out;
    size_t start = 0, row = 0;
    while (start < plainTable.size()) {
        const size_t end = std::min(plainTable.find('\n', start), plainTable.size());
        const std::string line = plainTable.substr(start, end - start);
        start = end + 1;
        if (row++ == 0) {
            out += line + (additions.annotate ? "\tgroup\tfamily_names\tproducts" : "") + "\n";
            continue;
        }
        if (line.empty()) continue;
        const TableOccurrence& occurrence = rows[row - 2];
        if (additions.maxSize > 0 && static_cast<int>(occurrence.families.size()) > additions.maxSize) continue;
        out += line + (additions.annotate ? extra[occurrence.cluster] : std::string()) + "\n";
    }
    return out;
}

std::string annotatedJson(const std::string& plainJson, const std::string& plainTable, const GenomeSet& set,
                          const TableAdditions& additions, const std::string& version,
                          const std::vector<std::string>& command) {
    using json = nlohmann::ordered_json;
    const json plain = json::parse(plainJson);
    json header = json::object();
    header["program"] = "zub";
    header["version"] = version;
    if (!command.empty()) header["command"] = command;
    for (const auto& [key, value] : plain["header"].items()) header[key] = value;
    const ClusterFacts facts = factsOf(parseClusterTable(plainTable, "the output table", set));
    const GeneTable genes = additions.annotate ? GeneTable::of(set) : GeneTable();
    json clusters = json::array();
    for (json cluster : plain["clusters"]) {
        const int number = cluster["cluster"].get<int>();
        if (additions.maxSize > 0 && cluster["size"].get<int>() > additions.maxSize) continue;
        if (additions.annotate) {
            const std::vector<int> families = cluster["geneFamilies"].get<std::vector<int>>();
            cluster["group"] = facts.group.count(number) != 0 ? json(facts.group.at(number)) : json(nullptr);
            cluster["familyNames"] = familyNames(families, genes);
            cluster["products"] = familyProducts(families, genes);
        }
        clusters.push_back(std::move(cluster));
    }
    const json document = {{"header", header}, {"clusters", clusters}};
    return document.dump(1, '\t', false, json::error_handler_t::replace) + "\n";
}

void writeGeneRows(FILE* out, const std::string& plainTable, const GenomeSet& set, int maxSize) {
    const std::vector<TableOccurrence> rows = parseClusterTable(plainTable, "the output table", set);
    const ClusterFacts facts = factsOf(rows);
    const GeneTable genes = GeneTable::of(set);
    std::fprintf(out,
                 "cluster\tgroup\toccurrence\tgenome\tchromosome\tposition\tlocus_tag\tgene\tfamily_id\tfamily_name\t"
                 "product\tstrand\tstart\tend\tin_cluster\tbest\n");
    std::map<int, int> occurrences;  // per cluster, numbered in table order
    for (const TableOccurrence& row : rows) {
        const int occurrence = occurrences[row.cluster]++;
        if (maxSize > 0 && static_cast<int>(row.families.size()) > maxSize) continue;
        std::vector<int> members = row.families;
        std::sort(members.begin(), members.end());
        const Genome& genome = set.genomes[row.genome];
        const Chromosome& chrom = genome.chromosomes[row.chromosome];
        for (int p = row.first; p <= row.last; ++p) {
            const GeneInfo& gene = genes.gene(row.genome, row.chromosome, p);
            const bool member = std::binary_search(members.begin(), members.end(), gene.familyId);
            std::fprintf(out, "%d\t%d\t%d\t%s\t%s\t%d\t%s\t%s\t%d\t%s\t%s\t%c\t%s\t%s\t%d\t%d\n", row.cluster,
                         facts.group.at(row.cluster), occurrence, tableField(genome.name).c_str(),
                         tableField(chrom.name).c_str(), p, tableField(gene.locusTag).c_str(),
                         tableField(gene.geneName).c_str(), gene.familyId, tableField(gene.familyName).c_str(),
                         tableField(gene.product).c_str(), gene.strand,
                         gene.start > 0 ? std::to_string(gene.start).c_str() : "",
                         gene.end > 0 ? std::to_string(gene.end).c_str() : "", member ? 1 : 0, row.best ? 1 : 0);
        }
    }
}

}  // namespace tamsu::detail

// Reading a run's output table back, and grouping its clusters by region.
#include "results/clusterRows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "util/errors.h"
#include "util/strings.h"
#include "util/textFile.h"

namespace tamsu::detail {

namespace {

bool parseInt(const std::string& text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

namespace {

// A score as the table writes it: a number or "inf" (an overflowed product),
// never "nan"; log10 scores may also be "-inf" (a factor 0), not "inf".
bool parseScore(const std::string& text, bool log10, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || std::isnan(value)) return false;
    return log10 ? value != HUGE_VAL : value >= 0;
}

const std::set<std::string> kModes = {"median", "center", "reference", "perfect"};

}  // namespace

namespace {

// The rows of a table whose lines next gives (false at the end); path names
// it in messages.
template <class NextLine>
std::vector<TableOccurrence> readRows(NextLine&& next, const std::string& path, const GenomeSet& set) {
    std::string line;
    int number = 0;
    if (!next(line, number)) fail(Stream::err, "error: %s line 1: empty cluster table\n", path.c_str());
    const std::vector<std::string> header = splitTabsCopied(line);
    std::map<std::string, size_t> column;
    for (size_t c = 0; c < header.size(); ++c) column[header[c]] = c;
    for (const char* name : {"cluster", "mode", "score", "log10_score", "gene_families", "genome_index", "genome",
                             "chromosome", "first", "last", "set_distance", "best"})
        if (column.count(name) == 0)
            fail(Stream::err, "error: %s line 1: no column \"%s\" (a cluster table written with --format=tsv is needed)\n",
                 path.c_str(), name);
    const bool hasSize = column.count("size") != 0;

    // What every row of a cluster repeats, from its first row.
    struct ClusterHead {
        int line;
        std::string mode, score, log10Score, size, families;
    };
    std::map<int, ClusterHead> heads;
    std::vector<TableOccurrence> rows;
    while (next(line, number)) {
        if (line.empty()) continue;
        const std::vector<std::string> fields = splitTabsCopied(line);
        auto bad = [&](const char* what) {
            fail(Stream::err, "error: %s line %d: not a row of a cluster table (%s)\n", path.c_str(), number, what);
        };
        if (fields.size() != header.size())
            fail(Stream::err, "error: %s line %d: %zu fields where the header has %zu\n", path.c_str(), number,
                 fields.size(), header.size());
        TableOccurrence row;
        row.line = number;
        row.mode = fields[column["mode"]];
        row.score = fields[column["score"]];
        double score = 0;
        int best = 0;
        if (!parseInt(fields[column["cluster"]], row.cluster) || row.cluster < 0)
            bad("the cluster number is no number from 0");
        if (kModes.count(row.mode) == 0) bad("an unknown mode");
        if (!parseScore(row.score, false, score)) bad("the score is no number");
        if (!parseScore(fields[column["log10_score"]], true, row.log10Score)) bad("the log10 score is no number");
        if (!parseInt(fields[column["genome_index"]], row.genome) || !parseInt(fields[column["first"]], row.first) ||
            !parseInt(fields[column["last"]], row.last))
            bad("a position is no number");
        if (!parseInt(fields[column["set_distance"]], row.setDistance) || row.setDistance < 0)
            bad("the set distance is no number from 0");
        if (!parseInt(fields[column["best"]], best) || (best != 0 && best != 1)) bad("\"best\" is neither 0 nor 1");
        const std::string& families = fields[column["gene_families"]];
        std::set<int> distinct;
        for (size_t start = 0; start <= families.size();) {
            const size_t comma = std::min(families.find(',', start), families.size());
            int id = 0;
            if (!parseInt(families.substr(start, comma - start), id) || id < 0)
                bad("a gene family is no number from 0");
            if (!distinct.insert(id).second) bad("a gene family is listed twice");
            row.families.push_back(id);
            start = comma + 1;
        }
        int size = 0;
        if (hasSize && (!parseInt(fields[column["size"]], size) || size != static_cast<int>(row.families.size())))
            bad("the size is not the number of gene families");
        // Every row of a cluster describes the same cluster.
        ClusterHead head{number,
                         row.mode,
                         row.score,
                         fields[column["log10_score"]],
                         hasSize ? fields[column["size"]] : std::string(),
                         families};
        const auto [first, isNew] = heads.emplace(row.cluster, head);
        if (!isNew && (first->second.mode != head.mode || first->second.score != head.score ||
                       first->second.log10Score != head.log10Score || first->second.size != head.size ||
                       first->second.families != head.families))
            fail(Stream::err,
                 "error: %s line %d: cluster %d has another mode, score, size or gene families than at line %d\n",
                 path.c_str(), number, row.cluster, first->second.line);
        row.best = best != 0;
        if (const auto score = column.find("occurrence_score"); score != column.end())
            row.occurrenceScore = fields[score->second];
        const std::string& chromosome = fields[column["chromosome"]];
        const Genome* genome = row.genome >= 0 && row.genome < set.genomeCount() ? &set.genomes[row.genome] : nullptr;
        row.chromosome = -1;
        if (genome != nullptr && genome->name == fields[column["genome"]])
            for (const Chromosome& chrom : genome->chromosomes)
                if (chrom.name == chromosome && row.first >= 1 && row.first <= row.last && row.last <= chrom.length())
                    row.chromosome = chrom.number;
        if (row.chromosome < 0)
            fail(Stream::err, "error: %s line %d: genome %d \"%s\", chromosome \"%s\", genes %d-%d are not in the genome list\n",
                 path.c_str(), number, row.genome, fields[column["genome"]].c_str(), chromosome.c_str(), row.first, row.last);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::vector<TableOccurrence> readClusterTable(const std::string& path, const GenomeSet& set) {
    TextFile file(path);
    return readRows(
        [&file](std::string& line, int& number) {
            const bool more = file.next(line);
            number = file.lineNumber();
            return more;
        },
        path, set);
}

std::vector<TableOccurrence> parseClusterTable(const std::string& text, const std::string& name, const GenomeSet& set) {
    size_t start = 0;
    return readRows(
        [&](std::string& line, int& number) {
            if (start >= text.size()) return false;
            const size_t end = std::min(text.find('\n', start), text.size());
            line = text.substr(start, end - start);
            start = end + 1;
            ++number;
            return true;
        },
        name, set);
}

std::vector<TableCluster> clustersOf(const std::vector<TableOccurrence>& rows) {
    std::vector<TableCluster> clusters;
    std::map<int, size_t> index;
    for (const TableOccurrence& row : rows) {
        const auto [at, isNew] = index.emplace(row.cluster, clusters.size());
        if (isNew) clusters.push_back({row.cluster, row.families, row.log10Score, {}});
        clusters[at->second].rows.push_back(&row);
    }
    return clusters;
}

std::vector<int> groupClusters(const std::vector<std::vector<int>>& familySets, const std::vector<double>& log10Scores) {
    const size_t n = familySets.size();
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return log10Scores[a] < log10Scores[b]; });
    std::vector<int> groups(n, -1);
    std::vector<size_t> leaders;                   // per group, its best cluster
    std::map<int, std::vector<int>> leadersOf;     // family -> the groups whose leader holds it
    std::vector<int> shared;
    for (size_t i : order) {
        // Shared families with every leader, counted through the families.
        shared.assign(leaders.size(), 0);
        for (int id : familySets[i])
            if (const auto found = leadersOf.find(id); found != leadersOf.end())
                for (int group : found->second) ++shared[static_cast<size_t>(group)];
        for (size_t group = 0; group < leaders.size() && groups[i] < 0; ++group) {
            const size_t smaller = std::min(familySets[i].size(), familySets[leaders[group]].size());
            // At least 80% of the smaller set, in integers: 5 * shared >= 4 * smaller.
            if (smaller > 0 && 5 * static_cast<size_t>(shared[group]) >= 4 * smaller) groups[i] = static_cast<int>(group);
        }
        if (groups[i] >= 0) continue;
        groups[i] = static_cast<int>(leaders.size());
        for (int id : familySets[i]) leadersOf[id].push_back(groups[i]);
        leaders.push_back(i);
    }
    return groups;
}

std::vector<int> groupsOf(const std::vector<TableCluster>& clusters) {
    std::vector<std::vector<int>> sets;
    std::vector<double> scores;
    for (const TableCluster& cluster : clusters) {
        sets.push_back(cluster.families);
        scores.push_back(cluster.log10Score);
    }
    return groupClusters(sets, scores);
}

}  // namespace tamsu::detail

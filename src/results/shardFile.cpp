// The partial result file of a shard: JSON, one object.
//
//   {"format": "zub shard result", "version": 1,
//    "shard": I, "shards": N,                  shard I (1-based) of N
//    "command": ["genomes.txt", "-r", ...],    the query as command-line words
//    "inputFingerprint": "fnv1a64:...",        of the genome list and annotation files
//    "genomeCount": K,                         the genomes of the run
//    "referenceChromosomes": [first, end],     the shard's part, as positions among all
//                                              chromosomes of the set (genome by genome)
//    "chromosomes": [                          one per chromosome of that part, in order
//      {"genome": g, "chromosome": c, "filterCount": n, "nonNestedCount": m,
//       "clusters": [                          in the order the search found them
//         {"interval": [l, r], "size": s,      reference interval (1-based) and its genes
//          "lists": [[j, [[chr, l, r, setDist, size, hitCount], ...]], ...]}]}]}
//                                              per genome j with occurrences, in list order
#include "results/shardFile.h"

#include <climits>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "util/errors.h"
#include "util/regularFile.h"

namespace tamsu::detail {

using json = nlohmann::ordered_json;

namespace {

constexpr const char* kFormatName = "zub shard result";

[[noreturn]] void badFile(const std::string& path, const std::string& what) {
    fail(Stream::err, "error: %s is not a shard result of this version: %s\n", path.c_str(), what.c_str());
}

// The integer member name of object (any integer a JSON number can hold as an int).
int intMember(const json& object, const char* name, const std::string& path) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_number_integer()) badFile(path, std::string("no integer \"") + name + "\"");
    const long long value = it->get<long long>();
    if (value < INT_MIN || value > INT_MAX) badFile(path, std::string("\"") + name + "\" is out of range");
    return static_cast<int>(value);
}

const json& arrayMember(const json& object, const char* name, const std::string& path) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_array()) badFile(path, std::string("no array \"") + name + "\"");
    return *it;
}

// An array of exactly n integers.
std::vector<int> intArray(const json& value, size_t n, const std::string& path, const char* what) {
    if (!value.is_array() || value.size() != n) badFile(path, std::string("malformed ") + what);
    std::vector<int> numbers;
    for (const json& item : value) {
        if (!item.is_number_integer()) badFile(path, std::string("malformed ") + what);
        const long long number = item.get<long long>();
        if (number < INT_MIN || number > INT_MAX) badFile(path, std::string(what) + " out of range");
        numbers.push_back(static_cast<int>(number));
    }
    return numbers;
}

json clusterJson(const ReferenceCluster& cluster) {
    json lists = json::array();
    forEachGenomeRun(cluster.locations, [&](int genome, std::span<const Location> locations) {
        json locs = json::array();
        for (const Location& x : locations) locs.push_back({x.chr, x.l, x.r, x.setDist, x.size, x.hitCount});
        lists.push_back({genome, std::move(locs)});
    });
    return {{"interval", {cluster.l, cluster.r}}, {"size", cluster.size}, {"lists", std::move(lists)}};
}

ReferenceCluster readCluster(const json& value, int genome, int chromosome, int genomeCount, const std::string& path) {
    if (!value.is_object()) badFile(path, "a cluster is not an object");
    ReferenceCluster cluster;
    cluster.refGenome = genome;
    cluster.refChrom = chromosome;
    const auto interval = value.find("interval");
    if (interval == value.end()) badFile(path, "a cluster has no \"interval\"");
    const std::vector<int> lr = intArray(*interval, 2, path, "interval");
    cluster.l = lr[0];
    cluster.r = lr[1];
    cluster.size = intMember(value, "size", path);
    cluster.genomeCount = genomeCount;
    cluster.listCount = genomeCount;
    // Only the genomes with occurrences, as a cluster keeps them.
    int lastList = -1;
    for (const json& entry : arrayMember(value, "lists", path)) {
        if (!entry.is_array() || entry.size() != 2 || !entry[0].is_number_integer() || !entry[1].is_array())
            badFile(path, "malformed occurrence list");
        const long long j = entry[0].get<long long>();
        // Ascending genomes, each once: the lists' order is the genomes' order.
        if (j <= lastList || j >= genomeCount) badFile(path, "occurrence list of an unknown or repeated genome");
        lastList = static_cast<int>(j);
        for (const json& loc : entry[1]) {
            const std::vector<int> v = intArray(loc, 6, path, "occurrence");
            cluster.locations.push_back(makeLocation(lastList, v[0], v[1], v[2], v[3], v[4], v[5]));
        }
    }
    return cluster;
}

// The deepest nesting of arrays and objects a shard result has is 9; the
// reader takes a little more and refuses deeper input before parsing it, so
// that no input can exhaust the stack of the JSON library. Strings are no
// longer than kMaxString (a command word, the fingerprint).
constexpr int kMaxDepth = 32;
constexpr size_t kMaxString = size_t{1} << 20;

// The problem of text that no shard result can have; empty when none.
std::string structureProblem(const std::string& text) {
    int depth = 0;
    bool inString = false;
    size_t stringStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            if (i - stringStart > kMaxString) return formatText("a string longer than %zu bytes", kMaxString);
            continue;
        }
        if (c == '"') {
            inString = true;
            stringStart = i;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) return formatText("arrays or objects nested deeper than %d levels", kMaxDepth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return {};
}

}  // namespace

void writeShardFile(FILE* out, const ShardFileHeader& header, const ShardClusters& found, const GenomeSet& set) {
    json chromosomes = json::array();
    int flat = 0;
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) {
            if (found.refs.contains(flat)) {
                const ChromClusters& chromFound = found.chroms[static_cast<size_t>(flat - found.refs.first)];
                json clusters = json::array();
                for (const ReferenceCluster& cluster : chromFound.clusters) clusters.push_back(clusterJson(cluster));
                chromosomes.push_back({{"genome", genome.number},
                                       {"chromosome", chrom.number},
                                       {"filterCount", chromFound.filterCount},
                                       {"nonNestedCount", chromFound.nonNestedCount},
                                       {"clusters", std::move(clusters)}});
            }
            ++flat;
        }
    const json document = {{"format", kFormatName},
                           {"version", kShardFileVersion},
                           {"shard", header.shard},
                           {"shards", header.shardCount},
                           {"command", header.command},
                           {"inputFingerprint", header.inputFingerprint},
                           {"genomeCount", set.genomeCount()},
                           {"referenceChromosomes", {found.refs.first, found.refs.end}},
                           {"chromosomes", std::move(chromosomes)}};
    const std::string text = document.dump() + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
}

void readShardFile(const std::string& path, ShardFileHeader& header, ShardClusters& found) {
    std::string problem;
    FILE* file = openRegularFile(path, problem);
    if (file == nullptr)
        fail(Stream::err, "error: cannot read shard result \"%s\": %s\n", path.c_str(), problem.c_str());
    std::string text;
    char buffer[1 << 16];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed) fail(Stream::err, "error: cannot read shard result \"%s\": read error\n", path.c_str());
    if (const std::string shape = structureProblem(text); !shape.empty()) badFile(path, shape);
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& error) {
        badFile(path, error.what());
    }
    text.clear();
    text.shrink_to_fit();
    if (!document.is_object()) badFile(path, "not a JSON object");
    const auto format = document.find("format");
    if (format == document.end() || *format != kFormatName) badFile(path, "no \"format\": \"zub shard result\"");
    const int version = intMember(document, "version", path);
    if (version != kShardFileVersion)
        fail(Stream::err, "error: %s is a shard result of version %d; this zub reads version %d\n", path.c_str(),
             version, kShardFileVersion);
    header.shard = intMember(document, "shard", path);
    header.shardCount = intMember(document, "shards", path);
    header.command.clear();
    for (const json& word : arrayMember(document, "command", path)) {
        if (!word.is_string()) badFile(path, "a word of \"command\" is not a string");
        header.command.push_back(word.get<std::string>());
    }
    const auto fingerprint = document.find("inputFingerprint");
    if (fingerprint == document.end() || !fingerprint->is_string()) badFile(path, "no \"inputFingerprint\"");
    header.inputFingerprint = fingerprint->get<std::string>();
    const auto refs = document.find("referenceChromosomes");
    if (refs == document.end()) badFile(path, "no \"referenceChromosomes\"");
    const std::vector<int> range = intArray(*refs, 2, path, "referenceChromosomes");
    found.refs = {range[0], range[1]};
    const json& chromosomes = arrayMember(document, "chromosomes", path);
    if (found.refs.first < 0 || found.refs.end < found.refs.first ||
        chromosomes.size() != static_cast<size_t>(found.refs.end - found.refs.first))
        badFile(path, "\"chromosomes\" does not match \"referenceChromosomes\"");
    const int genomeCount = intMember(document, "genomeCount", path);
    if (genomeCount < 0) badFile(path, "negative \"genomeCount\"");
    found.genomeCount = genomeCount;
    found.chroms.clear();
    for (const json& entry : chromosomes) {
        if (!entry.is_object()) badFile(path, "a chromosome entry is not an object");
        ChromClusters chrom;
        chrom.filterCount = intMember(entry, "filterCount", path);
        chrom.nonNestedCount = intMember(entry, "nonNestedCount", path);
        const int genome = intMember(entry, "genome", path);
        const int number = intMember(entry, "chromosome", path);
        for (const json& cluster : arrayMember(entry, "clusters", path))
            chrom.clusters.push_back(readCluster(cluster, genome, number, genomeCount, path));
        found.chroms.push_back(std::move(chrom));
    }
}

namespace {

// Distinct genes of gene intervals, and how many of them a cluster's
// interval holds; stamps instead of clearing the marks between intervals.
class IntervalCounter {
public:
    explicit IntervalCounter(int alphabetSize)
        : seen_(static_cast<size_t>(alphabetSize) + 1, 0), inCluster_(static_cast<size_t>(alphabetSize) + 1, 0) {}

    // Makes positions l..r of genes the cluster's genes; returns their number.
    int setCluster(const std::vector<int>& genes, int l, int r) {
        ++clusterStamp_;
        int distinct = 0;
        for (int p = l; p <= r; ++p) {
            int& mark = inCluster_[static_cast<size_t>(genes[static_cast<size_t>(p)])];
            if (mark != clusterStamp_) mark = clusterStamp_, ++distinct;
        }
        return distinct;
    }
    // The distinct genes of positions l..r (none when l > r); hits: how many
    // of them are the cluster's.
    int count(const std::vector<int>& genes, int l, int r, int& hits) {
        ++seenStamp_;
        int distinct = 0;
        hits = 0;
        for (int p = l; p <= r; ++p) {
            const size_t gene = static_cast<size_t>(genes[static_cast<size_t>(p)]);
            if (seen_[gene] == seenStamp_) continue;
            seen_[gene] = seenStamp_;
            ++distinct;
            if (inCluster_[gene] == clusterStamp_) ++hits;
        }
        return distinct;
    }

private:
    std::vector<int> seen_, inCluster_;
    int seenStamp_ = 0, clusterStamp_ = 0;
};

}  // namespace

std::vector<ChromClusters> checkedShardClusters(const ShardClusters& found, const GenomeSet& set,
                                                const std::string& path) {
    std::vector<const Chromosome*> chromosomes;  // by position in walk order
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) chromosomes.push_back(&chrom);
    auto mismatch = [&](const std::string& what) {
        fail(Stream::err, "error: %s does not fit these genomes: %s\n", path.c_str(), what.c_str());
    };
    if (found.genomeCount != set.genomeCount())
        mismatch(formatText("it is of %d genomes, the genome list has %d", found.genomeCount, set.genomeCount()));
    if (found.refs.first < 0 || found.refs.end < found.refs.first ||
        found.refs.end > static_cast<int>(chromosomes.size()) ||
        found.chroms.size() != static_cast<size_t>(found.refs.end - found.refs.first))
        mismatch("more chromosomes than the genomes have");
    auto chromosome = [&](int genome, int number) -> const Chromosome* {
        if (genome < 0 || genome >= set.genomeCount()) return nullptr;
        const std::vector<Chromosome>& list = set.genomes[static_cast<size_t>(genome)].chromosomes;
        return number >= 0 && number < static_cast<int>(list.size()) ? &list[static_cast<size_t>(number)] : nullptr;
    };
    // The cluster's genes (reference interval) and each occurrence's: every
    // count the file states is counted again from the genomes.
    IntervalCounter counter(set.alphabetSize);
    std::vector<ChromClusters> checked;
    for (size_t k = 0; k < found.chroms.size(); ++k) {
        const ChromClusters& chrom = found.chroms[k];
        const Chromosome* ref = chromosomes[static_cast<size_t>(found.refs.first) + k];
        if (chrom.filterCount < 0 || chrom.nonNestedCount < 0) mismatch("a negative count");
        ChromClusters copy;
        copy.filterCount = chrom.filterCount;
        copy.nonNestedCount = chrom.nonNestedCount;
        for (const ReferenceCluster& cluster : chrom.clusters) {
            if (chromosome(cluster.refGenome, cluster.refChrom) != ref) mismatch("a chromosome out of its place");
            if (cluster.l < 1 || cluster.r > ref->length() || cluster.l > cluster.r)
                mismatch("a reference interval outside its chromosome");
            const std::string where =
                formatText("the cluster at %d-%d of \"%s\"", cluster.l, cluster.r, ref->name.c_str());
            const int size = counter.setCluster(ref->genes, cluster.l, cluster.r);
            if (cluster.size != size)
                mismatch(formatText("%s has size %d, but its interval holds %d distinct genes", where.c_str(),
                                    cluster.size, size));
            int lastGenome = -1;
            for (const Location& x : cluster.locations) {
                // Genome by genome in ascending order (the reader checked it).
                if (x.genome < lastGenome || x.genome >= set.genomeCount()) mismatch("an unknown genome");
                lastGenome = x.genome;
                const Chromosome* at = chromosome(x.genome, x.chr);
                if (at == nullptr || x.l < 1 || x.r > at->length() || x.l > x.r + 1)
                    mismatch("an occurrence outside its chromosome");
                int hits = 0;
                const int occSize = counter.count(at->genes, x.l, x.r, hits);
                if (x.size != occSize || x.hitCount != hits || x.setDist != size + occSize - 2 * hits)
                    mismatch(
                        formatText("%s has an occurrence (genome %d, chromosome %d, %d-%d) with counts that "
                                   "its genes do not give",
                                   where.c_str(), x.genome, x.chr, x.l, x.r));
            }
            copy.clusters.push_back(cluster);
        }
        checked.push_back(std::move(copy));
    }
    return checked;
}

}  // namespace tamsu::detail

// The partial result file of a shard: JSON, one object.
//
//   {"format": "zub shard result", "version": 1,
//    "shard": I, "shards": N,                  shard I (1-based) of N
//    "command": ["genomes.txt", "-r", ...],    the query as command-line words
//    "inputFingerprint": "fnv1a64:...",        of the genome list and annotation files
//    "genomeCount": K,                         every cluster has a list per genome
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
#include <fstream>

#include <nlohmann/json.hpp>

#include "util/errors.h"

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
    for (size_t j = 0; j < cluster.locationLists.size(); ++j) {
        const LocationList& list = cluster.locationLists[j];
        if (list.empty()) continue;
        json locs = json::array();
        for (const Location& x : list.locs) {
            // A genome's list holds that genome's occurrences only.
            if (x.genome != static_cast<int>(j))
                fail(Stream::err, "error: occurrence of genome %d in the list of genome %zu\n", x.genome, j);
            locs.push_back({x.chr, x.l, x.r, x.setDist, x.size, x.hitCount});
        }
        lists.push_back({j, std::move(locs)});
    }
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
    for (int j = 0; j < genomeCount; ++j) cluster.locationLists.push_back(makeLocationList(j));
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
            cluster.locationLists[static_cast<size_t>(j)].locs.push_back(
                makeLocation(static_cast<int>(j), v[0], v[1], v[2], v[3], v[4], v[5]));
        }
    }
    return cluster;
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
                           {"genomeCount", set.genomeCount},
                           {"referenceChromosomes", {found.refs.first, found.refs.end}},
                           {"chromosomes", std::move(chromosomes)}};
    const std::string text = document.dump() + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
}

void readShardFile(const std::string& path, ShardFileHeader& header, ShardClusters& found) {
    std::ifstream file(path, std::ios::binary);
    if (!file) fail(Stream::err, "error: cannot read shard result \"%s\"\n", path.c_str());
    json document;
    try {
        document = json::parse(file);
    } catch (const json::exception& error) {
        badFile(path, error.what());
    }
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

void checkShardClusters(const ShardClusters& found, const GenomeSet& set, const std::string& path) {
    std::vector<const Chromosome*> chromosomes;  // by position in walk order
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) chromosomes.push_back(&chrom);
    auto mismatch = [&](const char* what) {
        fail(Stream::err, "error: %s does not fit these genomes: %s\n", path.c_str(), what);
    };
    if (found.refs.end > static_cast<int>(chromosomes.size())) mismatch("more chromosomes than the genomes have");
    auto chromosome = [&](int genome, int number) -> const Chromosome* {
        if (genome < 0 || genome >= set.genomeCount) return nullptr;
        const std::vector<Chromosome>& list = set.genomes[static_cast<size_t>(genome)].chromosomes;
        return number >= 0 && number < static_cast<int>(list.size()) ? &list[static_cast<size_t>(number)] : nullptr;
    };
    for (size_t k = 0; k < found.chroms.size(); ++k) {
        const ChromClusters& chrom = found.chroms[k];
        const Chromosome* ref = chromosomes[static_cast<size_t>(found.refs.first) + k];
        if (chrom.filterCount < 0 || chrom.nonNestedCount < 0) mismatch("a negative count");
        for (const ReferenceCluster& cluster : chrom.clusters) {
            if (chromosome(cluster.refGenome, cluster.refChrom) != ref) mismatch("a chromosome out of its place");
            if (static_cast<int>(cluster.locationLists.size()) != set.genomeCount) mismatch("another genome count");
            if (cluster.l < 1 || cluster.r > ref->length || cluster.l > cluster.r || cluster.size < 0 ||
                cluster.size > cluster.r - cluster.l + 1)
                mismatch("a reference interval outside its chromosome");
            for (const LocationList& list : cluster.locationLists)
                for (const Location& x : list.locs) {
                    const Chromosome* at = chromosome(x.genome, x.chr);
                    if (at == nullptr || x.l < 1 || x.r > at->length || x.l > x.r + 1)
                        mismatch("an occurrence outside its chromosome");
                    const int length = x.r - x.l + 1;
                    if (x.size < 0 || x.size > length || x.hitCount < 0 || x.hitCount > x.size || x.setDist < 0 ||
                        x.setDist > cluster.size + x.size)
                        mismatch("an occurrence with impossible counts");
                }
        }
    }
}

}  // namespace tamsu::detail

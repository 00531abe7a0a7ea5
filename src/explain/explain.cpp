// Best intervals by a direct scan of every chromosome, then the rules of the
// query's mode with the values they are decided on.
#include "explain/explain.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <unordered_map>

#include "center/chooseCenter.h"
#include "util/errors.h"

namespace tamsu::detail {

namespace {

struct Scan {
    IntervalExplanation best;
    std::vector<char> covered;  // families of the set inside an interval within delta with >= 3 of them
};

// The best interval of one genome. An interval that starts or ends with a
// foreign gene is never better than the one without it, so only intervals
// from a gene of the set to a gene of the set are looked at; growing one to
// the right stops once its foreign families alone exceed both the best
// distance so far and delta.
// In the reference modes an occurrence holds at least minHits families of
// the set, so an interval with fewer is taken only where no other exists.
Scan scanGenome(const Genome& genome, const std::vector<char>& inSet, int size, int delta, int alphabet, int minHits) {
    Scan scan;
    scan.best.genome = genome.number;
    scan.best.distance = size;
    scan.covered.assign(static_cast<size_t>(alphabet) + 1, 0);
    std::vector<int> stamp(static_cast<size_t>(alphabet) + 1, -1);
    int stampId = 0;
    for (const Chromosome& chrom : genome.chromosomes) {
        const std::vector<int>& genes = chrom.genes;
        for (int l = 1; l <= chrom.length(); ++l) {
            if (!inSet[genes[l]]) continue;
            ++stampId;
            int hits = 0, foreign = 0, coverEnd = 0;
            for (int r = l; r <= chrom.length(); ++r) {
                const int x = genes[r];
                if (stamp[x] != stampId) {
                    stamp[x] = stampId;
                    ++(inSet[x] ? hits : foreign);
                }
                if (foreign > std::max(scan.best.distance, delta) && scan.best.hits >= minHits) break;
                if (!inSet[x]) continue;
                const int distance = size - hits + foreign;
                if (distance <= delta && hits >= 3) coverEnd = r;
                IntervalExplanation& best = scan.best;
                if (!best.hasInterval || std::tuple(hits < minHits, distance, r - l) <
                                             std::tuple(best.hits < minHits, best.distance, best.last - best.first)) {
                    best.hasInterval = true;
                    best.chromosome = chrom.number;
                    best.first = l;
                    best.last = r;
                    best.distance = distance;
                    best.hits = hits;
                }
            }
            for (int p = l; p <= coverEnd; ++p)
                if (inSet[genes[p]]) scan.covered[genes[p]] = 1;
        }
    }
    scan.best.withinDistance = scan.best.distance <= delta;
    return scan;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text.empty() ? "none" : text;
}

std::string where(const GenomeSet& set, const IntervalExplanation& interval) {
    const Genome& genome = set.genomes[interval.genome];
    return formatText("%s (%s %d-%d)", genome.name.c_str(), genome.chromosomes[interval.chromosome].name.c_str(),
                      interval.first, interval.last);
}

// The first position of [l, r] whose gene does not occur again up to r, or
// (fromRight) the last one whose gene does not occur before it from l.
int essentialGene(const std::vector<int>& genes, int l, int r, bool fromRight) {
    for (int i = 0; i <= r - l; ++i) {
        const int p = fromRight ? r - i : l + i;
        const int from = fromRight ? l : p + 1, to = fromRight ? p - 1 : r;
        if (std::find(genes.begin() + from, genes.begin() + to + 1, genes[p]) == genes.begin() + to + 1) return genes[p];
    }
    return 0;
}

// Whether a gene set of at least minSize families lies within delta of the
// gene sets of all the intervals (the center test of center mode).
bool haveCenter(const GenomeSet& set, const std::vector<const IntervalExplanation*>& intervals, int delta,
                int minSize) {
    std::vector<std::vector<unsigned char>> flags;
    std::set<int> columns;
    for (const IntervalExplanation* g : intervals) {
        const std::vector<int>& genes = set.genomes[g->genome].chromosomes[g->chromosome].genes;
        flags.emplace_back(static_cast<size_t>(set.alphabetSize) + 1, 0);
        for (int p = g->first; p <= g->last; ++p) {
            flags.back()[genes[p]] = 1;
            columns.insert(genes[p]);
        }
    }
    std::vector<const unsigned char*> rows;
    for (const auto& row : flags) rows.push_back(row.data());
    const std::vector<int> columnList(columns.begin(), columns.end());
    return chooseCenter(rows, columnList, delta, minSize).has_value();
}

}  // namespace

Explanation explainGeneSet(const GenomeSet& set, const std::vector<int>& familyIds, const tamsu::Query& query) {
    Explanation result;
    const int genomeCount = set.genomeCount();
    const bool referenceMode = query.mode == Mode::reference || query.mode == Mode::perfect;
    result.delta = query.mode == Mode::perfect ? 0 : std::max(query.delta, 0);
    const int delta = result.delta;

    std::unordered_map<int, int> codeOf;
    for (int code = 1; code < static_cast<int>(set.codingTable.size()); ++code) codeOf.emplace(set.codingTable[code], code);
    std::vector<char> inSet(static_cast<size_t>(set.alphabetSize) + 1, 0);
    const std::set<int> distinct(familyIds.begin(), familyIds.end());
    result.families.assign(distinct.begin(), distinct.end());
    if (result.families.empty()) fail(Stream::err, "error: no gene family given\n");
    for (int id : result.families) {
        auto found = codeOf.find(id);
        if (found == codeOf.end()) result.unknownFamilies.push_back(id);
        else inSet[found->second] = 1;
    }
    const int size = static_cast<int>(result.families.size());

    std::vector<std::vector<char>> covered;
    for (const Genome& genome : set.genomes) {
        Scan scan = scanGenome(genome, inSet, size, delta, set.alphabetSize, referenceMode ? 2 : 1);
        IntervalExplanation& best = scan.best;
        std::set<int> inside;
        if (best.hasInterval) {
            const std::vector<int>& genes = genome.chromosomes[best.chromosome].genes;
            inside.insert(genes.begin() + best.first, genes.begin() + best.last + 1);
        }
        for (int id : result.families)
            if (auto found = codeOf.find(id); found == codeOf.end() || inside.count(found->second) == 0)
                best.missing.push_back(id);
        for (int code : inside)
            if (!inSet[code]) best.foreign.push_back(set.codingTable[code]);
        std::sort(best.foreign.begin(), best.foreign.end());
        result.genomes.push_back(best);
        covered.push_back(std::move(scan.covered));
    }

    // The size rule; a fixed reference gene set sets the minimum itself.
    int minimum = query.minClusterSize;
    if (referenceMode && query.refType == tamsu::RefType::cluster && !set.genomes.empty() &&
        !set.genomes[0].chromosomes.empty())
        minimum = set.genomes[0].chromosomes[0].length();
    if (minimum > 0)
        result.rules.push_back({"minimum size", size >= minimum, formatText("the set has %d families, the minimum is %d", size, minimum)});

    // An occurrence: an interval within delta; the reference search also
    // drops intervals holding fewer than two families of the set.
    auto occurs = [&](const IntervalExplanation& g) { return g.withinDistance && (!referenceMode || g.hits >= 2); };
    std::vector<std::string> lacking;
    int present = 0;
    for (const IntervalExplanation& g : result.genomes) {
        if (occurs(g)) {
            ++present;
        } else {
            const std::string& name = set.genomes[g.genome].name;
            lacking.push_back(!g.hasInterval ? name + " (no family of the set)"
                              : g.withinDistance ? formatText("%s (%d of the families only)", name.c_str(), g.hits)
                                                 : formatText("%s (distance %d)", name.c_str(), g.distance));
        }
    }
    const int required = query.quorum ? query.quorum->genomes : genomeCount;
    const tamsu::CostType lackingCost = query.quorum ? query.quorum->cost : tamsu::CostType::zero;
    if (query.mode == Mode::median) {
        // The summed distance; under a quorum the genomes it may leave out are
        // those that cost most, each at the cost of lacking the cluster.
        const int lackCost = lackingCost == tamsu::CostType::sizeDependent   ? size
                             : lackingCost == tamsu::CostType::proportionate ? delta / std::max(genomeCount, 1)
                                                                             : 0;
        std::vector<const IntervalExplanation*> order;
        for (const IntervalExplanation& g : result.genomes) order.push_back(&g);
        std::stable_sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->distance > b->distance; });
        int total = 0, leftOut = 0;
        std::vector<std::string> left;
        for (const IntervalExplanation* g : order) {
            if (query.quorum && leftOut < genomeCount - required && g->distance > lackCost) {
                ++leftOut;
                total += lackCost;
                left.push_back(set.genomes[g->genome].name);
            } else {
                total += g->distance;
            }
        }
        result.rules.push_back({"distance", total <= delta,
                                formatText("summed distance %d, delta %d; left out under the quorum: %s", total, delta,
                                           joined(left).c_str())});
        if (query.quorum) {
            int holding = 0;
            for (const IntervalExplanation& g : result.genomes) holding += g.hasInterval ? 1 : 0;
            result.rules.push_back({"quorum", holding >= required,
                                    formatText("%d of %d genomes hold a family of the set, the quorum is %d", holding,
                                               genomeCount, required)});
        }
    } else if (query.mode == Mode::center) {
        // The closest genomes' best intervals, as many as there are down to
        // the quorum, must admit a common center.
        std::vector<const IntervalExplanation*> closest;
        for (const IntervalExplanation& g : result.genomes)
            if (g.hasInterval) closest.push_back(&g);
        std::stable_sort(closest.begin(), closest.end(), [](auto* a, auto* b) { return a->distance < b->distance; });
        bool found = false;
        while (!found && static_cast<int>(closest.size()) >= std::max(required, 1)) {
            found = haveCenter(set, closest, delta, std::max(query.minClusterSize, 1));
            if (!found) closest.pop_back();
        }
        std::vector<std::string> names;
        for (const IntervalExplanation* g : closest) names.push_back(set.genomes[g->genome].name);
        result.rules.push_back(
            {"center", found,
             found ? formatText("a gene set of at least %d families lies within distance %d of the "
                                "best intervals of %s (%d genomes needed)",
                                std::max(query.minClusterSize, 1), delta, joined(names).c_str(), required)
                   : formatText("no gene set of at least %d families lies within distance %d of "
                                "the best intervals of %d genomes (%d needed)",
                                std::max(query.minClusterSize, 1), delta, required, required)});
    } else if (query.quorum) {
        result.rules.push_back({"quorum", present >= required,
                                formatText("%d of %d genomes have an occurrence within distance %d, the quorum is %d; "
                                           "without: %s", present, genomeCount, delta, required, joined(lacking).c_str())});
    } else {
        result.rules.push_back({"distance", present == genomeCount,
                                formatText("every genome needs an interval within distance %d (no quorum); without: %s",
                                           delta, joined(lacking).c_str())});
    }

    if (!referenceMode) return result;
    // The reference search takes every interval of a reference genome as a
    // gene set: one of them has to hold exactly this set.
    const bool fixed = query.refType == tamsu::RefType::genome || query.refType == tamsu::RefType::cluster;
    const int lackAllowed = query.quorum ? genomeCount - query.quorum->genomes : 0;
    const int referenceCount = fixed ? 1
                               : query.mode == Mode::perfect ? std::min(lackAllowed + 1, genomeCount)
                                                             : genomeCount;
    const IntervalExplanation* reference = nullptr;
    const IntervalExplanation* closest = nullptr;
    for (int g = 0; g < referenceCount && reference == nullptr; ++g) {
        const IntervalExplanation& candidate = result.genomes[g];
        if (candidate.hasInterval && candidate.distance == 0) reference = &candidate;
        if (closest == nullptr || candidate.distance < closest->distance) closest = &candidate;
    }
    const std::string references = referenceCount == 1 ? set.genomes[0].name
                                                        : formatText("the first %d genomes", referenceCount);
    if (reference == nullptr) {
        result.rules.push_back({"reference interval", false,
                                formatText("no reference genome (%s) has an interval of exactly these families; "
                                           "closest: %s at distance %d", references.c_str(),
                                           set.genomes[closest->genome].name.c_str(), closest->distance)});
        return result;
    }
    result.rules.push_back({"reference interval", true,
                            formatText("%s holds exactly the set; the cluster is reported from there (reference "
                                       "genomes: %s)", where(set, *reference).c_str(), references.c_str())});

    // Both ends of the reference interval must reach into occurrences (with
    // at least three families of the set) of other genomes.
    const std::vector<int>& genes = set.genomes[reference->genome].chromosomes[reference->chromosome].genes;
    std::vector<std::string> verdicts;
    bool both = true;
    for (bool fromRight : {false, true}) {
        const int code = essentialGene(genes, reference->first, reference->last, fromRight);
        std::vector<std::string> holders;
        for (int g = 0; g < genomeCount; ++g)
            if (g != reference->genome && covered[g][code]) holders.push_back(set.genomes[g].name);
        both = both && !holders.empty();
        verdicts.push_back(formatText("%s family %d in %s", fromRight ? "rightmost" : "leftmost",
                                      set.codingTable[code], joined(holders).c_str()));
    }
    result.rules.push_back({"essential genes", both, verdicts[0] + "; " + verdicts[1] +
                                                         " (occurrences within distance with at least 3 families of the set)"});
    return result;
}

}  // namespace tamsu::detail

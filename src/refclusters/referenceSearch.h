// The reference-based search: every reference interval grown one gene at a
// time, its best approximate occurrences per genome, and the reductions of
// the clusters found.
#pragma once

#include <cstdio>
#include <list>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "index/occurrenceIndex.h"
#include "params/searchParameters.h"
#include "refclusters/locations.h"
#include "util/memoryBudget.h"
#include "walk/pattern.h"
#include "walk/progress.h"
#include "walk/walkTables.h"

namespace tamsu::detail {

// What the search found on one reference chromosome: its clusters (already
// reduced among themselves: dominance never crosses chromosomes) and how many
// intervals passed the filters there.
struct ChromClusters {
    std::list<ReferenceCluster> clusters;
    int filterCount = 0;
    int nonNestedCount = 0;
};

// What one shard of a reference-based run found: per reference chromosome
// of its part, in walk order, the clusters before the run's final reduction.
struct ShardClusters {
    ChromRange refs;
    std::vector<ChromClusters> chroms;  // one per chromosome of refs
    int genomeCount = 0;                // the genomes of the run
};

// The reference chromosomes of the query's walk, in walk order.
ChromRange referenceChromosomes(const OccurrenceIndex& index, const SearchParameters& params);

// The search of the reference chromosomes refs (all of referenceChromosomes,
// or one shard's part of them): what each chromosome of refs found, in walk
// order; nothing when the run was cancelled. The progress line is left open.
std::optional<std::vector<ChromClusters>> searchReferenceChromosomes(const OccurrenceIndex& index,
                                                                     const SearchParameters& params, Progress& progress,
                                                                     ChromRange refs, MemoryBudget* memory = nullptr);
// The run's cluster list from what every reference chromosome found (walk
// order): the final reduction, the gene contents and the closing counts.
ReferenceClusterList gatherReferenceClusters(std::vector<ChromClusters>&& found, const OccurrenceIndex& index,
                                             const SearchParameters& params, Progress& progress);
// Writes what the search of every reference chromosome writes, without
// searching: for results that shards of the run found.
void replayReferenceSearch(const OccurrenceIndex& index, const SearchParameters& params, Progress& progress);
// A left border whose gene occurs nowhere else starts no cluster and is
// left out of the progress.
bool startsNoCluster(const OccurrenceIndex& index, const ChromIndex& chrom, int i);

// The reference-based (and perfect) search: walks every reference interval,
// keeps per genome the best approximate occurrences and returns the reduced
// cluster list; nothing when the run was cancelled. The cluster list charges
// memory (when given) as it grows.
std::optional<ReferenceClusterList> computeReferenceClusters(const OccurrenceIndex& index,
                                                             const SearchParameters& params, Progress& progress,
                                                             MemoryBudget* memory = nullptr);

// --- The search's building blocks ------------------------------------------

// Distinct genes an occurrence of a gene set of size s must hold at least.
int minOccGeneCount(int s, double minOccSize);
// Locations in genome around the occurrences of c for a gene set of size s,
// from the border rows of the current ranks.
LocationList bestLocationsWith(const SearchParameters& params, int s, int c, const OccurrenceIndex& index, int g,
                               WalkTables& walk);
// The same into result (emptied first, its room reused), given c's
// occurrences in genome g (OccurrenceIndex::occurrencesIn). Without
// singleGenes the locations of one distinct gene are left out: all their
// genes belong to the set, so they never gain a second hit, and a search
// in which no interval of one gene passes the quorum never reads them.
void bestLocationsWith(const SearchParameters& params, int s, int c, const OccurrenceIndex& index, int g,
                       WalkTables& walk, std::pair<int, int> occurrences, LocationList& result,
                       bool singleGenes = true);
// Carries a genome's locations over to the gene set grown by c.
void removeNonInheritable(const OccurrenceIndex& index, int c, LocationList& list, int delta, int minOccGeneCount);
// The same for a list of one genome, given c's occurrences there.
void removeNonInheritable(const OccurrenceIndex& index, int c, LocationList& list, int delta, int minOccGeneCount,
                          std::pair<int, int> occurrences);
// How many genomes lack more than delta genes of a growing gene set: per
// genome the genes it holds, and how many genomes hold each count, so that a
// growth step costs the genomes that hold the new gene.
class NonOccTally {
public:
    void reset(int genomeCount, int delta);
    // The set grows by a gene that exactly the genomes holders hold.
    void add(std::span<const int> holders);
    int lacking() const { return lacking_; }
    // Whether genome j lacks too many genes: no location there is close enough.
    bool lacks(int j) const { return held_[static_cast<size_t>(j)] < size_ - delta_; }

private:
    std::vector<int> held_;    // per genome
    std::vector<int> heldBy_;  // per count, the genomes holding that many
    int size_ = 0;
    int delta_ = 0;
    int lacking_ = 0;
};
// Genomes whose list holds a location with at least 2 hits.
int minHitCoveredCount(const std::vector<LocationList>& lists, int K);
// The same, given the genomes whose lists may hold locations.
int minHitCoveredCount(const std::vector<LocationList>& lists, std::span<const int> genomes);
// c occurs in no chromosome of any genome other than g.
bool lacksFamily(const OccurrenceIndex& index, int c, int g);
// Genes at the first / last position of [l, r] whose gene does not recur
// towards the other end; -1 for an empty interval.
int leftmostEssentialFamily(const Location& x, const ChromIndex& chrom);
int rightmostEssentialFamily(const Location& x, const ChromIndex& chrom);
// Some genome other than g has a location with at least 3 hits holding gene.
bool occursInLocations(int gene, const std::vector<LocationList>& lists, const OccurrenceIndex& index, int g);
// False when an earlier genome (or an earlier place of x's own genome) heads
// its list with an exact occurrence.
bool isFirstReferenceOccurrence(const Location& x, const std::vector<LocationList>& lists);
// The same over a cluster's locations (genome by genome).
bool isFirstReferenceOccurrence(const Location& x, std::span<const Location> locations);

// --- Reductions --------------------------------------------------------------

void removeLocationsWithFewHits(LocationList& list, int minHits);
void removeSuboptimalLocations(LocationList& list);
// Removes dominated clusters and reports the size left on out.
// The same on a list, silently. A cluster is only ever dominated by one on its
// own reference chromosome, so the lists of single chromosomes can be reduced
// apart; reducing twice removes nothing more.
void removeDominatedClusters(std::list<ReferenceCluster>& clusters);
bool sameReferenceChromosomes(const ReferenceCluster& a, const ReferenceCluster& b);
bool isReferenceIntervalNested(const ReferenceCluster& a, const ReferenceCluster& b);
bool areAllLocationsNested(const ReferenceCluster& a, const ReferenceCluster& b);
std::vector<int> referenceGeneContent(const ReferenceCluster& cluster, const OccurrenceIndex& index);
void setGeneContents(ReferenceClusterList& list, const OccurrenceIndex& index);

}  // namespace tamsu::detail

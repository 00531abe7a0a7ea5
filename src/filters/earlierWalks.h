// Which k-tuples of a center search the walk of an earlier reference genome
// found already. Under a quorum the walks of several reference genomes may
// find the same tuple; the result keeps the first find. A search that takes
// dominated tuples out of its lists while it runs can no longer recognise a
// later find by meeting the first in the list, so it asks here instead: the
// earlier walk is replayed up to the filter that would have found the tuple.
#pragma once

#include <array>
#include <map>
#include <span>
#include <vector>

#include "index/occurrenceIndex.h"
#include "occurrences/candidates.h"
#include "params/searchParameters.h"
#include "walk/progress.h"
#include "walk/referenceWalk.h"

namespace tamsu::detail {

class EarlierWalks {
public:
    // D: the filter depth of the search; progress: the walk's (nothing is reported).
    EarlierWalks(const OccurrenceIndex& index, const SearchParameters& params, int D, Progress& progress);

    // Whether the walk of a reference genome before referenceGenome stored
    // the tuple of the chosen intervals (one per genome): its interval there
    // is a filter of that walk whose median search reaches this choice.
    bool found(std::span<CandidateInterval* const> chosen, int referenceGenome);

private:
    struct Candidate {
        int chr, l, r, list;
        auto key() const { return std::array<int, 3>{chr, l, r}; }
    };
    // A filter of an earlier walk: whether the walk accepts it, and its
    // candidates per genome ordered by place.
    struct Filter {
        bool accepted = false;
        std::vector<std::vector<Candidate>> candidates;
        int listOf(int g, const CandidateInterval& iv) const;
    };
    const Filter& filter(int g, const CandidateInterval& iv);

    const OccurrenceIndex& index_;
    const SearchParameters& params_;
    const int D_;
    ReferenceWalk walk_;
    CandidateRecord record_;
    // Neighbouring filters of a later walk meet the same earlier ones; a
    // bounded number of them is kept.
    std::map<std::array<int, 4>, Filter> filters_;
};

}  // namespace tamsu::detail

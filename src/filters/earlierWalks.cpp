// Replays of earlier reference walks: a filter's acceptance and candidates
// exactly as the walk computes them, through the same growth and the same
// candidate collection.
#include "filters/earlierWalks.h"

#include <algorithm>

#include "filters/filterSearch.h"
#include "median/tupleSearch.h"

namespace tamsu::detail {

namespace {
constexpr std::size_t kKeptFilters = 512;
}

EarlierWalks::EarlierWalks(const OccurrenceIndex& index, const SearchParameters& params, int D, Progress& progress)
    : index_(index),
      params_(params),
      D_(D),
      walk_(index, D, false, progress),
      record_(makeCandidateRecord(index.genomeCount(), searchDepth(params, std::max(params.referenceBudget, D)))) {}

bool EarlierWalks::found(std::span<CandidateInterval* const> chosen, int referenceGenome) {
    for (int h = 0; h < referenceGenome; ++h) {
        const CandidateInterval& iv = *chosen[h];
        if (iv.l > iv.r) continue;  // no filter of genome h holds this tuple
        const Filter& earlier = filter(h, iv);
        if (earlier.accepted &&
            reachesChoice(chosen, params_, record_.candidateField.m(),
                          [&](int g, const CandidateInterval& c) { return earlier.listOf(g, c); }))
            return true;
    }
    return false;
}

int EarlierWalks::Filter::listOf(int g, const CandidateInterval& iv) const {
    const std::vector<Candidate>& list = candidates[static_cast<size_t>(g)];
    const std::array<int, 3> key{iv.chr, iv.l, iv.r};
    auto at = std::lower_bound(list.begin(), list.end(), key,
                               [](const Candidate& c, const std::array<int, 3>& k) { return c.key() < k; });
    return at != list.end() && at->key() == key ? at->list : -1;
}

const EarlierWalks::Filter& EarlierWalks::filter(int g, const CandidateInterval& iv) {
    const std::array<int, 4> key{g, iv.chr, iv.l, iv.r};
    if (auto at = filters_.find(key); at != filters_.end()) return at->second;
    if (filters_.size() >= kKeptFilters) filters_.clear();
    Filter& filter = filters_[key];

    const ChromIndex& ch = index_.chrom(g, iv.chr);
    walk_.seekLeftBorder(ch, iv.l);
    forEachFilter(
        walk_, index_, params_, D_, ch, iv.l,
        [&](int r) {
            filter.accepted = r == iv.r;
            return r < iv.r;
        },
        iv.r);
    if (!filter.accepted) return filter;

    const int k = index_.genomeCount();
    collectCandidates(record_, walk_, index_, params_, ch, iv.l);
    filter.candidates.resize(static_cast<size_t>(k));
    for (int h = 0; h < k; ++h) {
        std::vector<Candidate>& list = filter.candidates[static_cast<size_t>(h)];
        for (int d = 0; d <= record_.candidateField.m(); ++d)
            for (const CandidateInterval& c : record_.candidateField.bucket(h, d)) list.push_back({c.chr, c.l, c.r, d});
        std::sort(list.begin(), list.end(), [](const Candidate& a, const Candidate& b) { return a.key() < b.key(); });
    }
    resetCandidateRecord(record_, k, D_ + 1);
    return filter;
}

}  // namespace tamsu::detail

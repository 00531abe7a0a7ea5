// p-values of clusters. An occurrence is scored by how many intervals of
// similar length, filled with genes drawn by the genome's own gene
// frequencies, would lack at most as many genes of the cluster as it does.
#include "statistics/statistics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include <gsl/gsl_randist.h>
#include <gsl/gsl_sf_gamma.h>

#include "results/referenceExtraction.h"
#include "results/tupleExtraction.h"
#include "util/errors.h"

namespace tamsu::detail {

namespace {

constexpr double kNoGenomeFactor = 1000.0;  // a genome without any location

}  // namespace

// ---------------------------------------------------------------------------
// Background tables

std::vector<int> totalLengths(const GenomeSet& set) {
    std::vector<int> lengths(std::max(set.genomeCount(), 0), 0);
    for (int j = 0; j < set.genomeCount() && j < static_cast<int>(set.genomes.size()); ++j)
        for (const Chromosome& chrom : set.genomes[j].chromosomes) lengths[j] += std::max(chrom.length(), 0);
    return lengths;
}

BackgroundTables::BackgroundTables(const GenomeSet& set) : totalLength_(totalLengths(set)) {
    const int K = std::max(set.genomeCount(), 0);
    start_.assign(static_cast<size_t>(K) + 1, 0);
    std::vector<int> genes;
    for (int j = 0; j < K; ++j) {
        start_[j] = families_.size();
        genes.clear();
        if (j < static_cast<int>(set.genomes.size()))
            for (const Chromosome& chrom : set.genomes[j].chromosomes)
                // every position 1..length counts, the last one included
                for (int p = 1; p <= chrom.length() && p < static_cast<int>(chrom.genes.size()); ++p)
                    if (chrom.genes[p] >= 0 && chrom.genes[p] <= set.alphabetSize) genes.push_back(chrom.genes[p]);
        std::sort(genes.begin(), genes.end());
        for (size_t at = 0; at < genes.size();) {
            size_t end = at;
            while (end < genes.size() && genes[end] == genes[at]) ++end;
            families_.push_back(genes[at]);
            counts_.push_back(static_cast<int>(end - at));
            at = end;
        }
    }
    start_[K] = families_.size();
    // f_j(c) > 0 implies N_j >= 1, so no share f_j(c) / N_j is ever NaN.
}

std::vector<int> BackgroundTables::setFrequencies(int j, const std::vector<int>& G) const {
    std::vector<int> freqs(G.size(), 0);
    if (j < 0 || static_cast<size_t>(j) + 1 >= start_.size()) return freqs;
    const auto first = families_.begin() + static_cast<std::ptrdiff_t>(start_[j]);
    const auto last = families_.begin() + static_cast<std::ptrdiff_t>(start_[j + 1]);
    for (size_t i = 0; i < G.size(); ++i) {
        const auto at = std::lower_bound(first, last, G[i]);
        if (at != last && *at == G[i]) freqs[i] = counts_[static_cast<size_t>(at - families_.begin())];
    }
    return freqs;
}

int BackgroundTables::totalLength(int j) const {
    return j >= 0 && j < static_cast<int>(totalLength_.size()) ? totalLength_[j] : 0;
}

// ---------------------------------------------------------------------------
// Score of one occurrence

double combinePValues(const double* p, int K) {
    double product = 1.0;
    for (int i = 0; i < K; ++i) product *= p[i];
    return product;
}

double combineLog10PValues(const double* p, int K) {
    double sum = 0.0;
    for (int i = 0; i < K; ++i) sum += std::log10(p[i]);
    return sum;
}

double setGeneProbability(const std::vector<int>& setFreqs, int N) {
    if (setFreqs.empty() || N <= 0) return 0.0;
    long long hits = 0;
    for (int f : setFreqs) hits += f;
    return static_cast<double>(hits) / N;
}

std::vector<double> setGeneShares(const std::vector<int>& setFreqs) {
    std::vector<double> pi(setFreqs.size() + 1, 0.0);
    long long seen = 0;
    for (size_t i = 1; i <= setFreqs.size(); ++i) {
        const int f = setFreqs[i - 1];
        seen += f;
        pi[i] = f > 0 ? static_cast<double>(f) / static_cast<double>(seen) : 0.0;
    }
    return pi;
}

void LnChoose::grow(int l) {
    values_.reserve(static_cast<size_t>(l + 1) * (l + 2) / 2);
    for (int row = top_ + 1; row <= l; ++row)
        for (int m = 0; m <= row; ++m)
            values_.push_back(gsl_sf_lnchoose(static_cast<unsigned>(row), static_cast<unsigned>(m)));
    top_ = l;
}

BinomialPdf::BinomialPdf(double p, LnChoose& lnChoose) : p_(p), lnChoose_(&lnChoose) {
    if (p != 0.0 && p != 1.0) {
        logP_ = std::log(p);
        log1mP_ = std::log1p(-p);
    }
}

namespace {

// The first failure for entry (l, k) of layer i, whose sum turned out NaN:
// its terms replayed in their order.
[[noreturn]] void failNaNEntry(const DoubleTable& prev, const std::vector<double>& binom, int i, int l, int k, int Lmax,
                               double p) {
    double sum = binom[0] * prev(l, k);
    for (int m = 1; m <= l - k + 1; ++m) {
        sum += binom[static_cast<size_t>(m)] * prev(l - m, k - 1);
        if (std::isnan(sum))
            fail(Stream::err,
                 "isnan:\ncharProb[%d] = %e\npValue[%d][%d][%d] is not a number\n"
                 "gsl_ran_binomial_pdf(%d,%f,%d)\n%f * %f\n",
                 i, p, i, l, k, m, p, Lmax, binom[static_cast<size_t>(m)], prev(l - m, k - 1));
    }
    fail(Stream::err, "pValue[%d][%d][%d] is not a number\n", i, l, k);
}

// Layer i of the table (cur) from layer i-1 (prev), both (Lmax+1) x (n+1):
// per l the sums of every k grow together over m (each adds its terms in
// the order of m), reading rows of prev, and the binomials come from one
// pair of logarithms per layer. binom is scratch.
void nextPLayerFast(const DoubleTable& prev, DoubleTable& cur, std::vector<double>& binom, int i, int Lmax, double p,
                    LnChoose& lnChoose) {
    const BinomialPdf pdf(p, lnChoose);
    binom.resize(static_cast<size_t>(Lmax) + 1);
    for (int l = 1; l <= Lmax; ++l) {
        const int kmax = std::min(i, l);
        double* out = cur.row(l);
        if (p == 0.0) {
            const double* same = prev.row(l);
            for (int k = 1; k <= kmax; ++k) {
                out[k] = same[k];
                if (std::isnan(out[k])) fail(Stream::err, "pValue[%d][%d][%d] is not a number\n", i, l, k);
            }
            continue;
        }
        for (int m = 0; m <= l; ++m) binom[static_cast<size_t>(m)] = pdf(m, l);
        const double* own = prev.row(l);
        for (int k = 1; k <= kmax; ++k) out[k] = binom[0] * own[k];
        // term m reaches the entries k <= l - m + 1
        for (int m = 1; m <= l; ++m) {
            const double factor = binom[static_cast<size_t>(m)];
            const double* from = prev.row(l - m);
            const int last = std::min(kmax, l - m + 1);
            for (int k = 1; k <= last; ++k) out[k] += factor * from[k - 1];
        }
        for (int k = 1; k <= kmax; ++k)
            if (std::isnan(out[k])) failNaNEntry(prev, binom, i, l, k, Lmax, p);
    }
}

}  // namespace

DoubleTable probabilityTableLast(int n, int Lmax, const std::vector<double>& pi) {
    LnChoose lnChoose;
    return probabilityTableLast(n, Lmax, pi, lnChoose);
}

DoubleTable probabilityTableLast(int n, int Lmax, const std::vector<double>& pi, LnChoose& lnChoose) {
    // Two layers in turn: layer i-2's entries lie where layer i writes.
    DoubleTable prev(Lmax + 1, n + 1, 0.0), cur(Lmax + 1, n + 1, 0.0);
    std::vector<double> binom;
    prev(0, 0) = cur(0, 0) = 1.0;
    for (int i = 1; i <= n; ++i) {
        nextPLayerFast(prev, cur, binom, i, Lmax, pi[i], lnChoose);
        std::swap(prev, cur);
    }
    return prev;
}

std::shared_ptr<const DoubleTable> PTableCache::get(const std::vector<int>& freqs, const std::vector<double>& pi) {
    auto at = tables_.find(freqs);
    if (at != tables_.end()) return at->second;
    const int n = static_cast<int>(freqs.size());
    auto table = std::make_shared<const DoubleTable>(probabilityTableLast(n, 2 * n, pi, lnChoose_));
    const size_t bytes = static_cast<size_t>(2 * n + 1) * static_cast<size_t>(n + 1) * sizeof(double);
    // Bounded: past the budget the tables kept so far are let go (scorers
    // still holding one keep it alive).
    if (bytes_ + bytes > kBudget) {
        tables_.clear();
        bytes_ = 0;
    }
    tables_.emplace(freqs, table);
    bytes_ += bytes;
    return table;
}

void lengthRange(int n, int delta, int N, int& lo, int& hi) {
    lo = static_cast<int>(std::max<long long>(static_cast<long long>(n) - delta, 1));
    hi = std::min(2 * n, N);
}

// ---------------------------------------------------------------------------
// Scores sharing one table

OccurrenceScorer::OccurrenceScorer(std::vector<int> setFreqs, int N, PTableCache* cache)
    : n_(static_cast<int>(setFreqs.size())),
      N_(N),
      cache_(cache),
      pi_(setGeneShares(setFreqs)),
      pG_(setGeneProbability(setFreqs, N)) {
    if (cache_ != nullptr) freqs_ = std::move(setFreqs);
}

void OccurrenceScorer::extend(int L, int delta) {
    // P_L(d) = sum over d' <= min(d, n) and m <= L of B(m; L, p_G) T[m][n - d'],
    // Q_L(d) = sum over d' <= d of P_L(d'), kept as running sums (lacking more
    // genes than the set holds adds nothing).
    std::vector<double>& B = binom_[L];
    if (B.empty()) {
        B.resize(L + 1);
        const BinomialPdf pdf(pG_, cache_ != nullptr ? cache_->lnChoose() : ownLnChoose_);
        for (int m = 0; m <= L; ++m) B[m] = pdf(m, L);
    }
    std::vector<double>& P = P_[L];
    std::vector<double>& Q = Q_[L];
    while (static_cast<int>(P.size()) <= delta) {
        const int d = static_cast<int>(P.size());
        double p = d == 0 ? 0.0 : P[d - 1];
        if (d <= n_)
            for (int m = 0; m <= L; ++m) p += B[m] * (*T_)(m, n_ - d);
        P.push_back(p);
        Q.push_back((d == 0 ? 0.0 : Q[d - 1]) + p);
    }
}

double OccurrenceScorer::score(int delta) {
    if (delta < 0) return 0.0;
    if (delta < static_cast<int>(scores_.size()) && !std::isnan(scores_[delta])) return scores_[delta];
    int lo = 0, hi = 0;
    lengthRange(n_, delta, N_, lo, hi);
    double score = 0.0;
    if (lo <= hi) {
        if (!haveTable_) {
            T_ = cache_ != nullptr
                     ? cache_->get(freqs_, pi_)
                     : std::make_shared<const DoubleTable>(probabilityTableLast(n_, 2 * n_, pi_, ownLnChoose_));
            binom_.assign(2 * n_ + 1, {});
            P_.assign(2 * n_ + 1, {});
            Q_.assign(2 * n_ + 1, {});
            haveTable_ = true;
        }
        for (int L = lo; L <= hi; ++L) {
            extend(L, delta);
            score += Q_[L][delta] * (N_ - L + 1);
        }
    }
    if (delta >= static_cast<int>(scores_.size()))
        scores_.resize(delta + 1, std::numeric_limits<double>::quiet_NaN());
    scores_[delta] = score;
    return score;
}

// ---------------------------------------------------------------------------
// Entry points

void scoreTuples(TupleList* list, const GenomeSet& set) {
    const BackgroundTables tables(set);
    if (list == nullptr) return;
    const int K = list->k;
    // Tuples arrive sorted by gene content, so runs share their gene set and
    // with it one scorer per genome.
    PTableCache cache;
    std::vector<std::unique_ptr<OccurrenceScorer>> scorers(std::max(K, 0));
    std::vector<int> scoredSet;
    bool haveSet = false;
    for (ClusterTuple& tuple : list->tuples) {
        const std::vector<int>& G = tuple.genes;
        if (!haveSet || G != scoredSet) {
            for (auto& scorer : scorers) scorer.reset();
            scoredSet = std::move(G);
            haveSet = true;
        }
        if (static_cast<int>(tuple.pValues.size()) < K) tuple.pValues.resize(K, 1.0);
        for (int j = 0; j < K; ++j) {
            const TupleOccurrence& interval = tuple.perGenome[j];
            if (interval.l > interval.r) {
                tuple.pValues[j] = 1.0;
                continue;
            }
            if (!scorers[j])
                scorers[j] = std::make_unique<OccurrenceScorer>(tables.setFrequencies(j, scoredSet),
                                                                tables.totalLength(j), &cache);
            tuple.pValues[j] = scorers[j]->score(interval.dist);
        }
        tuple.pValue = combinePValues(tuple.pValues.data(), K);
        tuple.log10PValue = combineLog10PValues(tuple.pValues.data(), K);
    }
}

namespace {

// The p-values of one cluster's locations and of the cluster; minP is scratch.
void scoreRefCluster(ReferenceCluster& cluster, const BackgroundTables& tables, int K, PTableCache& cache,
                     std::vector<double>& minP) {
    const std::vector<int> G = referenceGeneSet(cluster);
    std::fill(minP.begin(), minP.end(), kNoGenomeFactor);
    for (int j = 0; j < K; ++j) {
        std::unique_ptr<OccurrenceScorer> scorer;  // built on the first location to score
        for (Location& x : cluster.locationsOf(j)) {
            if (x.l > x.r || x.genome == cluster.refGenome) {
                x.pValue = 1.0;
            } else {
                if (!scorer)
                    scorer =
                        std::make_unique<OccurrenceScorer>(tables.setFrequencies(j, G), tables.totalLength(j), &cache);
                x.pValue = scorer->score(x.setDist);
            }
            if (x.pValue < minP[j]) minP[j] = x.pValue;
        }
    }
    cluster.pValue = combinePValues(minP.data(), K);
    cluster.log10PValue = combineLog10PValues(minP.data(), K);
}

}  // namespace

void scoreReferenceClusters(ReferenceClusterList* list, const GenomeSet& set, int threads) {
    const BackgroundTables tables(set);
    if (list == nullptr) return;
    const int K = std::max(set.genomeCount(), 0);
    std::vector<ReferenceCluster*> clusters;
    for (ReferenceCluster& cluster : list->clusters) clusters.push_back(&cluster);
    // Every cluster's scores are independent of the others and of which
    // cache made its table (the same doubles), so workers take runs of
    // clusters in turn, each with its own cache.
    constexpr size_t kRun = 16;
    std::atomic<size_t> next{0};
    std::atomic<size_t> failedAt{clusters.size()};
    std::mutex mutex;
    std::exception_ptr error;  // of the first cluster in list order that failed: the one a single thread meets
    auto work = [&] {
        PTableCache cache;
        std::vector<double> minP(static_cast<size_t>(K));
        for (size_t from = next.fetch_add(kRun); from < clusters.size(); from = next.fetch_add(kRun))
            for (size_t i = from; i < std::min(from + kRun, clusters.size()); ++i) {
                if (i >= failedAt) return;
                try {
                    scoreRefCluster(*clusters[i], tables, K, cache, minP);
                } catch (...) {
                    std::lock_guard lock(mutex);
                    if (i < failedAt) {
                        failedAt = i;
                        error = std::current_exception();
                    }
                    return;
                }
            }
    };
    if (threads <= 1 || clusters.size() <= kRun) {
        work();
    } else {
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t) workers.emplace_back(work);
    }
    if (error) std::rethrow_exception(error);
}

}  // namespace tamsu::detail

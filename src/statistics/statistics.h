// Significance of clusters: p-values from a binomial model of each genome's
// gene-family frequencies.
#pragma once

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "genomes/genomeSet.h"
#include "median/tupleList.h"
#include "refclusters/referenceSearch.h"
#include "util/table.h"

namespace tamsu::detail {

// p-values of every tuple / cluster.
void scoreTuples(TupleList* list, const GenomeSet& set);
// threads: workers scoring clusters side by side (the same p-values).
void scoreReferenceClusters(ReferenceClusterList* list, const GenomeSet& set, int threads = 1);

// Product of p[0..K-1]; 1.0 when K < 1.
double combinePValues(const double* p, int K);
// log10 of that product as the sum of the factors' log10 (0.0 when K < 1),
// finite where the product over- or underflows.
double combineLog10PValues(const double* p, int K);

// N_j: the genes of each genome.
std::vector<int> totalLengths(const GenomeSet& set);

// The background tables of one statistics call: N_j and f_j(c). Only the
// families that occur in a genome are kept (per genome, ascending, with their
// counts), so the tables grow with the genes rather than with genomes times
// the alphabet; f_j(c) / N_j is taken where a score needs it.
class BackgroundTables {
public:
    explicit BackgroundTables(const GenomeSet& set);
    // f_j of G's genes, in G's order (0 for a family genome j lacks, or a
    // genome the tables do not know).
    std::vector<int> setFrequencies(int j, const std::vector<int>& G) const;
    int totalLength(int j) const;

private:
    std::vector<int> totalLength_;  // N_j
    std::vector<size_t> start_;     // genome j's families: [start_[j], start_[j + 1])
    std::vector<int> families_;
    std::vector<int> counts_;
};

// p_G: the share of a genome's positions that hold a gene of G, from f(c)
// of G's genes.
double setGeneProbability(const std::vector<int>& setFreqs, int totalLength);
// pi[0] = 0.0; pi[i] = f(c_i) / (f(c_1) + ... + f(c_i)), 0.0 for an absent gene.
std::vector<double> setGeneShares(const std::vector<int>& setFreqs);
// ln C(l, m) for 0 <= m <= l, exactly as gsl_sf_lnchoose gives them, kept in
// one triangular array that grows on demand.
class LnChoose {
public:
    double operator()(int l, int m) {
        if (l > top_) grow(l);
        return values_[static_cast<size_t>(l) * (l + 1) / 2 + m];
    }
    void grow(int l);

private:
    std::vector<double> values_;
    int top_ = -1;
};

// B(m; l, p) for one p, bit for bit what gsl_ran_binomial_pdf(m, p, l)
// returns: the same sum ln C(l, m) + m log p + (l - m) log1p(-p) and exp of
// it, with the logarithms taken once per p instead of once per value.
class BinomialPdf {
public:
    BinomialPdf(double p, LnChoose& lnChoose);
    double operator()(int m, int l) const {
        if (m > l) return 0.0;
        if (p_ == 0.0) return m == 0 ? 1.0 : 0.0;
        if (p_ == 1.0) return m == l ? p_ : 0.0;
        const double P = (*lnChoose_)(l, m) + static_cast<double>(m) * logP_ + static_cast<double>(l - m) * log1mP_;
        return std::exp(P);
    }

private:
    double p_;
    double logP_ = 0.0;
    double log1mP_ = 0.0;
    LnChoose* lnChoose_;
};

// The last layer T[n][l][k], (Lmax+1) x (n+1), of the probability table:
// l positions drawn from the set's genes c_1..c_n by their frequencies show
// exactly k distinct genes. Built layer by layer in two layers' memory.
DoubleTable probabilityTableLast(int n, int Lmax, const std::vector<double>& pi);
DoubleTable probabilityTableLast(int n, int Lmax, const std::vector<double>& pi, LnChoose& lnChoose);

// Last layers shared between the scorers of one statistics call. A layer
// depends only on the frequencies of the gene set's genes, in the set's
// order, so clusters and genomes with equal frequencies share one; a bounded
// number of bytes is kept.
class PTableCache {
public:
    std::shared_ptr<const DoubleTable> get(const std::vector<int>& freqs, const std::vector<double>& pi);
    LnChoose& lnChoose() { return lnChoose_; }

private:
    LnChoose lnChoose_;
    static constexpr size_t kBudget = size_t{64} << 20;
    std::map<std::vector<int>, std::shared_ptr<const DoubleTable>> tables_;
    size_t bytes_ = 0;
};

// The lengths L that an occurrence at distance delta of an n-set can have in
// a genome of N genes: max(n - delta, 1) .. min(2n, N).
void lengthRange(int n, int delta, int N, int& lo, int& hi);

// Scores of one gene set in one genome: the sum over the lengths L of
// Q_L(delta) times the number of intervals of length L. The probability
// table is built once (on first use) and shared by every occurrence scored
// against it.
class OccurrenceScorer {
public:
    // setFreqs: f(c) of the set's genes in its order; cache: where the
    // probability table is taken from (null: built here).
    OccurrenceScorer(std::vector<int> setFreqs, int totalLength, PTableCache* cache = nullptr);
    double score(int delta);

private:
    // Extends the running sums P_L(d), Q_L(d) of length L up to d = delta.
    void extend(int L, int delta);

    int n_;
    int N_;
    PTableCache* cache_;
    LnChoose ownLnChoose_;    // used without a cache
    std::vector<int> freqs_;  // f(c) of the set's genes, in order: the cache's key
    std::vector<double> pi_;
    double pG_ = 0.0;
    bool haveTable_ = false;
    std::shared_ptr<const DoubleTable> T_;  // last layer of the probability table
    std::vector<std::vector<double>> binom_;  // [L][m] = B(m; L, p_G)
    std::vector<std::vector<double>> P_;      // [L][d]
    std::vector<std::vector<double>> Q_;      // [L][d]
    std::vector<double> scores_;              // by delta, NaN = not yet computed
};

}  // namespace tamsu::detail

// The uniform result form of every mode: gene clusters with their best and
// all occurrence sets.
#pragma once

#include <vector>

struct approxOcc {
    int genome = 0;
    int chromosome = 0;
    int l = 0;
    int r = 0;
    double pValue = 1.0;
    int dist = 0;
    bool isRefOcc = false;
};

// Approximate cluster instance: one occurrence list per genome.
struct ACI {
    int support = 0;
    int refOccCount = 0;
    double pValue = 1.0;
    std::vector<std::vector<approxOcc>> occLists;  // K lists
    int totalDist = 0;
    int minPwDist = 0;
    int maxPwDist = 0;
};

struct geneCluster {
    char type = 'm';
    int refGenomeNr = -1;
    double pValue = 1.0;
    int minTotalDist = 0;
    std::vector<int> consensusSet;
    std::vector<ACI> bestClusters;
    std::vector<ACI> allClusters;
};

struct listOfGeneClusters {
    int genomeCount = 0;
    std::vector<geneCluster> clusters;
    int size() const { return static_cast<int>(clusters.size()); }
};

#include <memory>

struct kTupleList;
struct kTuple;

// Extraction from a k-tuple list sorted by gene content: one cluster per run
// of adjacent tuples with equal gene content.
std::unique_ptr<listOfGeneClusters> extractGeneClusters(const kTupleList& list);

// Pieces built from one k-tuple of a list with K genomes.
geneCluster createGeneCluster(const kTuple& tuple, int K);
ACI init_ACI(const kTuple& tuple, int K);
// The tuple's gene content, ascending (also the gene set its p-values are computed for).
std::vector<int> createConsensusSet(const kTuple& tuple);
std::vector<std::vector<approxOcc>> copy_dLocLists(const kTuple& tuple, int K);
approxOcc copy_dLoc(const kTuple& tuple, int g);

// Number of the K occurrence lists that are not empty.
int computeSupport(const ACI& aci, int K);

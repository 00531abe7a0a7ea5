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

// Extraction from a k-tuple list sorted by gene content.
std::unique_ptr<listOfGeneClusters> extractGeneClusters(const kTupleList& list);

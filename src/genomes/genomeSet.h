// The genomes of a run and their dense gene-family alphabet.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "genomes/chromosome.h"

namespace tamsu::detail {

struct Genome {
    std::string name;
    int number = 0;
    std::vector<Chromosome> chromosomes;

    int chromosomeCount() const { return static_cast<int>(chromosomes.size()); }
};

struct GenomeSet {
    std::vector<Genome> genomes;
    int alphabetSize = 0;
    std::vector<int> codingTable;  // code -> identifier as read; entry 0 is 0
    std::string sourcePath;        // the annotation file read (empty for genomes from the host)
    std::string listPath;          // the genome list read (empty for genomes from the host)
    // "fnv1a64:" and 16 hex digits over the bytes read: the genome list, a 0
    // byte and the annotation file (empty for genomes from the host).
    std::string inputFingerprint;

    int genomeCount() const { return static_cast<int>(genomes.size()); }
};

std::unique_ptr<GenomeSet> makeGenomeSet(int genomeCount);
Genome makeGenome(const std::string& name, int number, int chromosomeCount);

// Largest gene identifier of any chromosome (0 for an empty set).
long long maxFamilyId(const GenomeSet& set);

// Every gene 0 becomes a family of its own (max id + 1, + 2, ... in walk order).
void giveUnmatchedGenesFamilies(GenomeSet& set);

// Number of distinct gene identifiers.
int alphabetSizeOf(const GenomeSet& set);

// Recodes identifiers densely by first appearance; returns the number of codes.
int renumberFamilies(GenomeSet& set);

// alphabetSize = alphabetSizeOf, then renumberFamilies.
void completeGenomeSet(GenomeSet& set);

void printGenomeStatistics(FILE* stream, const GenomeSet& set);

}  // namespace tamsu::detail

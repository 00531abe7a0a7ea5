// Text reports: the gene-family statistics file, the reference-cluster report
// and the listing of the extracted gene clusters.
#include "results/reports.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

// ---------------------------------------------------------------------------
// Gene-family statistics

// Histogram of family sizes: per size s (ascending) that some family
// 1..alphabetSize has in the chromosome, how many families occur exactly s
// times. Built from the chromosome's genes alone, so a chromosome costs its
// length, not the alphabet.
using SizeHistogram = std::vector<std::pair<int, int>>;

static SizeHistogram sizeHistogram(const Chromosome& chrom, int alphabetSize) {
    std::vector<int> genes;
    for (int p = 1; p <= chrom.length() && p < static_cast<int>(chrom.genes.size()); ++p)
        if (chrom.genes[p] >= 1 && chrom.genes[p] <= alphabetSize) genes.push_back(chrom.genes[p]);
    std::sort(genes.begin(), genes.end());
    std::vector<int> sizes;  // per family present, how often it occurs
    for (size_t at = 0, end = 0; at < genes.size(); at = end) {
        while (end < genes.size() && genes[end] == genes[at]) ++end;
        sizes.push_back(static_cast<int>(end - at));
    }
    std::sort(sizes.begin(), sizes.end());
    SizeHistogram histogram;
    for (size_t at = 0, end = 0; at < sizes.size(); at = end) {
        while (end < sizes.size() && sizes[end] == sizes[at]) ++end;
        histogram.emplace_back(sizes[at], static_cast<int>(end - at));
    }
    return histogram;
}

std::string geneFamilyStatistics(FILE* stream, const GenomeSet& set, const std::string& fileName) {
    std::string text = "Statistics of gene family sizes:\n\n";
    std::fprintf(stream, "computing gene family statistics\n");

    std::vector<const Chromosome*> chromosomes;
    for (const Genome& genome : set.genomes)
        for (const Chromosome& chrom : genome.chromosomes) chromosomes.push_back(&chrom);
    std::vector<SizeHistogram> histograms;
    histograms.reserve(chromosomes.size());
    for (const Chromosome* chrom : chromosomes) histograms.push_back(sizeHistogram(*chrom, set.alphabetSize));

    for (size_t i = 0; i < chromosomes.size(); ++i)
        text += formatText("%s (%d genes): %d\n", chromosomes[i]->name.c_str(), chromosomes[i]->length(),
                           static_cast<int>(histograms[i].size()));
    text += "\n";

    for (size_t i = 0; i < chromosomes.size(); ++i) {
        text += formatText("%s (%d genes): %d\n", chromosomes[i]->name.c_str(), chromosomes[i]->length(),
                           static_cast<int>(histograms[i].size()));
        text += "size\tfreq\n";
        for (const auto& [size, families] : histograms[i]) text += formatText("%d\t%d\n", size, families);
        text += "\n";
    }

    std::fprintf(stream, "statistics of gene family sizes written to \"%s\"\n", fileName.c_str());
    return text;
}

// ---------------------------------------------------------------------------
// Reference clusters

void printLocations(FILE* stream, int genome, std::span<const Location> locations, const ReferenceCluster& cluster,
                    const GenomeSet& set) {
    const Chromosome& refChrom = set.genomes[cluster.refGenome].chromosomes[cluster.refChrom];
    auto inReference = [&](int c) {
        for (int p = cluster.l; p <= cluster.r; ++p)
            if (refChrom.genes[p] == c) return true;
        return false;
    };
    std::fprintf(stream, "%s:\n", set.genomes[genome].name.c_str());
    for (const Location& x : locations) {
        const Chromosome& chrom = set.genomes[x.genome].chromosomes[x.chr];
        std::fprintf(stream, "chr %d: ", x.chr);
        for (int bound : {999, 99, 9})
            if (x.l <= bound) std::fprintf(stream, " ");
        for (int bound : {999, 99, 9})
            if (x.r <= bound) std::fprintf(stream, " ");
        std::fprintf(stream, "[%d,%d],  pValue: %e\t setDist: ", x.l, x.r, x.pValue);
        if (x.setDist <= 9) std::fprintf(stream, " ");
        std::fprintf(stream, "%d,  hitCount: ", x.setDist);
        if (x.hitCount <= 9) std::fprintf(stream, " ");
        std::fprintf(stream, "%d,  location: ", x.hitCount);
        for (int p = x.l; p <= x.r; ++p) {
            const int c = chrom.genes[p];
            if (inReference(c))
                std::fprintf(stream, "%d ", set.codingTable[c]);
            else
                std::fprintf(stream, "(%d) ", set.codingTable[c]);
        }
        std::fprintf(stream, "\n");
    }
    std::fprintf(stream, "\n");
}

void printReferenceCluster(FILE* stream, const ReferenceCluster& cluster, const GenomeSet& set, int index) {
    std::fprintf(stream, "#%d\n", index);
    std::fprintf(stream, "Reference Occurrence:\n");
    for (int gene : cluster.genes) std::fprintf(stream, "%d ", gene);
    std::fprintf(stream, "\n");
    const Genome& genome = set.genomes[cluster.refGenome];
    std::fprintf(stream, "%s, Chr. %d, [%d,%d], ", genome.name.c_str(), cluster.refChrom, cluster.l, cluster.r);
    std::fprintf(stream, "%d genes, pValue: %e\n", cluster.size, cluster.pValue);
    const Chromosome& chrom = genome.chromosomes[cluster.refChrom];
    for (int p = cluster.l; p <= cluster.r; ++p) {
        const int code = chrom.genes[p];
        // host genomes carry no annotation
        const char* annotation = p < static_cast<int>(chrom.annotations.size()) ? chrom.annotations[p].c_str() : "";
        std::fprintf(stream, "%d\t%s\n", set.codingTable[code], annotation);
    }
    std::fprintf(stream, "\ndLocs:\n");
    for (int g = 0; g < cluster.genomeCount; ++g) printLocations(stream, g, cluster.locationsOf(g), cluster, set);
}

void printReferenceClusters(FILE* stream, const ReferenceClusterList& list, const GenomeSet& set) {
    int index = 0;
    for (const ReferenceCluster& cluster : list.clusters) printReferenceCluster(stream, cluster, set, index++);
}

// ---------------------------------------------------------------------------
// Extracted gene clusters

void printOccurrence(FILE* stream, const Occurrence& occ) {
    std::fprintf(stream, "genome %d, chr %d: [%d,%d] ", occ.genome, occ.chromosome, occ.first, occ.last);
    std::fprintf(stream, "dist: %d, pValue: %e", occ.distance, occ.pValue);
    if (occ.distance == 0) std::fprintf(stream, " RefOCC");
    std::fprintf(stream, "\n");
}

void printOccurrences(FILE* stream, const std::vector<Occurrence>& occList) {
    for (const Occurrence& occ : occList) {
        std::fprintf(stream, "\t\t");
        printOccurrence(stream, occ);
    }
}

void printOccurrenceSet(FILE* stream, const OccurrenceSet& set, int genomeCount) {
    std::fprintf(stream, "next ACI:  ");
    std::fprintf(stream, "pValue: %e, total dist: %d, support: %d, number of refOccs: %d\n", set.pValue,
                 set.totalDistance, set.genomesWithOccurrence, set.exactOccurrences);
    for (int g = 0; g < genomeCount && g < static_cast<int>(set.perGenome.size()); ++g)
        printOccurrences(stream, set.perGenome[g]);
    std::fprintf(stream, "finished\n");
}

void printOccurrenceSets(FILE* stream, const std::vector<OccurrenceSet>& sets, int genomeCount) {
    for (const OccurrenceSet& set : sets) printOccurrenceSet(stream, set, genomeCount);
}

void printGeneCluster(FILE* stream, const Cluster& cluster, const std::vector<int>& codes, int genomeCount) {
    std::fprintf(stream, "K = %d\n", genomeCount);
    std::fprintf(stream, "new Cluster: pValue = %e\n", cluster.pValue);
    std::fprintf(stream, "gene content: ");
    for (int code : codes) std::fprintf(stream, "%d ", code);
    std::fprintf(stream, "\n");
    std::fprintf(stream, "             type: %c, min total dist: %d, refGenomeNr: %d\n", tamsu::modeChar(cluster.mode),
                 cluster.minTotalDistance, cluster.referenceGenome);
    std::fprintf(stream, "\nbest clusters:\n");
    printOccurrenceSets(stream, cluster.best, genomeCount);
    std::fprintf(stream, "\nall clusters:\n");
    printOccurrenceSets(stream, cluster.all, genomeCount);
}

namespace {

// Runs print(s) on a memory stream and hands what it printed to stream in one
// write (directly on stream when no memory stream can be had). The listing
// goes to stderr, which is unbuffered: each fprintf call there is a system
// call of its own, several per occurrence line.
template <typename Print>
void printInOneWrite(FILE* stream, Print&& print) {
    char* text = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&text, &size);
    if (memory == nullptr) {
        print(stream);
        return;
    }
    print(memory);
    std::fclose(memory);
    std::unique_ptr<char, decltype(&std::free)> owned(text, &std::free);
    std::fwrite(owned.get(), 1, size, stream);
}

}  // namespace

void printGeneClusters(FILE* stream, const ClusterSource& clusters, const std::function<int(int)>& codeOf,
                       int genomeCount, FILE* keys) {
    std::fprintf(stream, "\n\ngene cluster list of size %zu\n", clusters.size());
    clusters.forEach([&](size_t, const Cluster& cluster) {
        std::vector<int> codes;
        for (int family : cluster.families) codes.push_back(codeOf(family));
        printInOneWrite(stream, [&](FILE* to) { printGeneCluster(to, cluster, codes, genomeCount); });
        // the reader sees the cluster before the listing waits for a key
        std::fflush(stream);
        // A keyboard that is gone (its end, or a read a signal broke off)
        // holds the listing no more.
        if (keys != nullptr && std::fgetc(keys) == EOF) keys = nullptr;
    });
}

}  // namespace tamsu::detail

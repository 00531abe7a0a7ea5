// One annotation file (GFF3 or GenBank, plain or gzip-compressed) read into
// gene records: what zub convert turns into chromosomes of gene families and
// zub families into protein sequences.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tamsu::detail {

struct AnnotatedGene {
    int region = 0;                                      // index into AnnotatedGenome::regions
    long long start = 0;                                 // 1-based span along the forward strand; past the
    long long end = 0;                                   // region's length for a gene across the origin
    char strand = '?';                                   // '+', '-' or '?'
    int phase = 0;                                       // bases before the first codon
    std::vector<std::pair<long long, long long>> parts;  // ranges in transcription order (one at least)
    std::vector<std::string> ids;       // candidates for the gene's id: the id attribute's value, then ID (non-empty)
    std::vector<std::string> otherIds;  // further names a protein file may use: protein_id, Name, locus_tag, gene
    std::string product;                // product, else gene, else Name
    std::string geneName;               // the gene attribute (dnaA): a figure's label
    std::string translation;            // the file's own protein sequence (GenBank /translation)
    bool pseudo = false;                // marked as pseudogene (GenBank /pseudo, GFF3 pseudo=true)
    int order = 0;                      // index in the file's order (kept by sortGenes)
};

struct AnnotatedGenome {
    std::string name;  // the file name without .gz and extension, ':' ',' and tabs as '_'
    std::string path;
    std::vector<std::string> regions;          // sequence ids; by first appearance until sortGenes
    std::vector<long long> regionLengths;      // 0 where the file does not tell
    std::vector<AnnotatedGene> genes;          // in file order until sortGenes
    std::vector<std::string> declaredRegions;  // in the file's order
};

// Reads every feature of type featureType as a gene; consecutive lines of a
// GFF3 feature with one ID make one gene. idAttribute names the attribute
// whose value comes first among a gene's ids. With sequences, the file's
// nucleotide sequences (GFF3 ##FASTA, GenBank ORIGIN) are read into it.
// Throws tamsu::Error naming the file (and line) of malformed input and of a
// file without any such feature.
AnnotatedGenome readAnnotatedGenome(const std::string& path, const std::string& featureType,
                                    const std::string& idAttribute,
                                    std::unordered_map<std::string, std::string>* sequences = nullptr);

// Regions in the order the file declares them (undeclared ones after), genes
// by region, start and end (stable).
void sortGenes(AnnotatedGenome& genome);

// The protein of a coding sequence (translation table 11, bacteria and
// archaea): its parts of sequence (1-based) joined, reverse-complemented on
// the '-' strand, phase bases skipped; an alternative start codon gives M; a
// final stop is dropped, an inner stop or an unknown codon gives X. Empty
// when a part lies outside the sequence.
std::string translateCds(const std::string& sequence, const AnnotatedGene& gene);

}  // namespace tamsu::detail

// The genes of a genome set with what zub convert's side table (genes.tsv)
// adds to the annotation file: gene names, family names, products and
// coordinates. Tables, figures and the HTML report read genes through it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "genomes/genomeSet.h"

namespace tamsu::detail {

struct GeneInfo {
    std::string locusTag;
    std::string geneName;    // empty without one (a figure then shows the locus tag)
    std::string familyName;  // empty without one
    std::string product;     // the annotation file's text where there is no side table
    long long start = 0;     // 1-based along the forward strand; 0: unknown
    long long end = 0;
    char strand = '?';
    int familyId = 0;        // as read
};

class GeneTable {
public:
    // The side table "genes.tsv" beside the annotation file when there is one,
    // else what the annotation file holds. Throws tamsu::Error naming the file
    // and line of a side table that does not fit the genomes (written for
    // another conversion).
    static GeneTable of(const GenomeSet& set);

    // Whether every gene has coordinates (lengths can be drawn to scale).
    bool hasCoordinates() const { return coordinates_; }
    const std::string& path() const { return path_; }
    // The gene at a 1-based position.
    const GeneInfo& gene(int genome, int chromosome, int position) const {
        return genes_[genome][chromosome][position];
    }
    // A family's name (empty without one) and the product most of its genes carry.
    std::string familyName(int id) const;
    std::string familyProduct(int id) const;
    // A family given by its id or its name; nothing when no gene has it.
    std::optional<int> familyId(const std::string& text) const;

private:
    std::vector<std::vector<std::vector<GeneInfo>>> genes_;  // [genome][chromosome][position], 0 unused
    std::map<int, std::string> names_;
    std::map<int, std::string> products_;
    std::unordered_map<std::string, int> byName_;
    bool coordinates_ = false;
    std::string path_;
};

}  // namespace tamsu::detail

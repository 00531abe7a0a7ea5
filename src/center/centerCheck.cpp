// Center test over a k-tuple list: one 0/1 row per non-empty occurrence, one
// column per gene of their union.
#include "center/centerCheck.h"

#include <algorithm>
#include <vector>

#include "center/bincenter.h"

namespace tamsu::detail {

namespace {

// Ascending distinct gene ids at positions l..r of the interval's chromosome;
// positions outside the chromosome are not read.
std::vector<int> distinctGenes(const GenomeSet& set, int g, const TupleOccurrence& iv) {
    std::vector<int> genes;
    if (g < 0 || g >= static_cast<int>(set.genomes.size())) return genes;
    const Genome& genome = set.genomes[g];
    if (iv.chr < 0 || iv.chr >= static_cast<int>(genome.chromosomes.size())) return genes;
    const std::vector<int>& chromGenes = genome.chromosomes[iv.chr].genes;
    int from = std::max(iv.l, 0);
    int to = std::min(iv.r, static_cast<int>(chromGenes.size()) - 1);
    for (int p = from; p <= to; ++p) genes.push_back(chromGenes[p]);
    std::sort(genes.begin(), genes.end());
    genes.erase(std::unique(genes.begin(), genes.end()), genes.end());
    return genes;
}

}  // namespace

void check_center_condition(TupleList* list, const GenomeSet& set, int pwDelta) {
    if (list == nullptr) return;
    std::vector<std::vector<int>> rowGenes;
    std::vector<int> columns;
    for (ClusterTuple& tuple : list->tuples) {
        rowGenes.clear();
        columns.clear();
        for (int g = 0; g < list->k; ++g) {
            const TupleOccurrence& iv = tuple.perGenome[g];
            if (iv.l > iv.r) continue;
            rowGenes.push_back(distinctGenes(set, g, iv));
            columns.insert(columns.end(), rowGenes.back().begin(), rowGenes.back().end());
        }
        std::sort(columns.begin(), columns.end());
        columns.erase(std::unique(columns.begin(), columns.end()), columns.end());

        bincenter_inst instance(static_cast<int>(rowGenes.size()), static_cast<int>(columns.size()), pwDelta);
        for (int i = 0; i < instance.rowCount; ++i) {
            // Both lists ascend, so one walk along the union places every gene.
            unsigned char* row = instance.row(i);
            size_t c = 0;
            for (int gene : rowGenes[i]) {
                while (columns[c] < gene) ++c;
                row[c] = 1;
            }
        }
        tuple.centerState = 0;
        tuple.centerState = find_bincenter(instance, bincenterSymbols{1, 0}) ? 2 : 1;
    }
}

}  // namespace tamsu::detail

// Cluster figures. Genes are arrows along their strand, as long as their
// coordinates say (equal widths without coordinates), named by gene name or
// locus tag; every occurrence is turned to the reading direction of the
// reference occurrence, which itself is turned so that most of its genes
// point right; long occurrences wrap so that a figure stays at most about
// 1500 px wide.
#include "plot/clusterPlot.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "tamsu/outputFile.h"
#include "util/errors.h"
#include "util/program.h"
#include "util/strings.h"

namespace tamsu::detail {

namespace {

constexpr int kLabelWidth = 240;  // genome names on the left
constexpr int kMaxDrawWidth = 1200;
constexpr int kSlot = 40, kSlotGap = 4;  // equal gene widths without coordinates
constexpr int kArrowHeight = 16, kNameBand = 46, kLineGap = 14;
constexpr double kMinBpPerPx = 12, kMaxBpPerPx = 40;

}  // namespace

std::string xmlText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters are not allowed in XML 1.0 text.
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

namespace {

std::string escaped(const std::string& text) { return xmlText(text); }

std::string shortened(const std::string& text, size_t most) {
    if (text.size() <= most) return text;
    size_t cut = most - 1;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a UTF-8 character
    return text.substr(0, cut) + "…";
}

// Twenty colours that stay apart in print and on screen (after Sasha
// Trubetskoy's list of distinct colours, grey left out: it marks the genes
// outside the cluster), ordered so that neighbours differ most.
constexpr const char* kPalette[] = {"#e6194b", "#3cb44b", "#4363d8", "#f58231", "#911eb4", "#ffe119", "#46f0f0",
                                    "#f032e6", "#bcf60c", "#008080", "#9a6324", "#800000", "#000075", "#fabebe",
                                    "#aaffc3", "#808000", "#e6beff", "#ffd8b1", "#fffac8", "#1f77b4"};
constexpr int kPaletteSize = 20;

// One drawn gene of an occurrence line.
struct DrawnGene {
    int position = 0;
    double x0 = 0, x1 = 0;  // pixels from the line's start, x0 < x1
    bool pointsRight = true;
    bool knownStrand = true;
    bool inside = true;  // in the occurrence, not a flank
    int colour = -1;     // index into the palette; -1: no family of the cluster
};

struct DrawnLine {
    const TableOccurrence* row = nullptr;
    bool reversed = false;
    std::vector<DrawnGene> genes;
    double width = 0;
};

// The occurrence's genes with the flanks, in chromosome order.
std::pair<int, int> extent(const TableOccurrence& row, const Chromosome& chrom, int flank) {
    return {std::max(1, row.first - flank), std::min(chrom.length(), row.last + flank)};
}

// The order of the cluster's families along an occurrence (first gene of each).
std::vector<int> familyOrder(const TableOccurrence& row, const GeneTable& genes, const std::set<int>& members) {
    std::vector<int> order;
    for (int p = row.first; p <= row.last; ++p) {
        const int id = genes.gene(row.genome, row.chromosome, p).familyId;
        if (members.count(id) != 0 && std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
    }
    return order;
}

// +1 when most of the occurrence's genes of the cluster lie on the plus
// strand, -1 on the minus strand, 0 when as many lie on either.
int strandBalance(const TableOccurrence& row, const GeneTable& genes, const std::set<int>& members) {
    int balance = 0;
    for (int p = row.first; p <= row.last; ++p) {
        const GeneInfo& gene = genes.gene(row.genome, row.chromosome, p);
        if (members.count(gene.familyId) != 0) balance += gene.strand == '+' ? 1 : gene.strand == '-' ? -1 : 0;
    }
    return (balance > 0) - (balance < 0);
}

// Whether an occurrence reads against the reference: the pairs of shared
// families in the other order outnumber those in the same order; a tie is
// decided by the strands.
bool readsAgainst(const TableOccurrence& row, const TableOccurrence& reference, const GeneTable& genes,
                  const std::set<int>& members) {
    const std::vector<int> own = familyOrder(row, genes, members), ref = familyOrder(reference, genes, members);
    std::map<int, int> rank;
    for (size_t i = 0; i < ref.size(); ++i) rank[ref[i]] = static_cast<int>(i);
    std::vector<int> ranks;
    for (int id : own)
        if (rank.count(id) != 0) ranks.push_back(rank[id]);
    long long same = 0, other = 0;
    for (size_t i = 0; i < ranks.size(); ++i)
        for (size_t j = i + 1; j < ranks.size(); ++j) (ranks[i] < ranks[j] ? same : other) += 1;
    if (same != other) return other > same;
    const int a = strandBalance(row, genes, members), b = strandBalance(reference, genes, members);
    return a != 0 && b != 0 && a != b;
}

std::string arrow(double x0, double x1, double y, bool right, bool knownStrand) {
    const double h = kArrowHeight, tip = std::min(8.0, (x1 - x0) * 0.6);
    if (!knownStrand) return formatText("%.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f", x0, y, x1, y, x1, y + h, x0, y + h);
    if (right)
        return formatText("%.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f", x0, y, x1 - tip, y, x1, y + h / 2,
                          x1 - tip, y + h, x0, y + h);
    return formatText("%.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f", x1, y, x0 + tip, y, x0, y + h / 2, x0 + tip,
                      y + h, x1, y + h);
}

// A scale bar of a round length about 80-200 px long.
std::pair<long long, std::string> scaleLength(double bpPerPx) {
    for (long long length : {100LL, 200LL, 500LL, 1000LL, 2000LL, 5000LL, 10000LL, 20000LL, 50000LL})
        if (length / bpPerPx >= 80)
            return {length, length >= 1000 ? std::to_string(length / 1000) + " kb" : std::to_string(length) + " bp"};
    return {100000, "100 kb"};
}

}  // namespace

std::string clusterSvg(const TableCluster& cluster, int group, const GenomeSet& set, const GeneTable& genes,
                       int flank) {
    if (cluster.rows.empty()) return {};
    const TableOccurrence& head = *cluster.rows.front();
    const std::set<int> members(cluster.families.begin(), cluster.families.end());

    // One line per genome: its occurrences in a best set, else its closest one.
    std::vector<const TableOccurrence*> drawn;
    std::vector<int> absent;
    for (int g = 0; g < set.genomeCount(); ++g) {
        std::vector<const TableOccurrence*> own;
        for (const TableOccurrence* row : cluster.rows)
            if (row->genome == g && row->best) own.push_back(row);
        for (const TableOccurrence* row : cluster.rows)
            if (own.empty() && row->genome == g) own.push_back(row);
        if (own.empty()) absent.push_back(g);
        drawn.insert(drawn.end(), own.begin(), own.end());
    }
    // The reference occurrence (reference modes: the one of score 1 at
    // distance 0), else the first drawn; it reads along its majority strand.
    const TableOccurrence* reference = drawn.front();
    if (head.mode == "reference" || head.mode == "perfect")
        for (const TableOccurrence* row : drawn)
            if (row->setDistance == 0 && row->occurrenceScore == "1.000000e+00") {
                reference = row;
                break;
            }
    const bool referenceReversed = strandBalance(*reference, genes, members) < 0;

    // Colours in the reference's reading order, the rest in set order.
    std::vector<int> colourOrder = familyOrder(*reference, genes, members);
    if (referenceReversed) std::reverse(colourOrder.begin(), colourOrder.end());
    for (int id : cluster.families)
        if (std::find(colourOrder.begin(), colourOrder.end(), id) == colourOrder.end()) colourOrder.push_back(id);
    std::map<int, int> colourOf;
    for (size_t i = 0; i < colourOrder.size(); ++i) colourOf[colourOrder[i]] = static_cast<int>(i);

    // The scale: the longest line fits the width unless genes would get too
    // small; such a line wraps.
    const bool toScale = genes.hasCoordinates();
    double longest = 0;
    for (const TableOccurrence* row : drawn) {
        const Chromosome& chrom = set.genomes[row->genome].chromosomes[row->chromosome];
        const auto [from, to] = extent(*row, chrom, flank);
        if (toScale) {
            long long low = genes.gene(row->genome, row->chromosome, from).start, high = 0;
            for (int p = from; p <= to; ++p) {
                low = std::min(low, genes.gene(row->genome, row->chromosome, p).start);
                high = std::max(high, genes.gene(row->genome, row->chromosome, p).end);
            }
            longest = std::max(longest, static_cast<double>(high - low + 1));
        } else {
            longest = std::max(longest, static_cast<double>((to - from + 1) * (kSlot + kSlotGap)));
        }
    }
    const double bpPerPx = toScale ? std::clamp(longest / kMaxDrawWidth, kMinBpPerPx, kMaxBpPerPx) : 1.0;

    std::vector<DrawnLine> lines;
    for (const TableOccurrence* row : drawn) {
        const Chromosome& chrom = set.genomes[row->genome].chromosomes[row->chromosome];
        const auto [from, to] = extent(*row, chrom, flank);
        DrawnLine line;
        line.row = row;
        line.reversed = row == reference ? referenceReversed
                                         : readsAgainst(*row, *reference, genes, members) != referenceReversed;
        long long low = 0, high = 0;
        if (toScale) {
            low = genes.gene(row->genome, row->chromosome, from).start;
            for (int p = from; p <= to; ++p) {
                low = std::min(low, genes.gene(row->genome, row->chromosome, p).start);
                high = std::max(high, genes.gene(row->genome, row->chromosome, p).end);
            }
        }
        for (int p = from; p <= to; ++p) {
            const GeneInfo& gene = genes.gene(row->genome, row->chromosome, p);
            DrawnGene shape;
            shape.position = p;
            if (toScale) {
                shape.x0 = static_cast<double>(line.reversed ? high - gene.end : gene.start - low) / bpPerPx;
                shape.x1 = static_cast<double>(line.reversed ? high - gene.start + 1 : gene.end - low + 1) / bpPerPx;
            } else {
                const int slot = line.reversed ? to - p : p - from;
                shape.x0 = slot * (kSlot + kSlotGap);
                shape.x1 = shape.x0 + kSlot;
            }
            shape.knownStrand = gene.strand == '+' || gene.strand == '-';
            shape.pointsRight = (gene.strand == '+') != line.reversed;
            shape.inside = p >= row->first && p <= row->last;
            const auto colour = colourOf.find(gene.familyId);
            shape.colour = colour == colourOf.end() ? -1 : colour->second;
            line.width = std::max(line.width, shape.x1);
            line.genes.push_back(shape);
        }
        lines.push_back(std::move(line));
    }
    double widest = 0;
    for (const DrawnLine& line : lines) widest = std::max(widest, line.width);
    const int drawWidth = std::max(300, static_cast<int>(std::ceil(std::min<double>(widest, kMaxDrawWidth))));
    auto pieces = [&](const DrawnLine& line) { return std::max(1, static_cast<int>(std::ceil(line.width / drawWidth))); };
    const int lineHeight = kNameBand + kArrowHeight + kLineGap;

    const int top = 64;
    int height = top;
    for (const DrawnLine& line : lines) height += pieces(line) * lineHeight + 6;
    height += static_cast<int>(absent.size()) * 24;
    const int scaleTop = height + 8;
    const int legendTop = scaleTop + (toScale ? 34 : 4);
    // A long legend goes into two columns.
    const int legendRows = static_cast<int>(colourOrder.size() > 24 ? (colourOrder.size() + 1) / 2 : colourOrder.size());
    height = legendTop + legendRows * 17 + 14;
    const int width = kLabelWidth + drawWidth + 60;

    std::string svg = formatText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
        "font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"12\">\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
        width, height, width, height);
    std::string title = formatText("cluster %d", cluster.number);
    if (group >= 0) title += formatText(" (group %d)", group);
    title += formatText(": %zu gene families, %s mode, log10 score %.1f", cluster.families.size(),
                        head.mode.c_str(), cluster.log10Score);
    svg += formatText("<text x=\"12\" y=\"22\" font-size=\"15\" font-weight=\"bold\">%s</text>\n",
                      escaped(title).c_str());
    const std::string note =
        std::string(toScale ? formatText("genes to scale (1 px = %.0f bp)", bpPerPx) : "genes of equal width") +
        "; every occurrence read in the direction of the reference occurrence (" +
        set.genomes[reference->genome].name + "), reversed ones marked; faded: flanking genes; grey: families "
        "outside the cluster";
    svg += formatText("<text x=\"12\" y=\"40\" fill=\"#555\" font-size=\"11\">%s</text>\n", escaped(note).c_str());

    int y = top;
    for (const DrawnLine& line : lines) {
        const TableOccurrence& row = *line.row;
        const Genome& genome = set.genomes[row.genome];
        const Chromosome& chrom = genome.chromosomes[row.chromosome];
        svg += formatText("<g class=\"occurrence\" data-genome=\"%s\" data-reversed=\"%d\">\n",
                          escaped(genome.name).c_str(), line.reversed ? 1 : 0);
        const int arrowTop = y + kNameBand;
        svg += formatText("<text x=\"12\" y=\"%d\" font-weight=\"bold\">%s</text>\n", arrowTop + 4,
                          escaped(shortened(genome.name, 28)).c_str());
        svg += formatText("<text x=\"12\" y=\"%d\" fill=\"#444\" font-size=\"11\">%s %d-%d%s</text>\n",
                          arrowTop + 19, escaped(shortened(chrom.name, 18)).c_str(), row.first, row.last,
                          line.reversed ? ", reversed" : "");
        for (const DrawnGene& shape : line.genes) {
            const int piece = std::min(pieces(line) - 1, static_cast<int>(shape.x0 / drawWidth));
            const double shift = kLabelWidth - static_cast<double>(piece) * drawWidth;
            const double x0 = shape.x0 + shift, x1 = shape.x1 + shift;
            const int lineTop = arrowTop + piece * lineHeight;
            const GeneInfo& gene = genes.gene(row.genome, row.chromosome, shape.position);
            const std::string name = gene.geneName.empty() ? gene.locusTag : gene.geneName;
            const std::string family = genes.familyName(gene.familyId);
            std::string hover = gene.locusTag + (gene.geneName.empty() ? "" : " " + gene.geneName) + ": " +
                                gene.product + " (family " + std::to_string(gene.familyId) +
                                (family.empty() ? "" : " " + family) + ", gene " + std::to_string(shape.position);
            if (gene.start > 0) hover += formatText(", %lld-%lld", gene.start, gene.end);
            hover += std::string(", strand ") + gene.strand + ")";
            svg += formatText("<g class=\"gene\"><title>%s</title><polygon points=\"%s\" fill=\"%s\" stroke=\"#333\" "
                              "stroke-width=\"0.7\"%s/>",
                              escaped(hover).c_str(), arrow(x0, x1, lineTop, shape.pointsRight, shape.knownStrand).c_str(),
                              shape.colour >= 0 ? kPalette[shape.colour % kPaletteSize] : "#d9d9d9",
                              shape.inside ? "" : " opacity=\"0.45\"");
            // The name above its gene: level where it fits, slanted where not.
            const std::string label = shortened(name, 16);
            const double centre = (x0 + x1) / 2, textWidth = 6.0 * static_cast<double>(label.size());
            if (textWidth <= x1 - x0 + 6)
                svg += formatText("<text x=\"%.1f\" y=\"%d\" font-size=\"10\" text-anchor=\"middle\"%s>%s</text>",
                                  centre, lineTop - 4, shape.inside ? "" : " fill=\"#888\"", escaped(label).c_str());
            else
                svg += formatText("<text transform=\"translate(%.1f,%d) rotate(-40)\" font-size=\"10\"%s>%s</text>",
                                  centre - 2, lineTop - 3, shape.inside ? "" : " fill=\"#888\"", escaped(label).c_str());
            svg += "</g>\n";
        }
        svg += "</g>\n";
        y += pieces(line) * lineHeight + 6;
    }
    for (int g : absent) {
        svg += formatText("<text x=\"12\" y=\"%d\" font-weight=\"bold\">%s</text><text x=\"%d\" y=\"%d\" "
                          "fill=\"#444\">no occurrence</text>\n",
                          y + 16, escaped(shortened(set.genomes[g].name, 28)).c_str(), kLabelWidth, y + 16);
        y += 24;
    }
    if (toScale) {
        const auto [length, text] = scaleLength(bpPerPx);
        const double x1 = kLabelWidth + static_cast<double>(length) / bpPerPx;
        svg += formatText("<g class=\"scale\"><path d=\"M%d %d V%d H%.1f V%d\" fill=\"none\" stroke=\"#222\" "
                          "stroke-width=\"1.2\"/><text x=\"%.1f\" y=\"%d\" font-size=\"11\">%s</text></g>\n",
                          kLabelWidth, scaleTop, scaleTop + 6, x1, scaleTop, x1 + 6, scaleTop + 8, text.c_str());
    }
    // The legend: colour, family name (or id), gene names and product.
    for (size_t i = 0; i < colourOrder.size(); ++i) {
        const int column = static_cast<int>(i) / std::max(legendRows, 1), x = 12 + column * (width / 2);
        y = legendTop + (static_cast<int>(i) % std::max(legendRows, 1)) * 17;
        const int id = colourOrder[i];
        std::map<std::string, int> geneNames;
        for (const DrawnLine& line : lines)
            for (const DrawnGene& shape : line.genes) {
                const GeneInfo& gene = genes.gene(line.row->genome, line.row->chromosome, shape.position);
                if (gene.familyId == id && !gene.geneName.empty()) ++geneNames[gene.geneName];
            }
        std::string names;
        for (const auto& [name, count] : geneNames) names += (names.empty() ? "" : "/") + name;
        const std::string family = genes.familyName(id);
        std::string text = (family.empty() ? std::to_string(id) : family) + (names.empty() ? "" : "  " + names);
        const std::string product = genes.familyProduct(id);
        if (!product.empty()) text += "  " + product;
        svg += formatText("<rect x=\"%d\" y=\"%d\" width=\"22\" height=\"11\" fill=\"%s\" stroke=\"#333\" "
                          "stroke-width=\"0.6\"/><text x=\"%d\" y=\"%d\" font-size=\"11\">%s</text>\n",
                          x, y, kPalette[static_cast<int>(i) % kPaletteSize], x + 30, y + 10,
                          escaped(shortened(text, legendRows < static_cast<int>(colourOrder.size()) ? 105 : 150)).c_str());
    }
    return svg + "</svg>\n";
}

std::vector<size_t> chooseClusters(const std::vector<TableCluster>& clusters, const std::vector<int>& groups,
                                   const tamsu::PlotOptions& options) {
    std::vector<size_t> chosen;
    if (!options.clusters.empty()) {
        for (int number : options.clusters) {
            size_t i = 0;
            while (i < clusters.size() && clusters[i].number != number) ++i;
            if (i == clusters.size()) fail(Stream::err, "error: --cluster %d: the table has no cluster %d\n", number, number);
            if (std::find(chosen.begin(), chosen.end(), i) == chosen.end()) chosen.push_back(i);
        }
        return chosen;
    }
    std::vector<size_t> ranked;
    for (size_t i = 0; i < clusters.size(); ++i) {
        const std::vector<int>& set = clusters[i].families;
        if (std::all_of(options.families.begin(), options.families.end(),
                        [&](int id) { return std::find(set.begin(), set.end(), id) != set.end(); }))
            ranked.push_back(i);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [&](size_t a, size_t b) { return clusters[a].log10Score < clusters[b].log10Score; });
    std::set<int> seen;
    for (size_t i : ranked) {
        if (static_cast<int>(chosen.size()) >= options.top) break;
        if (options.ungrouped || seen.insert(groups[i]).second) chosen.push_back(i);
    }
    return chosen;
}

std::vector<std::string> plotClusterTable(const std::string& tablePath, const GenomeSet& set,
                                          const tamsu::PlotOptions& options) {
    namespace fs = std::filesystem;
    if (options.top < 1 || options.flank < 0)
        fail(Stream::err, "error: the number of clusters must be at least 1 and the flank at least 0\n");
    const std::vector<TableOccurrence> rows = readClusterTable(tablePath, set);
    const std::vector<TableCluster> clusters = clustersOf(rows);
    const std::vector<int> groups = groupsOf(clusters);
    const std::vector<size_t> chosen = chooseClusters(clusters, groups, options);
    const GeneTable genes = GeneTable::of(set);

    std::error_code error;
    fs::create_directories(options.directory, error);
    if (error || !fs::is_directory(options.directory))
        fail(Stream::err, "error: cannot create the folder \"%s\"%s%s\n", options.directory.c_str(), error ? ": " : "",
             error ? error.message().c_str() : "");
    // Every picture's name is checked before any is written: none may be an
    // input or a link to one. Then all are written and renamed together.
    std::vector<std::string> inputs{set.listPath, set.sourcePath, tablePath};
    if (!genes.path().empty()) inputs.push_back(genes.path());
    std::vector<std::string> extensions{"svg"};
    if (options.png) extensions.push_back("png");
    if (options.pdf) extensions.push_back("pdf");
    std::vector<std::string> written;
    for (size_t i : chosen)
        for (const std::string& extension : extensions) {
            written.push_back(
                (fs::path(options.directory) / formatText("cluster_%d.%s", clusters[i].number, extension.c_str()))
                    .string());
            tamsu::checkOutputPath(written.back(), inputs);
        }
    std::vector<std::unique_ptr<tamsu::AtomicOutputFile>> files;
    const std::string log = (fs::path(options.directory) / ".rsvg-convert.log").string();
    for (size_t i : chosen) {
        files.push_back(std::make_unique<tamsu::AtomicOutputFile>(written[files.size()]));
        const std::string svg = clusterSvg(clusters[i], groups[i], set, genes, options.flank);
        std::fwrite(svg.data(), 1, svg.size(), files.back()->get());
        files.back()->finishWriting();
        const std::string svgPath = files.back()->temporaryPath();
        for (size_t e = 1; e < extensions.size(); ++e) {
            files.push_back(std::make_unique<tamsu::AtomicOutputFile>(written[files.size()]));
            files.back()->finishWriting();
            std::vector<std::string> words{options.converter, "-f", extensions[e], "-o", files.back()->temporaryPath()};
            if (extensions[e] == "png") words.insert(words.end(), {"-z", "2", "-b", "white"});
            words.push_back(svgPath);
            const int status = runProgram(words, log);
            std::error_code ignored;
            if (status != 0) {
                fs::remove(log, ignored);
                if (status < 0)
                    fail(Stream::err, "error: cannot run %s for the %s figures: %s (Debian's librsvg2-bin has it)\n",
                         options.converter.c_str(), extensions[e].c_str(), std::strerror(errno));
                fail(Stream::err, "error: %s could not convert cluster %d to %s (status %d)\n",
                     options.converter.c_str(), clusters[i].number, extensions[e].c_str(), status);
            }
            fs::remove(log, ignored);
        }
    }
    std::vector<tamsu::AtomicOutputFile*> commits;
    for (const auto& file : files) commits.push_back(file.get());
    tamsu::commitTogether(commits);
    return written;
}

}  // namespace tamsu::detail

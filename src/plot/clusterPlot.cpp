// SVG drawing of clusters: genes as arrows of equal width in chromosome
// order, pointing along their strand, coloured by family; flanking genes
// faded; every gene carries a <title> with its locus tag and annotation.
#include "plot/clusterPlot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "tamsu/outputFile.h"
#include "util/errors.h"
#include "util/strings.h"
#include "util/textFile.h"

namespace tamsu::detail {

namespace {

constexpr int kGeneWidth = 46, kGap = 6, kArrowHeight = 20, kRowHeight = 48, kLabelWidth = 260, kTop = 56;


std::string escaped(const std::string& text) {
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

// Twelve well-separated colours first, then hues a golden angle apart.
std::string familyColour(int index) {
    static constexpr const char* kPalette[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f", "#edc948",
                                               "#b07aa1", "#ff9da7", "#9c755f", "#86bcb6", "#d37295", "#a0cbe8"};
    if (index < 12) return kPalette[index];
    const double h = std::fmod(index * 137.508, 360.0) / 60.0, s = 0.55, l = index % 2 == 0 ? 0.55 : 0.7;
    const double c = (1 - std::fabs(2 * l - 1)) * s, x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1)), m = l - c / 2;
    double rgb[3] = {0, 0, 0};
    const int sector = static_cast<int>(h);
    const int order[6][3] = {{0, 1, 2}, {1, 0, 2}, {1, 2, 0}, {2, 1, 0}, {2, 0, 1}, {0, 2, 1}};
    rgb[order[sector][0]] = c;
    rgb[order[sector][1]] = x;
    return formatText("#%02x%02x%02x", static_cast<int>(std::lround((rgb[0] + m) * 255)),
                      static_cast<int>(std::lround((rgb[1] + m) * 255)), static_cast<int>(std::lround((rgb[2] + m) * 255)));
}

std::string arrow(int x, int y, char strand) {
    const int w = kGeneWidth, h = kArrowHeight, tip = 10;
    if (strand == '+')
        return formatText("%d,%d %d,%d %d,%d %d,%d %d,%d", x, y, x + w - tip, y, x + w, y + h / 2, x + w - tip, y + h, x, y + h);
    if (strand == '-')
        return formatText("%d,%d %d,%d %d,%d %d,%d %d,%d", x + w, y, x + tip, y, x, y + h / 2, x + tip, y + h, x + w, y + h);
    return formatText("%d,%d %d,%d %d,%d %d,%d", x, y, x + w, y, x + w, y + h, x, y + h);
}

}  // namespace

std::string clusterSvg(const std::vector<TableOccurrence>& rows, const GenomeSet& set, int flank) {
    if (rows.empty()) return {};
    const TableOccurrence& head = rows.front();
    std::map<int, int> colourOf;  // family id as read -> index of its colour
    for (int id : head.families) colourOf.emplace(id, static_cast<int>(colourOf.size()));

    // One line per genome: its occurrences in a best set, else its closest one.
    std::vector<const TableOccurrence*> drawn;
    std::vector<int> absent;
    for (int g = 0; g < set.genomeCount(); ++g) {
        std::vector<const TableOccurrence*> own;
        for (const TableOccurrence& row : rows)
            if (row.genome == g && row.best) own.push_back(&row);
        for (const TableOccurrence& row : rows)
            if (own.empty() && row.genome == g) own.push_back(&row);
        if (own.empty()) absent.push_back(g);
        drawn.insert(drawn.end(), own.begin(), own.end());
    }
    int slots = 1;
    for (const TableOccurrence* row : drawn) slots = std::max(slots, row->last - row->first + 1 + 2 * flank);
    const int lines = static_cast<int>(drawn.size() + absent.size());
    const int legendTop = kTop + lines * kRowHeight + 16;
    const int width = kLabelWidth + slots * (kGeneWidth + kGap) + 20;
    const int height = legendTop + static_cast<int>(colourOf.size()) * 18 + 16;

    std::string svg = formatText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
        "font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"12\">\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
        width, height, width, height);
    std::string families;
    for (int id : head.families) families += (families.empty() ? "" : ", ") + std::to_string(id);
    svg += formatText("<text x=\"12\" y=\"22\" font-size=\"15\" font-weight=\"bold\">cluster %d (%s): %zu families, "
                      "score %s</text>\n<text x=\"12\" y=\"40\" fill=\"#555\">families %s</text>\n",
                      head.cluster, escaped(head.mode).c_str(), head.families.size(), escaped(head.score).c_str(),
                      escaped(families).c_str());

    std::map<int, std::string> legendText;
    int y = kTop;
    for (const TableOccurrence* row : drawn) {
        const Genome& genome = set.genomes[row->genome];
        const Chromosome& chrom = genome.chromosomes[row->chromosome];
        svg += formatText("<g class=\"occurrence\">\n<text x=\"12\" y=\"%d\" font-weight=\"bold\">%s</text>\n"
                          "<text x=\"12\" y=\"%d\" fill=\"#444\">%s %d-%d, distance %d</text>\n",
                          y + 13, escaped(genome.name).c_str(), y + 29, escaped(chrom.name).c_str(), row->first,
                          row->last, row->setDistance);
        const int from = std::max(1, row->first - flank), to = std::min(chrom.length(), row->last + flank);
        for (int p = from; p <= to; ++p) {
            const int x = kLabelWidth + (p - (row->first - flank)) * (kGeneWidth + kGap);
            const int id = set.codingTable[chrom.genes[p]];
            const auto colour = colourOf.find(id);
            const bool inside = p >= row->first && p <= row->last;
            const char strand = p < static_cast<int>(chrom.dirs.size()) ? chrom.dirs[p] : '?';
            const std::string tag = p < static_cast<int>(chrom.locusTags.size()) ? chrom.locusTags[p] : std::string();
            const std::string note = p < static_cast<int>(chrom.annotations.size()) ? chrom.annotations[p] : std::string();
            if (colour != colourOf.end() && legendText.count(id) == 0) legendText[id] = note;
            svg += formatText(
                "<g class=\"gene\"><title>%s: %s (family %d, gene %d, strand %c)</title>"
                "<polygon points=\"%s\" fill=\"%s\" stroke=\"#333\" stroke-width=\"0.8\"%s/>",
                escaped(tag).c_str(), escaped(note).c_str(), id, p, strand, arrow(x, y + 6, strand).c_str(),
                colour != colourOf.end() ? familyColour(colour->second).c_str() : "#d4d4d4",
                inside ? "" : " opacity=\"0.45\"");
            if (colour != colourOf.end())
                svg += formatText("<text x=\"%d\" y=\"%d\" font-size=\"9\" text-anchor=\"middle\">%d</text>",
                                  x + kGeneWidth / 2, y + 20, id);
            svg += "</g>\n";
        }
        svg += "</g>\n";
        y += kRowHeight;
    }
    for (int g : absent) {
        svg += formatText("<text x=\"12\" y=\"%d\" font-weight=\"bold\">%s</text>\n<text x=\"12\" y=\"%d\" "
                          "fill=\"#444\">no occurrence</text>\n",
                          y + 13, escaped(set.genomes[g].name).c_str(), y + 29);
        y += kRowHeight;
    }
    y = legendTop;
    for (const auto& [id, index] : colourOf) {
        std::string note = legendText[id];
        if (note.size() > 90) note = note.substr(0, 87) + "...";
        svg += formatText("<rect x=\"12\" y=\"%d\" width=\"12\" height=\"12\" fill=\"%s\" stroke=\"#333\" "
                          "stroke-width=\"0.6\"/><text x=\"30\" y=\"%d\">%d %s</text>\n",
                          y, familyColour(index).c_str(), y + 10, id, escaped(note).c_str());
        y += 18;
    }
    return svg + "</svg>\n";
}

std::vector<std::string> plotClusterTable(const std::string& tablePath, const GenomeSet& set,
                                          const tamsu::PlotOptions& options) {
    namespace fs = std::filesystem;
    if (options.top < 1 || options.flank < 0)
        fail(Stream::err, "error: the number of clusters must be at least 1 and the flank at least 0\n");
    const std::vector<TableOccurrence> rows = readClusterTable(tablePath, set);
    std::map<int, std::vector<TableOccurrence>> clusters;
    for (const TableOccurrence& row : rows) clusters[row.cluster].push_back(row);
    std::vector<const std::vector<TableOccurrence>*> ranked;
    for (const auto& [number, occurrences] : clusters) ranked.push_back(&occurrences);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](auto* a, auto* b) { return a->front().log10Score < b->front().log10Score; });
    if (static_cast<int>(ranked.size()) > options.top) ranked.resize(static_cast<size_t>(options.top));

    std::error_code error;
    fs::create_directories(options.directory, error);
    if (error || !fs::is_directory(options.directory))
        fail(Stream::err, "error: cannot create the folder \"%s\"%s%s\n", options.directory.c_str(), error ? ": " : "",
             error ? error.message().c_str() : "");
    // Every picture's name is checked before any is written: none may be an
    // input or a link to one. Then all are written and renamed together.
    const std::vector<std::string> inputs{set.listPath, set.sourcePath, tablePath};
    std::vector<std::string> written;
    for (const auto* occurrences : ranked) {
        written.push_back(
            (fs::path(options.directory) / formatText("cluster_%d.svg", occurrences->front().cluster)).string());
        tamsu::checkOutputPath(written.back(), inputs);
    }
    std::vector<std::unique_ptr<tamsu::AtomicOutputFile>> files;
    for (size_t i = 0; i < ranked.size(); ++i) {
        files.push_back(std::make_unique<tamsu::AtomicOutputFile>(written[i]));
        const std::string svg = clusterSvg(*ranked[i], set, options.flank);
        std::fwrite(svg.data(), 1, svg.size(), files.back()->get());
        files.back()->finishWriting();
    }
    std::vector<tamsu::AtomicOutputFile*> commits;
    for (const auto& file : files) commits.push_back(file.get());
    tamsu::commitTogether(commits);
    return written;
}

}  // namespace tamsu::detail

// Readers of the Roary/Panaroo CSV and OrthoFinder TSV family tables.
#include "convert/familyTable.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

namespace {

// The columns Roary and Panaroo write before the genome columns.
constexpr std::array<std::string_view, 14> kRoaryColumns = {
    "Gene", "Non-unique Gene name", "Annotation", "No. isolates", "No. sequences", "Avg sequences per isolate",
    "Genome Fragment", "Order within Fragment", "Accessory Fragment", "Accessory Order with Fragment", "QC",
    "Min group size nuc", "Max group size nuc", "Avg group size nuc"};

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The gene ids of a cell, split at any of the separators.
std::vector<std::string> cellIds(std::string_view cell, std::string_view separators) {
    std::vector<std::string> ids;
    while (!cell.empty()) {
        const size_t cut = cell.find_first_of(separators);
        std::string_view id = trimmed(cell.substr(0, cut));
        if (!id.empty()) ids.emplace_back(id);
        if (cut == std::string_view::npos) break;
        cell.remove_prefix(cut + 1);
    }
    return ids;
}

// Columns of the file, in the file's order, mapped onto the table's genomes.
std::vector<int> mapGenomeColumns(const std::vector<std::string>& names, FamilyTable& table, const std::string& path) {
    if (names.empty()) fail(Stream::err, "error: %s line 1: the header names no genome column\n", path.c_str());
    if (table.genomes.empty()) {
        table.genomes = names;
        table.genes.resize(names.size());
    }
    std::vector<int> columns;
    for (const std::string& name : names) {
        auto found = std::find(table.genomes.begin(), table.genomes.end(), name);
        if (found == table.genomes.end() || std::find(columns.begin(), columns.end(), found - table.genomes.begin()) != columns.end())
            fail(Stream::err, "error: %s line 1: genome column \"%s\" is not one of the genomes of \"%s\" or repeats\n",
                 path.c_str(), name.c_str(), table.sources.front().c_str());
        columns.push_back(static_cast<int>(found - table.genomes.begin()));
    }
    if (columns.size() != table.genomes.size())
        fail(Stream::err, "error: %s line 1: %zu genome columns where \"%s\" has %zu\n", path.c_str(), columns.size(),
             table.sources.front().c_str(), table.genomes.size());
    return columns;
}

void addRow(FamilyTable& table, const std::string& family, const std::vector<int>& columns,
            const std::vector<std::string>& cells, size_t firstCell, std::string_view separators, int line) {
    const int familyIndex = static_cast<int>(table.families.size());
    const int source = static_cast<int>(table.sources.size()) - 1;
    bool any = false;
    for (size_t c = 0; c < columns.size() && firstCell + c < cells.size(); ++c)
        for (std::string& id : cellIds(cells[firstCell + c], separators)) {
            auto [entry, added] = table.genes[columns[c]].try_emplace(id, FamilyTable::Entry{familyIndex, source, line});
            if (!added) {
                // Listed before in this very row, whose family is not stored yet.
                const std::string& earlier = entry->second.family == familyIndex
                                                 ? family
                                                 : table.families[static_cast<size_t>(entry->second.family)];
                fail(Stream::err,
                     "error: %s line %d: gene \"%s\" of genome \"%s\" is already in family \"%s\" (%s line %d)\n",
                     table.sources[source].c_str(), line, id.c_str(), table.genomes[columns[c]].c_str(),
                     earlier.c_str(), table.sources[entry->second.source].c_str(), entry->second.line);
            }
            any = true;
        }
    if (any) table.families.push_back(family);
}

}  // namespace

bool readCsvRecord(LineInput& file, std::vector<std::string>& fields, int& firstLine) {
    fields.clear();
    std::string line;
    if (!file.next(line)) return false;
    firstLine = file.lineNumber();
    std::string field;
    bool quoted = false;      // inside a quoted field
    size_t i = 0;
    while (true) {
        if (i == line.size()) {
            if (!quoted) break;
            // A quoted field goes on over the line break.
            if (!file.next(line))
                fail(Stream::err, "error: %s line %d: quoted field not closed before the end of the file\n",
                     file.path().c_str(), firstLine);
            field.push_back('\n');
            i = 0;
            continue;
        }
        const char c = line[i++];
        if (quoted) {
            if (c != '"') field.push_back(c);
            else if (i < line.size() && line[i] == '"') field.push_back('"'), ++i;
            else quoted = false;
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else {
            field.push_back(c);
        }
    }
    fields.push_back(std::move(field));
    return true;
}

void readFamilyTable(const std::string& path, FamilyTable& table) {
    LineInput file(path);
    table.sources.push_back(path);
    std::string line;
    if (!file.next(line)) fail(Stream::err, "error: %s line 1: empty family table\n", path.c_str());

    if (line.starts_with("Orthogroup\t")) {
        std::vector<std::string> header = splitTabsCopied(line);
        const std::vector<int> columns = mapGenomeColumns({header.begin() + 1, header.end()}, table, path);
        while (file.next(line)) {
            if (line.empty()) continue;
            std::vector<std::string> cells = splitTabsCopied(line);
            if (cells.size() > header.size())
                fail(Stream::err, "error: %s line %d: %zu columns where the header has %zu\n", path.c_str(),
                     file.lineNumber(), cells.size(), header.size());
            addRow(table, cells[0], columns, cells, 1, ",", file.lineNumber());
        }
        return;
    }

    // Roary and Panaroo: the genome columns follow the tool's own columns.
    LineInput csv(path);
    std::vector<std::string> header;
    int recordLine = 0;
    readCsvRecord(csv, header, recordLine);
    if (header.empty() || header[0] != "Gene")
        fail(Stream::err,
             "error: %s line 1: not a family table (a Roary/Panaroo CSV starts with \"Gene\", an OrthoFinder "
             "table with \"Orthogroup\" and a tab)\n",
             path.c_str());
    size_t firstGenome = 1;
    for (size_t c = 0; c < header.size(); ++c)
        if (std::find(kRoaryColumns.begin(), kRoaryColumns.end(), header[c]) != kRoaryColumns.end()) firstGenome = c + 1;
    const std::vector<int> columns = mapGenomeColumns({header.begin() + static_cast<long>(firstGenome), header.end()}, table, path);
    std::vector<std::string> cells;
    while (readCsvRecord(csv, cells, recordLine)) {
        if (cells.size() == 1 && cells[0].empty()) continue;
        if (cells.size() != header.size())
            fail(Stream::err, "error: %s line %d: %zu fields where the header has %zu\n", path.c_str(), recordLine,
                 cells.size(), header.size());
        // Roary separates several genes of a genome by a tab, Panaroo by ';'.
        addRow(table, cells[0], columns, cells, firstGenome, "\t;", recordLine);
    }
}

}  // namespace tamsu::detail

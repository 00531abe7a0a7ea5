// Gene-family tables of pangenome and orthology tools: a Roary or Panaroo
// gene_presence_absence.csv (one row per family, one quoted CSV column per
// genome after the tool's own columns) or an OrthoFinder Orthogroups.tsv or
// Orthogroups_UnassignedGenes.tsv (one row per orthogroup, one tab-separated
// column per genome with its gene ids separated by ", ").
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "convert/lineInput.h"

namespace tamsu::detail {

struct FamilyTable {
    // Where a gene id of one genome stands in the tables.
    struct Entry {
        int family = 0;     // index into families
        int source = 0;     // index into sources
        int line = 0;
        bool found = false; // set by the converter when a GFF feature carries the id
    };
    std::vector<std::string> genomes;   // genome column names, in the first table's order
    std::vector<std::string> families;  // family names in table order
    std::vector<std::string> sources;   // the table files read
    std::vector<std::unordered_map<std::string, Entry>> genes;  // per genome: gene id -> entry
};

// Adds the rows of one table file (its format told by its header line) to
// table. A further table must have the same genome columns. Throws
// tamsu::Error naming the file and line of a malformed row, of a gene id that
// a genome lists twice, or of genome columns that differ between tables.
void readFamilyTable(const std::string& path, FamilyTable& table);

// RFC 4180 records: fields separated by ',', a field in double quotes may hold
// commas, line breaks and doubled quotes. Reads the next record; false at the
// end of the file. firstLine is the line the record starts on. Throws
// tamsu::Error on a quoted field left open at the end of the file.
bool readCsvRecord(LineInput& file, std::vector<std::string>& fields, int& firstLine);

}  // namespace tamsu::detail

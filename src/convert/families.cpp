// zub families: proteins of every genome -> mmseqs easy-cluster -> family table.
#include "convert/families.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/annotatedGenome.h"
#include "convert/gff3.h"
#include "convert/lineInput.h"
#include "util/errors.h"
#include "util/program.h"

extern char** environ;

namespace tamsu::detail {

namespace fs = std::filesystem;

namespace {

struct Protein {
    int genome = 0;
    int gene = 0;    // index among the genome's sorted genes
    std::string id;  // the id written to the table
};

// A scratch folder removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& parent) {
        std::string pattern =
            (fs::path(parent.empty() ? fs::temp_directory_path().string() : parent) / "zub-families-XXXXXX").string();
        std::error_code ignored;
        if (!parent.empty()) fs::create_directories(parent, ignored);
        if (mkdtemp(pattern.data()) == nullptr)
            fail(Stream::err, "error: cannot make a scratch folder \"%s\": %s\n", pattern.c_str(),
                 std::strerror(errno));
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The last lines of a log file, for an error message.
std::string logTail(const std::string& path, size_t lines) {
    std::ifstream in(path);
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);) all.push_back(line);
    std::string tail;
    for (size_t i = all.size() > lines ? all.size() - lines : 0; i < all.size(); ++i) tail += "  " + all[i] + "\n";
    return tail;
}

std::string shellWords(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += ' ';
        const bool plain = word.find_first_of(" \t'\"\\$`") == std::string::npos && !word.empty();
        text += plain ? word : "'" + word + "'";
    }
    return text;
}

void readProteinFile(const std::string& path, std::unordered_map<std::string, std::string>& proteins) {
    LineInput file(path);
    readFasta(file, std::string(), proteins);
}

std::string formatNumber(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace

FamiliesSummary buildFamilies(const FamiliesRequest& request, FILE* table, FILE* log) {
    if (request.annotationPaths.empty()) fail(Stream::err, "error: no GFF3 or GenBank file given\n");
    if (!(request.minIdentity >= 0 && request.minIdentity <= 1) ||
        !(request.minCoverage >= 0 && request.minCoverage <= 1))
        fail(Stream::err, "error: identity and coverage are fractions between 0 and 1\n");
    FamiliesSummary summary;

    // Protein files given by name serve every genome.
    std::unordered_map<std::string, std::string> given;
    for (const std::string& path : request.proteinPaths) readProteinFile(path, given);

    std::vector<std::string> stems;
    std::vector<AnnotatedGenome> genomes;
    std::vector<Protein> proteins;
    ScratchFolder scratch(request.workDirectory);
    const std::string input = (fs::path(scratch.path()) / "proteins.faa").string();
    std::unique_ptr<FILE, int (*)(FILE*)> faaFile(std::fopen(input.c_str(), "w"), &std::fclose);
    FILE* faa = faaFile.get();
    if (faa == nullptr) fail(Stream::err, "error: cannot write \"%s\"\n", input.c_str());
    for (const std::string& path : request.annotationPaths) {
        const std::string stem = annotationStem(path);
        if (std::find(stems.begin(), stems.end(), stem) != stems.end())
            fail(Stream::err, "error: %s: a second annotation file for genome \"%s\"\n", path.c_str(), stem.c_str());
        stems.push_back(stem);
        std::unordered_map<std::string, std::string> sequences;
        AnnotatedGenome genome = readAnnotatedGenome(path, request.featureType, request.idAttribute, &sequences);
        sortGenes(genome);
        // A Prokka or Bakta run leaves <stem>.faa beside its GFF3 and GenBank files.
        std::unordered_map<std::string, std::string> beside;
        std::string besidePath;
        for (const char* extension : {".faa", ".faa.gz"}) {
            const fs::path candidate = fs::path(path).parent_path() / (stem + extension);
            std::error_code ignored;
            if (besidePath.empty() && fs::is_regular_file(candidate, ignored)) besidePath = candidate.string();
        }
        if (!besidePath.empty()) readProteinFile(besidePath, beside);

        tamsu::FamiliesGenome counts;
        counts.name = stem;
        counts.genes = static_cast<int>(genome.genes.size());
        std::set<std::string> used;
        int fromFile = 0, fromProteinFile = 0, translated = 0;
        for (size_t g = 0; g < genome.genes.size(); ++g) {
            const AnnotatedGene& gene = genome.genes[g];
            // The table id: the first candidate not yet taken in this genome,
            // as the converter matches them.
            std::string id;
            for (const std::string& candidate : gene.ids)
                if (used.count(candidate) == 0 && candidate.find_first_of(",\t\n") == std::string::npos) {
                    id = candidate;
                    break;
                }
            if (id.empty()) continue;
            std::string protein = gene.translation;
            int* source = &fromFile;
            if (protein.empty() && !gene.pseudo) {
                source = &fromProteinFile;
                for (const auto* names : {&gene.ids, &gene.otherIds})
                    for (const std::string& name : *names) {
                        if (!protein.empty()) break;
                        if (auto found = beside.find(name); found != beside.end())
                            protein = found->second;
                        else if (auto other = given.find(name); other != given.end())
                            protein = other->second;
                    }
            }
            if (protein.empty() && !gene.pseudo && gene.strand != '?') {
                source = &translated;
                if (auto found = sequences.find(genome.regions[gene.region]); found != sequences.end())
                    protein = translateCds(found->second, gene);
            }
            protein.erase(std::remove(protein.begin(), protein.end(), '*'), protein.end());
            if (protein.empty()) continue;
            used.insert(id);
            ++*source;
            std::fprintf(faa, ">p%zu\n%s\n", proteins.size(), protein.c_str());
            proteins.push_back(Protein{static_cast<int>(genomes.size()), static_cast<int>(g), id});
        }
        counts.proteins = fromFile + fromProteinFile + translated;
        std::vector<std::string> sources;
        if (fromFile > 0) sources.push_back(std::to_string(fromFile) + " from the file's translations");
        if (fromProteinFile > 0)
            sources.push_back(std::to_string(fromProteinFile) + " from " +
                              (besidePath.empty() ? "the protein files" : besidePath));
        if (translated > 0) sources.push_back(std::to_string(translated) + " translated from the file's sequences");
        for (const std::string& text : sources)
            counts.proteinSource += (counts.proteinSource.empty() ? "" : ", ") + text;
        if (counts.proteins == 0) {
            fail(Stream::err,
                 "error: %s: no protein sequence for any of its %d genes (a GenBank file brings /translation, a GFF3 "
                 "file a ##FASTA section; else give the proteins with --proteins or as %s.faa beside it)\n",
                 path.c_str(), counts.genes, stem.c_str());
        }
        summary.genomes.push_back(counts);
        genomes.push_back(std::move(genome));
    }
    if (std::fclose(faaFile.release()) != 0) fail(Stream::err, "error: writing \"%s\" failed\n", input.c_str());

    // mmseqs easy-cluster (or easy-linclust): <prefix>_cluster.tsv holds "representative<TAB>member".
    if (request.method != "cluster" && request.method != "linclust")
        fail(Stream::err, "error: unknown clustering method \"%s\" (cluster or linclust)\n", request.method.c_str());
    const std::string prefix = (fs::path(scratch.path()) / "clusters").string();
    std::vector<std::string> words{request.mmseqs,
                                   request.method == "cluster" ? "easy-cluster" : "easy-linclust",
                                   input,
                                   prefix,
                                   (fs::path(scratch.path()) / "tmp").string(),
                                   "--min-seq-id",
                                   formatNumber(request.minIdentity),
                                   "-c",
                                   formatNumber(request.minCoverage),
                                   "--cov-mode",
                                   "0",
                                   "-v",
                                   "1"};
    if (request.threads > 0) {
        words.push_back("--threads");
        words.push_back(std::to_string(request.threads));
    }
    summary.command = shellWords(words);
    if (log != nullptr) {
        std::fprintf(log, "clustering %zu proteins of %zu genomes: %s\n", proteins.size(), genomes.size(),
                     summary.command.c_str());
        std::fflush(log);
    }
    const std::string logPath = (fs::path(scratch.path()) / "mmseqs.log").string();
    const int status = runProgram(words, logPath);
    if (status < 0)
        fail(Stream::err,
             "error: cannot run \"%s\": %s (install MMseqs2: Debian's mmseqs2 package, or give --mmseqs)\n",
             request.mmseqs.c_str(), std::strerror(errno));
    if (status != 0)
        fail(Stream::err, "error: mmseqs failed (status %d): %s\n%s", status, summary.command.c_str(),
             logTail(logPath, 15).c_str());

    // Members by representative; a family is a cluster of two proteins or more.
    std::unordered_map<std::string, std::vector<int>> clusters;
    std::vector<std::string> order;
    {
        LineInput result(prefix + "_cluster.tsv");
        std::string line;
        while (result.next(line)) {
            const size_t tab = line.find('\t');
            if (tab == std::string::npos || line.size() < tab + 3 || line[tab + 1] != 'p')
                fail(Stream::err, "error: %s line %d: not a line of mmseqs's cluster table\n", result.path().c_str(),
                     result.lineNumber());
            const long member = std::strtol(line.c_str() + tab + 2, nullptr, 10);
            if (member < 0 || member >= static_cast<long>(proteins.size()))
                fail(Stream::err, "error: %s line %d: unknown protein\n", result.path().c_str(), result.lineNumber());
            auto [entry, added] = clusters.try_emplace(line.substr(0, tab));
            if (added) order.push_back(line.substr(0, tab));
            entry->second.push_back(static_cast<int>(member));
        }
    }
    std::vector<std::vector<int>> families;
    for (const std::string& representative : order) {
        std::vector<int>& members = clusters[representative];
        if (members.size() < 2) {
            ++summary.singletons;
            continue;
        }
        std::sort(members.begin(), members.end());  // proteins are numbered genome by genome, gene by gene
        families.push_back(std::move(members));
    }
    std::sort(families.begin(), families.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
    summary.families = static_cast<int>(families.size());

    const int width = std::max<int>(5, static_cast<int>(std::to_string(families.size()).size()));
    std::fprintf(table, "Orthogroup");
    for (const std::string& stem : stems) std::fprintf(table, "\t%s", stem.c_str());
    std::fprintf(table, "\n");
    for (size_t f = 0; f < families.size(); ++f) {
        std::vector<std::string> cells(genomes.size());
        for (int member : families[f]) {
            const Protein& protein = proteins[member];
            std::string& cell = cells[protein.genome];
            cell += (cell.empty() ? "" : ", ") + protein.id;
            ++summary.genomes[protein.genome].inFamilies;
        }
        std::fprintf(table, "fam%0*zu", width, f + 1);
        for (const std::string& cell : cells) std::fprintf(table, "\t%s", cell.c_str());
        std::fprintf(table, "\n");
    }
    return summary;
}

void printFamiliesSummary(FILE* out, const FamiliesSummary& summary) {
    int genes = 0, proteins = 0, inFamilies = 0;
    for (const tamsu::FamiliesGenome& genome : summary.genomes) {
        genes += genome.genes;
        proteins += genome.proteins;
        inFamilies += genome.inFamilies;
    }
    std::fprintf(out,
                 "%zu genomes: %d genes, %d proteins; %d families of two or more proteins holding %d, %d proteins "
                 "without homologue\n",
                 summary.genomes.size(), genes, proteins, summary.families, inFamilies, summary.singletons);
    for (const tamsu::FamiliesGenome& genome : summary.genomes)
        std::fprintf(out, "  %s: %d genes, %d proteins (%s), %d in families\n", genome.name.c_str(), genome.genes,
                     genome.proteins, genome.proteinSource.c_str(), genome.inFamilies);
}

}  // namespace tamsu::detail

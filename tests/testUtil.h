// Shared test fixtures: scratch folders, whole-file I/O, running the zub
// binary, genome sets and parameters built in memory, a silent run context,
// and the naive oracles several searches are checked against.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "genomes/genomeSet.h"
#include "index/occurrenceIndex.h"
#include "params/searchParameters.h"
#include "tamsu/tamsu.h"
#include "util/errors.h"
#include "walk/referenceWalk.h"

// The tests speak the library's own vocabulary, public and internal.
using namespace tamsu;
using namespace tamsu::detail;

// A fresh folder under the system temp dir, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Copies a file of the bundled examples or test data into dir.
void copyInto(const std::string& source, const std::string& dir, const std::string& name);
// What print writes to the stream it is given.
std::string captured(const std::function<void(FILE*)>& print);
// The exact text of the error that call throws.
std::string errorOf(const std::function<void()>& call);

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs zub with args (shell words, already quoted where needed) in folder cwd,
// standard input from /dev/null; stdoutTo redirects standard output instead
// of capturing it.
RunResult runZub(const std::string& args, const std::string& cwd, const std::string& stdoutTo = "");

using GeneRows = std::vector<std::vector<std::vector<int>>>;  // [genome][chromosome] = genes 1..n
// A recoded genome set: ids are taken as codes; the alphabet size is the
// largest id unless given. Genome g is named "G<g>", its chromosomes "G<g>c<c>".
std::unique_ptr<GenomeSet> makeSet(const GeneRows& genomes, int alphabetSize = -1);
// Random chromosome of n genes over 1..alphabet (deterministic per seed).
std::vector<int> randomGenes(unsigned seed, int n, int alphabet);

// Parameters as the command line gives them (q < 0: no quorum), with the
// values derived for genomeCount genomes.
SearchParameters derivedParams(Mode mode, int delta, int s, int genomeCount, int q = -1, CostType cost = CostType::zero,
                               RefType refType = RefType::none);
// Depth of the border tables the cluster-filter searches use.
inline int depthOf(const SearchParameters& params) { return params.isCenter() ? 2 * params.delta : params.summedDelta; }

// A progress record that reports nowhere.
class QuietProgress {
public:
    Progress& get() { return progress_; }

private:
    SilentStatus status_;
    Progress progress_{status_};
};

// A genome set with its index.
struct Indexed {
    std::unique_ptr<GenomeSet> set;
    OccurrenceIndex index;
    explicit Indexed(std::unique_ptr<GenomeSet> genomes, bool useNUM = true);
};

// Walks the reference intervals of genome g as the searches do and calls
// visit for every grown I_ref, with ranks and border tables current.
void forEachReferenceInterval(const OccurrenceIndex& index, int D, bool primed, int g,
                              const std::function<void(ReferenceWalk&, Pattern&)>& visit);

// Genes of interval l..r of a chromosome (empty when l > r).
std::set<int> genesIn(std::span<const int> genes, int l, int r);

// A query of the public interface; a quorum of 0 means none.
tamsu::Query makeQuery(Mode mode, int delta, int s, int quorum = 0, tamsu::RefType refType = tamsu::RefType::none,
                       tamsu::CostType cost = tamsu::CostType::zero);

// The lines of a tab-separated text as field lists (a trailing tab ends
// with an empty field).
std::vector<std::vector<std::string>> tsvRows(const std::string& text);

// A run that prints nothing.
tamsu::Result quietRun(const tamsu::Genomes& genomes, const tamsu::Query& query, int threads = 1,
                       const std::string& statisticsPath = {});

// The center a center cluster reports, by trying every subset of the genes
// the rows hold: within maxDistance of every row, at least minSize genes, the
// smallest summed distance, then the most genes, then the smallest genes.
std::optional<std::vector<int>> exhaustiveCenter(const std::vector<std::set<int>>& rows, int maxDistance, int minSize);

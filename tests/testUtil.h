// Shared test fixtures: scratch folders, whole-file I/O, captured output and
// errors, running the zub binary, genome sets, parameters and k-tuples built
// in memory, and the naive oracles several searches are checked against.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "entry/progress.h"
#include "filters/pattern.h"
#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"
#include "params/parameterArray.h"
#include "util/errors.h"

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

// What print writes to the stream it is given.
std::string captured(const std::function<void(FILE*)>& print);
// What call writes to stdout / stderr (an exception passes through).
std::string stdoutOf(const std::function<void()>& call);
std::string stderrOf(const std::function<void()>& call);
// Runs call with stdout and stderr swallowed.
void quietly(const std::function<void()>& call);
// The exact text of the TamsuError that call throws (its stdout swallowed);
// the error must belong on stream.
std::string errorOf(const std::function<void()>& call, FILE* stream = stderr);

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs zub with args (shell words, already quoted where needed) in folder cwd,
// standard input from /dev/null.
RunResult runZub(const std::string& args, const std::string& cwd);

// Copies a file of the bundled examples or test data into dir.
void copyInto(const std::string& source, const std::string& dir, const std::string& name);

// A recoded genome set from gene id rows: genomes[g][c] is chromosome c of
// genome g (genes 1..n without sentinels). Ids are taken as codes; the
// alphabet size is the largest id unless given.
std::unique_ptr<SetOfSeqs> makeSet(const std::vector<std::vector<std::vector<int>>>& genomes,
                                   int alphabetSize = -1);

// Random chromosome of n genes over 1..alphabet (deterministic per seed).
std::vector<int> randomGenes(unsigned seed, int n, int alphabet);

// Parameters as the command line gives them (q < 0: no quorum), with the
// values derived for genomeCount genomes.
std::unique_ptr<ParameterArray> derivedParams(char mode, int delta, int s, int genomeCount, int q = -1,
                                              char qtype = 'z', bool useNUM = true, bool useLR = true,
                                              char refType = '?', const std::string& outfile = "test.out");
// Depth of the border tables the cluster-filter searches use.
inline int depthOf(const ParameterArray& params) { return params.isCenter ? 2 * params.pwDelta : params.delta; }

// Walks the reference intervals of genome g as the filter enumeration does and
// calls visit for every grown I_ref, with ranks and border tables current.
void forEachReferenceInterval(SetOfSeqs& set, const ParameterArray& params, Pattern& pattern, int g,
                              const std::function<void(Pattern&)>& visit);

// A host that records the progress bar and lets the search go on for
// allowedPolls polls; installed while it lives (gui runs are reset after).
class RecordingHost : public ProgressHost {
public:
    explicit RecordingHost(int allowedPolls);
    ~RecordingHost() override;
    void initProgressBar(int max) override { maximum = max; }
    void setProgressStatus(int value) override { values.push_back(value); }
    bool continueComputation() override { return polls++ < allowed; }
    int allowed;
    int polls = 0;
    int maximum = -1;
    std::vector<int> values;
};

// A k-tuple with the given intervals ({l, r, chr}) and no local chars.
const kTupleInterval kEmpty{-1, -2, 0};
kTuple makeTuple(const std::vector<kTupleInterval>& intervals, int totalDist = 0);
kTupleList makeList(int k, std::vector<kTuple> tuples);

// Genes of interval l..r of a chromosome (empty when l > r).
std::set<int> genesIn(const Chromosome& chrom, int l, int r);
// The charge the median search accumulates genome by genome: the distance of
// the gene sets to their majority median, except that a genome without an
// occurrence (empty[g]) pays flatCost instead of the majority genes it lacks.
int naiveTotalDist(const std::vector<std::set<int>>& sets, const std::vector<bool>& empty, int flatCost);
// Whether some gene set lies within pwDelta of every row; nullopt when the
// rows hold too many genes to try every subset.
std::optional<bool> hasCenter(const std::vector<std::set<int>>& rows, int pwDelta);

// Shared test fixtures: scratch folders, whole-file I/O, running the zub
// binary with captured streams, and genome sets built in memory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "genomes/setOfSeqs.h"

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

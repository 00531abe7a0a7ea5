// Shared test fixtures.
#include "testUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>

#include "filters/arraysLnR.h"
#include "util/errors.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string templ = (fs::temp_directory_path() / "tamsu_test_XXXXXX").string();
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    char* made = mkdtemp(buffer.data());
    if (made == nullptr) std::abort();
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool fileExists(const std::string& path) { return fs::exists(path); }

std::string captured(const std::function<void(FILE*)>& print) {
    FILE* file = std::tmpfile();
    print(file);
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

namespace {

// Runs call with one standard stream captured; the capture ends also when
// call throws.
std::string capture(bool out, const std::function<void()>& call) {
    std::fflush(out ? stdout : stderr);
    out ? testing::internal::CaptureStdout() : testing::internal::CaptureStderr();
    auto finish = [out] {
        std::fflush(out ? stdout : stderr);
        return out ? testing::internal::GetCapturedStdout() : testing::internal::GetCapturedStderr();
    };
    try {
        call();
    } catch (...) {
        finish();
        throw;
    }
    return finish();
}

}  // namespace

std::string stdoutOf(const std::function<void()>& call) { return capture(true, call); }
std::string stderrOf(const std::function<void()>& call) { return capture(false, call); }
void quietly(const std::function<void()>& call) { stderrOf([&] { stdoutOf(call); }); }

std::string errorOf(const std::function<void()>& call, FILE* stream) {
    try {
        stdoutOf(call);
    } catch (const TamsuError& error) {
        EXPECT_EQ(stream, error.stream()) << error.text();
        return error.text();
    }
    ADD_FAILURE() << "no error thrown";
    return "";
}

RunResult runZub(const std::string& args, const std::string& cwd) {
    TempDir capture;
    std::string command = "cd '" + cwd + "' && '" TAMSU_ZUB "' " + args + " </dev/null >'" +
                          capture.file("out") + "' 2>'" + capture.file("err") + "'";
    int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(capture.file("out"));
    result.err = readFile(capture.file("err"));
    return result;
}

void copyInto(const std::string& source, const std::string& dir, const std::string& name) {
    fs::copy_file(source, fs::path(dir) / name, fs::copy_options::overwrite_existing);
}

std::unique_ptr<SetOfSeqs> makeSet(const std::vector<std::vector<std::vector<int>>>& genomes, int alphabetSize) {
    auto set = initSetOfSeqs(static_cast<int>(genomes.size()));
    int maxId = 0;
    for (size_t g = 0; g < genomes.size(); ++g) {
        Genome& genome = set->genomes[g];
        genome.name = "G" + std::to_string(g);
        genome.number = static_cast<int>(g);
        genome.chromosomeCount = static_cast<int>(genomes[g].size());
        for (size_t c = 0; c < genomes[g].size(); ++c) {
            Chromosome chrom;
            chrom.name = "G" + std::to_string(g) + "c" + std::to_string(c);
            chrom.number = static_cast<int>(c);
            chrom.length = static_cast<int>(genomes[g][c].size());
            chrom.genes.assign(genomes[g][c].size() + 2, 0);
            for (size_t p = 0; p < genomes[g][c].size(); ++p) {
                chrom.genes[p + 1] = genomes[g][c][p];
                maxId = std::max(maxId, genomes[g][c][p]);
            }
            genome.chromosomes.push_back(std::move(chrom));
        }
    }
    set->alphabetSize = alphabetSize >= 0 ? alphabetSize : maxId;
    set->codingTable.resize(set->alphabetSize + 1);
    for (int c = 0; c <= set->alphabetSize; ++c) set->codingTable[c] = c;
    return set;
}

std::vector<int> randomGenes(unsigned seed, int n, int alphabet) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(1, alphabet);
    std::vector<int> genes(n);
    for (int& gene : genes) gene = pick(rng);
    return genes;
}

std::unique_ptr<ParameterArray> derivedParams(char mode, int delta, int s, int genomeCount, int q, char qtype,
                                              bool useNUM, bool useLR, char refType, const std::string& outfile) {
    auto params = initParameterArray(delta, s, 0.0, mode == 'c', useNUM, useLR, q >= 0, q, q >= 0 ? qtype : '?',
                                     mode, outfile, false, refType);
    setDerivedParameters(*params, genomeCount);
    return params;
}

void forEachReferenceInterval(SetOfSeqs& set, const ParameterArray& params, Pattern& pattern, int g,
                              const std::function<void(Pattern&)>& visit) {
    const int D = depthOf(params);
    for (const Chromosome& ch : set.genomes[g].chromosomes)
        for (int i = 1; i <= ch.length; ++i) {
            updateRank(set, ch, i);
            updateL(set, g, i, D, ch.genes[i - 1]);
            updateR(set, g, i, D, ch.genes[i - 1]);
            resetPattern(pattern, set.alphabetSize, D, g, ch.number, i);
            for (int j = i; getNextI_ref(j, pattern, g, ch.number, set); j = pattern.right + 1) visit(pattern);
        }
}

RecordingHost::RecordingHost(int allowedPolls) : allowed(allowedPolls) { setProgressHost(this); }

RecordingHost::~RecordingHost() {
    setProgressHost(nullptr);
    progress.gui = false;
}

kTuple makeTuple(const std::vector<kTupleInterval>& intervals, int totalDist) {
    kTuple tuple;
    tuple.totalDist = totalDist;
    tuple.pValues.assign(intervals.size(), 1.0);
    tuple.intervalArray = intervals;
    tuple.occCount.assign(1, 0);
    tuple.localChars.assign(1, 0);
    tuple.intervalOccs.assign(intervals.size(), 0);
    return tuple;
}

kTupleList makeList(int k, std::vector<kTuple> tuples) {
    kTupleList list;
    list.k = k;
    for (kTuple& t : tuples) list.tuples.push_back(std::move(t));
    return list;
}

std::set<int> genesIn(const Chromosome& chrom, int l, int r) {
    return l > r ? std::set<int>() : std::set<int>(chrom.genes.begin() + l, chrom.genes.begin() + r + 1);
}

int naiveTotalDist(const std::vector<std::set<int>>& sets, const std::vector<bool>& empty, int flatCost) {
    const int k = static_cast<int>(sets.size());
    std::map<int, int> occ;
    int total = 0;
    for (int g = 0; g < k; ++g) {
        if (empty[g]) {
            total += flatCost;
            for (const auto& [gene, count] : occ)
                if (2 * count > g) --total;  // min(o, n - o) grew by one for this gene without a charge
        } else {
            for (int gene : sets[g]) ++occ[gene];
        }
    }
    for (const auto& [gene, count] : occ) total += std::min(count, k - count);
    return total;
}

std::optional<bool> hasCenter(const std::vector<std::set<int>>& rows, int pwDelta) {
    std::set<int> all;
    for (const std::set<int>& row : rows) all.insert(row.begin(), row.end());
    if (all.size() > 16) return std::nullopt;
    const std::vector<int> genes(all.begin(), all.end());  // genes outside every row never help
    for (unsigned mask = 0; mask < (1u << genes.size()); ++mask) {
        bool within = true;
        for (size_t r = 0; r < rows.size() && within; ++r) {
            int distance = 0;
            for (size_t i = 0; i < genes.size(); ++i)
                distance += ((mask >> i) & 1u) != static_cast<unsigned>(rows[r].count(genes[i]));
            within = distance <= pwDelta;
        }
        if (within) return true;
    }
    return false;
}

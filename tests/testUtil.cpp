// Shared test fixtures.
#include "testUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

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

// Shared test fixtures.
#include "testUtil.h"

#include <tuple>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

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

void copyInto(const std::string& source, const std::string& dir, const std::string& name) {
    fs::copy_file(source, fs::path(dir) / name, fs::copy_options::overwrite_existing);
}

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

std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.text();
    }
    ADD_FAILURE() << "no error thrown";
    return "";
}

RunResult runZub(const std::string& args, const std::string& cwd, const std::string& stdoutTo) {
    TempDir capture;
    const std::string out = stdoutTo.empty() ? capture.file("out") : stdoutTo;
    std::string command =
        "cd '" + cwd + "' && '" TAMSU_ZUB "' " + args + " </dev/null >'" + out + "' 2>'" + capture.file("err") + "'";
    int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (stdoutTo.empty()) result.out = readFile(capture.file("out"));
    result.err = readFile(capture.file("err"));
    return result;
}

std::unique_ptr<GenomeSet> makeSet(const GeneRows& genomes, int alphabetSize) {
    auto set = makeGenomeSet(static_cast<int>(genomes.size()));
    int maxId = 0;
    for (size_t g = 0; g < genomes.size(); ++g) {
        Genome& genome = set->genomes[g];
        genome.name = std::string("G").append(std::to_string(g));
        genome.number = static_cast<int>(g);
        for (size_t c = 0; c < genomes[g].size(); ++c) {
            Chromosome chrom;
            chrom.name = genome.name + "c" + std::to_string(c);
            chrom.number = static_cast<int>(c);
            chrom.genes.assign(genomes[g][c].size() + 2, 0);
            std::copy(genomes[g][c].begin(), genomes[g][c].end(), chrom.genes.begin() + 1);
            for (int gene : genomes[g][c]) maxId = std::max(maxId, gene);
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

SearchParameters derivedParams(Mode mode, int delta, int s, int genomeCount, int q, CostType cost, RefType refType) {
    Query query;
    query.mode = mode;
    query.delta = delta;
    query.minClusterSize = s;
    if (q >= 0) query.quorum = Quorum{q, cost};
    query.refType = refType;
    return deriveSearchParameters(query, genomeCount);
}

Indexed::Indexed(std::unique_ptr<GenomeSet> genomes, bool useNUM) : set(std::move(genomes)) {
    index = buildOccurrenceIndex(*set, useNUM);
}

void forEachReferenceInterval(const OccurrenceIndex& index, int D, bool primed, int g,
                              const std::function<void(ReferenceWalk&, Pattern&)>& visit) {
    QuietProgress quiet;
    ReferenceWalk walk(index, D, primed, quiet.get());
    for (const ChromIndex& ref : index.genome(g))
        for (int i = 1; i <= ref.length; ++i) {
            walk.moveLeftBorder(ref, i);
            for (int j = i; walk.grow(j, ref); j = walk.pattern().right + 1) visit(walk, walk.pattern());
        }
}

std::set<int> genesIn(std::span<const int> genes, int l, int r) {
    return l > r ? std::set<int>() : std::set<int>(genes.begin() + l, genes.begin() + r + 1);
}

std::optional<std::vector<int>> exhaustiveCenter(const std::vector<std::set<int>>& rows, int maxDistance, int minSize) {
    std::set<int> all;
    for (const std::set<int>& row : rows) all.insert(row.begin(), row.end());
    const std::vector<int> genes(all.begin(), all.end());
    std::optional<std::tuple<int, int, std::vector<int>>> best;  // sum, -size, genes
    for (unsigned mask = 0; mask < (1u << genes.size()); ++mask) {
        std::vector<int> set;
        for (size_t i = 0; i < genes.size(); ++i)
            if ((mask >> i) & 1u) set.push_back(genes[i]);
        if (static_cast<int>(set.size()) < minSize) continue;
        int sum = 0, worst = 0;
        for (const std::set<int>& row : rows) {
            int distance = 0;
            for (size_t i = 0; i < genes.size(); ++i)
                distance += ((mask >> i) & 1u) != static_cast<unsigned>(row.count(genes[i]));
            sum += distance;
            worst = std::max(worst, distance);
        }
        if (worst > maxDistance) continue;
        auto key = std::make_tuple(sum, -static_cast<int>(set.size()), set);
        if (!best || key < *best) best = key;
    }
    if (!best) return std::nullopt;
    return std::get<2>(*best);
}

tamsu::Query makeQuery(Mode mode, int delta, int s, int quorum, tamsu::RefType refType, tamsu::CostType cost) {
    tamsu::Query query;
    query.mode = mode;
    query.delta = delta;
    query.minClusterSize = s;
    if (quorum > 0) query.quorum = tamsu::Quorum{quorum, cost};
    query.refType = refType;
    return query;
}

tamsu::Result quietRun(const tamsu::Genomes& genomes, const tamsu::Query& query, int threads,
                       const std::string& statisticsPath) {
    tamsu::RunContext silent;
    silent.out = silent.err = nullptr;
    silent.threads = threads;
    silent.statisticsPath = statisticsPath;
    return tamsu::findClusters(genomes, query, silent);
}

std::vector<std::vector<std::string>> tsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back();
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) rows.back().push_back(field);
        if (!line.empty() && line.back() == '\t') rows.back().emplace_back();
    }
    return rows;
}

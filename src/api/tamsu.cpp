// The public interface: genomes, query checks and one run from index to
// extracted clusters, with the run's streams and progress owned by the call.
#include "tamsu/tamsu.h"

#include <exception>
#include <new>
#include <system_error>

#include "api/callStreams.h"
#include "driver/runDriver.h"
#include "genomes/readGenomes.h"
#include "results/clusterTable.h"
#include "results/referenceExtraction.h"
#include "results/reports.h"
#include "results/tupleExtraction.h"
#include "util/errors.h"
#include "util/regularFile.h"

namespace tamsu {

using namespace detail;

namespace {

const std::string kNoText;

}  // namespace

Genomes Genomes::read(const std::string& genomeListPath, FILE* out) {
    CallStreams streams(out, stderr);
    return Genomes(std::make_shared<const Data>(std::move(*readGenomes(genomeListPath, streams.out()))));
}

Genomes Genomes::fromRecoded(const std::vector<std::vector<std::vector<int>>>& genes, std::vector<int> codingTable,
                             int alphabetSize) {
    if (alphabetSize < 0) fail(Stream::err, "error: negative alphabetSize %d\n", alphabetSize);
    if (codingTable.size() < static_cast<size_t>(alphabetSize) + 1)
        fail(Stream::err, "error: codingTable has %zu entries, alphabetSize %d needs %lld\n", codingTable.size(),
             alphabetSize, static_cast<long long>(alphabetSize) + 1);
    if (genes.empty()) fail(Stream::err, "error: no genomes given (at least one is needed)\n");
    auto set = makeGenomeSet(static_cast<int>(genes.size()));
    for (size_t g = 0; g < genes.size(); ++g) {
        Genome& genome = set->genomes[g];
        genome.number = static_cast<int>(g);
        for (size_t c = 0; c < genes[g].size(); ++c) {
            const std::vector<int>& array = genes[g][c];
            const int entries = static_cast<int>(array.size());
            const int chromNr = static_cast<int>(c), genomeNr = static_cast<int>(g);
            if (entries < 2)
                fail(Stream::err,
                     "error: chromosome %d of genome %d has %d entries; it needs at least the two sentinels\n", chromNr,
                     genomeNr, entries);
            if (array.front() != 0 || array.back() != 0)
                fail(Stream::err, "error: chromosome %d of genome %d lacks the sentinel 0 at position %d\n", chromNr,
                     genomeNr, array.front() != 0 ? 0 : entries - 1);
            for (int pos = 1; pos < entries - 1; ++pos)
                if (array[pos] < 1 || array[pos] > alphabetSize)
                    fail(Stream::err, "error: gene %d at position %d of chromosome %d of genome %d is outside 1..%d\n",
                         array[pos], pos, chromNr, genomeNr, alphabetSize);
            Chromosome chrom;
            chrom.number = chromNr;
            chrom.genes = array;
            genome.chromosomes.push_back(std::move(chrom));
        }
    }
    // Clusters name their families by id, so two codes of one id would make
    // two families one.
    std::unordered_map<int, int> codeOf;
    for (int code = 1; code <= alphabetSize; ++code)
        if (auto [at, isNew] = codeOf.emplace(codingTable[code], code); !isNew)
            fail(Stream::err, "error: codingTable gives codes %d and %d the same family id %d\n", at->second, code,
                 codingTable[code]);
    set->alphabetSize = alphabetSize;
    codingTable.resize(static_cast<size_t>(alphabetSize) + 1);
    set->codingTable = std::move(codingTable);
    return Genomes(std::make_shared<const Data>(std::move(*set)));
}

int Genomes::genomeCount() const { return data_->genomeCount(); }
int Genomes::alphabetSize() const { return data_->alphabetSize; }
int Genomes::chromosomeCount(int genome) const {
    return static_cast<int>(data_->genomes[static_cast<size_t>(genome)].chromosomes.size());
}
int Genomes::chromosomeLength(int genome, int chromosome) const {
    return data_->genomes[static_cast<size_t>(genome)].chromosomes[static_cast<size_t>(chromosome)].length();
}
int Genomes::gene(int genome, int chromosome, int position) const {
    return data_->genomes[static_cast<size_t>(genome)].chromosomes[static_cast<size_t>(chromosome)].genes.at(
        static_cast<size_t>(position));
}
const std::string& Genomes::genomeName(int genome) const { return data_->genomes[static_cast<size_t>(genome)].name; }
const std::string& Genomes::chromosomeName(int genome, int chromosome) const {
    return data_->genomes[static_cast<size_t>(genome)].chromosomes[static_cast<size_t>(chromosome)].name;
}
const std::string& Genomes::locusTag(int genome, int chromosome, int position) const {
    const Chromosome& chrom = data_->genomes[static_cast<size_t>(genome)].chromosomes[static_cast<size_t>(chromosome)];
    if (position < 0 || static_cast<size_t>(position) >= chrom.locusTags.size()) return kNoText;
    return chrom.locusTags[static_cast<size_t>(position)];
}
const std::string& Genomes::annotationPath() const { return data_->sourcePath; }
int Genomes::originalId(int code) const {
    if (code < 0 || static_cast<size_t>(code) >= data_->codingTable.size()) return 0;
    return data_->codingTable[static_cast<size_t>(code)];
}
int Genomes::familyCode(int id) const {
    auto found = data_->codes.find(id);
    return found != data_->codes.end() ? found->second : 0;
}
void Genomes::printStatistics(FILE* stream) const { printGenomeStatistics(stream, *data_); }

const char* version() { return TAMSU_VERSION; }

std::string inputFileProblem(const std::string& path) { return regularFileProblem(path); }

void printCurrentError(FILE* out, FILE* err) {
    std::fflush(out);
    try {
        throw;
    } catch (const Error& error) {
        error.print(out, err);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "error: out of memory\n");
    } catch (const std::system_error& error) {
        // Such as a thread the system would not start.
        std::fprintf(err, "error: the system refused a request: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(err, "error: %s\n", error.what());
    } catch (...) {
        std::fprintf(err, "error: unexpected failure\n");
    }
    std::fflush(err);
}

void validate(const Query& query, int genomeCount) { validateQuery(query, genomeCount); }

void printParameters(FILE* stream, const Query& query, const std::string& outputFile) {
    printParameterBlock(stream, query, 0, outputFile);
}

void printDerivedParameters(FILE* stream, const Query& query, int genomeCount, const std::string& outputFile) {
    printParameterBlock(stream, query, genomeCount, outputFile);
}

Result findClusters(const Genomes& genomes, const Query& query, RunContext& context) {
    const GenomeSet& set = genomes.data();
    validate(query, set.genomeCount());
    const SearchParameters params = searchParametersFor(set, query, context.threads);
    CallStatus status(context);
    Progress progress(status.get());

    Result result = resultOf(
        computeClusters(set, params, progress, context.statisticsPath, context.maxMemory, {}, context.clusterRecords));
    if (context.writeStatistics) writeStatisticsFile(result);
    return result;
}

void writeStatisticsFile(const Result& result) {
    if (result.cancelled || result.statisticsPath.empty()) return;
    AtomicOutputFile file(result.statisticsPath);
    std::fwrite(result.statisticsText.data(), 1, result.statisticsText.size(), file.get());
    file.commit();
}

// The result's records, or, when it holds none, records made one at a time
// from its reference clusters.
static ClusterSource clusterSource(const Result& result, const GenomeSet& set) {
    if (!result.clusters.empty() || !result.referenceClusters) return ClusterSource(result.clusters);
    return referenceClusterSource(*result.referenceClusters, set);
}

Result resultOf(std::unique_ptr<SearchResult> found) {
    Result result;
    if (!found) {
        result.cancelled = true;
        return result;
    }
    result.counts = found->counts;
    result.clusters = std::move(found->clusters);
    if (found->referenceClusters)
        result.referenceClusters =
            std::make_shared<const Result::ReferenceClusters>(std::move(*found->referenceClusters));
    result.statisticsPath = std::move(found->statisticsPath);
    result.statisticsText = std::move(found->statisticsText);
    return result;
}

void writeClusters(FILE* out, OutputFormat format, const Result& result, const Genomes& genomes, const Query& query,
                   const std::string& genomeListPath) {
    const ClusterSource clusters = clusterSource(result, genomes.data());
    if (format == OutputFormat::json)
        writeClusterJson(out, clusters, genomes.data(), describeQuery(query, genomeListPath));
    else
        writeClusterTable(out, clusters, genomes.data(), modeName(query.mode));
}

void writeReports(const Result& result, const Genomes& genomes, RunContext& context) {
    if (!result.referenceClusters) return;
    CallStreams streams(context.out, context.err);
    printReferenceClusters(streams.out(), *result.referenceClusters, genomes.data());
    std::fprintf(streams.err(), "now extracting:\n");
    std::fprintf(streams.err(), "extracted:\n");
    printGeneClusters(
        streams.err(), clusterSource(result, genomes.data()), [&](int id) { return genomes.familyCode(id); },
        genomes.genomeCount(), context.keys);
}

}  // namespace tamsu

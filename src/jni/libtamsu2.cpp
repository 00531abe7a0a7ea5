// The JVM bridge: turns the host's recoded genome arrays and Parameter object
// into a run of the shared driver, talks to the host for progress and
// cancellation while it runs, and hands the gene clusters back as host objects.
// Nothing that goes wrong in here may end the host's process: every failure is
// printed on stderr and answered with null, and no Java exception escapes.
#include "libtamsu2.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tamsu/tamsu.h"


namespace {

// Prints the text and a newline on stderr.
void errprint(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

// A refused or failed call: the message for stderr.
[[noreturn]] void fail(const std::string& text) { throw tamsu::Error(tamsu::Stream::err, text); }
using tamsu::Error;
constexpr tamsu::Stream kErr = tamsu::Stream::err;

// Clears a pending Java exception so that the host never sees one from this
// library; with describe, its stack trace goes to stderr first (used where the
// exception comes from host code or the JVM itself, not from a plain lookup).
void clearPendingException(JNIEnv* env, bool describe) {
    if (!env->ExceptionCheck()) return;
    if (describe) env->ExceptionDescribe();
    env->ExceptionClear();
}

// The host refused a JNI request: drop its exception and fail with text.
[[noreturn]] void hostFailure(JNIEnv* env, const char* text, bool describe) {
    clearPendingException(env, describe);
    fail(text);
}

// Fails when the last JNI call left an exception (out of memory, or an
// exception thrown by a host constructor).
void checkHostCall(JNIEnv* env, const char* what) {
    if (env->ExceptionCheck()) {
        std::fflush(stdout);
        env->ExceptionDescribe();
        env->ExceptionClear();
        throw Error::formatted(kErr, "error: %s failed in the host\n", what);
    }
}

// A JNI local reference frame: the references made inside it are released
// when it ends, also when a failure unwinds through it. Big results would
// otherwise overflow the host's local reference table.
class LocalFrame {
public:
    LocalFrame(JNIEnv* env, jint capacity) : env_(env) {
        if (env->PushLocalFrame(capacity) != 0) {
            env_ = nullptr;
            hostFailure(env, "error: could not reserve JNI local references\n", false);
        }
    }
    ~LocalFrame() {
        if (env_ != nullptr) env_->PopLocalFrame(nullptr);
    }
    LocalFrame(const LocalFrame&) = delete;
    LocalFrame& operator=(const LocalFrame&) = delete;

    // Ends the frame and keeps result alive in the enclosing one.
    jobject pop(jobject result) {
        JNIEnv* env = env_;
        env_ = nullptr;
        return env->PopLocalFrame(result);
    }

private:
    JNIEnv* env_;
};

// Releases one local reference when it goes out of scope (loop bodies).
class LocalRef {
public:
    LocalRef(JNIEnv* env, jobject ref) : env_(env), ref_(ref) {}
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    jobject get() const { return ref_; }

private:
    JNIEnv* env_;
    jobject ref_;
};

// The status of one host call: the run's text on the process's standard
// streams, its progress on the host's progress bar, the host's "run" field as
// the poll. Identifiers are looked up anew every time.
class JniProgressHost final : public tamsu::Status {
public:
    JniProgressHost(JNIEnv* env, jobject instance, jobject params) : env_(env), instance_(instance), params_(params) {}

    void print(tamsu::Stream stream, const std::string& text) override {
        std::fputs(text.c_str(), stream == tamsu::Stream::out ? stdout : stderr);
    }
    void workStarted(long long total) override {
        // The host's progress bar counts in int: a larger total is handed
        // over in units of several intervals.
        unit_ = total / INT_MAX + 1;
        callInstanceMethod("initProgressBar", "Could not find initProgressBar() method",
                           static_cast<int>(total / unit_));
    }
    void workDone(long long done) override {
        callInstanceMethod("setProgressStatus", "Could not find setProgressStatus() method",
                           static_cast<int>(done / unit_));
    }
    void referenceChromosome(int, int, const std::string&, int, long long) override {}
    void workFinished() override {}
    bool keepGoing() override { return continueComputation(); }

    // Goes on unless the host's "run" field reads false; when the field cannot
    // be found the message is printed and the run goes on.
    bool continueComputation() {
        jclass parameterClass = env_->FindClass("tamsu2/algorithm/Parameter");
        if (parameterClass == nullptr) {
            clearPendingException(env_, false);
            errprint("Could not find instance class");
            return true;
        }
        LocalRef classRef(env_, parameterClass);
        jfieldID runField = env_->GetFieldID(parameterClass, "run", "Z");
        if (runField == nullptr) {
            clearPendingException(env_, false);
            errprint("Could not find run field in Parameter class");
            return true;
        }
        return env_->GetBooleanField(params_, runField) == JNI_TRUE;
    }

private:
    void callInstanceMethod(const char* name, const char* missingText, int value) {
        jclass instanceClass = env_->FindClass("tamsu2/TamsuInstance");
        if (instanceClass == nullptr) {
            clearPendingException(env_, false);
            errprint("Could not find instance class");
            return;
        }
        LocalRef classRef(env_, instanceClass);
        jmethodID method = env_->GetMethodID(instanceClass, name, "(I)V");
        if (method == nullptr) {
            clearPendingException(env_, false);
            errprint(missingText);
            return;
        }
        env_->CallVoidMethod(instance_, method, static_cast<jint>(value));
        // An exception thrown by the host's callback is dropped: the progress
        // display is the host's own business and the search goes on. Its
        // stack trace is shown once per call, not once per progress step.
        if (env_->ExceptionCheck()) {
            clearPendingException(env_, !callbackFailureShown_);
            callbackFailureShown_ = true;
        }
    }

    JNIEnv* env_;
    jobject instance_;
    long long unit_ = 1;  // intervals per step of the progress bar
    jobject params_;
    bool callbackFailureShown_ = false;
};

// A host char in a message: itself when printable, else its code.
std::string describeChar(jchar c) {
    if (c >= 0x20 && c < 0x7f) return std::string("'") + static_cast<char>(c) + "'";
    return "(char code " + std::to_string(c) + ")";
}

// The query as the host's Parameter object holds it.
struct HostQuery {
    jint delta = 0;
    jint minClusterSize = 0;
    std::vector<int> codingTable;
    jint alphabetSize = 0;
    jint q = 0;
    jchar operationMode = 0;
    jchar refType = 0;
    jshort qtype = 0;
};

jfieldID parameterField(JNIEnv* env, jclass parameterClass, const char* name, const char* signature) {
    jfieldID field = env->GetFieldID(parameterClass, name, signature);
    if (field == nullptr) {
        clearPendingException(env, false);
        throw Error::formatted(kErr, "Could not find field %s in Parameter class\n", name);
    }
    return field;
}

// Copies the elements of a host int array; the host's elements are handed
// back at once (nothing written back), so the search never holds them.
std::vector<int> copyIntArray(JNIEnv* env, jintArray array) {
    jsize n = env->GetArrayLength(array);
    std::vector<int> copy(static_cast<size_t>(n));
    if (n == 0) return copy;
    jint* elements = env->GetIntArrayElements(array, nullptr);
    if (elements == nullptr) hostFailure(env, "error: could not read an int array of the host\n", true);
    for (jsize i = 0; i < n; ++i) copy[static_cast<size_t>(i)] = elements[i];
    env->ReleaseIntArrayElements(array, elements, JNI_ABORT);
    return copy;
}

// Reads the fields of the Parameter object in their fixed order (all but
// "run", which the poll reads) and refuses values no search can work with.
HostQuery readHostQuery(JNIEnv* env, jobject params) {
    jclass parameterClass = env->FindClass("tamsu2/algorithm/Parameter");
    if (parameterClass == nullptr) hostFailure(env, "Could not find tamsu2/algorithm/Parameter class\n", false);
    LocalRef classRef(env, parameterClass);

    HostQuery query;
    query.delta = env->GetIntField(params, parameterField(env, parameterClass, "delta", "I"));
    query.minClusterSize = env->GetIntField(params, parameterField(env, parameterClass, "minClusterSize", "I"));
    jfieldID codingTableField = parameterField(env, parameterClass, "codingTable", "[I");
    LocalRef codingTable(env, env->GetObjectField(params, codingTableField));
    query.alphabetSize = env->GetIntField(params, parameterField(env, parameterClass, "alphabetSize", "I"));
    query.q = env->GetIntField(params, parameterField(env, parameterClass, "q", "I"));
    query.operationMode = env->GetCharField(params, parameterField(env, parameterClass, "operationMode", "C"));
    query.refType = env->GetCharField(params, parameterField(env, parameterClass, "refType", "C"));
    query.qtype = env->GetShortField(params, parameterField(env, parameterClass, "qtype", "S"));

    jchar mode = query.operationMode;
    if (mode != 'm' && mode != 'c' && mode != 'r' && mode != 'p')
        throw Error::formatted(kErr, "error: unknown operationMode %s (expected 'm', 'c', 'r' or 'p')\n",
                        describeChar(mode).c_str());
    if ((mode == 'r' || mode == 'p') && query.refType != 'g' && query.refType != 'c' && query.refType != 'd')
        throw Error::formatted(kErr, "error: unknown refType %s in reference-based mode (expected 'g', 'c' or 'd')\n",
                        describeChar(query.refType).c_str());
    if (query.delta < 0) throw Error::formatted(kErr, "error: negative distance threshold %d\n", query.delta);
    if (query.alphabetSize < 0) throw Error::formatted(kErr, "error: negative alphabetSize %d\n", query.alphabetSize);
    if (codingTable.get() == nullptr) fail("error: no codingTable given\n");
    query.codingTable = copyIntArray(env, static_cast<jintArray>(codingTable.get()));
    return query;
}

// The genomes of the call: copies of the host's arrays (genes recoded,
// sentinels at both ends), checked by the library.
tamsu::Genomes readHostGenomes(JNIEnv* env, jobjectArray genomes, HostQuery& query) {
    jsize genomeCount = env->GetArrayLength(genomes);
    std::vector<std::vector<std::vector<int>>> genes(static_cast<size_t>(genomeCount));
    for (jsize i = 0; i < genomeCount; ++i) {
        LocalRef genomeRef(env, env->GetObjectArrayElement(genomes, i));
        if (genomeRef.get() == nullptr) throw Error::formatted(kErr, "error: genome %d is null\n", static_cast<int>(i));
        jobjectArray chromosomes = static_cast<jobjectArray>(genomeRef.get());
        jsize chromCount = env->GetArrayLength(chromosomes);
        for (jsize j = 0; j < chromCount; ++j) {
            LocalRef chromRef(env, env->GetObjectArrayElement(chromosomes, j));
            if (chromRef.get() == nullptr)
                throw Error::formatted(kErr, "error: chromosome %d of genome %d is null\n", static_cast<int>(j),
                                       static_cast<int>(i));
            genes[static_cast<size_t>(i)].push_back(copyIntArray(env, static_cast<jintArray>(chromRef.get())));
        }
    }
    return tamsu::Genomes::fromRecoded(genes, std::move(query.codingTable), query.alphabetSize);
}

// The query of a host run: fixed output stem, and the quorum only when it
// leaves a genome to lack the cluster.
// The output name of every host run (the parameter block names it; the
// statistics file is written beside it).
const std::string kHostOutputFile = "dummy.out";

tamsu::Query makeHostQuery(const HostQuery& host, int genomeCount) {
    tamsu::Query query;
    switch (host.operationMode) {
    case 'c': query.mode = tamsu::Mode::center; break;
    case 'r': query.mode = tamsu::Mode::reference; break;
    case 'p': query.mode = tamsu::Mode::perfect; break;
    default: query.mode = tamsu::Mode::median; break;
    }
    query.delta = host.delta;
    query.minClusterSize = host.minClusterSize;
    // A quorum of 0, or of all genomes or more, is none.
    if (genomeCount > host.q && host.q > 0) query.quorum = tamsu::Quorum{host.q, tamsu::CostType::zero};
    // Perfect mode is the reference search with delta 0 and needs the
    // reference type just as much.
    if (query.mode == tamsu::Mode::reference || query.mode == tamsu::Mode::perfect)
        query.refType = host.refType == 'g'   ? tamsu::RefType::genome
                        : host.refType == 'c' ? tamsu::RefType::cluster
                                              : tamsu::RefType::discovery;
    return query;
}

struct ResultClasses {
    jclass geneCluster = nullptr;
    jmethodID geneClusterInit = nullptr;
    jclass occurrence = nullptr;
    jmethodID occurrenceInit = nullptr;
    jclass subsequence = nullptr;
    jmethodID subsequenceInit = nullptr;
    jclass subsequenceArray = nullptr;
};

jclass findResultClass(JNIEnv* env, const char* name, const char* missingText) {
    jclass found = env->FindClass(name);
    if (found == nullptr) hostFailure(env, missingText, false);
    return found;
}

jmethodID findConstructor(JNIEnv* env, jclass of, const char* signature, const char* missingText) {
    jmethodID init = env->GetMethodID(of, "<init>", signature);
    if (init == nullptr) hostFailure(env, missingText, false);
    return init;
}

ResultClasses findResultClasses(JNIEnv* env) {
    ResultClasses c;
    c.geneCluster = findResultClass(env, "tamsu2/algorithm/GeneCluster", "GeneCluster class not found\n");
    c.geneClusterInit = findConstructor(
        env, c.geneCluster,
        "(I[Ltamsu2/algorithm/GeneClusterOccurrence;[Ltamsu2/algorithm/GeneClusterOccurrence;[IDIIC)V",
        "Couldnt find constructor for GeneCluster\n");
    c.occurrence = findResultClass(env, "tamsu2/algorithm/GeneClusterOccurrence",
                                   "GeneClusterOccurrence class not found\n");
    c.occurrenceInit = findConstructor(env, c.occurrence, "(I[[Ltamsu2/algorithm/Subsequence;DII)V",
                                       "Couldnt find GeneClusterOccurrence constructor!\n");
    c.subsequence = findResultClass(env, "tamsu2/algorithm/Subsequence", "Could not find Subsequence class!\n");
    c.subsequenceInit =
        findConstructor(env, c.subsequence, "(IIIID)V", "Could not find Subsequence constructor!\n");
    c.subsequenceArray = findResultClass(env, "[Ltamsu2/algorithm/Subsequence;",
                                         "Could not find class for Subsequence[]\n");
    return c;
}

// One Subsequence[] of a genome: its occurrences in list order.
jobjectArray generateSubsequenceArray(JNIEnv* env, jclass subsequenceClass, jmethodID subsequenceInit,
                                      const std::vector<tamsu::Occurrence>& occs, int genomeNr) {
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(occs.size()), subsequenceClass, nullptr);
    checkHostCall(env, "creating a Subsequence array");
    for (size_t m = 0; m < occs.size(); ++m) {
        const tamsu::Occurrence& occ = occs[m];
        if (occ.genome != genomeNr) std::fprintf(stderr, "SAFETY ASSERT FAIELD! DLOC GENOME NR MISMATCH\n");
        LocalRef subsequence(env, env->NewObject(subsequenceClass, subsequenceInit, static_cast<jint>(occ.first),
                                                 static_cast<jint>(occ.last), static_cast<jint>(occ.chromosome),
                                                 static_cast<jint>(occ.distance), static_cast<jdouble>(occ.pValue)));
        checkHostCall(env, "constructing a Subsequence");
        env->SetObjectArrayElement(array, static_cast<jsize>(m), subsequence.get());
        checkHostCall(env, "storing a Subsequence");
    }
    return array;
}

}  // namespace

// The occurrence sets of one gene cluster as a GeneClusterOccurrence array:
// per occurrence set one Subsequence array per genome (empty, never null,
// where the set has no occurrence in that genome).
static jobjectArray generateOccArray(JNIEnv* env, jclass occurrenceClass, jclass subsequenceClass,
                                     jclass subsequenceArrayClass, jmethodID subsequenceInit,
                                     jmethodID occurrenceInit, int genomeCount,
                                     const std::vector<tamsu::OccurrenceSet>& sets) {
    jobjectArray occArray = env->NewObjectArray(static_cast<jsize>(sets.size()), occurrenceClass, nullptr);
    checkHostCall(env, "creating a GeneClusterOccurrence array");
    static const std::vector<tamsu::Occurrence> noOccs;
    for (size_t i = 0; i < sets.size(); ++i) {
        const tamsu::OccurrenceSet& set = sets[i];
        LocalFrame frame(env, 8);
        jobjectArray perGenome = env->NewObjectArray(genomeCount, subsequenceArrayClass, nullptr);
        checkHostCall(env, "creating a Subsequence[][] array");
        for (int gi = 0; gi < genomeCount; ++gi) {
            const std::vector<tamsu::Occurrence>& occs =
                static_cast<size_t>(gi) < set.perGenome.size() ? set.perGenome[static_cast<size_t>(gi)] : noOccs;
            LocalRef subsequences(env, generateSubsequenceArray(env, subsequenceClass, subsequenceInit, occs, gi));
            env->SetObjectArrayElement(perGenome, gi, subsequences.get());
            checkHostCall(env, "storing a Subsequence array");
        }
        jobject occurrence = env->NewObject(occurrenceClass, occurrenceInit, static_cast<jint>(i), perGenome,
                                            static_cast<jdouble>(set.pValue), static_cast<jint>(set.totalDistance),
                                            static_cast<jint>(set.genomesWithOccurrence));
        checkHostCall(env, "constructing a GeneClusterOccurrence");
        env->SetObjectArrayElement(occArray, static_cast<jsize>(i), occurrence);
        checkHostCall(env, "storing a GeneClusterOccurrence");
    }
    return occArray;
}

namespace {

// Steps 9-11 of a host run: the gene clusters as a GeneCluster array, their
// gene sets in the codes the host gave.
jobjectArray generateGeneClusterArray(JNIEnv* env, const std::vector<tamsu::Cluster>& clusters,
                                      const tamsu::Genomes& genomes) {
    const int genomeCount = genomes.genomeCount();
    ResultClasses c = findResultClasses(env);
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(clusters.size()), c.geneCluster, nullptr);
    if (array == nullptr)
        hostFailure(env, "Could not create GeneCluster array to store results\n", true);
    for (jsize k = 0; k < static_cast<jsize>(clusters.size()); ++k) {
        const tamsu::Cluster& cluster = clusters[static_cast<size_t>(k)];
        LocalFrame frame(env, 8);
        jobjectArray best = generateOccArray(env, c.occurrence, c.subsequence, c.subsequenceArray,
                                             c.subsequenceInit, c.occurrenceInit, genomeCount, cluster.best);
        jobjectArray all = generateOccArray(env, c.occurrence, c.subsequence, c.subsequenceArray,
                                            c.subsequenceInit, c.occurrenceInit, genomeCount, cluster.all);
        jsize geneCount = static_cast<jsize>(cluster.families.size());
        jintArray genes = env->NewIntArray(geneCount);
        checkHostCall(env, "creating the consensus gene array");
        std::vector<jint> consensus;
        for (int family : cluster.families) consensus.push_back(genomes.familyCode(family));
        if (geneCount > 0) env->SetIntArrayRegion(genes, 0, geneCount, consensus.data());
        jobject geneClusterObject = env->NewObject(
            c.geneCluster, c.geneClusterInit, static_cast<jint>(k), best, all, genes,
            static_cast<jdouble>(cluster.pValue), static_cast<jint>(cluster.minTotalDistance),
            static_cast<jint>(cluster.referenceGenome), static_cast<jchar>(tamsu::modeChar(cluster.mode)));
        checkHostCall(env, "constructing a GeneCluster");
        env->SetObjectArrayElement(array, k, geneClusterObject);
        checkHostCall(env, "storing a GeneCluster");
    }
    return array;
}

// The derived parameter block as text; a query whose derived values cannot
// be formed fails here, before anything is printed.
std::string derivedParameters(const tamsu::Query& query, int genomeCount) {
    char* text = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&text, &size);
    if (stream == nullptr) throw std::bad_alloc();
    std::unique_ptr<char, void (*)(void*)> owned(nullptr, std::free);
    try {
        tamsu::printDerivedParameters(stream, query, genomeCount, kHostOutputFile);
    } catch (...) {
        std::fclose(stream);
        owned.reset(text);
        throw;
    }
    std::fclose(stream);
    owned.reset(text);
    return std::string(text, size);
}

// One whole host run; throws tamsu::Error for everything it refuses or that
// fails, returns null only when the host stopped the search.
jobjectArray runHostQuery(JNIEnv* env, jobjectArray genomes, jobject paramsObject, JniProgressHost& host) {
    if (genomes == nullptr) fail("error: no genomes given\n");
    jsize genomeCount = env->GetArrayLength(genomes);

    HostQuery hostQuery = readHostQuery(env, paramsObject);
    if (genomeCount < 1) fail("error: no genomes given (at least one is needed)\n");
    const tamsu::Genomes set = readHostGenomes(env, genomes, hostQuery);

    const tamsu::Query query = makeHostQuery(hostQuery, genomeCount);
    std::fprintf(stderr, "params set\n");
    const std::string parameters = derivedParameters(query, genomeCount);
    std::fprintf(stderr, "derived params set\n");
    std::fputs(parameters.c_str(), stderr);

    tamsu::RunContext context;
    context.statisticsPath = tamsu::statisticsFileName(kHostOutputFile);
    context.writeStatistics = true;  // the host finds the statistics file beside its output name
    context.status = &host;
    const tamsu::Result result = tamsu::findClusters(set, query, context);
    if (result.cancelled) return nullptr;
    return generateGeneClusterArray(env, result.clusters, set);
}

}  // namespace

// Set while a call runs. The library keeps no state between calls, but the
// host contract is one computation per process at a time: a second call (from
// another thread, or from inside a progress callback) is refused.
static std::atomic<bool> computationRunning{false};

extern "C" JNIEXPORT jobjectArray JNICALL Java_tamsu2_TamsuInstance_computeClusters(JNIEnv* env, jobject,
                                                                                    jobjectArray genomes,
                                                                                    jobject params,
                                                                                    jobject instance) {
    if (computationRunning.exchange(true)) {
        std::fprintf(stderr, "error: another computation is running in this process\n");
        std::fflush(stderr);
        return nullptr;
    }
    jobject answer = nullptr;
    {
        JniProgressHost host(env, instance, params);
        try {
            if (params == nullptr) fail("error: no Parameter object given\n");
            if (instance == nullptr) fail("error: no TamsuInstance given\n");
            LocalFrame frame(env, 16);
            jobjectArray array = runHostQuery(env, genomes, params, host);
            answer = frame.pop(array);
        } catch (...) {
            tamsu::printCurrentError(stdout, stderr);
        }
    }
    // The host sees no exception from this library, whatever happened above.
    clearPendingException(env, true);
    std::fflush(stdout);
    std::fflush(stderr);
    computationRunning.store(false);
    return static_cast<jobjectArray>(answer);
}

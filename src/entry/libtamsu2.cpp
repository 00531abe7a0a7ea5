// The JVM bridge: turns the host's recoded genome arrays and Parameter object
// into a run of the shared driver, talks to the host for progress and
// cancellation while it runs, and hands the gene clusters back as host objects.
// Nothing that goes wrong in here may end the host's process: every failure is
// printed on stderr and answered with null, and no Java exception escapes.
#include "entry/libtamsu2.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "entry/commInts.h"
#include "entry/progress.h"
#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"
#include "params/parameterArray.h"
#include "results/geneClusters.h"
#include "results/refGeneClusters.h"
#include "util/errors.h"

JNIEnv* jni_env = nullptr;
jobject tamsu_instance = nullptr;
jobject tamsu_params = nullptr;

void errprint(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

namespace {

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
    fail(stderr, "%s", text);
}

// Fails when the last JNI call left an exception (out of memory, or an
// exception thrown by a host constructor).
void checkHostCall(JNIEnv* env, const char* what) {
    if (env->ExceptionCheck()) {
        std::fflush(stdout);
        env->ExceptionDescribe();
        env->ExceptionClear();
        fail(stderr, "error: %s failed in the host\n", what);
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

// Progress bar and "run" poll of the host, reached through the process-wide
// references of the running call. Identifiers are looked up anew every time.
class JniProgressHost final : public ProgressHost {
public:
    void initProgressBar(int maximum) override {
        callInstanceMethod("initProgressBar", "Could not find initProgressBar() method", maximum);
    }
    void setProgressStatus(int value) override {
        callInstanceMethod("setProgressStatus", "Could not find setProgressStatus() method", value);
    }

    // Goes on unless the host's "run" field reads false; when the field cannot
    // be found the message is printed and the run goes on.
    bool continueComputation() override {
        JNIEnv* env = jni_env;
        if (env == nullptr || tamsu_params == nullptr) return true;
        jclass parameterClass = env->FindClass("tamsu2/algorithm/Parameter");
        if (parameterClass == nullptr) {
            clearPendingException(env, false);
            errprint("Could not find instance class");
            return true;
        }
        LocalRef classRef(env, parameterClass);
        jfieldID runField = env->GetFieldID(parameterClass, "run", "Z");
        if (runField == nullptr) {
            clearPendingException(env, false);
            errprint("Could not find run field in Parameter class");
            return true;
        }
        return env->GetBooleanField(tamsu_params, runField) == JNI_TRUE;
    }

private:
    void callInstanceMethod(const char* name, const char* missingText, int value) {
        JNIEnv* env = jni_env;
        if (env == nullptr || tamsu_instance == nullptr) return;
        jclass instanceClass = env->FindClass("tamsu2/TamsuInstance");
        if (instanceClass == nullptr) {
            clearPendingException(env, false);
            errprint("Could not find instance class");
            return;
        }
        LocalRef classRef(env, instanceClass);
        jmethodID method = env->GetMethodID(instanceClass, name, "(I)V");
        if (method == nullptr) {
            clearPendingException(env, false);
            errprint(missingText);
            return;
        }
        env->CallVoidMethod(tamsu_instance, method, static_cast<jint>(value));
        // An exception thrown by the host's callback is dropped: the progress
        // display is the host's own business and the search goes on. Its
        // stack trace is shown once per call, not once per progress step.
        if (env->ExceptionCheck()) {
            clearPendingException(env, !callbackFailureShown_);
            callbackFailureShown_ = true;
        }
    }

    bool callbackFailureShown_ = false;
};

// Sets the process-wide references and the progress host for one call and
// clears them on every way out, so that nothing of a call outlives it.
class CallScope {
public:
    CallScope(JNIEnv* env, jobject instance, jobject params, ProgressHost* host) {
        jni_env = env;
        tamsu_instance = instance;
        tamsu_params = params;
        progress = ProgressState{};
        setProgressHost(host);
    }
    ~CallScope() {
        setProgressHost(nullptr);
        progress = ProgressState{};
        jni_env = nullptr;
        tamsu_instance = nullptr;
        tamsu_params = nullptr;
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
};

// A host char in a message: itself when printable, else its code.
std::string describeChar(jchar c) {
    if (c >= 0x20 && c < 0x7f) return std::string("'") + static_cast<char>(c) + "'";
    return formatText("(char code %d)", static_cast<int>(c));
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
        fail(stderr, "Could not find field %s in Parameter class\n", name);
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
        fail(stderr, "error: unknown operationMode %s (expected 'm', 'c', 'r' or 'p')\n",
             describeChar(mode).c_str());
    if ((mode == 'r' || mode == 'p') && query.refType != 'g' && query.refType != 'c' && query.refType != 'd')
        fail(stderr, "error: unknown refType %s in reference-based mode (expected 'g', 'c' or 'd')\n",
             describeChar(query.refType).c_str());
    if (query.delta < 0) fail(stderr, "error: negative distance threshold %d\n", query.delta);
    if (query.alphabetSize < 0) fail(stderr, "error: negative alphabetSize %d\n", query.alphabetSize);
    if (codingTable.get() == nullptr) fail(stderr, "error: no codingTable given\n");
    query.codingTable = copyIntArray(env, static_cast<jintArray>(codingTable.get()));
    if (query.codingTable.size() < static_cast<size_t>(query.alphabetSize) + 1)
        fail(stderr, "error: codingTable has %zu entries, alphabetSize %d needs %d\n", query.codingTable.size(),
             query.alphabetSize, query.alphabetSize + 1);
    query.codingTable.resize(static_cast<size_t>(query.alphabetSize) + 1);
    return query;
}

// One host chromosome: a copy of its array, checked for the sentinel 0 at both
// ends and genes within the alphabet.
Chromosome readHostChromosome(JNIEnv* env, jintArray array, int genomeNr, int chromNr, int alphabetSize) {
    if (array == nullptr) fail(stderr, "error: chromosome %d of genome %d is null\n", chromNr, genomeNr);
    std::vector<int> genes = copyIntArray(env, array);
    int entries = static_cast<int>(genes.size());
    if (entries < 2)
        fail(stderr, "error: chromosome %d of genome %d has %d entries; it needs at least the two sentinels\n",
             chromNr, genomeNr, entries);
    if (genes.front() != 0 || genes.back() != 0)
        fail(stderr, "error: chromosome %d of genome %d lacks the sentinel 0 at position %d\n", chromNr, genomeNr,
             genes.front() != 0 ? 0 : entries - 1);
    for (int pos = 1; pos < entries - 1; ++pos)
        if (genes[pos] < 1 || genes[pos] > alphabetSize)
            fail(stderr, "error: gene %d at position %d of chromosome %d of genome %d is outside 1..%d\n",
                 genes[pos], pos, chromNr, genomeNr, alphabetSize);
    Chromosome chrom;
    chrom.number = chromNr;
    chrom.length = entries - 2;
    chrom.genes = std::move(genes);
    return chrom;
}

// The genome set of the call: genomes and chromosomes keep the host's order
// and carry no names or annotation; the genes arrive recoded.
std::unique_ptr<SetOfSeqs> readHostGenomes(JNIEnv* env, jobjectArray genomes, const HostQuery& query) {
    jsize genomeCount = env->GetArrayLength(genomes);
    std::unique_ptr<SetOfSeqs> set = initSetOfSeqs(genomeCount);
    for (jsize i = 0; i < genomeCount; ++i) {
        LocalRef genomeRef(env, env->GetObjectArrayElement(genomes, i));
        if (genomeRef.get() == nullptr) fail(stderr, "error: genome %d is null\n", static_cast<int>(i));
        jobjectArray chromosomes = static_cast<jobjectArray>(genomeRef.get());
        jsize chromCount = env->GetArrayLength(chromosomes);
        Genome& genome = set->genomes[static_cast<size_t>(i)];
        genome.name.clear();
        genome.number = i;
        genome.chromosomeCount = chromCount;
        genome.chromosomes.clear();
        genome.chromosomes.reserve(static_cast<size_t>(chromCount));
        for (jsize j = 0; j < chromCount; ++j) {
            LocalRef chromRef(env, env->GetObjectArrayElement(chromosomes, j));
            genome.chromosomes.push_back(
                readHostChromosome(env, static_cast<jintArray>(chromRef.get()), i, j, query.alphabetSize));
        }
    }
    set->alphabetSize = query.alphabetSize;
    set->codingTable = query.codingTable;
    return set;
}

// The parameter record of a host run: fixed space switches and output stem,
// progress to the host, and the quorum only when it leaves a genome to lack
// the cluster.
std::unique_ptr<ParameterArray> makeHostParameters(const HostQuery& query, int genomeCount) {
    char mode = static_cast<char>(query.operationMode & 0xff);
    bool hasQuorum = false;
    char qtype = '\0';
    if (genomeCount > query.q) {
        hasQuorum = query.q > 0;
        if (query.q > 0) qtype = 'z';
    }
    std::unique_ptr<ParameterArray> params =
        initParameterArray(query.delta, query.minClusterSize, 0.0, mode == 'c', true, true, hasQuorum, query.q, qtype,
                           mode, "dummy.out", true, '?');
    // Perfect mode is the reference search with delta 0 and needs the
    // reference type just as much.
    if (mode == 'r' || mode == 'p') params->refType = static_cast<char>(query.refType & 0xff);
    return params;
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
                                      const std::vector<approxOcc>& occs, int genomeNr) {
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(occs.size()), subsequenceClass, nullptr);
    checkHostCall(env, "creating a Subsequence array");
    for (size_t m = 0; m < occs.size(); ++m) {
        const approxOcc& occ = occs[m];
        if (occ.genome != genomeNr) std::fprintf(stderr, "SAFETY ASSERT FAIELD! DLOC GENOME NR MISMATCH\n");
        LocalRef subsequence(env, env->NewObject(subsequenceClass, subsequenceInit, static_cast<jint>(occ.l),
                                                 static_cast<jint>(occ.r), static_cast<jint>(occ.chromosome),
                                                 static_cast<jint>(occ.dist), static_cast<jdouble>(occ.pValue)));
        checkHostCall(env, "constructing a Subsequence");
        env->SetObjectArrayElement(array, static_cast<jsize>(m), subsequence.get());
        checkHostCall(env, "storing a Subsequence");
    }
    return array;
}

}  // namespace

// The occurrence sets of one gene cluster as a GeneClusterOccurrence array:
// per ACI one Subsequence array per genome (empty, never null, where the ACI
// has no occurrence in that genome).
static jobjectArray generateOccArray(JNIEnv* env, jclass occurrenceClass, jclass subsequenceClass,
                                     jclass subsequenceArrayClass, jmethodID subsequenceInit,
                                     jmethodID occurrenceInit, int genomeCount, const std::vector<ACI>& aciList) {
    jobjectArray occArray = env->NewObjectArray(static_cast<jsize>(aciList.size()), occurrenceClass, nullptr);
    checkHostCall(env, "creating a GeneClusterOccurrence array");
    static const std::vector<approxOcc> noOccs;
    for (size_t i = 0; i < aciList.size(); ++i) {
        const ACI& aci = aciList[i];
        LocalFrame frame(env, 8);
        jobjectArray perGenome = env->NewObjectArray(genomeCount, subsequenceArrayClass, nullptr);
        checkHostCall(env, "creating a Subsequence[][] array");
        for (int gi = 0; gi < genomeCount; ++gi) {
            const std::vector<approxOcc>& occs =
                static_cast<size_t>(gi) < aci.occLists.size() ? aci.occLists[static_cast<size_t>(gi)] : noOccs;
            LocalRef subsequences(env, generateSubsequenceArray(env, subsequenceClass, subsequenceInit, occs, gi));
            env->SetObjectArrayElement(perGenome, gi, subsequences.get());
            checkHostCall(env, "storing a Subsequence array");
        }
        jobject occurrence = env->NewObject(occurrenceClass, occurrenceInit, static_cast<jint>(i), perGenome,
                                            static_cast<jdouble>(aci.pValue), static_cast<jint>(aci.totalDist),
                                            static_cast<jint>(aci.support));
        checkHostCall(env, "constructing a GeneClusterOccurrence");
        env->SetObjectArrayElement(occArray, static_cast<jsize>(i), occurrence);
        checkHostCall(env, "storing a GeneClusterOccurrence");
    }
    return occArray;
}

namespace {

// Steps 9-11 of a host run: the gene clusters as a GeneCluster array.
jobjectArray generateGeneClusterArray(JNIEnv* env, const listOfGeneClusters& clusters, int genomeCount) {
    ResultClasses c = findResultClasses(env);
    jobjectArray array = env->NewObjectArray(clusters.size(), c.geneCluster, nullptr);
    if (array == nullptr)
        hostFailure(env, "Could not create GeneCluster array to store results\n", true);
    for (int k = 0; k < clusters.size(); ++k) {
        const geneCluster& cluster = clusters.clusters[static_cast<size_t>(k)];
        LocalFrame frame(env, 8);
        jobjectArray best = generateOccArray(env, c.occurrence, c.subsequence, c.subsequenceArray,
                                             c.subsequenceInit, c.occurrenceInit, genomeCount, cluster.bestClusters);
        jobjectArray all = generateOccArray(env, c.occurrence, c.subsequence, c.subsequenceArray,
                                            c.subsequenceInit, c.occurrenceInit, genomeCount, cluster.allClusters);
        jsize geneCount = static_cast<jsize>(cluster.consensusSet.size());
        jintArray genes = env->NewIntArray(geneCount);
        checkHostCall(env, "creating the consensus gene array");
        std::vector<jint> consensus(cluster.consensusSet.begin(), cluster.consensusSet.end());
        if (geneCount > 0) env->SetIntArrayRegion(genes, 0, geneCount, consensus.data());
        jobject geneClusterObject = env->NewObject(
            c.geneCluster, c.geneClusterInit, static_cast<jint>(k), best, all, genes,
            static_cast<jdouble>(cluster.pValue), static_cast<jint>(cluster.minTotalDist),
            static_cast<jint>(cluster.refGenomeNr), static_cast<jchar>(static_cast<unsigned char>(cluster.type)));
        checkHostCall(env, "constructing a GeneCluster");
        env->SetObjectArrayElement(array, k, geneClusterObject);
        checkHostCall(env, "storing a GeneCluster");
    }
    return array;
}

// One whole host run; throws TamsuError for everything it refuses or that
// fails, returns null only when the host stopped the search.
jobjectArray runHostQuery(JNIEnv* env, jobjectArray genomes, jobject paramsObject) {
    if (genomes == nullptr) fail(stderr, "error: no genomes given\n");
    jsize genomeCount = env->GetArrayLength(genomes);

    HostQuery query = readHostQuery(env, paramsObject);
    if (genomeCount < 1) fail(stderr, "error: no genomes given (at least one is needed)\n");
    std::unique_ptr<SetOfSeqs> set = readHostGenomes(env, genomes, query);

    std::unique_ptr<ParameterArray> params = makeHostParameters(query, genomeCount);
    std::fprintf(stderr, "params set\n");
    setDerivedParameters(*params, genomeCount);
    std::fprintf(stderr, "derived params set\n");
    fprintParameterArray(stderr, *params);

    // The parameter record is released quietly (unique_ptr): a host run never
    // reports the output names.
    std::unique_ptr<ResultArray> result = computeClusters(*set, *params);
    if (!result) return nullptr;

    std::unique_ptr<listOfGeneClusters> clusters;
    if (params->operationMode == 'c' || params->operationMode == 'm') {
        sort_kTupleList_byGeneContent(result->kTupleList.get());
        clusters = extractGeneClusters(*result->kTupleList);
    } else {
        if (!result->refClusterList) fail(stderr, "error: the reference search left no cluster list\n");
        clusters = extractRefGeneClusters(*result->refClusterList, genomeCount);
    }
    return generateGeneClusterArray(env, *clusters, genomeCount);
}

}  // namespace

// Set while a call runs: the search state is process-wide, so a second call
// (from another thread, or from inside a progress callback) is refused rather
// than allowed to overwrite the running one's state.
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
        JniProgressHost host;
        CallScope scope(env, instance, params, &host);
        try {
            if (params == nullptr) fail(stderr, "error: no Parameter object given\n");
            if (instance == nullptr) fail(stderr, "error: no TamsuInstance given\n");
            LocalFrame frame(env, 16);
            jobjectArray array = runHostQuery(env, genomes, params);
            answer = frame.pop(array);
        } catch (const TamsuError& error) {
            std::fflush(stdout);
            error.print();
        } catch (const std::bad_alloc&) {
            std::fflush(stdout);
            std::fprintf(stderr, "error: out of memory\n");
        } catch (const std::exception& error) {
            std::fflush(stdout);
            std::fprintf(stderr, "error: %s\n", error.what());
        } catch (...) {
            std::fflush(stdout);
            std::fprintf(stderr, "error: unexpected failure\n");
        }
    }
    // The host sees no exception from this library, whatever happened above.
    clearPendingException(env, true);
    std::fflush(stdout);
    std::fflush(stderr);
    computationRunning.store(false);
    return static_cast<jobjectArray>(answer);
}

// The one walk over every reference interval that the median, center and
// reference-based searches share: left border by left border over the
// chromosomes of the reference genomes, with ranks, border rows, the
// pattern, progress and cancellation kept current.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "index/occurrenceIndex.h"
#include "walk/pattern.h"
#include "walk/progress.h"
#include "walk/walkTables.h"

namespace tamsu::detail {

// What a search tells the walk after a left border.
enum class LeftBorder {
    done,     // counted in the progress
    skipped,  // left out of the progress (nothing was searched there)
    cancel,   // stop the walk
};

class ReferenceWalk {
public:
    // D: the border depth the search reads; primed: keep L_prime and R_prime too.
    ReferenceWalk(const OccurrenceIndex& index, int D, bool primed, Progress& progress)
        : index_(index),
          tables_(index, D, primed),
          progress_(progress),
          pattern_(makePattern(index.alphabetSize() + 1, index.genomeCount())) {}

    // For every left border i of every reference chromosome of refs: brings
    // the ranks and border rows up to the suffix starting at i, resets the
    // pattern to the empty interval at i and calls atLeftBorder(ref, i), which
    // grows the interval with grow() and answers a LeftBorder. False when the
    // run was cancelled (by the poll or by the search); the progress line is
    // closed then. After a complete walk the caller closes it.
    template <typename AtLeftBorder>
    bool run(ChromRange refs, AtLeftBorder&& atLeftBorder);

    // Grows the pattern by the character at position j of ref and every
    // position after it that holds a character already in it; false at the
    // end of the chain (see growReferenceInterval).
    bool grow(int j, const ChromIndex& ref) { return growReferenceInterval(j, pattern_, ref); }

    Pattern& pattern() { return pattern_; }
    WalkTables& tables() { return tables_; }
    const std::vector<int>& rank() const { return tables_.rank; }
    Progress& progress() { return progress_; }

    // Brings ranks, rows and pattern to left border i of ref (i = 1 rebuilds).
    void moveLeftBorder(const ChromIndex& ref, int i);
    // The same from any state: the ranks rebuilt for the suffix at i.
    void seekLeftBorder(const ChromIndex& ref, int i);

private:
    const OccurrenceIndex& index_;
    WalkTables tables_;
    Progress& progress_;
    Pattern pattern_;
};

inline void ReferenceWalk::moveLeftBorder(const ChromIndex& ref, int i) {
    updateRank(tables_, index_.alphabetSize(), ref, i);
    tables_.forgetRows();
    resetPattern(pattern_, index_.alphabetSize(), tables_.D, ref.genome, ref.number, i);
}

inline void ReferenceWalk::seekLeftBorder(const ChromIndex& ref, int i) {
    computeRank(tables_, index_.alphabetSize(), ref, i);
    tables_.forgetRows();
    resetPattern(pattern_, index_.alphabetSize(), tables_.D, ref.genome, ref.number, i);
}

template <typename AtLeftBorder>
bool ReferenceWalk::run(ChromRange refs, AtLeftBorder&& atLeftBorder) {
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const ChromIndex& ref = index_.chromosomes()[static_cast<size_t>(flat)];
        const int n = ref.length;
        progress_.newReferenceChromosome(ref.number, ref.genome, ref.name(), n);
        for (int i = 1; i <= n; ++i) {
            LeftBorder step = LeftBorder::cancel;
            if (progress_.continueComputation()) {
                moveLeftBorder(ref, i);
                step = atLeftBorder(ref, i);
            }
            if (step == LeftBorder::cancel) {
                progress_.endRun();
                return false;
            }
            if (step == LeftBorder::done) progress_.afterLeftBorder(n - i + 1);
        }
        progress_.afterChromosome(static_cast<long long>(n) * (n + 1) / 2);
    }
    return true;
}

// The progress of one walked reference chromosome, written afterwards exactly
// as run() writes it along the way; done[i-1]: left border i was counted. A
// chromosome with fewer flags than left borders was stopped inside.
inline void reportChromosomeProgress(Progress& progress, const ChromIndex& ref,
                                     const std::vector<unsigned char>& done) {
    const int n = ref.length;
    progress.newReferenceChromosome(ref.number, ref.genome, ref.name(), n);
    for (size_t i = 1; i <= done.size(); ++i)
        if (done[i - 1] != 0) progress.afterLeftBorder(n - static_cast<long long>(i) + 1);
    if (static_cast<int>(done.size()) == n) progress.afterChromosome(static_cast<long long>(n) * (n + 1) / 2);
}

// The progress of a walk over refs whose results were found elsewhere (by
// the shards of a split run): isDone(ref, i) tells whether left border i
// counts. Writes what run() would have written.
template <typename IsDone>
void replayReferenceWalk(const OccurrenceIndex& index, ChromRange refs, Progress& progress, IsDone&& isDone) {
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const ChromIndex& ref = index.chromosomes()[static_cast<size_t>(flat)];
        std::vector<unsigned char> done(static_cast<size_t>(std::max(ref.length, 0)));
        for (int i = 1; i <= ref.length; ++i) done[static_cast<size_t>(i - 1)] = isDone(ref, i) ? 1 : 0;
        reportChromosomeProgress(progress, ref, done);
    }
}

// How many tasks runLeftBorderRangesInParallel makes of refs.
inline size_t leftBorderRangeCount(const OccurrenceIndex& index, ChromRange refs, int rangeLength) {
    size_t count = 0;
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const long long n = std::max(index.chromosomes()[static_cast<size_t>(flat)].length, 0);
        const long long step = std::max(rangeLength, 1);
        count += static_cast<size_t>(std::max((n + step - 1) / step, 1LL));
    }
    return count;
}

// The walk of ReferenceWalk::run spread over `threads` workers, in tasks of
// up to rangeLength consecutive left borders of one reference chromosome
// (walk order numbers them). Every worker owns a ReferenceWalk (ranks, rows,
// pattern) and whatever makeWorker(walk, stopped) returns (stopped turns true
// once the run is given up, for searches that poll inside a left border): a callable
// (ref, i, task) -> LeftBorder, run at every left border of the tasks the
// worker takes, which keeps its results by task. Workers touch neither the
// progress nor the host: the calling thread polls cancellation and, as each
// task in walk order is done, writes its progress exactly as run() would
// have, calling replay(ref, i, task) before the progress of left border i.
// False when cancelled (the progress line is closed then).
template <typename MakeWorker, typename Replay>
bool runLeftBorderRangesInParallel(const OccurrenceIndex& index, int D, bool primed, Progress& progress,
                                   ChromRange refs, int threads, int rangeLength, MakeWorker&& makeWorker,
                                   Replay&& replay) {
    struct Task {
        int flat = 0;
        int from = 1;  // left borders from..to (a chromosome without genes: one empty task)
        int to = 0;
        std::vector<unsigned char> done;  // per left border: counted in the progress
        bool finished = false;
    };
    std::vector<Task> tasks;
    for (int flat = refs.first; flat < refs.end; ++flat) {
        const int n = std::max(index.chromosomes()[static_cast<size_t>(flat)].length, 0);
        int from = 1;
        do {
            // A whole chromosome per task comes as rangeLength INT_MAX: counted in 64 bits.
            const int to =
                static_cast<int>(std::min<long long>(n, static_cast<long long>(from) + std::max(rangeLength, 1) - 1));
            tasks.push_back({flat, from, to, {}, false});
            from = to + 1;
        } while (from <= n);
    }
    const size_t count = tasks.size();
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::exception_ptr error;

    auto work = [&] {
        try {
            ReferenceWalk walk(index, D, primed, progress);
            auto atLeftBorder = makeWorker(walk, static_cast<const std::atomic<bool>&>(stop));
            for (size_t t = next++; t < count && !stop; t = next++) {
                const Task& task = tasks[t];
                const ChromIndex& ref = index.chromosomes()[static_cast<size_t>(task.flat)];
                std::vector<unsigned char> done;
                done.reserve(static_cast<size_t>(std::max(task.to - task.from + 1, 0)));
                for (int i = task.from; i <= task.to && !stop; ++i) {
                    if (i == task.from)
                        walk.seekLeftBorder(ref, i);
                    else
                        walk.moveLeftBorder(ref, i);
                    const LeftBorder step = atLeftBorder(ref, i, t);
                    if (step == LeftBorder::cancel) {
                        stop = true;
                        break;
                    }
                    done.push_back(step == LeftBorder::done ? 1 : 0);
                }
                std::lock_guard lock(mutex);
                tasks[t].done = std::move(done);
                tasks[t].finished = true;
                changed.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!error) error = std::current_exception();
            stop = true;
            changed.notify_all();
        }
    };
    size_t t = 0;
    {
        std::vector<std::jthread> workers;
        for (int w = 0; w < threads; ++w) workers.emplace_back(work);
        while (t < count) {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::milliseconds(50),
                             [&] { return tasks[t].finished || error || stop; });
            if (error) break;
            if (!tasks[t].finished) {
                if (stop) break;
                lock.unlock();
                if (!progress.continueComputation()) stop = true;
                continue;
            }
            const std::vector<unsigned char> done = std::move(tasks[t].done);
            lock.unlock();
            const Task& task = tasks[t];
            const ChromIndex& ref = index.chromosomes()[static_cast<size_t>(task.flat)];
            const int n = ref.length;
            if (task.from == 1) progress.newReferenceChromosome(ref.number, ref.genome, ref.name(), n);
            for (size_t k = 0; k < done.size(); ++k) {
                const int i = task.from + static_cast<int>(k);
                replay(ref, i, t);
                if (done[k] != 0) progress.afterLeftBorder(n - static_cast<long long>(i) + 1);
            }
            if (static_cast<int>(done.size()) < task.to - task.from + 1) break;  // stopped inside this task
            if (task.to >= n) progress.afterChromosome(static_cast<long long>(n) * (n + 1) / 2);
            ++t;
        }
        stop = true;  // the workers leave once the answer is complete or given up
    }
    if (error) std::rethrow_exception(error);
    if (t < count) {
        progress.endRun();
        return false;
    }
    return true;
}

// The same a whole reference chromosome per task, the worker's callable
// (ref, i) -> LeftBorder keeping its results by chromosome (ref.flat is the
// chromosome's place in walk order).
template <typename MakeWorker>
bool runReferenceWalkInParallel(const OccurrenceIndex& index, int D, bool primed, Progress& progress, ChromRange refs,
                                int threads, MakeWorker&& makeWorker) {
    return runLeftBorderRangesInParallel(
        index, D, primed, progress, refs, threads, std::numeric_limits<int>::max(),
        [&](ReferenceWalk& walk, const std::atomic<bool>&) {
            return [atLeftBorder = makeWorker(walk)](const ChromIndex& ref, int i, size_t) mutable {
                return atLeftBorder(ref, i);
            };
        },
        [](const ChromIndex&, int, size_t) {});
}

}  // namespace tamsu::detail

// The median search of one cluster filter: one candidate interval per genome,
// chosen depth-first with the running median distance.
#pragma once

#include <memory>
#include <vector>

#include "filters/charSets.h"
#include "genomes/setOfSeqs.h"
#include "median/kTuples.h"
#include "occurrences/matchField.h"
#include "params/parameterArray.h"

struct ResultArray;

// Working record of one generate_kTuples call.
struct kTupleData {
    const SetOfSeqs* setOfSeqs = nullptr;
    ResultArray* results = nullptr;
    const ParameterArray* params = nullptr;
    MatchField* matchField = nullptr;
    std::unique_ptr<kTupleList> newTuples;
    std::vector<Interval*> currentIntervals;  // k; entries at and beyond the current depth are stale
    const std::vector<int>* localChars = nullptr;
    std::vector<int> localIndex;              // taken over from the matches record
    int localCharCount = 0;
    int refSeq = 0;
    std::vector<int> occCount;                // localCharCount + 1
    setOfChars charSet;
};

// Recursion steps, for the host cancellation poll.
extern unsigned int stepCounter;

bool generate_kTuples(const SetOfSeqs& set, const ParameterArray& params, MatchesRecord& record,
                      ResultArray& results);
bool isValidInterval(const SetOfSeqs& set, const ParameterArray& params, const Chromosome& chrom, int l, int r);

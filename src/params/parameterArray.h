// One query: search mode, thresholds, quorum, reference type, output names and
// the values derived from them and the genome count.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

struct ParameterArray {
    bool gui = false;            // run comes from the host: progress bar and cancellation poll
    int minClusterSize = -1;     // s; -1 when not given
    int minRefSize = -1;         // minimum distinct genes of a reference interval (derived)
    double minOccSize = 0.0;     // minimum share of a cluster's genes an occurrence must hold
    int delta = -1;              // distance threshold; g*delta in center mode after derivation
    int d = -1;                  // derived bound on the summed distances to the reference interval
    int pwDelta = 0;             // center mode: the pair-wise threshold as entered
    int maxOccDist = 0;          // filter depth D
    int maxDistToCenter = 0;     // center mode: bound on an occurrence's distance to the center
    int maxSumDist = 0;          // total distance budget
    bool isCenter = false;
    char operationMode = 'm';    // 'm', 'c', 'r', 'p'
    char refType = '?';          // '?', 'g', 'c', 'd'
    bool hasQuorum = false;
    int q = -1;                  // quorum as entered; after derivation the genomes that may lack a cluster
    char qtype = '?';            // 'z', 'r', 's', '?'
    std::string outfile;
    std::string outfileBase;     // outfile without its four-character extension
    bool useNUM = true;
    bool useLR = true;
};

std::unique_ptr<ParameterArray> initParameterArray(int delta, int minClusterSize, double minOccSize,
                                                   bool isCenter, bool useNUM, bool useLR,
                                                   bool hasQuorum, int q, char qtype, char operationMode,
                                                   const std::string& outfile, bool gui, char refType);

// Releases the record; on the command line it reports both output names on stderr.
void freeParameterArray(std::unique_ptr<ParameterArray>& params);

// Completes the record with the genome count g; run exactly once. Afterwards q
// counts the genomes that may lack a cluster (0 without a quorum). Throws
// TamsuError for g < 1.
void setDerivedParameters(ParameterArray& params, int g);

// Parses the command line; throws TamsuError (message + usage on stderr) on any error.
std::unique_ptr<ParameterArray> readParameters(int argc, const char* const* argv);

// Returns only when the combination is valid; otherwise throws TamsuError with
// the rule's message and the usage (stderr). No path: std::nullopt.
void testParameterCompatibility(int delta, int s, char mode, char refType, bool hasQuorum, char qtype, int q,
                                const std::optional<std::string>& genomeListPath);

// Default output name: <stem>_d<delta>_s<s>_<mode>[_q<q>].out from the texts as
// typed (absent texts contribute nothing); the stem is the list path up to its
// first '.' after any leading dots.
std::string createNameForOutFile(const std::optional<std::string>& deltaText,
                                 const std::optional<std::string>& sText, bool isCenter, char mode,
                                 const std::optional<std::string>& qText, const std::string& genomeListPath);

void fprintUsage(FILE* stream);
void fprintParameterArray(FILE* stream, const ParameterArray& params);

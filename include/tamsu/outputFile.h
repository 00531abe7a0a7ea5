// Output files that never replace or damage an input, and that appear only
// when they are complete: the command line's output table and statistics
// file, the shard results, the pictures of zub plot and the files of zub
// convert are all written this way.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tamsu {

// Throws Error (stream err) when output cannot be a file written by the run:
// it names an existing folder, its folder does not exist, or it is the same
// file as one of inputs (compared as resolved files, so "./x", "../d/x", a
// symbolic or hard link to an input are all caught). Inputs that do not
// exist are skipped.
void checkOutputPath(const std::string& output, const std::vector<std::string>& inputs);

// A file written under a temporary name beside its target ("<name>.tmp" and
// six random characters, created with the usual permissions) and renamed to
// the target by commit(). A target that is a link is followed; one that is a
// device or pipe is written in place. Until then an older file of the target
// name stays as it is; an object destroyed without a successful commit
// removes its temporary file, so a failing or interrupted write leaves
// nothing behind.
class AtomicOutputFile {
public:
    // Throws Error (stderr, "Can't open output file: <target>" and the
    // reason) when the temporary file cannot be created.
    explicit AtomicOutputFile(std::string target);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    FILE* get() const { return file_; }
    // The file the commit replaces (a link's target).
    const std::string& target() const { return target_; }
    // Where the content waits until the commit (empty for a device written
    // in place): another program may write or read it there.
    const std::string& temporaryPath() const { return tempName_.empty() ? target_ : tempName_; }

    // Flushes and closes the stream (get() is null afterwards) but leaves the
    // temporary file for commit, so that many files can wait for their
    // commit without holding a descriptor each; throws Error (stderr) when
    // any write failed, and the temporary file is removed.
    void finishWriting();

    // Finishes writing (unless done) and renames the temporary file to the
    // target; throws Error (stderr) when any write failed or the rename
    // does, and the temporary file is removed.
    void commit();

private:
    void discard();

    std::string target_;
    std::string tempName_;
    FILE* file_ = nullptr;
    bool finished_ = false;
};

// Commits the files in order while holding a lock on the folder of the
// first, so that two runs writing the same names at once leave the files of
// one run together, never one run's table beside the other's statistics.
void commitTogether(const std::vector<AtomicOutputFile*>& files);

// The output file name without its extension (the part of the file name from
// its last '.', unless that is the name's first character): "r.json" gives
// "r", "myresult" stays "myresult", "data.v2/out" stays whole.
std::string outputStem(const std::string& outfile);

// The gene-family statistics file of a run with this output file:
// outputStem(outfile) + ".genFamStat"; empty (no statistics file) when the
// output names a device or pipe such as /dev/stdout.
std::string statisticsFileName(const std::string& outfile);

}  // namespace tamsu

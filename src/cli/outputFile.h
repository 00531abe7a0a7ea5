// Output files that never replace or damage an input, and that appear only
// when they are complete.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Throws tamsu::Error (stream err) when output cannot be a file written by the run:
// it names an existing folder, its folder does not exist, or it is the same
// file as one of inputs (compared as resolved files, so "./x", "../d/x", a
// symbolic or hard link to an input are all caught). Inputs that do not
// exist are skipped.
void checkOutputPath(const std::string& output, const std::vector<std::string>& inputs);

// A file written under a temporary name beside its target ("<name>.tmp" and
// six random characters, created with the usual permissions) and renamed to
// the target by commit(). A target that is a link is followed; one that is a
// device or pipe is written in place. Until then an older file of the target name stays
// as it is; an object destroyed without a successful commit removes its
// temporary file, so a failing or interrupted write leaves nothing behind.
class AtomicOutputFile {
public:
    // Throws tamsu::Error (stderr, "Can't open output file: <target>") when the
    // temporary file cannot be created.
    explicit AtomicOutputFile(std::string target);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    FILE* get() const { return file_; }

    // Flushes and closes the stream and renames the temporary file to the
    // target; throws tamsu::Error (stderr) when any write failed or the rename
    // does, and the temporary file is removed.
    void commit();

private:
    void discard();

    std::string target_;
    std::string tempName_;
    FILE* file_ = nullptr;
};

// Short progress output: a "progress: N %" line only when the whole
// percentage changes, so a run writes at most 101 of them.
#pragma once

#include <cstdio>

namespace tamsu::detail {

// Decides which percentages are shown: the first one and every one whose
// whole part differs from the last shown.
class PercentFilter {
public:
    bool shouldShow(double percent);

private:
    int last_ = -1;
};

// Writes the filtered lines to a stream: on a terminal in place (carriage
// return first, a newline at the end), into a file or pipe as whole lines.
class PercentLines {
public:
    // Starts a new run of lines; the form follows whether stream is a terminal.
    void start(FILE* stream);
    void show(double percent);
    // Ends the line that a terminal form left open.
    void finish();

private:
    FILE* stream_ = nullptr;
    bool terminal_ = false;
    bool lineOpen_ = false;
    PercentFilter filter_;
};

}  // namespace tamsu::detail

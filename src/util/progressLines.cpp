// Whole-percent progress lines.
#include "util/progressLines.h"

#include <cmath>

#include <unistd.h>

namespace tamsu::detail {

bool PercentFilter::shouldShow(double percent) {
    const int whole = static_cast<int>(std::floor(percent));
    if (whole == last_) return false;
    last_ = whole;
    return true;
}

void PercentLines::start(FILE* stream) {
    stream_ = stream;
    terminal_ = ::isatty(::fileno(stream)) == 1;
    lineOpen_ = false;
    filter_ = PercentFilter();
}

void PercentLines::show(double percent) {
    if (stream_ == nullptr || !filter_.shouldShow(percent)) return;
    const int whole = static_cast<int>(std::floor(percent));
    if (terminal_) {
        std::fprintf(stream_, "\rprogress: %d %%", whole);
        lineOpen_ = true;
    } else {
        std::fprintf(stream_, "progress: %d %%\n", whole);
    }
    std::fflush(stream_);
}

void PercentLines::finish() {
    if (stream_ != nullptr && lineOpen_) {
        std::fprintf(stream_, "\n");
        std::fflush(stream_);
    }
    lineOpen_ = false;
}

}  // namespace tamsu::detail

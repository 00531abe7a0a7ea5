// The command line's status: the run's text as it comes and its progress as
// full lines rewritten in place, whole-percent lines, or nothing.
#include <cmath>

#include <unistd.h>

#include "tamsu/tamsu.h"

namespace tamsu {

void StatusPrinter::print(Stream stream, const std::string& text) {
    std::fputs(text.c_str(), stream == Stream::out ? out_ : err_);
}

double StatusPrinter::percentOf(long long done) const {
    // With no work at all the run is complete from the start.
    return total_ > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total_) : 100.0;
}

void StatusPrinter::workStarted(long long total) {
    total_ = total;
    shownPercent_ = -1;
    lineOpen_ = false;
    terminal_ = form_ == ProgressForm::percent && ::isatty(::fileno(out_)) == 1;
}

void StatusPrinter::workDone(long long done) {
    if (form_ == ProgressForm::lines) {
        std::fprintf(out_, "\rprogress: %.2f %%", percentOf(done));
        std::fflush(out_);
    } else if (form_ == ProgressForm::percent) {
        // A line only when the whole percentage changes: at most 101 per run.
        // On a terminal in place, into a file or pipe as whole lines.
        const int whole = static_cast<int>(std::floor(percentOf(done)));
        if (whole == shownPercent_) return;
        shownPercent_ = whole;
        std::fprintf(out_, terminal_ ? "\rprogress: %d %%" : "progress: %d %%\n", whole);
        lineOpen_ = terminal_;
        std::fflush(out_);
    }
}

void StatusPrinter::referenceChromosome(int chromosome, int genome, const std::string& name, int genes,
                                        long long done) {
    if (form_ != ProgressForm::lines) return;
    std::fprintf(out_, "\r%104s", "");
    std::fprintf(out_, "\rprogress: %.2f %%  current ref: chr %d of genome %d %s(%d genes)", percentOf(done),
                 chromosome, genome, name.c_str(), genes);
    std::fflush(out_);
}

void StatusPrinter::workFinished() {
    if (form_ == ProgressForm::lines) {
        std::fprintf(out_, "\r%104s", "");
        std::fprintf(out_, "\n");
        std::fflush(out_);
    } else if (lineOpen_) {
        std::fprintf(out_, "\n");
        std::fflush(out_);
        lineOpen_ = false;
    }
}

}  // namespace tamsu

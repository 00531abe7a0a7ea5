// Command-line entry: runs the query and turns a fatal error into its
// message and exit status 1.
#include <cstdio>

#include "entry/commInts.h"
#include "util/errors.h"

int main(int argc, char** argv) {
    try {
        return runCommandLine(argc, argv);
    } catch (const TamsuError& error) {
        std::fflush(stdout);
        error.print();
        return 1;
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "error: out of memory\n");
        return 1;
    }
}

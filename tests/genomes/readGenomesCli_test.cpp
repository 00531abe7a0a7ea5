// Input errors of the genome reader through the zub binary: exact stderr
// text and exit status 1. (A successful read goes on into the search, so
// only failures are pinned here.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testUtil.h"

namespace {

const char* kQuery = " -d 1 -s 2 -m";

std::string block(const std::string& name) { return name + "\ntitle\n1\t+\tE\tt\ta\n2\t+\tE\tt\ta\n\n"; }

class ReaderCli : public testing::Test {
protected:
    // Runs zub on list.txt in the scratch folder; the run must fail with err.
    void expectFailure(const std::string& list, const std::string& err, const std::string& listName = "list.txt") {
        writeFile(dir.file(listName), list);
        RunResult run = runZub(listName + kQuery, dir.path());
        EXPECT_EQ(1, run.status) << run.out << run.err;
        EXPECT_EQ(err, run.err);
        EXPECT_NE(std::string::npos, run.out.find("\nparsing input file: \"" + listName + "\"\n")) << run.out;
    }
    TempDir dir;
};

}  // namespace

TEST_F(ReaderCli, ErrorsOfTheList) {
    expectFailure("", "Empty genome list file:\"list.txt\"!\n");
    expectFailure("SOURCES: ann.txt\nG:c\n", "No source file for sequences given in input file \"list.txt\"!\n");
    expectFailure("SOURCE:  \nG:c\n",
                  "error: no annotation file path after \"SOURCE:\" in line 1 of \"list.txt\"\n");
    expectFailure("SOURCE: ann.txt\n\n", "error: no genome listed in \"list.txt\"\n");
    expectFailure("SOURCE: ann.txt\nG:c\n::\n", "No name for genome \"list.txt\" given!");
    expectFailure("SOURCE: ann.txt\nG:c\nH:c,,d\n",
                  "error: empty chromosome name for genome \"H\" in line 3 of \"list.txt\"\n");
    expectFailure("SOURCE: ann.txt\nG:\n", "error: empty chromosome name for genome \"G\" in line 2 of \"list.txt\"\n");
}

TEST_F(ReaderCli, ErrorsOfTheAnnotationFile) {
    expectFailure("SOURCE: ann.txt\nG:c\n", "Can't open sequence file \"ann.txt\"\n");

    writeFile(dir.file("ann.txt"), block("c"));
    expectFailure("SOURCE: ann.txt\nG:c\nH:c,X\n",
                  "error: chromosome \"X\" of genome \"H\" listed in \"list.txt\" has no block in \"ann.txt\"\n");

    writeFile(dir.file("ann.txt"), block("c") + "d\ntitle\n-2147483648\t+\tE\tt\ta\n");
    expectFailure("SOURCE: ann.txt\nG:c,d\n",
                  "error: gene identifier \"-2147483648\" at line 8 of \"ann.txt\" is outside the integer range\n");
}

TEST_F(ReaderCli, AnnotationPathBesideTheListUnlessItExistsInTheWorkingFolder) {
    std::filesystem::create_directory(dir.file("sub"));
    writeFile(dir.file("sub/ann.txt"), block("c"));
    expectFailure("SOURCE: ann.txt\nG:c,X\n",
                  "error: chromosome \"X\" of genome \"G\" listed in \"sub/list.txt\" has no block in "
                  "\"sub/ann.txt\"\n",
                  "sub/list.txt");

    writeFile(dir.file("ann.txt"), block("c"));
    expectFailure("SOURCE: ann.txt\nG:c,X\n",
                  "error: chromosome \"X\" of genome \"G\" listed in \"sub/list.txt\" has no block in \"ann.txt\"\n",
                  "sub/list.txt");
}

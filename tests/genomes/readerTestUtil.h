// Helpers of the genome tests: stdout capture around a call and the exact
// text of a thrown error.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "util/errors.h"

// What a printer writes to a stream.
template <class Print>
std::string printedTo(Print print) {
    FILE* file = std::tmpfile();
    print(file);
    std::fflush(file);
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

// Runs call with stdout captured; returns what it printed there.
template <class Call>
std::string stdoutOf(Call call) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    try {
        call();
    } catch (...) {
        std::fflush(stdout);
        testing::internal::GetCapturedStdout();
        throw;
    }
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// The text of the TamsuError that call throws (stdout of the call is
// swallowed); the error must belong on stream.
template <class Call>
std::string errorOf(Call call, FILE* stream = stderr) {
    try {
        stdoutOf(call);
    } catch (const TamsuError& error) {
        EXPECT_EQ(stream, error.stream());
        return error.text();
    }
    ADD_FAILURE() << "no error thrown";
    return "";
}

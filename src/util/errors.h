// The one error type of the library: a fatal condition with the exact text to
// print and the stream it belongs on. Library code throws it; `main` prints it
// and exits 1, the host bridge prints it and returns null to the JVM.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

class TamsuError : public std::runtime_error {
public:
    TamsuError(FILE* stream, std::string text)
        : std::runtime_error(text), stream_(stream), text_(std::move(text)) {}

    // Where the message goes: stdout or stderr, as the condition prescribes.
    FILE* stream() const { return stream_; }
    // The exact text, newlines included (some messages have none).
    const std::string& text() const { return text_; }

    // Prints the message on its stream.
    void print() const {
        std::fputs(text_.c_str(), stream_);
        std::fflush(stream_);
    }

private:
    FILE* stream_;
    std::string text_;
};

// printf-style construction of the message text.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Throws a TamsuError for stream with the printf-formatted text.
[[noreturn]] void fail(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

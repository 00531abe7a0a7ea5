// Line-by-line reading of a text file with its line numbers: a UTF-8
// byte-order mark and the carriage return of a CRLF line end are dropped.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

class TextFile {
public:
    // Throws tamsu::Error naming the file when it cannot be opened.
    explicit TextFile(const std::string& path);

    // The next line without its line end; false at the end of the file.
    bool next(std::string& line);
    // 1-based number of the line read last.
    int lineNumber() const { return number_; }
    const std::string& path() const { return path_; }

private:
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    std::string path_;
    std::unique_ptr<FILE, Closer> file_;
    int number_ = 0;
};

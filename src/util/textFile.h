// Line-by-line reading of a text file as any platform saves it: a UTF-8
// byte-order mark before the first line and the carriage return of a CRLF
// line end are not part of the text.
#pragma once

#include <cstdio>
#include <memory>
#include <new>
#include <string>

namespace tamsu::detail {

class TextFile {
public:
    // Throws tamsu::Error naming the file when it cannot be opened.
    explicit TextFile(const std::string& path);
    // Leaves the file closed when it cannot be opened (see isOpen), for
    // callers with a message of their own.
    TextFile(const std::string& path, std::nothrow_t);

    bool isOpen() const { return file_ != nullptr; }
    // The next line without its line end; false at the end of the file. A
    // read error throws tamsu::Error.
    bool next(std::string& line);
    // 1-based number of the line read last.
    int lineNumber() const { return number_; }
    const std::string& path() const { return path_; }
    void close() { file_.reset(); }

private:
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    std::string path_;
    std::unique_ptr<FILE, Closer> file_;
    int number_ = 0;
};

}  // namespace tamsu::detail

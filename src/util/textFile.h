// Line-by-line reading of a text file as any platform saves it: a UTF-8
// byte-order mark before the first line and the carriage return of a CRLF
// line end are not part of the text. Only regular files are read, and a line
// longer than kMaxLineLength is an error, so a device, a pipe or a file that
// is no text cannot make the reader wait or grow without bound.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace tamsu::detail {

class Fnv1a;

class TextFile {
public:
    // The longest line read (16 MiB); a longer one throws tamsu::Error.
    static constexpr std::size_t kMaxLineLength = std::size_t{16} << 20;

    // Throws tamsu::Error naming the file and the reason when it cannot be
    // opened or is not a regular file.
    explicit TextFile(const std::string& path);
    // Leaves the file closed when it cannot be opened (see isOpen and
    // problem), for callers with a message of their own.
    TextFile(const std::string& path, std::nothrow_t);

    bool isOpen() const { return file_ != nullptr; }
    // Why the file could not be opened ("No such file or directory", "it is
    // a folder, not a file", ...); empty when it is open.
    const std::string& problem() const { return problem_; }
    // The next line without its line end; false at the end of the file. A
    // read error or an overlong line throws tamsu::Error.
    bool next(std::string& line);
    // 1-based number of the line read last.
    int lineNumber() const { return number_; }
    const std::string& path() const { return path_; }
    void close() { file_.reset(); }
    // Every byte read from now on, line ends included, is added to hash: read
    // to its end, the file's exact content.
    void hashInto(Fnv1a* hash) { hash_ = hash; }

private:
    bool fill();

    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    std::string path_;
    std::string problem_;
    std::unique_ptr<FILE, Closer> file_;
    int number_ = 0;
    Fnv1a* hash_ = nullptr;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // unread bytes of buffer_: [begin_, end_)
    std::size_t end_ = 0;
};

}  // namespace tamsu::detail

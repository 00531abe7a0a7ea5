// Line-by-line reading of an input file that may be gzip-compressed: a .gz
// file (or any file starting with the gzip magic bytes) is inflated on the
// fly by zlib, any other file is read as it is. As TextFile: a UTF-8
// byte-order mark before the first line and the carriage return of a CRLF
// line end are not part of the text.
#pragma once

#include <string>

namespace tamsu::detail {

class LineInput {
public:
    // Throws tamsu::Error naming the file when it cannot be opened.
    explicit LineInput(const std::string& path);
    ~LineInput();
    LineInput(const LineInput&) = delete;
    LineInput& operator=(const LineInput&) = delete;

    // The next line without its line end; false at the end of the file.
    // Throws tamsu::Error naming the file on a read error or a damaged or
    // truncated compressed stream.
    bool next(std::string& line);
    // 1-based number of the line read last.
    int lineNumber() const { return number_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    void* file_ = nullptr;  // gzFile
    int number_ = 0;
};

// The file name without a ".gz" ending and then without its extension:
// "dir/SF370.gff" and "dir/SF370.gbff.gz" give "SF370".
std::string annotationStem(const std::string& path);

}  // namespace tamsu::detail

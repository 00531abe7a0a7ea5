// Buffered line reading for the converters.
#include "convert/textLines.h"

#include <string_view>

#include "util/errors.h"

TextFile::TextFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "r")) {
    if (!file_) fail(Stream::err, "error: cannot open \"%s\"\n", path.c_str());
}

bool TextFile::next(std::string& line) {
    line.clear();
    char buffer[4096];
    bool any = false;
    while (std::fgets(buffer, sizeof buffer, file_.get()) != nullptr) {
        any = true;
        line += buffer;
        if (!line.empty() && line.back() == '\n') break;
    }
    if (!any) {
        if (std::ferror(file_.get())) fail(Stream::err, "error: reading \"%s\" failed\n", path_.c_str());
        return false;
    }
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (number_++ == 0 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    return true;
}

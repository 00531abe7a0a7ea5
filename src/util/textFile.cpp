// Buffered line reading of text files.
#include "util/textFile.h"

#include <string_view>

#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

TextFile::TextFile(const std::string& path) : TextFile(path, std::nothrow) {
    if (!isOpen()) fail(Stream::err, "error: cannot open \"%s\"\n", path.c_str());
}

TextFile::TextFile(const std::string& path, std::nothrow_t) : path_(path), file_(std::fopen(path.c_str(), "r")) {}

bool TextFile::next(std::string& line) {
    if (!isOpen()) return false;
    if (!readLine(file_.get(), line)) {
        if (std::ferror(file_.get())) fail(Stream::err, "error: reading \"%s\" failed\n", path_.c_str());
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (number_++ == 0 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    return true;
}

}  // namespace tamsu::detail

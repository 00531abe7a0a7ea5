// Buffered line reading of text files.
#include "util/textFile.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "util/errors.h"
#include "util/fnv1a.h"
#include "util/regularFile.h"

namespace tamsu::detail {

TextFile::TextFile(const std::string& path) : TextFile(path, std::nothrow) {
    if (!isOpen()) fail(Stream::err, "error: cannot read \"%s\": %s\n", path.c_str(), problem_.c_str());
}

TextFile::TextFile(const std::string& path, std::nothrow_t) : path_(path) {
    file_.reset(openRegularFile(path, problem_));
}

bool TextFile::fill() {
    if (buffer_.empty()) buffer_.resize(std::size_t{1} << 16);
    const std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
    if (got == 0 && std::ferror(file_.get()))
        fail(Stream::err, "error: reading \"%s\" failed: %s\n", path_.c_str(), std::strerror(errno));
    if (hash_ != nullptr) hash_->add(buffer_.data(), got);
    begin_ = 0;
    end_ = got;
    return got > 0;
}

bool TextFile::next(std::string& line) {
    line.clear();
    if (!isOpen()) return false;
    bool any = false;
    for (;;) {
        if (begin_ == end_ && !fill()) {
            if (!any) return false;
            break;
        }
        any = true;
        const char* start = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const void* newline = std::memchr(start, '\n', available);
        const std::size_t take = newline != nullptr ? static_cast<const char*>(newline) - start : available;
        if (line.size() + take > kMaxLineLength)
            fail(Stream::err,
                 "error: line %d of \"%s\" is longer than %zu MiB; is it a text file of the expected form?\n",
                 number_ + 1, path_.c_str(), kMaxLineLength >> 20);
        line.append(start, take);
        begin_ += take;
        if (newline != nullptr) {
            ++begin_;
            break;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (number_++ == 0 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    return true;
}

}  // namespace tamsu::detail

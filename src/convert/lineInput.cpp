// Lines of plain or gzip-compressed files through zlib's gz* calls, which
// read an uncompressed file transparently.
#include "convert/lineInput.h"

#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "util/errors.h"
#include "util/regularFile.h"
#include "util/textFile.h"

namespace tamsu::detail {

LineInput::LineInput(const std::string& path) : path_(path) {
    // Only regular files: a folder, a device or a pipe would fail unclearly,
    // give an endless line or block for ever.
    std::string problem;
    const int fd = openRegularFileDescriptor(path, problem);
    if (fd < 0) fail(Stream::err, "error: cannot read \"%s\": %s\n", path.c_str(), problem.c_str());
    file_ = gzdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
        fail(Stream::err, "error: cannot read \"%s\": %s\n", path.c_str(), std::strerror(errno));
    }
    gzbuffer(static_cast<gzFile>(file_), 1 << 17);
}

LineInput::~LineInput() {
    if (file_ != nullptr) gzclose(static_cast<gzFile>(file_));
}

bool LineInput::next(std::string& line) {
    line.clear();
    if (file_ == nullptr) return false;
    gzFile file = static_cast<gzFile>(file_);
    char buffer[8192];
    bool any = false;
    while (gzgets(file, buffer, sizeof buffer) != nullptr) {
        any = true;
        const size_t length = std::strlen(buffer);
        line.append(buffer, length);
        if (length > 0 && buffer[length - 1] == '\n') break;
        if (line.size() > TextFile::kMaxLineLength)
            fail(Stream::err,
                 "error: line %d of \"%s\" is longer than %zu MiB; is it a text file of the expected form?\n",
                 number_ + 1, path_.c_str(), TextFile::kMaxLineLength >> 20);
    }
    int status = Z_OK;
    const char* message = gzerror(file, &status);
    if (status != Z_OK && status != Z_STREAM_END)
        fail(Stream::err, "error: reading \"%s\" failed after line %d: %s\n", path_.c_str(), number_,
             status == Z_ERRNO ? std::strerror(errno) : message);
    if (!any) return false;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (number_++ == 0 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    return true;
}

std::string annotationStem(const std::string& path) {
    std::filesystem::path name = std::filesystem::path(path).filename();
    const std::string text = name.string();
    if (text.size() > 3 && (text.ends_with(".gz") || text.ends_with(".GZ"))) name = text.substr(0, text.size() - 3);
    return name.stem().string();
}

}  // namespace tamsu::detail

// Input files: regular files only, opened without blocking on a pipe.
#include "util/regularFile.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/fnv1a.h"

namespace tamsu::detail {

std::string Fnv1a::text() const {
    char text[32];
    std::snprintf(text, sizeof text, "fnv1a64:%016" PRIx64, hash_);
    return text;
}

namespace {

const char* kindProblem(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
    if (S_ISFIFO(mode)) return "it is a pipe (FIFO), not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    return "it is not a regular file";
}

}  // namespace

int openRegularFileDescriptor(const std::string& path, std::string& problem) {
    problem.clear();
    // O_NONBLOCK: opening a FIFO without a writer returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        problem = std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = kindProblem(info.st_mode);
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FILE* openRegularFile(const std::string& path, std::string& problem) {
    const int fd = openRegularFileDescriptor(path, problem);
    if (fd < 0) return nullptr;
    FILE* file = ::fdopen(fd, "r");
    if (file == nullptr) {
        problem = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

std::string regularFileProblem(const std::string& path) {
    std::string problem;
    if (FILE* file = openRegularFile(path, problem)) std::fclose(file);
    return problem;
}

}  // namespace tamsu::detail

// Output path checks, atomic replacement of output files and the names
// derived from an output file.
#include "tamsu/outputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tamsu/types.h"

namespace tamsu {

namespace fs = std::filesystem;
constexpr Stream kErr = Stream::err;

void checkOutputPath(const std::string& output, const std::vector<std::string>& inputs) {
    std::error_code ec;
    if (output.empty()) throw Error::formatted(kErr, "error: empty output file name\n");
    const fs::path path(output);
    if (fs::is_directory(path, ec))
        throw Error::formatted(kErr, "Can't open output file: %s\nerror: \"%s\" is a folder\n", output.c_str(),
                               output.c_str());
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    if (!fs::is_directory(folder, ec))
        throw Error::formatted(kErr, "Can't open output file: %s\nerror: the folder \"%s\" does not exist\n",
                               output.c_str(), folder.string().c_str());
    if (!fs::exists(path, ec)) return;  // a new file cannot be an input
    for (const std::string& input : inputs) {
        if (input.empty() || !fs::exists(input, ec)) continue;
        if (fs::equivalent(path, input, ec))
            throw Error::formatted(kErr,
                                   "error: output file \"%s\" is the input file \"%s\"; choose another name (-o)\n",
                                   output.c_str(), input.c_str());
    }
}

AtomicOutputFile::AtomicOutputFile(std::string target) : target_(std::move(target)) {
    std::error_code ec;
    // A link is followed: the file it names is the one replaced.
    if (fs::is_symlink(target_, ec)) {
        const fs::path resolved = fs::weakly_canonical(target_, ec);
        if (!ec) target_ = resolved.string();
    }
    // A device or pipe (/dev/null, /dev/stdout) is written in place: renaming
    // a file over it would replace the device itself.
    if (fs::exists(target_, ec) && !fs::is_regular_file(target_, ec)) {
        file_ = std::fopen(target_.c_str(), "w");
        if (file_ == nullptr)
            throw Error::formatted(kErr, "Can't open output file: %s\nerror: %s\n", target_.c_str(),
                                   std::strerror(errno));
        return;
    }
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<int> pick(0, sizeof(kChars) - 2);
    int error = 0;
    for (int attempt = 0; attempt < 100 && file_ == nullptr; ++attempt) {
        std::string name = target_ + ".tmp";
        for (int i = 0; i < 6; ++i) name += kChars[pick(random)];
        // 0666 less the umask, as a plain fopen would create the target
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = errno;
            if (error == EEXIST) continue;
            break;
        }
        file_ = ::fdopen(fd, "w");
        if (file_ == nullptr) {
            error = errno;
            ::close(fd);
            ::unlink(name.c_str());
            break;
        }
        tempName_ = std::move(name);
    }
    if (file_ == nullptr) {
        const fs::path folder =
            fs::path(target_).parent_path().empty() ? fs::path(".") : fs::path(target_).parent_path();
        throw Error::formatted(kErr, "Can't open output file: %s\nerror: cannot create a file in \"%s\": %s\n",
                               target_.c_str(), folder.string().c_str(), std::strerror(error));
    }
}

AtomicOutputFile::~AtomicOutputFile() { discard(); }

void AtomicOutputFile::discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!tempName_.empty()) ::unlink(tempName_.c_str());
    tempName_.clear();
}

void AtomicOutputFile::finishWriting() {
    if (finished_) return;
    if (file_ == nullptr) throw Error::formatted(kErr, "error: output file \"%s\" already closed\n", target_.c_str());
    errno = 0;
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    int error = errno;
    const bool closed = std::fclose(file_) == 0;
    if (written && !closed) error = errno;
    file_ = nullptr;
    if (!written || !closed) {
        discard();
        throw Error::formatted(kErr, "error: writing output file \"%s\" failed (%s); it was left as it was\n",
                               target_.c_str(), error != 0 ? std::strerror(error) : "write error");
    }
    finished_ = true;
}

void AtomicOutputFile::commit() {
    finishWriting();
    if (tempName_.empty()) return;  // written in place, or committed
    if (std::rename(tempName_.c_str(), target_.c_str()) != 0) {
        const int renameError = errno;
        discard();
        throw Error::formatted(kErr, "error: cannot move the output into \"%s\" (%s)\n", target_.c_str(),
                               std::strerror(renameError));
    }
    tempName_.clear();
}

void commitTogether(const std::vector<AtomicOutputFile*>& files) {
    if (files.empty()) return;
    // An advisory lock on the folder: runs of this program wait for each
    // other here; a folder that cannot be locked (some network file
    // systems) is committed without.
    const fs::path target(files.front()->target());
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
    struct Unlock {
        int fd;
        bool locked;
        ~Unlock() {
            if (locked) ::flock(fd, LOCK_UN);
            if (fd >= 0) ::close(fd);
        }
    } unlock{fd, locked};
    for (AtomicOutputFile* file : files) file->commit();
}

std::string outputStem(const std::string& outfile) {
    const size_t nameStart = outfile.rfind('/') == std::string::npos ? 0 : outfile.rfind('/') + 1;
    const size_t dot = outfile.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return outfile;
    return outfile.substr(0, dot);
}

std::string statisticsFileName(const std::string& outfile) {
    struct stat info {};
    if (outfile.empty()) return {};
    if (::stat(outfile.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return {};
    return outputStem(outfile) + ".genFamStat";
}

}  // namespace tamsu

// A folder of its own for a fuzz target's process, for the files the reader
// and the command-line parser want to open; removed when the process ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class ScratchDir {
public:
    ScratchDir()
        : path_(std::filesystem::temp_directory_path() / ("tamsu-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes the file name with exactly content; returns its path.
    std::string write(const std::string& name, std::string_view content) const {
        const std::string path = (path_ / name).string();
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(content.data(), content.size());
        return path;
    }

private:
    std::filesystem::path path_;
};

// Opening input files: only regular files are read. A device (/dev/zero), a
// pipe or a folder would give an endless line, block for ever or fail with
// an unclear reason, so they are refused with a message that says what the
// path is.
#pragma once

#include <cstdio>
#include <string>

namespace tamsu::detail {

// Opens path for reading when it is a regular file (a link is followed).
// Otherwise returns null and sets problem to the reason ("No such file or
// directory", "it is a folder, not a file", ...). Never blocks on a pipe.
FILE* openRegularFile(const std::string& path, std::string& problem);

// The same as a file descriptor (for readers such as zlib's gzdopen); -1
// when it is no regular file.
int openRegularFileDescriptor(const std::string& path, std::string& problem);

// The reason path cannot be read as a regular file; empty when it can.
std::string regularFileProblem(const std::string& path);

}  // namespace tamsu::detail

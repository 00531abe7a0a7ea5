// Running an outside program (mmseqs, rsvg-convert) and waiting for it.
#pragma once

#include <string>
#include <vector>

namespace tamsu::detail {

// Runs a program (found on the PATH) with its output and errors into
// logPath and no input; its exit status, -1 when it could not be started
// (errno tells why).
int runProgram(const std::vector<std::string>& words, const std::string& logPath);

}  // namespace tamsu::detail

// Raising the library's error (tamsu::Error) with a printf-style message.
#pragma once

#include <string>

#include "tamsu/types.h"

namespace tamsu::detail {

// printf-style construction of the message text.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Throws a Error for stream with the printf-formatted text.
[[noreturn]] void fail(Stream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace tamsu::detail

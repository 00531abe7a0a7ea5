// Formatting helpers behind the fatal error type.
#include "util/errors.h"

#include <cstdarg>
#include <vector>

namespace tamsu::detail {

static std::string vformatText(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformatText(format, args);
    va_end(args);
    return text;
}

tamsu::Error tamsu::Error::formatted(Stream stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformatText(format, args);
    va_end(args);
    return Error(stream, std::move(text));
}

void fail(Stream stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformatText(format, args);
    va_end(args);
    throw Error(stream, std::move(text));
}

}  // namespace tamsu::detail

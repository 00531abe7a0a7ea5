// Small string helpers shared by the readers and reports.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tamsu::detail {

// Concatenation of both parts (file name = stem + extension).
std::string composeFileName(const std::string& first, const std::string& second);

// The text with leading blanks (' ') removed.
std::string skipLeadingBlanks(const std::string& text);

// The tab-separated fields of a line (an empty line is one empty field); the
// views point into line.
std::vector<std::string_view> splitTabs(std::string_view line);
// The same fields as strings, which outlive the line.
std::vector<std::string> splitTabsCopied(std::string_view line);

}  // namespace tamsu::detail

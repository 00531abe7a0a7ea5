// String helpers: file names, blanks and tab-separated fields.
#include "util/strings.h"

#include <cctype>
#include <climits>

namespace tamsu::detail {

std::string composeFileName(const std::string& first, const std::string& second) {
    return first + second;
}

std::string skipLeadingBlanks(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return text.substr(i);
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

std::vector<std::string> splitTabsCopied(std::string_view line) {
    const std::vector<std::string_view> fields = splitTabs(line);
    return {fields.begin(), fields.end()};
}

}  // namespace tamsu::detail

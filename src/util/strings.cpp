// String helpers: unbounded line reading and atoi-style number parsing.
#include "util/strings.h"

#include <cctype>
#include <climits>

namespace tamsu::detail {

std::string composeFileName(const std::string& first, const std::string& second) {
    return first + second;
}

bool readLine(FILE* file, std::string& line, bool* hadNewline) {
    line.clear();
    if (hadNewline) *hadNewline = false;
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') {
            if (hadNewline) *hadNewline = true;
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return any;
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

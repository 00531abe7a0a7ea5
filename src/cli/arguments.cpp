// Reading the arguments of a command: options, values, operands, --help.
#include "arguments.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>

#include "tamsu/tamsu.h"

namespace {

std::string& nameOfProgram() {
    static std::string name = "zub";
    return name;
}

// One word read: an option with its value, an operand, or the error a word
// gives (the words after an error are not looked at).
struct Item {
    const OptionSpec* option = nullptr;
    std::string name;
    std::string value;
    std::vector<std::string> words;  // as typed, for the recorded query
    bool isOperand = false;
    std::string error;
};

const OptionSpec* findOption(const CommandSpec& command, const std::string& name) {
    for (const OptionSpec& option : command.options)
        for (const std::string& spelling : option.names)
            if (spelling == name) return &option;
    return nullptr;
}

// A hint for an unknown option that is a known one with its value glued on
// ("-q2", "-d1", "-ofile"): the two words it was meant to be.
std::string gluedValueHint(const CommandSpec& command, const std::string& word) {
    for (const OptionSpec& option : command.options) {
        if (!option.takesValue) continue;
        for (const std::string& spelling : option.names)
            if (spelling.size() == 2 && word.size() > 2 && word.starts_with(spelling))
                return "(options and their values are separate words: " + spelling + " " + word.substr(2) + ")\n";
    }
    return {};
}

std::string unknownOptionMessage(const CommandSpec& command, const std::string& word) {
    const std::string format = command.unknownOption;
    const size_t at = format.find("%s");
    std::string message = at == std::string::npos ? format : format.substr(0, at) + word + format.substr(at + 2);
    return message + gluedValueHint(command, word);
}

std::vector<Item> readItems(const CommandSpec& command, const std::vector<std::string>& words) {
    std::vector<Item> items;
    bool operandsOnly = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        Item item;
        item.words.push_back(word);
        const bool looksLikeOption = word.size() > 1 && word[0] == '-';
        if (operandsOnly || !looksLikeOption) {
            item.isOperand = true;
            item.value = word;
            items.push_back(std::move(item));
            continue;
        }
        if (word == "--") {
            if (command.dashDashMarksOneOperand) {
                if (i + 1 == words.size()) {
                    item.error = command.messagePrefix + "error: \"--\" must be followed by the genome list\n";
                } else {
                    item.isOperand = true;
                    item.value = words[++i];
                    item.words.push_back(item.value);
                }
                items.push_back(std::move(item));
                if (!items.back().error.empty()) break;
            } else {
                operandsOnly = true;
            }
            continue;
        }
        std::string name = word;
        std::optional<std::string> attached;  // "--name=value"
        if (word.starts_with("--") && word.find('=') != std::string::npos) {
            name = word.substr(0, word.find('='));
            attached = word.substr(word.find('=') + 1);
        }
        item.name = name;
        if (name == "--help" || name == "-h" || name == "--version") {
            if (attached) item.error = command.messagePrefix + "error: " + name + " takes no value\n";
            items.push_back(std::move(item));
            if (!items.back().error.empty()) break;
            continue;
        }
        item.option = findOption(command, name);
        if (item.option == nullptr) {
            item.error = unknownOptionMessage(command, word);
        } else if (!item.option->takesValue) {
            if (attached) item.error = command.messagePrefix + "error: " + name + " takes no value\n";
        } else if (attached) {
            item.value = *attached;
        } else if (i + 1 < words.size()) {
            item.value = words[++i];
            item.words.push_back(item.value);
        } else {
            item.error = !item.option->missingValue.empty()
                             ? item.option->missingValue
                             : command.messagePrefix + "error: no value given for " + name + "\n";
        }
        items.push_back(std::move(item));
        if (!items.back().error.empty()) break;
    }
    return items;
}

}  // namespace

OptionSpec valueOption(std::vector<std::string> names, std::string missingValue, ApplyOption apply) {
    return {std::move(names), true, std::move(missingValue), true, std::move(apply)};
}

OptionSpec flagOption(std::vector<std::string> names, std::function<void()> apply) {
    return {std::move(names), false, "", true,
            [apply = std::move(apply)](const std::string&, const std::string&) { apply(); }};
}

OptionSpec processOption(OptionSpec option) {
    option.recorded = false;
    return option;
}

void failWithUsage(const std::string& usage, const std::string& message) {
    throw tamsu::Error(tamsu::Stream::err, message + usage);
}

ParseOutcome parseArguments(const CommandSpec& command, const std::vector<std::string>& words, FILE* out,
                            const std::function<void()>& beforeApplying, std::vector<std::string>* recorded) {
    const std::vector<Item> items = readItems(command, words);
    for (const Item& item : items) {
        if (!item.error.empty()) break;
        if (item.isOperand || item.option != nullptr) continue;
        if (item.name == "--version") {
            std::fprintf(out, "%s %s\n", programName().c_str(), tamsu::version());
            return ParseOutcome::version;
        }
        const std::string& usage = command.usage;
        std::fputs(usage.c_str() + (usage.starts_with("\n") ? 1 : 0), out);
        return ParseOutcome::help;
    }
    if (beforeApplying) beforeApplying();
    for (const Item& item : items) {
        if (!item.error.empty()) failWithUsage(command.usage, item.error);
        if (item.isOperand) {
            command.operand(item.value);
        } else {
            item.option->apply(item.name, item.value);
            if (!item.option->recorded) continue;
        }
        if (recorded != nullptr) recorded->insert(recorded->end(), item.words.begin(), item.words.end());
    }
    return ParseOutcome::run;
}

std::optional<WholeNumber> wholeNumber(const std::string& text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
    if (i == text.size()) return std::nullopt;
    WholeNumber number;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        if (number.value > (LLONG_MAX - 9) / 10) number.tooLarge = true;
        if (!number.tooLarge) number.value = number.value * 10 + (c - '0');
    }
    if (negative) number.value = -number.value;
    return number;
}

std::string programName(const char* argv0) {
    if (argv0 == nullptr || *argv0 == '\0') return "zub";
    const char* slash = std::strrchr(argv0, '/');
    return slash != nullptr && slash[1] != '\0' ? slash + 1 : argv0;
}

void setProgramName(const std::string& name) { nameOfProgram() = name; }
const std::string& programName() { return nameOfProgram(); }

std::string formatUsage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

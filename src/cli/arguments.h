// The one argument reader of zub and its subcommands. Options are whole
// words: a value is the next word (a long option's also after '='), so "-q2"
// or "-d1" are unknown options, not "-q 2". "--help" and "-h" print the
// usage on standard output, "--version" the version; "--" makes the next
// word (the main command) or every later word (the subcommands) an operand.
// Numbers are whole decimal numbers with their range checked.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct OptionSpec {
    std::vector<std::string> names;  // every spelling: "-t", "--threads"
    bool takesValue = false;
    // Printed (with the usage) when the value is missing; empty: "error: no
    // value given for <option>\n".
    std::string missingValue;
    // Whether the option's words belong to the recorded query (false: it
    // steers this process only, such as -t).
    bool recorded = true;
    // Applies the option: the spelling used and its value ("" for a flag).
    std::function<void(const std::string& name, const std::string& value)> apply;
};

using ApplyOption = std::function<void(const std::string& name, const std::string& value)>;

// An option with a value; missingValue as in OptionSpec.
OptionSpec valueOption(std::vector<std::string> names, std::string missingValue, ApplyOption apply);
// An option without a value.
OptionSpec flagOption(std::vector<std::string> names, std::function<void()> apply);
// The option, steering this process only (left out of the recorded query).
OptionSpec processOption(OptionSpec option);

struct CommandSpec {
    std::string usage;          // the whole usage text, printed after every error and for --help
    std::string unknownOption;  // message for an unknown option: printf format with one %s
    std::string messagePrefix;  // before the reader's own messages ("\n" for the main command's)
    std::vector<OptionSpec> options;
    // A word that is no option (an operand); throws for one too many.
    std::function<void(const std::string& word)> operand;
    // "--" makes only the next word an operand (the main command's genome
    // list, after which options go on); otherwise every word after it.
    bool dashDashMarksOneOperand = false;
};

enum class ParseOutcome { run, help, version };

// Reads words (the arguments after the program name, or after the
// subcommand) in order, applying each option and operand. Before anything
// is applied, a "--help", "-h" or "--version" that comes before the first
// error prints the usage (without its leading empty line) or "zub
// <version>" on out and is returned: the caller then ends with status 0.
// beforeApplying runs once nothing of that kind was found (the main command
// announces itself there). Throws tamsu::Error (the message, then the usage,
// for stderr) at the first malformed word. The words of recorded options and
// the operands are appended to recorded (when given), in order.
ParseOutcome parseArguments(const CommandSpec& command, const std::vector<std::string>& words, FILE* out,
                            const std::function<void()>& beforeApplying = {},
                            std::vector<std::string>* recorded = nullptr);

// Throws tamsu::Error with message followed by usage.
[[noreturn]] void failWithUsage(const std::string& usage, const std::string& message);

// A whole decimal number as typed: an optional sign and digits, nothing
// else (no blanks, no fraction, no exponent). tooLarge: beyond the long long
// range (the value is then meaningless).
struct WholeNumber {
    long long value = 0;
    bool tooLarge = false;
};
std::optional<WholeNumber> wholeNumber(const std::string& text);

// printf-style formatting of a text (usage texts, messages).
std::string formatUsage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The program's name for the usage texts: the last part of argv[0] ("zub").
std::string programName(const char* argv0);
void setProgramName(const std::string& name);
const std::string& programName();

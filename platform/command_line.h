// The programs' command lines, read one way by all three: long options as
// GNU programs take them ("--name VALUE" or "--name=VALUE", "--" ending the
// options, -h for --help), then the operands.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

struct OptionInfo {
    const char* name;   // without its dashes
    const char* value;  // the value's name in the help ("DIR"); null for a flag
    const char* help;   // what it does, with its default
};

struct CommandLine {
    std::vector<std::pair<std::string, std::string>> options;  // (name, value), in order
    std::vector<std::string> operands;
    std::string error;  // one line for a bad command line; empty when good

    bool has(const std::string& name) const;
};

// `arguments` as main() has them, the program's name first.
CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const std::vector<OptionInfo>& known);

// The options' help: a line each, the names and values aligned.
std::string optionHelp(const std::vector<OptionInfo>& known);

}  // namespace platform

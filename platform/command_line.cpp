#include "platform/command_line.h"

#include <algorithm>

namespace platform {

bool CommandLine::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& option) { return option.first == name; });
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const std::vector<OptionInfo>& known) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size() && line.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            line.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string word = argument == "-h" ? "--help" : argument;
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
        const auto option = std::find_if(known.begin(), known.end(),
                                         [&](const OptionInfo& s) { return name == s.name; });
        if (!word.starts_with("--") || option == known.end()) {
            line.error = "unknown option '" + argument + "'";
        } else if (option->value == nullptr && equals != std::string::npos) {
            line.error = "--" + name + " takes no value";
        } else if (option->value == nullptr) {
            line.options.emplace_back(name, "");
        } else if (equals != std::string::npos) {
            line.options.emplace_back(name, word.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            line.options.emplace_back(name, arguments[++i]);
        } else {
            line.error = "--" + name + " needs a value (" + option->value + ")";
        }
    }
    return line;
}

std::string optionHelp(const std::vector<OptionInfo>& known) {
    std::size_t width = 0;
    const auto head = [](const OptionInfo& option) {
        return std::string("--") + option.name +
               (option.value != nullptr ? std::string(" ") + option.value : std::string());
    };
    for (const OptionInfo& option : known) width = std::max(width, head(option).size());
    std::string text;
    for (const OptionInfo& option : known) {
        const std::string start = head(option);
        text += "  " + start + std::string(width - start.size() + 2, ' ') + option.help + "\n";
    }
    return text;
}

}  // namespace platform

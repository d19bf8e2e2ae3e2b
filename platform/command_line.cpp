#include "platform/command_line.h"

#include <algorithm>

namespace platform {

bool CommandLine::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& option) { return option.first == name; });
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const std::vector<OptionSpec>& specs) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
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
        const auto spec = std::find_if(specs.begin(), specs.end(),
                                       [&](const OptionSpec& s) { return name == s.name; });
        if (!word.starts_with("--") || spec == specs.end()) {
            line.error = "unknown option '" + argument + "'";
        } else if (spec->value == nullptr && equals != std::string::npos) {
            line.error = "--" + name + " takes no value";
        } else if (spec->value == nullptr) {
            line.options.emplace_back(name, "");
        } else if (equals != std::string::npos) {
            line.options.emplace_back(name, word.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            line.options.emplace_back(name, arguments[++i]);
        } else {
            line.error = "--" + name + " needs a value (" + spec->value + ")";
        }
    }
    return line;
}

std::string optionHelp(const std::vector<OptionSpec>& specs) {
    std::size_t width = 0;
    const auto head = [](const OptionSpec& spec) {
        return std::string("--") + spec.name +
               (spec.value != nullptr ? std::string(" ") + spec.value : std::string());
    };
    for (const OptionSpec& spec : specs) width = std::max(width, head(spec).size());
    std::string text;
    for (const OptionSpec& spec : specs) {
        const std::string start = head(spec);
        text += "  " + start + std::string(width - start.size() + 2, ' ') + spec.help + "\n";
    }
    return text;
}

}  // namespace platform

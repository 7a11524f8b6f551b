// The qxpack command line: sub-command, options, usage text.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qxpack {

struct CommandLine {
    std::string command;                                    // "build", "inspect", "check", "msi" or "help"
    std::map<std::string, std::string> values;              // option name without dashes -> value
    std::map<std::string, std::vector<std::string>> lists;  // options that may be repeated, in order
    std::vector<std::string> flags;                         // options without a value
    std::vector<std::string> operands;

    bool has(const std::string& name) const { return values.count(name) != 0; }
    std::string value(const std::string& name) const {
        const auto found = values.find(name);
        return found == values.end() ? std::string() : found->second;
    }
    bool flag(const std::string& name) const;
    std::vector<std::string> all(const std::string& name) const {
        const auto found = lists.find(name);
        return found == lists.end() ? std::vector<std::string>() : found->second;
    }
};

// False with `error` set on an unknown command or option, a missing value or a repeated option that
// may be given once.
bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

const char* usageText();

}  // namespace qxpack

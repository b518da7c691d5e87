#include "RepeatedOptions.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

struct CommandOptions
{
    const char* command;
    int leadingOperands; // arguments before the options (convert's PROFILE and direction)
    std::vector<std::string> withValue;
    std::vector<std::string> flags;
    std::vector<std::string> repeatable;
};

// Every option of every command that takes any; keep in step with the parsers.
const CommandOptions commands[] = {
    {"correct",
     0,
     {"-i", "-m", "-r", "-o", "-p", "--method", "--pair-by", "--noise", "--intents", "--report", "--metric", "--limits",
      "--abstract"},
     {"--round-trip", "--strict", "--force", "--keep-outliers", "--keep-grid", "--keep-pure", "--no-keep-pure"},
     {"-m"}},
    {"patches", 0, {"--ref", "--pair-by"}, {}, {}},
    {"convert", 2, {"--intent", "--white"}, {"--float"}, {}},
};

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

std::string optionGivenTwice(const std::string& command, int argc, const char* const* argv)
{
    for (const CommandOptions& c : commands) {
        if (command != c.command)
            continue;
        std::set<std::string> seen;
        for (int i = c.leadingOperands; i < argc; ++i) {
            const std::string option = argv[i];
            const bool value = contains(c.withValue, option);
            if (!value && !contains(c.flags, option))
                continue;
            if (!seen.insert(option).second && !contains(c.repeatable, option))
                return option;
            // A value is never taken for an option ("-o -i" writes to "-i").
            if (value)
                ++i;
        }
    }
    return {};
}

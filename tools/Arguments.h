// Command-line arguments of VellSim: positional words and --options.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vell::tool {

struct TArguments {
    std::vector<std::string> Positional;
    std::set<std::string> Flags;               // --json
    std::map<std::string, std::string> Values; // --seed 5

    bool Has(const std::string& flag) const { return Flags.count(flag) > 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

struct TOptionSet {
    std::set<std::string> Flags;
    std::set<std::string> WithValue;
};

// Splits arguments; on an unknown option or a missing value returns nothing and sets `error`.
std::optional<TArguments> ParseArguments(const std::vector<std::string>& args,
                                         const TOptionSet& options, std::string& error);

// A whole decimal number within [low, high], or nothing.
std::optional<long long> ParseInteger(const std::string& text, long long low, long long high);

// Reports a mistake in the arguments: "VellSim COMMAND: message" ("VellSim: message" without a
// command) and where to find the usage, on `err`. The caller exits with ExitBadInput.
void ReportUsageError(std::ostream& err, std::string_view command, std::string_view message);

} // namespace vell::tool

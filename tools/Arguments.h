// Command-line arguments of VellSim: positional words and --options.
#pragma once

#include <cstdint>
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

// The longest run `run` and `diagram` make: a simulated week.
constexpr long long MaxRunMinutes = 7 * 24 * 60;

// What `run` and `diagram` both read: how long the world runs and the seed it runs with.
struct TRunLength {
    long long Minutes = 60;
    std::uint32_t Seed = 0;
};

// --minutes (whole minutes from `fewestMinutes` to a week; 60 without it) and --seed (the clock's
// without it, as the game does; the commands print it so that a run can be repeated). On a
// mistake reports it for `command` and returns nothing.
std::optional<TRunLength> ReadRunLength(const TArguments& args, std::string_view command,
                                        long long fewestMinutes, std::ostream& err);

// A seed: a whole number from 0 to 4294967295, or nothing.
std::optional<std::uint32_t> ParseSeed(const std::string& text);
extern const char* const SeedRange; // the mistake's words: "--seed takes ..."

// Reports a mistake in the arguments: "VellSim COMMAND: message" ("VellSim: message" without a
// command) and where to find the usage, on `err`. The caller exits with ExitBadInput.
void ReportUsageError(std::ostream& err, std::string_view command, std::string_view message);

} // namespace vell::tool

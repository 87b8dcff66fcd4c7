// Command-line arguments of VellSim.
#include "tools/Arguments.h"

#include "model/Random.h"

#include <charconv>
#include <ostream>

namespace vell::tool {

std::optional<std::string> TArguments::Value(const std::string& option) const {
    auto it = Values.find(option);
    if (it == Values.end()) return std::nullopt;
    return it->second;
}

std::optional<TArguments> ParseArguments(const std::vector<std::string>& args,
                                         const TOptionSet& options, std::string& error) {
    TArguments result;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
            result.Positional.push_back(a);
            continue;
        }
        std::string name = a, value;
        bool inlineValue = false;
        if (auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        if (options.Flags.count(name) && !inlineValue) {
            result.Flags.insert(name);
        } else if (options.WithValue.count(name)) {
            if (!inlineValue) {
                if (k + 1 >= args.size()) {
                    error = "option " + name + " needs a value";
                    return std::nullopt;
                }
                value = args[++k];
            }
            result.Values[name] = value;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    return result;
}

std::optional<long long> ParseInteger(const std::string& text, long long low, long long high) {
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || v < low || v > high) return std::nullopt;
    return v;
}

const char* const SeedRange = "--seed takes a whole number from 0 to 4294967295";

std::optional<std::uint32_t> ParseSeed(const std::string& text) {
    const auto v = ParseInteger(text, 0, 4294967295LL);
    if (!v) return std::nullopt;
    return std::uint32_t(*v);
}

std::optional<TRunLength> ReadRunLength(const TArguments& args, std::string_view command,
                                        long long fewestMinutes, std::ostream& err) {
    TRunLength length;
    if (auto text = args.Value("--minutes")) {
        const auto v = ParseInteger(*text, fewestMinutes, MaxRunMinutes);
        if (!v) {
            ReportUsageError(err, command,
                             "--minutes takes a whole number from " +
                                 std::to_string(fewestMinutes) + " to " +
                                 std::to_string(MaxRunMinutes));
            return std::nullopt;
        }
        length.Minutes = *v;
    }
    if (auto text = args.Value("--seed")) {
        const auto v = ParseSeed(*text);
        if (!v) {
            ReportUsageError(err, command, SeedRange);
            return std::nullopt;
        }
        length.Seed = *v;
    } else {
        length.Seed = TRandom::ClockSeed();
    }
    return length;
}

void ReportUsageError(std::ostream& err, std::string_view command, std::string_view message) {
    err << "VellSim";
    if (!command.empty()) err << " " << command;
    err << ": " << message << "\nTry 'VellSim --help'.\n";
}

} // namespace vell::tool

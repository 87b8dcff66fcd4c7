// The numbers of OpenStreetMap's tags.
#include "import/OsmTags.h"

#include <charconv>
#include <cmath>

namespace vell::import {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The first of several values ("50;30").
std::string_view FirstValue(std::string_view value) {
    return Trimmed(value.substr(0, value.find(';')));
}

// A leading decimal number (no sign, no exponent) and what follows it, trimmed.
bool SplitNumber(std::string_view text, double& number, std::string_view& unit) {
    std::size_t end = 0;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.'))
        ++end;
    if (end == 0) return false;
    const auto [rest, error] =
        std::from_chars(text.data(), text.data() + end, number, std::chars_format::fixed);
    if (error != std::errc() || rest != text.data() + end || !std::isfinite(number)) return false;
    unit = Trimmed(text.substr(end));
    return true;
}

// A whole number of at most four digits; false for anything else.
bool SmallWholeNumber(std::string_view text, int& number) {
    if (text.empty() || text.size() > 4) return false;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && rest == text.data() + text.size() && number >= 0;
}

} // namespace

int MaxSpeedOfTag(std::string_view value) {
    double number = 0;
    std::string_view unit;
    if (!SplitNumber(FirstValue(value), number, unit)) return 0;
    if (unit == "mph")
        number *= 1.609344;
    else if (unit == "knots")
        number *= 1.852;
    else if (!unit.empty() && unit != "km/h" && unit != "kmh" && unit != "kph")
        return 0;
    return number > 0 && number <= 300 ? static_cast<int>(std::lround(number)) : 0;
}

int OnewayOfTag(std::string_view value) {
    value = Trimmed(value);
    if (value == "yes" || value == "true" || value == "1") return 1;
    if (value == "-1" || value == "reverse") return -1;
    return 0;
}

int IntervalMinutesOfTag(std::string_view value) {
    value = Trimmed(value);
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const auto colon = value.find(':');
        if (!SmallWholeNumber(value.substr(0, colon), parts[count])) return 0;
        ++count;
        if (colon == std::string_view::npos) break;
        value.remove_prefix(colon + 1);
        if (count == 3) return 0; // a fourth part
    }
    int minutes = 0;
    if (count == 1)
        minutes = parts[0];
    else if (parts[1] < 60 && parts[2] < 60)
        minutes = parts[0] * 60 + parts[1] + (parts[2] >= 30 ? 1 : 0);
    return minutes <= 24 * 60 ? minutes : 0;
}

int LevelsOfTag(std::string_view value) {
    double number = 0;
    std::string_view unit;
    if (!SplitNumber(FirstValue(value), number, unit) || !unit.empty()) return 0;
    return number <= 300 ? static_cast<int>(std::lround(number)) : 0;
}

double HeightOfTag(std::string_view value) {
    double number = 0;
    std::string_view unit;
    if (!SplitNumber(FirstValue(value), number, unit)) return 0;
    if (unit == "ft" || unit == "feet" || unit.starts_with('\''))
        number *= 0.3048;
    else if (!unit.empty() && unit != "m")
        return 0;
    return number <= 1000 ? number : 0;
}

} // namespace vell::import

// The program's translator and the language of the user's locale.
#include "model/Texts.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace vell {

namespace {

TTranslator Translator = nullptr;
TCountTranslator CountTranslator = nullptr;

bool IsSet(const char* value) {
    return value && *value;
}

// Every "%<digit>" from `first` on replaced by its value, in one pass.
std::string Replace(const std::string& text, char first,
                    std::initializer_list<const std::string*> values) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int k = i + 1 < text.size() && text[i] == '%' ? text[i + 1] - first : -1;
        if (k >= 0 && k < int(values.size())) {
            result += *values.begin()[k];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

// "ru" of "ru_RU.UTF-8" or "ru_UA@euro".
std::string_view LanguagePart(std::string_view locale) {
    return locale.substr(0, locale.find_first_of("_.@"));
}

// The language of one entry of LANGUAGE ("ru", "en_GB"); nothing for one we do not have. "C" and
// "POSIX" are gettext's names for the untranslated texts, which are Russian.
std::optional<TLanguage> LanguageOfEntry(std::string_view entry) {
    if (entry == "C" || entry == "POSIX") return TLanguage::Russian;
    const std::string_view name = LanguagePart(entry);
    if (name == "ru") return TLanguage::Russian;
    if (name == "en") return TLanguage::English;
    return std::nullopt;
}

} // namespace

void SetTranslator(TTranslator translator, TCountTranslator counts) {
    Translator = translator;
    CountTranslator = counts;
}

std::string translate(const char* context, const char* text) {
    if (Translator) {
        std::string translated = Translator(context, text);
        if (!translated.empty()) return translated;
    }
    return text;
}

std::string translate(const char* context, const char* text, const char*, int n) {
    std::string form = text;
    if (CountTranslator) {
        std::string translated = CountTranslator(context, text, n);
        if (!translated.empty()) form = std::move(translated);
    }
    const std::string count = std::to_string(n);
    for (std::size_t i = form.find("%n"); i != std::string::npos; i = form.find("%n", i))
        form.replace(i, 2, count), i += count.size();
    return form;
}

std::string Arg(const std::string& text, const std::string& value) {
    // As QString::arg: the lowest-numbered marker, so a translation may reorder them.
    char lowest = 0;
    for (std::size_t i = text.find('%'); i != std::string::npos; i = text.find('%', i + 1))
        if (i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
            (!lowest || text[i + 1] < lowest))
            lowest = text[i + 1];
    if (!lowest) return text;
    return Replace(text, lowest, {&value});
}

std::string Arg(const std::string& text, const std::string& first, const std::string& second) {
    return Replace(text, '1', {&first, &second});
}

std::string Arg(const std::string& text, const std::string& first, const std::string& second,
                const std::string& third) {
    return Replace(text, '1', {&first, &second, &third});
}

std::string FormatFixed(double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, end.ptr);
}

std::string ArgList(const std::string& text, std::initializer_list<std::string> values) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int k = i + 1 < text.size() && text[i] == '%' ? text[i + 1] - '1' : -1;
        if (k >= 0 && k < int(values.size())) {
            result += values.begin()[k];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

TLanguage LanguageOfLocale(const char* language, const char* lcAll, const char* lcMessages,
                           const char* lang) {
    // The locale of messages, as setlocale takes it from the environment.
    const std::string_view locale = IsSet(lcAll)        ? lcAll
                                    : IsSet(lcMessages) ? lcMessages
                                    : IsSet(lang)       ? lang
                                                        : "C";
    // As gettext: LANGUAGE is ignored under the C locale, whose output POSIX fixes.
    if (locale != "C" && locale != "POSIX" && IsSet(language)) {
        const std::string_view list = language;
        for (std::size_t start = 0; start <= list.size();) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (const std::optional<TLanguage> ours =
                    LanguageOfEntry(list.substr(start, end - start)))
                return *ours;
            start = end + 1;
        }
    }
    const std::string_view name = LanguagePart(locale);
    if (name.empty() || name == "C" || name == "POSIX" || name == "ru") return TLanguage::Russian;
    return TLanguage::English;
}

TLanguage LanguageOfEnvironment() {
    return LanguageOfLocale(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                            std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

bool LanguageOfName(const std::string& name, TLanguage& language) {
    if (name == "ru")
        language = TLanguage::Russian;
    else if (name == "en")
        language = TLanguage::English;
    else
        return false;
    return true;
}

} // namespace vell

// The texts a user reads. They are written in Russian in the code, the programs' own words, and
// marked for Qt's translation tools (lupdate finds translate() and QT_TRANSLATE_NOOP); a program
// that speaks another language installs its translator here. The core stays free of Qt.
#pragma once

#include <initializer_list>
#include <string>

// Qt's own marker, spelled exactly as Qt spells it, so that including Qt as well is harmless.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace vell {

enum class TLanguage { Russian, English };

// Finds the text in the language chosen; nothing or an empty answer means the Russian source.
using TTranslator = std::string (*)(const char* context, const char* text);

// Finds the form of `text` ("%n" in it stands for a count) that the language takes for `n`, "%n"
// left in it; nothing or an empty answer means the Russian source.
using TCountTranslator = std::string (*)(const char* context, const char* text, int n);

// Installs the translators for the whole program; nullptr puts back the Russian texts.
void SetTranslator(TTranslator translator, TCountTranslator counts = nullptr);

// `text` in the program's language; `context` names the window or subject it belongs to.
std::string translate(const char* context, const char* text);

// `text` with "%n" replaced by the count `n`, in the form the program's language takes for it
// ("1 route", "2 routes"). The Russian source names the count after its noun ("маршрутов %n"),
// which reads right for every count. `disambiguation` is Qt's, for its tools; none here.
std::string translate(const char* context, const char* text, const char* disambiguation, int n);

// `text` with its lowest-numbered marker ("%1", then "%2", ...) replaced by `value`, as
// QString::arg does; the value itself is never searched.
std::string Arg(const std::string& text, const std::string& value);
// "%1" and "%2" replaced in one pass, so that the first value is never searched for "%2".
std::string Arg(const std::string& text, const std::string& first, const std::string& second);
std::string Arg(const std::string& text, const std::string& first, const std::string& second,
                const std::string& third);
// `value` with `decimals` digits after a point, whatever the locale: "49.40861", "-0.5".
std::string FormatFixed(double value, int decimals);
// "%1" to "%9" replaced in one pass by the values in order (at most nine).
std::string ArgList(const std::string& text, std::initializer_list<std::string> values);

// The language a user's locale asks for, by gettext's rules. The locale is the first of LC_ALL,
// LC_MESSAGES and LANG that is set, C when none is. Unless it is C or POSIX, the first entry of
// the list LANGUAGE ("uk:ru:en") that is ours decides: "ru", "en" or a variant ("en_GB"), and "C"
// or "POSIX" for the untranslated Russian. Else the locale decides: Russian for a Russian locale
// and for C and POSIX ("C.UTF-8" too), English for every other.
TLanguage LanguageOfLocale(const char* language, const char* lcAll, const char* lcMessages,
                           const char* lang);
// The same from this process's environment.
TLanguage LanguageOfEnvironment();

// "ru" or "en" as --lang takes them; nothing else is a language.
bool LanguageOfName(const std::string& name, TLanguage& language);

} // namespace vell

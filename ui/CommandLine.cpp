// The command line of the windowed programs.
#include "ui/CommandLine.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ostream>

namespace vell {

namespace {

// Options that QGuiApplication, QApplication and the xcb platform take out of argv, by their
// names without the dash. Qt also accepts each with two dashes.
constexpr std::array<std::string_view, 17> QtOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "style", "stylesheet", "session", "qmljsdebugger",
    // X11
    "display", "geometry", "name", "title", "icon", "visual"};
constexpr std::array<std::string_view, 6> QtFlags = {"reverse", "widgetcount", "testability",
                                                     // X11
                                                     "nograb", "dograb", "sync"};
// Only these are also understood as "-style=Fusion"; Qt reads no other option that way.
constexpr std::array<std::string_view, 3> QtOptionsWithInlineValue = {"style", "stylesheet",
                                                                      "qmljsdebugger"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// "-platform" and "--platform" both name "platform"; nothing for a word that is no option.
std::optional<std::string_view> QtOptionName(std::string_view word) {
    if (word.size() < 2 || word[0] != '-') return std::nullopt;
    word.remove_prefix(word[1] == '-' ? 2 : 1);
    if (word.empty()) return std::nullopt;
    return word;
}

TCommandLine Failed(std::string error) {
    TCommandLine line;
    line.Action = TCommandLineAction::Error;
    line.Error = std::move(error);
    return line;
}

// A valid --lang from `from` on (up to "--"), so that help asked for before it is in its language.
std::optional<TLanguage> LanguageFurtherOn(const std::vector<std::string>& args, std::size_t from) {
    for (std::size_t k = from; k < args.size() && args[k] != "--"; ++k) {
        std::string value;
        if (args[k] == "--lang" && k + 1 < args.size())
            value = args[k + 1];
        else if (args[k].rfind("--lang=", 0) == 0)
            value = args[k].substr(7);
        TLanguage language;
        if (!value.empty() && LanguageOfName(value, language)) return language;
    }
    return std::nullopt;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args, bool continues) {
    TCommandLine line;
    bool optionsEnded = false;
    auto addMap = [&](const std::string& name) {
        if (line.MapName) return false;
        line.MapName = name;
        return true;
    };
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& word = args[k];
        // A lone "-" is a name, as it is for most programs.
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            if (!addMap(word))
                return Failed(
                    Arg(translate("CommandLine", "можно открыть только одну карту, лишнее имя: %1"),
                        word));
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            line.Action = TCommandLineAction::Help;
            if (!line.Language) line.Language = LanguageFurtherOn(args, k + 1);
            return line;
        }
        if (word == "--version") {
            line.Action = TCommandLineAction::Version;
            if (!line.Language) line.Language = LanguageFurtherOn(args, k + 1);
            return line;
        }
        if (word == "--lang" || word.rfind("--lang=", 0) == 0) {
            std::string value;
            if (word == "--lang") {
                if (k + 1 >= args.size())
                    return Failed(
                        Arg(translate("CommandLine", "параметру %1 нужно значение"), word));
                value = args[++k];
            } else {
                value = word.substr(7);
            }
            TLanguage language;
            if (!LanguageOfName(value, language))
                return Failed(
                    Arg(translate("CommandLine", "неизвестный язык %1, есть ru и en"), value));
            line.Language = language;
            continue;
        }
        if (continues && word == "--continue") {
            if (k + 1 >= args.size())
                return Failed(Arg(translate("CommandLine", "параметру %1 нужно значение"), word));
            line.ContinuePath = args[++k];
            continue;
        }
        const std::string_view name = *QtOptionName(word);
        if (Contains(QtFlags, name)) {
            line.QtArguments.push_back(word);
        } else if (Contains(QtOptionsWithValue, name)) {
            if (k + 1 >= args.size())
                return Failed(Arg(translate("CommandLine", "параметру %1 нужно значение"), word));
            line.QtArguments.push_back(word);
            line.QtArguments.push_back(args[++k]);
        } else if (auto eq = name.find('=');
                   eq != std::string_view::npos &&
                   Contains(QtOptionsWithInlineValue, name.substr(0, eq))) {
            line.QtArguments.push_back(word);
        } else {
            return Failed(Arg(translate("CommandLine", "неизвестный параметр %1"), word));
        }
    }
    if (line.ContinuePath && line.MapName)
        return Failed(
            Arg(translate("CommandLine", "с --continue карту не называют: её берут из сохранения, "
                                         "лишнее имя: %1"),
                *line.MapName));
    return line;
}

TLanguage ChosenLanguage(const TCommandLine& line) {
    return line.Language ? *line.Language : LanguageOfEnvironment();
}

std::string HelpText(const TProgramInfo& program) {
    const std::string name(program.Name);
    std::string text =
        Arg(translate("CommandLine", "Использование: %1 [ПАРАМЕТРЫ] [КАРТА.vl]\n"), name);
    text += translate("CommandLine", std::string(program.About).c_str());
    text += translate("CommandLine",
                      "\n"
                      "Параметры:\n"
                      "  -h, --help   показать эту справку и выйти\n"
                      "  --version    показать версию программы и выйти\n"
                      "  --lang ru|en язык программы; без него язык берётся из локали\n"
                      "               (русский для русской и для C, иначе английский)\n");
    if (!program.Options.empty())
        text += translate("CommandLine", std::string(program.Options).c_str());
    text += translate("CommandLine",
                      "  --           конец параметров: дальше только имя карты, даже если оно\n"
                      "               начинается с «-»\n"
                      "\n");
    text += translate("CommandLine", std::string(program.MapNote).c_str());
    text += translate("CommandLine",
                      "Имя карты без точки получает расширение .vl.\n"
                      "\n"
                      "Принимаются и параметры самой Qt, например:\n"
                      "  -platform offscreen|xcb|wayland   оконная система\n"
                      "  -style Fusion                     вид окон\n"
                      "  -qwindowgeometry 800x600+0+0      размер и место первого окна\n"
                      "  -reverse                          окна с раскладкой справа налево\n");
    return text;
}

std::string VersionText(const TProgramInfo& program) {
    return std::string(program.Name) + " " + std::string(program.Version) + "\n";
}

std::optional<int> AnswerCommandLine(const TCommandLine& line, const TProgramInfo& program,
                                     std::ostream& out, std::ostream& err) {
    switch (line.Action) {
    case TCommandLineAction::Run:
        return std::nullopt;
    case TCommandLineAction::Help:
        out << HelpText(program);
        return 0;
    case TCommandLineAction::Version:
        out << VersionText(program);
        return 0;
    case TCommandLineAction::Error:
        err << program.Name << ": " << line.Error << "\n"
            << Arg(translate("CommandLine", "Подробнее: %1 --help"), std::string(program.Name))
            << "\n";
        return 2;
    }
    return 2;
}

TDisplayEnvironment DisplayEnvironmentOfProcess() {
    auto read = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return {read("QT_QPA_PLATFORM"), read("DISPLAY"), read("WAYLAND_DISPLAY")};
}

std::optional<int> AnswerNoDisplay(const TCommandLine& line, const TProgramInfo& program,
                                   const TDisplayEnvironment& environment, std::ostream& err) {
    std::string platforms = environment.QpaPlatform;
    std::string display = environment.Display;
    const std::vector<std::string>& qt = line.QtArguments; // each value follows its option
    for (std::size_t k = 0; k < qt.size(); ++k) {
        const auto name = QtOptionName(qt[k]);
        if (!name || !Contains(QtOptionsWithValue, *name) || k + 1 >= qt.size()) continue;
        const std::string& value = qt[++k];
        if (name == "platform") platforms = value;
        if (name == "display") display = value;
    }
    // The session's own window system when no platform is named; a name may carry options
    // after ':' ("offscreen:fontengine=freetype").
    if (platforms.empty()) platforms = "xcb;wayland";
    std::string_view rest = platforms;
    while (!rest.empty()) {
        std::string_view platform = rest.substr(0, rest.find(';'));
        rest.remove_prefix(std::min(rest.size(), platform.size() + 1));
        platform = platform.substr(0, platform.find(':'));
        if (platform == "xcb"                    ? !display.empty()
            : platform.substr(0, 7) == "wayland" ? !environment.WaylandDisplay.empty()
                                                 : !platform.empty())
            return std::nullopt;
    }
    err << program.Name << ": "
        << translate("CommandLine",
                     "нужен графический экран (X11 или Wayland), а его нет; без экрана работает "
                     "VellSim")
        << "\n";
    return 2;
}

TQtArgv::TQtArgv(const char* program, const std::vector<std::string>& qtArguments) {
    Words.push_back(program ? program : "");
    Words.insert(Words.end(), qtArguments.begin(), qtArguments.end());
    for (std::string& word : Words)
        Pointers.push_back(word.data());
    Pointers.push_back(nullptr);
    Count = int(Words.size());
}

} // namespace vell

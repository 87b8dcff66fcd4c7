// The windowed programs' command line: the map name, Qt's options, --help, --version, mistakes.
#include "ui/CommandLine.h"
#include "ui/QtApplication.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace vell {
namespace {

using TWords = std::vector<std::string>;

TCommandLine Parse(TWords words) {
    return ParseCommandLine(words);
}

TEST(CommandLine, MapNameAndQtOptionsAreSeparated) {
    TCommandLine none = Parse({});
    EXPECT_EQ(none.Action, TCommandLineAction::Run);
    EXPECT_FALSE(none.MapName);
    EXPECT_TRUE(none.QtArguments.empty());

    // A Qt option's value is never the map, wherever the map stands.
    TCommandLine line = Parse({"-platform", "offscreen", "maps/ring.vl", "-style", "Fusion"});
    EXPECT_EQ(line.Action, TCommandLineAction::Run);
    EXPECT_EQ(line.MapName, "maps/ring.vl");
    EXPECT_EQ(line.QtArguments, (TWords{"-platform", "offscreen", "-style", "Fusion"}));

    // The default extension is the map's business, not the command line's.
    EXPECT_EQ(Parse({"ring"}).MapName, "ring");
    // A lone dash and an empty word are names too.
    EXPECT_EQ(Parse({"-"}).MapName, "-");
    EXPECT_EQ(Parse({""}).MapName, "");
}

TEST(CommandLine, ContinueNamesASavedGameOnlyForTheGameAndWithoutAMap) {
    const TCommandLine line = ParseCommandLine({"-platform", "xcb", "--continue", "a.vls"}, true);
    EXPECT_EQ(line.Action, TCommandLineAction::Run);
    EXPECT_EQ(line.ContinuePath, "a.vls");
    EXPECT_FALSE(line.MapName);
    EXPECT_EQ(line.QtArguments, (TWords{"-platform", "xcb"}));
    // The editor knows no such option.
    EXPECT_EQ(ParseCommandLine({"--continue", "a.vls"}).Error, "неизвестный параметр --continue");
    EXPECT_EQ(ParseCommandLine({"--continue"}, true).Error, "параметру --continue нужно значение");
    EXPECT_EQ(ParseCommandLine({"ring.vl", "--continue", "a.vls"}, true).Error,
              "с --continue карту не называют: её берут из сохранения, лишнее имя: ring.vl");
    // The help lists it where the program has it.
    const TProgramInfo game{"VellGame", "1", "Игра.\n", "Карта.\n", "  --continue ФАЙЛ  игра\n"};
    EXPECT_NE(HelpText(game).find("  --continue ФАЙЛ  игра\n  --           конец"),
              std::string::npos);
    const TProgramInfo editor{"VellEditor", "1", "Редактор.\n", "Карта.\n"};
    EXPECT_EQ(HelpText(editor).find("--continue"), std::string::npos);
}

TEST(CommandLine, QtOptionsInEveryFormQtReads) {
    const TWords qt = {"--platform",
                       "xcb",
                       "-reverse",
                       "--widgetcount",
                       "-nograb",
                       "-dograb",
                       "-sync",
                       "-style=Fusion",
                       "-stylesheet=a.qss",
                       "-qwindowgeometry",
                       "800x600+0+0",
                       "-display",
                       ":1",
                       "-session",
                       "s_1",
                       "-name",
                       "tram"};
    TWords all = qt;
    all.push_back("city.vl");
    TCommandLine line = Parse(all);
    EXPECT_EQ(line.Action, TCommandLineAction::Run) << line.Error;
    EXPECT_EQ(line.QtArguments, qt);
    EXPECT_EQ(line.MapName, "city.vl");

    // A value is taken as it is, even when it looks like one of our options.
    TCommandLine title = Parse({"-qwindowtitle", "--help"});
    EXPECT_EQ(title.Action, TCommandLineAction::Run);
    EXPECT_EQ(title.QtArguments, (TWords{"-qwindowtitle", "--help"}));
    EXPECT_FALSE(title.MapName);
}

TEST(CommandLine, MistakesAreErrors) {
    struct Case {
        TWords Words;
        std::string Error;
    } cases[] = {
        {{"--foo"}, "неизвестный параметр --foo"},
        {{"-x", "city.vl"}, "неизвестный параметр -x"},
        {{"city.vl", "--jsn"}, "неизвестный параметр --jsn"},
        // Qt reads "=" only after these three names.
        {{"-platform=xcb"}, "неизвестный параметр -platform=xcb"},
        {{"---platform", "xcb"}, "неизвестный параметр ---platform"},
        // A flag takes no value.
        {{"-reverse=1"}, "неизвестный параметр -reverse=1"},
        {{"-platform"}, "параметру -platform нужно значение"},
        {{"city.vl", "--style"}, "параметру --style нужно значение"},
        {{"a.vl", "b.vl"}, "можно открыть только одну карту, лишнее имя: b.vl"},
        {{"a.vl", "-platform", "xcb", "b.vl"}, "можно открыть только одну карту, лишнее имя: b.vl"},
    };
    for (const Case& c : cases) {
        TCommandLine line = Parse(c.Words);
        EXPECT_EQ(line.Action, TCommandLineAction::Error) << c.Error;
        EXPECT_EQ(line.Error, c.Error);
        EXPECT_EQ(line.Error.find('\n'), std::string::npos);
    }
}

TEST(CommandLine, DoubleDashEndsOptions) {
    TCommandLine dashed = Parse({"-platform", "xcb", "--", "-old.vl"});
    EXPECT_EQ(dashed.Action, TCommandLineAction::Run);
    EXPECT_EQ(dashed.MapName, "-old.vl");
    EXPECT_EQ(dashed.QtArguments, (TWords{"-platform", "xcb"}));

    // After "--" our options and Qt's are names like any other.
    EXPECT_EQ(Parse({"--", "--help"}).MapName, "--help");
    EXPECT_EQ(Parse({"--", "--help"}).Action, TCommandLineAction::Run);
    EXPECT_EQ(Parse({"--", "--"}).MapName, "--");
    EXPECT_TRUE(Parse({"--", "-platform"}).QtArguments.empty());
    EXPECT_EQ(Parse({"--", "-platform", "xcb"}).Action, TCommandLineAction::Error);
    EXPECT_FALSE(Parse({"--"}).MapName);
}

TEST(CommandLine, TheFirstRequestOrMistakeFromTheLeftDecides) {
    EXPECT_EQ(Parse({"--help"}).Action, TCommandLineAction::Help);
    EXPECT_EQ(Parse({"-h"}).Action, TCommandLineAction::Help);
    EXPECT_EQ(Parse({"--version"}).Action, TCommandLineAction::Version);
    EXPECT_EQ(Parse({"city.vl", "--version", "--help"}).Action, TCommandLineAction::Version);
    EXPECT_EQ(Parse({"--help", "--foo"}).Action, TCommandLineAction::Help);
    EXPECT_EQ(Parse({"--foo", "--help"}).Action, TCommandLineAction::Error);
    EXPECT_EQ(Parse({"a.vl", "b.vl", "--help"}).Action, TCommandLineAction::Error);
}

const TProgramInfo Game{"VellGame", "1.0.0", "Трамвайная игра.\n", "Карта открывается.\n"};

struct TAnswered {
    std::optional<int> Code;
    std::string Out, Err;
};

TAnswered Answer(TWords words) {
    std::ostringstream out, err;
    auto code = AnswerCommandLine(ParseCommandLine(words), Game, out, err);
    return {code, out.str(), err.str()};
}

TEST(CommandLine, AnswersGoToTheRightStreamWithTheRightCode) {
    TAnswered help = Answer({"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_TRUE(help.Err.empty());
    EXPECT_EQ(help.Out.rfind("Использование: VellGame [ПАРАМЕТРЫ] [КАРТА.vl]\n"
                             "Трамвайная игра.\n",
                             0),
              0u)
        << help.Out;
    for (const char* part : {"--help", "--version", "Карта открывается.\n", "-platform offscreen"})
        EXPECT_NE(help.Out.find(part), std::string::npos) << part;

    TAnswered version = Answer({"--version"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_EQ(version.Out, "VellGame 1.0.0\n");
    EXPECT_TRUE(version.Err.empty());

    TAnswered wrong = Answer({"--foo"});
    EXPECT_EQ(wrong.Code, 2);
    EXPECT_TRUE(wrong.Out.empty());
    EXPECT_EQ(wrong.Err, "VellGame: неизвестный параметр --foo\nПодробнее: VellGame --help\n");

    TAnswered run = Answer({"-platform", "offscreen", "city.vl"});
    EXPECT_FALSE(run.Code);
    EXPECT_TRUE(run.Out.empty() && run.Err.empty());
}

TEST(CommandLine, NoDisplayIsOneLineAndExitCode2) {
    const TProgramInfo game{"VellGame", "1.0.0", "", ""};
    auto answer = [&](TWords words, TDisplayEnvironment environment) {
        std::ostringstream err;
        std::optional<int> code = AnswerNoDisplay(Parse(words), game, environment, err);
        return std::make_pair(code, err.str());
    };
    // Nothing at all: the one line, in Russian, pointing at VellSim.
    const auto [code, text] = answer({"maps/ring.vl"}, {});
    EXPECT_EQ(code, 2);
    EXPECT_EQ(text, "VellGame: нужен графический экран (X11 или Wayland), а его нет; без экрана "
                    "работает VellSim\n");

    // The session's X11 or Wayland.
    EXPECT_FALSE(answer({}, {"", ":0", ""}).first);
    EXPECT_FALSE(answer({}, {"", "", "wayland-0"}).first);
    // A platform that needs no display, from the environment or the command line, with options.
    EXPECT_FALSE(answer({}, {"offscreen", "", ""}).first);
    EXPECT_FALSE(answer({"-platform", "offscreen:fontengine=freetype"}, {}).first);
    EXPECT_FALSE(answer({"-platform", "vnc"}, {}).first);
    // X11 named with Qt's -display; a list in which one platform can work.
    EXPECT_FALSE(answer({"-platform", "xcb", "-display", ":1"}, {}).first);
    EXPECT_FALSE(answer({}, {"wayland;xcb", ":0", ""}).first);
    // The platform asked for needs what is missing; the command line overrides the environment.
    EXPECT_EQ(answer({}, {"xcb", "", "wayland-0"}).first, 2);
    EXPECT_EQ(answer({}, {"wayland-egl", ":0", ""}).first, 2);
    EXPECT_EQ(answer({"--platform", "xcb"}, {"offscreen", "", ""}).first, 2);
    EXPECT_EQ(answer({}, {";", "", ""}).first, 2);
    // A value that looks like an option is still a value.
    EXPECT_EQ(answer({"-title", "-platform", "maps/ring.vl"}, {"xcb", "", ""}).first, 2);
}

TEST(CommandLine, QtArgvHoldsTheProgramAndQtsOptionsOnly) {
    TCommandLine line = Parse({"-platform", "offscreen", "--", "-platform"});
    TQtArgv argv("VellGame", line.QtArguments);
    ASSERT_EQ(argv.Argc(), 3);
    EXPECT_STREQ(argv.Argv()[0], "VellGame");
    EXPECT_STREQ(argv.Argv()[1], "-platform");
    EXPECT_STREQ(argv.Argv()[2], "offscreen");
    EXPECT_EQ(argv.Argv()[3], nullptr);
    // Qt rewrites argv in place; the words must be this object's own.
    argv.Argv()[1][1] = 'P';
    EXPECT_EQ(line.QtArguments[0], "-platform");

    TQtArgv bare(nullptr, {});
    EXPECT_EQ(bare.Argc(), 1);
    EXPECT_STREQ(bare.Argv()[0], "");
    EXPECT_EQ(bare.Argv()[1], nullptr);
}

TEST(CommandLine, LangChoosesTheLanguage) {
    EXPECT_EQ(Parse({"--lang", "en", "city.vl"}).Language, TLanguage::English);
    EXPECT_EQ(Parse({"--lang=ru"}).Language, TLanguage::Russian);
    EXPECT_EQ(Parse({"city.vl"}).Language, std::nullopt);
    EXPECT_EQ(Parse({"--lang"}).Error, "параметру --lang нужно значение");
    EXPECT_EQ(Parse({"--lang", "de"}).Error, "неизвестный язык de, есть ru и en");
    EXPECT_EQ(Parse({"--", "--lang"}).MapName, "--lang");
    EXPECT_EQ(ChosenLanguage(Parse({"--lang", "en"})), TLanguage::English);
    // Help asked for before --lang is in that language too.
    EXPECT_EQ(Parse({"--help", "--lang", "en"}).Language, TLanguage::English);
    EXPECT_EQ(Parse({"-h", "--lang=en"}).Action, TCommandLineAction::Help);
    EXPECT_EQ(Parse({"--version", "--", "--lang", "en"}).Language, std::nullopt);
}

// The user's locale as gettext reads it: LC_ALL, LC_MESSAGES or LANG, and the list LANGUAGE
// before it unless the locale is C.
TEST(CommandLine, LocaleChoosesRussianOrEnglish) {
    using L = TLanguage;
    struct Case {
        const char *Language, *LcAll, *LcMessages, *Lang;
        L Expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, L::Russian}, // nothing set: the programs' own
        {"", "", "", "", L::Russian},
        {nullptr, "C", nullptr, "en_GB.UTF-8", L::Russian},
        {nullptr, nullptr, nullptr, "C.UTF-8", L::Russian},
        {nullptr, nullptr, nullptr, "POSIX", L::Russian},
        {nullptr, nullptr, nullptr, "ru_RU.UTF-8", L::Russian},
        {nullptr, nullptr, nullptr, "ru", L::Russian},
        {nullptr, nullptr, nullptr, "en_US.UTF-8", L::English},
        {nullptr, nullptr, nullptr, "de_DE@euro", L::English},
        {nullptr, nullptr, "ru_UA.UTF-8", "en_US.UTF-8", L::Russian},
        {nullptr, "en_US.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8", L::English},
        {"en:ru", "ru_RU.UTF-8", nullptr, nullptr, L::English},
        {"ru:en", nullptr, nullptr, "en_US.UTF-8", L::Russian},
        // The first language of the list that the programs have.
        {"uk:ru", nullptr, nullptr, "en_US.UTF-8", L::Russian},
        {"de:en_GB", nullptr, nullptr, "ru_RU.UTF-8", L::English},
        {"::en:", nullptr, nullptr, "ru_RU.UTF-8", L::English},
        {"ru_RU.UTF-8:en", nullptr, nullptr, "en_US.UTF-8", L::Russian},
        // gettext's name for the untranslated texts, which are Russian.
        {"C:en", nullptr, nullptr, "en_US.UTF-8", L::Russian},
        // None of the list is ours: the locale decides.
        {"uk", nullptr, nullptr, "ru_RU.UTF-8", L::Russian},
        {"uk", nullptr, nullptr, "en_US.UTF-8", L::English},
        {":", nullptr, nullptr, "en_US.UTF-8", L::English},
        // Under the C locale (none set is C) the list is ignored; C.UTF-8 is not C.
        {"en", "C", nullptr, "en_US.UTF-8", L::Russian},
        {"en", nullptr, "POSIX", "en_US.UTF-8", L::Russian},
        {"en", nullptr, nullptr, nullptr, L::Russian},
        {"en", "", "", "", L::Russian},
        {"en", nullptr, nullptr, "C.UTF-8", L::English},
        // "rus" is no Russian locale name; only "ru" itself is.
        {nullptr, nullptr, nullptr, "rusty", L::English},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageOfLocale(c.Language, c.LcAll, c.LcMessages, c.Lang), c.Expected)
            << (c.Language ? c.Language : "-") << " " << (c.LcAll ? c.LcAll : "-") << " "
            << (c.LcMessages ? c.LcMessages : "-") << " " << (c.Lang ? c.Lang : "-");
}

TEST(CommandLine, MarkersAreReplacedAsQtDoes) {
    EXPECT_EQ(Arg("%1 из %2", "3"), "3 из %2");
    EXPECT_EQ(Arg(Arg("%2 of %1", "a"), "b"), "b of a");
    EXPECT_EQ(Arg("%1 and %1", "x"), "x and x");
    EXPECT_EQ(Arg("no marker", "x"), "no marker");
    // A value is never searched for the next marker.
    EXPECT_EQ(Arg("'%1' от %2", "%2.vl", "01.01"), "'%2.vl' от 01.01");
    EXPECT_EQ(Arg("100%", "x"), "100%");
}

// The help and the mistakes in English come from the translation built into the programs; in
// Russian they are the texts of the code, byte for byte.
TEST(CommandLine, HelpAndMistakesSpeakTheChosenLanguage) {
    const std::string russianHelp = Answer({"--help"}).Out;
    {
        TProgramLanguage english(TLanguage::English);
        TAnswered help = Answer({"--help"});
        EXPECT_EQ(help.Out.rfind("Usage: VellGame [OPTIONS] [MAP.vl]\n", 0), 0u) << help.Out;
        EXPECT_NE(help.Out.find("  --lang ru|en the program's language"), std::string::npos);
        TAnswered wrong = Answer({"--foo"});
        EXPECT_EQ(wrong.Err, "VellGame: unknown option --foo\nMore: VellGame --help\n");
    }
    TProgramLanguage russian(TLanguage::Russian);
    EXPECT_EQ(Answer({"--help"}).Out, russianHelp);
    EXPECT_NE(russianHelp.find("  --lang ru|en язык программы"), std::string::npos);
}

} // namespace
} // namespace vell

// The command line of the windowed programs: our own options, Qt's options and the map name.
// It is read before QApplication exists, so that --help, --version and mistakes are answered
// without a display.
#pragma once

#include "model/Texts.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

enum class TCommandLineAction { Run, Help, Version, Error };

struct TCommandLine {
    TCommandLineAction Action = TCommandLineAction::Run;
    std::optional<std::string> MapName;
    // --continue FILE (the game only): the saved game to continue at start-up.
    std::optional<std::string> ContinuePath;
    // --lang ru|en; nothing leaves the choice to the user's locale.
    std::optional<TLanguage> Language;
    // Qt's own options with their values, in their order, for QApplication.
    std::vector<std::string> QtArguments;
    // One line without the program's name, when Action is Error.
    std::string Error;
};

// Reads the words after the program's name. The first request (--help, --version) or mistake
// met from the left decides; "--" makes every later word a map name. --continue is an option
// only where `continues` says so (the game); it names no map beside it.
TCommandLine ParseCommandLine(const std::vector<std::string>& args, bool continues = false);

// The language the line asks for, or else the one of the user's locale. The line's mistakes
// are worded in the language installed while it is parsed: parse again once it is chosen.
TLanguage ChosenLanguage(const TCommandLine& line);

// What the help and the version say about one program (About and MapNote marked for
// translation in the context "CommandLine").
struct TProgramInfo {
    std::string_view Name;         // "VellGame"
    std::string_view Version;      // "1.0.0"
    std::string_view About;        // what the program does, a few lines ending in '\n'
    std::string_view MapNote;      // what becomes of the map named on the command line, likewise
    std::string_view Options = {}; // the program's own options' lines of the help, likewise
};

std::string HelpText(const TProgramInfo& program);
std::string VersionText(const TProgramInfo& program);

// Prints the help or the version on `out`, or the mistake and a hint on `err`, and gives the
// exit code (0, or 2 for a mistake); nothing when the program is to run.
std::optional<int> AnswerCommandLine(const TCommandLine& line, const TProgramInfo& program,
                                     std::ostream& out, std::ostream& err);

// What the environment tells Qt about the window system.
struct TDisplayEnvironment {
    std::string QpaPlatform;    // QT_QPA_PLATFORM
    std::string Display;        // DISPLAY (X11)
    std::string WaylandDisplay; // WAYLAND_DISPLAY
};
TDisplayEnvironment DisplayEnvironmentOfProcess();

// Qt ends the program with a core dump when it finds no window system, so the programs look
// first: the platform of -platform or QT_QPA_PLATFORM (any of a ';' list) and, for X11 or
// Wayland, a display named by -display or the environment. Without one, a line on `err` says
// that the program needs a graphical display, and the exit code is 2; nothing when there is one.
std::optional<int> AnswerNoDisplay(const TCommandLine& line, const TProgramInfo& program,
                                   const TDisplayEnvironment& environment, std::ostream& err);

// argc and argv for QApplication: the program's name and Qt's options, nothing else, so that
// Qt never takes a map name after "--" for one of its options. QApplication keeps references
// to both: this object must outlive it.
class TQtArgv {
  public:
    TQtArgv(const char* program, const std::vector<std::string>& qtArguments);
    TQtArgv(const TQtArgv&) = delete;
    TQtArgv& operator=(const TQtArgv&) = delete;

    int& Argc() { return Count; }
    char** Argv() { return Pointers.data(); }

  private:
    std::vector<std::string> Words;
    std::vector<char*> Pointers; // ends with a null pointer, as a C argv does
    int Count = 0;
};

} // namespace vell

// VellSim's command table and dispatcher. A new command adds one row to Commands() and a line
// to the usage text (and to the README, which shows the same text).
#include "tools/Commands.h"

#include "model/SafeFile.h"
#include "tools/ToolMap.h"

#include <functional>
#include <optional>
#include <ostream>

namespace vell::tool {

namespace {

const char* const Usage =
    "Usage: VellSim [--seed N] COMMAND ...\n"
    "       VellSim --help | --version\n"
    "  info MAP [--json]     the map's objects by kind and its routes\n"
    "  resave IN OUT         load a map and write it again\n"
    "  check MAP [--json]    the rail network check: every faulty rail and the rule it breaks\n"
    "  routes MAP [--json]   the route table as the game lists it (figures, choices, stop times)\n"
    "  convert IN OUT [--grade N]\n"
    "                        the editor's double-track conversion (rails of grade 136 or N)\n"
    "  import IN OUT [--center LAT,LON] [--routes REF,...] [--cars N] [--interval MIN]\n"
    "         [--no-buildings] [--json]\n"
    "                        a map of the tram network of an OpenStreetMap extract (PBF or XML,\n"
    "                        XML also in gzip or bzip2, whatever its name): the 10 km square\n"
    "                        with the most track or around LAT,LON, its routes (REF,... only),\n"
    "                        trams of N cars (2) every MIN minutes (10) where a route gives no\n"
    "                        interval, and its buildings and trees; a report of what was made\n"
    "                        and left out\n"
#ifdef VELL_WITH_DRAWING
    "  scheme MAP [OUT.bmp]  the route scheme picture, by default next to the map (MAP.bmp)\n"
    "  plan MAP OUT.png [--view X,Y] [--overview OUT2.png] [--route NAME]\n"
    "                        the plan view from X,Y (default 4800,4800) and the overview,\n"
    "                        with route NAME (1, 10, 1А) highlighted as the route table does\n"
    "  diagram MAP --route NAME [--minutes N] [--seed S] OUT.png\n"
    "                        the time-distance diagram of route NAME over a run as `run` makes\n"
    "                        it: its stops, each tram with its timetable, blocked stands in red\n"
#endif
#ifdef VELL_WITH_SOUND
    "  drive MAP --route NAME [--minutes N] [--seed S] OUT.wav\n"
    "                        what is heard in the cab of route NAME's first tram, driven by the\n"
    "                        autopilot for N minutes (2, at most 60) after the run-ahead a game\n"
    "                        makes: its motors, brakes, wheels, doors, bell and the trams near\n"
    "                        it, rendered without a sound card to a WAV file (22050 Hz stereo)\n"
#endif
    "  run MAP [--minutes N] [--seed S] [--json] [--trace FILE [--trace-from MIN]\n"
    "          [--trace-to MIN]] [--save-at MIN FILE]\n"
    "                        the trams of every route for N simulated minutes (60): the route\n"
    "                        report and per-route figures (trams, stops, passengers, timetable,\n"
    "                        jams), then the trams that stood over 5 minutes, the trams standing\n"
    "                        at the end and the deadlocks; the same seed gives the same output,\n"
    "                        byte for byte; --trace writes every tram's state at every step\n"
    "                        between the two minutes as CSV, about 136 bytes a tram and step\n"
    "                        (5 MB a simulated minute of the demo city's 34 trams); a window\n"
    "                        without a step, a trace over the map or one clearly too big for\n"
    "                        the free space of its folder is refused; --save-at writes the whole\n"
    "                        world to FILE (.vls) at minute MIN and runs on\n"
    "  run --continue FILE [--map MAP] [--minutes N] [--json] [--trace FILE\n"
    "          [--trace-from MIN] [--trace-to MIN]] [--save-at MIN FILE]\n"
    "                        N more minutes (60) of the run or game saved in FILE, over its map\n"
    "                        and with its seed, after the save's minute (the next whole one for\n"
    "                        a save between two): the same figures and trace as the run that\n"
    "                        was never interrupted; the trace's minutes count from its start\n"
    "  replay FILE [--map MAP] [--json]\n"
    "                        a drive recorded by the game (.vlrec) run over its map: its world\n"
    "                        steps, the player's tram at the end (route, number, position,\n"
    "                        speed, passengers, timetable, the accident and its cause) and the\n"
    "                        world's digest, the same for every run of the same recording;\n"
    "                        a long one shows its progress on stderr, Ctrl+C stops it\n"
    "  score FILE [--map MAP] [--json]\n"
    "                        the evaluation of the shift driven in a recording (.vlrec), as the\n"
    "                        cab gave it at its end: total, stars, the four categories and every\n"
    "                        event (time, stop, place, rule, points)\n"
    "  score --autopilot MAP --route NAME --minutes N [--seed S] [--json]\n"
    "                        the same for the autopilot driving route NAME's first tram for a\n"
    "                        shift of N minutes (at most 240) after the run-ahead a game makes\n"
    "A save or a recording finds its map at the path it names, else by the same file name\n"
    "beside it or among the bundled maps, else as --map MAP; each only when its bytes are\n"
    "those the file was written over.\n"
    "A map name without a dot in its file name gets .vl.\n"
    "Exit codes: 0 done, 1 the command found faults, 2 bad usage or a missing, corrupt or\n"
    "unwritable file.\n";

struct TCommand {
    const char* Name;
    std::size_t MinPositionals, MaxPositionals;
    TOptionSet Options;
    std::function<int(const TArguments&, std::ostream&, std::ostream&)> Run;
};

std::vector<TCommand> Commands() {
    return {
        {"info", 1, 1, {{"--json"}, {}}, RunInfo},
        {"resave", 2, 2, {{}, {}}, RunResave},
        {"check", 1, 1, {{"--json"}, {}}, RunCheck},
        {"routes", 1, 1, {{"--json"}, {}}, RunRoutes},
        {"convert", 2, 2, {{}, {"--grade"}}, RunConvert},
        {"import",
         2,
         2,
         {{"--json", "--no-buildings"}, {"--center", "--routes", "--cars", "--interval"}},
         RunImport},
        {"run",
         0,
         2,
         {{"--json"},
          {"--minutes", "--seed", "--trace", "--trace-from", "--trace-to", "--save-at",
           "--continue", "--map"}},
         RunRun},
        {"replay", 1, 1, {{"--json"}, {"--map"}}, RunReplayCommand},
        {"score",
         0,
         1,
         {{"--json"}, {"--map", "--autopilot", "--route", "--minutes", "--seed"}},
         RunScore},
#ifdef VELL_WITH_DRAWING
        {"scheme", 1, 2, {{}, {}}, RunScheme},
        {"plan", 2, 2, {{}, {"--view", "--overview", "--route"}}, RunPlan},
        {"diagram", 2, 2, {{}, {"--route", "--minutes", "--seed"}}, RunDiagram},
#endif
#ifdef VELL_WITH_SOUND
        {"drive", 2, 2, {{}, {"--route", "--minutes", "--seed"}}, RunDrive},
#endif
    };
}

} // namespace

int RunVellSim(const std::vector<std::string>& all, std::ostream& out, std::ostream& err) {
    // A headless tool writes where the shell points it: a pipe, /dev/stdout, /dev/null.
    AllowStreamTargets(true);
    std::vector<std::string> args = all;
    // Options before the command apply to every command.
    std::optional<std::uint32_t> seed;
    while (!args.empty() && args[0].size() > 1 && args[0][0] == '-') {
        const std::string option = args[0];
        if (option == "--help" || option == "-h") {
            out << Usage;
            return ExitOk;
        }
        if (option == "--version") {
            out << "VellSim " << VELL_VERSION << "\n";
            return ExitOk;
        }
        if (option == "--seed" || option.rfind("--seed=", 0) == 0) {
            const bool inlineValue = option != "--seed";
            if (!inlineValue && args.size() < 2) {
                ReportUsageError(err, {}, "option --seed needs a value");
                return ExitBadInput;
            }
            seed = ParseSeed(inlineValue ? option.substr(7) : args[1]);
            if (!seed) {
                ReportUsageError(err, {}, SeedRange);
                return ExitBadInput;
            }
            args.erase(args.begin(), args.begin() + (inlineValue ? 1 : 2));
            continue;
        }
        ReportUsageError(err, {}, "unknown option " + option);
        return ExitBadInput;
    }
    if (args.empty()) {
        err << Usage;
        return ExitBadInput;
    }
    for (const TCommand& command : Commands()) {
        if (args[0] != command.Name) continue;
        std::string error;
        auto parsed = ParseArguments({args.begin() + 1, args.end()}, command.Options, error);
        if (!parsed) {
            ReportUsageError(err, command.Name, error);
            return ExitBadInput;
        }
        if (parsed->Positional.size() < command.MinPositionals ||
            parsed->Positional.size() > command.MaxPositionals) {
            ReportUsageError(err, command.Name, "wrong number of arguments");
            return ExitBadInput;
        }
        if (seed) parsed->Values["--seed"] = std::to_string(*seed);
        return command.Run(*parsed, out, err);
    }
    ReportUsageError(err, {}, "unknown command " + args[0]);
    return ExitBadInput;
}

} // namespace vell::tool

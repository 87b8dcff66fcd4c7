// VellSim run on a generated city: repeatable with a seed, its JSON names, and bad input.
#include "model/Units.h"
#include "sim/Jams.h"
#include "sim/RunStatistics.h"
#include "sim/Trace.h"
#include "sim/World.h"
#include "sim/save/WorldSave.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/GeneratedCity.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"
#include "tools/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <sys/stat.h>

namespace vell::test {
namespace {

// The one figure that changes from run to run is the speed of the run itself.
std::string WithoutSpeed(const std::string& json) {
    return std::regex_replace(json, std::regex("\"steps_per_second\": [0-9]+, "), "");
}

class RunCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        TCityPlan plan;
        plan.Loops = 4;
        plan.LoopWidth = 1500;
        plan.Routes = 6;
        auto map = GenerateCity(plan);
        map->FileName = Dir.Path("city.vl");
        ASSERT_TRUE(map->SaveToFile());
    }
    TTempDir Dir;
};

TEST_F(RunCommand, TheSameSeedGivesTheSameOutput) {
    const TRun a = Sim({"run", Dir.Path("city"), "--minutes", "20", "--seed", "4"});
    const TRun b = Sim({"--seed", "4", "run", Dir.Path("city.vl"), "--minutes", "20"});
    ASSERT_EQ(a.Code, 0) << a.Err;
    ASSERT_EQ(b.Code, 0) << b.Err;
    EXPECT_EQ(a.Out, b.Out);
    EXPECT_NE(a.Out.find("Зерно: 4, минут: 20, шагов мира: 21848"), std::string::npos) << a.Out;
    EXPECT_NE(a.Out.find("Итого "), std::string::npos);
    EXPECT_NE(a.Err.find("Шагов мира в секунду: "), std::string::npos);

    const TRun c = Sim({"run", Dir.Path("city"), "--minutes", "20", "--seed", "5"});
    EXPECT_NE(c.Out, a.Out);
}

TEST_F(RunCommand, JsonNamesAndFigures) {
    const TRun a = Sim({"run", Dir.Path("city"), "--seed", "9", "--json", "--minutes", "30"});
    const TRun b = Sim({"run", Dir.Path("city"), "--json", "--minutes", "30", "--seed", "9"});
    ASSERT_EQ(a.Code, 0) << a.Err;
    EXPECT_EQ(WithoutSpeed(a.Out), WithoutSpeed(b.Out));
    EXPECT_NE(WithoutSpeed(a.Out), a.Out);
    EXPECT_EQ(
        a.Out.rfind("{\"seed\": 9, \"minutes\": 30, \"steps\": 32772, \"steps_per_second\": ", 0),
        0u)
        << a.Out;
    for (const char* key :
         {"\"report\": \"", "\"routes\": [{\"name\": \"1\", \"planned\": ", "\"dispatched\": ",
          "\"in_service\": ", "\"stops_served\": ", "\"stops_unserved\": ", "\"boarded\": ",
          "\"alighted\": ", "\"mean_deviation_s\": ", "\"worst_late_s\": ", "\"off_route\": 0",
          "\"accident_ticks\": ", "\"longest_standstill_min\": ", ")\\nИтого "})
        EXPECT_NE(a.Out.find(key), std::string::npos) << key;
    // The report's lines end as JSON readers expect, without the message box's "\r".
    EXPECT_EQ(a.Out.find("\\r"), std::string::npos) << a.Out;
    // Every route of this city runs: planned trams go out and serve stops.
    std::smatch m;
    std::string rest = a.Out;
    const std::regex route("\"planned\": ([0-9]+), \"dispatched\": ([0-9]+), \"in_service\": "
                           "([0-9]+), \"stops_served\": ([0-9]+)");
    int routes = 0;
    while (std::regex_search(rest, m, route)) {
        ++routes;
        const int planned = std::stoi(m[1]), dispatched = std::stoi(m[2]);
        EXPECT_GE(planned, 1);
        EXPECT_GE(dispatched, 1);
        EXPECT_LE(dispatched, planned);
        EXPECT_LE(std::stoi(m[3]), dispatched);
        EXPECT_GT(std::stoi(m[4]), 0);
        rest = m.suffix();
    }
    EXPECT_EQ(routes, 6);
}

// Two loops sharing a single-track section: the run names the deadlock in both outputs, and the
// stands of its trams as jams.
TEST(RunCommandJams, ASingleTrackSectionIsReportedAsADeadlock) {
    TTempDir dir;
    TSingleTrackMap m = SingleTrackMap();
    m.Map->FileName = dir.Path("single.vl");
    ASSERT_TRUE(m.Map->SaveToFile());
    const TRun json = Sim({"run", dir.Path("single"), "--minutes", "90", "--seed", "2", "--json"});
    ASSERT_EQ(json.Code, 0) << json.Err;
    std::smatch d;
    const std::regex deadlock(
        "\"deadlocks\": \\[\\{\"formed_min\": ([0-9.]+), \"trams\": \\[\\{\"tram\": ([0-9]+), "
        "\"route\": \"([12])\", \"rail\": ([0-9]+)\\}, \\{\"tram\": ([0-9]+), \"route\": "
        "\"([12])\", \"rail\": ([0-9]+)\\}\\]\\}\\]");
    ASSERT_TRUE(std::regex_search(json.Out, d, deadlock)) << json.Out;
    EXPECT_GT(std::stod(d[1]), 0);
    EXPECT_LE(std::stod(d[1]), 90);
    EXPECT_NE(d[3], d[6]); // one tram of each loop
    EXPECT_TRUE(m.Section.count(std::stoi(d[4])) && m.Section.count(std::stoi(d[7])));
    // Both stand at the end, each waiting for the other.
    for (auto [tram, other] : {std::pair{d[2].str(), d[5].str()}, {d[5].str(), d[2].str()}})
        EXPECT_TRUE(std::regex_search(json.Out, std::regex("\\{\"tram\": " + tram +
                                                           ", [^}]*\"ongoing\": true, "
                                                           "\"waits_for\": " +
                                                           other + "\\}")))
            << tram;

    const TRun text = Sim({"run", dir.Path("single"), "--minutes", "90", "--seed", "2"});
    ASSERT_EQ(text.Code, 0);
    const std::string circle = "поезд " + d[2].str() + " (маршрут " + d[3].str() + ", путь " +
                               d[4].str() + ") → поезд " + d[5].str() + " (маршрут " + d[6].str() +
                               ", путь " + d[7].str() + ") → поезд " + d[2].str();
    EXPECT_NE(text.Out.find("Взаимные блокировки:\n  с " + d[1].str() + " мин: " + circle),
              std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("Заторы дольше 5 мин:\n  поезд "), std::string::npos);
    EXPECT_NE(text.Out.find("ждёт поезд " + d[5].str()), std::string::npos);
}

// A trace changes nothing in the run; it holds the steps of its window only, one line per tram
// and one for the world each.
TEST_F(RunCommand, ATraceChangesNothingAndKeepsToItsWindow) {
    const TRun plain = Sim({"run", Dir.Path("city"), "--minutes", "12", "--seed", "6"});
    const TRun traced = Sim({"run", Dir.Path("city"), "--minutes", "12", "--seed", "6", "--trace",
                             Dir.Path("t.csv"), "--trace-from", "10", "--trace-to", "11"});
    ASSERT_EQ(traced.Code, 0) << traced.Err;
    EXPECT_EQ(plain.Out, traced.Out);
    std::ifstream in(Dir.Path("t.csv"));
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line.rfind("step,kind,slot,tram,route,", 0), 0u);
    long long first = -1, last = -1, worldLines = 0, tramLines = 0;
    while (std::getline(in, line)) {
        const long long step = std::stoll(line);
        if (first < 0) first = step;
        last = step;
        if (line.find(",world,") != std::string::npos)
            ++worldLines;
        else
            ++tramLines;
    }
    EXPECT_EQ(first, 10924); // the first step at or after minute 10 (10923.9 ticks)
    EXPECT_EQ(last, 12016);  // the last at or before minute 11 (12016.3 ticks)
    EXPECT_EQ(worldLines, last - first + 1);
    EXPECT_GT(tramLines, worldLines);

    EXPECT_EQ(Sim({"run", Dir.Path("city"), "--trace-from", "3"}).Code, 2); // no --trace
    EXPECT_EQ(Sim({"run", Dir.Path("city"), "--trace", Dir.Path("t.csv"), "--trace-to", "x"}).Code,
              2);
    EXPECT_EQ(Sim({"run", Dir.Path("city"), "--trace", Dir.Path("t.csv"), "--trace-from", "9",
                   "--trace-to", "8"})
                  .Code,
              2);
    const TRun unwritable =
        Sim({"run", Dir.Path("city"), "--minutes", "1", "--trace", Dir.Path("no/such/t.csv")});
    EXPECT_EQ(unwritable.Code, 2);
    EXPECT_NE(unwritable.Err.find("не удалось записать след"), std::string::npos);
}

// A trace is never written over the map it runs, however either is named.
TEST_F(RunCommand, ATraceIsNeverWrittenOverTheMap) {
    const std::vector<std::uint8_t> map = ReadBytes(Dir.Path("city.vl"));
    std::filesystem::create_hard_link(Dir.Path("city.vl"), Dir.Path("hard.vl"));
    std::filesystem::create_symlink(Dir.Path("city.vl"), Dir.Path("link.csv"));
    for (const std::string& trace :
         {Dir.Path("city.vl"), Dir.Path("./city.vl"), Dir.Path("hard.vl"), Dir.Path("link.csv")}) {
        const TRun r =
            Sim({"run", Dir.Path("city"), "--minutes", "1", "--seed", "1", "--trace", trace});
        EXPECT_EQ(r.Code, 2) << trace;
        EXPECT_EQ(r.Err, "VellSim: след не записан поверх карты " + trace + "\n");
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_EQ(ReadBytes(Dir.Path("city.vl")), map) << trace;
    }
}

// A window that holds no world step is refused before the run, as one that ends before it
// begins: exit 2, one line and the hint, no file.
TEST_F(RunCommand, EveryEmptyTraceWindowIsRefused) {
    struct Case {
        std::vector<std::string> Args;
        std::string Line;
    } cases[] = {
        {{"--minutes", "2", "--trace-from", "1", "--trace-to", "1"},
         "no world step lies between minute 1 and minute 1: the trace would be empty"},
        {{"--minutes", "30", "--trace-from", "31"},
         "the run (--minutes 30) has no world step from minute 31 on: the trace would be empty"},
        // Minute 1 is step 1092.4, after a one-minute run's last step, 1092.
        {{"--minutes", "1", "--trace-from", "1"},
         "the run (--minutes 1) has no world step from minute 1 on: the trace would be empty"},
        {{"--minutes", "0"},
         "the run (--minutes 0) has no world step from minute 0 on: the trace would be empty"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", Dir.Path("city"), "--seed",
                                         "1",   "--trace",        Dir.Path("t.csv")};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TRun r = Sim(args);
        EXPECT_EQ(r.Code, 2) << c.Line;
        EXPECT_EQ(r.Err, "VellSim run: " + c.Line + "\nTry 'VellSim --help'.\n");
        EXPECT_FALSE(std::filesystem::exists(Dir.Path("t.csv"))) << c.Line;
    }
    // The last minute of a run still holds its last step (minute 30 is step 32771.7 of 32772).
    const TRun last = Sim({"run", Dir.Path("city"), "--minutes", "30", "--seed", "1", "--trace",
                           Dir.Path("t.csv"), "--trace-from", "30"});
    EXPECT_EQ(last.Code, 0) << last.Err;
    std::ifstream in(Dir.Path("t.csv"));
    std::string line;
    std::vector<long long> steps;
    while (std::getline(in, line))
        if (line.find(",world,") != std::string::npos) steps.push_back(std::stoll(line));
    EXPECT_EQ(steps, std::vector<long long>{32772});
}

// The lines a trace will hold are counted before the run, while the routes still dispatch
// their trams and once all run: exactly the lines the trace then has.
TEST_F(RunCommand, TraceLinesAreCountedBeforeTheRun) {
    for (auto [from, to] : {std::pair{"0", "40"}, std::pair{"38", "39"}}) {
        ASSERT_EQ(Sim({"run", Dir.Path("city"), "--minutes", "40", "--seed", "6", "--trace",
                       Dir.Path("t.csv"), "--trace-from", from, "--trace-to", to})
                      .Code,
                  0);
        std::ifstream in(Dir.Path("t.csv"));
        std::string line;
        ASSERT_TRUE(std::getline(in, line)); // the header
        long long first = 0, last = 0, tramLines = 0, worldLines = 0;
        while (std::getline(in, line)) {
            last = std::stoll(line);
            if (first == 0) first = last;
            if (line.find(",world,") != std::string::npos)
                ++worldLines;
            else
                ++tramLines;
        }
        auto map = std::make_unique<TMap>();
        map->FileName = Dir.Path("city.vl");
        ASSERT_TRUE(map->LoadFromFile());
        TSimulation simulation(std::move(map), 6);
        const TTraceLines counted = CountTraceLines(*simulation.World, 0, first, last);
        EXPECT_EQ(counted.World, worldLines) << from;
        EXPECT_EQ(counted.Trams, tramLines) << from;
        EXPECT_GT(tramLines, 0) << from;
    }
}

TEST_F(RunCommand, BadInput) {
    EXPECT_EQ(Sim({"run", Dir.Path("city"), "--minutes", "-3"}).Code, 2);
    EXPECT_EQ(Sim({"run", Dir.Path("city"), "--minutes", "ten"}).Code, 2);
    EXPECT_EQ(Sim({"run", Dir.Path("city"), "--seed", "x"}).Code, 2);
    EXPECT_EQ(Sim({"run", Dir.Path("nothing-here")}).Code, 2);
    EXPECT_EQ(Sim({"run"}).Code, 2);

    // A dead end: the rail check fails, as the game would say.
    auto map = NewMap();
    AddRail(*map, 100, 100, 200, 100);
    map->FileName = Dir.Path("broken.vl");
    ASSERT_TRUE(map->SaveToFile());
    const TRun broken = Sim({"run", Dir.Path("broken"), "--seed", "1"});
    EXPECT_EQ(broken.Code, 1);
    EXPECT_NE(broken.Err.find("Ошибка с рельсами!"), std::string::npos);

    // No minutes: no steps, the report of an idle world.
    const TRun idle = Sim({"run", Dir.Path("city"), "--minutes", "0", "--seed", "1", "--json"});
    EXPECT_EQ(idle.Code, 0);
    EXPECT_NE(idle.Out.find("\"steps\": 0"), std::string::npos);
    EXPECT_NE(idle.Out.find("\"dispatched\": 0"), std::string::npos);
}

} // namespace
} // namespace vell::test

namespace vell::test {
namespace {

TEST_F(RunCommand, SavedAtMinuteTenAndContinuedIsTheTwentyMinuteRun) {
    const std::string city = Dir.Path("city.vl"), early = Dir.Path("early.vls");
    const TRun whole = Sim({"run", city, "--minutes", "20", "--seed", "4", "--json", "--save-at",
                            "20", Dir.Path("whole.vls")});
    const TRun first =
        Sim({"run", city, "--minutes", "20", "--seed", "4", "--json", "--save-at", "10", early});
    ASSERT_EQ(whole.Code, 0) << whole.Err;
    ASSERT_EQ(first.Code, 0) << first.Err;
    EXPECT_EQ(WithoutSpeed(first.Out), WithoutSpeed(whole.Out));
    const TRun rest = Sim({"run", "--continue", early, "--minutes", "10", "--json", "--save-at",
                           "20", Dir.Path("rest.vls")});
    ASSERT_EQ(rest.Code, 0) << rest.Err;
    EXPECT_EQ(WithoutSpeed(rest.Out), WithoutSpeed(whole.Out));
    // The worlds at the end, saved whole, are the same to the byte.
    EXPECT_EQ(ReadBytes(Dir.Path("rest.vls")), ReadBytes(Dir.Path("whole.vls")));
    const TRun text = Sim({"run", "--continue", early, "--minutes", "10"});
    EXPECT_NE(text.Out.find("Зерно: 4, минут: 20, шагов мира: 21848"), std::string::npos)
        << text.Out;

    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"run", city, "--continue", early}, "unexpected argument"},
        {{"run", "--continue", early, "--seed", "3"}, "the seed comes from the save"},
        {{"run", city, "--save-at", "10"}, "needs the save's FILE"},
        {{"run", city, "--minutes", "5", "--save-at", "10", early}, "after the run's end"},
        {{"run", city, "--save-at", "1", city}, "would replace the map"},
        {{"run", "--continue", early, "--save-at", "5", early}, "before the save's minute"},
    };
    for (const auto& [args, says] : mistakes) {
        const TRun r = Sim(args);
        EXPECT_EQ(r.Code, 2);
        EXPECT_NE(r.Err.find(says), std::string::npos) << r.Err;
    }
    const TRun missing = Sim({"run", "--continue", Dir.Path("none.vls")});
    EXPECT_EQ(missing.Code, 2);
    EXPECT_NE(missing.Err.find("Не удалось прочитать сохранение"), std::string::npos);
}

// A save written between two whole minutes (as the game writes one, wherever the player is) runs
// on to the end of the next whole minute and the minutes asked for: saved at step 1500 (minute
// 1.37) and continued for one minute, it is the three-minute run.
TEST_F(RunCommand, ASaveBetweenMinutesContinuesToTheNextWholeMinute) {
    const std::string city = Dir.Path("city.vl"), game = Dir.Path("game.vls");
    auto map = std::make_unique<TMap>();
    map->FileName = city;
    ASSERT_TRUE(map->LoadFromFile());
    SelectMap(*map);
    // Run and watched as VellSim runs a map.
    TRandom random(4);
    TWorld world(*map, random);
    TRunStatistics statistics(world);
    TJamWatch jams(world, RoundHalfEven(5 * TicksPerMinute));
    TRunState run{4, 0, &statistics, &jams, {}};
    world.StartWorld();
    for (; run.Steps < 1500; ++run.Steps) {
        world.WorldStep();
        statistics.Observe();
        jams.Observe();
    }
    ASSERT_EQ(WriteWorldSave(game, world, run), "");

    const TRun whole = Sim({"run", city, "--minutes", "3", "--seed", "4", "--json"});
    const TRun continued = Sim({"run", "--continue", game, "--minutes", "1", "--json"});
    ASSERT_EQ(whole.Code, 0) << whole.Err;
    ASSERT_EQ(continued.Code, 0) << continued.Err;
    EXPECT_NE(continued.Out.find("\"minutes\": 3, \"steps\": 3277, "), std::string::npos)
        << continued.Out;
    EXPECT_EQ(WithoutSpeed(continued.Out), WithoutSpeed(whole.Out));
    // With no minutes more it ends where the save's minute does; a save within minute 2 is
    // never written before it.
    const TRun toItsMinute = Sim({"run", "--continue", game, "--minutes", "0", "--json"});
    ASSERT_EQ(toItsMinute.Code, 0) << toItsMinute.Err;
    EXPECT_NE(toItsMinute.Out.find("\"minutes\": 2, \"steps\": 2185, "), std::string::npos)
        << toItsMinute.Out;
    const TRun early = Sim({"run", "--continue", game, "--save-at", "1", Dir.Path("x.vls")});
    EXPECT_EQ(early.Code, 2);
    EXPECT_NE(early.Err.find("--save-at lies before the save's minute 2"), std::string::npos)
        << early.Err;
    ASSERT_EQ(
        Sim({"run", "--continue", game, "--minutes", "1", "--save-at", "2", Dir.Path("2.vls")})
            .Code,
        0);
    TWorldSave two;
    std::string error;
    ASSERT_TRUE(ReadWorldSave(Dir.Path("2.vls"), two, error)) << error;
    EXPECT_EQ(two.Steps, 2185);
}

// A continued run's trace counts its minutes from the world's start: over minutes 10..20 it is
// the twenty-minute run's, line for line, and its lines were counted exactly before it ran.
TEST_F(RunCommand, ContinuedRunTracesTheSameStepsAsTheWholeRun) {
    const std::string city = Dir.Path("city.vl"), early = Dir.Path("early.vls");
    const std::string whole = Dir.Path("whole.csv"), rest = Dir.Path("rest.csv");
    ASSERT_EQ(Sim({"run", city, "--minutes", "20", "--seed", "4", "--save-at", "10", early,
                   "--trace", whole, "--trace-from", "10", "--trace-to", "20"})
                  .Code,
              0);
    const TRun continued = Sim({"run", "--continue", early, "--minutes", "10", "--trace", rest,
                                "--trace-from", "10", "--trace-to", "20"});
    ASSERT_EQ(continued.Code, 0) << continued.Err;
    const std::vector<std::uint8_t> trace = ReadBytes(rest);
    EXPECT_EQ(trace, ReadBytes(whole));
    // Without a window the trace starts at the saved step, not at the world's first.
    ASSERT_EQ(Sim({"run", "--continue", early, "--minutes", "10", "--trace", rest}).Code, 0);
    const std::vector<std::uint8_t> unbounded = ReadBytes(rest);
    ASSERT_GT(unbounded.size(), trace.size());
    EXPECT_TRUE(std::equal(trace.begin(), trace.end(), unbounded.begin()));

    TWorldSave save;
    std::string error;
    ASSERT_TRUE(ReadWorldSave(early, save, error)) << error;
    auto map = std::make_unique<TMap>();
    ASSERT_TRUE(LoadSavedMap(save, *map, error)) << error;
    TSimulation simulation(std::move(map), 4);
    simulation.World->StopWorld();
    TRunState state;
    ASSERT_TRUE(RestoreWorld(save, *simulation.World, state, error)) << error;
    const long long first = save.Steps, last = (long long)std::floor(20 * TicksPerMinute);
    const TTraceLines counted = CountTraceLines(*simulation.World, save.Steps, first, last);
    const long long lines = std::count(trace.begin(), trace.end(), '\n') - 1;
    EXPECT_EQ(counted.World, last - first + 1);
    EXPECT_EQ(counted.World + counted.Trams, lines);
    EXPECT_GT(counted.Trams, simulation.World->VellCount * counted.World);

    const TRun before = Sim({"run", "--continue", early, "--trace", rest, "--trace-to", "9"});
    EXPECT_EQ(before.Code, 2);
    EXPECT_NE(before.Err.find("before the save's minute"), std::string::npos) << before.Err;
}

} // namespace
} // namespace vell::test

namespace vell::test {
namespace {

// A save moved with its map to another folder continues there, as the run that was never
// interrupted; a changed map of that name, or a pipe in its place, is not taken; --map names it
// anywhere, checked by its bytes as well.
TEST_F(RunCommand, ASaveMovedWithItsMapContinuesInItsNewFolder) {
    namespace fs = std::filesystem;
    const std::string home = Dir.Path("home"), away = Dir.Path("away");
    fs::create_directories(home);
    fs::copy_file(Dir.Path("city.vl"), home + "/city.vl");
    const TRun whole = Sim({"run", home + "/city.vl", "--minutes", "12", "--seed", "4", "--json"});
    ASSERT_EQ(Sim({"run", home + "/city.vl", "--minutes", "10", "--seed", "4", "--save-at", "10",
                   home + "/early.vls"})
                  .Code,
              0);
    fs::rename(home, away);
    const std::string early = away + "/early.vls";
    const TRun moved = Sim({"run", "--continue", early, "--minutes", "2", "--json"});
    ASSERT_EQ(moved.Code, 0) << moved.Err;
    EXPECT_EQ(WithoutSpeed(moved.Out), WithoutSpeed(whole.Out));

    // The map of that name changed beside it: refused for its bytes, and so is --map naming it.
    fs::copy_file(away + "/city.vl", Dir.Path("mine.vl"));
    std::vector<std::uint8_t> changed = ReadBytes(away + "/city.vl");
    changed[changed.size() / 2] ^= 1;
    WriteBytes(away + "/city.vl", changed);
    const TRun refused = Sim({"run", "--continue", early, "--minutes", "2"});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_EQ(refused.Err, "VellSim: Карта " + away + "/city.vl изменилась после сохранения.\n");
    const TRun wrongMap =
        Sim({"run", "--continue", early, "--minutes", "2", "--map", away + "/city.vl"});
    EXPECT_EQ(wrongMap.Code, 2);
    EXPECT_NE(wrongMap.Err.find("её байты другие"), std::string::npos) << wrongMap.Err;
    // --map FILE of another name, ".vl" added as to a map argument.
    const TRun named =
        Sim({"run", "--continue", early, "--minutes", "2", "--json", "--map", Dir.Path("mine")});
    ASSERT_EQ(named.Code, 0) << named.Err;
    EXPECT_EQ(WithoutSpeed(named.Out), WithoutSpeed(whole.Out));

    // A pipe named like the map is passed over without blocking.
    fs::remove(away + "/city.vl");
    ASSERT_EQ(::mkfifo((away + "/city.vl").c_str(), 0600), 0);
    const TRun pipe = Sim({"run", "--continue", early, "--minutes", "2"});
    EXPECT_EQ(pipe.Code, 2);
    EXPECT_NE(pipe.Err.find("это не обычный файл"), std::string::npos) << pipe.Err;
    EXPECT_EQ(
        Sim({"run", "--continue", early, "--minutes", "2", "--map", Dir.Path("mine.vl")}).Code, 0);
    const TRun misplaced = Sim({"run", Dir.Path("city.vl"), "--map", Dir.Path("mine.vl")});
    EXPECT_EQ(misplaced.Code, 2);
    EXPECT_NE(misplaced.Err.find("--map goes with --continue"), std::string::npos);
}

} // namespace
} // namespace vell::test

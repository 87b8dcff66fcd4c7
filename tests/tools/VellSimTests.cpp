// VellSim's commands run in-process: output, exit codes and bad input.
#include "Commands.h"
#include "TestMaps.h"
#include "ToolMap.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vell::test {
namespace {

struct TRun {
    int Code;
    std::string Out, Err;
};

TRun Sim(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = tool::RunVellSim(args, out, err);
    return {code, out.str(), err.str()};
}

class VellSim : public ::testing::Test {
  protected:
    void SetUp() override {
        auto map = NewMap();
        int a = AddRail(*map, 100, 100, 200, 100);
        int b = AddRail(*map, 200, 100, 200, 200);
        AddObject(*map, Wall, 0, 0, 50, 50);
        AddObject(*map, HighWall, 0, 0, 50, 50);
        AddObject(*map, HighWall, 0, 0, 50, 50);
        SetRoute(*map, 0, 11, {a, b}, 2, 15);
        SetRoute(*map, 4, 0, {b});
        map->FileName = Dir.Path("city.vl");
        ASSERT_TRUE(map->SaveToFile());
    }
    TTempDir Dir;
};

TEST_F(VellSim, InfoAddsTheDefaultExtensionAndCountsKinds) {
    TRun r = Sim({"info", Dir.Path("city")});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Карта: " + Dir.Path("city.vl")), std::string::npos);
    EXPECT_NE(r.Out.find("Объектов: 5"), std::string::npos);
    EXPECT_NE(r.Out.find("Выс. стена: 2"), std::string::npos);
    EXPECT_NE(r.Out.find("1А: точки 0, 1; вагонов 2; интервал 15 мин"), std::string::npos);
    EXPECT_NE(r.Out.find("5: точки 1; вагонов 1; интервал 10 мин (маршрут не задан)"),
              std::string::npos);
}

TEST_F(VellSim, InfoJson) {
    TRun r = Sim({"info", Dir.Path("city.vl"), "--json"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"object_count\": 5"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"Rail\": 2"), std::string::npos);
    EXPECT_NE(r.Out.find("{\"name\": \"1А\", \"row\": 0, \"col\": 11, \"in_use\": true, "
                         "\"waypoints\": [0, 1], \"cars\": 2, \"interval_min\": 15}"),
              std::string::npos)
        << r.Out;
}

TEST_F(VellSim, ResaveRoundTripsTheBytes) {
    TRun r = Sim({"resave", Dir.Path("city.vl"), Dir.Path("copy.vl")});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(ReadBytes(Dir.Path("copy.vl")), ReadBytes(Dir.Path("city.vl")));
}

TEST_F(VellSim, BadInputExitsWithTwoAndAMessage) {
    WriteBytes(Dir.Path("short.vl"), {'V', 'L', 1, 0, 5});
    WriteBytes(Dir.Path("empty.vl"), {});
    struct Case {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{}, "Использование"},
        {{"info"}, "неверное число аргументов"},
        {{"info", Dir.Path("none.vl")}, "файл не найден или не читается"},
        {{"info", Dir.Path("short.vl")}, "файл обрывается раньше времени"},
        {{"info", Dir.Path("empty.vl")}, "файл обрывается раньше времени"},
        {{"info", Dir.Root().string() + "/"}, "не удалось открыть карту"},
        {{"info", Dir.Path("city.vl"), "--jsn"}, "неизвестный параметр --jsn"},
        {{"--frobnicate", "info"}, "неизвестный параметр --frobnicate"},
        {{"--seed", "x", "info", Dir.Path("city.vl")}, "--seed"},
        {{"launch"}, "неизвестная команда launch"},
        {{"resave", Dir.Path("city.vl"), Dir.Path("no/folder/x.vl")}, "не удалось записать"},
    };
    for (const Case& c : cases) {
        TRun r = Sim(c.Args);
        EXPECT_EQ(r.Code, tool::ExitBadInput) << c.Message;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
}

TEST_F(VellSim, SeedIsAcceptedBeforeTheCommand) {
    EXPECT_EQ(Sim({"--seed", "42", "info", Dir.Path("city.vl")}).Code, 0);
    EXPECT_EQ(Sim({"--help"}).Code, 0);
}

} // namespace
} // namespace vell::test

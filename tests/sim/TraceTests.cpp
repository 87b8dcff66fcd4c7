// The raw trace: one line per tram and step plus a world line, reals that read back bit for bit,
// and a run that is the same with or without it.
#include "sim/Trace.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace vell::test {
namespace {

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    return fields;
}

TEST(Trace, LinesHoldTheTramsStateToTheLastBit) {
    TRingMap ring = RingMap();
    ring.Map->Objects[ring.Rails[5]].SetStopType(3);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 2, 5);
    TSimulation sim(std::move(ring.Map), 4);
    sim.Map->Route(0, 0).TramCount = 3;
    std::ostringstream out;
    TTraceWriter trace(out, *sim.World);
    const long long steps = 12000;
    for (long long s = 1; s <= steps; ++s) {
        sim.World->WorldStep();
        if (s == steps) trace.WriteStep(s);
    }
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, TraceHeader);
    const std::size_t columns = Fields(line).size();
    ASSERT_EQ(columns, 24u);
    int tramLines = 0;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), columns) << line;
        EXPECT_EQ(f[0], std::to_string(steps));
        if (f[1] == "world") {
            EXPECT_EQ(std::stoul(f[22]), sim.Random.GetState());
            int occupied = 0;
            for (std::uint16_t c : sim.World->Occupancy)
                occupied += c != 0;
            EXPECT_EQ(std::stoi(f[23]), occupied);
            EXPECT_GT(occupied, 0);
            continue;
        }
        ASSERT_EQ(f[1], "tram");
        const TVell& t = sim.Tram(std::stoi(f[2]));
        ++tramLines;
        EXPECT_EQ(std::stoi(f[3]), t.Number);
        EXPECT_EQ(f[4], "1");
        EXPECT_EQ(f[5] == "1", t.Active);
        EXPECT_EQ(std::stoi(f[8]), t.Front[0].Obj);
        EXPECT_EQ(std::stoi(f[11]), t.Rear[1].Obj); // the last car's rear point
        // Bit for bit.
        EXPECT_EQ(std::strtod(f[10].c_str(), nullptr), t.Front[0].Dist);
        EXPECT_EQ(std::strtod(f[13].c_str(), nullptr), t.Rear[1].Dist);
        EXPECT_EQ(std::strtod(f[14].c_str(), nullptr), t.Speed);
        EXPECT_EQ(std::strtod(f[17].c_str(), nullptr), t.Passengers);
        EXPECT_EQ(std::stoi(f[19]), t.Clock);
        EXPECT_EQ(std::stoi(f[21]), t.ScheduleState);
    }
    EXPECT_EQ(tramLines, sim.World->VellCount);
    EXPECT_GE(tramLines, 2);
}

} // namespace
} // namespace vell::test

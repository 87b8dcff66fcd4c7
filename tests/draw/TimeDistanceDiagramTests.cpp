// The time-distance diagram: each tram's line passes through its stops at the moments the run
// served them, a blocked stand shows red, and VellSim draws it from a map file.
#include "model/Geometry.h"
#include "model/Units.h"
#include "model/draw/Palette.h"
#include "model/draw/TimeDistanceDiagram.h"
#include "sim/TimeDistanceRecorder.h"
#include "sim/WorldEvents.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vell::test {
namespace {

int ColourDistance(QRgb pixel, std::uint32_t bgr) {
    return std::abs(qRed(pixel) - int(bgr & 0xFF)) +
           std::abs(qGreen(pixel) - int(bgr >> 8 & 0xFF)) +
           std::abs(qBlue(pixel) - int(bgr >> 16 & 0xFF));
}

// Whether a pixel within `radius` of `at` has nearly the colour `bgr`.
bool ColourNear(const QImage& image, QPointF at, std::uint32_t bgr, int radius = 3) {
    const int cx = int(std::lround(at.x())), cy = int(std::lround(at.y()));
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x)
            if (image.valid(x, y) && ColourDistance(image.pixel(x, y), bgr) < 60) return true;
    return false;
}

// The moments trams finished boarding, with where the recorder put them.
class TServedStops : public TWorldEvents {
  public:
    struct TServed {
        long long Step;
        int Number;
        double Distance;
    };
    TServedStops(TWorld& world, const TTimeDistanceRecorder& recorder, const long long& step)
        : World(world), Recorder(recorder), Step(step) {
        World.Events = this;
    }
    ~TServedStops() override { World.Events = nullptr; }
    void StopServed(const TVell& tram) override {
        Served.push_back({Step, tram.Number, Recorder.RouteDistance(tram.Front[0])});
    }
    std::vector<TServed> Served;

  private:
    TWorld& World;
    const TTimeDistanceRecorder& Recorder;
    const long long& Step;
};

TEST(TimeDistanceDiagram, EachTramsLinePassesThroughItsStopsWhenTheRunServedThem) {
    TRingMap ring = RingMap();
    for (int stop : {2, 6})
        ring.Map->Objects[ring.Rails[stop]].SetStopType(1);
    ring.Map->Objects[ring.Rails[RingBottom]].SetStopType(1);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
    TSimulation sim(std::move(ring.Map), 8);
    sim.Map->Route(0, 0).TramCount = 3;
    TTimeDistanceRecorder recorder(*sim.World, 0, 0);
    long long step = 0;
    TServedStops served(*sim.World, recorder, step);
    for (step = 1; step <= RoundHalfEven(40 * TicksPerMinute); ++step) {
        sim.World->WorldStep();
        recorder.Observe();
    }
    const TTimeDistanceData data = recorder.Data();
    ASSERT_EQ(data.Stops.size(), 3u);
    EXPECT_EQ(data.Stops[0].Name, "ост. 1");
    for (std::size_t k = 1; k < data.Stops.size(); ++k)
        EXPECT_LT(data.Stops[k - 1].Distance, data.Stops[k].Distance);
    EXPECT_LE(data.Stops.back().Distance, data.Length);
    ASSERT_EQ(data.Trams.size(), 3u);
    const QImage image = DrawTimeDistanceDiagram(data);
    ASSERT_EQ(image.size(), QSize(DiagramWidth, DiagramHeight));
    const TDiagramFrame frame = DiagramFrame(data, image.size());

    ASSERT_GT(served.Served.size(), 20u);
    for (const auto& s : served.Served) {
        SCOPED_TRACE(testing::Message() << "tram " << s.Number << " at step " << s.Step);
        const TTimeDistanceTram& tram = data.Trams[std::size_t(s.Number - 1)];
        ASSERT_EQ(tram.Number, s.Number);
        // On a stop rail, near the stop's line (trams stop at its end).
        double nearest = 1e300;
        for (const TTimeDistanceStop& stop : data.Stops)
            nearest = std::min(nearest, std::fabs(stop.Distance - s.Distance));
        EXPECT_LT(nearest, 25);
        if (s.Step > RoundHalfEven(40 * TicksPerMinute) - 20) continue;
        EXPECT_TRUE(ColourNear(image, frame.At(s.Step / TicksPerMinute, s.Distance),
                               DiagramTramColour(tram.Colour)));
    }
    // Each tram's timetable: its first stop an interval's share of the run time after entry.
    const TTimeDistanceTram& first = data.Trams[0];
    ASSERT_GE(first.Timetable.size(), 5u);
    EXPECT_NEAR(first.Timetable[1].Minute - first.Timetable[0].Minute,
                sim.Map->Route(0, 0).StopTimes[0] / TicksPerMinute, 1e-9);
    EXPECT_EQ(first.Timetable[1].Distance, data.Stops[0].Distance);
}

TEST(TimeDistanceDiagram, AFigureEightThroughItsFirstRailIsDrawnWholeWithEveryTramOnIt) {
    // Rail 2 first: out over the bypass and round the ring to rail 2 again, on along the top
    // and round once more; the ring's bottom, a stop, is passed twice per circuit.
    TBypassMap m = BypassMap(false);
    m.Map->Objects[m.Rails[RingBottom]].SetStopType(1);
    const int start = m.Rails[2], secondHalf = m.Rails[4];
    SetRoute(*m.Map, 0, 0, {start, m.Bypass[1], m.Rails[3]}, 1, 5);
    TSimulation sim(std::move(m.Map), 3);
    ASSERT_TRUE(sim.World->CanDispatch(0, 0));
    sim.Map->Route(0, 0).TramCount = 2;
    TTimeDistanceRecorder recorder(*sim.World, 0, 0);
    EXPECT_NEAR(recorder.Length(), sim.Map->SumAlongRoute(0, 0, Length), 1e-6);
    struct TSeen {
        long long Step;
        int Number;
        double Distance;
    };
    std::vector<TSeen> onSecondHalf;
    int missing = 0;
    const long long steps = RoundHalfEven(45 * TicksPerMinute);
    for (long long step = 1; step <= steps; ++step) {
        sim.World->WorldStep();
        recorder.Observe();
        for (int k = 0; k < sim.World->VellCount; ++k) {
            const TVell& tram = sim.Tram(k);
            if (!tram.Active) continue;
            const double distance = recorder.RouteDistance(tram.Front[0]);
            missing += distance < 0;
            if (tram.Front[0].Obj == secondHalf && step % 200 == 0 && step + 20 < steps)
                onSecondHalf.push_back({step, tram.Number, distance});
        }
    }
    EXPECT_EQ(missing, 0); // no tram leaves the chart for half a lap
    const TTimeDistanceData data = recorder.Data();
    EXPECT_NEAR(data.Length, recorder.Length(), 1e-9);
    ASSERT_EQ(data.Stops.size(), 2u);
    EXPECT_GT(data.Stops[1].Distance, data.Length / 2);
    ASSERT_EQ(data.Trams.size(), 2u);
    const QImage image = DrawTimeDistanceDiagram(data);
    const TDiagramFrame frame = DiagramFrame(data, image.size());
    ASSERT_GT(onSecondHalf.size(), 2u);
    for (const TSeen& s : onSecondHalf) {
        SCOPED_TRACE(testing::Message() << "tram " << s.Number << " at step " << s.Step);
        EXPECT_GT(s.Distance, data.Length / 2);
        const std::uint32_t colour =
            DiagramTramColour(data.Trams[std::size_t(s.Number - 1)].Colour);
        EXPECT_TRUE(ColourNear(image, frame.At(s.Step / TicksPerMinute, s.Distance), colour));
    }
}

TEST(TimeDistanceDiagram, ALongRecordingKeepsItsLastMinutesInBoundedMemory) {
    // Half an hour, the last five minutes at every sample, stands for the top view's half day.
    const TRecordingLimit limit{30, 5, 15};
    TRingMap ring = RingMap();
    for (int stop : {2, 6})
        ring.Map->Objects[ring.Rails[stop]].SetStopType(1);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
    TSimulation sim(std::move(ring.Map), 8);
    sim.Map->Route(0, 0).TramCount = 3;
    TTimeDistanceRecorder whole(*sim.World, 0, 0), kept(*sim.World, 0, 0, limit);
    const long long steps = RoundHalfEven(4 * 60 * TicksPerMinute);
    std::size_t most = 0;
    for (long long step = 1; step <= steps; ++step) {
        sim.World->WorldStep();
        whole.Observe();
        kept.Observe();
        most = std::max(most, kept.SampleCount());
    }
    // A sample a second is 1,800 a tram in half an hour, 14,400 in four hours.
    EXPECT_LT(most, 3 * 700u);
    EXPECT_GT(whole.SampleCount(), 3 * 14000u);

    const TTimeDistanceData all = whole.Data(), data = kept.Data();
    const double now = steps / TicksPerMinute;
    EXPECT_NEAR(data.FirstMinute, now - 30, 1e-9);
    EXPECT_NEAR(data.Minutes, 30, 1e-9);
    ASSERT_EQ(data.Trams.size(), 3u);
    ASSERT_EQ(all.Trams.size(), 3u);
    const QImage image = DrawTimeDistanceDiagram(data);
    const TDiagramFrame frame = DiagramFrame(data, image.size());
    for (std::size_t t = 0; t < 3; ++t) {
        SCOPED_TRACE(testing::Message() << "tram " << all.Trams[t].Number);
        const std::vector<TTimeDistancePoint>&full = all.Trams[t].Run, &run = data.Trams[t].Run;
        auto newLap = [&](std::size_t k) {
            return full[k].Distance < full[k - 1].Distance - all.Length / 2;
        };
        // The samples kept are the whole recording's within the half hour: all of the last
        // five minutes, and at every lap the line's last sample and the next one's first.
        std::size_t next = 0;
        int lapEnds = 0;
        for (std::size_t k = 1; k + 1 < full.size(); ++k) {
            if (full[k].Minute < data.FirstMinute) continue;
            const bool found = next < run.size() && run[next].Minute == full[k].Minute &&
                               run[next].Distance == full[k].Distance;
            next += found;
            const bool lapEnd = newLap(k) || newLap(k + 1);
            lapEnds += lapEnd;
            if (full[k].Minute >= now - 5 || lapEnd) {
                EXPECT_TRUE(found) << "at minute " << full[k].Minute;
            }
        }
        EXPECT_EQ(next + 1, run.size()); // and nothing else but the last
        EXPECT_GT(lapEnds, 4);
        // Thinned, still one line: no gap of a minute, which the drawing would break it at.
        for (std::size_t k = 1; k < run.size(); ++k)
            ASSERT_LT(run[k].Minute - run[k - 1].Minute, 0.5);
        // Its timetable from the lap that ends within the half hour; its line up to the right.
        const std::vector<TTimeDistancePoint>& plan = data.Trams[t].Timetable;
        ASSERT_FALSE(plan.empty());
        EXPECT_LT(plan.front().Minute, data.FirstMinute);
        EXPECT_GE(plan.front().Minute + sim.Map->Route(0, 0).RunTime / TicksPerMinute,
                  data.FirstMinute - 1e-9);
        const QPointF last = frame.At(run.back().Minute, run.back().Distance);
        EXPECT_NEAR(last.x(), frame.Plot.right(), 1);
        EXPECT_TRUE(ColourNear(image, last, DiagramTramColour(data.Trams[t].Colour)));
    }
}

TEST(TimeDistanceDiagram, ABlockedStandShowsRed) {
    TSingleTrackMap m = SingleTrackMap();
    TSimulation sim(std::move(m.Map), 5);
    for (int row : {0, 1})
        sim.Map->Route(row, 0).TramCount = 2;
    TTimeDistanceRecorder recorder(*sim.World, 0, 0);
    for (long long s = 0; s < RoundHalfEven(40 * TicksPerMinute); ++s) {
        sim.World->WorldStep();
        recorder.Observe();
    }
    const TTimeDistanceData data = recorder.Data();
    const QImage image = DrawTimeDistanceDiagram(data);
    const TDiagramFrame frame = DiagramFrame(data, image.size());
    int blocked = 0, moving = 0;
    for (const TTimeDistanceTram& t : data.Trams)
        for (std::size_t k = 1; k < t.Run.size(); ++k) {
            const TTimeDistancePoint& p = t.Run[k];
            if (p.Blocked && t.Run[k - 1].Blocked) {
                ++blocked;
                EXPECT_TRUE(
                    ColourNear(image, frame.At(p.Minute, p.Distance), DiagramBlockedColour));
            } else if (k % 50 == 0 && k >= 60 && k + 60 < t.Run.size() && !t.Run[k + 60].Blocked &&
                       !t.Run[k - 60].Blocked) {
                ++moving;
                // A moving tram's line is its own colour, with no red close to it.
                EXPECT_FALSE(
                    ColourNear(image, frame.At(p.Minute, p.Distance), DiagramBlockedColour, 1));
            }
        }
    EXPECT_GT(blocked, 100); // the deadlock of this seed forms after about 9 minutes
    EXPECT_GT(moving, 5);
}

} // namespace
} // namespace vell::test

namespace vell::test {
namespace {

// In a window narrower than VellSim's picture (the game's diagram window on a 1024 x 768
// screen, down to its least width of 640), the legend still ends inside the picture: nothing is
// drawn in its last columns.
TEST(TimeDistanceDiagram, TheLegendFitsANarrowWindow) {
    TTimeDistanceData data;
    data.RouteName = "1";
    data.Length = 4000;
    data.Minutes = 30;
    for (const int width : {1010, 900, 760, 640}) {
        const QImage image = DrawTimeDistanceDiagram(data, QSize(width, 600));
        int inked = 0;
        for (int y = image.height() - 40; y < image.height(); ++y)
            for (int x = width - 6; x < width; ++x)
                inked += image.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_EQ(inked, 0) << "the legend runs past the right edge of a picture " << width
                            << " wide";
    }
}

// Every stop keeps a readable name: two stops a few metres apart, a long name and a dense
// route of an imported city, in VellSim's picture and in the game's least window. No name's box
// meets another's, the distance axis's caption or the plot, and each is inside the picture.
TEST(TimeDistanceDiagram, EveryStopKeepsItsNameClearOfTheOthersAndTheAxis) {
    TTimeDistanceData close;
    close.RouteName = "7";
    close.Length = 9000;
    close.Minutes = 40;
    close.Stops = {{"Вокзал", 1200},
                   {"Вокзальная площадь", 1230},
                   {"Улица Академика Константина Циолковского", 1260},
                   {"Рынок", 5000}};
    TTimeDistanceData dense = close;
    dense.Stops.clear();
    for (int k = 0; k < 30; ++k) // a stop every 300 m
        dense.Stops.push_back({"ост. " + std::to_string(k + 1), 100.0 + k * 300});
    for (const TTimeDistanceData* data : {&close, &dense})
        for (const QSize size : {QSize(DiagramWidth, DiagramHeight), QSize(640, 400)}) {
            const TDiagramLabels labels = DiagramLabels(*data, size);
            const TDiagramFrame frame = DiagramFrame(*data, size);
            ASSERT_EQ(labels.Names.size(), data->Stops.size() + 2) << size.width();
            EXPECT_EQ(labels.Names.front().Text, QString::fromUtf8("начало"));
            EXPECT_EQ(labels.Names.back().Text, QString::fromUtf8("9000 м"));
            EXPECT_GE(labels.Pixels, 10);
            for (std::size_t a = 0; a < labels.Names.size(); ++a) {
                const QRectF box = labels.Names[a].Box;
                SCOPED_TRACE(labels.Names[a].Text.toStdString() + " in " +
                             std::to_string(size.width()));
                EXPECT_FALSE(labels.Names[a].Text.isEmpty());
                EXPECT_FALSE(box.intersects(labels.Axis));
                EXPECT_LE(box.right(), frame.Plot.left());
                EXPECT_TRUE(QRectF(0, 0, size.width(), size.height()).contains(box));
                EXPECT_GE(box.height(), 10);
                for (std::size_t b = a + 1; b < labels.Names.size(); ++b)
                    EXPECT_FALSE(box.intersects(labels.Names[b].Box))
                        << labels.Names[b].Text.toStdString();
            }
        }
    // Names that have room stay on their lines.
    const TDiagramLabels roomy = DiagramLabels(close, QSize(DiagramWidth, DiagramHeight));
    EXPECT_NEAR(roomy.Names.front().Box.center().y(), roomy.Names.front().LineY, 0.5);
    EXPECT_NEAR(roomy.Names.back().Box.center().y(), roomy.Names.back().LineY, 0.5);
    EXPECT_EQ(roomy.Names[4].Text, QString::fromUtf8("Рынок"));
    EXPECT_NEAR(roomy.Names[4].Box.center().y(), roomy.Names[4].LineY, 0.5);
}

} // namespace
} // namespace vell::test

// VellSim scheme and plan, run in-process: files written, exit codes, messages.
#include "model/Geometry.h"
#include "model/Units.h"
#include "model/draw/Palette.h"
#include "model/draw/TimeDistanceDiagram.h"
#include "sim/TimeDistanceRecorder.h"
#include "tests/draw/Pictures.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"
#include "tools/Commands.h"
#include "tools/SimLanguage.h"
#include "tools/ToolMap.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace vell::test {
namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Cyrillic in `text` beyond the map's route names ("1А", "2Б").
bool HasCyrillicBesideRouteNames(const QString& text) {
    static const QRegularExpression routeNames(QStringLiteral("[1-9][АБ]"));
    return QString(text)
        .remove(routeNames)
        .contains(QRegularExpression(QStringLiteral("\\p{Cyrillic}")));
}

// A paint device that keeps every line of text painted on it and draws nothing. Qt paints a
// text in runs of one script each ("1", "А", ": ..."): runs on one baseline make one line.
class TWordRecorder : public QPaintDevice {
  public:
    explicit TWordRecorder(QSize size) : Size(size), Engine(Lines) {}
    QPaintEngine* paintEngine() const override { return &Engine; }
    QStringList Lines;

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return Size.width();
        case PdmHeight:
            return Size.height();
        case PdmWidthMM:
            return Size.width() * 254 / 960;
        case PdmHeightMM:
            return Size.height() * 254 / 960;
        case PdmNumColors:
            return std::numeric_limits<int>::max();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        default:
            return QPaintDevice::metric(metric);
        }
    }

  private:
    class TEngine : public QPaintEngine {
      public:
        explicit TEngine(QStringList& lines) : QPaintEngine(AllFeatures), Lines(lines) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF& at, const QTextItem& item) override {
            const QPointF baseline = state->transform().map(at);
            if (Lines.isEmpty() || std::abs(baseline.y() - LastBaseline) > 0.01) Lines << QString();
            Lines.back() += item.text();
            LastBaseline = baseline.y();
        }
        Type type() const override { return User; }

      private:
        QStringList& Lines;
        double LastBaseline = 0;
    };
    QSize Size;
    mutable TEngine Engine;
};

class DrawCommands : public ::testing::Test {
  protected:
    // A ring with route 1 in a folder whose name holds a dot, and a wall at (5000, 5000).
    void SetUp() override {
        std::filesystem::create_directory(Dir.Path("v1.0"));
        auto map = NewMap();
        const TLoop loop = AddLoop(*map, 4000, 4000, 6000, 6000, 500);
        SetRoute(*map, 0, 0, {loop.Top[0], loop.Bottom[0]});
        SetRoute(*map, 1, 0, {loop.Top[1]});
        Wall = AddObject(*map, vell::Wall, 5000, 5000, 5100, 5000);
        map->Objects[Wall].Red = 250;
        map->FileName = MapPath();
        ASSERT_TRUE(map->SaveToFile());
    }
    std::string MapPath() const { return Dir.Path("v1.0/city.vl"); }
    TTempDir Dir;
    int Wall = 0;
};

TEST_F(DrawCommands, SchemeGoesNextToTheMap) {
    const TRun r = Sim({"scheme", Dir.Path("v1.0/city")});
    EXPECT_EQ(r.Code, tool::ExitOk) << r.Err;
    EXPECT_TRUE(Has(r.Out, "Схема записана: " + Dir.Path("v1.0/city.bmp")));
    EXPECT_EQ(QImage(QString::fromStdString(Dir.Path("v1.0/city.bmp"))).size(), QSize(600, 600));
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("v1.bmp")));
}

TEST_F(DrawCommands, SchemeToAChosenFile) {
    const TRun r = Sim({"scheme", MapPath(), Dir.Path("lines.bmp")});
    EXPECT_EQ(r.Code, tool::ExitOk) << r.Err;
    const QImage picture(QString::fromStdString(Dir.Path("lines.bmp")));
    ASSERT_EQ(picture.size(), QSize(600, 600));
    // The ring's top side at y 240 is black between its labels; the picture has one "1".
    EXPECT_GT(CountColor(picture, QRect(240, 240, 120, 1), Colors::Black), 60);
    EXPECT_FALSE(FindLabel(picture, U"1", true).empty());
}

TEST_F(DrawCommands, SchemeFailures) {
    TRun r = Sim({"scheme", MapPath(), Dir.Path("no/such/folder.bmp")});
    EXPECT_EQ(r.Code, tool::ExitFindings);
    EXPECT_TRUE(Has(r.Err, "Ошибка при сохранении схемы!")) << r.Err;
    r = Sim({"scheme", MapPath(), MapPath()});
    EXPECT_EQ(r.Code, tool::ExitFindings);
    EXPECT_TRUE(Has(r.Err, "Ошибка при сохранении схемы!")) << r.Err;
    EXPECT_EQ(Sim({"info", MapPath()}).Code, tool::ExitOk) << "the map is intact";
    r = Sim({"scheme", Dir.Path("none.vl")});
    EXPECT_EQ(r.Code, tool::ExitBadInput);
    // A rail that leads nowhere: no picture.
    auto map = NewMap();
    map->FileName = MapPath();
    ASSERT_TRUE(map->LoadFromFile());
    AddRail(*map, 100, 100, 300, 100);
    ASSERT_TRUE(map->SaveToFile());
    r = Sim({"scheme", MapPath()});
    EXPECT_EQ(r.Code, tool::ExitFindings);
    EXPECT_TRUE(Has(r.Err, "Ошибка с рельсами!")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("v1.0/city.bmp")));
}

TEST_F(DrawCommands, PlanAtAViewWithTheOverview) {
    const TRun r = Sim({"plan", MapPath(), Dir.Path("plan.png"), "--view", "4900,4800",
                        "--overview", Dir.Path("overview.png")});
    EXPECT_EQ(r.Code, tool::ExitOk) << r.Err;
    const QImage plan(QString::fromStdString(Dir.Path("plan.png")));
    ASSERT_EQ(plan.size(), QSize(600, 600));
    EXPECT_EQ(ColorAt(plan, 150, 200), MakeColor(250, 0, 0)) << "the wall, 100 m in";
    const QImage overview(QString::fromStdString(Dir.Path("overview.png")));
    ASSERT_EQ(overview.size(), QSize(200, 200));
    EXPECT_EQ(ColorAt(overview, 98, 96), Colors::Green) << "the view window";
    EXPECT_EQ(ColorAt(overview, 90, 80), Colors::White) << "the ring";
    EXPECT_EQ(CountColor(overview, overview.rect(), Colors::Red), 0);
}

TEST_F(DrawCommands, PlanHighlightsARoute) {
    const TRun r = Sim({"plan", MapPath(), Dir.Path("plan.png"), "--route", "1", "--view",
                        "3900,3900", "--overview", Dir.Path("overview.png")});
    EXPECT_EQ(r.Code, tool::ExitOk) << r.Err;
    const QImage overview(QString::fromStdString(Dir.Path("overview.png")));
    EXPECT_EQ(ColorAt(overview, 90, 80), Colors::Red);
    EXPECT_EQ(CountColor(overview, overview.rect(), Colors::White), 0);
    // The ring's top side at y 100 of the plan, 4 pixels wide.
    const QImage plan(QString::fromStdString(Dir.Path("plan.png")));
    EXPECT_EQ(CountColor(plan, QRect(300, 90, 1, 20), MakeColor(85, 100, 100)), 4);
}

TEST_F(DrawCommands, PlanBadInput) {
    struct Case {
        std::vector<std::string> Args;
        int Code;
        std::string Message;
    } cases[] = {
        {{"plan", MapPath()}, tool::ExitBadInput, "VellSim plan: wrong number of arguments"},
        {{"plan", MapPath(), Dir.Path("p.png"), "--view", "12"}, tool::ExitBadInput, "--view"},
        {{"plan", MapPath(), Dir.Path("p.png"), "--view", "1,x"}, tool::ExitBadInput, "--view"},
        {{"plan", MapPath(), Dir.Path("p.png"), "--route", "0"},
         tool::ExitBadInput,
         "--route names no route"},
        {{"plan", MapPath(), Dir.Path("p.png"), "--route", "1В"},
         tool::ExitBadInput,
         "--route names no route"},
        {{"plan", MapPath(), Dir.Path("p.png"), "--route", "3"},
         tool::ExitBadInput,
         "маршрут 3 не задан"},
        {{"plan", MapPath(), Dir.Path("p.png"), "--route", "2"},
         tool::ExitBadInput,
         "маршрут 2 не задан"},
        {{"plan", Dir.Path("none.vl"), Dir.Path("p.png")},
         tool::ExitBadInput,
         "не удалось открыть"},
        {{"plan", MapPath(), Dir.Path("no/p.png")}, tool::ExitFindings, "не удалось записать"},
        {{"plan", MapPath(), MapPath()}, tool::ExitFindings, "поверх карты"},
    };
    for (const Case& c : cases) {
        const TRun r = Sim(c.Args);
        EXPECT_EQ(r.Code, c.Code) << c.Message;
        EXPECT_TRUE(Has(r.Err, c.Message)) << c.Message << ": " << r.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("p.png")));
    EXPECT_EQ(Sim({"info", MapPath()}).Code, tool::ExitOk) << "the map is intact";
}

// Under an English locale every message of the drawing commands is English; the route names
// they quote stay as the map has them.
TEST_F(DrawCommands, UnderAnEnglishLocaleTheMessagesAreEnglish) {
    const tool::TSimLanguage english(TLanguage::English);
    struct Case {
        std::vector<std::string> Args;
        int Code;
        std::string Said;
    } cases[] = {
        {{"scheme", MapPath()}, tool::ExitOk, "Scheme written: " + Dir.Path("v1.0/city.bmp")},
        {{"scheme", MapPath(), Dir.Path("no/s.bmp")},
         tool::ExitFindings,
         "VellSim: Could not save the line scheme! " + Dir.Path("no/s.bmp")},
        {{"plan", MapPath(), Dir.Path("p.png"), "--overview", Dir.Path("o.png")},
         tool::ExitOk,
         "Plan written: " + Dir.Path("p.png") + "\nOverview written: " + Dir.Path("o.png")},
        {{"plan", MapPath(), Dir.Path("p.png"), "--route", "2А"},
         tool::ExitBadInput,
         "VellSim plan: route 2А is not set"},
        {{"plan", MapPath(), Dir.Path("no/p.png")},
         tool::ExitFindings,
         "VellSim: could not write the picture " + Dir.Path("no/p.png")},
        {{"plan", MapPath(), MapPath()},
         tool::ExitFindings,
         "VellSim: the picture is not written over the map " + MapPath()},
        {{"plan", Dir.Path("none.vl"), Dir.Path("p.png")},
         tool::ExitBadInput,
         "VellSim: could not open the map " + Dir.Path("none.vl") +
             ": the file is missing or cannot be read"},
        {{"diagram", MapPath(), "--route", "1", "--minutes", "5", "--seed", "3", Dir.Path("d.png")},
         tool::ExitOk,
         "Diagram written: " + Dir.Path("d.png") + " (seed 3)"},
        {{"diagram", MapPath(), "--route", "99", Dir.Path("d.png")},
         tool::ExitBadInput,
         "VellSim diagram: route 99 is not set"},
    };
    for (const Case& c : cases) {
        const TRun r = Sim(c.Args);
        EXPECT_EQ(r.Code, c.Code) << c.Said << ": " << r.Err;
        EXPECT_TRUE(Has(r.Out + r.Err, c.Said)) << c.Said << ": " << r.Out << r.Err;
        EXPECT_FALSE(HasCyrillicBesideRouteNames(QString::fromStdString(r.Out + r.Err)))
            << r.Out << r.Err;
    }
    // A rail that leads nowhere: no scheme, no diagram.
    auto map = NewMap();
    map->FileName = MapPath();
    ASSERT_TRUE(map->LoadFromFile());
    AddRail(*map, 100, 100, 300, 100);
    ASSERT_TRUE(map->SaveToFile());
    TRun r = Sim({"scheme", MapPath()});
    EXPECT_EQ(r.Err, "VellSim: Rail error! Check the map in the editor; the scheme is not drawn\n");
    r = Sim({"diagram", MapPath(), "--route", "1", Dir.Path("d.png")});
    EXPECT_EQ(r.Err, "VellSim: Rail error! Check the map in the editor\n");
}

// The lines of text of route 1's diagram over 20 minutes of a ring with one stop, recorded and
// drawn in the language of the moment, as VellSim and the game's window do; the route is named
// "1А" to show that the map's names stay.
QString DiagramWords() {
    TRingMap ring = RingMap();
    ring.Map->Objects[ring.Rails[2]].SetStopType(1);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
    TSimulation sim(std::move(ring.Map), 8);
    TTimeDistanceRecorder recorder(*sim.World, 0, 0);
    for (long long s = 0; s < RoundHalfEven(20 * TicksPerMinute); ++s) {
        sim.World->WorldStep();
        recorder.Observe();
    }
    TTimeDistanceData data = recorder.Data();
    data.RouteName = "1А";
    TWordRecorder device(QSize(DiagramWidth, DiagramHeight));
    QPainter p(&device);
    PaintTimeDistanceDiagram(p, data, QSize(DiagramWidth, DiagramHeight));
    p.end();
    return QString::number(std::lround(data.Length)) + "|" + device.Lines.join(QStringLiteral("|"));
}

// The diagram's words: the design's Russian, and under the programs' English no Russian word
// beside the route's name.
TEST(DiagramCommand, TheDiagramsWordsFollowTheLanguage) {
    const QString russian = DiagramWords();
    const QString length = russian.section(QLatin1Char('|'), 0, 0);
    for (const QString& word :
         {QStringLiteral("Маршрут 1А: график движения, 20 мин"), QStringLiteral("время, мин"),
          QStringLiteral("начало"), QStringLiteral("ост. 1"), length + QStringLiteral(" м"),
          QStringLiteral("расстояние по маршруту"),
          QStringLiteral("поезд (в его цвете, номер в конце линии)"),
          QStringLiteral("его расписание"), QStringLiteral("стоит в заторе дольше минуты")})
        EXPECT_TRUE(russian.contains(word))
            << word.toStdString() << " in " << russian.toStdString();

    const tool::TSimLanguage english(TLanguage::English);
    const QString inEnglish = DiagramWords();
    for (const QString& word :
         {QStringLiteral("Route 1А: time-distance diagram, 20 min"), QStringLiteral("time, min"),
          QStringLiteral("start"), QStringLiteral("stop 1"), length + QStringLiteral(" m"),
          QStringLiteral("distance along the route"),
          QStringLiteral("tram (in its colour, its number where the line ends)"),
          QStringLiteral("its timetable"), QStringLiteral("blocked for more than a minute")})
        EXPECT_TRUE(inEnglish.contains(word))
            << word.toStdString() << " in " << inEnglish.toStdString();
    EXPECT_FALSE(HasCyrillicBesideRouteNames(inEnglish)) << inEnglish.toStdString();
}

TEST(DiagramCommand, DrawsARoutesDiagramAndRefusesBadArguments) {
    TTempDir dir;
    TSingleTrackMap m = SingleTrackMap();
    m.Map->FileName = dir.Path("single.vl");
    ASSERT_TRUE(m.Map->SaveToFile());
    const TRun run = Sim({"diagram", dir.Path("single"), "--route", "2", "--minutes", "30",
                          "--seed", "2", dir.Path("d.png")});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_NE(run.Out.find("График записан: "), std::string::npos);
    QImage picture(QString::fromStdString(dir.Path("d.png")));
    EXPECT_EQ(picture.size(), QSize(DiagramWidth, DiagramHeight));

    EXPECT_EQ(Sim({"diagram", dir.Path("single"), dir.Path("d.png")}).Code, 2); // no --route
    EXPECT_EQ(Sim({"diagram", dir.Path("single"), "--route", "5", dir.Path("d.png")}).Code, 2);
    EXPECT_EQ(
        Sim({"diagram", dir.Path("single"), "--route", "1", "--minutes", "0", dir.Path("d.png")})
            .Code,
        2);
    EXPECT_EQ(Sim({"diagram", dir.Path("single"), "--route", "1", "--seed", "1",
                   dir.Path("no/such/d.png")})
                  .Code,
              1);
}

} // namespace
} // namespace vell::test

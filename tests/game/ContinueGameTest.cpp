// Saving a game from the cab's menu and continuing it from the route selection window, with a
// real OpenGL cab (run under Xvfb): the continued world is the saved one, and it runs on as the
// saved game ran; a save that does not fit its map is refused and the current map kept.
#include "cab/View3D.h"
#include "model/RouteTable.h"
#include "sim/save/Replay.h"
#include "sim/save/WorldSave.h"
#include "tests/game/CabGame.h"

#include <QAction>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <bit>
#include <filesystem>
#include <fstream>

using namespace vell;
using namespace vell::test;

namespace {

constexpr int StepsOn = 500; // world steps run on after the save, in both worlds

// What a game looked like at its save and StepsOn world steps later.
struct TSeen {
    bool Shown = false;
    std::uint64_t Digest = 0, DigestOn = 0;
    long long Steps = 0;
    int PlayerSlot = -1;
    bool Autopilot = true;
    int GameSpeed = 0;
    int RoutesListed = 0;
};

int SlotOf(const TWorld& world) {
    for (int k = 0; k < world.VellCount; ++k)
        if (world.VellTable[std::size_t(k)].get() == world.PlayerTram) return k;
    return -1;
}

void RunOn(TCabGame& g, TSeen& seen) {
    seen.Digest = WorldStateDigest(g.World, g.View.Run);
    for (int k = 0; k < StepsOn; ++k)
        g.World.WorldStep();
    seen.DigestOn = WorldStateDigest(g.World, g.View.Run);
}

// Plays route 1А of the map at `mapPath` for a while, by hand (one step a tick) or under the
// autopilot at x4, saves to `savePath`, and runs on.
TSeen PlayAndSave(const std::string& mapPath, const std::string& savePath, bool byHand) {
    TCabGame g(20240601);
    g.Choose(mapPath);
    g.SelectRoute.RouteTable->setCurrentCell(1, 0); // 1А
    TSeen seen;
    WhenModalShows(&g.View, [&](QWidget*) {
        g.View.Timer->stop();
        g.View.SpeedItems[2]->trigger(); // x4
        if (byHand) g.View.N6->trigger();
        for (int k = 0; k < 40; ++k)
            g.View.TimerTimer();
        g.Dialogs.FileChoices.push_back(savePath);
        g.View.SaveGame->trigger();
        seen = {true,
                0,
                0,
                g.View.Run.Steps,
                SlotOf(g.World),
                g.View.N6->isChecked(),
                g.View.Cab.GameSpeed,
                0};
        RunOn(g, seen);
        g.View.close();
    });
    g.SelectRoute.StartGameClick();
    return seen;
}

// The bits of a double: a controller of -0 is not one of +0.
std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// A continued game shown and closed at once: whether the cab came up. `mapChoice` answers the
// map's open dialog, when the game asks for the map.
bool ContinueShows(TCabGame& g, const std::string& savePath, const std::string& mapChoice = {}) {
    bool shown = false;
    WhenModalShows(&g.View, [&](QWidget*) {
        shown = true;
        g.View.close();
    });
    g.Dialogs.FileChoices.push_back(savePath);
    if (!mapChoice.empty()) g.Dialogs.FileChoices.push_back(mapChoice);
    g.SelectRoute.ContinueGame->click();
    return shown;
}

} // namespace

class ContinueGameTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void aContinuedGameIsTheSavedOneAndRunsOnAsItRan_data() {
        QTest::addColumn<bool>("byHand");
        QTest::newRow("byHand") << true;
        QTest::newRow("autopilotAtX4") << false;
    }
    void aContinuedGameIsTheSavedOneAndRunsOnAsItRan() {
        QFETCH(bool, byHand);
        const int speed = byHand ? 1 : 4;
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        const TSeen saved = PlayAndSave(dir.Path("city.vl"), dir.Path("game.vls"), byHand);
        QVERIFY(saved.Shown);
        QVERIFY(saved.PlayerSlot >= 0);
        QCOMPARE(saved.Autopilot, !byHand);
        QCOMPARE(saved.GameSpeed, speed);
        QVERIFY(saved.Steps > 40 * speed); // the run-ahead's steps and the cab's
        QVERIFY(std::filesystem::exists(dir.Path("game.vls")));

        // A fresh program with another seed and no map continues it.
        TCabGame g(7);
        TSeen seen;
        bool speedChecked = false, selectionHidden = false;
        WhenModalShows(&g.View, [&](QWidget*) {
            seen = {true,
                    0,
                    0,
                    g.View.Run.Steps,
                    SlotOf(g.World),
                    g.View.N6->isChecked(),
                    g.View.Cab.GameSpeed,
                    g.SelectRoute.RouteRowCount()};
            speedChecked = g.View.SpeedItems[byHand ? 0 : 2]->isChecked();
            selectionHidden = !g.SelectRoute.isVisible();
            RunOn(g, seen);
            g.View.close();
        });
        g.Dialogs.FileChoices.push_back(dir.Path("game.vls"));
        g.SelectRoute.ContinueGame->click();
        QVERIFY(seen.Shown);
        QVERIFY(speedChecked);
        QVERIFY(selectionHidden);
        QCOMPARE(seen.Digest, saved.Digest);
        QCOMPARE(seen.DigestOn, saved.DigestOn);
        QCOMPARE(seen.Steps, saved.Steps);
        QCOMPARE(seen.PlayerSlot, saved.PlayerSlot);
        QCOMPARE(seen.Autopilot, !byHand);
        QCOMPARE(seen.GameSpeed, speed);
        QCOMPARE(seen.RoutesListed, 4); // the map was opened as a chosen map is
        QCOMPARE(QString::fromStdString(g.Map->FileName),
                 QString::fromStdString(std::filesystem::absolute(dir.Path("city.vl")).string()));
        QVERIFY(!g.World.Running());
        QVERIFY(g.SelectRoute.isVisible());
        QCOMPARE(g.Dialogs.Log, (std::vector<std::string>{"game open dialog"}));

        // A failed write says why in one line, and the drive goes on.
        TCabGame h(11);
        h.Choose(dir.Path("city.vl"));
        h.SelectRoute.RouteTable->setCurrentCell(0, 0);
        bool open = false;
        WhenModalShows(&h.View, [&](QWidget*) {
            h.Dialogs.FileChoices.push_back(dir.Path("no-such-folder/game.vls"));
            h.View.SaveGame->trigger();
            open = h.View.isVisible() && h.World.Running();
            h.View.close();
        });
        h.SelectRoute.StartGameClick();
        QVERIFY(open);
        QCOMPARE(h.Dialogs.Log.size(), std::size_t(3)); // open, save, error
        QVERIFY(h.Dialogs.Log.back().starts_with("error: "));
        QVERIFY(h.Dialogs.Log.back().find('\n') == std::string::npos);
    }

    // Saved while driving by hand with traction on and the close button held: the first tick
    // of the continued game gives the tram the same commands, so the world after it is the
    // world of the game that was never interrupted.
    void aGameSavedWhileDrivingByHandGoesOnWithItsControllerAndDoors() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TCabGame g(20240601);
        g.Choose(dir.Path("city.vl"));
        g.SelectRoute.RouteTable->setCurrentCell(1, 0); // 1А
        std::uint64_t uninterrupted = 0;
        double controller = 0;
        WhenModalShows(&g.View, [&](QWidget*) {
            g.View.Timer->stop();
            g.View.N6->trigger(); // by hand
            g.View.Cab.Joystick.ControllerOffset = -61.3;
            g.View.Cab.Joystick.RightButtonDown = true;
            for (int k = 0; k < 40; ++k)
                g.View.TimerTimer();
            g.Dialogs.FileChoices.push_back(dir.Path("game.vls"));
            g.View.SaveGame->trigger();
            controller = g.World.PlayerTram->ManualCommand;
            g.View.TimerTimer();
            uninterrupted = ReplayDigest(g.World, g.View.Run);
            g.View.close();
        });
        g.SelectRoute.StartGameClick();
        QVERIFY(controller > 0.6);

        TCabGame h(7);
        std::uint64_t continued = 0;
        double held = 0;
        bool closeHeld = false, openHeld = true;
        WhenModalShows(&h.View, [&](QWidget*) {
            h.View.TimerTimer();
            continued = ReplayDigest(h.World, h.View.Run);
            held = h.World.PlayerTram->ManualCommand;
            closeHeld = h.World.PlayerTram->ManualClose;
            openHeld = h.World.PlayerTram->ManualOpen;
            h.View.close();
        });
        h.Dialogs.FileChoices.push_back(dir.Path("game.vls"));
        h.SelectRoute.ContinueGame->click();
        QCOMPARE(Bits(held), Bits(controller));
        QVERIFY(closeHeld);
        QVERIFY(!openHeld);
        QCOMPARE(continued, uninterrupted);
    }

    // A headless run's save has no player's tram: the cab is not opened over it, and the route
    // window keeps its map.
    void aSaveWithoutAPlayersTramIsRefusedAndTheMapKept() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        {
            TMap map;
            map.FileName = dir.Path("city.vl");
            QVERIFY(map.LoadFromFile());
            SelectMap(map);
            TRandom random(3);
            TWorld world(map, random);
            TRunState run;
            world.StartWorld();
            for (; run.Steps < 2400; ++run.Steps)
                world.WorldStep();
            QCOMPARE(WriteWorldSave(dir.Path("headless.vls"), world, run), std::string());
        }
        TRoutesMap other(dir.Path("other.vl"));
        SetRoute(*other.Map, 2, 0, {other.RingB[0], other.RingB[4]}, 1, 5); // 3
        other.Save(dir.Path("other.vl"));
        TCabGame g(7);
        g.Choose(dir.Path("other.vl"));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 5);
        QVERIFY(!ContinueShows(g, dir.Path("headless.vls")));
        QCOMPARE(g.LastLog(), "error: " + NoPlayerTramInSave());
        QCOMPARE(g.Map->FileName, dir.Path("other.vl"));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 5);
        QVERIFY(g.SelectRoute.MapReady());
        QVERIFY(!g.World.Running());
    }

    // A save moved with its map continues in its new folder; a map that moved elsewhere is asked
    // for, and only the map the save was written over is taken.
    void aSaveWhoseMapMovedFindsItOrAsksForIt() {
        namespace fs = std::filesystem;
        TTempDir dir;
        fs::create_directories(dir.Path("home"));
        TRoutesMap source(dir.Path("home/city.vl"));
        PlayAndSave(dir.Path("home/city.vl"), dir.Path("home/game.vls"), true);
        TRoutesMap other(dir.Path("other.vl"));
        SetRoute(*other.Map, 2, 0, {other.RingB[0], other.RingB[4]}, 1, 5); // 3
        other.Save(dir.Path("other.vl"));
        fs::rename(dir.Path("home"), dir.Path("away"));

        TCabGame g(7);
        QVERIFY(ContinueShows(g, dir.Path("away/game.vls")));
        QCOMPARE(g.Map->FileName, dir.Path("away/city.vl"));
        QCOMPARE(g.Dialogs.Log, (std::vector<std::string>{"game open dialog"}));

        fs::rename(dir.Path("away/city.vl"), dir.Path("moved.vl"));
        const std::string asked =
            "ask2: Карта " + dir.Path("home/city.vl") + " не найдена или изменилась. Выбрать её?";
        // A wrong map is refused for its bytes; the open map stays.
        TCabGame h(7);
        h.Choose(dir.Path("other.vl"));
        h.Dialogs.Log.clear();
        h.Dialogs.Answers.push_back(TAnswer::Yes);
        QVERIFY(!ContinueShows(h, dir.Path("away/game.vls"), dir.Path("other.vl")));
        QCOMPARE(h.Dialogs.Log.size(), std::size_t(4));
        QCOMPARE(h.Dialogs.Log[1], asked);
        QCOMPARE(h.Dialogs.Log[2], std::string("open dialog"));
        QCOMPARE(h.LastLog(), "error: Карта " + dir.Path("other.vl") +
                                  " не та, над которой записано сохранение: её байты другие.");
        QCOMPARE(h.Map->FileName, dir.Path("other.vl"));
        // Declined: the reason is said, nothing opened.
        h.Dialogs.Answers.push_back(TAnswer::No);
        QVERIFY(!ContinueShows(h, dir.Path("away/game.vls")));
        QCOMPARE(h.LastLog(), "error: Нет карты сохранения: " + dir.Path("home/city.vl"));
        // The right map, of another name and folder, is taken.
        h.Dialogs.Answers.push_back(TAnswer::Yes);
        QVERIFY(ContinueShows(h, dir.Path("away/game.vls"), dir.Path("moved.vl")));
        QCOMPARE(h.LastLog(), std::string("open dialog"));
        QCOMPARE(h.Map->FileName, dir.Path("moved.vl"));
    }

    void aSaveThatDoesNotFitItsMapIsRefusedAndTheMapKept() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        PlayAndSave(dir.Path("city.vl"), dir.Path("game.vls"), true);
        TRoutesMap other(dir.Path("other.vl"));
        SetRoute(*other.Map, 2, 0, {other.RingB[0], other.RingB[4]}, 1, 5); // 3
        other.Save(dir.Path("other.vl"));

        TCabGame g(7);
        g.Choose(dir.Path("other.vl"));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 5);
        bool shown = false;
        WhenModalShows(&g.View, [&](QWidget*) {
            shown = true;
            g.View.close();
        });
        // A save whose world does not fit its map, its checksum made anew: its last byte, the
        // flag of a jam watch, is no truth value.
        std::vector<std::uint8_t> bytes = ReadBytes(dir.Path("game.vls"));
        bytes.back() = 7;
        SealWorldSave(bytes);
        WriteBytes(dir.Path("damaged.vls"), bytes);
        g.Dialogs.FileChoices.push_back(dir.Path("damaged.vls"));
        g.SelectRoute.ContinueGame->click();
        QVERIFY(g.LastLog().starts_with("error: Сохранение повреждено"));
        QCOMPARE(g.Map->FileName, dir.Path("other.vl"));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 5);
        // The save's map changed: another map's bytes in its place.
        std::filesystem::copy_file(dir.Path("other.vl"), dir.Path("city.vl"),
                                   std::filesystem::copy_options::overwrite_existing);
        g.Dialogs.FileChoices.push_back(dir.Path("game.vls"));
        g.SelectRoute.ContinueGame->click();
        QVERIFY(g.LastLog().starts_with("error: "));
        QVERIFY(g.LastLog().find("изменилась") != std::string::npos);
        // The save's map is gone.
        std::filesystem::remove(dir.Path("city.vl"));
        g.Dialogs.FileChoices.push_back(dir.Path("game.vls"));
        g.SelectRoute.ContinueGame->click();
        QVERIFY(g.LastLog().starts_with("error: Нет карты сохранения"));

        QVERIFY(!shown);
        QCOMPARE(g.Map->FileName, dir.Path("other.vl"));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 5);
        QVERIFY(g.SelectRoute.MapReady());
        QVERIFY(!g.World.Running());
    }
};

int main(int argc, char** argv) {
    SetCabSurfaceFormat(); // before the application, as the game does
    QApplication app(argc, argv);
    ContinueGameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ContinueGameTest.moc"

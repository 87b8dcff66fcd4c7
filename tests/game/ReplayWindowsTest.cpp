// Recordings in the game's windows, with a real OpenGL cab (run under Xvfb): a drive saved from
// the cab's menu plays back to the same world in "Смотреть запись..." and headless; the player
// takes over a recording mid-way; after a crash "Повтор" plays the last minute in the cab and
// then from above, both ending in the crash as it happened.
#include "cab/View3D.h"
#include "sim/save/Replay.h"
#include "tests/cab/EvaluationWatch.h"
#include "tests/game/CabGame.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <filesystem>

using namespace vell;
using namespace vell::test;

namespace {

std::uint64_t Digest(TCabGame& g) {
    return ReplayDigest(g.World, g.View.Run);
}

// Drives route 1 of the map at `mapPath` by hand for a while (the controller moved, the doors
// opened and closed, the autopilot on again), saves the drive's recording to `replayPath` and
// returns the world's digest and steps at the save.
std::pair<std::uint64_t, long long> DriveAndRecord(const std::string& mapPath,
                                                   const std::string& replayPath) {
    TCabGame g(20240601);
    g.Choose(mapPath);
    g.SelectRoute.RouteTable->setCurrentCell(3, 0); // 1
    std::pair<std::uint64_t, long long> seen{0, 0};
    WhenModalShows(&g.View, [&](QWidget*) {
        g.View.Timer->stop();
        for (int k = 0; k < 20; ++k)
            g.View.TimerTimer(); // under the autopilot
        g.View.N6->trigger();    // by hand
        TJoystick& stick = g.View.Cab.Joystick;
        for (int k = 0; k < 120; ++k) {
            stick.ControllerOffset = k < 60 ? -40 - k : 30; // traction, then braking
            stick.LeftButtonDown = k >= 100 && k < 104;
            stick.RightButtonDown = k >= 110 && k < 114;
            g.View.TimerTimer();
        }
        QTest::keyClick(&g.View, Qt::Key_B); // the bell, heard and recorded
        g.View.TimerTimer();
        g.View.N6->trigger(); // the autopilot again
        g.View.SpeedItems[3]->trigger();
        for (int k = 0; k < 30; ++k)
            g.View.TimerTimer();
        g.Dialogs.FileChoices.push_back(replayPath);
        g.View.SaveReplay->trigger();
        seen = {Digest(g), g.View.Run.Steps};
        // Leaving ends the shift, whose evaluation comes first.
        WhenEvaluationShows();
        g.View.close();
    });
    g.SelectRoute.StartGameClick();
    return seen;
}

} // namespace

class ReplayWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void aSavedDriveReplaysToTheSameWorldInTheCabAndHeadless() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        const auto [digest, steps] = DriveAndRecord(dir.Path("city.vl"), dir.Path("drive.vlrec"));
        QVERIFY(steps > 20 + 121 + 30 * 8);

        TReplay replay;
        std::string error;
        QVERIFY2(ReadReplay(dir.Path("drive.vlrec"), replay, error), error.c_str());
        QCOMPARE(replay.EndStep, steps);
        QVERIFY(replay.Events.size() >= 5); // hand, controller, doors, bell, autopilot
        QCOMPARE(std::count_if(replay.Events.begin(), replay.Events.end(),
                               [](const TReplayEvent& e) { return e.Bell; }),
                 1);
        {
            TMap map;
            TRandom random(1);
            TWorld world(map, random);
            TReplayOutcome outcome;
            QVERIFY2(RunReplay(replay, map, world, outcome, error), error.c_str());
            QCOMPARE(outcome.Digest, digest);
        }

        // Another program, with another seed and no map, watches it to its end at x1024.
        TCabGame g(7);
        bool watching = false, autopilotLocked = false, barShown = false, takeOverShown = false;
        std::uint64_t watched = 0;
        long long watchedSteps = 0;
        QString bar;
        WhenModalShows(&g.View, [&](QWidget*) {
            watching = g.View.Watching != nullptr;
            autopilotLocked = !g.View.N6->isEnabled();
            barShown = g.View.ReplayBar->isVisible();
            g.View.ShowMenuFor();
            takeOverShown = g.View.TakeOver->isVisible() && g.View.TakeOver->isEnabled();
            g.View.SpeedItems[10]->trigger();
            for (int k = 0; k < 100 && g.View.Run.Steps < steps; ++k)
                g.View.TimerTimer();
            g.View.TimerTimer(); // at the end the world stands still
            watched = Digest(g);
            watchedSteps = g.View.Run.Steps;
            bar = g.View.ReplayBar->text();
            g.View.close();
        });
        g.Dialogs.FileChoices.push_back(dir.Path("drive.vlrec"));
        g.SelectRoute.WatchReplay->click();
        QCOMPARE(g.Dialogs.Log, (std::vector<std::string>{"replay open dialog"}));
        QVERIFY(watching);
        QVERIFY(autopilotLocked);
        QVERIFY(barShown);
        QVERIFY(takeOverShown);
        QCOMPARE(watchedSteps, steps);
        QCOMPARE(watched, digest);
        QVERIFY2(bar.contains(QStringLiteral("конец записи")), qPrintable(bar));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 4); // the map opened as a chosen map is
        QVERIFY(!g.World.Running());
        QVERIFY(!g.View.Watching);
    }

    void thePlayerTakesOverARecordingAndDrivesANewOne() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        DriveAndRecord(dir.Path("city.vl"), dir.Path("drive.vlrec"));
        TCabGame g(7);
        long long pausedFrom = -1, pausedTo = -1, tookOverAt = -1, endedAt = -1;
        bool recording = false, autopilotFree = false;
        WhenModalShows(&g.View, [&](QWidget*) {
            for (int k = 0; k < 50; ++k)
                g.View.TimerTimer();
            g.View.PauseReplay->trigger();
            pausedFrom = g.View.Run.Steps;
            for (int k = 0; k < 10; ++k)
                g.View.TimerTimer();
            pausedTo = g.View.Run.Steps;
            g.View.PauseReplay->trigger();
            g.View.TimerTimer();
            g.View.ShowMenuFor();
            g.View.TakeOver->trigger();
            tookOverAt = g.View.Run.Steps;
            recording = g.View.Recorder.Recording() && !g.View.Watching;
            autopilotFree = g.View.N6->isEnabled() && !g.View.ReplayBar->isVisible();
            for (int k = 0; k < 40; ++k)
                g.View.TimerTimer();
            g.Dialogs.FileChoices.push_back(dir.Path("taken.vlrec"));
            g.View.SaveReplay->trigger();
            endedAt = g.View.Run.Steps;
            g.View.close();
        });
        g.Dialogs.FileChoices.push_back(dir.Path("drive.vlrec"));
        g.SelectRoute.WatchReplay->click();
        QCOMPARE(pausedTo, pausedFrom); // no step while paused
        QVERIFY(tookOverAt > pausedTo);
        QVERIFY(recording);
        QVERIFY(autopilotFree);
        QCOMPARE(endedAt, tookOverAt + 40);
        // The new drive's recording starts where the player took over.
        TReplay taken;
        std::string error;
        QVERIFY2(ReadReplay(dir.Path("taken.vlrec"), taken, error), error.c_str());
        QCOMPARE(ReplayStart(taken).Steps, tookOverAt);
        QCOMPARE(taken.EndStep, endedAt);
    }

    // A drive whose recording fills up (2^31 steps: the recorder is told of a step that far on)
    // says so in the cab, in a line where the replay bar stands, and keeps it shown; the
    // recording saved then ends where it filled up.
    void aFullRecordingIsSaidInTheCab() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TCabGame g(11);
        g.Choose(dir.Path("city.vl"));
        g.SelectRoute.RouteTable->setCurrentCell(3, 0); // 1
        bool hiddenBefore = false, shown = false, stillShown = false;
        QString line;
        long long start = -1, saved = -1;
        WhenModalShows(&g.View, [&](QWidget*) {
            g.View.Timer->stop();
            for (int k = 0; k < 5; ++k)
                g.View.TimerTimer();
            hiddenBefore = !g.View.ReplayBar->isVisible();
            start = ReplayStart(g.View.Recorder.Drive(g.View.Run.Steps)).Steps;
            g.View.Recorder.Before(g.World, g.View.Run, start + MaxReplaySteps);
            g.View.TimerTimer();
            shown = g.View.ReplayBar->isVisible();
            line = g.View.ReplayBar->text();
            for (int k = 0; k < 5; ++k)
                g.View.TimerTimer();
            g.View.ShowMenuFor();
            stillShown = g.View.ReplayBar->isVisible();
            g.Dialogs.FileChoices.push_back(dir.Path("full.vlrec"));
            g.View.SaveReplay->trigger();
            saved = g.View.Run.Steps;
            g.View.close();
        });
        g.SelectRoute.StartGameClick();
        QVERIFY(hiddenBefore);
        QVERIFY(shown);
        QVERIFY(stillShown);
        QCOMPARE(line, QStringLiteral("Запись поездки заполнена и остановлена: в ней всё до этого "
                                      "места"));
        TReplay full;
        std::string error;
        QVERIFY2(ReadReplay(dir.Path("full.vlrec"), full, error), error.c_str());
        QCOMPARE(full.EndStep, saved);
        QVERIFY(saved < start + MaxReplaySteps);
    }

    void aRecordingThatDoesNotFitIsRefusedAndTheMapKept() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        DriveAndRecord(dir.Path("city.vl"), dir.Path("drive.vlrec"));
        TRoutesMap other(dir.Path("other.vl"));
        TCabGame g(7);
        g.Choose(dir.Path("other.vl"));
        bool shown = false;
        WhenModalShows(&g.View, [&](QWidget*) {
            shown = true;
            g.View.close();
        });
        // Cut short.
        std::vector<std::uint8_t> bytes = ReadBytes(dir.Path("drive.vlrec"));
        bytes.resize(bytes.size() / 2);
        WriteBytes(dir.Path("short.vlrec"), bytes);
        g.Dialogs.FileChoices.push_back(dir.Path("short.vlrec"));
        g.SelectRoute.WatchReplay->click();
        QVERIFY(g.LastLog().starts_with("error: "));
        // Its map changed.
        SetRoute(*other.Map, 2, 0, {other.RingB[0], other.RingB[4]}, 1, 5);
        other.Save(dir.Path("city.vl"));
        g.Dialogs.FileChoices.push_back(dir.Path("drive.vlrec"));
        g.SelectRoute.WatchReplay->click();
        QVERIFY(g.LastLog().find("изменилась") != std::string::npos);
        QVERIFY(!shown);
        QCOMPARE(g.Map->FileName, dir.Path("other.vl"));
        QVERIFY(!g.World.Running());
    }

    void afterACrashTheLastMinuteIsReplayedInTheCabThenFromAbove() {
        TTempDir dir;
        // Rails this poor derail a tram above 18 km/h.
        std::unique_ptr<TMap> map = NewMap();
        const std::vector<int> ring = AddRing(*map, 1000, 1000, 2000, 1600, 4, 10);
        SetRoute(*map, 0, 0, {ring[0], ring[5]}, 1, 5);
        map->FileName = dir.Path("poor.vl");
        QVERIFY(map->SaveToFile());

        TCabGame g(20240601);
        g.Choose(dir.Path("poor.vl"));
        g.SelectRoute.RouteTable->setCurrentCell(0, 0);
        std::uint64_t cabEnd = 0, aboveEnd = 0;
        long long cabFrom = -1, cabEndStep = 0, aboveEndStep = 0;
        bool crashWatch = false;
        QString aboveTitle;
        std::shared_ptr<TModalWatch> evaluation;
        WhenModalShows(&g.View, [&](QWidget*) {
            // The shift's evaluation comes as the cab closes after its replay.
            evaluation = WhenEvaluationShows();
            // More than a minute under the autopilot, then by hand at full traction.
            g.View.SpeedItems[4]->trigger();
            for (int k = 0; k < 100; ++k)
                g.View.TimerTimer();
            g.View.N6->trigger();
            g.View.Cab.Joystick.ControllerOffset = -ControllerRange;
            for (int k = 0; k < 3000 && g.View.isVisible(); ++k) {
                const bool driving = !g.View.Watching;
                g.View.TimerTimer();
                if (driving && g.View.Watching) {
                    crashWatch = g.View.Watching->Crash;
                    cabFrom = g.View.Run.Steps;
                }
            }
            cabEnd = Digest(g);
            cabEndStep = g.View.Run.Steps;
            // The top view plays it next; at its end the world stands still. Watched for from
            // here, after the evaluation, which is modal too.
            WhenModalShows(&g.VellView, [&](QWidget*) {
                g.VellView.Speed->setValue(10);
                for (int k = 0; k < 10; ++k)
                    g.VellView.TimerTimer();
                aboveTitle = g.VellView.windowTitle();
                aboveEnd = Digest(g);
                aboveEndStep = g.View.Run.Steps;
                g.VellView.close();
            });
        });
        g.Dialogs.AccidentChoices = {TAccidentChoice::SaveRecording, TAccidentChoice::Replay};
        g.Dialogs.FileChoices.push_back(dir.Path("crash.vlrec"));
        g.SelectRoute.StartGameClick();

        QVERIFY(crashWatch);
        QVERIFY(evaluation && evaluation->Shown);
        QCOMPARE(cabEndStep - cabFrom, StepsPerPlayedMinute);
        QCOMPARE(aboveEndStep, cabEndStep);
        QVERIFY2(aboveTitle.startsWith(QString::fromUtf8(ReplayCaption)), qPrintable(aboveTitle));
        QCOMPARE(g.VellView.windowTitle(), QString::fromUtf8(VellViewCaption));
        // The saved recording ends in the crash, and so do the cab's and the top view's replays.
        TReplay saved;
        std::string error;
        QVERIFY2(ReadReplay(dir.Path("crash.vlrec"), saved, error), error.c_str());
        TMap replayMap;
        TRandom random(1);
        TWorld world(replayMap, random);
        TReplayOutcome outcome;
        QVERIFY2(RunReplay(saved, replayMap, world, outcome, error), error.c_str());
        QVERIFY(outcome.Accident);
        QCOMPARE(outcome.EndStep, cabEndStep);
        QCOMPARE(cabEnd, outcome.Digest);
        QCOMPARE(aboveEnd, outcome.Digest);
        // The message came back after the recording was saved.
        const std::vector<std::string>& log = g.Dialogs.Log;
        QVERIFY2(log.size() == 4, log.back().c_str());
        QVERIFY(log[1].starts_with("accident: Авария!\n"));
        QCOMPARE(log[2], std::string("replay save dialog"));
        QCOMPARE(log[3], log[1]);
        QVERIFY(!g.World.Running());
        QVERIFY(g.SelectRoute.isVisible());
    }
};

int main(int argc, char** argv) {
    SetCabSurfaceFormat(); // before the application, as the game does
    QApplication app(argc, argv);
    ReplayWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ReplayWindowsTest.moc"

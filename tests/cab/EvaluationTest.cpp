// The shift's evaluation in the cab (run under Xvfb with cab_view_test): the live line while a
// shift runs, the evaluation window at its end with the score's own figures, and an event's
// "Повтор" played in the cab from 10 s before it.
#include "cab/EvaluationWindow.h"
#include "cab/StartGame.h"
#include "cab/View3D.h"
#include "model/Units.h"
#include "tests/cab/CabTestWorld.h"
#include "tests/cab/EvaluationWatch.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace vell {
namespace {

QString Cell(const TEvaluationWindow& window, int row, int column) {
    return window.Events->item(row, column)->text();
}

// A press on the "Повтор" button of the row.
void ClickReplay(TEvaluationWindow& window, int row) {
    QTableWidgetItem* item = window.Events->item(row, TEvaluationWindow::ReplayColumn);
    window.Events->scrollToItem(item);
    QTest::mouseClick(window.Events->viewport(), Qt::LeftButton, {},
                      window.Events->visualItemRect(item).center());
}

// The cab over a city whose map is a file (the drive's recording reads it), the dialogs
// answered from a script, the loop stepped by the test.
struct TEvaluationCab : ::testing::Test {
    std::unique_ptr<TMap> Map;
    TRandom Random{20240607};
    std::unique_ptr<TWorld> World;
    test::TScriptedDialogs Dialogs;
    std::unique_ptr<TView3D> View;
    QWidget Selection;

    void Open(std::unique_ptr<TMap> map) {
        Map = std::move(map);
        World = std::make_unique<TWorld>(*Map, Random);
        View = std::make_unique<TView3D>(*Map, *World, Dialogs);
        View->TimeOfDay = [] { return QTime(12, 0); };
        View->Timer->stop();
        View->HelpSeen = true;
        Selection.show();
    }
    ~TEvaluationCab() override {
        if (View) View->EvaluationDue = false; // a failed test leaves without the window
    }
    bool Run(const TShift& shift, std::function<void()> play) {
        test::WhenModalShows(nullptr, [play](QWidget*) { play(); });
        return RunGame(*Map, *World, *View, &Selection, 0, 0, {}, shift);
    }
};

// The demo city: route 1 with its stops.
struct TDemoCab : TEvaluationCab {
    TDemoCab() {
        auto map = test::NewMap();
        map->FileName = VELL_MAPS_DIR "/demo.vl";
        EXPECT_TRUE(map->LoadFromFile());
        EXPECT_EQ(SelectMap(*map).NetworkResult, -1);
        Open(std::move(map));
    }
};

// The test ring, its rails so poor that a tram derails above 18 km/h.
struct TRingCab : TEvaluationCab {
    test::TTempDir Dir;
    test::TCabWorld Ring{10};
    TRingCab() {
        Ring.Map->FileName = Dir.Path("ring.vl");
        EXPECT_TRUE(Ring.Map->SaveToFile());
        Open(std::move(Ring.Map));
    }
};

TEST_F(TDemoCab, AShiftDrivenToItsEndShowsTheScoresEvaluationWithTheLiveLineBefore) {
    TEvaluation atEnd;
    QString line, lineExpected, total, stars, stops;
    bool lineTopRight = false, hiddenByItem = false, shownAgain = false;
    int rows = -1;
    ASSERT_TRUE(Run(TShift{TShiftKind::Minutes, 15}, [&] {
        // The autopilot drives and its legs count (the headless evaluation), so that the
        // stops earn points; fast, under the autopilot.
        View->Score.Start(*World, TShift{TShiftKind::Minutes, 15}, View->Run.Steps, true);
        View->N6->trigger();
        View->SpeedItems[8]->trigger(); // x256
        for (int k = 0; k < 8; ++k)
            View->TimerTimer();
        line = View->ScoreLine->text();
        lineExpected = ScoreLineText(View->Score.Evaluation());
        const QRect at = View->ScoreLine->geometry();
        lineTopRight = View->ScoreLine->isVisible() && at.right() < View->width() &&
                       at.left() > View->width() / 2 && at.bottom() < View->height() / 4;
        View->ShowScoreItem->trigger();
        View->TimerTimer();
        hiddenByItem = !View->ScoreLine->isVisible();
        View->ShowScoreItem->trigger();
        shownAgain = View->ScoreLine->isVisible();
        test::WhenEvaluationShows([&](TEvaluationWindow& window) {
            atEnd = View->Score.Evaluation();
            total = window.Total->text(), stars = window.Stars->text();
            stops = window.StopsLine->text(), rows = window.Events->rowCount();
        });
        for (int k = 0; k < 400 && View->isVisible(); ++k)
            View->TimerTimer();
    }));

    // While it ran: the points so far and the stops of the planned, over the top right.
    EXPECT_EQ(line, lineExpected);
    EXPECT_TRUE(line.contains(QString::fromUtf8(" из "))) << line.toStdString();
    EXPECT_TRUE(lineTopRight);
    EXPECT_TRUE(hiddenByItem);
    EXPECT_TRUE(shownAgain);
    // At its end: the window with the score's figures, the outcome kept for the route window.
    ASSERT_EQ(atEnd.End, TShiftEnd::Done);
    ASSERT_GT(atEnd.StopsReached, 1);
    EXPECT_GT(atEnd.Total, 0);
    EXPECT_EQ(total, OneDecimal(atEnd.Total));
    EXPECT_EQ(stars, StarsText(atEnd.Stars));
    EXPECT_EQ(
        stops,
        QString::fromUtf8("Остановки: %1 из %2").arg(atEnd.StopsReached).arg(atEnd.PlannedStops));
    EXPECT_EQ(rows, int(atEnd.Events.size()));
    ASSERT_TRUE(View->ShiftOutcome.has_value());
    EXPECT_EQ(View->ShiftOutcome->Evaluation.Total, atEnd.Total);
    EXPECT_EQ(View->ShiftOutcome->Drive.EndStep, atEnd.EndStep);
    EXPECT_FALSE(View->isVisible());
}

TEST_F(TRingCab, TheCrashsMessageThenTheEvaluationWhoseReplayPlaysFrom10SecondsBefore) {
    QString total, stars, rule, points;
    TScoreEvent crash;
    long long recordingFirst = -1, replayFrom = -1, replayAt = -1;
    std::size_t messagesBefore = 0;
    bool forEvaluation = false, lineHidden = false, takeOverHidden = false, shownAgain = false;
    ASSERT_TRUE(Run(TShift{TShiftKind::Circuits, 1}, [&] {
        // Standing for 300 steps, then full traction: the crash lies more than 10 s after the
        // recording's start.
        recordingFirst = View->Run.Steps;
        View->Cab.Joystick.ControllerOffset = 0;
        for (int k = 0; k < 300; ++k)
            View->TimerTimer();
        View->Cab.Joystick.ControllerOffset = -ControllerRange;
        test::WhenEvaluationShows([&](TEvaluationWindow& window) {
            messagesBefore = Dialogs.Log.size();
            const int last = window.Events->rowCount() - 1;
            crash = View->ShiftOutcome->Evaluation.Events.back();
            total = window.Total->text(), stars = window.Stars->text();
            rule = Cell(window, last, TEvaluationWindow::RuleColumn);
            points = Cell(window, last, TEvaluationWindow::PointsColumn);
            replayFrom = window.ReplayFrom(std::size_t(last));
            Dialogs.FileChoices.push_back(Dir.Path("shift.vlrec"));
            QTest::mouseClick(window.SaveButton, Qt::LeftButton);
            ClickReplay(window, last);
        });
        for (int k = 0; k < 3000 && View->isVisible() && !View->Watching; ++k)
            View->TimerTimer();
        if (!View->Watching) return;
        replayAt = View->Run.Steps;
        forEvaluation = View->Watching->ForEvaluation;
        View->ShowMenuFor();
        takeOverHidden = !View->TakeOver->isVisible();
        View->TimerTimer();
        lineHidden = !View->ScoreLine->isVisible();
        // Leaving the replay brings the evaluation back; closing it ends the game.
        shownAgain = false;
        test::WhenEvaluationShows([&](TEvaluationWindow&) { shownAgain = true; });
        View->N4->trigger();
    }));

    ASSERT_TRUE(View->ShiftOutcome.has_value());
    const TEvaluation& evaluation = View->ShiftOutcome->Evaluation;
    // The message first, then the evaluation, its recording saved up to the shift's end.
    EXPECT_EQ(messagesBefore, 1u);
    EXPECT_EQ(Dialogs.Log.front().rfind("accident: ", 0), 0u);
    TReplay saved;
    std::string error;
    ASSERT_TRUE(ReadReplay(Dir.Path("shift.vlrec"), saved, error)) << error;
    EXPECT_EQ(saved.EndStep, evaluation.EndStep);
    EXPECT_EQ(evaluation.End, TShiftEnd::Accident);
    EXPECT_EQ(total, OneDecimal(evaluation.Total));
    EXPECT_EQ(stars, QString::fromUtf8("☆☆☆☆"));
    EXPECT_EQ(rule, QString::fromStdString(RuleName(TScoreRule::Accident)));
    EXPECT_EQ(points, QString::fromUtf8("÷2"));
    // "Повтор" played the drive from 200 steps before the crash, as a replay of the evaluation.
    ASSERT_EQ(crash.Rule, TScoreRule::Accident);
    ASSERT_GT(crash.Step - StepsBeforeEvent, recordingFirst);
    EXPECT_EQ(replayFrom, crash.Step - StepsBeforeEvent);
    EXPECT_EQ(replayAt, replayFrom);
    EXPECT_TRUE(forEvaluation);
    EXPECT_TRUE(takeOverHidden);
    EXPECT_TRUE(lineHidden);
    EXPECT_TRUE(shownAgain);
    EXPECT_FALSE(View->isVisible());
}

// An open shift that reached no stop and had no event: leaving shows nothing.
TEST_F(TRingCab, LeavingAnOpenShiftThatSawNothingShowsNoWindow) {
    bool lineShown = false;
    std::shared_ptr<test::TModalWatch> evaluation;
    ASSERT_TRUE(Run(TShift{}, [&] {
        View->TimerTimer();
        lineShown = View->ScoreLine->isVisible();
        evaluation = test::WhenEvaluationShows({}, 1000); // it would show at once
        View->N4->trigger();
    }));
    EXPECT_TRUE(lineShown);
    EXPECT_FALSE(View->isVisible());
    ASSERT_TRUE(evaluation);
    EXPECT_FALSE(evaluation->Shown);
    ASSERT_TRUE(View->ShiftOutcome.has_value());
    EXPECT_EQ(View->ShiftOutcome->Evaluation.End, TShiftEnd::Left);
}

// The window alone: its rows, which events the recording holds, where each replay starts.
TEST(EvaluationWindow, RowsReplayOnlyWhatTheRecordingHoldsFrom10SecondsBefore) {
    TEvaluation e;
    e.Shift = {TShiftKind::Circuits, 2};
    e.StartStep = 1000;
    e.EndStep = 1000 + std::llround(TicksPerMinute * 30);
    e.Total = 31.25;
    e.Points = {100, 60, 70, 80};
    e.MaxPoints = {800, 400, 400, 400};
    const long long recordFirst = 3000;
    e.Events = {
        {2500, TScoreRule::Late, 4.46, 133, 2, 1234.4, 567.6}, // before the recording
        {3100, TScoreRule::Overspeed, 0.04, 3, 3, 10, 20},     // within 10 s of its start
        {1000 + std::llround(TicksPerMinute * 12 + TicksPerSecond * 5), TScoreRule::StopPassed, 20,
         0, 0, 300, 400},
    };
    TEvaluationWindow window(e, recordFirst, e.EndStep);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.Total->text(), QString::fromUtf8("31,3"));
    EXPECT_EQ(window.CategoryBars[0]->value(), 125); // 100 of 800, in thousandths
    EXPECT_EQ(window.CategoryPoints[2]->text(), QString::fromUtf8("70,0 из 400,0"));
    EXPECT_EQ(Cell(window, 0, TEvaluationWindow::PlaceColumn),
              QString::fromUtf8("к остановке 2 (1234, 568 м)"));
    EXPECT_EQ(Cell(window, 0, TEvaluationWindow::PointsColumn), QString::fromUtf8("−4,5"));
    EXPECT_EQ(Cell(window, 1, TEvaluationWindow::PointsColumn), QString::fromUtf8("0"));
    EXPECT_EQ(Cell(window, 2, TEvaluationWindow::TimeColumn), QString::fromUtf8("12:05"));

    // The event before the recording: greyed, and its button does nothing.
    EXPECT_FALSE(window.Events->item(0, TEvaluationWindow::ReplayColumn)->flags() &
                 Qt::ItemIsEnabled);
    ClickReplay(window, 0);
    EXPECT_TRUE(window.isVisible());
    // Within 10 s of the start: from the start; later: 200 steps before.
    EXPECT_EQ(window.ReplayFrom(1), recordFirst);
    EXPECT_EQ(window.ReplayFrom(2), e.Events[2].Step - 200);
    ClickReplay(window, 2);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.ReplayEvent, std::optional<std::size_t>(2));
}

} // namespace
} // namespace vell

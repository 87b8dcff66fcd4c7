// The shift's evaluation in the cab (run under Xvfb with cab_view_test): the live line while a
// shift runs, the evaluation window at its end with the figures the score gives, and an event's
// "Повтор" played in the cab from 10 s before it.
#include "cab/EvaluationWindow.h"
#include "cab/StartGame.h"
#include "cab/View3D.h"
#include "model/Route.h"
#include "model/Units.h"
#include "sim/RunAhead.h"
#include "tests/cab/CabTestWorld.h"
#include "tests/cab/EvaluationWatch.h"
#include "tests/support/ModalWatch.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"
#include "ui/QtApplication.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace vell {
namespace {

QString Cell(const TEvaluationWindow& window, int row, int column) {
    const QTableWidgetItem* item = window.Events->item(row, column);
    return item ? item->text() : QString();
}

// A press on the "Повтор" button of the row.
void ClickReplay(TEvaluationWindow& window, int row) {
    QTableWidgetItem* item = window.Events->item(row, TEvaluationWindow::ReplayColumn);
    window.Events->scrollToItem(item);
    QTest::mouseClick(window.Events->viewport(), Qt::LeftButton, {},
                      window.Events->visualItemRect(item).center());
}

// What the window showed, read while it was up.
struct TShownEvaluation {
    QString Total, Stars, End, Stops;
    QStringList Notes;
    int Rows = -1;
    QString LastRule, LastPoints;
    bool LastReplayable = false;
    std::array<QString, ScoreCategoryCount> Categories;
};

TShownEvaluation Read(const TEvaluationWindow& window) {
    TShownEvaluation shown;
    shown.Total = window.Total->text();
    shown.Stars = window.Stars->text();
    shown.End = window.EndLine->text();
    shown.Stops = window.StopsLine->text();
    for (const QLabel* note : window.Notes)
        shown.Notes << note->text();
    shown.Rows = window.Events->rowCount();
    if (shown.Rows > 0) {
        shown.LastRule = Cell(window, shown.Rows - 1, TEvaluationWindow::RuleColumn);
        shown.LastPoints = Cell(window, shown.Rows - 1, TEvaluationWindow::PointsColumn);
        shown.LastReplayable = window.CanReplay(std::size_t(shown.Rows - 1));
    }
    for (int c = 0; c < ScoreCategoryCount; ++c)
        shown.Categories[std::size_t(c)] = window.CategoryPoints[std::size_t(c)]->text();
    return shown;
}

// The cab over a city, with the dialogs answered from a script and the loop stepped by the
// test. The city's map is a file: the drive's recording reads it.
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
        Selection.resize(200, 100);
        Selection.show();
    }
    ~TEvaluationCab() override {
        if (!View) return;
        View->EvaluationDue = false;
        View->hide();
        QCoreApplication::processEvents();
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

// The test ring, its rails so poor that a tram derails above 18 km/h, saved as a file.
struct TRingCab : TEvaluationCab {
    test::TTempDir Dir;
    test::TCabWorld Ring{10};
    TRingCab() {
        Ring.Map->FileName = Dir.Path("ring.vl");
        TFileFault fault = TFileFault::None;
        EXPECT_TRUE(Ring.Map->SaveToFile(&fault));
        Open(std::move(Ring.Map));
    }
};

TEST_F(TDemoCab, AShiftDrivenToItsEndShowsTheScoresEvaluationWithTheLiveLineBefore) {
    TEvaluation atEnd;
    TShownEvaluation shown;
    QString lineDuring, lineExpected, lineHidden;
    bool lineTopRight = false, hiddenByItem = false, shownAgain = false;
    int ticks = 0;
    test::WhenModalShows(nullptr, [&](QWidget*) {
        // The autopilot drives a minutes shift and its legs count (the headless evaluation),
        // so that the stops earn points; fast, under the autopilot.
        View->Score.Start(*World, TShift{TShiftKind::Minutes, 15}, View->Run.Steps, true);
        View->N6->trigger();
        View->SpeedItems[8]->trigger(); // x256
        for (int k = 0; k < 8; ++k, ++ticks)
            View->TimerTimer();
        lineDuring = View->ScoreLine->text();
        lineExpected = ScoreLineText(View->Score.Evaluation());
        const QRect line = View->ScoreLine->geometry();
        lineTopRight = View->ScoreLine->isVisible() && line.right() < View->width() &&
                       line.right() > View->width() * 3 / 4 && line.bottom() < View->height() / 4;
        View->ShowScoreItem->trigger();
        View->TimerTimer();
        ++ticks;
        hiddenByItem = !View->ScoreLine->isVisible() && !View->ShowScore;
        View->ShowScoreItem->trigger();
        shownAgain = View->ScoreLine->isVisible();
        test::WhenEvaluationShows([&](TEvaluationWindow& window) {
            atEnd = View->Score.Evaluation();
            shown = Read(window);
            QTest::mouseClick(window.CloseButton, Qt::LeftButton);
        });
        while (View->isVisible() && ticks < 400) {
            View->TimerTimer();
            ++ticks;
        }
        if (View->isVisible()) View->EvaluationDue = false; // failed: leave without the window
    });
    ASSERT_TRUE(
        RunGame(*Map, *World, *View, &Selection, 0, 0, {}, TShift{TShiftKind::Minutes, 15}));
    EXPECT_LT(ticks, 400);

    // While it ran: the points so far, the stops of the planned, over the top right.
    EXPECT_EQ(lineDuring, lineExpected);
    EXPECT_TRUE(lineDuring.contains(QString::fromUtf8(" из "))) << lineDuring.toStdString();
    EXPECT_TRUE(lineTopRight);
    EXPECT_TRUE(hiddenByItem);
    EXPECT_TRUE(shownAgain);
    EXPECT_TRUE(View->ShowScore);

    // At its end: the window with the score's own figures, and the outcome kept for the route
    // window.
    ASSERT_EQ(atEnd.End, TShiftEnd::Done);
    ASSERT_GT(atEnd.StopsReached, 1);
    EXPECT_GT(atEnd.Total, 0);
    EXPECT_EQ(shown.Total, OneDecimal(atEnd.Total));
    EXPECT_EQ(shown.Stars, StarsText(atEnd.Stars));
    EXPECT_TRUE(shown.End.contains(QString::fromUtf8("выполнена"))) << shown.End.toStdString();
    EXPECT_EQ(
        shown.Stops,
        QString::fromUtf8("Остановки: %1 из %2").arg(atEnd.StopsReached).arg(atEnd.PlannedStops));
    for (int c = 0; c < ScoreCategoryCount; ++c)
        EXPECT_EQ(shown.Categories[std::size_t(c)],
                  QString::fromUtf8("%1 из %2")
                      .arg(OneDecimal(atEnd.Points[std::size_t(c)]),
                           OneDecimal(atEnd.MaxPoints[std::size_t(c)])));
    EXPECT_EQ(shown.Rows, int(atEnd.Events.size()));
    ASSERT_TRUE(View->ShiftOutcome.has_value());
    EXPECT_EQ(View->ShiftOutcome->Evaluation.Total, atEnd.Total);
    EXPECT_EQ(View->ShiftOutcome->Evaluation.EndStep, atEnd.EndStep);
    EXPECT_EQ(View->ShiftOutcome->Drive.EndStep, atEnd.EndStep);
    EXPECT_FALSE(View->ShiftOutcome->Drive.Start.empty());
    EXPECT_FALSE(World->Running());
}

TEST_F(TRingCab, TheCrashsMessageThenTheEvaluationWhoseReplayPlaysFrom10SecondsBefore) {
    TShownEvaluation shown, again;
    TScoreEvent crash;
    long long replayFrom = -1, stepsAtReplay = -1, barFrom = -1, recordingFirst = -1;
    std::size_t messagesBefore = 0;
    bool forEvaluation = false, lineHidden = false, takeOverHidden = false, advanced = false;
    int ticks = 0;
    test::WhenModalShows(nullptr, [&](QWidget*) {
        recordingFirst = View->Run.Steps;
        // Stand still for 300 steps with the controller at rest, then full traction: the
        // crash lies more than 10 s after the recording's start.
        View->Cab.Joystick.ControllerOffset = 0;
        for (int k = 0; k < 300; ++k, ++ticks)
            View->TimerTimer();
        View->Cab.Joystick.ControllerOffset = -ControllerRange;
        test::WhenEvaluationShows([&](TEvaluationWindow& window) {
            messagesBefore = Dialogs.Log.size();
            shown = Read(window);
            const std::size_t last = View->ShiftOutcome->Evaluation.Events.size() - 1;
            crash = View->ShiftOutcome->Evaluation.Events[last];
            replayFrom = window.ReplayFrom(last);
            Dialogs.FileChoices.push_back(Dir.Path("shift.vlrec"));
            QTest::mouseClick(window.SaveButton, Qt::LeftButton);
            ClickReplay(window, int(last));
        });
        while (View->isVisible() && !View->Watching && ticks < 3000) {
            View->TimerTimer();
            ++ticks;
        }
        if (!View->Watching) return;
        stepsAtReplay = View->Run.Steps;
        barFrom = View->Watching->FromStep;
        forEvaluation = View->Watching->ForEvaluation;
        View->ShowMenuFor();
        takeOverHidden = !View->TakeOver->isVisible();
        for (int k = 0; k < 5; ++k)
            View->TimerTimer();
        advanced = View->Run.Steps == stepsAtReplay + 5;
        lineHidden = !View->ScoreLine->isVisible();
        // Leaving the replay brings the evaluation back; closing it ends the game.
        test::WhenEvaluationShows([&](TEvaluationWindow& window) {
            again = Read(window);
            QTest::mouseClick(window.CloseButton, Qt::LeftButton);
        });
        View->N4->trigger();
        if (View->isVisible()) View->EvaluationDue = false;
    });
    ASSERT_TRUE(
        RunGame(*Map, *World, *View, &Selection, 0, 0, {}, TShift{TShiftKind::Circuits, 1}));

    // The message first, then the evaluation.
    ASSERT_EQ(messagesBefore, 1u);
    // Its "Сохранить запись" wrote the drive up to the shift's end.
    ASSERT_EQ(Dialogs.Log.size(), 2u);
    EXPECT_EQ(Dialogs.Log[1], "replay save dialog");
    TReplay saved;
    std::string error;
    ASSERT_TRUE(ReadReplay(Dir.Path("shift.vlrec"), saved, error)) << error;
    EXPECT_EQ(Dialogs.Log[0].rfind("accident: ", 0), 0u) << Dialogs.Log[0];
    ASSERT_TRUE(View->ShiftOutcome.has_value());
    const TEvaluation& evaluation = View->ShiftOutcome->Evaluation;
    EXPECT_EQ(evaluation.End, TShiftEnd::Accident);
    EXPECT_EQ(shown.Total, OneDecimal(evaluation.Total));
    EXPECT_EQ(shown.Stars, QString::fromUtf8("☆☆☆☆"));
    EXPECT_TRUE(shown.End.contains(QString::fromUtf8("авария"))) << shown.End.toStdString();
    EXPECT_EQ(shown.Notes,
              QStringList{QString::fromUtf8("Авария: баллы смены уменьшены вдвое, звёзд нет.")});
    EXPECT_EQ(shown.LastRule, QString::fromStdString(RuleName(TScoreRule::Accident)));
    EXPECT_EQ(shown.LastPoints, QString::fromUtf8("÷2"));
    EXPECT_TRUE(shown.LastReplayable);

    // "Повтор" plays the drive in the cab from 200 steps before the crash.
    EXPECT_EQ(crash.Rule, TScoreRule::Accident);
    ASSERT_GT(crash.Step - StepsBeforeEvent, recordingFirst);
    EXPECT_EQ(replayFrom, crash.Step - StepsBeforeEvent);
    EXPECT_EQ(stepsAtReplay, replayFrom);
    EXPECT_EQ(barFrom, replayFrom);
    EXPECT_TRUE(forEvaluation);
    EXPECT_TRUE(takeOverHidden);
    EXPECT_TRUE(advanced);
    EXPECT_TRUE(lineHidden);
    EXPECT_EQ(again.Total, shown.Total);
    EXPECT_EQ(again.Rows, shown.Rows);
    EXPECT_FALSE(View->isVisible());
    EXPECT_FALSE(World->Running());
    EXPECT_EQ(View->ShiftOutcome->Drive.EndStep, evaluation.EndStep);
    EXPECT_EQ(saved.EndStep, evaluation.EndStep);
    EXPECT_EQ(saved.Events.size(), View->ShiftOutcome->Drive.Events.size());
}

// An open shift that reached no stop and had no event: leaving shows nothing.
TEST_F(TRingCab, LeavingAnOpenShiftThatSawNothingShowsNoWindow) {
    bool lineShown = false;
    std::shared_ptr<test::TModalWatch> evaluation;
    test::WhenModalShows(nullptr, [&](QWidget*) {
        View->TimerTimer();
        lineShown = View->ScoreLine->isVisible();
        evaluation = test::WhenEvaluationShows([](TEvaluationWindow&) {});
        View->N4->trigger();
        if (View->isVisible()) View->EvaluationDue = false;
    });
    ASSERT_TRUE(RunGame(*Map, *World, *View, &Selection, 0, 0, {}));
    EXPECT_TRUE(lineShown);
    EXPECT_FALSE(View->isVisible());
    ASSERT_TRUE(evaluation);
    EXPECT_FALSE(evaluation->Shown);
    ASSERT_TRUE(View->ShiftOutcome.has_value());
    EXPECT_EQ(View->ShiftOutcome->Evaluation.End, TShiftEnd::Left);
    EXPECT_EQ(View->ShiftOutcome->Evaluation.Shift.Kind, TShiftKind::Open);
}

// The window alone: its rows, which events the recording holds, where each replay starts.
TEST(EvaluationWindow, RowsReplayOnlyWhatTheRecordingHoldsFrom10SecondsBefore) {
    TEvaluation e;
    e.Shift = {TShiftKind::Circuits, 2};
    e.End = TShiftEnd::Left;
    e.StartStep = 1000;
    e.EndStep = 1000 + std::llround(TicksPerMinute * 30);
    e.PlannedStops = 20;
    e.StopsReached = 7;
    e.Total = 31.25;
    e.Stars = 0;
    e.Points = {100, 60, 70, 80};
    e.MaxPoints = {800, 400, 400, 400};
    const long long recordFirst = 3000, recordEnd = e.EndStep;
    e.Events = {
        {2500, TScoreRule::Late, 4.46, 133, 2, 1234.4, 567.6}, // before the recording
        {3100, TScoreRule::Overspeed, 0.04, 3, 3, 10, 20},     // within 10 s of its start
        {1000 + std::llround(TicksPerMinute * 12 + TicksPerSecond * 5), TScoreRule::StopPassed, 20,
         0, 0, 300, 400},
    };
    TEvaluationWindow window(e, recordFirst, recordEnd);
    int saves = 0;
    window.SaveRecording = [&] { ++saves; };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(window.Total->text(), QString::fromUtf8("31,3"));
    EXPECT_EQ(window.Stars->text(), QString::fromUtf8("☆☆☆☆"));
    EXPECT_EQ(window.StopsLine->text(), QString::fromUtf8("Остановки: 7 из 20"));
    EXPECT_TRUE(window.EndLine->text().endsWith(QString::fromUtf8("время 30:00")));
    EXPECT_EQ(window.CategoryBars[0]->value(), 125); // 100 of 800, in thousandths
    EXPECT_EQ(window.CategoryPoints[2]->text(), QString::fromUtf8("70,0 из 400,0"));
    ASSERT_EQ(window.Events->rowCount(), 3);
    EXPECT_EQ(Cell(window, 0, TEvaluationWindow::PlaceColumn),
              QString::fromUtf8("к остановке 2 (1234, 568 м)"));
    EXPECT_EQ(Cell(window, 0, TEvaluationWindow::PointsColumn), QString::fromUtf8("−4,5"));
    EXPECT_EQ(Cell(window, 1, TEvaluationWindow::PointsColumn), QString::fromUtf8("0"));
    EXPECT_EQ(Cell(window, 2, TEvaluationWindow::TimeColumn), QString::fromUtf8("12:05"));
    EXPECT_EQ(Cell(window, 2, TEvaluationWindow::PlaceColumn), QString::fromUtf8("300, 400 м"));
    EXPECT_EQ(Cell(window, 2, TEvaluationWindow::RuleColumn),
              QString::fromStdString(RuleName(TScoreRule::StopPassed)));

    QTest::mouseClick(window.SaveButton, Qt::LeftButton);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(window.isVisible());

    // The event before the recording: its button is greyed and does nothing.
    EXPECT_FALSE(window.CanReplay(0));
    EXPECT_FALSE(window.Events->item(0, TEvaluationWindow::ReplayColumn)->flags() &
                 Qt::ItemIsEnabled);
    ClickReplay(window, 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.ReplayEvent.has_value());
    // Within 10 s of the start: from the start; later: 200 steps before.
    EXPECT_EQ(window.ReplayFrom(1), recordFirst);
    EXPECT_EQ(window.ReplayFrom(2), e.Events[2].Step - 200);
    ClickReplay(window, 2);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.ReplayEvent, std::optional<std::size_t>(2));
}

// In English: the words, the rules and the decimal point.
TEST(EvaluationWindow, SpeaksEnglish) {
    TProgramLanguage texts(TLanguage::English);
    texts.Install();
    TEvaluation e;
    e.Shift = {TShiftKind::Minutes, 60};
    e.End = TShiftEnd::Accident;
    e.UsedAutopilot = true;
    e.Total = 12.5;
    e.Events = {{10, TScoreRule::Early, 3.5, 3.5, 1, 1, 2},
                {20, TScoreRule::Accident, 0, 0, 1, 1, 2}};
    TEvaluationWindow window(e, 0, 100);
    QStringList seen;
    for (const QLabel* l : window.findChildren<QLabel*>())
        seen << l->text();
    for (const QPushButton* b : window.findChildren<QPushButton*>())
        seen << b->text();
    for (int c = 0; c < TEvaluationWindow::ColumnCount; ++c)
        seen << window.Events->horizontalHeaderItem(c)->text();
    for (int r = 0; r < window.Events->rowCount(); ++r)
        for (int c = 0; c < TEvaluationWindow::ColumnCount; ++c)
            seen << Cell(window, r, c);
    seen << window.windowTitle() << ScoreLineText(e);
    for (const QString& t : seen)
        EXPECT_FALSE(std::any_of(t.begin(), t.end(), [](QChar c) {
            return c.unicode() >= 0x400 && c.unicode() <= 0x4FF;
        })) << t.toStdString();
    EXPECT_EQ(window.Total->text(), QStringLiteral("12.5"));
    EXPECT_EQ(Cell(window, 0, TEvaluationWindow::PointsColumn), QString::fromUtf8("−3.5"));
}

} // namespace
} // namespace vell

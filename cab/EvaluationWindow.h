// The evaluation of a shift ("Оценка смены"), shown when the shift ends: the total and its stars,
// the four categories with their bars, and every event with the time, the place, the rule and
// the points it cost, each with "Повтор" (the drive's recording from 10 s before it) and
// "Сохранить запись". Also the words of the live line that the cab shows while the shift runs.
#pragma once

#include "sim/save/Replay.h"
#include "sim/shift/ShiftScore.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace vell {

// "Повтор" of an event plays the recording from this many world steps before it: 10 s at x1.
constexpr long long StepsBeforeEvent = StepsPerPlayedMinute / 6;

// Figures as the evaluation writes them, in the program's language.
// One decimal, with the language's separator: "4,5" ("4.5" in English).
QString OneDecimal(double value);
// What an event cost: "−4,5"; "0" when nothing.
QString PointsLostText(double points);
// What an event cost as the list shows it: the accident "÷2", which halves the total.
QString EventPointsText(const TScoreEvent& event);
// Filled and empty stars out of 4: "★★★☆".
QString StarsText(int stars);
// World steps as simulated time, m:ss ("12:05"; the minutes grow past 59).
QString ShiftClockText(long long steps);
// The shift as the route window offers it: "2 круга", "60 минут", "без конца".
QString ShiftKindText(const TShift& shift);
// How it ended: "выполнена", "завершена игроком", "авария".
QString ShiftEndText(TShiftEnd end);
// Where an event happened: "к остановке 3 (1234, 567 м)".
QString EventPlaceText(const TScoreEvent& event);

// The live line over the cab's picture from the shift as it stands: the total so far and the
// stops reached (of the planned, for a shift that plans them), and on a second line the last
// event and what it cost.
QString ScoreLineText(const TEvaluation& evaluation);

class TEvaluationWindow : public QDialog {
    Q_OBJECT
  public:
    // The events from `replayFirst` up to `replayEnd` (the steps the drive's recording holds;
    // an empty range when there is none) can be replayed.
    TEvaluationWindow(const TEvaluation& evaluation, long long replayFirst, long long replayEnd,
                      QWidget* parent = nullptr);

    // "Сохранить запись": called with the window still up.
    std::function<void()> SaveRecording;
    // The event whose "Повтор" was pressed; the window then closes, accepted.
    std::optional<std::size_t> ReplayEvent;

    // Whether the recording holds the event, and the step its replay starts at: 10 s before
    // it, or the recording's start when that is later.
    bool CanReplay(std::size_t event) const;
    long long ReplayFrom(std::size_t event) const;
    // "Повтор" of the event in this row of the list.
    void ReplayClick(int row);

    // The controls, for the tests.
    QLabel* Total;
    QLabel* Stars;
    QLabel* ShiftLine;
    QLabel* EndLine;
    QLabel* StopsLine;
    // A line each on the accident's halving, the autopilot's legs, a continued game.
    std::vector<QLabel*> Notes;
    std::array<QLabel*, ScoreCategoryCount> CategoryNames{};
    std::array<QProgressBar*, ScoreCategoryCount> CategoryBars{};
    std::array<QLabel*, ScoreCategoryCount> CategoryPoints{};
    QLabel* EventsTitle;
    QTableWidget* Events;
    QPushButton* SaveButton;
    QPushButton* CloseButton;

    // The columns of the events list; the last is the replay button's.
    enum { TimeColumn, PlaceColumn, RuleColumn, PointsColumn, ReplayColumn, ColumnCount };

  private:
    void BuildSummary();
    void BuildCategories();
    void BuildEvents();
    // The events list's width with every column whole.
    int EventsWidth() const;

    TEvaluation Shown;
    long long RecordFirst, RecordEnd;
};

} // namespace vell

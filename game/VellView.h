// The top view (TVellView, "Трамвай. Вид сверху."): the running tram system from above, with an
// information column about the followed tram (PlayerTram), a speed control for the simulation
// and the route report. Shown modally for one top-view run; its 50 ms timer runs the world.
#pragma once

#include "game/DiagramWindow.h"
#include "model/UserDialogs.h"
#include "model/draw/MapBitmaps.h"
#include "sim/TimeDistanceRecorder.h"
#include "sim/World.h"

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPainter;
class QPushButton;
class QScrollBar;
class QSlider;
class QTimer;

namespace vell {

class TPaintBox;

extern const char* const VellViewCaption; // "Трамвай. Вид сверху."
extern const char* const PassCountLabel;  // "Пассажиров на остановке:"
// The caption while a replay runs: "Повтор: последняя минута перед аварией".
extern const char* const ReplayCaption;

// What the top view's diagram keeps however long the view stays open: the last 12 simulated
// hours (about 40 seconds of viewing at the top speed), the last hour at every sample and
// older ones one in 15, a quarter of a minute, about half a pixel of a 12-hour picture.
constexpr TRecordingLimit ViewDiagramLimit{12 * 60, 60, 15};

// The information column: x 0..170 of the window, left of the plan. Its texts keep a margin
// from the window's edge.
constexpr int InfoColumnWidth = 170, InfoMargin = 3;
// The ring round the followed tram: its pen, and how far it stays outside the tram's ends.
constexpr std::uint32_t FollowedRingColour = 0x00FFFF; // yellow, 0x00BBGGRR
constexpr int FollowedRingWidth = 2, FollowedRingGap = 5, FollowedRingLeast = 12;

// Seconds as the top view writes times: minutes, a colon and two digits of seconds ("2:05").
QString MinutesSeconds(std::int64_t seconds);
// The text of ScheduleState -2..2 ("Сильно обогнал расписание" .. "Сильно отстал от расписания").
QString ScheduleText(int scheduleState);
// The deviation from the timetable as VDTime shows it: "(на 2:05)" off schedule, "(разница
// -0:40)" or "(разница 0:40)" on it.
QString DeviationText(int scheduleState, std::int32_t deviationTicks);

class TVellView : public QDialog {
    Q_OBJECT
  public:
    // The window reads and changes the program's one map, bitmaps and world; all outlive it.
    TVellView(TMap& map, TMapBitmaps& bitmaps, TWorld& world, IUserDialogs& dialogs,
              QWidget* parent = nullptr);

    // Controls, with the names of the form.
    TPaintBox* PB;
    QLabel* CInfo;
    QLabel* CBortNumber;
    QLabel* VBortNumber;
    QLabel* URouteNumber;
    QLabel* VRouteNumber;
    QLabel* CDTime;
    QLabel* VDTime;
    QLabel* CMaxDTime;
    QLabel* VMaxDTime;
    QLabel* CSpeed;
    QLabel* VSpeed;
    QLabel* CDSpeed;
    QLabel* VDSpeed;
    QLabel* CController;
    QLabel* VController;
    QLabel* CDoors;
    QLabel* CVagons;
    QLabel* VVagons;
    QLabel* CPassengers;
    QLabel* VPassengers;
    QPushButton* btShow;
    QLabel* ViewSpeed;
    QLabel* SpeedValue; // "x16": the world steps per tick at the track bar's position
    QSlider* Speed;
    QCheckBox* ShowOccupied; // "Показать занятые пути": the held rails and the jams on the plan
    QPushButton* btDiagram; // "График движения" of the followed tram's route
    QPushButton* btPause;   // "Пауза (Пробел)" / "Продолжить (Пробел)"
    QScrollBar* HSB;
    QScrollBar* VSB;
    QPushButton* RouteInfo;
    QTimer* Timer;

    // True while the right mouse button is held on the plan; where it was pressed.
    bool ShowWaiting = false;
    QPoint WaitPoint;
    // What ShowPassCount drew on its last call: the text and the pixels its box covers, or an
    // empty text.
    QString PassCountText;
    QRect PassCountBox;

    // The world stands still while paused; the view still draws, scrolls and picks trams.
    bool Paused = false;
    // Set by "Показать": every tick the view centres on the followed tram, until the user
    // scrolls.
    bool Following = false;

    // World steps per timer tick at a position of the speed track bar: 2^position.
    static int StepsPerTick(int position) { return 1 << position; }

    void TimerTimer();
    // Shows the window on a replayed world (the player's tram the replay's): `beforeStep` puts
    // the recorded commands in before each world step and says false at the replay's end, where
    // the world stands still. The caption says it is a replay.
    void ExecReplay(std::function<bool()> beforeStep);
    // Draws one tram onto a painter open on the plan bitmap, the view origin at (originX, originY).
    void DrawVell(QPainter& plan, const TVell& tram, int originX, int originY) const;
    void ShowInfo();
    // The route of a slot as the information column names it: the slot ("1 ", "1А"), and the
    // line riders know where the map names it otherwise ("3А, линия 3E").
    QString RouteText(int row, int column) const;
    void ShowPassCount();
    void PBMouseDown(Qt::MouseButton button, int x, int y);
    void PBMouseUp(Qt::MouseButton button, int x, int y);
    // Centres the view on the followed tram (the end of its lead car's rail) and keeps
    // following it.
    void btShowClick();
    // Pauses a running world, resumes a paused one (also Space).
    void PauseClick();
    void RouteInfoClick();
    // Shows the time-distance diagram of the followed tram's route since the view opened (or
    // since that tram was first followed) in a window of its own beside the view.
    void btDiagramClick();
    // The ring round the followed tram, over the trams.
    void DrawFollowedMark(QPainter& plan, int originX, int originY) const;

    // The diagram window, made by the first btDiagramClick; none before.
    TDiagramWindow* DiagramWindow = nullptr;
    // How much the diagram's recorder keeps, for a recorder made from now on.
    TRecordingLimit DiagramLimit = ViewDiagramLimit;
    // The recorder of the followed tram's route while the view is shown, or none.
    const TTimeDistanceRecorder* DiagramRecorder() const { return Recorder.get(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Esc does nothing here: a run may have taken a long run-ahead, and the window's close
    // button is the way out.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FollowRouteForDiagram();
    void FollowPlayerTram();
    void SetPaused(bool paused);
    void ShowSpeedValue();

    TMap& Map;
    TMapBitmaps& Bitmaps;
    TWorld& World;
    IUserDialogs& Dialogs;
    std::function<bool()> BeforeStep;                // while a replay runs
    std::unique_ptr<TTimeDistanceRecorder> Recorder; // the followed tram's route, while shown
    bool Placed = false;                             // placed on the screen at its first show
};

} // namespace vell

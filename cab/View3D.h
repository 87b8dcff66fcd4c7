// The cab view (TView3D, "Вид из кабины. Пробел - вызов меню."): the window from which the
// player drives PlayerTram while the whole tram system runs. Its 50 ms timer is the game loop:
// the mouse joystick into the tram, the world steps, then one frame of sky, ground, scene and
// gauges. Space or Esc opens the popup menu; the graphics settings panel and the help (F1, and
// at the first game of the program run) float over the picture.
#pragma once

#include "cab/CabState.h"
#include "cab/look/LookScene.h"
#include "cab/sound/CabSound.h"
#include "model/Map.h"
#include "model/Random.h"
#include "model/UserDialogs.h"
#include "sim/World.h"
#include "sim/save/Replay.h"
#include "sim/save/WorldSave.h"
#include "sim/shift/ShiftScore.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QSize>
#include <QTime>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QOpenGLFramebufferObject;
class QPushButton;
class QSlider;
class QTimer;

namespace vell {

class TLookRenderer;
struct TSceneLists;
class TSoundPanel;
class TView3D;

extern const char* const View3DCaption; // "Вид из кабины. Пробел - вызов меню."
extern const char* const AccidentText; // "Авария!"

// Asks every OpenGL surface of the program for what the cab needs: a compatibility-profile
// context (fixed-function drawing), double buffered, with a depth buffer. Call before the
// application object is created.
void SetCabSurfaceFormat();

// The OpenGL picture over the whole client area of the cab view: it draws the view's frames
// and hands the mouse to the view.
class TCabSurface : public QOpenGLWidget {
  public:
    explicit TCabSurface(TView3D& view);
    ~TCabSurface() override;
    // Draws a frame now, inside the caller, and has it shown; false when the surface has no
    // context yet (the frame then follows with the next paint).
    bool DrawFrameNow();
    // Frees the off-screen picture of full-screen rendering (makes the context current).
    void DropScaleBuffer();
    // The size of the picture drawn by the last frame, in pixels.
    QSize LastRenderSize;

  protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void RenderFrame();

    TView3D& View;
    std::unique_ptr<QOpenGLFramebufferObject> ScaleBuffer;
    // A frame drawn by DrawFrameNow into this framebuffer waits to be shown: the paint that
    // shows it need not draw it again. A resize or a new context drops it.
    unsigned FreshFrameBuffer = 0;
    bool FreshFrame = false;
};

// A shift that ended in the cab: its evaluation and the drive's recording up to its end.
struct TShiftOutcome {
    TEvaluation Evaluation;
    TReplay Drive;
};

class TView3D : public QDialog {
    Q_OBJECT
  public:
    // The window draws and drives the program's one map and world; both outlive it. The
    // accident message goes through `dialogs`.
    TView3D(TMap& map, TWorld& world, IUserDialogs& dialogs, QWidget* parent = nullptr);
    ~TView3D() override;

    // Controls, with the names of the form, and the panel's title and track bar values.
    TCabSurface* Surface;
    QFrame* Panel;
    QLabel* PanelTitle;
    QLabel* CResolution;
    QComboBox* WH;
    QLabel* CDistWall;
    QSlider* UDistWall;
    QLabel* VDistWall; // "500 м"
    QLabel* CDistTree;
    QSlider* UDistTree;
    QLabel* VDistTree;
    QLabel* CLook;
    QComboBox* LookBox; // "По карте", "Классический вид", "Подробный вид"
    QLabel* Label1;
    QSlider* UDistVell;
    QLabel* VDistVell;
    QPushButton* Done;
    QPushButton* Cancel;
    QMenu* Menu;
    QAction* N1;            // "Полный экран (&F)"
    QAction* N6;            // "Автопилот (&A)"
    QAction* D1;            // "Показывать задержку (&D)"
    QAction* ShowScoreItem; // "Показывать оценку (&E)"
    QMenu* N2;              // "Скорость игры:"
    std::array<QAction*, GameSpeedCount> SpeedItems{}; // "x1" .. "x1024", one radio group
    QActionGroup* SpeedGroup;
    QAction* SaveGame;    // "Сохранить игру"
    QAction* SaveReplay;  // "Сохранить запись"
    QAction* PauseReplay; // "Пауза (&P)": shown while a recording plays
    QAction* TakeOver;    // "Взять управление (&T)": shown while a recording plays
    QAction* N3;          // "Настройки графики..."
    QAction* SoundItem;   // "Звук..."
    TSoundPanel* SoundPanel;
    QAction* B1; // "Назад (&B)"
    QAction* N4; // "Выход (&Q)"
    QTimer* Timer;
    // The help over the picture: how to drive, the keys and the gauges.
    QFrame* Help;
    QLabel* HelpText;
    // Over the picture's top left while a recording plays: where it is, its speed, pause.
    QLabel* ReplayBar;
    // Over the picture's top right while the player drives a shift: the points so far, the
    // stops, the last event.
    QLabel* ScoreLine;

    // The popup menu or the accident message is up: the game loop waits.
    bool MenuOpen = false;
    // The settings panel is up: the game loop waits.
    bool SettingsOpen = false;
    // The help is up: the game loop waits.
    bool HelpOpen = false;
    // The help has been shown in this program run: only the first game shows it by itself.
    bool HelpSeen = false;
    // The picture may be drawn: set by CreateGL, cleared by ReleaseGL.
    bool GLReady = false;
    bool ResizeEnabled = false;
    // A switch between window and full screen is under way.
    bool SwitchingMode = false;
    // The next show takes the joystick from the player's tram (a continued game) instead of
    // starting with both buttons up.
    bool JoystickFromTram = false;
    bool ShowDelay = false;
    // Mirror of ShowScoreItem: kept for the program run, as the delay display is.
    bool ShowScore = true;
    // The look the settings chose, kept between runs.
    TLookSetting LookSetting = TLookSetting::ByMap;
    // The local time of the tick, in hours: the detailed look's sun.
    double LookHours = 12;
    // The shift has ended and its evaluation waits to be seen, or is being replayed from: the
    // cab shows it as it closes, and closes when the player closes it.
    bool EvaluationDue = false;
    // The first step of the shift's recording (ShiftOutcome's Drive): its events before it
    // cannot be replayed.
    long long ShiftRecordingFirst = 0;
    // Full screen is on: frames are drawn at ScreenModeWidth x ScreenModeHeight and scaled to
    // the screen, since changing the display's own mode is no longer done on desktops.
    bool FullScreenRendering = false;

    TCabState Cab;
    // The game being driven: its seed and world steps (the run-ahead's and this window's). The
    // program state is read from the menu when saved. The game keeps no run statistics.
    TRunState Run;
    // The cab shake's random numbers: the view's own, so that the simulation's sequence does not
    // depend on how many frames were drawn.
    TRandom ShakeRandom;
    // The drive since the cab opened or the player took over, recorded for "Сохранить запись" and
    // "Повтор"; why not, when the recording could not start.
    TDriveRecorder Recorder;
    std::string RecordingError;
    // The shift being driven and its score: Run.Shift points here while the player drives. A
    // game starts it, a continued game takes it from the save, taking over a recording starts
    // an open one.
    TShiftScore Score;
    // The last shift that ended in this window, for the route window to keep among the best.
    std::optional<TShiftOutcome> ShiftOutcome;
    // The player rang the bell (B) since the last tick: the recording notes it before the tick's
    // first step, and a replay rings it again.
    bool BellRung = false;
    // After "Повтор": the last minute before the crash, which the cab has just played and the
    // top view plays next. Taken by the game once the cab has closed.
    std::optional<TReplay> CrashReplay;
    // A recording being played in the cab; none while the player drives.
    struct TWatching {
        explicit TWatching(TReplay replay) : Replay(std::move(replay)), Player(Replay) {}
        TReplay Replay;
        TReplayPlayer Player;
        long long FromStep = 0; // where the playing started, for the bar
        bool Paused = false;
        bool Crash = false; // the last minute before a crash: the cab closes at its end
        // An event of the evaluation: leaving it shows the evaluation again.
        bool ForEvaluation = false;
    };
    std::unique_ptr<TWatching> Watching;

    // The local time of day that sets the day light.
    std::function<QTime()> TimeOfDay = [] { return QTime::currentTime(); };
    // Milliseconds the last tick spent on world steps, background and scene (the delay display).
    long long Elapsed = 0;
    int FramesDrawn = 0;

    void TimerTimer();
    void CreateGL();
    void ReleaseGL();
    bool EnterFullScreenMode();
    void LeaveFullScreenMode();
    void FormResize();
    void FormKeyPress(QChar key);
    // The popup menu at the window's middle (space and Esc).
    void OpenMenu();
    // The help, fitted to the window, for the player's tram (its speedometer may be broken).
    void ShowHelp();
    void HideHelp();
    // The help's text, with the line on a broken speedometer or without it.
    static QString HelpHtml(bool speedometerBroken);
    void FormMouseDown(Qt::MouseButton button);
    void FormMouseMove(double x, double y);
    void FormMouseUp(Qt::MouseButton button);
    void N1Click();
    void N6Click();
    void D1Click();
    void ShowScoreClick();
    // x11Click .. x10241Click: item 0..10 of the speed submenu.
    void SpeedClick(int item);
    // "Сохранить игру": the whole game into the file the player names, the world paused.
    void SaveGameClick();
    // The game as saved: the menu's autopilot and speed set from the save's program state.
    void UseProgramState(const TProgramState& program);
    // A game that the player drives starts here: its recording starts with the world as it is.
    void BeginDrive();
    // "Сохранить запись": the drive so far into the file the player names, the world paused.
    void SaveReplayClick();
    // Plays `replay` in this window from the run's step `fromStep`: the world is restored from
    // the replay's start and run up to there. `crash`: the last minute before a crash, played
    // once at x1 after which the cab closes. Empty when playing, else one Russian line why.
    std::string StartWatching(TReplay replay, long long fromStep, bool crash);
    void PauseReplayClick();
    // "Взять управление": the recording stops and the player drives on from here, a new drive.
    void TakeOverClick();
    // The menu's items for driving or for watching.
    void ShowMenuFor();
    void UpdateReplayBar();
    // The live line from the shift as it stands, after the tick's world steps.
    void UpdateScoreLine();
    // The shift has ended: its evaluation and its drive's recording kept in ShiftOutcome, and
    // the evaluation due unless an open shift saw nothing.
    void EndShift();
    // The evaluation window, the world paused. False when the player chose an event's "Повтор":
    // the cab plays it and stays open; true when they closed the window.
    bool ShowEvaluation();
    // Whether the cab may close now: a shift still running ends and its evaluation comes first.
    bool MayClose();
    // "Сохранить запись" of the evaluation: the shift's drive, up to its end.
    void SaveShiftRecording();
    void N3Click();
    void N4Click();
    void DoneClick();
    void CancelClick();
    // "Звук...": the sound panel over the picture; the game waits while it is up.
    void SoundClick();

    // The cab's sound: heard at x1 while the game runs, silent otherwise.
    TCabSound Sound;

    // What a game start does to the window: autopilot checked and full screen unchecked
    // without their handlers, a normal sizeable window, resizing allowed, at the resolution of
    // the settings and centred on the screen.
    void PrepareForGame();
    // Sizes the window to the resolution of the settings as far as the screen allows, then
    // places it: at `wanted` when it fits the screen there, else centred.
    void SizeToResolution(std::optional<QPoint> wanted);

    // One frame into the current OpenGL context at this size: background, scene, delay,
    // gauges.
    void DrawFrame(int width, int height);
    // The size frames are drawn at on a surface of this size.
    QSize RenderSize(QSize surface) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildPanel();
    void BuildMenu();
    void BuildHelp();
    void BuildReplayBar();
    void BuildScoreLine();
    // The live line at the picture's top right.
    void PlaceScoreLine();
    void HidePanel();
    // Places the help over the middle of the picture in the largest font that fits it.
    void FitHelp();
    // What the scene of either look is drawn from: the eye, the light, the distances.
    TSceneView SceneView() const;
    // The scene pass: the city and the other trams, under the eye transformation.
    void DrawScene();
    // The same in the detailed look.
    void DrawLookScene();
    void BuildSound();
    // What the tick just ran is heard: the player's tram and the trams near it, at x1 only.
    void HearTick();
    // The speedometer's figure of the limit ahead, after the tick's world steps.
    void UpdateLimitFigure();
    // The accident message and what the player chose on it.
    void AfterAccident(const TVell& tram);

    TMap& Map;
    TWorld& World;
    IUserDialogs& Dialogs;
    QElapsedTimer TickClock;
    qint64 FrameStart = 0;  // the tick counter at step 4 of the tick being drawn
    bool TickFrame = false; // the frame being drawn belongs to a timer tick
    QSize FittedSize;       // the client size the last window-shape fitting set
    std::unique_ptr<TSceneLists> SceneLists;
    std::unique_ptr<TLookRenderer> LookRenderer;
    std::string LookWarningTold; // the last reason the look is missing, told on stderr

  public:
    // Whether the frames draw the detailed look: the setting, and for "by the map" the map.
    bool DetailedLook() const;
    // A new OpenGL context: what the detailed look made in the old one is gone.
    void LookContextLost();

  private:
    // What the live line shows; it is written again only when this changes.
    struct TScoreLineKey {
        double Earned = -1;
        std::int32_t Reached = -1, Planned = -1;
        long long LastStep = -1;
        int LastRule = -1;
        double LastPoints = -1;
        bool operator==(const TScoreLineKey&) const = default;
    } ScoreLineShows;
};

} // namespace vell

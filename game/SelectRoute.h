// The route selection window (TSelectRoute, caption "Трамвай"): the game's main window. The
// player picks a map, sees its routes with their figures and an overview of the map, saves the
// route scheme picture and starts the top view on the chosen route.
#pragma once

#include "model/UserDialogs.h"
#include "model/draw/MapBitmaps.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "sim/save/WorldSave.h"
#include "sim/shift/ShiftScore.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace vell {

class TPaintBox;
class TRouteMap;
class TRunAheadLoop;
class TVellView;
class TView3D;
struct TShiftOutcome;

extern const char* const SelectRouteCaption;     // "Трамвай"
extern const char* const BuildingNetworkCaption; // "Составление карты путей..."
extern const char* const LayingRoutesCaption;    // "Прокладка маршрутов..."
extern const char* const RailErrorText; // "Ошибка с рельсами!\r\nПроверьте карту в редакторе"
extern const char* const WaitingForTramCaption; // "Ожидание появления вагона на маршруте..."
// Why "Сохранить схему линий" draws nothing: no map chosen, or a map with faulty rails.
extern const char* const SchemeNeedsMapText;
extern const char* const SchemeNeedsRailsText;
// The question before the picture replaces a file that this run did not write.
extern const char* const SchemeReplaceQuestion;

// The route table's columns: the slot ("№"), the line as riders know it ("Линия"; the slot's own
// name where the map names none), then the figures of the game's route table.
constexpr int RouteTableColumns = 9;
constexpr int LineColumn = 1;
extern const char* const LineHeader; // "Линия"

// The route table's width: the designed 540 pixels and room for the line's column, the window
// still within a screen 800 pixels wide. The overview and the buttons stand to its right.
constexpr int RouteTableWidth = 590;
// The route window's client size, and the least width its route table keeps when the window
// narrows to fit a small screen: the designed 369 pixels and rows for the shift's setting and
// "Лучшие смены...".
constexpr int SelectRouteWidth = RouteTableWidth + 202, SelectRouteHeight = 417,
              LeastRouteTableWidth = 240;
// "Продолжить игру..." shares the exit's row, at its left; "Начать игру" the top view's row, at
// its right.
constexpr int ContinueGameWidth = 126;
constexpr int StartWidth = 96;
// The shift's caption "Смена:" at the left of its setting.
constexpr int ShiftLabelWidth = 44;

// The shifts "Начать игру" offers, in the setting's order: open, 1..5 circuits, then minutes.
std::vector<TShift> OfferedShifts();

// The route slot of a name as the table writes it: the position of its first character among
// the digits 1..9 and of its second among the suffixes (blank, 0..9, А, Б); a character that is
// not found, or missing, counts as 0.
std::pair<int, int> ParseRouteName(const QString& name);

// Why a run-ahead ended without the view opening, for the player; empty for Ready.
QString RunAheadFailureText(TRunAhead outcome, bool allTrams, int row, int col, int vellCount,
                            int totalTrams);

class TSelectRoute : public QWidget {
    Q_OBJECT
  public:
    // The window reads and changes the program's one map, bitmaps and world; all outlive it.
    TSelectRoute(TMap& map, TMapBitmaps& bitmaps, TWorld& world, IUserDialogs& dialogs,
                 QWidget* parent = nullptr);
    ~TSelectRoute() override;
    // The windows created after this one that its buttons show; without a cab view no game
    // can start.
    void SetWindows(TRouteMap* routeMap, TVellView* vellView, TView3D* view3D = nullptr);
    // The maps that come with the game, where a save's or a recording's moved map is looked for.
    void SetBundledMaps(const std::string& folder) { BundledMaps = folder; }

    // Controls, with the names of the form.
    TPaintBox* MapPB;
    QTableWidget* RouteTable;
    QPushButton* SelectMap;
    QPushButton* Button1;
    QCheckBox* DoProcess;
    QPushButton* Start;
    QPushButton* StartGame;
    QPushButton* ContinueGame; // "Продолжить игру..."
    QPushButton* WatchReplay;  // "Смотреть запись..."
    QPushButton* BestShifts;   // "Лучшие смены..."
    QLabel* ShiftLabel;        // "Смена:"
    QComboBox* ShiftSetting; // the shift "Начать игру" starts: OfferedShifts(), open at first
    QPushButton* Button2;

    std::int32_t TotalTrams = 0;
    // The table row last selected, counted as the grid does: 0 is the header row.
    std::int32_t SelectedGridRow = 0;
    std::uint8_t SelectedRouteRow = 0;
    std::uint8_t SelectedRouteCol = 0;

    // At start-up, when the command line named a map: the map is selected as if chosen with
    // "Выбрать карту...", or the player is told that it could not be opened.
    void SelectMapAtStartUp(bool mapNamed);

    // Opens the chosen map, or imports the chosen OpenStreetMap extract.
    void SelectMapClick();
    // Imports an extract with the default options, writes its map beside it (or where the
    // player says when its folder takes no new file) and chooses that map as any map.
    void ImportExtract(const std::string& extract);
    // What choosing a map does once it is open: network, routes, table, overview.
    void UseOpenedMap();
    void AddToTable(int i, int j);
    void ParseSelectedRoute();
    // `row` counts as the grid does: 1 is the first route.
    void RouteTableSelectCell(int column, int row);
    void Button1Click();
    void StartClick();
    void StartGameClick();
    // The shift chosen beside the route; kept for the program run.
    TShift ChosenShift() const;
    // Chooses a saved game and continues it.
    void ContinueGameClick();
    // Opens the save's map as a chosen map is opened, then shows the cab view where the player
    // left. A save that does not fit (unreadable, its map missing or changed and none chosen in
    // its place, no player's tram) is refused with the reason, leaving the map as it was.
    // Whether the game was shown.
    bool ContinueSavedGame(const std::string& path);
    // Chooses a drive's recording and plays it.
    void WatchReplayClick();
    // Opens the recording's map as ContinueSavedGame opens a save's, then plays the recording in
    // the cab view. A recording that does not fit is refused with the reason, leaving the map
    // as it was. Whether it was shown.
    bool WatchSavedReplay(const std::string& path);
    // Lists the best shifts of the open map; the one the player chooses is played as a recording.
    void BestShiftsClick();
    // After a game: a finished shift that may be a best shift (`score.Eligible()`) is added to
    // the best shifts with its recording; a failure to write is said in one line. Whether it was
    // added.
    bool KeepBestShift(const TShiftScore& score, const TShiftOutcome& outcome);
    void Button2Click();

    // The run-ahead of a start: true when the view may open. The caption shows the progress;
    // Esc or closing the window stops it, and a run that cannot succeed ends with a message.
    bool PreRun();
    bool WaitForTram();
    void FindPlayerTram();

    // A map has been selected and its rail network is sound.
    bool MapReady() const { return Ready; }
    bool RunningAhead() const { return Running; }
    bool ImportingExtract() const { return ImportRunning; }
    // Asks a running run-ahead to stop at its next pause.
    void CancelRunAhead() { CancelRequested = Running; }
    // Data rows of the table that hold a route.
    int RouteRowCount() const { return RoutesListed; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void FitToScreen();
    bool MayWriteScheme(const QString& path);
    void ResetTable();
    void SetCaption(const QString& caption);
    void UpdateButtons();
    bool SelectedRouteStartable() const;
    bool RunAheadLoop(TRunAheadLoop& loop, bool allTrams);
    // What follows any game: its shift kept when it is a best shift, after "Повтор" the crash's
    // last minute from above, then the network freed when a close asked for it during the game.
    void AfterGame();
    void ReplayCrashFromAbove();
    // Opens the map of a save (or a recording's start) read from `savedFile` as a chosen map is
    // opened, then `show`s the game on it. A map not found where the save says, beside the
    // file or among the bundled maps is asked for (and checked by its hash as well). A save
    // that does not fit `use`, or what `show` says, is shown as an error and the open map is
    // left as it was. Whether it was shown.
    bool ShowOnSavedMap(const TWorldSave& save, const std::string& savedFile, TSaveUse use,
                        const std::function<std::string()>& show);
    // Where the save's map is looked for; asks for it when it is not found. False, with the
    // error shown, when no fitting map was found or chosen.
    bool FindMapOfSave(const TWorldSave& save, TMapSearch& search);
    std::optional<std::string> ImportTarget(const std::string& extract);
    std::unique_ptr<TMap> RunImport(const std::string& extract, std::string& report);

    TMap& Map;
    TMapBitmaps& Bitmaps;
    TWorld& World;
    IUserDialogs& Dialogs;
    TRouteMap* RouteMap = nullptr;
    TVellView* VellView = nullptr;
    TView3D* View3D = nullptr;
    std::string BundledMaps;
    bool Ready = false;
    int RoutesListed = 0;
    bool Running = false;
    bool ImportRunning = false;
    bool CancelRequested = false;   // of the run-ahead or the import
    std::int64_t RunAheadSteps = 0; // the world steps of the last run-ahead
    bool FreeNetworkWhenStopped = false;
    bool Placed = false;              // placed on the screen at its first show
    std::set<QString> SchemesWritten; // absolute paths of the pictures this run wrote
};

} // namespace vell

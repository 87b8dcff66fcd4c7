// The editor window (TVellEdit): plan view and overview of the map, scrolling, the drawing
// tools and editing buttons, the route panel and the map-file menu.
#pragma once

#include "editor/ops/EditHistory.h"
#include "editor/ops/PlanMouse.h"
#include "model/draw/MapBitmaps.h"

#include "model/Map.h"
#include "model/Random.h"
#include "model/UserDialogs.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QSlider;
class QTimer;

namespace vell {

namespace import {
struct TImportResult;
struct TImportStepEnd;
} // namespace import
class TPaintBox;
class TRecovery;
struct TImportRun;

// The window's caption before the first redraw; afterwards "Редактор карт  - " and the name.
extern const char* const EditorCaption;

class TVellEdit : public QMainWindow {
    Q_OBJECT
  public:
    // The window works on the program's one map and its bitmaps; it owns neither. With a
    // recovery store it offers left copies at start and keeps a copy of unsaved changes.
    TVellEdit(TMap& map, TMapBitmaps& bitmaps, TRandom& random, IUserDialogs& dialogs,
              QWidget* parent = nullptr, TRecovery* recovery = nullptr);
    ~TVellEdit() override;

    // The current colour (0x00BBGGRR): the colour dialog's, or the average taken from the map.
    std::uint32_t Color() const { return CurrentColor; }
    // The drawing tool: the kind of the next drawn object.
    int ActionItemIndex() const;
    const TPlanMouse& Mouse() const { return PlanMouse; }
    bool MiniMapDragging() const { return IsMiniMapDragging; }
    // How often the plan view has been rendered; the idle window renders nothing.
    long PlanRenders() const { return PlanRenderCount; }
    const TEditHistory& History() const { return UndoHistory; }
    // An import from OpenStreetMap is under way (reading, choosing or importing).
    bool ImportRunning() const { return Import != nullptr; }

    // Renders plan and overview, sets the caption and shows both bitmaps.
    void RedrawAll();

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private slots:
    // Drawing and editing.
    void MapPBMouseDown(Qt::MouseButton button, QPoint position);
    void MapPBMouseMove(QPoint position);
    void MapPBMouseUp(Qt::MouseButton button);
    void DeSelectClick();
    void DelSelClick();
    void SwapClick();
    void ColorToMemClick();
    void MemToColorClick();
    void IntersectionsClick();

    // The rail check and the double-track conversion (VellEditRails.cpp).
    void CheckClick();
    void CompileClick();

    // The route panel (VellEditRoutes.cpp).
    void Symbol1Change();
    void Symbol2Change();
    void VagonCountChange();
    void RouteIntervalChange();
    void AddToRouteClick();
    void ClearRouteClick();
    void CheckRouteClick();

    // The view.
    // An arrow button: scrolls the view one step in direction (dx, dy), each -1, 0 or 1.
    void ArrowClick(int dx, int dy);
    void HSBChange();
    void VSBChange();
    void MiniMapPBMouseDown(QPoint position);
    void MiniMapPBMouseMove(QPoint position);
    void MiniMapPBMouseUp();
    void TimerTimer();

    // The menu.
    void N4Click();
    void N5Click();
    void O1Click();
    void A1Click();
    void N3Click();
    void C1Click();
    void UndoClick();
    void RedoClick();
    void RecoveryTimerTimer();

    // The import from OpenStreetMap (VellEditImport.cpp).
    void I1Click();
    void ImportTimerTimer();

  private:
    void CreateControls();
    void CreateMenu();
    void FormCreate();
    void FormActivate();
    // Shows the current route slot in the route panel (VellEditRoutes.cpp).
    void RefreshRouteState();

    // The plan alone, as the mouse and the timer redraw it.
    void DrawPlanView();
    // "Редактор карт  - " and the map's name, "*" before it while changes are unsaved.
    void ShowCaption();
    // The status line: the checks' findings, where a save went.
    void ShowStatus(const QString& text);
    void ShowSaved(const std::string& fileName);
    // The track bars' values beside them.
    void ShowRouteValues();
    // Shows the bitmaps again without rendering them.
    void RepaintBitmaps();
    void ApplyRedraw(TRedraw redraw);
    // Sets both scroll bars to the view; their change handlers take it up and redraw.
    void SyncScrollBars();
    // Scrolls so that the view's top-left corner is as near (x, y) as the scroll bars allow.
    void ScrollTo(int x, int y);
    // Every command first ends a drag of the plan-view mouse: a command may delete the object
    // being drawn, and the mouse release may go to a dialog instead.
    void BeginCommand();
    // The route slot the panel shows: row from Symbol1, column from Symbol2.
    int RouteRow() const;
    int RouteColumn() const;

    // The undo history (VellEditHistory.cpp). Record makes a step of what the last command
    // changed; the menu follows the history.
    TEditorState EditorState() const;
    void Record(const std::string& label);
    void ShowEditorState(const TEditorState& state);
    // Undoes (or redoes) the next step; a step whose data cannot be unpacked is refused with a
    // message and the map stays as it is.
    void TakeHistoryStep(bool undo);
    void UpdateUndoActions();
    // The map was replaced (New, Open, a restored copy) or saved: the history starts again or
    // marks the saved state, the recovery copy goes when nothing is left unsaved.
    void MapReplaced();
    void MapSaved();
    void AfterChange();
    // What the plan-view mouse gesture under way will be called as a step.
    std::string GestureLabel;
    // Recovery copies (VellEditHistory.cpp).
    void OfferRecovery();
    void WriteRecoveryCopy();
    // The import's steps (VellEditImport.cpp): the extract's network read in a job, the square
    // and routes chosen in a dialog, the import in a job, its map put in place of this one.
    void StartReading(const std::string& extract);
    void ShowImportProgress();
    void ReadingDone();
    void ChoiceMade(int result);
    void ImportingDone();
    void TakeImportedMap(import::TImportResult result);
    void ImportStopped(const import::TImportStepEnd& end);
    void EndImport();

    TMap& Map;
    TMapBitmaps& Bitmaps;
    TRandom& Random;
    IUserDialogs& Dialogs;
    TPlanMouse PlanMouse;
    std::uint32_t CurrentColor;
    bool IsMiniMapDragging = false;
    bool Shown = false;
    bool CaptionShown = false;
    long PlanRenderCount = 0;

    QButtonGroup* Action = nullptr;
    QPushButton* DeSelect = nullptr;
    QPushButton* DelSel = nullptr;
    QPushButton* Swap = nullptr;
    QPushButton* ColorToMem = nullptr;
    QPushButton* MemToColor = nullptr;
    QPushButton* Check = nullptr;
    QPushButton* Compile = nullptr;
    QPushButton* Intersections = nullptr;
    QPushButton* AddToRoute = nullptr;
    QPushButton* ClearRoute = nullptr;
    QPushButton* CheckRoute = nullptr;
    QLabel* Number = nullptr;
    QComboBox* Symbol1 = nullptr;
    QComboBox* Symbol2 = nullptr;
    QLabel* LabelVagonCount = nullptr;
    QSlider* VagonCount = nullptr;
    QLabel* VagonCountValue = nullptr;
    QLabel* RouteIntervalCaption = nullptr;
    QSlider* RouteInterval = nullptr;
    QLabel* RouteIntervalValue = nullptr;
    QLabel* CountPoint = nullptr;
    QPushButton* btUp = nullptr;
    QPushButton* btLeft = nullptr;
    QPushButton* btDown = nullptr;
    QPushButton* btRight = nullptr;
    TPaintBox* MiniMapPB = nullptr;
    TPaintBox* MapPB = nullptr;
    QScrollBar* HSB = nullptr;
    QScrollBar* VSB = nullptr;
    QTimer* Timer = nullptr;
    QTimer* RecoveryTimer = nullptr;
    TEditHistory UndoHistory;
    TRecovery* Recovery = nullptr;
    std::uint64_t WrittenGeneration = 0;
    // The map is named after a file it was never written to (an import's NAME.vl): its first
    // save asks before replacing a file of that name.
    bool NameUnwritten = false;
    std::unique_ptr<TImportRun> Import;
    QTimer* ImportTimer = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    QAction* O1 = nullptr;
    QAction* A1 = nullptr;
    QAction* I1 = nullptr;
    QAction* N3 = nullptr;
    QAction* C1 = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* UndoItem = nullptr;
    QAction* RedoItem = nullptr;
};

} // namespace vell

// The route selection window.
#include "game/SelectRoute.h"

#include "cab/StartGame.h"
#include "cab/View3D.h"
#include "game/BestShiftsWindow.h"
#include "game/ImportExtract.h"
#include "game/RouteMap.h"
#include "game/VellView.h"
#include "game/WindowFit.h"
#include "model/FileName.h"
#include "model/MapExtras.h"
#include "model/MapFlows.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/draw/PlanView.h"
#include "model/draw/Scheme.h"
#include "sim/RunAhead.h"
#include "sim/best/BestShifts.h"
#include "sim/save/Replay.h"
#include "sim/save/WorldSave.h"
#include "ui/DialogFont.h"
#include "ui/PaintBox.h"
#include "ui/QtUserDialogs.h"
#include "ui/WindowPlacement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>
#include <iostream>

namespace vell {

const char* const SelectRouteCaption = QT_TRANSLATE_NOOP("vell::TSelectRoute", "Трамвай");
const char* const BuildingNetworkCaption =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Составление карты путей...");
const char* const LayingRoutesCaption =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Прокладка маршрутов...");
const char* const RailErrorText =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Ошибка с рельсами!\r\nПроверьте карту в редакторе");
const char* const WaitingForTramCaption =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Ожидание появления вагона на маршруте...");
const char* const SchemeNeedsMapText =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Схема линий строится по маршрутам карты.\n"
                                            "Сначала выберите карту кнопкой «Выбрать карту...».");
const char* const SchemeNeedsRailsText =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Схема линий не построена: в карте ошибка с рельсами.\n"
                                            "Проверьте карту в редакторе.");
const char* const LineHeader = QT_TRANSLATE_NOOP("vell::TSelectRoute", "Линия");
const char* const SchemeReplaceQuestion =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Файл %1 уже есть.\nЗаменить его схемой линий?");

namespace {

// The slot, the line riders know, then the route figures. The speed's and the interval's
// columns give the line's some of the room their short numbers do not need; a header still widens
// its column to show whole.
constexpr int ColumnWidths[RouteTableColumns] = {24, 48, 60, 60, 70, 70, 80, 80, 50};
// While the world runs ahead the window answers the user at least this often.
constexpr int RunSliceMs = 30;

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int top) {
    auto* b = new QPushButton(TSelectRoute::tr(caption), parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setGeometry(RouteTableWidth, top, 200, 24);
    b->setAutoDefault(false);
    return b;
}

} // namespace

std::vector<TShift> OfferedShifts() {
    std::vector<TShift> shifts{{}};
    for (int n = TShift::MinCircuits; n <= TShift::MaxCircuits; ++n)
        shifts.push_back({TShiftKind::Circuits, n});
    for (int minutes : {15, 30, 45, 60, 90, 120, 180, 240})
        shifts.push_back({TShiftKind::Minutes, minutes});
    return shifts;
}

std::pair<int, int> ParseRouteName(const QString& name) {
    static const QString digits = QStringLiteral("123456789");
    static const QString suffixes = QStringLiteral(" 0123456789АБ");
    const int row = name.size() > 0 ? int(digits.indexOf(name[0])) : -1;
    const int col = name.size() > 1 ? int(suffixes.indexOf(name[1])) : -1;
    return {std::max(row, 0), std::max(col, 0)};
}

QString RunAheadFailureText(TRunAhead outcome, bool allTrams, int row, int col, int vellCount,
                            int totalTrams) {
    const QString route = QString::fromStdString(RouteDisplayName(row, col));
    switch (outcome) {
    case TRunAhead::Ready:
        return {};
    case TRunAhead::NoWorld:
        return QCoreApplication::translate("vell::TSelectRoute", "Движение не запущено.");
    case TRunAhead::NoNetwork:
        return QCoreApplication::translate("vell::TSelectRoute",
                                           "Сначала выберите карту без ошибок с рельсами.");
    case TRunAhead::NoRoute:
        return QCoreApplication::translate("vell::TSelectRoute", "Выберите маршрут в таблице.");
    case TRunAhead::RouteIdle:
        if (allTrams)
            return QCoreApplication::translate(
                       "vell::TSelectRoute",
                       "Не все маршруты выпускают вагоны: на линии %1 из %2.\n"
                       "Проверьте карту в редакторе.")
                .arg(vellCount)
                .arg(totalTrams);
        return QCoreApplication::translate(
                   "vell::TSelectRoute",
                   "Маршрут %1 не выпускает вагоны.\nПроверьте его в редакторе.")
            .arg(route);
    case TRunAhead::TableFull:
        if (allTrams)
            return QCoreApplication::translate(
                       "vell::TSelectRoute",
                       "На линии не может быть больше %1 вагонов: вышло %2 из %3.\n"
                       "Снимите «Прогонять перед стартом».")
                .arg(MaxVells)
                .arg(vellCount)
                .arg(totalTrams);
        return QCoreApplication::translate(
                   "vell::TSelectRoute",
                   "Вагоны маршрута %1 не помещаются: на линии уже %2 вагона.")
            .arg(route)
            .arg(MaxVells);
    case TRunAhead::NeverEntered:
        return QCoreApplication::translate("vell::TSelectRoute",
                                           "Вагон маршрута %1 не может выйти на линию: путь занят.")
            .arg(route);
    }
    return {};
}

TSelectRoute::TSelectRoute(TMap& map, TMapBitmaps& bitmaps, TWorld& world, IUserDialogs& dialogs,
                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Map(map), Bitmaps(bitmaps), World(world), Dialogs(dialogs) {
    setObjectName(QStringLiteral("SelectRoute"));
    setWindowTitle(tr(SelectRouteCaption));
    setFont(DialogFont());
    setFixedSize(SelectRouteWidth, SelectRouteHeight);

    MapPB = new TPaintBox(Bitmaps.OverviewBitmap, this);
    MapPB->setObjectName(QStringLiteral("MapPB"));
    MapPB->setGeometry(RouteTableWidth, 0, 200, 200);

    RouteTable = new QTableWidget(1, RouteTableColumns, this);
    RouteTable->setObjectName(QStringLiteral("RouteTable"));
    RouteTable->setGeometry(0, 0, RouteTableWidth, SelectRouteHeight - 4);
    RouteTable->verticalHeader()->hide();
    RouteTable->verticalHeader()->setMinimumSectionSize(1);
    RouteTable->verticalHeader()->setDefaultSectionSize(16);
    RouteTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = RouteTable->horizontalHeader();
    header->setMinimumSectionSize(1);
    header->setDefaultSectionSize(80);
    header->setFixedHeight(17);
    header->setSectionResizeMode(QHeaderView::Interactive); // column sizing
    header->setSectionsMovable(true);                       // column moving
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    // Headers written from the left edge of their cells, with little padding, as in a string
    // grid: the designed widths must hold "Остановок" and "Интервал (мин)".
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 0px 1px; }"));
    RouteTable->setHorizontalHeaderLabels(QStringList(RouteTableColumns, QString()));
    RouteTable->setShowGrid(false); // grid lines of width 0
    RouteTable->setWordWrap(false);
    RouteTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    RouteTable->setSelectionMode(QAbstractItemView::SingleSelection);
    RouteTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RouteTable->setCurrentCell(-1, -1);
    // FormCreate: the column widths.
    for (int c = 0; c < RouteTableColumns; ++c)
        RouteTable->setColumnWidth(c, ColumnWidths[c]);

    SelectMap = MakeButton(this, "SelectMap", QT_TR_NOOP("Выбрать карту... (&O)"), 208);
    Button1 = MakeButton(this, "Button1", QT_TR_NOOP("Сохранить схему линий (&S)"), 232);
    DoProcess = new QCheckBox(tr("Прогонять перед стартом"), this);
    DoProcess->setObjectName(QStringLiteral("DoProcess"));
    DoProcess->setGeometry(RouteTableWidth, 256, 200, 24);
    // The shift belongs to the game's start, on the row above it.
    ShiftLabel = new QLabel(tr("Смена:"), this);
    ShiftLabel->setObjectName(QStringLiteral("ShiftLabel"));
    ShiftLabel->setGeometry(RouteTableWidth, 280, ShiftLabelWidth, 24);
    ShiftSetting = new QComboBox(this);
    ShiftSetting->setObjectName(QStringLiteral("ShiftSetting"));
    ShiftSetting->setGeometry(RouteTableWidth + ShiftLabelWidth, 280, 200 - ShiftLabelWidth, 24);
    for (const TShift& shift : OfferedShifts())
        ShiftSetting->addItem(QString::fromStdString(ShiftName(shift)));
    ShiftSetting->setToolTip(tr("Сколько вести вагон в «Начать игру»: без конца, несколько "
                                "кругов линии или минут. Законченная смена оценивается, лучшие "
                                "смены линии хранятся с записью."));
    ShiftLabel->setBuddy(ShiftSetting);
    Start = MakeButton(this, "Start", QT_TR_NOOP("Вид сверху (&V)"), 308);
    StartGame = MakeButton(this, "StartGame", QT_TR_NOOP("Начать игру (&G)"), 308);
    Button2 = MakeButton(this, "Button2", QT_TR_NOOP("Выход (&Q)"), 388);
    // The exit's row, whose caption is short, shares its width.
    ContinueGame = MakeButton(this, "ContinueGame", QT_TR_NOOP("Продолжить игру..."), 388);
    ContinueGame->setGeometry(RouteTableWidth, 388, ContinueGameWidth, 24);
    Button2->setGeometry(RouteTableWidth + ContinueGameWidth + 2, 388, 200 - ContinueGameWidth - 2,
                         24);
    // The two starts share a row; the two ways to watch a recording follow.
    WatchReplay = MakeButton(this, "WatchReplay", QT_TR_NOOP("Смотреть запись..."), 332);
    BestShifts = MakeButton(this, "BestShifts", QT_TR_NOOP("Лучшие смены..."), 356);
    Start->setGeometry(RouteTableWidth, 308, StartWidth, 24);
    StartGame->setGeometry(RouteTableWidth + StartWidth + 2, 308, 200 - StartWidth - 2, 24);

    setTabOrder(RouteTable, SelectMap);
    setTabOrder(SelectMap, Button1);
    setTabOrder(Button1, DoProcess);
    setTabOrder(DoProcess, ShiftSetting);
    setTabOrder(ShiftSetting, Start);
    setTabOrder(Start, StartGame);
    setTabOrder(StartGame, WatchReplay);
    setTabOrder(WatchReplay, BestShifts);
    setTabOrder(BestShifts, ContinueGame);
    setTabOrder(ContinueGame, Button2);

    connect(RouteTable, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int, int) {
                if (row >= 0) RouteTableSelectCell(column, row + 1);
            });
    connect(SelectMap, &QPushButton::clicked, this, &TSelectRoute::SelectMapClick);
    connect(Button1, &QPushButton::clicked, this, &TSelectRoute::Button1Click);
    connect(Start, &QPushButton::clicked, this, &TSelectRoute::StartClick);
    connect(StartGame, &QPushButton::clicked, this, &TSelectRoute::StartGameClick);
    connect(ContinueGame, &QPushButton::clicked, this, &TSelectRoute::ContinueGameClick);
    connect(WatchReplay, &QPushButton::clicked, this, &TSelectRoute::WatchReplayClick);
    connect(BestShifts, &QPushButton::clicked, this, &TSelectRoute::BestShiftsClick);
    connect(Button2, &QPushButton::clicked, this, &TSelectRoute::Button2Click);
    UpdateButtons();
}

TSelectRoute::~TSelectRoute() {
    QCoreApplication::instance()->removeEventFilter(this);
}

void TSelectRoute::SetWindows(TRouteMap* routeMap, TVellView* vellView, TView3D* view3D) {
    RouteMap = routeMap;
    VellView = vellView;
    View3D = view3D;
    UpdateButtons();
}

void TSelectRoute::showEvent(QShowEvent* event) {
    if (!Placed) {
        FitToScreen();
        PlaceWindow(*this, QPoint(164, 185));
        Placed = true;
    }
    QWidget::showEvent(event);
}

// A screen narrower than the window (a large scaling factor) narrows the route table, which
// then scrolls; the overview and the buttons keep their size.
void TSelectRoute::FitToScreen() {
    const QSize room = ClientRoom(*this);
    if (room.isEmpty() || room.width() >= width()) return;
    const int cut = std::min(width() - room.width(), RouteTable->width() - LeastRouteTableWidth);
    if (cut <= 0) return;
    RouteTable->resize(RouteTable->width() - cut, RouteTable->height());
    for (QWidget* w : {static_cast<QWidget*>(MapPB), static_cast<QWidget*>(SelectMap),
                       static_cast<QWidget*>(Button1), static_cast<QWidget*>(DoProcess),
                       static_cast<QWidget*>(Start), static_cast<QWidget*>(StartGame),
                       static_cast<QWidget*>(WatchReplay), static_cast<QWidget*>(BestShifts),
                       static_cast<QWidget*>(ShiftLabel), static_cast<QWidget*>(ShiftSetting),
                       static_cast<QWidget*>(ContinueGame), static_cast<QWidget*>(Button2)})
        w->move(w->x() - cut, w->y());
    setFixedSize(width() - cut, height());
}

void TSelectRoute::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    // The long steps run inside the handler: let the new caption reach the screen first.
    if (isVisible()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSelectRoute::SelectMapAtStartUp(bool mapNamed) {
    if (!mapNamed) return;
    // The map-model start-up falls back to a new map when the named one cannot be loaded.
    if (Map.FileName == NewMapName) {
        Dialogs.ShowError(WithReason(translate("Map", OpenErrorText), Map.CreateFault));
        return;
    }
    UseOpenedMap();
}

void TSelectRoute::SelectMapClick() {
    if (Running || ImportRunning) return;
    if (!MayLeaveMap(Map, Dialogs)) return;
    const std::optional<std::string> chosen = Dialogs.ChooseExtractToOpen(true);
    if (!chosen) return;
    if (IsExtractFile(*chosen)) {
        ImportExtract(*chosen);
        return;
    }
    if (!OpenChosenMap(Map, Dialogs, *chosen)) return;
    UseOpenedMap();
}

void TSelectRoute::ResetTable() {
    const QSignalBlocker block(RouteTable);
    RouteTable->clearContents();
    RouteTable->setColumnCount(RouteTableColumns);
    RouteTable->setRowCount(1);
    QStringList headers;
    for (const std::string& h : RouteTableHeaders())
        headers << QString::fromStdString(h);
    headers.insert(LineColumn, tr(LineHeader));
    RouteTable->setHorizontalHeaderLabels(headers);
    // The designed widths suit a narrower font than most platforms have: a column too narrow
    // for its header grows just enough to show it whole.
    const QFontMetrics metrics(RouteTable->horizontalHeader()->font());
    for (int c = 0; c < headers.size(); ++c)
        RouteTable->setColumnWidth(
            c, std::max(RouteTable->columnWidth(c), metrics.horizontalAdvance(headers[c]) + 4));
    RouteTable->clearSelection();
    RouteTable->setCurrentCell(-1, -1);
    RoutesListed = 0;
    SelectedGridRow = 0;
}

void TSelectRoute::UseOpenedMap() {
    // The game's warnings are lines on stderr: the map runs without what it passed over.
    if (!Map.ExtrasWarning.empty()) std::cerr << Map.ExtrasWarning << std::endl;
    Map.ExtrasWarning.clear();
    Ready = false;
    Map.FreeNetwork();
    ResetTable();
    Map.ViewX = Map.ViewY = -1000; // keeps the view rectangle off the overview
    DrawOverview(Map, Bitmaps);
    Map.ComputeCatchment();
    SetCaption(tr(BuildingNetworkCaption));
    TotalTrams = 0;
    if (Map.BuildNetwork() == -1) {
        SetCaption(tr(LayingRoutesCaption));
        const QSignalBlocker block(RouteTable);
        for (auto [i, j] : RouteTableOrder())
            AddToTable(i, j);
        Ready = true;
    } else {
        Dialogs.ShowMessage(tr(RailErrorText).toStdString());
    }
    SetCaption(tr(SelectRouteCaption));
    if (RouteTable->rowCount() > 1) {
        // AddToTable always keeps an empty row at the bottom.
        const QSignalBlocker block(RouteTable);
        RouteTable->setRowCount(RouteTable->rowCount() - 1);
    }
    MapPB->update();
    UpdateButtons();
}

void TSelectRoute::AddToTable(int i, int j) {
    TRouteRec& route = Map.Route(i, j);
    if (route.WaypointCount < 2) return;
    TRouteTableRow row;
    row.Row = i;
    row.Column = j;
    row.Name = RouteName(i, j);
    row.Figures = ComputeRouteFigures(Map, i, j); // lays and times the route
    const int r = RouteTable->rowCount() - 1;
    RouteTable->setRowCount(r + 2);
    const std::vector<std::string> cells = RouteTableCells(row, route);
    for (int c = 0; c < int(cells.size()); ++c)
        RouteTable->setItem(r, c < LineColumn ? c : c + 1,
                            new QTableWidgetItem(QString::fromStdString(cells[c])));
    // A long name does not fit its column: the tool tip holds it whole.
    auto* line = new QTableWidgetItem(QString::fromStdString(LineDisplayName(Map, i, j)));
    line->setToolTip(line->text());
    RouteTable->setItem(r, LineColumn, line);
    TotalTrams += route.TramCount;
    ++RoutesListed;
}

void TSelectRoute::ParseSelectedRoute() {
    QString text;
    if (SelectedGridRow == 0) {
        if (const QTableWidgetItem* h = RouteTable->horizontalHeaderItem(0)) text = h->text();
    } else if (const QTableWidgetItem* item = RouteTable->item(SelectedGridRow - 1, 0)) {
        text = item->text();
    }
    const auto [row, col] = ParseRouteName(text);
    SelectedRouteRow = std::uint8_t(row);
    SelectedRouteCol = std::uint8_t(col);
}

void TSelectRoute::RouteTableSelectCell(int, int row) {
    Map.ClearMarks();
    SelectedGridRow = row;
    ParseSelectedRoute();
    Map.MarkRoute(SelectedRouteRow, SelectedRouteCol);
    DrawOverview(Map, Bitmaps);
    MapPB->update();
    UpdateButtons();
}

bool TSelectRoute::SelectedRouteStartable() const {
    if (!Ready || SelectedGridRow < 1 || SelectedGridRow > RoutesListed) return false;
    const TRouteRec& route = Map.Route(SelectedRouteRow, SelectedRouteCol);
    return route.InUse() && route.Usable && route.TramCount >= 1;
}

void TSelectRoute::UpdateButtons() {
    const bool idle = !Running && !ImportRunning;
    for (QWidget* w : {static_cast<QWidget*>(RouteTable), static_cast<QWidget*>(SelectMap),
                       static_cast<QWidget*>(Button1), static_cast<QWidget*>(DoProcess),
                       static_cast<QWidget*>(ShiftSetting), static_cast<QWidget*>(Button2)})
        w->setEnabled(idle);
    const bool startable = idle && SelectedRouteStartable();
    Start->setEnabled(startable);
    StartGame->setEnabled(startable && View3D);
    ContinueGame->setEnabled(idle && View3D);
    WatchReplay->setEnabled(idle && View3D);
    BestShifts->setEnabled(idle && Map.FileName != NewMapName);
}

// The picture is saved beside the map, then shown with the name of its file. A map that gives
// no picture is told about instead of showing an empty one.
void TSelectRoute::Button1Click() {
    if (Map.FileName == NewMapName) {
        Dialogs.ShowMessage(tr(SchemeNeedsMapText).toStdString());
        return;
    }
    if (!Map.NetworkOk) {
        Dialogs.ShowMessage(tr(SchemeNeedsRailsText).toStdString());
        return;
    }
    const std::string path = SchemeFileName(Map.FileName);
    const QString shownPath = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    // The map itself is never replaced, and the save says so without a question.
    if (!SameFile(path, Map.FileName) && !MayWriteScheme(shownPath)) return;
    QImage bitmap = NewSchemeBitmap();
    TFileFault fault = TFileFault::None;
    switch (ExportScheme(Map, bitmap, path, &fault)) {
    case TSchemeResult::NotDrawn:
        Dialogs.ShowMessage(tr(SchemeNeedsRailsText).toStdString());
        return;
    case TSchemeResult::SaveFailed:
        Dialogs.ShowError(WithReason(translate("Scheme", SchemeSaveError), fault));
        return;
    case TSchemeResult::Saved:
        break;
    }
    SchemesWritten.insert(shownPath);
    if (!RouteMap) return;
    RouteMap->SetPicture(bitmap, shownPath);
    RouteMap->exec();
}

// A picture this run wrote is replaced without a question; any other file of that name is the
// player's own. A folder of that name is left to the save, which says why it cannot write.
bool TSelectRoute::MayWriteScheme(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists() || file.isDir() || SchemesWritten.count(path) > 0) return true;
    return Dialogs.AskYesNo(tr(SchemeReplaceQuestion).arg(path).toStdString());
}

void TSelectRoute::StartClick() {
    if (Map.FileName == NewMapName) return;
    // The button is off for these; a start from elsewhere must not run a world that cannot be
    // watched.
    if (Running || ImportRunning || !VellView || !SelectedRouteStartable()) return;
    World.StartWorld();
    World.PlayerTram = nullptr;
    Map.ClearMarks();
    VellView->ShowWaiting = false;
    const bool ready = DoProcess->isChecked() ? PreRun() : WaitForTram();
    if (ready) {
        FindPlayerTram();
        VellView->btShowClick();
        VellView->exec();
    }
    World.PlayerTram = nullptr;
    World.StopWorld();
    if (FreeNetworkWhenStopped) {
        FreeNetworkWhenStopped = false;
        Map.FreeNetwork();
    }
}

void TSelectRoute::StartGameClick() {
    // As for the top view: the button is off for these.
    if (Running || ImportRunning || !View3D || !SelectedRouteStartable()) return;
    RunGame(
        Map, World, *View3D, this, SelectedRouteRow, SelectedRouteCol,
        [this]() {
            const bool ready = DoProcess->isChecked() ? PreRun() : WaitForTram();
            View3D->Run.Steps += RunAheadSteps;
            return ready;
        },
        ChosenShift());
    AfterGame();
}

TShift TSelectRoute::ChosenShift() const {
    const std::vector<TShift> shifts = OfferedShifts();
    const int chosen = ShiftSetting->currentIndex();
    return chosen >= 0 && chosen < int(shifts.size()) ? shifts[chosen] : TShift{};
}

void TSelectRoute::AfterGame() {
    // Read once: a later game must not keep the same shift again.
    if (View3D && View3D->ShiftOutcome) {
        const TShiftOutcome outcome = std::move(*View3D->ShiftOutcome);
        View3D->ShiftOutcome.reset();
        KeepBestShift(View3D->Score, outcome);
    }
    ReplayCrashFromAbove();
    if (FreeNetworkWhenStopped) {
        FreeNetworkWhenStopped = false;
        Map.FreeNetwork();
    }
}

void TSelectRoute::ContinueGameClick() {
    if (Running || ImportRunning || !View3D) return;
    if (!MayLeaveMap(Map, Dialogs)) return;
    if (const std::optional<std::string> chosen = Dialogs.ChooseGameToOpen())
        ContinueSavedGame(*chosen);
}

bool TSelectRoute::ContinueSavedGame(const std::string& path) {
    if (Running || ImportRunning || !View3D) return false;
    TWorldSave save;
    std::string error;
    if (!ReadWorldSave(path, save, error)) {
        Dialogs.ShowError(error);
        return false;
    }
    return ShowOnSavedMap(save, path, TSaveUse::PlayerCab,
                          [&] { return vell::ContinueGame(Map, World, *View3D, this, save); });
}

bool TSelectRoute::FindMapOfSave(const TWorldSave& save, TMapSearch& search) {
    std::string found, error;
    if (FindSavedMap(save, search, found, error)) return true;
    std::optional<std::string> chosen;
    if (Dialogs.AskYesNo(tr("Карта %1 не найдена или изменилась. Выбрать её?")
                             .arg(QString::fromStdString(save.MapPath))
                             .toStdString()))
        chosen = Dialogs.ChooseMapToOpen();
    if (chosen) {
        search.Chosen = *chosen;
        if (FindSavedMap(save, search, found, error)) return true;
    }
    Dialogs.ShowError(error);
    return false;
}

bool TSelectRoute::ShowOnSavedMap(const TWorldSave& save, const std::string& savedFile,
                                  TSaveUse use, const std::function<std::string()>& show) {
    TMapSearch search{savedFile, BundledMaps, {}};
    if (!FindMapOfSave(save, search)) return false;
    std::string error;
    // Each refuses before the open map is touched: the save is tried on a map of its own first.
    if (!SaveFitsItsMap(save, error, search, use) || !LoadSavedMap(save, Map, error, search)) {
        Dialogs.ShowError(error);
        return false;
    }
    UseOpenedMap();
    if (!Ready) return false; // the rail error has been shown
    error = show();
    AfterGame();
    if (!error.empty()) {
        Dialogs.ShowError(error);
        return false;
    }
    return true;
}

void TSelectRoute::WatchReplayClick() {
    if (Running || ImportRunning || !View3D) return;
    if (!MayLeaveMap(Map, Dialogs)) return;
    if (const std::optional<std::string> chosen = Dialogs.ChooseReplayToOpen())
        WatchSavedReplay(*chosen);
}

bool TSelectRoute::WatchSavedReplay(const std::string& path) {
    if (Running || ImportRunning || !View3D) return false;
    TReplay replay;
    std::string error;
    if (!ReadReplay(path, replay, error)) {
        Dialogs.ShowError(error);
        return false;
    }
    return ShowOnSavedMap(ReplayStart(replay), path, TSaveUse::Any, [&] {
        return vell::WatchReplay(Map, World, *View3D, this, std::move(replay));
    });
}

bool TSelectRoute::KeepBestShift(const TShiftScore& score, const TShiftOutcome& outcome) {
    if (!score.Eligible()) return false;
    // The entry names the map as its recording does: by the bytes the shift was driven over.
    TWorldSave start;
    std::string error;
    if (!DecodeWorldSave(outcome.Drive.Start, start, error)) {
        Dialogs.ShowError(tr("Лучшая смена не сохранена: нет записи поездки.").toStdString());
        return false;
    }
    const TEvaluation& evaluation = outcome.Evaluation;
    const TBestShift shift =
        BestShiftOf(evaluation, start.MapHash,
                    LineDisplayName(Map, evaluation.RouteRow, evaluation.RouteCol), UtcDateNow());
    error = AddBestShift(BestShiftsFolder().toStdString(), shift, outcome.Drive);
    if (!error.empty()) {
        Dialogs.ShowError(error);
        return false;
    }
    return true;
}

void TSelectRoute::BestShiftsClick() {
    if (Running || ImportRunning || Map.FileName == NewMapName) return;
    std::uint64_t hash = 0;
    TFileFault fault = TFileFault::None;
    if (!MapFileHash(Map.FileName, hash, &fault)) {
        Dialogs.ShowError(tr("Лучшие смены не показаны: карта %1 не читается: %2")
                              .arg(QString::fromStdString(Map.FileName),
                                   QString::fromStdString(SaveFaultReason(fault)))
                              .toStdString());
        return;
    }
    const TBestShiftList list = ListBestShifts(BestShiftsFolder().toStdString(), hash);
    for (const std::string& line : list.Skipped)
        std::cerr << line << std::endl;
    TBestShiftsWindow window(list, View3D != nullptr, this);
    window.exec();
    if (window.Chosen().empty() || !MayLeaveMap(Map, Dialogs)) return;
    WatchSavedReplay(window.Chosen());
}

void TSelectRoute::ReplayCrashFromAbove() {
    if (!View3D || !View3D->CrashReplay) return;
    const TReplay replay = std::move(*View3D->CrashReplay);
    View3D->CrashReplay.reset();
    if (!VellView) return;
    TReplayPlayer player(replay);
    TRunState& run = View3D->Run;
    std::string error;
    if (!StartReplay(replay, World, run, player, replay.EndStep - StepsPerPlayedMinute, error)) {
        Dialogs.ShowError(error);
        return;
    }
    // A click in the top view follows another tram; the recording drives the player's own.
    TVell* const driven = World.PlayerTram;
    VellView->ExecReplay([&]() {
        if (player.Finished(run.Steps)) return false;
        player.Before(driven, run.Steps);
        ++run.Steps;
        return true;
    });
    World.PlayerTram = nullptr;
    World.StopWorld();
}

bool TSelectRoute::PreRun() {
    TRunAheadLoop loop = TRunAheadLoop::AllTrams(World, TotalTrams);
    return RunAheadLoop(loop, true);
}

bool TSelectRoute::WaitForTram() {
    ParseSelectedRoute();
    TRunAheadLoop loop = TRunAheadLoop::ForRoute(World, SelectedRouteRow, SelectedRouteCol);
    return RunAheadLoop(loop, false);
}

void TSelectRoute::FindPlayerTram() {
    vell::FindPlayerTram(World, SelectedRouteRow, SelectedRouteCol);
}

bool TSelectRoute::RunAheadLoop(TRunAheadLoop& loop, bool allTrams) {
    const QString kept = windowTitle();
    // Running before the first caption: from then on a close or Esc stops the loop.
    Running = true;
    CancelRequested = false;
    UpdateButtons();
    QCoreApplication::instance()->installEventFilter(this);
    if (!allTrams) SetCaption(tr(WaitingForTramCaption));

    std::optional<TRunAhead> outcome = loop.Check();
    int shownCount = -1;
    QElapsedTimer slice;
    slice.start();
    while (!outcome) {
        outcome = loop.Step();
        if (allTrams && World.VellCount != shownCount) {
            shownCount = World.VellCount;
            setWindowTitle(QStringLiteral("%1/%2").arg(shownCount).arg(TotalTrams));
        }
        if (!outcome && slice.elapsed() >= RunSliceMs) {
            QCoreApplication::processEvents();
            slice.restart();
            if (CancelRequested) break;
        }
    }

    QCoreApplication::instance()->removeEventFilter(this);
    RunAheadSteps = loop.Steps();
    Running = false;
    CancelRequested = false;
    setWindowTitle(kept);
    UpdateButtons();
    if (!outcome) return false; // stopped by the player: the run does not start
    if (*outcome == TRunAhead::Ready) return true;
    Dialogs.ShowError(RunAheadFailureText(*outcome, allTrams, SelectedRouteRow, SelectedRouteCol,
                                          World.VellCount, TotalTrams)
                          .toStdString());
    return false;
}

bool TSelectRoute::eventFilter(QObject* watched, QEvent* event) {
    if ((Running || ImportRunning) && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        CancelRequested = true;
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TSelectRoute::closeEvent(QCloseEvent* event) {
    // FormClose. A world running ahead still reads the network: it goes once the world stops.
    // An import reads no map: it is cancelled, and its map is neither written nor opened.
    if (ImportRunning) CancelRequested = true;
    if (Running) {
        CancelRunAhead();
        FreeNetworkWhenStopped = true;
    } else {
        Map.FreeNetwork();
    }
    QWidget::closeEvent(event);
}

void TSelectRoute::Button2Click() {
    close();
}

} // namespace vell

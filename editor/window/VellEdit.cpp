// The editor window: controls, view, drawing and editing, menu.
#include "editor/window/VellEdit.h"

#include "editor/ops/EditOps.h"
#include "editor/ops/EditSteps.h"
#include "editor/ops/EditorFlows.h"
#include "editor/ops/Recovery.h"
#include "editor/window/ImportRun.h"
#include "model/MapFlows.h"
#include "model/Selection.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "model/draw/PlanView.h"
#include "ui/PaintBox.h"
#include "ui/WindowPlacement.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

namespace vell {

const char* const EditorCaption = QT_TRANSLATE_NOOP("vell::TVellEdit", "Редактор карт");

namespace {

constexpr int ClientWidth = 824, ClientHeight = 621;
const QPoint DesignPlace(83, 40);
constexpr int ScrollMax = 10000 - PlanSize; // the view never leaves the map
constexpr int ArrowStep = 100;              // metres per arrow button press
// The value labels at the track bars' right ends: one digit, and two.
constexpr int CarsValueWidth = 10, IntervalValueWidth = 16;

// The design's 8-point sans serif is not on Linux desktops. A condensed sans serif at 10 pixels
// keeps the longest captions inside their controls at the design's places
// ("Кол-во вагонов в поезде (1-3):" before the track bar at x 156).
QFont EditorFont() {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    return font;
}

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const char* const ActionItems[10] = {QT_TRANSLATE_NOOP("vell::TVellEdit", "Бордёр (&1)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "Стена (&2)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "Выс. стена (&3)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "Арка (&4)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "Рельс (&5)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "Деревья (&6)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "Двупутка (&7)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "и столбы (&8)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "и полоса (&9)"),
                                     QT_TRANSLATE_NOOP("vell::TVellEdit", "и зелень (&0)")};

TMouseButton ButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::Left;
    case Qt::RightButton:
        return TMouseButton::Right;
    default:
        return TMouseButton::Other;
    }
}

} // namespace

TVellEdit::TVellEdit(TMap& map, TMapBitmaps& bitmaps, TRandom& random, IUserDialogs& dialogs,
                     QWidget* parent, TRecovery* recovery)
    : QMainWindow(parent), Map(map), Bitmaps(bitmaps), Random(random), Dialogs(dialogs),
      PlanMouse(map, random), CurrentColor(StartColor), Recovery(recovery) {
    setObjectName(QStringLiteral("VellEdit"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(tr(EditorCaption));
    setFont(EditorFont());
    CreateControls();
    CreateMenu();
    // Where the checks and saves say what they found; made now, so that it counts in the size.
    statusBar()->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(false);             // the window has a fixed size
    layout()->setSizeConstraint(QLayout::SetFixedSize); // the window cannot be resized
    adjustSize();
    PlaceWindow(*this, DesignPlace);
    FormCreate();
}

TVellEdit::~TVellEdit() = default;

void TVellEdit::CreateControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    auto button = [&](QPushButton*& b, const char* name, int x, int y, int w, const char* caption,
                      const char* hint, auto handler) {
        b = new QPushButton(tr(caption), client);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, 24);
        if (hint) b->setToolTip(tr(hint));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
    };
    auto label = [&](QLabel*& l, const char* name, int x, int y, const char* caption) {
        l = new QLabel(tr(caption), client);
        l->setObjectName(QString::fromLatin1(name));
        l->move(x, y);
        l->adjustSize();
    };

    // The drawing tools: a radio group of two columns, items 0..4 left and 5..9 right.
    auto* group = new QGroupBox(client);
    group->setObjectName(QStringLiteral("Action"));
    group->setGeometry(0, -4, 200, 81);
    Action = new QButtonGroup(this);
    Action->setObjectName(QStringLiteral("ActionItems"));
    for (int i = 0; i < 10; ++i) {
        auto* item = new QRadioButton(tr(ActionItems[i]), group);
        item->setObjectName(QStringLiteral("Action%1").arg(i));
        item->setGeometry(6 + (i / 5) * 96, 6 + (i % 5) * 14, 92, 14);
        Action->addButton(item, i);
    }
    Action->button(Rail)->setChecked(true);

    button(DeSelect, "DeSelect", 0, 80, 100, QT_TR_NOOP("Снять выд. (&S)"),
           QT_TR_NOOP("Снять выделение со всех объектов."), &TVellEdit::DeSelectClick);
    button(DelSel, "DelSel", 100, 80, 100, QT_TR_NOOP("Удалить выд. (&D)"),
           QT_TR_NOOP("Удалить выделенные объекты; удалённые рельсы уходят и из маршрутов."),
           &TVellEdit::DelSelClick);
    button(Swap, "Swap", 0, 104, 200, QT_TR_NOOP("Преобразовать выделенное (&E)"),
           QT_TR_NOOP("Сменить вид выделенного: стены идут по кругу бордёр, стена, высокая "
                      "стена, арка; рельсы: остановка 20 с, остановка 50 с, стоять нельзя, "
                      "обычный; двупутки: следующий вид."),
           &TVellEdit::SwapClick);
    button(ColorToMem, "ColorToMem", 0, 132, 100, QT_TR_NOOP("Запомн. цвет (&Z)"),
           QT_TR_NOOP("Сделать текущим средний цвет выделенных стен и рельсов (цвет рельса - "
                      "его скорость)."),
           &TVellEdit::ColorToMemClick);
    button(MemToColor, "MemToColor", 100, 132, 100, QT_TR_NOOP("Примен. цвет (&X)"),
           QT_TR_NOOP("Покрасить выделенные стены текущим цветом; выделенным рельсам дать "
                      "скорость по нему."),
           &TVellEdit::MemToColorClick);
    button(Check, "Check", 0, 160, 100, QT_TR_NOOP("Пров. пути (&P)"),
           QT_TR_NOOP("Проверить рельсовую сеть: неисправные рельсы выделяются, вид переходит "
                      "к одному из них, а строка состояния говорит, какое правило он нарушает."),
           &TVellEdit::CheckClick);
    button(Compile, "Compile", 100, 160, 100, QT_TR_NOOP("Пр. 2-путки (&W)"),
           QT_TR_NOOP("Превратить все двупутки карты в пары рельсов с правосторонним "
                      "движением, со столбами, арками, бордёрами и деревьями по их виду."),
           &TVellEdit::CompileClick);
    button(Intersections, "Intersections", 0, 184, 200, QT_TR_NOOP("Показать соседей (&N)"),
           QT_TR_NOOP("Выделить рельсы, которые проходят ближе 4 м от первого выделенного "
                      "рельса."),
           &TVellEdit::IntersectionsClick);
    button(AddToRoute, "AddToRoute", 0, 212, 100, QT_TR_NOOP("Доб. к м-ту (&A)"),
           QT_TR_NOOP("Добавить первый выделенный рельс следующей точкой выбранного маршрута."),
           &TVellEdit::AddToRouteClick);
    button(ClearRoute, "ClearRoute", 100, 212, 100, QT_TR_NOOP("Очистить м-т (&Q)"),
           QT_TR_NOOP("Удалить все точки выбранного маршрута."), &TVellEdit::ClearRouteClick);
    button(CheckRoute, "CheckRoute", 0, 236, 200, QT_TR_NOOP("Проверить маршрут (&O)"),
           QT_TR_NOOP("Проложить выбранный маршрут и выделить его рельсы; строка состояния "
                      "говорит, замыкается ли он, а если нет, то почему."),
           &TVellEdit::CheckRouteClick);

    label(Number, "Number", 0, 268, QT_TR_NOOP("Номер маршрута:"));
    Symbol1 = new QComboBox(client);
    Symbol1->setObjectName(QStringLiteral("Symbol1"));
    Symbol1->setGeometry(96, 264, 52, 21);
    for (int i = 1; i <= 9; ++i)
        Symbol1->addItem(QString::number(i));
    Symbol1->setMaxVisibleItems(9);
    Symbol2 = new QComboBox(client);
    Symbol2->setObjectName(QStringLiteral("Symbol2"));
    Symbol2->setGeometry(148, 264, 52, 21);
    Symbol2->addItem(QStringLiteral(" "));
    for (int i = 0; i <= 9; ++i)
        Symbol2->addItem(QString::number(i));
    Symbol2->addItem(Text("А"));
    Symbol2->addItem(Text("Б"));
    Symbol2->setMaxVisibleItems(13);

    // Each track bar gives the right end of its place to a label with its value.
    auto value = [&](QLabel*& l, const char* name, int right, int y, int width) {
        l = new QLabel(client);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(right - width, y, width, 14);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };
    label(LabelVagonCount, "LabelVagonCount", 0, 292, QT_TR_NOOP("Кол-во вагонов в поезде (1-3):"));
    VagonCount = new QSlider(Qt::Horizontal, client);
    VagonCount->setObjectName(QStringLiteral("VagonCount"));
    VagonCount->setGeometry(156, 288, 44 - CarsValueWidth, 28);
    VagonCount->setRange(1, 3);
    VagonCount->setPageStep(1);
    VagonCount->setValue(1);
    VagonCount->setTickPosition(QSlider::TicksBelow);
    VagonCount->setTickInterval(1);
    VagonCount->setFocusPolicy(Qt::StrongFocus);
    value(VagonCountValue, "VagonCountValue", 200, 292, CarsValueWidth);

    label(RouteIntervalCaption, "RouteIntervalCaption", 0, 320, QT_TR_NOOP("Интервал (5-30):"));
    RouteInterval = new QSlider(Qt::Horizontal, client);
    RouteInterval->setObjectName(QStringLiteral("RouteInterval"));
    RouteInterval->setGeometry(84, 316, 116 - IntervalValueWidth, 28);
    RouteInterval->setRange(5, 30);
    RouteInterval->setPageStep(5);
    RouteInterval->setValue(10);
    RouteInterval->setTickPosition(QSlider::TicksBelow);
    RouteInterval->setTickInterval(5);
    RouteInterval->setFocusPolicy(Qt::StrongFocus);
    value(RouteIntervalValue, "RouteIntervalValue", 200, 320, IntervalValueWidth);
    ShowRouteValues();

    label(CountPoint, "CountPoint", 0, 348, QT_TR_NOOP("Маршрут не задан"));
    CountPoint->setFixedWidth(200); // the caption changes with the route

    button(btUp, "btUp", 84, 364, 32, "^&i", QT_TR_NOOP("Сдвинуть вид на 100 м вверх."),
           [this] { ArrowClick(0, -1); });
    button(btLeft, "btLeft", 52, 388, 32, "<&j", QT_TR_NOOP("Сдвинуть вид на 100 м влево."),
           [this] { ArrowClick(-1, 0); });
    button(btDown, "btDown", 84, 388, 32, "V&k", QT_TR_NOOP("Сдвинуть вид на 100 м вниз."),
           [this] { ArrowClick(0, 1); });
    button(btRight, "btRight", 116, 388, 32, ">&l", QT_TR_NOOP("Сдвинуть вид на 100 м вправо."),
           [this] { ArrowClick(1, 0); });

    MiniMapPB = new TPaintBox(Bitmaps.OverviewBitmap, client);
    MiniMapPB->setObjectName(QStringLiteral("MiniMapPB"));
    MiniMapPB->setMouseTracking(true);
    MiniMapPB->setGeometry(0, 416, OverviewSize, OverviewSize);
    MapPB = new TPaintBox(Bitmaps.PlanBitmap, client);
    MapPB->setObjectName(QStringLiteral("MapPB"));
    MapPB->setMouseTracking(true); // moves without a button update the snap marker
    MapPB->setGeometry(204, 0, PlanSize, PlanSize);

    HSB = new QScrollBar(Qt::Horizontal, client);
    HSB->setObjectName(QStringLiteral("HSB"));
    HSB->setGeometry(204, 600, 600, 17);
    VSB = new QScrollBar(Qt::Vertical, client);
    VSB->setObjectName(QStringLiteral("VSB"));
    VSB->setGeometry(804, 0, 17, 600);
    for (QScrollBar* bar : {HSB, VSB}) {
        bar->setRange(0, ScrollMax);
        // A step is an arrow button's, a page the view's width: the slider then shows how
        // much of the map is in view.
        bar->setSingleStep(ArrowStep);
        bar->setPageStep(PlanSize);
        bar->setFocusPolicy(Qt::StrongFocus);
    }

    // Handlers are connected once the controls hold their start values.
    connect(MapPB, &TPaintBox::MouseDown, this, &TVellEdit::MapPBMouseDown);
    connect(MapPB, &TPaintBox::MouseMove, this, &TVellEdit::MapPBMouseMove);
    connect(MapPB, &TPaintBox::MouseUp, this,
            [this](Qt::MouseButton b, QPoint) { MapPBMouseUp(b); });
    connect(MiniMapPB, &TPaintBox::MouseDown, this,
            [this](Qt::MouseButton, QPoint p) { MiniMapPBMouseDown(p); });
    connect(MiniMapPB, &TPaintBox::MouseMove, this, &TVellEdit::MiniMapPBMouseMove);
    connect(MiniMapPB, &TPaintBox::MouseUp, this, [this] { MiniMapPBMouseUp(); });
    connect(HSB, &QScrollBar::valueChanged, this, &TVellEdit::HSBChange);
    connect(VSB, &QScrollBar::valueChanged, this, &TVellEdit::VSBChange);
    connect(Symbol1, &QComboBox::currentIndexChanged, this, &TVellEdit::Symbol1Change);
    connect(Symbol2, &QComboBox::currentIndexChanged, this, &TVellEdit::Symbol2Change);
    connect(VagonCount, &QSlider::valueChanged, this, &TVellEdit::VagonCountChange);
    connect(RouteInterval, &QSlider::valueChanged, this, &TVellEdit::RouteIntervalChange);
    // A track bar dragged with the mouse is one step, recorded when it is let go.
    connect(VagonCount, &QSlider::sliderReleased, this, [this] { Record(CarsLabel); });
    connect(RouteInterval, &QSlider::sliderReleased, this, [this] { Record(IntervalLabel); });

    // The tab order of the form: the tools, the buttons top to bottom, the route panel, the
    // arrows and the scroll bars.
    QList<QWidget*> order;
    for (QAbstractButton* item : Action->buttons())
        order.append(item);
    order << DeSelect << DelSel << Swap << ColorToMem << MemToColor << Check << Compile
          << Intersections << AddToRoute << ClearRoute << CheckRoute << Symbol1 << Symbol2
          << VagonCount << RouteInterval << btUp << btLeft << btDown << btRight << HSB << VSB;
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(50);
    connect(Timer, &QTimer::timeout, this, &TVellEdit::TimerTimer);
    Timer->start();

    RecoveryTimer = new QTimer(this);
    RecoveryTimer->setObjectName(QStringLiteral("RecoveryTimer"));
    connect(RecoveryTimer, &QTimer::timeout, this, &TVellEdit::RecoveryTimerTimer);
    if (Recovery) {
        RecoveryTimer->setInterval(Recovery->IntervalMs);
        RecoveryTimer->start();
    }

    // Polls an import's job while it runs; the window stays responsive meanwhile.
    ImportTimer = new QTimer(this);
    ImportTimer->setObjectName(QStringLiteral("ImportTimer"));
    ImportTimer->setInterval(100);
    connect(ImportTimer, &QTimer::timeout, this, &TVellEdit::ImportTimerTimer);
}

void TVellEdit::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(tr("Карта (&F)"));
    file->setObjectName(QStringLiteral("N1"));
    file->setFont(EditorFont()); // a popup is a window of its own and does not inherit it
    // The first key is the design's, shown in the menu; the others are today's usual ones.
    auto item = [&](QAction*& a, const char* name, const char* caption, QList<QKeySequence> keys,
                    void (TVellEdit::*handler)()) {
        a = file->addAction(tr(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, handler);
    };
    item(N4, "N4", QT_TR_NOOP("Новая (&N)"), {QKeySequence(Qt::CTRL | Qt::Key_N)},
         &TVellEdit::N4Click);
    item(N5, "N5", QT_TR_NOOP("Сохранить (&S)"),
         {QKeySequence(Qt::Key_F2), QKeySequence(Qt::CTRL | Qt::Key_S)}, &TVellEdit::N5Click);
    item(O1, "O1", QT_TR_NOOP("Открыть (&O)"), {QKeySequence(Qt::Key_F3)}, &TVellEdit::O1Click);
    item(A1, "A1", QT_TR_NOOP("Сохранить как (A)"),
         {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         &TVellEdit::A1Click);
    // After the file items, before the separator.
    item(I1, "I1", QT_TR_NOOP("Импорт из OpenStreetMap... (&I)"),
         {QKeySequence(Qt::CTRL | Qt::Key_I)}, &TVellEdit::I1Click);
    file->addSeparator()->setObjectName(QStringLiteral("N2"));
    item(N3, "N3", QT_TR_NOOP("Выход (&Q)"), {QKeySequence(Qt::CTRL | Qt::Key_Q)},
         &TVellEdit::N3Click);
    // The edit menu: in Russian its letter is the one no control of the window uses (the
    // button "Преобразовать выделенное" holds E); in English the menu takes E and the button
    // another letter.
    EditMenu = bar->addMenu(tr("Правка (&U)"));
    EditMenu->setObjectName(QStringLiteral("EditMenu"));
    EditMenu->setFont(EditorFont());
    UndoItem = EditMenu->addAction(tr("Отменить"));
    UndoItem->setObjectName(QStringLiteral("Undo"));
    UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(UndoItem, &QAction::triggered, this, &TVellEdit::UndoClick);
    RedoItem = EditMenu->addAction(tr("Повторить"));
    RedoItem->setObjectName(QStringLiteral("Redo"));
    RedoItem->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(RedoItem, &QAction::triggered, this, &TVellEdit::RedoClick);
    UpdateUndoActions();
    C1 = bar->addAction(tr("Цвет (&C)"));
    C1->setObjectName(QStringLiteral("C1"));
    connect(C1, &QAction::triggered, this, &TVellEdit::C1Click);
}

int TVellEdit::ActionItemIndex() const {
    return Action->checkedId();
}

int TVellEdit::RouteRow() const {
    return Symbol1->currentIndex();
}

int TVellEdit::RouteColumn() const {
    return Symbol2->currentIndex();
}

// ---- Start, activation, redraw ----

void TVellEdit::FormCreate() {
    {
        // The scroll bars start at the view; the first activation draws.
        const QSignalBlocker h(HSB), v(VSB);
        SyncScrollBars();
    }
    RefreshRouteState();
    UndoHistory.Reset(Map, EditorState());
    WrittenGeneration = UndoHistory.Generation();
}

void TVellEdit::FormActivate() {
    HSB->setRange(0, ScrollMax);
    VSB->setRange(0, ScrollMax);
    SyncScrollBars();
    RedrawAll();
}

bool TVellEdit::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QMainWindow::event(event);
}

void TVellEdit::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A window that is shown but not made active (focus stealing prevention, or no window
    // manager at all) would otherwise show black boxes until the user clicks it.
    if (!Shown) {
        Shown = true;
        FormActivate();
        // The map named on the command line was loaded before any window existed; a failure
        // is told once the window is up, rather than leaving the user at an empty map unasked.
        if (Map.CreateFault != TFileFault::None)
            QTimer::singleShot(0, this, [this]() {
                Dialogs.ShowError(WithReason(translate("Map", OpenErrorText), Map.CreateFault));
            });
        // The file beside it, passed over, is a line in the status line, as after an open.
        if (!Map.ExtrasWarning.empty()) {
            ShowStatus(QString::fromStdString(Map.ExtrasWarning));
            Map.ExtrasWarning.clear();
        }
        // Asked once, after the window is up (and after an open error, which comes first).
        if (Recovery) QTimer::singleShot(0, this, &TVellEdit::OfferRecovery);
        // Said once and left there, beside what the checks and saves say: running without
        // copies must not go unnoticed.
        if (Recovery && Recovery->Trouble() != TFileFault::None) {
            auto* trouble = new QLabel(
                QString::fromStdString(RecoveryTroubleText(Recovery->Trouble())), statusBar());
            trouble->setObjectName(QStringLiteral("RecoveryTrouble"));
            statusBar()->addPermanentWidget(trouble);
        }
    }
}

void TVellEdit::RedrawAll() {
    DrawPlan(Map, Bitmaps, SecondsOfDay());
    ++PlanRenderCount;
    DrawOverview(Map, Bitmaps);
    CaptionShown = true;
    ShowCaption();
    RepaintBitmaps();
}

void TVellEdit::ShowCaption() {
    // The design's caption until the first redraw; then the map's name, "*" before it while
    // the map has unsaved changes.
    if (!CaptionShown) return;
    const QString caption = tr(EditorCaption) + QStringLiteral("  - ") +
                            (Map.Modified ? QStringLiteral("*") : QString()) +
                            QString::fromStdString(MapDisplayName(Map.FileName));
    if (caption != windowTitle()) setWindowTitle(caption);
}

void TVellEdit::ShowStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void TVellEdit::ShowSaved(const std::string& fileName) {
    ShowStatus(tr("Карта сохранена: %1")
                   .arg(QFileInfo(QString::fromStdString(fileName)).absoluteFilePath()));
}

void TVellEdit::DrawPlanView() {
    DrawPlan(Map, Bitmaps, SecondsOfDay());
    ++PlanRenderCount;
    MapPB->update();
    ShowCaption(); // drawing and dragging change the map before their step is recorded
}

void TVellEdit::RepaintBitmaps() {
    MapPB->update();
    MiniMapPB->update();
}

void TVellEdit::ApplyRedraw(TRedraw redraw) {
    switch (redraw) {
    case TRedraw::None:
        break;
    case TRedraw::Plan:
        DrawPlanView();
        break;
    case TRedraw::All:
        RedrawAll();
        break;
    }
}

void TVellEdit::TimerTimer() {
    // Only the turning snap marker needs the clock; an idle plan is not redrawn.
    if (Map.Snapped) DrawPlanView();
}

// ---- The view ----

void TVellEdit::SyncScrollBars() {
    HSB->setValue(Map.ViewX);
    VSB->setValue(Map.ViewY);
}

void TVellEdit::ScrollTo(int x, int y) {
    HSB->setValue(x);
    Map.ViewX = HSB->value();
    VSB->setValue(y);
    Map.ViewY = VSB->value();
}

void TVellEdit::HSBChange() {
    Map.ViewX = HSB->value();
    RedrawAll();
}

void TVellEdit::VSBChange() {
    Map.ViewY = VSB->value();
    RedrawAll();
}

void TVellEdit::ArrowClick(int dx, int dy) {
    if (dx) {
        HSB->setValue(HSB->value() + dx * ArrowStep);
        Map.ViewX = HSB->value();
    }
    if (dy) {
        VSB->setValue(VSB->value() + dy * ArrowStep);
        Map.ViewY = VSB->value();
    }
    RedrawAll();
}

void TVellEdit::MiniMapPBMouseDown(QPoint position) {
    IsMiniMapDragging = true;
    MiniMapPBMouseMove(position);
}

void TVellEdit::MiniMapPBMouseMove(QPoint position) {
    if (!IsMiniMapDragging) return;
    // The pressed overview point (50 m a pixel) becomes the centre of the plan view.
    ScrollTo(int(RoundHalfEven(position.x() / 0.02 - PlanSize / 2)),
             int(RoundHalfEven(position.y() / 0.02 - PlanSize / 2)));
}

void TVellEdit::MiniMapPBMouseUp() {
    IsMiniMapDragging = false;
}

// ---- Drawing and editing ----

void TVellEdit::MapPBMouseDown(Qt::MouseButton button, QPoint position) {
    ApplyRedraw(PlanMouse.Press(ButtonOf(button), position.x(), position.y(),
                                std::uint8_t(ActionItemIndex()), CurrentColor));
    if (PlanMouse.Moving())
        GestureLabel = MoveEndsLabel;
    else if (PlanMouse.Drawing())
        GestureLabel = DrawingLabel(ActionItemIndex());
}

void TVellEdit::MapPBMouseMove(QPoint position) {
    ApplyRedraw(PlanMouse.Move(position.x(), position.y()));
}

void TVellEdit::MapPBMouseUp(Qt::MouseButton button) {
    const int count = Map.ObjectCount();
    ApplyRedraw(PlanMouse.Release(ButtonOf(button)));
    // The purge on release may have taken waypoint rails out of their routes.
    if (Map.ObjectCount() < count) RefreshRouteState();
    if (!PlanMouse.Drawing() && !PlanMouse.Selecting() && !PlanMouse.Moving()) {
        Record(GestureLabel.empty() ? PurgeLabel : GestureLabel);
        GestureLabel.clear();
    }
}

void TVellEdit::BeginCommand() {
    const bool dragging = PlanMouse.Drawing() || PlanMouse.Selecting() || PlanMouse.Moving();
    PlanMouse.Reset();
    // What the drag has done so far is its step; the command's own step comes after it.
    if (dragging) {
        Record(GestureLabel.empty() ? PurgeLabel : GestureLabel);
        GestureLabel.clear();
    }
}

void TVellEdit::DeSelectClick() {
    BeginCommand();
    Map.ClearMarks();
    RedrawAll();
}

void TVellEdit::DelSelClick() {
    BeginCommand();
    Map.DeleteSelected();
    Record(DeleteLabel);
    RefreshRouteState(); // deleted rails have left their routes
    RedrawAll();
}

void TVellEdit::SwapClick() {
    BeginCommand();
    SwapSelected(Map);
    Record(SwapLabel);
    DrawPlanView();
}

void TVellEdit::ColorToMemClick() {
    BeginCommand();
    if (auto color = AverageSelectedColor(Map)) CurrentColor = *color;
    Record(TakeColorLabel);
}

void TVellEdit::MemToColorClick() {
    BeginCommand();
    ApplyColorToSelected(Map, CurrentColor);
    Record(ApplyColorLabel);
    RedrawAll();
}

void TVellEdit::IntersectionsClick() {
    BeginCommand();
    ShowNeighbours(Map);
    RedrawAll();
}

// ---- The menu and closing ----

void TVellEdit::N4Click() {
    BeginCommand();
    std::string savedTo;
    if (ConfirmNewMap(Map, Dialogs, &savedTo, NameUnwritten))
        MapReplaced();
    else if (!Map.Modified)
        MapSaved(); // saved in answer to the question, then the new map did not come
    if (!savedTo.empty()) ShowSaved(savedTo);
    // The view is back at its start: the scroll bars follow it at once rather than at the
    // next activation, so the arrows and the scroll bars go on from where the view is.
    SyncScrollBars();
    RefreshRouteState();
    RedrawAll();
}

void TVellEdit::N5Click() {
    BeginCommand();
    if (EditorSaveMap(Map, Dialogs, NameUnwritten)) {
        MapSaved();
        ShowSaved(Map.FileName);
    }
    RedrawAll();
}

void TVellEdit::O1Click() {
    BeginCommand();
    std::string savedTo;
    if (EditorOpenMap(Map, Dialogs, &savedTo, NameUnwritten))
        MapReplaced();
    else if (!Map.Modified)
        MapSaved();
    if (!savedTo.empty()) ShowSaved(savedTo);
    SyncScrollBars();
    RefreshRouteState();
    RedrawAll();
}

void TVellEdit::A1Click() {
    BeginCommand();
    if (SaveMapAs(Map, Dialogs, NameUnwritten)) {
        MapSaved();
        ShowSaved(Map.FileName);
    }
    RedrawAll();
}

void TVellEdit::N3Click() {
    close();
}

void TVellEdit::closeEvent(QCloseEvent* event) {
    BeginCommand();
    if (ConfirmExit(Map, Dialogs, NameUnwritten)) {
        // A clean exit: whatever was not saved was given up (or saved) in answer.
        if (Recovery) Recovery->Remove();
        event->accept();
    } else {
        if (!Map.Modified) MapSaved(); // saved in answer, but not allowed to leave
        event->ignore();
    }
}

void TVellEdit::C1Click() {
    BeginCommand();
    if (auto color = Dialogs.ChooseColor(CurrentColor)) CurrentColor = *color;
    Record(ChooseColorLabel);
}

} // namespace vell

// The cab view window and its game loop.
#include "cab/View3D.h"

#include "cab/CabGL.h"
#include "cab/CabGauges.h"
#include "cab/EvaluationWindow.h"
#include "cab/SoundPanel.h"
#include "cab/look/LookGL.h"
#include "cab/scene/Scene.h"
#include "cab/scene/SceneLists.h"
#include "sim/CrashText.h"
#include "ui/QtUserDialogs.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

namespace vell {

const char* const View3DCaption =
    QT_TRANSLATE_NOOP("vell::TView3D", "Вид из кабины. Пробел - вызов меню.");
const char* const AccidentText = QT_TRANSLATE_NOOP("vell::TView3D", "Авария!");

namespace {

constexpr int TimerIntervalMs = 50;
constexpr int PanelWidth = 201;
// The designed 193 pixels, a title above the list and the look's list below it.
constexpr int PanelHeight = 233;
constexpr int LookRow = 26;
// Where the look chosen is kept between runs, beside the sound's settings.
const char* const SettingsOrganisation = "vell";
const char* const SettingsApplication = "VellGame";
const char* const LookKey = "view/look";
// The menu opens this far up and left of the window's middle.
constexpr int MenuOffset = 50;
// The help: its distance from the window's edges, the room round its text, its widest, and
// the range of its font.
constexpr int HelpMargin = 8;
constexpr int HelpPadding = 8;
constexpr int HelpMaxWidth = 620;
constexpr int HelpLargestPoints = 10;
constexpr int HelpSmallestPoints = 6;
// The window's frame before a window manager has framed it the first time: a title bar and
// thin borders.
constexpr QSize AssumedFrame(16, 40);

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A visibility distance as the panel shows it: "500 м".
QString DistanceText(int metres) {
    return TView3D::tr("%1 м").arg(metres);
}

} // namespace

void SetCabSurfaceFormat() {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
}

// The surface.

TCabSurface::TCabSurface(TView3D& view) : QOpenGLWidget(&view), View(view) {
    setObjectName(QStringLiteral("Surface"));
    // The picture is kept between paints: a frame drawn by the timer is shown as it is.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    // A new framebuffer holds no frame yet.
    connect(this, &QOpenGLWidget::resized, this, [this]() { FreshFrame = false; });
    setMouseTracking(true); // the joystick follows the mouse without a button held
    setFocusPolicy(Qt::StrongFocus);
}

TCabSurface::~TCabSurface() {
    DropScaleBuffer();
}

void TCabSurface::DropScaleBuffer() {
    if (!ScaleBuffer) return;
    // It can only exist in a context, which must be current to free it.
    makeCurrent();
    ScaleBuffer.reset();
    doneCurrent();
}

void TCabSurface::initializeGL() {
    View.LookContextLost();
}

bool TCabSurface::DrawFrameNow() {
    if (!isValid()) {
        update();
        return false;
    }
    makeCurrent();
    RenderFrame();
    FreshFrameBuffer = defaultFramebufferObject();
    FreshFrame = true;
    doneCurrent();
    update();
    return true;
}

void TCabSurface::paintGL() {
    // A resize or a new context brings a new framebuffer, which must be drawn.
    if (FreshFrame && FreshFrameBuffer == defaultFramebufferObject()) {
        FreshFrame = false;
        return;
    }
    FreshFrame = false;
    RenderFrame();
}

void TCabSurface::RenderFrame() {
    // Sizes from the widget every frame: a recreated context does not always report a resize.
    const qreal ratio = devicePixelRatioF();
    const QSize target(qRound(width() * ratio), qRound(height() * ratio));
    QSize render = View.RenderSize(target);
    if (render != target && !QOpenGLFramebufferObject::hasOpenGLFramebufferBlit()) render = target;
    if (render == target) {
        ScaleBuffer.reset();
        View.DrawFrame(target.width(), target.height());
        LastRenderSize = target;
        return;
    }
    // Full screen at the chosen resolution: draw off screen at that size, then scale it up.
    if (!ScaleBuffer || ScaleBuffer->size() != render)
        ScaleBuffer =
            std::make_unique<QOpenGLFramebufferObject>(render, QOpenGLFramebufferObject::Depth);
    ScaleBuffer->bind();
    View.DrawFrame(render.width(), render.height());
    QOpenGLExtraFunctions* f = context()->extraFunctions();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, ScaleBuffer->handle());
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, defaultFramebufferObject());
    f->glBlitFramebuffer(0, 0, render.width(), render.height(), 0, 0, target.width(),
                         target.height(), GL_COLOR_BUFFER_BIT, GL_LINEAR);
    f->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    LastRenderSize = render;
}

void TCabSurface::mousePressEvent(QMouseEvent* event) {
    View.FormMouseDown(event->button());
}

void TCabSurface::mouseReleaseEvent(QMouseEvent* event) {
    View.FormMouseUp(event->button());
}

void TCabSurface::mouseMoveEvent(QMouseEvent* event) {
    View.FormMouseMove(event->position().x(), event->position().y());
}

// The window.

TView3D::TView3D(TMap& map, TWorld& world, IUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      ShakeRandom(TRandom::ClockSeed()), Map(map), World(world), Dialogs(dialogs),
      SceneLists(std::make_unique<TSceneLists>()), LookRenderer(std::make_unique<TLookRenderer>()) {
    setObjectName(QStringLiteral("View3D"));
    setWindowTitle(tr(View3DCaption));
    // The route selection window is hidden during a game: closing this window then must end
    // the game, not the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(320, 240); // the client area of an outer size of 328 x 267

    Surface = new TCabSurface(*this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Surface);

    BuildPanel();
    BuildMenu();
    BuildHelp();
    BuildSound();
    BuildReplayBar();
    BuildScoreLine();
    ShowMenuFor();

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(TimerIntervalMs);
    connect(Timer, &QTimer::timeout, this, &TView3D::TimerTimer);
    Timer->start();
    TickClock.start();

    // FormCreate: the joystick starts at the middle of the screen.
    QSize screen(640, 480);
    if (const QScreen* s = QGuiApplication::primaryScreen()) screen = s->size();
    Cab.Joystick.CentreOnScreen(screen.width(), screen.height());
    ResizeEnabled = true;
}

TView3D::~TView3D() = default;

void TView3D::BuildPanel() {
    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel->setAutoFillBackground(true);
    // Presses on the panel's background stay on the panel: they do not close it.
    Panel->setAttribute(Qt::WA_NoMousePropagation);
    QFont font = Panel->font();
    font.setPointSize(8);
    Panel->setFont(font);
    const QFontMetrics metrics(font);
    const QString wallText = tr("Видимость для стен (100 - 2000 м):");
    const QString treeText = tr("Видимость для деревьев (100 - 2000 м):");
    const QString tramText = tr("Видимость для трамваев (100 - 2000 м):");
    const QString resolutionText = tr("Разрешение:");
    const QString lookText = tr("Вид:");
    const int valueWidth = metrics.horizontalAdvance(DistanceText(MaxViewDist)) + 4;
    // The lists on the resolution's and the look's lines start after the longer label.
    const int resolutionWidth =
        std::max(metrics.horizontalAdvance(resolutionText), metrics.horizontalAdvance(lookText)) +
        4;
    // The designed width suits a narrower font than most desktops have: the panel grows just
    // enough to show its longest label whole, and the resolution list beside its label.
    const int width = std::max({PanelWidth, metrics.horizontalAdvance(wallText) + 16,
                                metrics.horizontalAdvance(treeText) + 16,
                                metrics.horizontalAdvance(tramText) + 16, resolutionWidth + 120});

    const auto label = [this, width](const char* name, const QString& text, int top) {
        auto* l = new QLabel(text, Panel);
        l->setObjectName(Text(name));
        l->setGeometry(6, top, width - 12, 15);
        return l;
    };
    const auto value = [this, width, valueWidth](const char* name, int top) {
        auto* l = new QLabel(Panel);
        l->setObjectName(Text(name));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(width - 6 - valueWidth, top, valueWidth, 20);
        return l;
    };
    const auto trackBar = [this, width, valueWidth](const char* name, int position, int top,
                                                    QLabel* shown) {
        auto* t = new QSlider(Qt::Horizontal, Panel);
        t->setObjectName(Text(name));
        t->setRange(MinViewDist, MaxViewDist);
        t->setSingleStep(ViewDistStep);
        t->setPageStep(ViewDistStep);
        t->setTickInterval(ViewDistStep);
        t->setTickPosition(QSlider::TicksBelow);
        t->setValue(position);
        t->setGeometry(6, top, width - 16 - valueWidth, 24);
        shown->setText(DistanceText(position));
        connect(t, &QSlider::valueChanged, shown,
                [shown](int metres) { shown->setText(DistanceText(metres)); });
        return t;
    };

    PanelTitle = label("PanelTitle", tr("Настройки графики"), 4);
    QFont bold = font;
    bold.setBold(true);
    PanelTitle->setFont(bold);
    PanelTitle->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    // The list's label on the list's line, left of it.
    CResolution = label("CResolution", resolutionText, 24);
    CResolution->setGeometry(6, 24, resolutionWidth, 22);
    WH = new QComboBox(Panel);
    WH->setObjectName(QStringLiteral("WH"));
    WH->setMaxVisibleItems(10);
    for (const TResolution& r : Resolutions)
        WH->addItem(QStringLiteral("%1x%2").arg(r.Width).arg(r.Height));
    WH->setCurrentIndex(DefaultResolution);
    WH->setGeometry(10 + resolutionWidth, 24, width - 16 - resolutionWidth, 22);
    CResolution->setBuddy(WH);

    // The look, on its line below the resolution's.
    CLook = label("CLook", lookText, 50);
    CLook->setGeometry(6, 50, resolutionWidth, 22);
    LookBox = new QComboBox(Panel);
    LookBox->setObjectName(QStringLiteral("LookBox"));
    LookBox->addItem(tr("По карте"));
    LookBox->addItem(tr("Классический вид"));
    LookBox->addItem(tr("Подробный вид"));
    const int stored = QSettings(SettingsOrganisation, SettingsApplication)
                           .value(QString::fromLatin1(LookKey), 0)
                           .toInt();
    if (stored >= 0 && stored < LookSettingCount) LookSetting = TLookSetting(stored);
    LookBox->setCurrentIndex(int(LookSetting));
    LookBox->setGeometry(10 + resolutionWidth, 50, width - 16 - resolutionWidth, 22);
    CLook->setBuddy(LookBox);

    CDistWall = label("CDistWall", wallText, 50 + LookRow);
    VDistWall = value("VDistWall", 67 + LookRow);
    UDistWall = trackBar("UDistWall", Cab.ViewDistWall, 65 + LookRow, VDistWall);
    CDistTree = label("CDistTree", treeText, 91 + LookRow);
    VDistTree = value("VDistTree", 108 + LookRow);
    UDistTree = trackBar("UDistTree", Cab.ViewDistTree, 106 + LookRow, VDistTree);
    Label1 = label("Label1", tramText, 132 + LookRow);
    VDistVell = value("VDistVell", 149 + LookRow);
    UDistVell = trackBar("UDistVell", Cab.ViewDistVell, 147 + LookRow, VDistVell);

    Done = new QPushButton(tr("Принять"), Panel);
    Done->setObjectName(QStringLiteral("Done"));
    Done->setDefault(true);
    const int button = (width - 19) / 2;
    Done->setGeometry(6, 177 + LookRow, button, 24);
    Cancel = new QPushButton(tr("Отмена"), Panel);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setAutoDefault(false);
    Cancel->setGeometry(width - 6 - button, 177 + LookRow, button, 24);
    connect(Done, &QPushButton::clicked, this, &TView3D::DoneClick);
    connect(Cancel, &QPushButton::clicked, this, &TView3D::CancelClick);
    Panel->setFixedSize(width, PanelHeight);
    Panel->hide();
}

void TView3D::BuildMenu() {
    Menu = new QMenu(this);
    Menu->setObjectName(QStringLiteral("Menu"));
    const auto item = [this](QMenu* menu, const char* name, const char* caption, bool check) {
        QAction* a = menu->addAction(tr(caption));
        a->setObjectName(Text(name));
        a->setCheckable(check); // check items toggle themselves
        return a;
    };
    N1 = item(Menu, "N1", QT_TR_NOOP("Полный экран (&F)"), true);
    N6 = item(Menu, "N6", QT_TR_NOOP("Автопилот (&A)"), true);
    N6->setChecked(true);
    D1 = item(Menu, "D1", QT_TR_NOOP("Показывать задержку (&D)"), true);
    ShowScoreItem = item(Menu, "ShowScoreItem", QT_TR_NOOP("Показывать оценку (&E)"), true);
    ShowScoreItem->setChecked(ShowScore);
    N2 = Menu->addMenu(tr("Скорость игры:"));
    N2->setObjectName(QStringLiteral("N2"));
    N2->menuAction()->setObjectName(QStringLiteral("N2Item"));
    SpeedGroup = new QActionGroup(this);
    SpeedGroup->setExclusive(true);
    for (int k = 0; k < GameSpeedCount; ++k) {
        const int speed = GameSpeedOf(k);
        QAction* a = N2->addAction(QStringLiteral("x%1").arg(speed));
        a->setObjectName(QStringLiteral("x%11").arg(speed)); // x11 .. x10241
        a->setCheckable(true);
        SpeedGroup->addAction(a);
        SpeedItems[k] = a;
        connect(a, &QAction::triggered, this, [this, k]() { SpeedClick(k); });
    }
    SpeedItems[0]->setChecked(true);
    PauseReplay = item(Menu, "PauseReplay", QT_TR_NOOP("Пауза (&P)"), true);
    TakeOver = item(Menu, "TakeOver", QT_TR_NOOP("Взять управление (&T)"), false);
    SaveGame = item(Menu, "SaveGame", QT_TR_NOOP("Сохранить игру"), false);
    SaveReplay = item(Menu, "SaveReplay", QT_TR_NOOP("Сохранить запись"), false);
    N3 = item(Menu, "N3", QT_TR_NOOP("Настройки графики..."), false);
    SoundItem = item(Menu, "SoundItem", QT_TR_NOOP("Звук..."), false);
    B1 = item(Menu, "B1", QT_TR_NOOP("Назад (&B)"), false); // only closes the menu
    N4 = item(Menu, "N4", QT_TR_NOOP("Выход (&Q)"), false);

    connect(N1, &QAction::triggered, this, &TView3D::N1Click);
    connect(N6, &QAction::triggered, this, &TView3D::N6Click);
    connect(D1, &QAction::triggered, this, &TView3D::D1Click);
    connect(ShowScoreItem, &QAction::triggered, this, &TView3D::ShowScoreClick);
    connect(SaveGame, &QAction::triggered, this, &TView3D::SaveGameClick);
    connect(SaveReplay, &QAction::triggered, this, &TView3D::SaveReplayClick);
    connect(PauseReplay, &QAction::triggered, this, &TView3D::PauseReplayClick);
    connect(TakeOver, &QAction::triggered, this, &TView3D::TakeOverClick);
    connect(N3, &QAction::triggered, this, &TView3D::N3Click);
    connect(N4, &QAction::triggered, this, &TView3D::N4Click);
}

void TView3D::BuildHelp() {
    Help = new QFrame(this);
    Help->setObjectName(QStringLiteral("Help"));
    // Dark and see-through over the picture. Presses pass through it to the picture, whose
    // press handler closes it.
    Help->setStyleSheet(QStringLiteral("QFrame#Help { background-color: rgba(0, 0, 0, 225); "
                                       "border: 1px solid rgb(255, 255, 153); }"
                                       "QLabel { color: white; background: transparent; }"));
    Help->setAttribute(Qt::WA_TransparentForMouseEvents);
    HelpText = new QLabel(Help);
    HelpText->setObjectName(QStringLiteral("HelpText"));
    HelpText->setTextFormat(Qt::RichText);
    HelpText->setWordWrap(true);
    HelpText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Help->hide();
}

void TView3D::BuildReplayBar() {
    ReplayBar = new QLabel(this);
    ReplayBar->setObjectName(QStringLiteral("ReplayBar"));
    ReplayBar->setStyleSheet(QStringLiteral("QLabel { background-color: rgba(0, 0, 0, 180); "
                                            "color: rgb(255, 255, 153); padding: 4px; }"));
    ReplayBar->setAttribute(Qt::WA_TransparentForMouseEvents);
    ReplayBar->move(HelpMargin, HelpMargin);
    ReplayBar->hide();
}

void TView3D::BuildScoreLine() {
    ScoreLine = new QLabel(this);
    ScoreLine->setObjectName(QStringLiteral("ScoreLine"));
    ScoreLine->setStyleSheet(QStringLiteral("QLabel { background-color: rgba(0, 0, 0, 150); "
                                            "color: rgb(255, 255, 153); padding: 3px 6px; }"));
    ScoreLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ScoreLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    ScoreLine->hide();
}

void TView3D::PlaceScoreLine() {
    ScoreLine->move(width() - ScoreLine->width() - HelpMargin, HelpMargin);
}

void TView3D::UpdateScoreLine() {
    // The player's shift only: a recording watched shows its own bar, and an ended shift its
    // evaluation.
    const bool shown = ShowScore && !Watching && Score.Started() && !ShiftOutcome;
    if (!shown) {
        ScoreLine->hide();
        ScoreLineShows = {};
        return;
    }
    TScoreLineKey now;
    now.Earned = Score.PointsEarned();
    now.Reached = Score.StopsReached();
    now.Planned = Score.Planned();
    if (const TScoreEvent* last = Score.LastEvent()) {
        now.LastStep = last->Step;
        now.LastRule = int(last->Rule);
        now.LastPoints = last->Points;
    }
    if (now != ScoreLineShows || !ScoreLine->isVisible()) {
        ScoreLineShows = now;
        ScoreLine->setText(ScoreLineText(Score.Evaluation(false)));
        ScoreLine->adjustSize();
        PlaceScoreLine();
        ScoreLine->show();
        ScoreLine->raise();
    }
}

QString TView3D::HelpHtml(bool speedometerBroken) {
    const auto line = [](const QString& text) { return text.toHtmlEscaped() + "<br>"; };
    QString html = "<b>" + tr("Как вести трамвай").toHtmlEscaped() + "</b><br>";
    html += line(tr("Трамвай начинает на автопилоте: чтобы вести самому, выключите его в меню."));
    html += line(tr("Мышь — джойстик: вверх — ход, вниз — тормоз, в стороны — взгляд."));
    html += line(tr("Жёлтый кружок — нейтраль джойстика: на его высоте трамвай катится без тока."));
    html += line(tr("Левая кнопка мыши открывает двери, правая закрывает."));
    html += line(tr("Пробел или Esc — меню, F1 — эта справка, B — звонок."));
    html += "<b>" + tr("Приборы").toHtmlEscaped() + "</b><br>";
    html += line(tr("Слева — контроллер: стрелка вверх — ход, вниз — тормоз."));
    html += line(tr("Спидометр — скорость, км/ч; число под стрелкой — предел скорости на 50 м "
                    "вперёд, красное — пора тормозить."));
    if (speedometerBroken)
        html += "<span style=\"color: #ff9090\">" +
                line(tr("У этого трамвая спидометр сломан: стрелка всегда на нуле.")) + "</span>";
    html += line(tr("Рамка справа: зелёная — правила соблюдены и трамвай на маршруте, красная — "
                    "нет; полоса в ней — заполнение салона, над ней — двери."));
    html += line(tr("Часы внизу слева — отклонение от расписания в минутах и секундах: зелёные — "
                    "раньше, красные — опоздание."));
    html += line(tr("Оранжевая стрелка — куда идёт маршрут на следующей стрелке: влево — "
                    "проходите её под током, вправо — без тока."));
    html += "<i>" + tr("Щелчок или любая клавиша закрывает справку.").toHtmlEscaped() + "</i>";
    return html;
}

void TView3D::ShowHelp() {
    HelpSeen = true;
    const TVell* tram = World.PlayerTram;
    HelpText->setText(HelpHtml(tram && !tram->SpeedometerWorks));
    HelpOpen = true;
    FitHelp();
    Help->show();
    Help->raise();
}

void TView3D::HideHelp() {
    Help->hide();
    HelpOpen = false;
}

void TView3D::FitHelp() {
    // At most as wide as reads well, a margin from the window's edges; the largest font of 10
    // down to 6 points in which the text fits the window's height (else 6 points, cut).
    const int frameWidth = std::min(width() - 2 * HelpMargin, HelpMaxWidth);
    const int textWidth = frameWidth - 2 * HelpPadding;
    const int room = height() - 2 * HelpMargin - 2 * HelpPadding;
    QFont font = Help->font();
    int textHeight = 0;
    for (int points = HelpLargestPoints; points >= HelpSmallestPoints; --points) {
        font.setPointSize(points);
        HelpText->setFont(font);
        textHeight = HelpText->heightForWidth(textWidth);
        if (textHeight <= room) break;
    }
    textHeight = std::min(textHeight, room);
    HelpText->setGeometry(HelpPadding, HelpPadding, textWidth, textHeight);
    const QSize size(frameWidth, textHeight + 2 * HelpPadding);
    Help->setGeometry(
        QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void TView3D::PrepareForGame() {
    ShiftOutcome.reset();
    EvaluationDue = false;
    ScoreLine->hide();
    // setChecked does not trigger: the handlers do not run.
    N6->setChecked(true);
    N1->setChecked(false);
    FullScreenRendering = false;
    setWindowState(windowState() &
                   ~(Qt::WindowFullScreen | Qt::WindowMaximized | Qt::WindowMinimized));
    unsetCursor();
    ResizeEnabled = true;
    SwitchingMode = false;
    SizeToResolution(std::nullopt);
}

void TView3D::SizeToResolution(std::optional<QPoint> wanted) {
    QRect room(0, 0, 640, 480);
    if (const QScreen* s = screen()) room = s->availableGeometry();
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty()) frame = AssumedFrame;
    const TClientSize client =
        OpeningClientArea(Cab.ScreenModeWidth, Cab.ScreenModeHeight, room.width() - frame.width(),
                          room.height() - frame.height());
    setWindowState(windowState() & ~Qt::WindowMaximized);
    resize(client.Width, client.Height);
    PlaceWindow(*this, wanted);
}

// The game loop.

void TView3D::TimerTimer() {
    if (MenuOpen || !isVisible() || SettingsOpen || HelpOpen) {
        Sound.Silence();
        return;
    }
    DriveFromCab(Cab, World.PlayerTram, ShakeRandom,
                 Watching ? TCabDriver::Replay : TCabDriver::Player);
    FrameStart = TickClock.elapsed();
    const QTime now = TimeOfDay();
    Cab.DayLight = DayLightAt(now.hour(), now.minute(), now.second(), now.msec());
    LookHours = now.hour() + now.minute() / 60.0 + now.second() / 3600.0;
    // A bell rung while a recording plays is heard, not recorded.
    const bool bell = std::exchange(BellRung, false);
    if (!Watching) {
        RunDriveSteps(Cab, World, Run, &Recorder, nullptr, bell);
        // Said once, where the replay bar stands, and kept in sight for the rest of the drive.
        if (Recorder.Recording() && Recorder.Full() && !ReplayBar->isVisible()) ShowMenuFor();
    } else if (!Watching->Paused && RunDriveSteps(Cab, World, Run, nullptr, &Watching->Player).Bell)
        Sound.RingBell();
    HearTick();
    UpdateLimitFigure();
    UpdateScoreLine();

    TickFrame = true;
    Surface->DrawFrameNow(); // steps 7 to 11
    TickFrame = false;

    if (Watching) {
        UpdateReplayBar();
        // The last minute before a crash is played once; the top view plays it next.
        if (Watching->Crash && Watching->Player.Finished(Run.Steps)) {
            CrashReplay = std::move(Watching->Replay);
            Watching.reset();
            N4Click();
        }
        return;
    }
    const TVell* tram = World.PlayerTram;
    // A shift driven to its end, or crashed, ends the game: the evaluation comes as the cab
    // closes, after the accident's message. A shift left because the world gave the player
    // another tram is evaluated when the player leaves.
    if (!ShiftOutcome && Score.Finished() && Score.Ending() != TShiftEnd::Left) {
        EndShift();
        UpdateScoreLine();
        if (!tram || !tram->Accident) {
            N4Click();
            return;
        }
    }
    if (tram && tram->Accident) AfterAccident(*tram);
}

// Once a tick, not once a paint: the figure walks 50 m of track and moves the warning's state.
void TView3D::UpdateLimitFigure() {
    const TVell* tram = World.PlayerTram;
    Cab.Limit = tram ? LimitShown(World, *tram, Cab.LimitWarning) : std::nullopt;
}

void TView3D::AfterAccident(const TVell& tram) {
    MenuOpen = true;
    // The caption, and on a line of its own what happened.
    std::string message = tr(AccidentText).toStdString();
    if (const std::string reason = CrashReason(tram.Crash); !reason.empty())
        message += "\n" + reason;
    TAccidentChoice choice;
    while ((choice = Dialogs.AskAfterAccident(message)) == TAccidentChoice::SaveRecording)
        SaveReplayClick();
    MenuOpen = false;
    if (choice == TAccidentChoice::Replay) {
        std::string error = RecordingError;
        if (Recorder.Recording())
            error = StartWatching(Recorder.LastSteps(Run.Steps, StepsPerPlayedMinute),
                                  Run.Steps - StepsPerPlayedMinute, true);
        if (error.empty()) return;
        Dialogs.ShowError(error);
    }
    N4Click();
}

QSize TView3D::RenderSize(QSize surface) const {
    if (FullScreenRendering) return {Cab.ScreenModeWidth, Cab.ScreenModeHeight};
    return surface;
}

void TView3D::DrawFrame(int width, int height) {
    const bool detailed = DetailedLook();
    // The detailed look's flat ground and fine geometry need the depth buffer's precision.
    BeginCabFrame(width, height, detailed ? DetailedNearPlane : ClassicNearPlane);
    DrawBackground(Cab.DayLight);
    if (detailed)
        DrawLookScene();
    else
        DrawScene();
    if (TickFrame) Elapsed = TickClock.elapsed() - FrameStart;
    if (ShowDelay) DrawFlat({DelayNumber(Elapsed)});
    if (const TVell* tram = World.PlayerTram) {
        DrawFlat(CabPanel(*tram, Cab.Limit).InDrawOrder());
        // Where the pointer must go to coast, while the player drives.
        if (!tram->AutoDrive)
            DrawFlat({NeutralMarker(Cab.Joystick.MouseCenterX, Cab.Joystick.MouseCenterY,
                                    Surface->width(), Surface->height())});
    }
    ++FramesDrawn;
}

TSceneView TView3D::SceneView() const {
    TSceneView view;
    view.CamX = Cab.CamX;
    view.CamY = Cab.CamY;
    view.CamHeading = Cab.CamHeading;
    view.DayLight = Cab.DayLight;
    view.ViewDistWall = Cab.ViewDistWall;
    view.ViewDistTree = Cab.ViewDistTree;
    view.ViewDistVell = Cab.ViewDistVell;
    view.PlayerTram = World.PlayerTram;
    return view;
}

void TView3D::DrawScene() {
    PushEyeMatrix(EyeMatrix(Cab.CamX, Cab.CamY, Cab.CamHeading));
    RenderScene(Map, World, World.Random, SceneView(), *SceneLists);
    PopMatrix();
}

bool TView3D::DetailedLook() const {
    return UsesDetailedLook(LookSetting, Map);
}

void TView3D::DrawLookScene() {
    // Why the city's look is missing, once, as the game tells what it passed over.
    if (Map.Extras.LookWarning != LookWarningTold) {
        LookWarningTold = Map.Extras.LookWarning;
        if (!LookWarningTold.empty()) std::cerr << LookWarningTold << std::endl;
    }
    PushEyeMatrix(EyeMatrix(Cab.CamX, Cab.CamY, Cab.CamHeading));
    TLookLight light = LookLightAt(LookHours);
    light.DayLight = Cab.DayLight;
    LookRenderer->Render(Map, Map.Extras.Look, World, World.Random, SceneView(), light);
    PopMatrix();
}

void TView3D::LookContextLost() {
    LookRenderer->ContextLost();
}

// The context.

void TView3D::CreateGL() {
    if (GLReady) ReleaseGL();
    // The context is the surface's; what a new context needs (viewport, perspective, depth
    // test, line width) every frame sets again from the surface's size.
    GLReady = true;
    Surface->update();
}

void TView3D::ReleaseGL() {
    if (!GLReady) return;
    Surface->DropScaleBuffer();
    GLReady = false;
}

bool TView3D::EnterFullScreenMode() {
    if (Cab.ScreenModeWidth <= 0 || Cab.ScreenModeHeight <= 0) return false;
    FullScreenRendering = true;
    return true;
}

void TView3D::LeaveFullScreenMode() {
    FullScreenRendering = false;
}

void TView3D::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return; // restored from the task bar: nothing was released
    // FormShow.
    if (ResizeEnabled && !SwitchingMode) CreateGL();
    // A continued game goes on with the saved controller and doors; the first tick would
    // otherwise give the tram the joystick of the game before.
    if (JoystickFromTram && World.PlayerTram) {
        Cab.Joystick.HoldCommandsOf(*World.PlayerTram);
    } else {
        Cab.Joystick.LeftButtonDown = false;
        Cab.Joystick.RightButtonDown = false;
    }
    JoystickFromTram = false;
    Surface->setFocus();
    // A new player does not know the mouse joystick: the first game of the run explains it.
    if (!HelpSeen) ShowHelp();
    Sound.Open(std::cerr);
    Sound.Reset();
    Cab.LimitWarning.Reset();
    UpdateLimitFigure();
    SoundPanel->SetDeviceMissing(!Sound.Playing());
    SoundPanel->Apply();
}

void TView3D::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous()) return; // minimised
    // FormHide.
    ReleaseGL();
    LeaveFullScreenMode();
    Sound.Silence();
}

void TView3D::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
    if (HelpOpen) FitHelp();
    PlaceScoreLine();
}

void TView3D::FormResize() {
    if (!ResizeEnabled || SwitchingMode) return;
    ResizeEnabled = false;
    // The window system reports the size set here once more, later; fitting that again would
    // take a pixel off at each report until the area is exactly 4:3.
    if (!N1->isChecked() && size() != FittedSize) {
        const TClientSize fit = FitClientArea(width(), height());
        FittedSize = QSize(fit.Width, fit.Height);
        if (FittedSize != size()) resize(FittedSize);
    }
    CreateGL();
    ResizeEnabled = true;
}

// Keys, menu and mouse.

void TView3D::keyPressEvent(QKeyEvent* event) {
    // The panel's default and cancel buttons; besides them only space, Esc and F1 act, and Esc
    // does not close the window.
    const int key = event->key();
    if (SettingsOpen && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        DoneClick();
        return;
    }
    if (SettingsOpen && key == Qt::Key_Escape) {
        CancelClick();
        return;
    }
    // Any key closes the help; space goes on to open the menu.
    if (HelpOpen) {
        HideHelp();
        if (key == Qt::Key_Space) OpenMenu();
        return;
    }
    if (key == Qt::Key_F1 && !SettingsOpen) {
        ShowHelp();
        return;
    }
    if (key == Qt::Key_Escape) {
        OpenMenu();
        return;
    }
    // The bell: sound only, the world does not hear it.
    if (key == Qt::Key_B && !SettingsOpen) {
        Sound.RingBell();
        BellRung = true;
        return;
    }
    if (!event->text().isEmpty()) FormKeyPress(event->text().front());
}

void TView3D::FormKeyPress(QChar key) {
    if (key == QLatin1Char(' ')) OpenMenu();
}

void TView3D::OpenMenu() {
    MenuOpen = true;
    ShowMenuFor();
    unsetCursor();
    const QRect outer = frameGeometry();
    Menu->exec(QPoint(outer.left() + outer.width() / 2 - MenuOffset,
                      outer.top() + outer.height() / 2 - MenuOffset));
    MenuOpen = false;
    if (N1->isChecked()) setCursor(Qt::BlankCursor);
}

void TView3D::N1Click() {
    SwitchingMode = true;
    ReleaseGL();
    if (N1->isChecked()) {
        EnterFullScreenMode();
        // A borderless window over the whole screen, without the cursor.
        setWindowState((windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized)) |
                       Qt::WindowFullScreen);
        setCursor(Qt::BlankCursor);
    } else {
        setWindowState(windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized));
        LeaveFullScreenMode();
        unsetCursor();
    }
    CreateGL();
    SwitchingMode = false;
}

void TView3D::N6Click() {
    if (TVell* tram = World.PlayerTram) tram->AutoDrive = N6->isChecked();
}

void TView3D::D1Click() {
    ShowDelay = D1->isChecked();
}

void TView3D::ShowScoreClick() {
    ShowScore = ShowScoreItem->isChecked();
    UpdateScoreLine();
}

void TView3D::SpeedClick(int item) {
    Cab.GameSpeed = GameSpeedOf(item);
}

void TView3D::SaveGameClick() {
    const bool wasOpen = MenuOpen;
    MenuOpen = true;
    // A name that says which city and when: "demo-2026-12-09-1534.vls" in the saves folder.
    const QString map = QFileInfo(QString::fromStdString(Map.FileName)).completeBaseName();
    const QString suggested =
        QDir(GameSavesFolder())
            .filePath(map +
                      QDateTime::currentDateTime().toString(QStringLiteral("-yyyy-MM-dd-HHmm")) +
                      QStringLiteral(".vls"));
    if (const std::optional<std::string> path = Dialogs.ChooseGameToSave(suggested.toStdString())) {
        Run.Program = {N6->isChecked(), Cab.GameSpeed};
        if (const std::string error = WriteWorldSave(*path, World, Run); !error.empty())
            Dialogs.ShowError(error);
        else
            Dialogs.ShowMessage(
                tr("Игра сохранена в файл %1").arg(QString::fromStdString(*path)).toStdString());
    }
    MenuOpen = wasOpen;
}

void TView3D::BeginDrive() {
    Watching.reset();
    CrashReplay.reset();
    Run.Program = {N6->isChecked(), Cab.GameSpeed};
    // The recording's start carries the shift as it stands.
    Run.Shift = &Score;
    RecordingError = Recorder.Start(World, Run);
    ShowMenuFor();
}

void TView3D::SaveReplayClick() {
    const bool wasOpen = MenuOpen;
    MenuOpen = true;
    if (!Recorder.Recording()) {
        Dialogs.ShowError(RecordingError);
    } else if (const std::optional<std::string> path = Dialogs.ChooseReplayToSave()) {
        if (const std::string error = WriteReplay(*path, Recorder.Drive(Run.Steps)); !error.empty())
            Dialogs.ShowError(error);
    }
    MenuOpen = wasOpen;
}

std::string TView3D::StartWatching(TReplay replay, long long fromStep, bool crash) {
    Recorder.Stop();
    Watching.reset();
    auto watching = std::make_unique<TWatching>(std::move(replay));
    World.PlayerTram = nullptr;
    World.StopWorld();
    TRunState run;
    std::string error;
    if (!StartReplay(watching->Replay, World, run, watching->Player, fromStep, error)) return error;
    Run = run;
    watching->FromStep = Run.Steps;
    watching->Crash = crash;
    Watching = std::move(watching);
    // A recording starts at x1, whatever speed it was driven at.
    SpeedItems[0]->setChecked(true);
    Cab.GameSpeed = 1;
    if (const TVell* tram = World.PlayerTram) N6->setChecked(tram->AutoDrive);
    ShowMenuFor();
    UpdateReplayBar();
    return {};
}

void TView3D::PauseReplayClick() {
    if (Watching) Watching->Paused = PauseReplay->isChecked();
    UpdateReplayBar();
}

void TView3D::TakeOverClick() {
    const TVell* tram = World.PlayerTram;
    if (!Watching || Watching->ForEvaluation || !tram || tram->Accident) return;
    Watching.reset();
    N6->setChecked(tram->AutoDrive);
    // The controller stays where the recording left it until the mouse moves.
    Cab.Joystick.ControllerOffset = -tram->ManualCommand * ControllerRange;
    // A new drive of the player's, scored from here as an open shift.
    Score.Start(World, TShift{}, Run.Steps);
    BeginDrive();
}

void TView3D::ShowMenuFor() {
    const bool watching = Watching != nullptr;
    const TVell* tram = World.PlayerTram;
    PauseReplay->setVisible(watching);
    PauseReplay->setChecked(watching && Watching->Paused);
    // An event of the evaluation is watched to be judged, not driven on from.
    TakeOver->setVisible(watching && !Watching->ForEvaluation);
    TakeOver->setEnabled(watching && tram && !tram->Accident);
    // While a recording drives, the autopilot is the recording's.
    N6->setEnabled(!watching);
    SaveReplay->setEnabled(!watching);
    const bool full = !watching && Recorder.Recording() && Recorder.Full();
    ReplayBar->setVisible(watching || full);
    if (full) {
        ReplayBar->setText(tr("Запись поездки заполнена и остановлена: в ней всё до этого места"));
        ReplayBar->adjustSize();
    }
}

void TView3D::UpdateReplayBar() {
    if (!Watching) return;
    const auto clock = [](long long steps) {
        const long long seconds = steps / 20;
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    };
    QString text = tr("Запись %1 из %2, x%3")
                       .arg(clock(Run.Steps - Watching->FromStep),
                            clock(Watching->Replay.EndStep - Watching->FromStep))
                       .arg(Cab.GameSpeed);
    if (Watching->Player.Finished(Run.Steps))
        text += tr(", конец записи");
    else if (Watching->Paused)
        text += tr(", пауза");
    text += "\n" + (Watching->ForEvaluation
                        ? tr("Пробел - меню: скорость, пауза; выход - назад к оценке")
                        : tr("Пробел - меню: скорость, пауза, взять управление"));
    ReplayBar->setText(text);
    ReplayBar->adjustSize();
}

void TView3D::UseProgramState(const TProgramState& program) {
    N6->setChecked(program.Autopilot);
    for (int k = 0; k < GameSpeedCount; ++k)
        if (GameSpeedOf(k) == program.GameSpeed) {
            SpeedItems[k]->setChecked(true);
            Cab.GameSpeed = program.GameSpeed;
        }
}

void TView3D::N3Click() {
    unsetCursor();
    SettingsOpen = true;
    Panel->move((width() - Panel->width()) / 2, (height() - Panel->height()) / 2);
    Panel->show();
    Panel->raise();
    WH->setFocus();
}

void TView3D::N4Click() {
    close();
}

void TView3D::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool TView3D::MayClose() {
    // The player leaves a shift that is still running: it ends here.
    if (!Watching && !ShiftOutcome && Score.Started()) {
        if (!Score.Finished()) Score.EndByPlayer(Run.Steps);
        EndShift();
        UpdateScoreLine();
    }
    return !EvaluationDue || ShowEvaluation();
}

void TView3D::EndShift() {
    TEvaluation evaluation = Score.Evaluation();
    TReplay drive;
    ShiftRecordingFirst = evaluation.EndStep;
    if (Recorder.Recording()) {
        drive = Recorder.Drive(evaluation.EndStep);
        ShiftRecordingFirst = ReplayStart(drive).Steps;
    }
    // An open shift that reached no stop and had no event has nothing to show.
    EvaluationDue = evaluation.Shift.Kind != TShiftKind::Open || evaluation.StopsReached > 0 ||
                    !evaluation.Events.empty();
    ShiftOutcome = TShiftOutcome{std::move(evaluation), std::move(drive)};
}

bool TView3D::ShowEvaluation() {
    if (!ShiftOutcome) return true;
    const bool wasOpen = MenuOpen;
    MenuOpen = true;
    Sound.Silence();
    unsetCursor();
    const TReplay& drive = ShiftOutcome->Drive;
    const long long recordEnd = drive.Start.empty() ? ShiftRecordingFirst : drive.EndStep;
    bool watching = false;
    for (;;) {
        TEvaluationWindow window(ShiftOutcome->Evaluation, ShiftRecordingFirst, recordEnd, this);
        window.SaveRecording = [this] { SaveShiftRecording(); };
        window.exec();
        if (!window.ReplayEvent) break;
        const std::string error =
            StartWatching(drive, window.ReplayFrom(*window.ReplayEvent), false);
        if (error.empty()) {
            Watching->ForEvaluation = true;
            ShowMenuFor();
            UpdateReplayBar();
            watching = true;
            break;
        }
        Dialogs.ShowError(error);
    }
    MenuOpen = wasOpen;
    if (N1->isChecked()) setCursor(Qt::BlankCursor);
    EvaluationDue = watching;
    return !watching;
}

void TView3D::SaveShiftRecording() {
    if (!ShiftOutcome || ShiftOutcome->Drive.Start.empty()) {
        Dialogs.ShowError(RecordingError.empty() ? tr("Поездка не записывалась.").toStdString()
                                                 : RecordingError);
        return;
    }
    if (const std::optional<std::string> path = Dialogs.ChooseReplayToSave())
        if (const std::string error = WriteReplay(*path, ShiftOutcome->Drive); !error.empty())
            Dialogs.ShowError(error);
}

void TView3D::HidePanel() {
    Panel->hide();
    SoundPanel->hide();
    SettingsOpen = false;
    Surface->setFocus();
}

void TView3D::DoneClick() {
    HidePanel();
    const int row = WH->currentIndex();
    bool newResolution = false;
    if (row >= 0 && row < int(Resolutions.size())) {
        newResolution = Cab.ScreenModeWidth != Resolutions[row].Width ||
                        Cab.ScreenModeHeight != Resolutions[row].Height;
        Cab.ScreenModeWidth = Resolutions[row].Width;
        Cab.ScreenModeHeight = Resolutions[row].Height;
    }
    Cab.ScreenModeBits = 32;
    Cab.ViewDistWall = UDistWall->value();
    Cab.ViewDistTree = UDistTree->value();
    Cab.ViewDistVell = UDistVell->value();
    if (const int look = LookBox->currentIndex(); look >= 0 && look < LookSettingCount) {
        LookSetting = TLookSetting(look);
        QSettings(SettingsOrganisation, SettingsApplication)
            .setValue(QString::fromLatin1(LookKey), look);
    }
    if (N1->isChecked()) {
        ReleaseGL();
        EnterFullScreenMode();
        CreateGL();
        setCursor(Qt::BlankCursor);
    } else if (newResolution) {
        // In a window a new resolution is the window's new size, where it stands if it fits.
        SizeToResolution(pos());
    }
}

void TView3D::CancelClick() {
    HidePanel();
}

// Sound.

void TView3D::BuildSound() {
    SoundPanel = new TSoundPanel(this);
    SoundPanel->Changed = [this](bool on, float volume) {
        Sound.SetEnabled(on);
        Sound.SetVolume(volume);
    };
    connect(SoundItem, &QAction::triggered, this, &TView3D::SoundClick);
    connect(SoundPanel->Close, &QPushButton::clicked, this, &TView3D::HidePanel);
}

void TView3D::SoundClick() {
    unsetCursor();
    SettingsOpen = true;
    SoundPanel->move((width() - SoundPanel->width()) / 2, (height() - SoundPanel->height()) / 2);
    SoundPanel->show();
    SoundPanel->raise();
    SoundPanel->Volume->setFocus();
}

void TView3D::HearTick() {
    const TVell* tram = World.PlayerTram;
    if (Cab.GameSpeed != 1 || !tram || (Watching && Watching->Paused)) {
        Sound.Silence();
        return;
    }
    // Heard where the eye is and the way it looks, moving with the tram.
    TListener listener = ListenerInCab(*tram);
    listener.X = Cab.CamX;
    listener.Y = Cab.CamY;
    listener.ForwardX = std::sin(Cab.CamHeading);
    listener.ForwardY = -std::cos(Cab.CamHeading);
    Sound.Tick(World, tram, listener);
}

void TView3D::FormMouseDown(Qt::MouseButton button) {
    // A press closes the help and does nothing else.
    if (HelpOpen) {
        HideHelp();
        return;
    }
    // A press anywhere on the picture closes the settings, applying nothing.
    HidePanel();
    if (button == Qt::LeftButton) Cab.Joystick.LeftButtonDown = true;
    if (button == Qt::RightButton) Cab.Joystick.RightButtonDown = true;
}

void TView3D::FormMouseMove(double x, double y) {
    Cab.Joystick.MouseMove(x, y);
}

void TView3D::FormMouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton) Cab.Joystick.LeftButtonDown = false;
    if (button == Qt::RightButton) Cab.Joystick.RightButtonDown = false;
}

} // namespace vell

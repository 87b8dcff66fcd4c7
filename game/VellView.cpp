// The top view window.
#include "game/VellView.h"

#include "game/TrackOverlay.h"
#include "model/MapExtras.h"
#include "model/Selection.h"
#include "model/Units.h"
#include "model/draw/Palette.h"
#include "model/draw/PlanView.h"
#include "sim/JamText.h"
#include "sim/Passengers.h"
#include "sim/RouteReport.h"
#include "ui/DialogFont.h"
#include "ui/PaintBox.h"
#include "ui/WindowPlacement.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace vell {

const char* const VellViewCaption = QT_TRANSLATE_NOOP("vell::TVellView", "Трамвай. Вид сверху.");
const char* const ReplayCaption =
    QT_TRANSLATE_NOOP("vell::TVellView", "Повтор: последняя минута перед аварией");
const char* const PassCountLabel = QT_TRANSLATE_NOOP("vell::TVellView", "Пассажиров на остановке:");

namespace {

constexpr double HalfCar = 3.8;          // metres: a car body is 7.6 m long
constexpr double DoorsShutBelow = 0.105; // a tram this little open is drawn in its colour
constexpr double AccelerationFactor = 331.4759843982756; // m/tick^2 to m/s2: TicksPerSecond^2
constexpr std::uint32_t PassCountBrush = 0xCCFFFF;       // light yellow
constexpr int PassCountLimit = 595; // the box of the text stays within the plan's edge

// A number with a fixed count of decimals and a point; a value that shows as zero gets no sign.
QString Fixed(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    const bool nonZero =
        std::any_of(text.begin(), text.end(), [](QChar c) { return c >= '1' && c <= '9'; });
    if (text.startsWith('-') && !nonZero) text.remove(0, 1);
    return text;
}

int Pixel(double v) {
    return int(RoundHalfEven(v));
}

// Texts wider than the information column in the dialog font are written a little condensed
// rather than cut off: the designed column is narrow for the wider fonts of some platforms.
constexpr int LeastStretch = 75;

void SetColumnText(QLabel& label, const QString& text) {
    if (label.text() == text) return;
    QFont font = label.parentWidget() ? label.parentWidget()->font() : label.font();
    for (int stretch = 98;
         QFontMetrics(font).horizontalAdvance(text) > label.width() && stretch >= LeastStretch;
         stretch -= 2)
        font.setStretch(stretch);
    label.setFont(font);
    label.setText(text);
}

// The middle of a tram: the mean of its cars' centres, in map metres.
QPointF TramMiddle(const TVell& tram) {
    const int cars = std::clamp(tram.Cars(), 1, MaxCars);
    QPointF sum;
    for (int car = 0; car < cars; ++car) {
        const TCarAxisXY axis = tram.CarAxis(car);
        sum += QPointF(axis.Centre.X, axis.Centre.Y);
    }
    return sum / cars;
}

} // namespace

QString MinutesSeconds(std::int64_t seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString ScheduleText(int scheduleState) {
    switch (scheduleState) {
    case -2:
        return QCoreApplication::translate("vell::TVellView", "Сильно обогнал расписание");
    case -1:
        return QCoreApplication::translate("vell::TVellView", "Обогнал расписание");
    case 0:
        return QCoreApplication::translate("vell::TVellView", "Едет по расписанию");
    case 1:
        return QCoreApplication::translate("vell::TVellView", "Отстал от расписания");
    default:
        return QCoreApplication::translate("vell::TVellView", "Сильно отстал от расписания");
    }
}

QString DeviationText(int scheduleState, std::int32_t deviationTicks) {
    const auto s = RoundHalfEven(std::fabs(double(deviationTicks)) / TicksPerSecond);
    if (scheduleState != 0)
        return QCoreApplication::translate("vell::TVellView", "(на %1)").arg(MinutesSeconds(s));
    return (deviationTicks < 0 ? QCoreApplication::translate("vell::TVellView", "(разница -")
                               : QCoreApplication::translate("vell::TVellView", "(разница ")) +
           MinutesSeconds(s) + QStringLiteral(")");
}

TVellView::TVellView(TMap& map, TMapBitmaps& bitmaps, TWorld& world, IUserDialogs& dialogs,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      Map(map), Bitmaps(bitmaps), World(world), Dialogs(dialogs) {
    setObjectName(QStringLiteral("VellView"));
    setWindowTitle(tr(VellViewCaption));
    setFont(DialogFont());
    setFixedSize(792, 621);

    PB = new TPaintBox(Bitmaps.PlanBitmap, this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setGeometry(172, 0, PlanSize, PlanSize);

    auto label = [this](const char* name, const char* text, int y,
                        int width = InfoColumnWidth - InfoMargin) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromUtf8(name));
        l->setGeometry(InfoMargin, y, width, 16);
        SetColumnText(*l, tr(text));
        return l;
    };
    CInfo = label("CInfo", QT_TR_NOOP("Информация:"), 0);
    CBortNumber = label("CBortNumber", QT_TR_NOOP("Номер поезда:"), 20);
    VBortNumber = label("VBortNumber", "", 36);
    URouteNumber = label("URouteNumber", QT_TR_NOOP("Номер маршрута"), 56);
    VRouteNumber = label("VRouteNumber", "", 72);
    CDTime = label("CDTime", QT_TR_NOOP("Отстал от расписания"), 92);
    VDTime = label("VDTime", "", 108);
    CMaxDTime = label("CMaxDTime", QT_TR_NOOP("Максимальное отставание:"), 128);
    VMaxDTime = label("VMaxDTime", "", 144);
    CSpeed = label("CSpeed", QT_TR_NOOP("Скорость:"), 164);
    VSpeed = label("VSpeed", "", 180);
    CDSpeed = label("CDSpeed", QT_TR_NOOP("Ускорение:"), 200);
    VDSpeed = label("VDSpeed", "", 216);
    CController = label("CController", QT_TR_NOOP("Положение ручки:"), 236);
    VController = label("VController", "", 252);
    CDoors = label("CDoors", QT_TR_NOOP("Двери закрыты"), 276);
    CVagons = label("CVagons", QT_TR_NOOP("Вагонов:"), 296);
    VVagons = label("VVagons", "", 312);
    CPassengers = label("CPassengers", QT_TR_NOOP("Пассажиров:"), 332);
    VPassengers = label("VPassengers", "", 348);

    btShow = new QPushButton(tr("Показать"), this);
    btShow->setObjectName(QStringLiteral("btShow"));
    btShow->setGeometry(0, 368, 170, 24);
    // The speed's value at the right end of the caption's row, over the track bar's right end.
    constexpr int valueWidth = 38;
    ViewSpeed = label("ViewSpeed", QT_TR_NOOP("Скорость просмотра:"), 396,
                      InfoColumnWidth - InfoMargin - valueWidth - 2);
    SpeedValue = label("SpeedValue", "", 396, valueWidth);
    SpeedValue->move(InfoColumnWidth - valueWidth, 396);
    SpeedValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Speed = new QSlider(Qt::Horizontal, this);
    Speed->setObjectName(QStringLiteral("Speed"));
    Speed->setGeometry(0, 412, 169, 45);
    Speed->setRange(0, 10);
    Speed->setSingleStep(1);
    Speed->setPageStep(2);
    Speed->setTickPosition(QSlider::TicksBelow);
    Speed->setTickInterval(1);
    Speed->setValue(4);
    ShowSpeedValue();
    // Below the speed track bar, so that the controls of the form stay where they are.
    ShowOccupied = new QCheckBox(tr("Показать занятые пути"), this);
    ShowOccupied->setObjectName(QStringLiteral("ShowOccupied"));
    ShowOccupied->setGeometry(InfoMargin, 460, InfoColumnWidth - InfoMargin, 20);
    btDiagram = new QPushButton(tr("График движения"), this);
    btDiagram->setObjectName(QStringLiteral("btDiagram"));
    btDiagram->setGeometry(0, 484, 170, 24);
    btDiagram->setAutoDefault(false);
    btPause = new QPushButton(this);
    btPause->setObjectName(QStringLiteral("btPause"));
    btPause->setGeometry(0, 512, 170, 24);
    btPause->setAutoDefault(false);
    btPause->setToolTip(tr("Останавливает движение всех трамваев или пускает его снова"));

    HSB = new QScrollBar(Qt::Horizontal, this);
    HSB->setObjectName(QStringLiteral("HSB"));
    HSB->setGeometry(172, 600, 600, 20);
    VSB = new QScrollBar(Qt::Vertical, this);
    VSB->setObjectName(QStringLiteral("VSB"));
    VSB->setGeometry(772, 0, 20, 600);
    for (QScrollBar* bar : {HSB, VSB}) {
        bar->setRange(0, 10000);
        bar->setSingleStep(20);
        bar->setPageStep(PlanSize); // a page is the width of the picture
    }
    HSB->setValue(4300);
    VSB->setValue(3700);
    RouteInfo = new QPushButton(QStringLiteral("?"), this);
    RouteInfo->setObjectName(QStringLiteral("RouteInfo"));
    RouteInfo->setGeometry(772, 600, 20, 20);
    RouteInfo->setAutoDefault(false);

    setTabOrder(btShow, Speed);
    setTabOrder(Speed, ShowOccupied);
    setTabOrder(ShowOccupied, btDiagram);
    setTabOrder(btDiagram, btPause);
    setTabOrder(btPause, HSB);
    setTabOrder(HSB, VSB);
    setTabOrder(VSB, RouteInfo);

    Timer = new QTimer(this);
    Timer->setInterval(50);
    connect(Timer, &QTimer::timeout, this, &TVellView::TimerTimer);
    connect(PB, &TPaintBox::MouseDown, this,
            [this](Qt::MouseButton button, QPoint at) { PBMouseDown(button, at.x(), at.y()); });
    connect(PB, &TPaintBox::MouseUp, this,
            [this](Qt::MouseButton button, QPoint at) { PBMouseUp(button, at.x(), at.y()); });
    connect(btShow, &QPushButton::clicked, this, &TVellView::btShowClick);
    connect(RouteInfo, &QPushButton::clicked, this, &TVellView::RouteInfoClick);
    connect(btDiagram, &QPushButton::clicked, this, &TVellView::btDiagramClick);
    connect(btPause, &QPushButton::clicked, this, &TVellView::PauseClick);
    // Space pauses wherever the focus is in the window: a focused button would take it first.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, &TVellView::PauseClick);
    connect(Speed, &QSlider::valueChanged, this, &TVellView::ShowSpeedValue);
    // Scrolling by hand ends "Показать"'s following; the view's own scrolling does not.
    for (QScrollBar* bar : {HSB, VSB})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this](int) { Following = false; });
    SetPaused(false);
}

// The timer runs only while the window is shown: that is when the world runs.
void TVellView::showEvent(QShowEvent* event) {
    if (!Placed) {
        PlaceWindow(*this, QPoint(112, 53));
        Placed = true;
    }
    QDialog::showEvent(event);
    Recorder.reset(); // a new run
    SetPaused(false); // a new run starts running
    Timer->start();
}

void TVellView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The world is torn down after the view closes: nothing may read it any more.
void TVellView::hideEvent(QHideEvent* event) {
    Timer->stop();
    Recorder.reset();
    if (DiagramWindow) DiagramWindow->hide();
    QDialog::hideEvent(event);
}

// The diagram records the followed tram's route; following a tram of another route starts
// it again for that route.
void TVellView::FollowRouteForDiagram() {
    const TVell* tram = World.PlayerTram;
    if (!tram || !World.Running() || !World.CanDispatch(tram->RouteRow, tram->RouteCol)) return;
    if (Recorder && Recorder->RouteRow() == tram->RouteRow &&
        Recorder->RouteCol() == tram->RouteCol)
        return;
    Recorder = std::make_unique<TTimeDistanceRecorder>(World, tram->RouteRow, tram->RouteCol,
                                                       DiagramLimit);
}

void TVellView::TimerTimer() {
    if (!isVisible()) return;
    const int steps = Paused ? 0 : StepsPerTick(Speed->value());
    FollowRouteForDiagram();
    for (int k = 0; k < steps; ++k) {
        if (BeforeStep && !BeforeStep()) {
            SetPaused(true);
            break;
        }
        World.WorldStep();
        if (Recorder) Recorder->Observe();
    }
    FollowPlayerTram();
    const int originX = HSB->value();
    const int originY = VSB->value();
    Map.ViewX = originX;
    Map.ViewY = originY;
    DrawPlan(Map, Bitmaps, SecondsOfDay());
    {
        QPainter plan(&Bitmaps.PlanBitmap);
        const bool overlay = ShowOccupied->isChecked();
        const TJamPicture jams = overlay ? LookForJams(World) : TJamPicture{};
        if (overlay) DrawHeldRails(plan, World, jams, originX, originY);
        for (const auto& tram : World.VellTable)
            if (tram) DrawVell(plan, *tram, originX, originY);
        if (overlay) DrawJamMarks(plan, World, jams, originX, originY);
        DrawFollowedMark(plan, originX, originY);
    }
    if (ShowWaiting) ShowPassCount();
    PB->update();
    ShowInfo();
}

void TVellView::DrawVell(QPainter& plan, const TVell& tram, int originX, int originY) const {
    if (!tram.Active) return;
    const std::uint32_t rim = tram.OnRoute ? Colors::White : Colors::Red;
    const std::uint32_t body = tram.DoorOpening < DoorsShutBelow ? (tram.Colour & 0xFFFFFF) : rim;
    for (int car = 0; car < tram.Cars() && car < MaxCars; ++car) {
        const TCarAxisXY axis = tram.CarAxis(car);
        const QPoint a(Pixel(axis.Centre.X - HalfCar * axis.Dir.X - originX),
                       Pixel(axis.Centre.Y - HalfCar * axis.Dir.Y - originY));
        const QPoint b(Pixel(axis.Centre.X + HalfCar * axis.Dir.X - originX),
                       Pixel(axis.Centre.Y + HalfCar * axis.Dir.Y - originY));
        plan.setPen(MapPen(rim, 5));
        plan.drawLine(a, b);
        plan.setPen(MapPen(body, 3));
        plan.drawLine(a, b);
    }
}

void TVellView::DrawFollowedMark(QPainter& plan, int originX, int originY) const {
    const TVell* tram = World.PlayerTram;
    if (!tram || !tram->Active) return;
    const QPointF middle = TramMiddle(*tram) - QPointF(originX, originY);
    const int radius = std::max(
        FollowedRingLeast, Pixel(HalfCar * std::clamp(tram->Cars(), 1, MaxCars)) + FollowedRingGap);
    plan.save();
    plan.setRenderHint(QPainter::Antialiasing, false);
    plan.setPen(MapPen(FollowedRingColour, FollowedRingWidth));
    plan.setBrush(Qt::NoBrush);
    plan.drawEllipse(QPoint(Pixel(middle.x()), Pixel(middle.y())), radius, radius);
    plan.restore();
}

void TVellView::ShowInfo() {
    const TVell* tram = World.PlayerTram;
    if (!tram) return;
    SetColumnText(*VBortNumber, QString::number(tram->Number));
    SetColumnText(*VRouteNumber, RouteText(tram->RouteRow, tram->RouteCol));
    VRouteNumber->setToolTip(VRouteNumber->text());
    SetColumnText(*CDTime, ScheduleText(tram->ScheduleState));
    SetColumnText(*VDTime, DeviationText(tram->ScheduleState, tram->Deviation));
    SetColumnText(*VMaxDTime,
                  MinutesSeconds(RoundHalfEven(double(tram->MaxLate) / TicksPerSecond)));
    SetColumnText(*VSpeed, Fixed(tram->Speed * 3.6 * TicksPerSecond, 1) + tr(" км/ч"));
    SetColumnText(*VDSpeed,
                  Fixed((tram->Speed - tram->PrevSpeed) * AccelerationFactor, 3) + tr(" м/с2"));
    SetColumnText(*VController, Fixed(tram->Command, 1));
    SetColumnText(*CDoors, tram->DoorOpening != 0 ? tr("Двери открыты") : tr("Двери закрыты"));
    SetColumnText(*VVagons, QString::number(tram->Cars()));
    SetColumnText(
        *VPassengers,
        QStringLiteral("%1/%2").arg(RoundHalfEven(tram->Passengers)).arg(tram->Capacity()));
    // A replay keeps saying so beside the stop's number.
    const QString stop = QString::number(tram->StopIndex);
    setWindowTitle(BeforeStep ? tr(ReplayCaption) + QStringLiteral(" · ") + stop : stop);
}

QString TVellView::RouteText(int row, int column) const {
    // The line riders know beside the slot, where the map names it otherwise.
    const std::optional<std::string> line = LineName(Map, row, column);
    if (!line || *line == RouteDisplayName(row, column))
        return QString::fromStdString(RouteName(row, column));
    return tr("%1, линия %2")
        .arg(QString::fromStdString(RouteDisplayName(row, column)), QString::fromStdString(*line));
}

void TVellView::ShowPassCount() {
    PassCountText.clear();
    PassCountBox = QRect();
    const int nearest =
        NearestObject(Map, std::int16_t(WaitPoint.x()), std::int16_t(WaitPoint.y()));
    const TMapObject* stop = nullptr;
    if (nearest >= 0 && Map.Objects[nearest].IsRail() && Map.Objects[nearest].IsStop())
        stop = &Map.Objects[nearest];
    if (stop) {
        const QString text = tr(PassCountLabel) + QString::number(WaitingPassengers(*stop));
        QPainter plan(&Bitmaps.PlanBitmap);
        plan.setFont(font());
        const QFontMetrics metrics = plan.fontMetrics();
        const int width = metrics.horizontalAdvance(text);
        const int height = metrics.height();
        int left = WaitPoint.x();
        int top = WaitPoint.y();
        if (left + width > PassCountLimit) left = PassCountLimit - width;
        if (top + height > PassCountLimit) top = PassCountLimit - height;
        plan.setPen(MapPen(Colors::Red, 1));
        plan.setBrush(ToQColor(PassCountBrush));
        plan.drawRect(ExclusiveBox(left - 3, top - 3, left + width + 3, top + height + 3));
        PassCountBox = QRect(QPoint(left - 3, top - 3), QPoint(left + width + 2, top + height + 2));
        plan.setPen(Qt::black);
        plan.drawText(QRect(left, top, width, height), Qt::AlignLeft | Qt::AlignTop, text);
        PassCountText = text;
    }
}

void TVellView::PBMouseDown(Qt::MouseButton button, int x, int y) {
    // A click on a car's end rail follows that tram.
    const int nearest = NearestObject(Map, std::int16_t(x), std::int16_t(y));
    auto under = [nearest](const TRailPos& pos) { return nearest >= 0 && int(pos.Obj) == nearest; };
    for (const auto& tram : World.VellTable) {
        if (!tram || !tram->Active) continue; // a tram waiting to enter is not drawn
        bool found = false;
        for (int car = 0; car < tram->Cars() && car < MaxCars && !found; ++car)
            found = under(tram->Front[car]) || under(tram->Rear[car]);
        if (found) {
            World.PlayerTram = tram.get();
            break;
        }
    }
    if (button == Qt::RightButton) {
        ShowWaiting = true;
        WaitPoint = QPoint(x, y);
    }
}

void TVellView::PBMouseUp(Qt::MouseButton button, int, int) {
    if (button == Qt::RightButton) ShowWaiting = false;
}

void TVellView::ExecReplay(std::function<bool()> beforeStep) {
    BeforeStep = std::move(beforeStep);
    setWindowTitle(tr(ReplayCaption));
    btShowClick();
    exec();
    BeforeStep = nullptr;
    setWindowTitle(tr(VellViewCaption));
}

void TVellView::btShowClick() {
    const TVell* tram = World.PlayerTram;
    if (!tram || tram->Front[0].Obj >= Map.Objects.size()) return;
    const TMapObject& rail = Map.Objects[tram->Front[0].Obj];
    // The scroll bars keep their positions within 0..10000.
    HSB->setValue(rail.X2 - PlanSize / 2);
    VSB->setValue(rail.Y2 - PlanSize / 2);
    Following = true;
}

// The tram's middle comes to the middle of the picture, as far as the scroll bars go.
void TVellView::FollowPlayerTram() {
    const TVell* tram = World.PlayerTram;
    if (!Following || !tram || !tram->Active) return;
    const QPointF middle = TramMiddle(*tram);
    HSB->setValue(Pixel(middle.x()) - PlanSize / 2);
    VSB->setValue(Pixel(middle.y()) - PlanSize / 2);
}

void TVellView::PauseClick() {
    SetPaused(!Paused);
}

void TVellView::SetPaused(bool paused) {
    Paused = paused;
    btPause->setText(Paused ? tr("Продолжить (Пробел)") : tr("Пауза (Пробел)"));
}

void TVellView::ShowSpeedValue() {
    SpeedValue->setText(QStringLiteral("x%1").arg(StepsPerTick(Speed->value())));
}

// The route report, and below it the trams that stand and the deadlocks, in VellSim's words;
// each part under a heading that says what its figures are.
void TVellView::RouteInfoClick() {
    Dialogs.ShowMessage(tr("Трамваи по маршрутам").toStdString() + "\r\n" +
                        tr("маршрут: на линии (по плану)").toStdString() + "\r\n" +
                        RouteReport(Map) + "\r\n\r\n" +
                        tr("Стоящие трамваи и взаимные блокировки").toStdString() + "\r\n" +
                        JamPictureText(Map, LookForJams(World), "\r\n"));
}

void TVellView::btDiagramClick() {
    if (!Recorder || Recorder->Minutes() <= 0) {
        Dialogs.ShowMessage(
            tr("Для графика движения выберите поезд и дайте ему поехать").toStdString());
        return;
    }
    if (!DiagramWindow)
        DiagramWindow = new TDiagramWindow([this]() { return Recorder.get(); }, this);
    DiagramWindow->Open();
}

} // namespace vell

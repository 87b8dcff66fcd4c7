// The diagram window of the top view.
#include "game/DiagramWindow.h"

#include "game/WindowFit.h"
#include "model/Route.h"
#include "model/draw/TimeDistanceDiagram.h"
#include "ui/WindowPlacement.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace vell {

namespace {

constexpr int ResizeSettleMs = 150;
constexpr QSize LeastWindow(320, 200);

} // namespace

TDiagramWindow::TDiagramWindow(std::function<const TTimeDistanceRecorder*()> recorder,
                               QWidget* parent)
    : QDialog(parent), Recorder(std::move(recorder)) {
    setObjectName(QStringLiteral("DiagramWindow"));
    setMinimumSize(LeastWindow);
    Scroll = new QScrollArea(this);
    Scroll->setObjectName(QStringLiteral("DiagramScroll"));
    Scroll->setFrameShape(QFrame::NoFrame);
    Scroll->setWidgetResizable(false);
    PictureLabel = new QLabel;
    PictureLabel->setObjectName(QStringLiteral("DiagramPicture"));
    Scroll->setWidget(PictureLabel);
    // The latest minutes are at the right: a picture the user keeps at its end stays there.
    QScrollBar* across = Scroll->horizontalScrollBar();
    connect(across, &QAbstractSlider::actionTriggered, this,
            [this, across](int) { AtLatest = across->sliderPosition() >= across->maximum(); });

    RefreshTimer = new QTimer(this);
    RefreshTimer->setInterval(DiagramRefreshMs);
    connect(RefreshTimer, &QTimer::timeout, this, &TDiagramWindow::Refresh);
    ResizeTimer = new QTimer(this);
    ResizeTimer->setSingleShot(true);
    ResizeTimer->setInterval(ResizeSettleMs);
    connect(ResizeTimer, &QTimer::timeout, this, &TDiagramWindow::Refresh);
}

void TDiagramWindow::Open() {
    if (!Sized) {
        const QSize room = ClientRoom(*this);
        resize(room.isEmpty() ? DiagramWindowPicture : DiagramWindowPicture.boundedTo(room));
        Scroll->setGeometry(rect()); // the resize event of a hidden window comes only at show
        PlaceWindow(*this);
        Sized = true;
    }
    Refresh();
    show();
    raise();
    activateWindow();
    // The scroll bars know the picture's size once the window is shown.
    if (AtLatest) ScrollToLatest();
}

void TDiagramWindow::ScrollToLatest() {
    QScrollBar* across = Scroll->horizontalScrollBar();
    across->setValue(across->maximum());
}

QSize TDiagramWindow::PictureSize() const {
    return Scroll->maximumViewportSize().expandedTo(LeastDiagramPicture);
}

bool TDiagramWindow::Refresh() {
    const TTimeDistanceRecorder* recorder = Recorder ? Recorder() : nullptr;
    if (!recorder || recorder->Minutes() <= 0) return false;
    const TDrawn now{recorder->RouteRow(), recorder->RouteCol(),    recorder->FirstMinute(),
                     recorder->Minutes(),  recorder->SampleCount(), PictureSize()};
    if (now == Drawn) return false; // nothing new: the run is paused, or the window is idle
    Picture = DrawTimeDistanceDiagram(recorder->Data(), now.Size);
    PictureLabel->setPixmap(QPixmap::fromImage(Picture));
    PictureLabel->resize(Picture.size());
    if (AtLatest) ScrollToLatest();
    const std::string route = RouteDisplayName(now.Row, now.Col);
    setWindowTitle(tr("График движения, маршрут %1").arg(QString::fromStdString(route)));
    Drawn = now;
    return true;
}

void TDiagramWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RefreshTimer->start();
}

void TDiagramWindow::hideEvent(QHideEvent* event) {
    RefreshTimer->stop();
    ResizeTimer->stop();
    QDialog::hideEvent(event);
}

void TDiagramWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Scroll->setGeometry(rect());
    if (isVisible()) ResizeTimer->start();
}

} // namespace vell

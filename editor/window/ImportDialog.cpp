// The import's dialogs: the network picture with its square, the routes and options, the progress.
#include "editor/window/ImportDialog.h"

#include "import/ImportReport.h"
#include "import/ImportStep.h"
#include "model/Route.h"
#include "model/Texts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vell {

using namespace import;

namespace {

constexpr int Margin = 8;               // pixels around the network
constexpr double MinimumExtent = 500.0; // metres the picture shows at least

// How far a frame from `start`, `length` long, may be moved along one axis of the picture: it
// stays inside when it is the smaller, and covers the picture when it is the larger; a frame
// that starts out beyond that is not pushed back, only kept from going further.
double ClampedShift(double start, double length, double shift) {
    const double side = TNetworkPicture::Side;
    const double low = std::min(std::min(0.0, side - length) - start, 0.0);
    const double high = std::max(std::max(0.0, side - length) - start, 0.0);
    return std::clamp(shift, low, high);
}

// The middle of the box around every located track node: the picture's centre.
TGeoPoint NetworkMiddle(const TOsmExtract& network) {
    double south = std::numeric_limits<double>::max(), north = -south;
    double west = south, east = -south;
    for (const TOsmTrack& track : network.Tracks)
        for (TOsmId node : track.Nodes)
            if (auto at = network.Locations.find(node); at != network.Locations.end()) {
                south = std::min(south, at->second.Lat);
                north = std::max(north, at->second.Lat);
                west = std::min(west, at->second.Lon);
                east = std::max(east, at->second.Lon);
            }
    if (south > north) return {};
    return {(south + north) / 2, (west + east) / 2};
}

QString Km(double metres) {
    return QString::number(metres / 1000, 'f', 1);
}

} // namespace

// ---- The picture ----

TNetworkPicture::TNetworkPicture(const TOsmExtract& network, QWidget* parent)
    : QWidget(parent), Projection(NetworkMiddle(network)) {
    setObjectName(QStringLiteral("NetworkPicture"));
    setFixedSize(Side, Side);
    setCursor(Qt::OpenHandCursor);
    setToolTip(tr("Трамвайная сеть выписки. Рамка — квадрат 10 км, который станет картой: "
                  "перетащите её мышью."));
    DrawNetwork(network);
}

void TNetworkPicture::DrawNetwork(const TOsmExtract& network) {
    // The scale shows every track and no more (stops of routes that run on beyond the extract's
    // track may lie far away): a city's network fills the picture, and the square, often larger,
    // is drawn over it.
    double extent = MinimumExtent;
    for (const TOsmTrack& track : network.Tracks)
        for (TOsmId node : track.Nodes)
            if (auto at = network.Locations.find(node); at != network.Locations.end()) {
                const TPointM p = Projection.ToMap(at->second);
                extent = std::max(
                    {extent, 2 * std::abs(p.X - MapCentre), 2 * std::abs(p.Y - MapCentre)});
            }
    Scale = (Side - 2 * Margin) / extent;

    Network = QImage(Side, Side, QImage::Format_RGB32);
    Network.fill(QColor(250, 250, 245));
    QPainter painter(&Network);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    for (const TOsmTrack& track : network.Tracks) {
        QPolygonF line;
        for (TOsmId node : track.Nodes)
            if (auto at = network.Locations.find(node); at != network.Locations.end())
                line << PixelOf(at->second);
        painter.drawPolyline(line);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 30, 30));
    for (const TOsmStop& stop : network.Stops)
        if (stop.Kind != TStopKind::Platform) painter.drawEllipse(PixelOf(stop.At), 1.5, 1.5);
}

QPointF TNetworkPicture::PixelOf(TGeoPoint p) const {
    const TPointM m = Projection.ToMap(p);
    return {Side / 2.0 + (m.X - MapCentre) * Scale, Side / 2.0 + (m.Y - MapCentre) * Scale};
}

TGeoPoint TNetworkPicture::LocationOf(QPointF pixel) const {
    return Projection.ToGeo({MapCentre + (pixel.x() - Side / 2.0) / Scale,
                             MapCentre + (pixel.y() - Side / 2.0) / Scale});
}

void TNetworkPicture::SetSquare(const TImportPreview& preview) {
    Square = preview.Square;
    SquareCentre = preview.Centre;
    DragOffset = {};
    update();
}

QRectF TNetworkPicture::Frame() const {
    const QPointF southWest = PixelOf(Square.SouthWest), northEast = PixelOf(Square.NorthEast);
    return QRectF(QPointF(southWest.x(), northEast.y()), QPointF(northEast.x(), southWest.y()))
        .translated(DragOffset);
}

void TNetworkPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Network);
    painter.setPen(QPen(QColor(0, 90, 200), 2));
    painter.setBrush(QColor(0, 90, 200, 40));
    painter.drawRect(Frame());
}

void TNetworkPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    Dragging = true;
    DragStart = event->position();
    setCursor(Qt::ClosedHandCursor);
}

QPointF TNetworkPicture::ClampedOffset(QPointF offset) const {
    const QPointF southWest = PixelOf(Square.SouthWest), northEast = PixelOf(Square.NorthEast);
    return {ClampedShift(southWest.x(), northEast.x() - southWest.x(), offset.x()),
            ClampedShift(northEast.y(), southWest.y() - northEast.y(), offset.y())};
}

void TNetworkPicture::mouseMoveEvent(QMouseEvent* event) {
    if (!Dragging) return;
    DragOffset = ClampedOffset(event->position() - DragStart);
    update();
}

void TNetworkPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Dragging) return;
    Dragging = false;
    setCursor(Qt::OpenHandCursor);
    DragOffset = ClampedOffset(event->position() - DragStart);
    if (DragOffset.isNull()) return;
    // The square keeps its size: only its centre moves, by as many metres as the mouse did.
    emit SquareMoved(LocationOf(PixelOf(SquareCentre) + DragOffset));
}

// ---- The dialog ----

TImportDialog::TImportDialog(const TOsmExtract& network, const std::string& extract,
                             QWidget* parent)
    : QDialog(parent), Network(network), Extract(extract) {
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(tr("Импорт из OpenStreetMap: %1")
                       .arg(QFileInfo(QString::fromStdString(extract)).fileName()));

    Picture = new TNetworkPicture(network, this);
    SquareInfo = new QLabel(this);
    SquareInfo->setObjectName(QStringLiteral("SquareInfo"));
    auto* attribution = new QLabel(QString::fromUtf8(Attribution), this);
    attribution->setObjectName(QStringLiteral("Attribution"));

    Routes = new QTreeWidget(this);
    Routes->setObjectName(QStringLiteral("Routes"));
    Routes->setRootIsDecorated(false);
    Routes->setHeaderLabels({tr("Маршрут"), tr("Место"), tr("Путь, км"), tr("Остановки")});
    // The columns fit the list: a long name is elided, its whole text in the tool tip.
    Routes->header()->setStretchLastSection(false);
    Routes->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Routes->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Routes->setTextElideMode(Qt::ElideRight);
    Routes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Routes->setMinimumWidth(300);

    Buildings = new QCheckBox(tr("Здания и деревья"), this);
    Buildings->setObjectName(QStringLiteral("Buildings"));
    Buildings->setChecked(TImportOptions().Buildings);
    Cars = new QSpinBox(this);
    Cars->setObjectName(QStringLiteral("Cars"));
    Cars->setRange(1, 3);
    Cars->setValue(TImportOptions().Cars);
    Interval = new QSpinBox(this);
    Interval->setObjectName(QStringLiteral("Interval"));
    Interval->setRange(5, 30);
    Interval->setValue(TImportOptions().IntervalMinutes);
    Interval->setSuffix(tr(" мин"));
    Interval->setToolTip(tr("Для маршрутов, отношение которых не задаёт интервала."));
    auto* options = new QFormLayout;
    options->addRow(Buildings);
    options->addRow(tr("Вагонов в поезде (1-3):"), Cars);
    options->addRow(tr("Интервал (5-30):"), Interval);

    auto* buttons = new QDialogButtonBox(this);
    Import = buttons->addButton(tr("Импорт"), QDialogButtonBox::AcceptRole);
    Import->setObjectName(QStringLiteral("Import"));
    Import->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(Picture);
    left->addWidget(SquareInfo);
    left->addWidget(attribution);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(Routes, 1);
    right->addLayout(options);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    connect(Picture, &TNetworkPicture::SquareMoved, this,
            [this](TGeoPoint centre) { MoveSquare(centre); });
    connect(Routes, &QTreeWidget::itemChanged, this, &TImportDialog::RouteTicked);
    ShowSquare(std::nullopt);
}

void TImportDialog::ShowSquare(const std::optional<TGeoPoint>& centre) {
    TImportOptions options;
    options.Center = centre;
    Shown = PreviewImport(Network, options);
    Picture->SetSquare(Shown);
    SquareInfo->setText(tr("Центр квадрата: %1, %2; путей в нём %3 км")
                            .arg(QString::fromStdString(FormatDegrees(Shown.Centre.Lat)),
                                 QString::fromStdString(FormatDegrees(Shown.Centre.Lon)),
                                 Km(Shown.TrackInSquareM)));
    FillRoutes();
}

void TImportDialog::MoveSquare(TGeoPoint centre) {
    // The preview of a new square goes through the import's one error path: a square it cannot
    // show leaves the former one, with why in its place of the square's line.
    const TImportPreview kept = Shown;
    const TImportStepEnd end = RunImportStep(Extract, [&] { ShowSquare(centre); });
    if (!end.Stopped()) return;
    Shown = kept;
    Picture->SetSquare(Shown);
    FillRoutes();
    SquareInfo->setText(QString::fromStdString(end.Error));
}

void TImportDialog::FillRoutes() {
    const QSignalBlocker blocker(Routes);
    Routes->clear();
    for (const TRoutePreview& route : Shown.Routes) {
        auto* item = new QTreeWidgetItem(Routes);
        // The line as riders know it; the ref, which the import is asked for, goes with it.
        const QString ref = QString::fromStdString(route.Ref);
        item->setText(0, route.Name.empty() ? ref : QString::fromStdString(route.Name));
        item->setData(0, Qt::UserRole, ref);
        item->setToolTip(0, item->text(0) == ref
                                ? ref
                                : tr("%1 (ref в OpenStreetMap: %2)").arg(item->text(0), ref));
        if (route.Skipped()) {
            item->setText(1, QStringLiteral("-"));
            // Shown, but neither taken nor to be ticked: the tool tip says why.
            item->setFlags(Qt::ItemNeverHasChildren);
            item->setCheckState(0, Qt::Unchecked);
            for (int c = 0; c < Routes->columnCount(); ++c)
                item->setToolTip(c, item->text(0) + QLatin1Char('\n') +
                                        QString::fromStdString(route.Why));
            continue;
        }
        item->setText(1, QString::fromStdString(RouteDisplayName(route.Row, route.Column)));
        item->setText(2, Km(route.RelationLengthM));
        item->setText(3, QString::number(route.RelationStops));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
        item->setCheckState(0, Unticked.count(route.Ref) ? Qt::Unchecked : Qt::Checked);
    }
    RouteTicked();
}

void TImportDialog::RouteTicked() {
    for (int i = 0; i < Routes->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = Routes->topLevelItem(i);
        if (!(item->flags() & Qt::ItemIsUserCheckable)) continue;
        const std::string ref = item->data(0, Qt::UserRole).toString().toStdString();
        if (item->checkState(0) == Qt::Checked)
            Unticked.erase(ref);
        else
            Unticked.insert(ref);
    }
    // No route ticked would be all routes to the import: there is nothing to import then.
    Import->setEnabled(!Options().Routes.empty());
}

TImportOptions TImportDialog::Options() const {
    TImportOptions options;
    options.Center = Shown.Centre;
    for (const TRoutePreview& route : Shown.Routes)
        if (!route.Skipped() && !Unticked.count(route.Ref)) options.Routes.push_back(route.Ref);
    options.Cars = Cars->value();
    options.IntervalMinutes = Interval->value();
    options.Buildings = Buildings->isChecked();
    return options;
}

// ---- The progress ----

TImportProgressDialog::TImportProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ImportProgress"));
    setWindowTitle(tr("Импорт из OpenStreetMap"));
    Stage = new QLabel(this);
    Stage->setObjectName(QStringLiteral("Stage"));
    Stage->setMinimumWidth(320);
    Bar = new QProgressBar(this);
    Bar->setObjectName(QStringLiteral("Bar"));
    Bar->setRange(0, 1000);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Stage);
    layout->addWidget(Bar);
    layout->addWidget(buttons);
}

void TImportProgressDialog::Show(const TImportProgress& progress) {
    switch (progress.Stage()) {
    case EImportStage::ReadingTrack:
        Stage->setText(tr("Чтение трамвайной сети..."));
        break;
    case EImportStage::LayingTrack:
        Stage->setText(tr("Укладка путей и маршрутов..."));
        break;
    case EImportStage::ReadingCity:
        Stage->setText(tr("Чтение зданий и деревьев..."));
        break;
    case EImportStage::BuildingCity:
        Stage->setText(tr("Постройка города..."));
        break;
    }
    Bar->setValue(int(std::lround(progress.Fraction() * 1000)));
}

} // namespace vell

// The best shifts' window.
#include "game/BestShiftsWindow.h"

#include "ui/DialogFont.h"
#include "ui/WindowPlacement.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vell {

const char* const BestShiftsCaption = QT_TRANSLATE_NOOP("vell::TBestShiftsWindow", "Лучшие смены");

namespace {

enum TColumn { RankColumn, LineColumn, ShiftColumn, DateColumn, TotalColumn, StarsColumn };
constexpr int FirstCategoryColumn = StarsColumn + 1;
constexpr int ColumnCount = FirstCategoryColumn + ScoreCategoryCount;
constexpr int MaxStars = 4;

QTableWidgetItem* Cell(const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align | Qt::AlignVCenter);
    return item;
}

QTableWidgetItem* Figure(double value) {
    return Cell(QString::number(value, 'f', 1), Qt::AlignRight);
}

// The entry's UTC date as the player's clock shows it.
QString LocalDate(const std::string& date) {
    const QDateTime utc = QDateTime::fromString(QString::fromStdString(date), Qt::ISODate);
    return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))
                         : QString::fromStdString(date);
}

} // namespace

TBestShiftsWindow::TBestShiftsWindow(const TBestShiftList& list, bool canWatch, QWidget* parent)
    : QDialog(parent), List(list), CanWatch(canWatch) {
    setObjectName(QStringLiteral("BestShiftsWindow"));
    setWindowTitle(tr(BestShiftsCaption));
    setFont(DialogFont());

    Table = new QTableWidget(0, ColumnCount, this);
    Table->setObjectName(QStringLiteral("BestShiftsTable"));
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(18);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    QStringList headers{tr("Место"), tr("Линия"), tr("Смена"),
                        tr("Дата"),  tr("Итог"),  tr("Звёзды")};
    for (int c = 0; c < ScoreCategoryCount; ++c)
        headers << QString::fromStdString(CategoryName(c));
    Table->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < ScoreCategoryCount; ++c)
        Table->horizontalHeaderItem(FirstCategoryColumn + c)
            ->setToolTip(tr("Очков за остановку, из %1").arg(CategoryPointsPerStop[c]));
    Table->horizontalHeaderItem(TotalColumn)->setToolTip(tr("Очков за остановку, из 100"));

    Empty = new QLabel(tr("На этой карте ещё нет лучших смен. Лучшей становится смена в круги "
                          "или в минуты, проеханная до конца без автопилота."),
                       this);
    Empty->setObjectName(QStringLiteral("BestShiftsEmpty"));
    Empty->setWordWrap(true);
    Skipped = new QLabel(this);
    Skipped->setObjectName(QStringLiteral("BestShiftsSkipped"));
    Skipped->setWordWrap(true);
    Skipped->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Watch = new QPushButton(tr("Смотреть (&W)"), this);
    Watch->setObjectName(QStringLiteral("BestShiftsWatch"));
    Watch->setToolTip(tr("Запись выбранной смены в кабине"));
    Watch->setDefault(true);
    Close = new QPushButton(tr("Закрыть"), this);
    Close->setObjectName(QStringLiteral("BestShiftsClose"));
    Close->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Watch);
    buttons->addWidget(Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Table, 1);
    layout->addWidget(Empty);
    layout->addWidget(Skipped);
    layout->addLayout(buttons);

    connect(Watch, &QPushButton::clicked, this, &TBestShiftsWindow::WatchClick);
    connect(Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(Table, &QTableWidget::cellDoubleClicked, this, [this](int, int) { WatchClick(); });
    connect(Table, &QTableWidget::currentCellChanged, this, [this] { UpdateWatch(); });
    Fill();
}

void TBestShiftsWindow::Fill() {
    Table->setRowCount(int(List.Shifts.size()));
    for (int r = 0; r < int(List.Shifts.size()); ++r) {
        const TListedShift& listed = List.Shifts[r];
        const TBestShift& s = listed.Shift;
        Table->setItem(r, RankColumn, Cell(QString::number(listed.Rank), Qt::AlignRight));
        QTableWidgetItem* line = Cell(QString::fromStdString(s.Line));
        line->setToolTip(line->text());
        Table->setItem(r, LineColumn, line);
        Table->setItem(r, ShiftColumn, Cell(QString::fromStdString(ShiftName(s.Shift))));
        Table->setItem(r, DateColumn, Cell(LocalDate(s.Date)));
        Table->setItem(r, TotalColumn, Figure(s.Total));
        const int stars = std::clamp(s.Stars, 0, MaxStars);
        QTableWidgetItem* starCell =
            Cell(QString(stars, QChar(0x2605)) + QString(MaxStars - stars, QChar(0x2606)));
        starCell->setToolTip(tr("Звёзд: %1 из %2").arg(stars).arg(MaxStars));
        Table->setItem(r, StarsColumn, starCell);
        for (int c = 0; c < ScoreCategoryCount; ++c)
            Table->setItem(r, FirstCategoryColumn + c, Figure(s.Points[c]));
    }
    Table->resizeColumnsToContents();
    Empty->setVisible(List.Shifts.empty());
    QStringList lines;
    for (const std::string& line : List.Skipped)
        lines << QString::fromStdString(line);
    Skipped->setText(lines.join(QLatin1Char('\n')));
    Skipped->setVisible(!lines.isEmpty());
    if (!List.Shifts.empty()) Table->setCurrentCell(0, 0);
    UpdateWatch();
}

void TBestShiftsWindow::UpdateWatch() {
    const int row = Table->currentRow();
    Watch->setEnabled(CanWatch && row >= 0 && row < int(List.Shifts.size()));
}

void TBestShiftsWindow::WatchClick() {
    const int row = Table->currentRow();
    if (!CanWatch || row < 0 || row >= int(List.Shifts.size())) return;
    ChosenRecording = List.Shifts[row].Recording;
    accept();
}

void TBestShiftsWindow::showEvent(QShowEvent* event) {
    if (!Placed) {
        // Every column whole, the table a little taller than ten lines.
        int width = 2 * Table->frameWidth() + 24;
        for (int c = 0; c < ColumnCount; ++c)
            width += Table->columnWidth(c);
        resize(std::max(width, 480), 360);
        PlaceWindow(*this);
        Placed = true;
    }
    QDialog::showEvent(event);
}

} // namespace vell

// The evaluation window and the words of the shift's figures.
#include "cab/EvaluationWindow.h"

#include "model/Route.h"
#include "model/Units.h"
#include "sim/best/BestShifts.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr QChar MinusSign(0x2212);
constexpr QChar FilledStar(0x2605);
constexpr QChar EmptyStar(0x2606);
constexpr int MaxStars = 4;
// The bars' resolution: a bar of 1000 steps shows a tenth of a point of 100.
constexpr int BarSteps = 1000;
// The window's least width and its height, pixels.
constexpr int MinWidth = 620;
constexpr int Height = 560;
// Room round a cell's text, and more round the replay column's button.
constexpr int CellPadding = 14;
constexpr int ButtonPadding = 16;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// A bar's colour by the share of its points kept: green, amber, red.
QString BarColour(double share) {
    if (share >= 0.75) return QStringLiteral("#3c9a4a");
    if (share >= 0.5) return QStringLiteral("#d09a20");
    return QStringLiteral("#c0392b");
}

// Paints the replay column's cells as push buttons, greyed where the recording does not hold
// the event: one painted cell a row instead of a widget a row, for a list of thousands.
class TReplayButtons : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionButton button;
        button.rect = option.rect.adjusted(2, 1, -2, -1);
        button.text = index.data().toString();
        button.palette = option.palette;
        button.fontMetrics = option.fontMetrics;
        button.state = QStyle::State_Raised;
        if (index.flags() & Qt::ItemIsEnabled) button.state |= QStyle::State_Enabled;
        if (option.state & QStyle::State_HasFocus) button.state |= QStyle::State_HasFocus;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int text = option.fontMetrics.horizontalAdvance(index.data().toString());
        return {text + 24, option.fontMetrics.height() + 10};
    }
};

} // namespace

QString OneDecimal(double value) {
    // Rounded once, so that the sign and the digits agree: -0.04 is "0,0", not "-0,0".
    const long long tenths = std::llround(value * 10);
    const long long whole = std::llabs(tenths) / 10, tenth = std::llabs(tenths) % 10;
    //: The decimal separator of the evaluation's figures.
    const QString separator = TEvaluationWindow::tr(",");
    return (tenths < 0 ? QStringLiteral("-") : QString()) + QString::number(whole) + separator +
           QString::number(tenth);
}

QString PointsLostText(double points) {
    if (std::llround(points * 10) <= 0) return QStringLiteral("0");
    return MinusSign + OneDecimal(points);
}

QString EventPointsText(const TScoreEvent& event) {
    // The accident costs no points of its own: it halves the total.
    if (event.Rule == TScoreRule::Accident) return QStringLiteral("÷2");
    return PointsLostText(event.Points);
}

QString StarsText(int stars) {
    stars = std::clamp(stars, 0, MaxStars);
    return QString(stars, FilledStar) + QString(MaxStars - stars, EmptyStar);
}

QString ShiftClockText(long long steps) {
    const long long seconds = std::max(0LL, (long long)std::floor(double(steps) / TicksPerSecond));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString ShiftKindText(const TShift& shift) {
    return FromUtf8(ShiftName(shift));
}

QString ShiftEndText(TShiftEnd end) {
    switch (end) {
    case TShiftEnd::Done:
        return TEvaluationWindow::tr("выполнена");
    case TShiftEnd::Left:
        return TEvaluationWindow::tr("завершена до срока");
    case TShiftEnd::Accident:
        return TEvaluationWindow::tr("авария");
    case TShiftEnd::Running:
        break;
    }
    return TEvaluationWindow::tr("идёт");
}

QString EventPlaceText(const TScoreEvent& event) {
    const QString metres =
        TEvaluationWindow::tr("%1, %2 м").arg(std::lround(event.X)).arg(std::lround(event.Y));
    if (event.Stop <= 0) return metres;
    return TEvaluationWindow::tr("к остановке %1 (%2)").arg(event.Stop).arg(metres);
}

QString ScoreLineText(const TEvaluation& evaluation) {
    const QString total = OneDecimal(evaluation.Total);
    QString line = evaluation.Shift.Kind == TShiftKind::Open
                       ? TEvaluationWindow::tr("Оценка %1 · остановки: %2")
                             .arg(total)
                             .arg(evaluation.StopsReached)
                       : TEvaluationWindow::tr("Оценка %1 · остановки: %2 из %3")
                             .arg(total)
                             .arg(evaluation.StopsReached)
                             .arg(evaluation.PlannedStops);
    if (!evaluation.Events.empty()) {
        const TScoreEvent& last = evaluation.Events.back();
        line += "\n" + TEvaluationWindow::tr("%1: %2").arg(FromUtf8(RuleName(last.Rule)),
                                                           EventPointsText(last));
    }
    return line;
}

// The window.

TEvaluationWindow::TEvaluationWindow(const TEvaluation& evaluation, long long replayFirst,
                                     long long replayEnd, QWidget* parent)
    : QDialog(parent), Shown(evaluation), RecordFirst(replayFirst), RecordEnd(replayEnd) {
    setObjectName(QStringLiteral("EvaluationWindow"));
    setWindowTitle(tr("Оценка смены"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    BuildSummary();
    BuildCategories();
    BuildEvents();

    SaveButton = new QPushButton(tr("Сохранить запись"), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    SaveButton->setAutoDefault(false);
    CloseButton = new QPushButton(tr("Закрыть"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);
    connect(SaveButton, &QPushButton::clicked, this, [this]() {
        if (SaveRecording) SaveRecording();
    });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SaveButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);
    // Wide enough for the longest rule's name whole, within the screen.
    int width = std::max({sizeHint().width(), MinWidth, EventsWidth() + 24});
    if (const QScreen* screen = parent ? parent->screen() : this->screen())
        width = std::min(width, screen->availableGeometry().width() - 40);
    resize(width, Height);
    CloseButton->setFocus();
}

void TEvaluationWindow::BuildSummary() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* top = new QHBoxLayout;

    // The total large, the stars beside it.
    Total = new QLabel(OneDecimal(Shown.Total), this);
    Total->setObjectName(QStringLiteral("Total"));
    QFont big = Total->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    Total->setFont(big);
    Total->setToolTip(tr("Баллы смены из 100"));
    auto* ofHundred = new QLabel(tr("из 100"), this);
    ofHundred->setObjectName(QStringLiteral("OfHundred"));
    ofHundred->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    Stars = new QLabel(StarsText(Shown.Stars), this);
    Stars->setObjectName(QStringLiteral("Stars"));
    QFont starFont = Stars->font();
    starFont.setPointSize(starFont.pointSize() * 2);
    Stars->setFont(starFont);
    Stars->setStyleSheet(QStringLiteral("QLabel { color: #d4a017; }"));
    Stars->setToolTip(tr("Звёзды: 4 от 90 баллов, 3 от 75, 2 от 60, 1 от 40"));
    auto* score = new QVBoxLayout;
    auto* totalLine = new QHBoxLayout;
    totalLine->addWidget(Total);
    totalLine->addWidget(ofHundred);
    totalLine->addStretch(1);
    score->addLayout(totalLine);
    score->addWidget(Stars);
    top->addLayout(score);
    top->addSpacing(24);

    // What the shift was: its route and length, how it ended, how far it came.
    auto* facts = new QVBoxLayout;
    const QString route = FromUtf8(RouteDisplayName(Shown.RouteRow, Shown.RouteCol));
    auto* routeLine = new QLabel(tr("Маршрут %1").arg(route), this);
    routeLine->setObjectName(QStringLiteral("RouteLine"));
    ShiftLine = new QLabel(tr("Смена: %1").arg(ShiftKindText(Shown.Shift)), this);
    ShiftLine->setObjectName(QStringLiteral("ShiftLine"));
    EndLine = new QLabel(
        tr("Итог: %1, время %2")
            .arg(ShiftEndText(Shown.End), ShiftClockText(Shown.EndStep - Shown.StartStep)),
        this);
    EndLine->setObjectName(QStringLiteral("EndLine"));
    StopsLine =
        new QLabel(Shown.Shift.Kind == TShiftKind::Open
                       ? tr("Остановки: %1").arg(Shown.StopsReached)
                       : tr("Остановки: %1 из %2").arg(Shown.StopsReached).arg(Shown.PlannedStops),
                   this);
    StopsLine->setObjectName(QStringLiteral("StopsLine"));
    for (QLabel* l : {routeLine, ShiftLine, EndLine, StopsLine})
        facts->addWidget(l);
    facts->addStretch(1);
    top->addLayout(facts);
    top->addStretch(1);
    layout->addLayout(top);

    QStringList notes;
    if (Shown.End == TShiftEnd::Accident)
        notes << tr("Авария: баллы смены уменьшены вдвое, звёзд нет.");
    if (Shown.UsedAutopilot) notes << tr("Перегоны, где вёл автопилот, баллов не принесли.");
    if (Shown.Continued)
        notes << tr("Смена продолжена из сохранённой игры: события до продолжения не повторить.");
    for (const QString& text : notes) {
        auto* note = new QLabel(text, this);
        note->setObjectName(QStringLiteral("Note%1").arg(Notes.size()));
        note->setStyleSheet(QStringLiteral("QLabel { color: #a03020; }"));
        layout->addWidget(note);
        Notes.push_back(note);
    }
}

void TEvaluationWindow::BuildCategories() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    for (int c = 0; c < ScoreCategoryCount; ++c) {
        const double points = Shown.Points[std::size_t(c)];
        const double most = Shown.MaxPoints[std::size_t(c)];
        const double share = most > 0 ? std::clamp(points / most, 0.0, 1.0) : 0.0;
        auto* name = new QLabel(FromUtf8(CategoryName(c)), this);
        name->setObjectName(QStringLiteral("CategoryName%1").arg(c));
        auto* bar = new QProgressBar(this);
        bar->setObjectName(QStringLiteral("CategoryBar%1").arg(c));
        bar->setRange(0, BarSteps);
        bar->setValue(int(std::lround(share * BarSteps)));
        bar->setTextVisible(false);
        bar->setFixedHeight(14);
        bar->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid #8a8a8a; "
                                          "border-radius: 2px; background: #f2f2f2; }"
                                          "QProgressBar::chunk { background: %1; }")
                               .arg(BarColour(share)));
        auto* figures = new QLabel(tr("%1 из %2").arg(OneDecimal(points), OneDecimal(most)), this);
        figures->setObjectName(QStringLiteral("CategoryPoints%1").arg(c));
        figures->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(name, c, 0);
        grid->addWidget(bar, c, 1);
        grid->addWidget(figures, c, 2);
        CategoryNames[std::size_t(c)] = name;
        CategoryBars[std::size_t(c)] = bar;
        CategoryPoints[std::size_t(c)] = figures;
    }
    grid->setColumnStretch(1, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

void TEvaluationWindow::BuildEvents() {
    const int count = int(Shown.Events.size());
    EventsTitle =
        new QLabel(count == 0 ? tr("Нарушений нет.") : tr("События: %1").arg(count), this);
    EventsTitle->setObjectName(QStringLiteral("EventsTitle"));
    QFont bold = EventsTitle->font();
    bold.setBold(true);
    EventsTitle->setFont(bold);

    Events = new QTableWidget(count, ColumnCount, this);
    Events->setObjectName(QStringLiteral("Events"));
    Events->setHorizontalHeaderLabels(
        {tr("Время"), tr("Место"), tr("Нарушение"), tr("Баллы"), QString()});
    Events->verticalHeader()->hide();
    Events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Events->setSelectionBehavior(QAbstractItemView::SelectRows);
    Events->setSelectionMode(QAbstractItemView::SingleSelection);
    Events->setItemDelegateForColumn(ReplayColumn, new TReplayButtons(Events));
    Events->setWordWrap(false);
    const QString replay = tr("Повтор");
    const QString beforeRecording = tr("Запись поездки начинается позже этого события");
    for (int row = 0; row < count; ++row) {
        const TScoreEvent& e = Shown.Events[std::size_t(row)];
        const auto cell = [&](int column, const QString& text, Qt::Alignment align) {
            auto* item = new QTableWidgetItem(text);
            item->setTextAlignment(align | Qt::AlignVCenter);
            if (e.Rule == TScoreRule::Accident) item->setForeground(QColor(0xb0, 0x20, 0x20));
            Events->setItem(row, column, item);
            return item;
        };
        cell(TimeColumn, ShiftClockText(e.Step - Shown.StartStep), Qt::AlignRight);
        cell(PlaceColumn, EventPlaceText(e), Qt::AlignLeft);
        cell(RuleColumn, FromUtf8(RuleName(e.Rule)), Qt::AlignLeft);
        cell(PointsColumn, EventPointsText(e), Qt::AlignRight);
        QTableWidgetItem* button = cell(ReplayColumn, replay, Qt::AlignCenter);
        button->setToolTip(CanReplay(std::size_t(row)) ? tr("Запись с 10 с до события")
                                                       : beforeRecording);
        if (!CanReplay(std::size_t(row))) button->setFlags(Qt::NoItemFlags);
    }
    QHeaderView* header = Events->horizontalHeader();
    for (int c : {TimeColumn, PlaceColumn, PointsColumn, ReplayColumn})
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(RuleColumn, QHeaderView::Stretch);
    Events->verticalHeader()->setDefaultSectionSize(Events->fontMetrics().height() + 10);
    // No row is picked until the player picks one.
    Events->setCurrentItem(nullptr);
    connect(Events, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == ReplayColumn) ReplayClick(row);
    });
    // The keyboard's Enter on a row's button.
    connect(Events, &QTableWidget::cellActivated, this, [this](int row, int column) {
        if (column == ReplayColumn) ReplayClick(row);
    });

    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addWidget(EventsTitle);
    layout->addWidget(Events, 1);
    Events->setVisible(count > 0);
}

int TEvaluationWindow::EventsWidth() const {
    // From the texts themselves: before the window shows, the list knows no sizes of its rows.
    // The rule's column takes the longest of all the rules' names, so that every evaluation
    // opens at one width.
    const QFontMetrics metrics = Events->fontMetrics();
    const QHeaderView* header = Events->horizontalHeader();
    int width = 2 * Events->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int c = 0; c < ColumnCount; ++c) {
        int column = header->sectionSizeHint(c);
        const auto fit = [&](const QString& text) {
            column = std::max(column, metrics.horizontalAdvance(text) + CellPadding);
        };
        if (c == RuleColumn) {
            for (int r = 0; r <= int(LastScoreRule); ++r)
                fit(FromUtf8(RuleName(TScoreRule(r))));
        } else {
            for (int row = 0; row < Events->rowCount(); ++row)
                fit(Events->item(row, c)->text());
        }
        if (c == ReplayColumn) column += ButtonPadding;
        width += column;
    }
    return width;
}

bool TEvaluationWindow::CanReplay(std::size_t event) const {
    if (event >= Shown.Events.size() || RecordEnd <= RecordFirst) return false;
    const long long step = Shown.Events[event].Step;
    return step >= RecordFirst && step <= RecordEnd;
}

long long TEvaluationWindow::ReplayFrom(std::size_t event) const {
    if (event >= Shown.Events.size()) return RecordFirst;
    return std::max(Shown.Events[event].Step - StepsBeforeEvent, RecordFirst);
}

void TEvaluationWindow::ReplayClick(int row) {
    if (row < 0 || !CanReplay(std::size_t(row))) return;
    ReplayEvent = std::size_t(row);
    accept();
}

} // namespace vell

// Every window and dialog of both programs in each language: every caption, menu item and
// column header fits its control, the accelerators are the same letters, and in English no
// Cyrillic letter is left in what a user reads except the map's own data (route names with "А"
// and "Б").
#include "tests/game/GameFixture.h"

#include "cab/EvaluationWindow.h"
#include "cab/View3D.h"
#include "editor/window/VellEdit.h"
#include "model/Units.h"
#include "ui/QtApplication.h"
#include "ui/QtUserDialogs.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

using namespace vell;
using namespace vell::test;

namespace {

// Metres per tick squared in one m/s2.
constexpr double AccelerationPerTick = TicksPerSecond * TicksPerSecond;

// Route names are the map's data: "1", "10", "1А"; so are the suffixes "А" and "Б" alone.
bool IsMapData(const QString& text) {
    static const QRegularExpression routeName(QStringLiteral("^([1-9][0-9АБ]?|[АБ])$"));
    return routeName.match(text.trimmed()).hasMatch();
}

bool HasCyrillic(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
}

void CheckText(QStringList& left, const QString& where, const QString& text) {
    if (HasCyrillic(text) && !IsMapData(text)) left << where + ": " + text;
}

void CheckActions(QStringList& left, const QList<QAction*>& actions) {
    for (QAction* a : actions) {
        CheckText(left, a->objectName(), a->text());
        if (a->menu()) CheckActions(left, a->menu()->actions());
    }
}

// Every Cyrillic text a user can read in `window`, as "control: text".
QStringList CyrillicLeft(QWidget* window) {
    QStringList left;
    CheckText(left, window->objectName(), window->windowTitle());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        CheckText(left, name, w->toolTip());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) CheckText(left, name, b->text());
        if (auto* l = qobject_cast<QLabel*>(w)) CheckText(left, name, l->text());
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                CheckText(left, name, c->itemText(i));
        if (auto* t = qobject_cast<QTableWidget*>(w))
            for (int r = 0; r < t->rowCount(); ++r)
                for (int c = 0; c < t->columnCount(); ++c) {
                    if (t->horizontalHeaderItem(c))
                        CheckText(left, name, t->horizontalHeaderItem(c)->text());
                    if (t->item(r, c)) CheckText(left, name, t->item(r, c)->text());
                }
    }
    CheckActions(left, window->findChildren<QAction*>());
    return left;
}

// A menu sizes itself to its items; what can fail is an item drawn wider than the menu.
QStringList MenuFaults(const QMenu* menu) {
    QStringList faults;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        const int width = CaptionWidth(menu, a->text());
        if (width > menu->sizeHint().width()) faults << a->objectName() + ": does not fit";
    }
    return faults;
}

} // namespace

class LanguageWindowsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TProgramLanguage> Language;
    bool English = false;

    // Cyrillic left in `window`; none is expected in English, and Russian is not searched.
    QStringList Left(QWidget* window) { return English ? CyrillicLeft(window) : QStringList(); }
    // The text in the row's language.
    QString In(const char* english, const char* russian) const {
        return QString::fromUtf8(English ? english : russian);
    }

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
    // Every test runs in both languages; a translator leaves the application with its object.
    void init() {
        QFETCH_GLOBAL(bool, english);
        English = english;
        Language =
            std::make_unique<TProgramLanguage>(english ? TLanguage::English : TLanguage::Russian);
        Language->Install();
    }
    void cleanup() { Language.reset(); }
    void initTestCase_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("ru") << false;
        QTest::newRow("en") << true;
    }

    void routeSelectionRouteMapAndTopView() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        TSelectRoute& w = g.SelectRoute;
        w.show();
        g.Choose(dir.Path("city.vl"));
        QCOMPARE(w.windowTitle(), In("Tram", "Трамвай"));
        QCOMPARE(w.RouteTable->rowCount(), 4); // 1, 1А, 10 and 2: names are map data
        // The spacing and the circuit time with their units; the Russian is the design's own.
        QCOMPARE(w.RouteTable->horizontalHeaderItem(1)->text(), In("Line", "Линия"));
        QCOMPARE(w.RouteTable->horizontalHeaderItem(4)->text(), In("Spacing (m)", "Ср. перегон"));
        QCOMPARE(w.RouteTable->horizontalHeaderItem(5)->text(), In("Time (min)", "Время(мин)"));
        // Every column shows without scrolling sideways, its header grown to fit.
        int widths = 0;
        for (int c = 0; c < w.RouteTable->columnCount(); ++c)
            widths += w.RouteTable->columnWidth(c);
        QVERIFY2(widths <= w.RouteTable->viewport()->width(),
                 qPrintable(
                     QStringLiteral("%1 > %2").arg(widths).arg(w.RouteTable->viewport()->width())));
        QCOMPARE(w.StartGame->text(), In("Start &game", "Начать игру (&G)"));
        QCOMPARE(w.DoProcess->text(), In("Run ahead before start", "Прогонять перед стартом"));
        QVERIFY2(Left(&w).isEmpty(), qPrintable(Left(&w).join("; ")));
        QStringList faults = LayoutFaults(&w);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        // The mnemonics are the Russian ones, and no two buttons share one.
        QSet<QKeySequence> letters;
        for (QPushButton* b : {w.SelectMap, w.Button1, w.Start, w.StartGame, w.Button2})
            letters << QKeySequence::mnemonic(b->text());
        QCOMPARE(letters, (QSet<QKeySequence>{
                              QKeySequence(Qt::ALT | Qt::Key_O), QKeySequence(Qt::ALT | Qt::Key_S),
                              QKeySequence(Qt::ALT | Qt::Key_V), QKeySequence(Qt::ALT | Qt::Key_G),
                              QKeySequence(Qt::ALT | Qt::Key_Q)}));
        QVERIFY(Left(&g.RouteMap).isEmpty());

        // The top view with a tram followed, and its "?" report.
        w.RouteTable->setCurrentCell(0, 0);
        g.World.StartWorld();
        TVellView& v = g.VellView;
        v.show();
        v.Timer->stop();
        auto tram = std::make_unique<TVell>(g.World);
        tram->Route = &g.Map->Route(0, 0);
        tram->Front[0] = {std::uint16_t(source.RingA[0]), 0, 7.6};
        tram->Rear[0] = {std::uint16_t(source.RingA[0]), 0, 0};
        tram->Active = true;
        tram->ScheduleState = 2;
        g.World.PlayerTram = tram.get();
        v.ShowInfo();
        QCOMPARE(v.CDTime->text(), In("Well behind schedule", "Сильно отстал от расписания"));
        QVERIFY(v.VSpeed->text().endsWith(In(" km/h", " км/ч")));
        QCOMPARE(v.btPause->text(), In("Pause (Space)", "Пауза (Пробел)"));
        QVERIFY2(Left(&v).isEmpty(), qPrintable(Left(&v).join("; ")));
        faults = LayoutFaults(&v);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        // Every text of the information column, the widest of each row among them, stays
        // whole between a margin at the window's edge and the plan.
        tram->Speed = 99.9 / 3.6 / TicksPerSecond;
        tram->PrevSpeed = tram->Speed + 8.0 / AccelerationPerTick;
        tram->Deviation = -std::int32_t(3599 * TicksPerSecond);
        tram->Passengers = 999;
        for (int state = -2; state <= 2; ++state) {
            tram->ScheduleState = std::int8_t(state);
            tram->DoorOpening = state < 0 ? 0.5 : 0;
            v.ShowInfo();
            v.PauseClick();
            for (QLabel* label : v.findChildren<QLabel*>()) {
                if (label->x() >= InfoColumnWidth || label->text().isEmpty()) continue;
                const int right = label->x() + CaptionWidth(label, label->text());
                QVERIFY2(label->x() >= 2 && right <= InfoColumnWidth,
                         qPrintable(label->objectName() + ": " + label->text()));
            }
            QVERIFY(CaptionFits(v.btPause));
        }
        v.RouteInfoClick();
        QVERIFY(QString::fromStdString(g.LastLog()).contains(In("Total", "Итого")));
        if (English)
            QVERIFY(!HasCyrillic(QString::fromStdString(g.LastLog()).remove("А").remove("Б")));
        v.hide();
        g.World.PlayerTram = nullptr;
        g.World.StopWorld();

        // The window's messages about a run that cannot start.
        for (TRunAhead outcome :
             {TRunAhead::NoWorld, TRunAhead::NoNetwork, TRunAhead::NoRoute, TRunAhead::RouteIdle,
              TRunAhead::TableFull, TRunAhead::NeverEntered})
            for (bool allTrams : {false, true}) {
                const QString text = RunAheadFailureText(outcome, allTrams, 0, 11, 3, 4);
                QVERIFY2(!English || !HasCyrillic(QString(text).remove("1А")), qPrintable(text));
            }
    }

    void cabMenuAndSettings() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TRandom random(1);
        TWorld world(*source.Map, random);
        TScriptedDialogs dialogs;
        TView3D cab(*source.Map, world, dialogs);
        QCOMPARE(cab.windowTitle(),
                 In("Cab view. Space opens the menu.", "Вид из кабины. Пробел - вызов меню."));
        QVERIFY2(Left(&cab).isEmpty(), qPrintable(Left(&cab).join("; ")));
        QCOMPARE(cab.N1->text(), In("&Full screen", "Полный экран (&F)"));
        QSet<QKeySequence> letters;
        int items = 0;
        for (QAction* a : cab.Menu->actions())
            if (!a->isSeparator() && QKeySequence::mnemonic(a->text()) != QKeySequence()) {
                letters << QKeySequence::mnemonic(a->text());
                ++items;
            }
        // F, A, D, E, P, T, B, Q as in Russian (P and T while a recording plays).
        QCOMPARE(letters.size(), items);
        QCOMPARE(items, 8);
        QVERIFY(MenuFaults(cab.Menu).isEmpty());
        cab.Panel->show();
        const QStringList faults = LayoutFaults(cab.Panel);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }

    // The evaluation at its fullest: every rule, every note, the longest words.
    void shiftEvaluation() {
        TEvaluation e;
        e.Shift = {TShiftKind::Circuits, 3};
        e.End = TShiftEnd::Accident;
        e.UsedAutopilot = e.Continued = true;
        e.PlannedStops = 60;
        e.StopsReached = 31;
        e.Total = 45.5;
        e.EndStep = 100000;
        e.Points = {900, 500, 450, 300};
        e.MaxPoints = {2400, 1200, 1200, 1200};
        for (int r = 0; r <= int(LastScoreRule); ++r)
            e.Events.push_back({1000 + 500 * r, TScoreRule(r), 12.25, 0, 60, 9999, 9999});
        TEvaluationWindow w(e, 0, e.EndStep);
        w.show();
        QCOMPARE(w.windowTitle(), In("Shift evaluation", "Оценка смены"));
        QCOMPARE(w.Total->text(), In("45.5", "45,5"));
        QVERIFY2(Left(&w).isEmpty(), qPrintable(Left(&w).join("; ")));
        const QStringList faults = LayoutFaults(&w);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        // Every column shows without scrolling sideways.
        int widths = 0;
        for (int c = 0; c < TEvaluationWindow::ColumnCount; ++c)
            widths += w.Events->columnWidth(c);
        QVERIFY2(
            widths <= w.Events->viewport()->width(),
            qPrintable(QStringLiteral("%1 > %2").arg(widths).arg(w.Events->viewport()->width())));
    }

    void editorWindowAndMenus() {
        auto map = NewMap();
        TMapBitmaps bitmaps;
        TRandom random(1);
        TScriptedDialogs dialogs;
        TVellEdit w(*map, bitmaps, random, dialogs, nullptr, nullptr);
        w.show();
        QCOMPARE(w.windowTitle(), In("Map editor  - New", "Редактор карт  - Новая"));
        QVERIFY2(Left(&w).isEmpty(), qPrintable(Left(&w).join("; ")));
        const QStringList faults = LayoutFaults(&w);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        // No two controls of the window share a mnemonic.
        QMap<QKeySequence, QString> owners;
        QStringList shared;
        auto own = [&](const QString& name, const QString& text) {
            const QKeySequence key = QKeySequence::mnemonic(text);
            if (key.isEmpty()) return;
            if (owners.contains(key)) shared << owners[key] + " and " + name;
            owners[key] = name;
        };
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
            own(b->objectName(), b->text());
        for (QAction* a : w.menuBar()->actions())
            own(a->objectName(), a->text());
        QVERIFY2(shared.isEmpty(), qPrintable(shared.join("; ")));
        // The Russian menus keep the design's letters; the English ones take their first, the
        // button that holds E in Russian giving it up. Within a menu no two items share one.
        QStringList menus;
        for (QAction* a : w.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (English ? QStringList{"&File", "&Edit", "&Color"}
                                 : QStringList{"Карта (&F)", "Правка (&U)", "Цвет (&C)"}));
        QCOMPARE(w.findChild<QPushButton*>("Swap")->text(),
                 In("Con&vert selection", "Преобразовать выделенное (&E)"));
        for (QMenu* m : w.menuBar()->findChildren<QMenu*>()) {
            QVERIFY2(MenuFaults(m).isEmpty(), qPrintable(MenuFaults(m).join("; ")));
            QSet<QKeySequence> letters;
            int items = 0;
            for (QAction* a : m->actions())
                if (const QKeySequence key = QKeySequence::mnemonic(a->text()); !key.isEmpty()) {
                    letters << key;
                    ++items;
                }
            QCOMPARE(letters.size(), items);
        }
        // A step's name in the edit menu.
        QCOMPARE(w.findChild<QAction*>("Undo")->text(), In("Undo", "Отменить"));

        // The rail check names the rule a faulty rail breaks, in the words of VellSim's check.
        AddRail(*map, 2000, 3000, 2100, 3000);
        w.findChild<QPushButton*>("Check")->click();
        QCOMPARE(w.statusBar()->currentMessage(),
                 In("Rail error! Faulty rails: 1 (selected). In the middle of the view, rail 0: "
                    "dead end: the rail leads nowhere",
                    "Ошибка с рельсами! Неисправных рельсов: 1 (выделены). В центре вида рельс 0: "
                    "тупик: рельс никуда не ведёт"));
        QVERIFY2(Left(&w).isEmpty(), qPrintable(Left(&w).join("; ")));
    }

    void messageBoxButtonsFollow() {
        TQtUserDialogs dialogs;
        QStringList captions;
        WhenModalShows(this, [&](QWidget* box) {
            if (auto* b = qobject_cast<QMessageBox*>(box))
                for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                    captions << b->button(button)->text().remove('&');
            QTest::keyClick(box, Qt::Key_Escape);
        });
        dialogs.AskYesNoCancel(translate("Map", "Карта '%1' была изменена. Сохранить?"));
        QCOMPARE(captions, (English ? QStringList{"Yes", "No", "Cancel"}
                                    : QStringList{"Да", "Нет", "Отмена"}));
    }
};

QTEST_MAIN(LanguageWindowsTest)
#include "LanguageWindowsTest.moc"

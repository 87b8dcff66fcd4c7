// The editor window driven like a user: mouse on the plan view and overview, buttons through
// their Alt accelerators, the menu through its shortcuts, and the questions answered by script.
#include "editor/window/VellEdit.h"
#include "editor/ops/EditOps.h"
#include "model/Geometry.h"
#include "model/MapFlows.h"
#include "model/draw/MapBitmaps.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"
#include "tests/support/WindowLayout.h"
#include "ui/QtApplication.h"
#include "ui/QtUserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace vell;
using vell::test::TScriptedDialogs;

namespace {
QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}
QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}
} // namespace

#include "tests/editor/EditorWindowHarness.h"

using vell::test::TEditorWindowHarness;

class VellEditTest : public TEditorWindowHarness {
    Q_OBJECT

  private slots:
    void init() { SetUpWindow(); }
    void cleanup() { TearDownWindow(); }

    // ---- The window and its controls ----

    void windowLayoutCaptionsAndHints() {
        auto fresh = std::make_unique<TVellEdit>(*Map, *Bitmaps, *Random, *Dialogs);
        QCOMPARE(fresh->windowTitle(), Q("Редактор карт")); // until the first redraw
        fresh.reset();

        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - Новая"));
        QCOMPARE(Window->centralWidget()->size(), QSize(824, 621));
        QCOMPARE(Window->minimumSize(), Window->maximumSize()); // not resizable
        QVERIFY(!(Window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(Window->windowFlags() & Qt::WindowMinimizeButtonHint);

        // What a user reads and types: captions and shortcuts, the controls inside the window,
        // none over another, every caption whole; a tool tip says in a sentence of its own what
        // the button does, rather than spelling its caption out.
        const std::pair<const char*, const char*> buttons[] = {
            {"DeSelect", "Снять выд. (&S)"},
            {"DelSel", "Удалить выд. (&D)"},
            {"Swap", "Преобразовать выделенное (&E)"},
            {"ColorToMem", "Запомн. цвет (&Z)"},
            {"MemToColor", "Примен. цвет (&X)"},
            {"Check", "Пров. пути (&P)"},
            {"Compile", "Пр. 2-путки (&W)"},
            {"Intersections", "Показать соседей (&N)"},
            {"AddToRoute", "Доб. к м-ту (&A)"},
            {"ClearRoute", "Очистить м-т (&Q)"},
            {"CheckRoute", "Проверить маршрут (&O)"},
            {"btUp", "^&i"},
            {"btLeft", "<&j"},
            {"btDown", "V&k"},
            {"btRight", ">&l"},
        };
        for (const auto& [name, caption] : buttons) {
            auto* b = Child<QPushButton>(name);
            QCOMPARE(b->text(), Q(caption));
            const QString tip = b->toolTip();
            QVERIFY2(tip.size() > 25 && tip.front().isUpper() && tip.endsWith('.'),
                     qPrintable(QString::fromLatin1(name) + ": " + tip));
        }
        const std::pair<const char*, const char*> labels[] = {
            {"Number", "Номер маршрута:"},
            {"LabelVagonCount", "Кол-во вагонов в поезде (1-3):"},
            {"RouteIntervalCaption", "Интервал (5-30):"},
            {"CountPoint", "Маршрут не задан"}};
        for (const auto& [name, caption] : labels)
            QCOMPARE(Child<QLabel>(name)->text(), Q(caption));
        const QStringList faults = vell::test::LayoutFaults(Window.get());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        const char* items[] = {"Бордёр (&1)",   "Стена (&2)",   "Выс. стена (&3)", "Арка (&4)",
                               "Рельс (&5)",    "Деревья (&6)", "Двупутка (&7)",   "и столбы (&8)",
                               "и полоса (&9)", "и зелень (&0)"};
        for (int i = 0; i < 10; ++i) {
            auto* item = Child<QRadioButton>(qPrintable(QStringLiteral("Action%1").arg(i)));
            QCOMPARE(item->text(), Q(items[i]));
            QCOMPARE(item->isChecked(), i == Rail);
            // Two columns: items 0..4 on the left, 5..9 on the right.
            QCOMPARE(item->x() < 100, i < 5);
        }
        QCOMPARE(Window->ActionItemIndex(), 4);

        auto* s1 = Child<QComboBox>("Symbol1");
        auto* s2 = Child<QComboBox>("Symbol2");
        QCOMPARE(s1->count(), 9);
        QCOMPARE(s1->itemText(8), Q("9"));
        QCOMPARE(s2->count(), 13);
        QCOMPARE(s2->itemText(0), Q(" "));
        QCOMPARE(s2->itemText(1), Q("0"));
        QCOMPARE(s2->itemText(11), Q("А"));
        QCOMPARE(s2->itemText(12), Q("Б"));
        QCOMPARE(s1->currentIndex(), 0);
        QCOMPARE(s2->currentIndex(), 0);
        QCOMPARE(s1->maxVisibleItems(), 9);
        QCOMPARE(s2->maxVisibleItems(), 13);

        auto* cars = Child<QSlider>("VagonCount");
        QCOMPARE(cars->minimum(), 1);
        QCOMPARE(cars->maximum(), 3);
        QCOMPARE(cars->value(), 1);
        auto* interval = Child<QSlider>("RouteInterval");
        QCOMPARE(interval->minimum(), 5);
        QCOMPARE(interval->maximum(), 30);
        QCOMPARE(interval->tickInterval(), 5);
        QCOMPARE(interval->value(), 10);
        // Their values beside them, within the design's places of the track bars.
        QCOMPARE(Child<QLabel>("VagonCountValue")->text(), Q("1"));
        QCOMPARE(Child<QLabel>("RouteIntervalValue")->text(), Q("10"));
        QCOMPARE(Child("VagonCountValue")->geometry().right(), 199);
        QCOMPARE(Child("RouteIntervalValue")->geometry().right(), 199);

        // The plan and the overview show the map at one pixel a metre.
        QCOMPARE(Child("MiniMapPB")->size(), QSize(200, 200));
        QCOMPARE(Child("MapPB")->size(), QSize(600, 600));
        auto* hsb = Child<QScrollBar>("HSB");
        auto* vsb = Child<QScrollBar>("VSB");
        for (QScrollBar* bar : {hsb, vsb}) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 9400);
            QCOMPARE(bar->value(), 4800);
        }
        auto* timer = Child<QTimer>("Timer");
        QCOMPARE(timer->interval(), 50);
        QVERIFY(timer->isActive());
    }

    void tabOrderFollowsTheForm() {
        const char* order[] = {"DeSelect",   "DelSel",     "Swap",          "ColorToMem",
                               "MemToColor", "Check",      "Compile",       "Intersections",
                               "AddToRoute", "ClearRoute", "CheckRoute",    "Symbol1",
                               "Symbol2",    "VagonCount", "RouteInterval", "btUp",
                               "btLeft",     "btDown",     "btRight",       "HSB",
                               "VSB"};
        // The tools come first: from the chosen tool the Tab key leaves the group.
        Child("Action4")->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), Child("Action4"));
        for (const char* name : order) {
            Key(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
        }
    }

    void menuItemsAndShortcuts() {
        auto* file = Child<QMenu>("N1");
        QCOMPARE(file->title(), Q("Карта (&F)"));
        struct Item {
            const char* Name;
            const char* Caption;
            QKeySequence Key;
        };
        const Item items[] = {
            {"N4", "Новая (&N)", QKeySequence(Qt::CTRL | Qt::Key_N)},
            {"N5", "Сохранить (&S)", QKeySequence(Qt::Key_F2)},
            {"O1", "Открыть (&O)", QKeySequence(Qt::Key_F3)},
            {"A1", "Сохранить как (A)", QKeySequence(Qt::CTRL | Qt::Key_A)},
            {"I1", "Импорт из OpenStreetMap... (&I)", QKeySequence(Qt::CTRL | Qt::Key_I)},
            {"N3", "Выход (&Q)", QKeySequence(Qt::CTRL | Qt::Key_Q)}};
        const QList<QAction*> actions = file->actions();
        QCOMPARE(actions.size(), 7);
        QVERIFY(actions[5]->isSeparator());
        int k = 0;
        for (const Item& item : items) {
            if (k == 5) ++k;
            QCOMPARE(actions[k]->objectName(), QString::fromLatin1(item.Name));
            QCOMPARE(actions[k]->text(), Q(item.Caption));
            QCOMPARE(actions[k]->shortcut(), item.Key);
            ++k;
        }
        QCOMPARE(MenuItem("C1")->text(), Q("Цвет (&C)"));
        QVERIFY(!MenuItem("C1")->menu());
        // Alt+F opens the map menu.
        Alt(Qt::Key_F);
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(file));
        file->close();
    }

    // At the design's place where the screen holds the whole window there (as the test
    // editor_window_test_1024x768 runs it); on the offscreen platform's 800 x 800 screen, which
    // is narrower than the window, centred with its left edge on the screen.
    void opensAtItsPlaceWhereTheScreenHoldsIt() {
        auto fresh = std::make_unique<TVellEdit>(*Map, *Bitmaps, *Random, *Dialogs);
        const QRect screen = fresh->screen()->availableGeometry();
        const QRect frame = fresh->frameGeometry();
        if (qEnvironmentVariable("QT_QPA_PLATFORM").contains("1024x768"))
            QCOMPARE(screen.size(), QSize(1024, 768));
        if (screen.width() >= 1024) {
            QCOMPARE(fresh->pos(), QPoint(83, 40));
            QVERIFY(screen.contains(frame));
        } else {
            QCOMPARE(frame.left(), screen.left());
            QVERIFY(qAbs((frame.top() - screen.top()) - (screen.bottom() - frame.bottom())) <= 1);
        }
    }

    // "*" before the name while changes are unsaved; Ctrl+S and Ctrl+Shift+S beside the design's
    // F2 and Ctrl+A; the status line names the file a save went to in full.
    void captionMarksChangesAndTheStatusLineSaysWhereASaveWent() {
        Window->RedrawAll();
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - Новая"));
        Draw(Rail, 5000, 5000, 5100, 5000);
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - *Новая"));
        Dialogs->FileChoices = {Dir->Path("one.vl")};
        Key(Qt::Key_S, Qt::ControlModifier); // a new map: the name is asked for
        QCOMPARE(Dialogs->Log.back(), std::string("save dialog"));
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - " + Dir->Path("one.vl")));
        QCOMPARE(Window->statusBar()->currentMessage(),
                 Q("Карта сохранена: " + Dir->Path("one.vl")));
        Child<QSlider>("RouteInterval")->setValue(20); // a track bar marks the map at once
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - *" + Dir->Path("one.vl")));
        Dialogs->Log.clear();
        Key(Qt::Key_S, Qt::ControlModifier); // named: saved in place
        QVERIFY(Dialogs->Log.empty());
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - " + Dir->Path("one.vl")));
        Dialogs->FileChoices = {Dir->Path("two.vl")};
        Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Dialogs->Log.back(), std::string("save dialog"));
        QCOMPARE(Window->statusBar()->currentMessage(),
                 Q("Карта сохранена: " + Dir->Path("two.vl")));
        // A map named relative to the current folder, saved in answer to New's question.
        const QString folder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QString::fromStdString(Dir->Path(""))));
        Map->FileName = "three.vl";
        Map->Modified = true;
        Dialogs->Answers = {TAnswer::Yes};
        Key(Qt::Key_N, Qt::ControlModifier);
        QDir::setCurrent(folder);
        QVERIFY(FileExists(Dir->Path("three.vl")));
        QCOMPARE(Window->statusBar()->currentMessage(),
                 Q("Карта сохранена: ") + QFileInfo(Q(Dir->Path("three.vl"))).absoluteFilePath());
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - Новая"));
    }

    // The window has one size: its least and its largest size are equal, so that no window
    // manager offers to maximise it.
    void theSizeIsFixed() {
        // Before the window is first shown already: a window manager decides which buttons a
        // window gets as it maps it, and does not look again.
        TVellEdit fresh(*Map, *Bitmaps, *Random, *Dialogs);
        QCOMPARE(fresh.minimumSize(), fresh.maximumSize());
        QCOMPARE(fresh.size(), fresh.minimumSize());
        QCOMPARE(fresh.minimumSize(), Window->size());
        QCOMPARE(Window->minimumSize(), Window->maximumSize());
        QCOMPARE(Window->size(), Window->minimumSize());
        QVERIFY(Window->size().width() >= 824 && Window->size().height() >= 621);
    }

    // Real Russian message boxes over the window: Y and N (alone or with Alt) answer them, and
    // once a box is gone the keyboard is the window's again, so Ctrl+I starts the import at
    // once rather than after a click.
    void keysAnswerRealBoxesAndComeBackToTheWindow() {
        const auto qtTexts = LoadRussianQtTexts();
        QVERIFY(qtTexts);
        QApplication::installTranslator(qtTexts.get());
        Window.reset();
        TQtUserDialogs real;
        auto window = std::make_unique<TVellEdit>(*Map, *Bitmaps, *Random, real);
        real.SetParent(window.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));

        // The exit question with changes (Yes/No/Cancel): N is No, the window goes unsaved.
        QStringList captions;
        for (Qt::KeyboardModifier alt : {Qt::NoModifier, Qt::AltModifier}) {
            Map->Modified = true;
            if (!window->isVisible()) {
                window->show();
                QVERIFY(QTest::qWaitForWindowActive(window.get()));
            }
            WhenModalShows([&](QWidget* w) {
                if (auto* box = qobject_cast<QMessageBox*>(w))
                    captions << box->button(QMessageBox::No)->text();
                QTest::keyClick(w, Qt::Key_N, alt);
            });
            QVERIFY2(window->close(), alt ? "Alt+N did not answer No" : "N did not answer No");
            QVERIFY(Map->Modified);
        }
        QCOMPARE(captions, (QStringList{"&Нет", "&Нет"}));

        // The exit question without changes (Yes/No): N stays, and then Ctrl+I reaches the menu.
        Map->Modified = false;
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_N); });
        QVERIFY(!window->close());
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget() != nullptr, 2000);
        QWidget* keys = QApplication::focusWidget();
        QCOMPARE(keys->window(), static_cast<QWidget*>(window.get()));
        bool extractDialog = false;
        WhenModalShows([&](QWidget* w) {
            extractDialog = qobject_cast<QFileDialog*>(w) != nullptr;
            w->close();
        });
        QTest::keyClick(keys, Qt::Key_I, Qt::ControlModifier);
        QTRY_VERIFY(extractDialog);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);

        // Y is Yes: the window goes.
        WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_Y); });
        QVERIFY(window->close());
        QApplication::removeTranslator(qtTexts.get());
    }

    // The route panel's longest caption fits the panel too.
    void captionsFit() {
        auto* count = Child<QLabel>("CountPoint");
        count->setText(Q("1 точка (маршрут не задан)"));
        const QStringList faults = vell::test::LayoutFaults(Window.get());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }

    // ---- The view ----

    void arrowButtonsStepAndClamp() {
        Window->RedrawAll();
        Map->ViewY = 30;
        Child<QScrollBar>("VSB")->setValue(30);
        AltClick(Qt::Key_I, [&] { return Map->ViewY == 0; }); // up
        QCOMPARE(Child<QScrollBar>("VSB")->value(), 0);
        AltClick(Qt::Key_K, [&] { return Map->ViewY == 100; }); // down

        Child<QScrollBar>("HSB")->setValue(9350);
        QCOMPARE(Map->ViewX, 9350);
        AltClick(Qt::Key_L, [&] { return Map->ViewX == 9400; }); // right
        Child<QPushButton>("btRight")->click();
        QCOMPARE(Map->ViewX, 9400);
        AltClick(Qt::Key_J, [&] { return Map->ViewX == 9300; }); // left
    }

    void overviewPressCentresTheView() {
        QWidget* overview = Child("MiniMapPB");
        Press(Qt::LeftButton, QPoint(0, 0), overview);
        QVERIFY(Window->MiniMapDragging());
        QCOMPARE(Map->ViewX, 0);
        QCOMPARE(Map->ViewY, 0);
        // Dragging scrolls on: 50 m a pixel, the point under the mouse in the middle.
        MoveTo(QPoint(100, 20), overview);
        QCOMPARE(Map->ViewX, 4700);
        QCOMPARE(Map->ViewY, 700);
        Release(Qt::LeftButton, QPoint(100, 20), overview);
        QVERIFY(!Window->MiniMapDragging());
        MoveTo(QPoint(150, 150), overview); // without a button nothing scrolls
        QCOMPARE(Map->ViewX, 4700);

        Press(Qt::RightButton, QPoint(199, 199), overview);
        QCOMPARE(Map->ViewX, 9400);
        QCOMPARE(Map->ViewY, 9400);
        QCOMPARE(Child<QScrollBar>("HSB")->value(), 9400);
        Release(Qt::RightButton, QPoint(199, 199), overview);
        // The overview shows the view's outline where the view now is.
        QCOMPARE(Bitmaps->OverviewBitmap.pixelColor(188, 195), QColor(0, 255, 0));
    }

    void timerRedrawsOnlyWhileTheSnapMarkerShows() {
        test::AddRail(*Map, 5000, 5000, 5100, 5000);
        Window->RedrawAll();
        MoveTo(At(4900, 4900)); // far from every end
        QVERIFY(!Map->Snapped);
        long before = Window->PlanRenders();
        QTest::qWait(300);
        QCOMPARE(Window->PlanRenders(), before);

        MoveTo(At(5002, 5001)); // near the rail's start: the marker shows and turns
        QVERIFY(Map->Snapped);
        QCOMPARE(QPoint(Map->SnapX, Map->SnapY), At(5000, 5000));
        before = Window->PlanRenders();
        QTRY_VERIFY(Window->PlanRenders() >= before + 3);
    }

    // ---- Drawing ----

    void snappingWithinFiveMetres() {
        test::AddRail(*Map, 5000, 5000, 5100, 5000);         // 0
        test::AddObject(*Map, Wall, 5100, 5100, 5200, 5100); // 1
        Window->RedrawAll();
        // Pressed 3 m from the rail's start, released 4 m from the wall's start.
        Stroke(Qt::LeftButton, {At(5003, 5000), At(5100, 5104)});
        QCOMPARE(Map->ObjectCount(), 3);
        QCOMPARE(Last().X1, 5000);
        QCOMPARE(Last().Y1, 5000);
        QCOMPARE(Last().X2, 5100);
        QCOMPARE(Last().Y2, 5100);
        QCOMPARE(Last().Kind(), std::uint8_t(Rail));
        // 5 m away the cursor point itself is used.
        Stroke(Qt::LeftButton, {At(5000, 5005), At(5205, 5100)});
        QCOMPARE(Map->ObjectCount(), 4);
        QCOMPARE((TMapPoint{Last().X1, Last().Y1}), (TMapPoint{5000, 5005}));
        QCOMPARE((TMapPoint{Last().X2, Last().Y2}), (TMapPoint{5205, 5100}));
    }

    void snappingTieGoesToTheLowerIndex() {
        test::AddObject(*Map, Wall, 5000, 5006, 4900, 5006); // 0: start 3 m below the cursor
        test::AddObject(*Map, Wall, 5000, 5000, 4900, 5000); // 1: start 3 m above
        Window->RedrawAll();
        Stroke(Qt::LeftButton, {At(5000, 5003), At(5100, 5200)});
        QCOMPARE((TMapPoint{Last().X1, Last().Y1}), (TMapPoint{5000, 5006}));
        // Within one object the first end wins.
        test::AddObject(*Map, Wall, 5400, 5403, 5400, 5397);
        Stroke(Qt::LeftButton, {At(5400, 5400), At(5500, 5500)});
        QCOMPARE((TMapPoint{Last().X1, Last().Y1}), (TMapPoint{5400, 5403}));
    }

    void clickWithoutMovingLeavesOnlyAPole() {
        Window->RedrawAll();
        Stroke(Qt::LeftButton, {At(5000, 5000)}); // rail tool
        QCOMPARE(Map->ObjectCount(), 0);          // length 0 is no rail
        QVERIFY(Map->Modified);
        PickTool(HighWall);
        Stroke(Qt::LeftButton, {At(5000, 5000)});
        QCOMPARE(Map->ObjectCount(), 1);
        QCOMPARE(Last().Kind(), std::uint8_t(HighWall));
        QCOMPARE((TMapPoint{Last().X1, Last().Y1}), (TMapPoint{Last().X2, Last().Y2}));
        QVERIFY(Last().Selected()); // new objects are created selected
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - *Новая"));
    }

    void newObjectsTakeTheirBytes() {
        Window->RedrawAll();
        TRandom expected(Random->GetState());
        Draw(Trees, 5000, 5000, 5100, 5000);
        QCOMPARE(Last().Kind(), std::uint8_t(Trees));
        for (std::uint8_t byte : {Last().Red, Last().Green, Last().Blue}) {
            QVERIFY(byte < 255);
            QCOMPARE(std::int32_t(byte), expected.Below(255)); // drawn red, green, blue
        }
        Draw(Rail, 5000, 5100, 5100, 5100);
        QCOMPARE(Last().SpeedGrade(), std::uint8_t(136)); // from the start colour
        QCOMPARE(Last().StopInfo(), std::uint8_t(0));
        QCOMPARE(Last().Waiting(), std::uint8_t(0));
        Dialogs->ColorChoices = {MakeColor(10, 20, 30)};
        AltClick(Qt::Key_C, [&] { return Window->Color() == MakeColor(10, 20, 30); });
        QCOMPARE(Dialogs->Log.back(), std::string("color dialog: 8947848"));
        Draw(Arch, 5000, 5200, 5100, 5200);
        QCOMPARE((std::array{Last().Red, Last().Green, Last().Blue}),
                 (std::array<std::uint8_t, 3>{10, 20, 30}));
        Draw(Rail, 5000, 5300, 5100, 5300);
        QCOMPARE(Last().SpeedGrade(), std::uint8_t(20));
        // A cancelled colour dialog keeps the colour.
        Alt(Qt::Key_C);
        QTRY_COMPARE(Dialogs->Log.back(), std::string("color dialog: 1971210"));
        QCOMPARE(Window->Color(), MakeColor(10, 20, 30));
        // Only the last drawn object stays selected.
        int selected = 0;
        for (const TMapObject& o : Map->Objects)
            selected += o.Selected();
        QCOMPARE(selected, 1);
    }

    void acceleratorsPickTheTools() {
        const std::pair<Qt::Key, int> keys[] = {
            {Qt::Key_1, 0}, {Qt::Key_3, 2}, {Qt::Key_6, 5}, {Qt::Key_9, 8}, {Qt::Key_0, 9}};
        for (auto [key, index] : keys)
            AltClick(key, [&] { return Window->ActionItemIndex() == index; });
    }

    void rightDragPaintsTheSelection() {
        const int a = test::AddObject(*Map, Wall, 5000, 5000, 5000, 5100);
        const int b = test::AddObject(*Map, Wall, 5050, 5000, 5050, 5100);
        const int c = test::AddObject(*Map, Wall, 5100, 5000, 5100, 5100);
        Window->RedrawAll();
        auto selected = [&](int i) { return Map->Objects[i].Selected(); };
        // From an unselected object: everything passed is selected, selected ones stay.
        Map->Objects[b].SetSelected(true);
        Stroke(Qt::RightButton, {At(5000, 5050), At(5050, 5050), At(5100, 5050)});
        QVERIFY(selected(a) && selected(b) && selected(c));
        QVERIFY(!Map->Modified); // selecting changes nothing of the map
        // From a selected object: everything passed is deselected.
        Map->Objects[a].SetSelected(false);
        Stroke(Qt::RightButton, {At(5100, 5050), At(5050, 5050), At(5000, 5050)});
        QVERIFY(!selected(a) && !selected(b) && !selected(c));
        // From empty space the first object reached decides: selected c makes it deselect.
        Map->Objects[c].SetSelected(true);
        Stroke(Qt::RightButton, {At(5200, 5050), At(5100, 5050), At(5050, 5050), At(5000, 5050)});
        QVERIFY(!selected(a) && !selected(b) && !selected(c));
    }

    void grabbingAJunctionMovesAllItsEnds() {
        const int in = test::AddRail(*Map, 4900, 5000, 5000, 5000);
        const int out = test::AddRail(*Map, 5000, 5000, 5100, 5000);
        const int branch = test::AddRail(*Map, 5000, 5000, 5000, 5100);
        const int other = test::AddRail(*Map, 5004, 5000, 5004, 4900); // 4 m off: not grabbed
        Window->RedrawAll();
        MoveTo(At(4999, 4999)); // the marker shows the junction
        QVERIFY(Map->Snapped);
        QCOMPARE(QPoint(Map->SnapX, Map->SnapY), At(5000, 5000));
        Press(Qt::RightButton, At(4999, 4999));
        Press(Qt::LeftButton, At(4999, 4999)); // the other button grabs
        QVERIFY(Window->Mouse().Moving());
        QVERIFY(!Window->Mouse().Selecting());
        MoveTo(At(5030, 5040));
        Release(Qt::LeftButton, At(5030, 5040));
        Release(Qt::RightButton, At(5030, 5040));
        QCOMPARE((TMapPoint{Map->Objects[in].X2, Map->Objects[in].Y2}), (TMapPoint{5030, 5040}));
        QCOMPARE((TMapPoint{Map->Objects[out].X1, Map->Objects[out].Y1}), (TMapPoint{5030, 5040}));
        QCOMPARE((TMapPoint{Map->Objects[branch].X1, Map->Objects[branch].Y1}),
                 (TMapPoint{5030, 5040}));
        QCOMPARE((TMapPoint{Map->Objects[other].X1, Map->Objects[other].Y1}),
                 (TMapPoint{5004, 5000}));
        QVERIFY(Map->Modified);
        for (const TMapObject& o : Map->Objects)
            QVERIFY(!o.Selected()); // cleared by the grab

        // The right button while drawing cancels the new object and grabs instead.
        const int count = Map->ObjectCount();
        MoveTo(At(5100, 5000));
        Press(Qt::LeftButton, At(5100, 5000));
        QCOMPARE(Map->ObjectCount(), count + 1);
        Press(Qt::RightButton, At(5100, 5000));
        QCOMPARE(Map->ObjectCount(), count);
        MoveTo(At(5150, 5010));
        Release(Qt::RightButton, At(5150, 5010));
        Release(Qt::LeftButton, At(5150, 5010));
        QCOMPARE((TMapPoint{Map->Objects[out].X2, Map->Objects[out].Y2}), (TMapPoint{5150, 5010}));
    }

    // ---- Editing buttons ----

    void swapCyclesARail() {
        const int r = test::AddRail(*Map, 5000, 5000, 5100, 5000);
        const int stop1 = test::AddRail(*Map, 5000, 5100, 5100, 5100, 100, 1);
        Map->Objects[r].SetSelected(true);
        Map->Objects[r].SetCatchment(17);
        Window->RedrawAll();
        TMapObject& rail = Map->Objects[r];
        const std::pair<int, bool> cycle[] = {{2, false}, {3, false}, {0, true}, {0, false}};
        for (auto [stop, keepClear] : cycle) {
            const long renders = Window->PlanRenders();
            AltClick(Qt::Key_E, [&] { return Window->PlanRenders() > renders; });
            QCOMPARE(int(rail.StopType()), stop);
            QCOMPARE(rail.KeepClear(), keepClear);
            QCOMPARE(int(rail.Catchment()), 17);
        }
        Map->Modified = false;
        Map->ClearMarks();
        Map->Objects[stop1].SetSelected(true);
        const TMapObject before = Map->Objects[stop1];
        Child<QPushButton>("Swap")->click();
        QVERIFY(Map->Objects[stop1] == before);
        QVERIFY(Map->Modified);
    }

    void coloursAverageAndApply() {
        const int wall = test::AddObject(*Map, Wall, 5000, 5000, 5100, 5000);
        Map->Objects[wall].Red = 30, Map->Objects[wall].Green = 60, Map->Objects[wall].Blue = 91;
        const int stop = test::AddRail(*Map, 5000, 5100, 5100, 5100, 200, 3);
        const int trees = test::AddObject(*Map, Trees, 5000, 5200, 5100, 5200);
        Window->RedrawAll();
        // Only trees selected: the colour stays.
        Map->Objects[trees].SetSelected(true);
        Child<QPushButton>("ColorToMem")->click();
        QCOMPARE(Window->Color(), StartColor);
        Map->Objects[wall].SetSelected(true);
        Map->Objects[stop].SetSelected(true);
        AltClick(Qt::Key_Z, [&] { return Window->Color() != StartColor; });
        QCOMPARE(Window->Color(), MakeColor(115, 130, 145)); // (30+200)/2, (60+200)/2, (91+200)/2
        // Apply: the wall takes the colour, the stop rail the grade and stays a stop.
        Map->Objects[wall].Red = 0;
        AltClick(Qt::Key_X, [&] { return Map->Objects[wall].Red == 115; });
        QCOMPARE(Map->Objects[stop].SpeedGrade(), std::uint8_t(130));
        QCOMPARE(int(Map->Objects[stop].StopType()), 3);
        QCOMPARE(Map->Objects[trees].Red, std::uint8_t(0));
    }

    void neighboursOfTheLowerIndexRail() {
        const int first = test::AddRail(*Map, 5000, 5000, 5100, 5000);
        const int near = test::AddRail(*Map, 5000, 5003, 5100, 5003); // 3 m from the first
        const int second = test::AddRail(*Map, 5000, 5200, 5100, 5200);
        const int nearSecond = test::AddRail(*Map, 5000, 5202, 5100, 5202);
        const int far = test::AddRail(*Map, 5000, 4996, 5100, 4996);          // 4 m: not near
        const int wall = test::AddObject(*Map, Wall, 5050, 4990, 5050, 5010); // crosses, no rail
        Map->Objects[first].SetSelected(true);
        Map->Objects[second].SetSelected(true);
        Window->RedrawAll();
        AltClick(Qt::Key_N, [&] { return Map->Objects[near].Selected(); });
        QVERIFY(!Map->Objects[nearSecond].Selected());
        QVERIFY(!Map->Objects[far].Selected());
        QVERIFY(!Map->Objects[wall].Selected());
        QVERIFY(Map->Objects[second].Selected()); // nothing is deselected
    }

    void deletingAWaypointRailDropsItFromItsRoute() {
        const std::vector<int> ring = test::AddRing(*Map, 5000, 5000, 5300, 5300);
        test::SetRoute(*Map, 0, 0, {ring[0], ring[2], ring[4]});
        Map->Objects[ring[2]].SetSelected(true);
        Window->RedrawAll();
        AltClick(Qt::Key_D, [&] { return Map->ObjectCount() == int(ring.size()) - 1; });
        QCOMPARE(test::Waypoints(*Map, 0, 0), (std::vector<int>{ring[0], ring[4] - 1}));
        QVERIFY(Map->Modified);
        Map->Modified = false;
        Child<QPushButton>("DelSel")->click(); // nothing selected: nothing deleted

        QCOMPARE(Map->ObjectCount(), int(ring.size()) - 1);
        QVERIFY(!Map->Modified);
    }

    // ---- Questions ----

    void exitWithAnUnchangedMapAsks() {
        Key(Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(Dialogs->Log, std::vector<std::string>{"ask2: Вы действительно хотите выйти?"});
        QVERIFY(Window->isVisible()); // unscripted: No
        Dialogs->Answers = {TAnswer::Yes};
        QVERIFY(Window->close());
        QVERIFY(!Window->isVisible());
    }

    void exitWithAChangedMap() {
        const std::string prompt = "ask3: Карта 'Новая' была изменена. Сохранить?";
        Map->Modified = true;
        Dialogs->Answers = {TAnswer::Cancel};
        QVERIFY(!Window->close());
        QCOMPARE(Dialogs->Log, std::vector<std::string>{prompt});
        // Yes with the save dialog cancelled: nothing was saved, the window stays.
        Dialogs->Answers = {TAnswer::Yes};
        QVERIFY(!Window->close());
        QCOMPARE(Dialogs->Log.back(), std::string("save dialog"));
        // Yes with a name: saved, then closed.
        Dialogs->Answers = {TAnswer::Yes};
        Dialogs->FileChoices = {Dir->Path("exit")};
        QVERIFY(Window->close());
        QVERIFY(FileExists(Dir->Path("exit.VL")));
        QVERIFY(!Map->Modified);

        MakeWindow();
        Map->Modified = true;
        Dialogs->Log.clear();
        Dialogs->Answers = {TAnswer::No}; // closes without saving
        Key(Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!Window->isVisible());
        QCOMPARE(Dialogs->Log.size(), std::size_t(1));
        QVERIFY(Map->Modified);
    }

    void newMapAsksAboutChanges() {
        auto changed = [&] {
            Map->NewMap();
            test::AddRail(*Map, 5000, 5000, 5100, 5000);
            Map->ViewX = 100;
            Child<QScrollBar>("HSB")->setValue(100);
            Map->Modified = true;
            Dialogs->Log.clear();
        };
        changed();
        Dialogs->Answers = {TAnswer::Cancel};
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Dialogs->Log,
                 std::vector<std::string>{"ask3: Карта 'Новая' была изменена. Сохранить?"});
        QCOMPARE(Map->ObjectCount(), 1);

        changed();
        Dialogs->Answers = {TAnswer::No};
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Map->ObjectCount(), 0);
        QVERIFY(!Map->Modified);
        QCOMPARE(Map->ViewX, 4800);
        QCOMPARE(Child<QScrollBar>("HSB")->value(), 4800); // the scroll bars follow at once
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - Новая"));

        // Yes, but the save dialog is cancelled: the changes are kept, not thrown away.
        changed();
        Dialogs->Answers = {TAnswer::Yes};
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Dialogs->Log.back(), std::string("save dialog"));
        QCOMPARE(Map->ObjectCount(), 1);
        QVERIFY(Map->Modified);

        changed();
        Dialogs->Answers = {TAnswer::Yes};
        Dialogs->FileChoices = {Dir->Path("kept.vl")};
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Map->ObjectCount(), 0);
        QCOMPARE(test::ReadBytes(Dir->Path("kept.vl")).size(), std::size_t(4 + 12 + 117 * 4));

        // An unchanged map is replaced without a question.
        Dialogs->Log.clear();
        test::AddRail(*Map, 5000, 5000, 5100, 5000);
        Key(Qt::Key_N, Qt::ControlModifier);
        QVERIFY(Dialogs->Log.empty());
        QCOMPARE(Map->ObjectCount(), 0);
    }

    void openAndSaveThroughTheMenu() {
        // Open cancelled in the dialog: nothing changes.
        test::AddRail(*Map, 5000, 5000, 5100, 5000);
        Key(Qt::Key_F3);
        QCOMPARE(Dialogs->Log, std::vector<std::string>{"open dialog"});
        QCOMPARE(Map->ObjectCount(), 1);
        // A file that cannot be read: the error, the old name kept.
        Dialogs->FileChoices = {Dir->Path("missing.vl")};
        Key(Qt::Key_F3);
        QCOMPARE(Dialogs->Log.back(),
                 std::string("error: Ошибка при открытии карты!\nФайл не найден."));
        QCOMPARE(Map->FileName, std::string("Новая"));
        // F2 on a new map asks for a name; Ctrl+A always does.
        Dialogs->FileChoices = {Dir->Path("one.vl")};
        Key(Qt::Key_F2);
        QCOMPARE(Dialogs->Log.back(), std::string("save dialog"));
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - " + Dir->Path("one.vl")));
        Dialogs->FileChoices = {Dir->Path("two.vl")};
        Key(Qt::Key_A, Qt::ControlModifier);
        QVERIFY(FileExists(Dir->Path("two.vl")));
        QCOMPARE(Map->FileName, Dir->Path("two.vl"));
        // Opening sets the view back to 4800 and the scroll bars with it.
        Child<QScrollBar>("VSB")->setValue(0);
        Dialogs->FileChoices = {Dir->Path("one.vl")};
        Key(Qt::Key_F3);
        QCOMPARE(Map->FileName, Dir->Path("one.vl"));
        QCOMPARE(Map->ViewY, 4800);
        QCOMPARE(Child<QScrollBar>("VSB")->value(), 4800);
        // Open on a changed map, Yes, save dialog cancelled: the open does not go on.
        Map->FileName = NewMapName;
        Map->Modified = true;
        Dialogs->Log.clear();
        Dialogs->Answers = {TAnswer::Yes};
        Key(Qt::Key_F3);
        QCOMPARE(Dialogs->Log.back(), std::string("save dialog"));
        QVERIFY(Map->Modified);
    }

    // A map drawn with the mouse, saved, opened again and saved again: the same bytes.
    void drawnMapSurvivesSaveAndOpen() {
        Window->RedrawAll();
        Draw(Rail, 5000, 5000, 5100, 5000);
        Draw(Rail, 5100, 5002, 5200, 5050); // joins the first rail's end
        Draw(Trees, 5000, 5100, 5200, 5100);
        Draw(Wall, 5000, 5200, 5000, 5300);
        PickTool(HighWall);
        Stroke(Qt::LeftButton, {At(5300, 5300)});
        Draw(DoubleTrackPoles, 5000, 5400, 5300, 5400);
        Map->Objects[0].SetSelected(true);
        Child<QPushButton>("Swap")->click(); // a stop
        QCOMPARE(Map->ObjectCount(), 6);
        QCOMPARE((TMapPoint{Map->Objects[1].X1, Map->Objects[1].Y1}), (TMapPoint{5100, 5000}));
        AltClick(Qt::Key_S, [&] {
            for (const TMapObject& o : Map->Objects)
                if (o.Selected()) return false;
            return true;
        });
        Dialogs->FileChoices = {Dir->Path("drawn.vl")};
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Window->windowTitle(), Q("Редактор карт  - " + Dir->Path("drawn.vl")));
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Map->ObjectCount(), 0);
        Dialogs->FileChoices = {Dir->Path("drawn.vl")};
        Key(Qt::Key_F3);
        QCOMPARE(Map->ObjectCount(), 6);
        QCOMPARE(int(Map->Objects[0].StopType()), 2);
        Dialogs->FileChoices = {Dir->Path("again.vl")};
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(test::ReadBytes(Dir->Path("again.vl")), test::ReadBytes(Dir->Path("drawn.vl")));
    }

    // The real colour dialog opens on the current colour and hands back the choice.
    void qtColourDialog() {
        TQtUserDialogs dialogs(Window.get());
        QColor shown;
        WhenModalShows([&](QWidget* w) {
            auto* dialog = qobject_cast<QColorDialog*>(w);
            QVERIFY(dialog);
            shown = dialog->currentColor();
            dialog->setCurrentColor(QColor(1, 2, 3));
            dialog->accept();
        });
        QCOMPARE(dialogs.ChooseColor(StartColor), std::optional<std::uint32_t>(MakeColor(1, 2, 3)));
        QCOMPARE(shown, QColor(136, 136, 136));
        WhenModalShows([](QWidget* w) { w->close(); });
        QCOMPARE(dialogs.ChooseColor(StartColor), std::optional<std::uint32_t>());
    }
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    VellEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "VellEditTest.moc"

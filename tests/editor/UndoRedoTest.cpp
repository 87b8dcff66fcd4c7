// Undo and redo in the editor window: the edit menu and its shortcuts, every kind of step,
// the saved state, and hundreds of random edits taken back and done again byte for byte.
#include "model/Geometry.h"
#include "model/MapFile.h"
#include "model/MapFlows.h"
#include "tests/editor/EditorWindowHarness.h"
#include "tests/support/GeneratedCity.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include <map>

using namespace vell;

namespace {

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The map as its file stores it, selection left out.
std::vector<std::uint8_t> Bytes(const TMap& map) {
    TMapFileContents c = map.StoredContents();
    for (TMapObject& o : c.Objects)
        o.SetSelected(false);
    return SerializeMapFile(c);
}

} // namespace

class UndoRedoTest : public vell::test::TEditorWindowHarness {
    Q_OBJECT

    QAction* UndoItem() { return MenuItem("Undo"); }
    QAction* RedoItem() { return MenuItem("Redo"); }
    QString Caption() { return Child<QLabel>("CountPoint")->text(); }
    void Click(const char* button) { Child<QPushButton>(button)->click(); }
    int Selected() const {
        int n = 0;
        for (const TMapObject& o : Map->Objects)
            n += o.Selected();
        return n;
    }

    int Ways = 0; // turns through the three ways of undoing and of redoing
    void Undo() {
        switch (Ways++ % 3) {
        case 0:
            Key(Qt::Key_Z, Qt::ControlModifier);
            break;
        case 1:
            UndoItem()->trigger();
            break;
        default:
            Key(Qt::Key_Z, Qt::ControlModifier);
            break;
        }
    }
    void Redo() {
        switch (Ways % 3) {
        case 0:
            Key(Qt::Key_Y, Qt::ControlModifier);
            break;
        case 1:
            RedoItem()->trigger();
            break;
        default:
            Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            break;
        }
    }

    // `edit` is one step named `label`: undo gives back the map before it, redo the map after
    // it, and the menu names the step both ways. `shown` checks what the window shows.
    void OneStep(const std::string& label, const std::function<void()>& edit,
                 const std::function<void(bool after)>& shown = nullptr) {
        const std::vector<std::uint8_t> before = Bytes(*Map);
        const std::size_t steps = Window->History().StepCount();
        edit();
        const std::vector<std::uint8_t> after = Bytes(*Map);
        QCOMPARE(Window->History().StepCount(), steps + 1);
        QVERIFY(UndoItem()->isEnabled());
        QCOMPARE(UndoItem()->text(), Q("Отменить: " + label));
        QVERIFY(!RedoItem()->isEnabled());
        if (shown) shown(true);
        Undo();
        QVERIFY2(Bytes(*Map) == before, label.c_str());
        QCOMPARE(RedoItem()->text(), Q("Повторить: " + label));
        if (shown) shown(false);
        Redo();
        QVERIFY2(Bytes(*Map) == after, label.c_str());
        if (shown) shown(true);
        QCOMPARE(UndoItem()->text(), Q("Отменить: " + label));
    }

  private slots:
    void init() { SetUpWindow(); }
    void cleanup() { TearDownWindow(); }

    void editMenuBetweenMapAndColourWithItsOwnLetter() {
        const QList<QAction*> bar = Window->menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), Q("Карта (&F)"));
        QCOMPARE(bar[1]->text(), Q("Правка (&U)"));
        QCOMPARE(bar[2]->text(), Q("Цвет (&C)"));
        QCOMPARE(UndoItem()->text(), Q("Отменить"));
        QCOMPARE(RedoItem()->text(), Q("Повторить"));
        QVERIFY(!UndoItem()->isEnabled() && !RedoItem()->isEnabled());
        QCOMPARE(UndoItem()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(RedoItem()->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
        // No two controls of the window answer the same Alt letter.
        std::map<QChar, QString> owners;
        auto take = [&](const QString& text) {
            const int at = text.indexOf('&');
            if (at < 0 || at + 1 >= text.size()) return;
            const QChar letter = text[at + 1].toUpper();
            QVERIFY2(!owners.count(letter),
                     qPrintable(text + " and " + owners[letter] + " share a letter"));
            owners[letter] = text;
        };
        for (QAbstractButton* b : Window->findChildren<QAbstractButton*>())
            take(b->text());
        for (QAction* a : bar)
            take(a->text());
        QVERIFY(owners.count('U'));
        Alt(Qt::Key_U);
        QTRY_COMPARE(QApplication::activePopupWidget(),
                     static_cast<QWidget*>(Child<QMenu>("EditMenu")));
        Child<QMenu>("EditMenu")->close();
    }

    void everyKindOfStep() {
        Window->RedrawAll();
        OneStep("рисование рельса", [&] { Draw(Rail, 5000, 5000, 5100, 5000); });
        OneStep("рисование стены", [&] { Draw(Wall, 5000, 5100, 5100, 5100); });
        OneStep("рисование двупутки со столбами",
                [&] { Draw(DoubleTrackPoles, 5000, 5300, 5200, 5300); });
        OneStep("преобразование 2-путок", [&] { Click("Compile"); });
        // Stop types and the kept-clear mark come from the conversion cycle.
        Stroke(Qt::RightButton, {At(5050, 5000)});
        QCOMPARE(Selected(), 1);
        auto rail = [&]() -> TMapObject& { return Map->Objects[0]; };
        OneStep(
            "преобразование выделенного", [&] { Click("Swap"); },
            [&](bool after) { QCOMPARE(int(rail().StopType()), after ? 2 : 0); });
        Click("Swap"); // stop of type 3
        OneStep(
            "преобразование выделенного", [&] { Click("Swap"); },
            [&](bool after) { QCOMPARE(rail().KeepClear(), after); });
        // A chosen colour, applying it (the rail's speed grade), and the average colour.
        Dialogs->ColorChoices = {MakeColor(30, 60, 90)};
        OneStep(
            "выбор цвета", [&] { MenuItem("C1")->trigger(); },
            [&](bool after) { QCOMPARE(Window->Color() == MakeColor(30, 60, 90), after); });
        OneStep(
            "применение цвета", [&] { Click("MemToColor"); },
            [&](bool after) { QCOMPARE(int(rail().SpeedGrade()), after ? 60 : 136); });
        OneStep(
            "запоминание цвета", [&] { Click("ColorToMem"); },
            [&](bool after) {
                QCOMPARE(Window->Color(), after ? MakeColor(60, 60, 60) : MakeColor(30, 60, 90));
            });
        // Routes: the slot, a waypoint, cars, interval, clearing; the panel shows each state.
        OneStep(
            "выбор маршрута", [&] { Child<QComboBox>("Symbol1")->setCurrentIndex(2); },
            [&](bool after) {
                QCOMPARE(Child<QComboBox>("Symbol1")->currentIndex(), after ? 2 : 0);
            });
        OneStep(
            "добавление точки маршрута", [&] { Click("AddToRoute"); },
            [&](bool after) {
                QCOMPARE(Caption(), Q(after ? "1 точка (маршрут не задан)" : "Маршрут не задан"));
            });
        OneStep(
            "число вагонов", [&] { Child<QSlider>("VagonCount")->setValue(3); },
            [&](bool after) { QCOMPARE(Child<QSlider>("VagonCount")->value(), after ? 3 : 1); });
        OneStep(
            "интервал маршрута", [&] { Child<QSlider>("RouteInterval")->setValue(25); },
            [&](bool after) {
                QCOMPARE(Child<QSlider>("RouteInterval")->value(), after ? 25 : 10);
            });
        OneStep(
            "очистка маршрута", [&] { Click("ClearRoute"); },
            [&](bool after) {
                QCOMPARE(Caption(), Q(after ? "Маршрут не задан" : "1 точка (маршрут не задан)"));
            });
        // A drag of the grabbed ends of a junction is one step, however far it goes.
        MoveTo(At(5100, 5000));
        OneStep("перемещение концов", [&] {
            Press(Qt::RightButton, At(5100, 5000));
            Press(Qt::LeftButton, At(5100, 5000));
            for (int k = 1; k <= 5; ++k)
                MoveTo(At(5100 + 4 * k, 5000 + 6 * k));
            Release(Qt::LeftButton, At(5120, 5030));
            Release(Qt::RightButton, At(5120, 5030));
        });
        QCOMPARE(Map->Objects[0].X2, 5120);
        Stroke(Qt::RightButton, {At(5050, 5100)}); // the wall
        OneStep("удаление выделенного", [&] { Click("DelSel"); });
        // The purge on release of an object a conversion left off the map.
        test::AddRail(*Map, 5, 5, 5, 5);
        Child<QComboBox>("Symbol2")->setCurrentIndex(1); // a step that takes the rail in
        OneStep("удаление неверных объектов", [&] { Stroke(Qt::RightButton, {At(5500, 5500)}); });
        // Neither selection, the view nor the tool is a step.
        const std::size_t steps = Window->History().StepCount();
        Stroke(Qt::RightButton, {At(5050, 5000)});
        Click("DeSelect");
        Child<QScrollBar>("HSB")->setValue(4000);
        PickTool(Trees);
        QCOMPARE(Window->History().StepCount(), steps);
    }

    void modifiedFollowsTheSavedState() {
        Window->RedrawAll();
        Draw(Rail, 5000, 5000, 5100, 5000);
        Dialogs->FileChoices = {Dir->Path("saved.vl")};
        Key(Qt::Key_F2);
        QVERIFY(!Map->Modified);
        Draw(Rail, 5100, 5000, 5200, 5000);
        QVERIFY(Map->Modified);
        Undo();
        QVERIFY(!Map->Modified);
        // The exit question agrees: no question about saving.
        Dialogs->Log.clear();
        QVERIFY(!Window->close());
        QCOMPARE(Dialogs->Log, std::vector<std::string>{"ask2: Вы действительно хотите выйти?"});
        Undo(); // before the save
        QVERIFY(Map->Modified);
        Redo();
        QVERIFY(!Map->Modified);
        Redo();
        QVERIFY(Map->Modified);
        // New and Open start the history again.
        Dialogs->Answers = {TAnswer::No};
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Map->ObjectCount(), 0);
        QVERIFY(!UndoItem()->isEnabled() && !RedoItem()->isEnabled());
        Draw(Wall, 5000, 5000, 5100, 5000);
        QVERIFY(UndoItem()->isEnabled());
        Dialogs->Answers = {TAnswer::No};
        Dialogs->FileChoices = {Dir->Path("saved.vl")};
        Key(Qt::Key_F3);
        QCOMPARE(Map->ObjectCount(), 1);
        QVERIFY(!UndoItem()->isEnabled());
        QCOMPARE(UndoItem()->text(), Q("Отменить"));
    }

    // Random edits through the window's own commands on a generated city, all taken back and
    // all done again.
    void randomEditsRoundTrip() {
        test::TCityPlan plan;
        plan.Loops = 2;
        plan.LoopWidth = 500;
        plan.RailLength = 25;
        plan.Routes = 2;
        Map = nullptr;
        auto city = test::GenerateCity(plan);
        city->FileName = Dir->Path("city.vl");
        QVERIFY(city->SaveToFile());
        Window.reset();
        Map = test::NewMap();
        MakeWindow();
        Dialogs->FileChoices = {Dir->Path("city.vl")};
        Key(Qt::Key_F3);
        QVERIFY(Map->ObjectCount() > 100);
        Child<QScrollBar>("HSB")->setValue(0);
        Child<QScrollBar>("VSB")->setValue(0);
        const std::vector<std::uint8_t> start = Bytes(*Map);

        TRandom r(11);
        auto point = [&] { return QPoint(r.Below(600), r.Below(600)); };
        // Edits that change nothing (a selection, a swap of nothing) make no step: go on until
        // 500 edits have made steps.
        for (int k = 0; k < 3000 && Window->History().StepCount() < 500; ++k) {
            switch (r.Below(14)) {
            case 0:
            case 1: {
                PickTool(r.Below(10));
                const QPoint a = point();
                Stroke(Qt::LeftButton, {a, a + QPoint(r.Below(120) - 60, r.Below(120) - 60)});
                break;
            }
            case 2:
            case 3:
                Stroke(Qt::RightButton, {point(), point()});
                break;
            case 4:
                Click(r.Below(3) ? "Swap" : "DelSel");
                break;
            case 5:
                Click(r.Below(2) ? "MemToColor" : "ColorToMem");
                break;
            case 6: { // a drag of grabbed ends
                const QPoint a = point(), b = a + QPoint(r.Below(40) - 20, r.Below(40) - 20);
                MoveTo(a);
                Press(Qt::RightButton, a);
                Press(Qt::LeftButton, a);
                MoveTo(b);
                Release(Qt::LeftButton, b);
                Release(Qt::RightButton, b);
                break;
            }
            case 7:
                Click("Compile");
                break;
            case 8:
                Child<QComboBox>("Symbol1")->setCurrentIndex(r.Below(3));
                break;
            case 9:
                Child<QComboBox>("Symbol2")->setCurrentIndex(r.Below(3));
                break;
            case 10:
                Click(r.Below(4) ? "AddToRoute" : "ClearRoute");
                break;
            case 11:
                Child<QSlider>("VagonCount")->setValue(1 + r.Below(3));
                break;
            case 12:
                Child<QSlider>("RouteInterval")->setValue(5 + r.Below(26));
                break;
            default:
                Dialogs->ColorChoices = {MakeColor(std::uint8_t(r.Below(256)), 100, 100)};
                MenuItem("C1")->trigger();
                break;
            }
        }
        const std::vector<std::uint8_t> end = Bytes(*Map);
        const std::size_t steps = Window->History().StepCount();
        QCOMPARE(steps, std::size_t(500));
        QVERIFY(end != start);
        for (std::size_t k = 0; k < steps; ++k)
            UndoItem()->trigger();
        QVERIFY(!UndoItem()->isEnabled());
        QVERIFY(Bytes(*Map) == start);
        QVERIFY(!Map->Modified);
        for (std::size_t k = 0; k < steps; ++k)
            RedoItem()->trigger();
        QVERIFY(!RedoItem()->isEnabled());
        QVERIFY(Bytes(*Map) == end);
        QVERIFY(Map->Modified);
    }
};

QTEST_MAIN(UndoRedoTest)
#include "UndoRedoTest.moc"

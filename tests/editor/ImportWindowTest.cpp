// The import from OpenStreetMap in the editor window, in both languages: the question about
// unsaved changes, the extract read in a job, the square dragged on the network's picture and
// the routes ticked, the import in a job, cancelling at every stage, and the imported map as an
// unsaved map named after its extract.
#include "editor/window/ImportDialog.h"
#include "model/MapExtras.h"
#include "model/MapFile.h"
#include "tests/editor/EditorWindowHarness.h"
#include "tests/import/OsmDataFolder.h"
#include "tests/import/UnusableExtract.h"
#include "ui/QtApplication.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <map>

using namespace vell;

namespace {

// The map as its file stores it, selection left out.
std::vector<std::uint8_t> Bytes(const TMap& map) {
    TMapFileContents c = map.StoredContents();
    for (TMapObject& o : c.Objects)
        o.SetSelected(false);
    return SerializeMapFile(c);
}

QStringList ListedRoutes(QTreeWidget* routes) {
    QStringList rows;
    for (int i = 0; i < routes->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < routes->columnCount(); ++c)
            cells << routes->topLevelItem(i)->text(c);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

// The extracts are read from beside the project; a missing folder skips, or fails under CI.
#define NEED_OSM_FOLDER()                                                                          \
    do {                                                                                           \
        if (!vell::import::test::OsmFolderPresent()) {                                             \
            if (vell::import::test::UnderCi()) QFAIL(VELL_OSM_DIR " is missing");                  \
            QSKIP(VELL_OSM_DIR " is missing: no real extracts to read");                           \
        }                                                                                          \
    } while (false)

class ImportWindowTest : public vell::test::TEditorWindowHarness {
    Q_OBJECT
    std::unique_ptr<TProgramLanguage> Language;
    bool English = false;
    QTemporaryDir Folder;
    std::string Extract; // a copy of Heidelberg's, so that the imported map may be saved beside it

    QString In(const char* english, const char* russian) const {
        return QString::fromUtf8(English ? english : russian);
    }
    template <class T> T* Shown() {
        for (T* w : Window->findChildren<T*>())
            if (w->isVisible()) return w;
        return nullptr;
    }
    QPushButton* Button(QWidget* dialog, const char* name) {
        auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
        if (!b) qFatal("no button %s", name);
        return b;
    }
    // A map with one drawn rail, not saved: what the import must leave alone when cancelled.
    void DrawUnsavedRail() {
        Draw(Rail, 4900, 4900, 5000, 4900);
        QVERIFY(Map->Modified && Window->History().CanUndo());
    }
    // Ctrl+I with the changes given up, the extract chosen.
    void StartImport(const std::string& extract) {
        Dialogs->Log.clear();
        Dialogs->Answers = {TAnswer::No};
        Dialogs->FileChoices = {extract};
        Activate();
        Key(Qt::Key_I, Qt::ControlModifier);
        // What follows the choice may come at once: a file that is no extract is told at the
        // first look at its job.
        QVERIFY(Dialogs->Log.size() >= 2);
        QCOMPARE(std::vector<std::string>(Dialogs->Log.begin(), Dialogs->Log.begin() + 2),
                 (std::vector<std::string>{"ask3: " + Map->ModifiedPrompt(), "extract dialog"}));
    }
    // Shortcuts go to the active window; the offscreen platform does not give it back by itself
    // when a dialog closes, as a window manager does.
    void Activate() {
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
    }
    TImportDialog* WaitForChoice() {
        TImportDialog* choice = nullptr;
        [&] { QTRY_VERIFY_WITH_TIMEOUT((choice = Shown<TImportDialog>()) != nullptr, 60000); }();
        return choice;
    }

  private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("ru") << false;
        QTest::newRow("en") << true;
    }
    void initTestCase() {
        QVERIFY(Folder.isValid());
        if (!import::test::OsmFolderPresent()) return;
        Extract = (Folder.path() + QStringLiteral("/heidelberg.test.pbf")).toStdString();
        QVERIFY(QFile::copy(QString::fromStdString(import::test::OsmFile("heidelberg.test.pbf")),
                            QString::fromStdString(Extract)));
    }
    void init() {
        QFETCH_GLOBAL(bool, english);
        English = english;
        Language =
            std::make_unique<TProgramLanguage>(english ? TLanguage::English : TLanguage::Russian);
        Language->Install();
        SetUpWindow();
    }
    void cleanup() {
        TearDownWindow();
        Language.reset();
        QFile::remove(Folder.path() + QStringLiteral("/heidelberg.test.vl"));
    }

    void cancellingWhileReadingChoosingOrImportingLeavesTheMap() {
        NEED_OSM_FOLDER();
        QCOMPARE(MenuItem("I1")->text(),
                 In("&Import from OpenStreetMap...", "Импорт из OpenStreetMap... (&I)"));
        DrawUnsavedRail();
        const std::vector<std::uint8_t> before = Bytes(*Map);
        const std::size_t steps = Window->History().StepCount();
        auto untouched = [&] {
            QVERIFY(!Window->ImportRunning());
            QCOMPARE(Bytes(*Map), before);
            QVERIFY(Map->Modified);
            QCOMPARE(Window->History().StepCount(), steps);
            QVERIFY(Window->History().CanUndo());
            QVERIFY(!QFile::exists(Folder.path() + QStringLiteral("/heidelberg.test.vl")));
            QCOMPARE(Dialogs->Log.size(), std::size_t(2)); // neither error nor report
            // A cancel is told in the status line, and no box of the import stays open.
            QCOMPARE(Window->statusBar()->currentMessage(),
                     In("Import cancelled; the map is unchanged.",
                        "Импорт отменён; карта не изменилась."));
            QVERIFY(!Shown<TImportProgressDialog>() && !Shown<TImportDialog>());
        };

        // While the network is read.
        Window->statusBar()->clearMessage();
        StartImport(Extract);
        auto* progress = Shown<TImportProgressDialog>();
        QVERIFY(progress);
        QCOMPARE(Button(progress, "Cancel")->text(), In("Cancel", "Отмена"));
        Button(progress, "Cancel")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!Window->ImportRunning(), 30000);
        QVERIFY(!Shown<TImportDialog>());
        untouched();

        // In the dialog of the square and the routes.
        Window->statusBar()->clearMessage();
        StartImport(Extract);
        TImportDialog* choice = WaitForChoice();
        QVERIFY(choice);
        Button(choice, "Cancel")->click();
        QVERIFY(!Window->ImportRunning());
        untouched();

        // While the map is made.
        Window->statusBar()->clearMessage();
        StartImport(Extract);
        choice = WaitForChoice();
        QVERIFY(choice);
        Button(choice, "Import")->click();
        progress = Shown<TImportProgressDialog>();
        QVERIFY(progress);
        Button(progress, "Cancel")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!Window->ImportRunning(), 30000);
        untouched();

        // A file that is no extract: its reader's message, and the map as it was.
        const QString broken = Folder.path() + QStringLiteral("/broken.osm.pbf");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not an extract") > 0);
        file.close();
        StartImport(broken.toStdString());
        QTRY_VERIFY_WITH_TIMEOUT(!Window->ImportRunning(), 30000);
        QCOMPARE(Dialogs->Log.size(), std::size_t(3));
        QVERIFY(Dialogs->Log.back().starts_with("error: "));
        QCOMPARE(Bytes(*Map), before);
    }

    void theChosenSquareAndRoutesBecomeANewUnsavedMap() {
        NEED_OSM_FOLDER();
        DrawUnsavedRail();
        bool boxesBehind = false; // a box of the import still open behind the report
        Dialogs->WhileShown = [&] {
            boxesBehind = boxesBehind || Shown<TImportProgressDialog>() || Shown<TImportDialog>();
        };
        StartImport(Extract);
        TImportDialog* choice = WaitForChoice();
        QVERIFY(choice);
        QVERIFY(choice->windowTitle().endsWith(QStringLiteral("heidelberg.test.pbf")));
        QCOMPARE(choice->findChild<QLabel*>("Attribution")->text(),
                 QStringLiteral("© OpenStreetMap contributors"));
        QCOMPARE(Button(choice, "Import")->text(), In("Import", "Импорт"));
        auto* routes = choice->findChild<QTreeWidget*>("Routes");
        QCOMPARE(routes->headerItem()->text(1), In("Slot", "Место"));
        const QStringList rowsBefore = ListedRoutes(routes);
        QVERIFY(rowsBefore.size() >= 2);

        // The picture is zoomed to the network, whose 10.4 km from north to south fill it: the
        // square's frame is nearly as large. Dragged 60 pixels right and 40 down, the frame
        // follows the mouse until it meets the picture's edges, where it stays; its centre goes
        // east and south and the routes are listed for the new square.
        auto* picture = choice->findChild<TNetworkPicture*>("NetworkPicture");
        const import::TGeoPoint centre = choice->Preview().Centre;
        const QRectF frame = picture->Frame();
        QVERIFY(frame.width() > 0.85 * TNetworkPicture::Side);
        QVERIFY(frame.left() > 0 && frame.right() < TNetworkPicture::Side);
        const QPoint from = frame.center().toPoint(), to = from + QPoint(60, 40);
        SendMouse(picture, QEvent::MouseButtonPress, Qt::LeftButton, from);
        SendMouse(picture, QEvent::MouseMove, Qt::NoButton, from + QPoint(5, 3));
        QVERIFY(std::abs(picture->Frame().center().x() - frame.center().x() - 5) < 1e-6);
        QVERIFY(std::abs(picture->Frame().center().y() - frame.center().y() - 3) < 1e-6);
        SendMouse(picture, QEvent::MouseMove, Qt::NoButton, to);
        SendMouse(picture, QEvent::MouseButtonRelease, Qt::LeftButton, to);
        QVERIFY(choice->Preview().Centre.Lon > centre.Lon);
        QVERIFY(choice->Preview().Centre.Lat < centre.Lat);
        QVERIFY(std::abs(picture->Frame().right() - TNetworkPicture::Side) < 1.5);
        QVERIFY(std::abs(picture->Frame().bottom() - TNetworkPicture::Side) < 1.5);
        QVERIFY(std::abs(picture->Frame().width() - frame.width()) < 1.5);
        QVERIFY(ListedRoutes(routes) != rowsBefore);
        QCOMPARE(choice->Options().Center->Lat, choice->Preview().Centre.Lat);

        // One route unticked; with none ticked there is nothing to import (no refs would be
        // every route to the import).
        std::vector<QTreeWidgetItem*> takeable;
        for (int i = 0; i < routes->topLevelItemCount(); ++i)
            if (routes->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable)
                takeable.push_back(routes->topLevelItem(i));
        QVERIFY(takeable.size() >= 2);
        for (QTreeWidgetItem* item : takeable) {
            QCOMPARE(item->checkState(0), Qt::Checked);
            item->setCheckState(0, Qt::Unchecked);
        }
        QVERIFY(!Button(choice, "Import")->isEnabled());
        for (QTreeWidgetItem* item : takeable)
            item->setCheckState(0, Qt::Checked);
        // The list shows each line by the name riders know; the ticks are of its ref.
        const std::string left = takeable.front()->data(0, Qt::UserRole).toString().toStdString();
        std::map<std::string, QString> shown;
        for (QTreeWidgetItem* item : takeable)
            shown[item->data(0, Qt::UserRole).toString().toStdString()] = item->text(0);
        takeable.front()->setCheckState(0, Qt::Unchecked);
        QVERIFY(Button(choice, "Import")->isEnabled());
        const import::TImportOptions options = choice->Options();
        QCOMPARE(options.Routes.size(), takeable.size() - 1);
        choice->findChild<QCheckBox*>("Buildings")->setChecked(false);
        choice->findChild<QSpinBox*>("Cars")->setValue(3);
        Button(choice, "Import")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!Window->ImportRunning(), 60000);

        // NAME.vl beside the extract, modified and not written, a history of its own.
        QCOMPARE(Map->FileName,
                 (Folder.path() + QStringLiteral("/heidelberg.test.vl")).toStdString());
        QVERIFY(Map->Modified);
        QVERIFY(Window->windowTitle().contains(QStringLiteral("  - *")));
        QVERIFY(Window->windowTitle().endsWith(QStringLiteral("heidelberg.test.vl")));
        QVERIFY(!QFile::exists(QString::fromStdString(Map->FileName)));
        QVERIFY(!Window->History().CanUndo() && !Window->History().CanRedo());
        // The network is sound: the view is on its middle, where the rails are.
        QVERIFY(RailsInView() > 10);
        QVERIFY(std::none_of(Map->Objects.begin(), Map->Objects.end(),
                             [](const TMapObject& o) { return o.Selected(); }));
        for (const std::string& ref : options.Routes) {
            const auto slot = RouteSlotOfName(ref);
            QVERIFY(slot);
            QVERIFY2(Map->Route(slot->first, slot->second).WaypointCount >= 2, ref.c_str());
            QCOMPARE(int(Map->Route(slot->first, slot->second).Cars), 3);
            // The map took the line's name with it.
            const std::optional<std::string> line = LineName(*Map, slot->first, slot->second);
            QVERIFY2(line, ref.c_str());
            QCOMPARE(QString::fromStdString(*line), shown[ref]);
        }
        const auto unticked = RouteSlotOfName(left);
        QVERIFY(unticked);
        QCOMPARE(int(Map->Route(unticked->first, unticked->second).WaypointCount), 0);
        // The report, which opens with the attribution.
        QCOMPARE(Dialogs->Log.size(), std::size_t(3));
        QVERIFY(Dialogs->Log.back().starts_with("message: © OpenStreetMap contributors"));
        QVERIFY(QString::fromStdString(Dialogs->Log.back()).contains(In("Routes", "Маршруты")));
        QVERIFY(!boxesBehind);
        QVERIFY(!Shown<TImportProgressDialog>());

        // Saved, the map goes to that file; the import is a map like any other then.
        Activate();
        Key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!Map->Modified);
        QVERIFY(QFile::exists(QString::fromStdString(Map->FileName)));
        QVERIFY(QFile::exists(QString::fromStdString(MapExtrasPath(Map->FileName))));
        // The city's look came with the import (Heidelberg's extract has roads and stops, hardly a
        // building) and goes into that file with the names.
        QVERIFY(Map->Extras.Look.Streets.size() > 100);
        QVERIFY(!Map->Extras.Look.Stops.empty());
        auto saved = std::make_unique<TMap>();
        saved->NewMap();
        saved->FileName = Map->FileName;
        QVERIFY(saved->LoadFromFile());
        QCOMPARE(saved->Extras.LookWarning, std::string());
        QVERIFY(saved->Extras.Look == Map->Extras.Look);
    }

    // Routes the import cannot take (Porto's funicular, on no tram track in the square) are
    // listed greyed, with why, and cannot be ticked; lines whose refs are no slot's (Munich's
    // night lines) take free slots and are ticked.
    void routesTheImportCannotTakeAreGreyed() {
        NEED_OSM_FOLDER();
        StartImportOf(import::test::OsmFile("porto.osm.pbf"));
        TImportDialog* choice = WaitForChoice();
        QVERIFY(choice);
        auto* routes = choice->findChild<QTreeWidget*>("Routes");
        QTreeWidgetItem* funicular = nullptr;
        for (int i = 0; i < routes->topLevelItemCount(); ++i)
            if (routes->topLevelItem(i)->text(0) == QStringLiteral("Batalha => Ribeira"))
                funicular = routes->topLevelItem(i);
        QVERIFY(funicular);
        QVERIFY(!(funicular->flags() & (Qt::ItemIsEnabled | Qt::ItemIsUserCheckable)));
        QVERIFY(!funicular->toolTip(0).isEmpty());
        std::vector<std::string> taken = choice->Options().Routes;
        QVERIFY(!taken.empty());
        QVERIFY(std::find(taken.begin(), taken.end(), "Batalha => Ribeira") == taken.end());
        Button(choice, "Cancel")->click();
        QVERIFY(!Window->ImportRunning());

        StartImportOf(import::test::OsmFile("munchen.osm.pbf"));
        choice = WaitForChoice();
        QVERIFY(choice);
        taken = choice->Options().Routes;
        QVERIFY(std::find(taken.begin(), taken.end(), "N17") != taken.end());
        Button(choice, "Cancel")->click();
        QVERIFY(!Window->ImportRunning());
    }

    // An extract whose tram ways have no usable segment (their nodes on one spot, or one node
    // located): one error, the import's boxes closed before it, and the open, modified map as it
    // was. The square is chosen as the dialog is made, on the window's timer.
    void anUnusableExtractIsOneErrorAndTheMapStays() {
        const std::string extract = (Folder.path() + QStringLiteral("/unusable.osm")).toStdString();
        QVERIFY(import::test::WriteUnusableTrackExtract(extract));
        DrawUnsavedRail();
        const std::vector<std::uint8_t> before = Bytes(*Map);
        const std::size_t steps = Window->History().StepCount();
        bool boxesBehind = false;
        Dialogs->WhileShown = [&] {
            boxesBehind = boxesBehind || Shown<TImportProgressDialog>() || Shown<TImportDialog>();
        };
        StartImport(extract);
        QTRY_VERIFY_WITH_TIMEOUT(!Window->ImportRunning(), 30000);
        QCOMPARE(Dialogs->Log.size(), std::size_t(3));
        QCOMPARE(QString::fromStdString(Dialogs->Log.back()),
                 QStringLiteral("error: ") +
                     In("No stretch of the extract's tram track has usable coordinates.",
                        "У трамвайных путей выписки нет ни одного участка с допустимыми "
                        "координатами."));
        QVERIFY(!boxesBehind);
        QVERIFY(!Shown<TImportProgressDialog>() && !Shown<TImportDialog>());
        QCOMPARE(Bytes(*Map), before);
        QVERIFY(Map->Modified);
        QCOMPARE(Window->History().StepCount(), steps);
        QVERIFY(Window->windowTitle().contains(QStringLiteral("*")));
        // The editor goes on: the drawn rail can still be taken back.
        Activate();
        Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!Window->History().CanUndo());
    }

    // Munich's 1.5 km of track: the picture shows the network, not a speck in the square, whose
    // frame, larger than the picture, is drawn over it and can only be dragged so far that it
    // still covers the picture; the route list fits without sideways scrolling, and after the
    // import the view is on the track.
    void aSmallNetworkFillsThePictureAndTheViewLandsOnIt() {
        NEED_OSM_FOLDER();
        StartImportOf(import::test::OsmFile("munchen.osm.pbf"));
        TImportDialog* choice = WaitForChoice();
        QVERIFY(choice);
        auto* picture = choice->findChild<TNetworkPicture*>("NetworkPicture");
        const int side = TNetworkPicture::Side;
        QVERIFY(picture->Frame().width() > 2 * side);
        const QRectF frame = picture->Frame();
        QVERIFY(frame.contains(QRectF(0, 0, side, side)));
        for (const QPoint shift : {QPoint(3000, 3000), QPoint(-3000, 2000)}) {
            const QPoint from(side / 2, side / 2);
            SendMouse(picture, QEvent::MouseButtonPress, Qt::LeftButton, from);
            SendMouse(picture, QEvent::MouseMove, Qt::NoButton, from + shift);
            SendMouse(picture, QEvent::MouseButtonRelease, Qt::LeftButton, from + shift);
            const QRectF moved = picture->Frame();
            // Placed again from its new centre's degrees: within a pixel of where it was let go.
            QVERIFY(moved.contains(QRectF(1, 1, side - 2, side - 2)));
            QVERIFY(std::abs(moved.width() - frame.width()) < 1.5);
            // As far as it goes: one of its edges meets the picture's.
            QVERIFY(std::abs(shift.x() > 0 ? moved.left() : moved.right() - side) < 1.5);
        }
        // The columns fit the list; each route's name is in its tool tip, should it be elided.
        auto* routes = choice->findChild<QTreeWidget*>("Routes");
        QVERIFY(routes->topLevelItemCount() > 5);
        QCOMPARE(routes->horizontalScrollBar()->maximum(), 0);
        QVERIFY(routes->header()->length() <= routes->viewport()->width());
        for (int i = 0; i < routes->topLevelItemCount(); ++i)
            QVERIFY(
                routes->topLevelItem(i)->toolTip(0).startsWith(routes->topLevelItem(i)->text(0)));

        Button(choice, "Import")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!Window->ImportRunning(), 60000);
        QVERIFY(Dialogs->Log.back().starts_with("message: "));
        QVERIFY(RailsInView() > 20);
    }

  private:
    // The rails with a point in the plan view (600 x 600 from its top-left corner).
    int RailsInView() const {
        int count = 0;
        const QRect view(Map->ViewX, Map->ViewY, 600, 600);
        for (const TMapObject& o : Map->Objects)
            if (o.IsRail() && (view.contains(o.X1, o.Y1) || view.contains(o.X2, o.Y2))) ++count;
        return count;
    }
    // Ctrl+I on an unchanged map: no question, straight to the extract.
    void StartImportOf(const std::string& extract) {
        Dialogs->Log.clear();
        Dialogs->FileChoices = {extract};
        Activate();
        Key(Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(Dialogs->Log, (std::vector<std::string>{"extract dialog"}));
    }
};

QTEST_MAIN(ImportWindowTest)
#include "ImportWindowTest.moc"

// "Выбрать карту..." with an OpenStreetMap extract: the map is imported in a thread of its own,
// written beside the extract and chosen as any map; a file of that name is replaced only when
// the player says so, a damaged extract leaves the map chosen before, and a folder that takes no
// new file asks where. Copies of the real extracts beside the project are imported, never the
// extracts themselves.
#include "tests/game/GameFixture.h"

#include "game/ImportExtract.h"
#include "import/Import.h"
#include "import/ImportReport.h"
#include "model/MapExtras.h"
#include "model/MapFlows.h"
#include "model/Route.h"
#include "tests/import/OsmDataFolder.h"
#include "tests/import/UnusableExtract.h"
#include "tests/support/FileFaultCases.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace vell;
using namespace vell::test;

namespace {

#define NEED_EXTRACTS()                                                                            \
    do {                                                                                           \
        if (!import::test::OsmFolderPresent()) {                                                   \
            if (import::test::UnderCi()) QFAIL(VELL_OSM_DIR " is missing");                        \
            QSKIP(VELL_OSM_DIR " is missing: no real extracts to read");                           \
        }                                                                                          \
    } while (false)

std::string CopyExtract(const std::string& name, const std::string& to) {
    std::filesystem::copy_file(import::test::OsmFile(name), to);
    return to;
}

QStringList RouteNames(const QTableWidget* t, int column = 0) {
    QStringList names;
    for (int r = 0; r < t->rowCount(); ++r)
        names << (t->item(r, column) ? t->item(r, column)->text() : QString());
    return names;
}

const char* const Extract = "oslo-skoyen.osm.pbf";

} // namespace

class ImportExtractTest : public QObject {
    Q_OBJECT
  private slots:
    void mapNamesFollowTheExtractsEnding() {
        for (const char* ending : {".osm.pbf", ".OSM.BZ2", ".osm.gz", ".pbf", ".osm", ".osm.xml.gz",
                                   ".OSM.XML", ".osm.xml.bz2"})
            QCOMPARE(import::ImportedMapName(std::string("/a.b/city") + ending),
                     std::string("/a.b/city.vl"));
        QCOMPARE(import::ImportedMapName("heidelberg.test.pbf"), std::string("heidelberg.test.vl"));
        // No name before the ending: the ending is the name.
        QCOMPARE(import::ImportedMapName("dir.osm/.pbf"), std::string("dir.osm/.pbf.vl"));
        QVERIFY(!IsExtractFile("city.vl") && !IsExtractFile("osm") && !IsExtractFile("c.o5m"));
    }

    // An extract under any name is imported, told by what it holds; a map is opened as one.
    void extractsAreToldByWhatTheyHold() {
        NEED_EXTRACTS();
        TTempDir dir;
        QVERIFY(IsExtractFile(CopyExtract("berlin_mitte_sumo.osm.xml.gz", dir.Path("osm_bbox"))));
        QVERIFY(IsExtractFile(CopyExtract(Extract, dir.Path("oslo.download"))));
        QCOMPARE(import::ImportedMapName(dir.Path("osm_bbox.osm.xml.gz")), dir.Path("osm_bbox.vl"));
        // A map, whatever its first bytes, and a file that holds no extract.
        QVERIFY(!IsExtractFile(CopyExtract(Extract, dir.Path("oslo.vl"))));
        WriteBytes(dir.Path("notes.txt"), {'<', 0, 0, 0});
        QVERIFY(!IsExtractFile(dir.Path("notes.txt")));
        TRoutesMap map(dir.Path("city.map"));
        QVERIFY(!IsExtractFile(dir.Path("city.map")));
    }

    // The map written beside the extract is the import's own, and it is the one chosen.
    void importingWritesTheMapBesideTheExtractAndListsItsRoutes() {
        NEED_EXTRACTS();
        TTempDir dir;
        const std::string extract = CopyExtract(Extract, dir.Path("skøyen.osm.pbf"));
        TGame g;
        TCaptionLog captions(&g.SelectRoute);
        bool idleDuringImport = true;
        QTimer::singleShot(0, &g.SelectRoute, [&]() {
            idleDuringImport = g.SelectRoute.SelectMap->isEnabled() ||
                               g.SelectRoute.RouteTable->isEnabled() ||
                               !g.SelectRoute.ImportingExtract();
        });
        g.Choose(extract);

        QVERIFY(!idleDuringImport);
        const std::string written = dir.Path("skøyen.vl");
        // The game says which file it wrote, once the map is open, and offers the report.
        QCOMPARE(g.Dialogs.Log, (std::vector<std::string>{
                                    "open dialog with extracts",
                                    "message: Карта из OpenStreetMap записана: " + written}));
        QVERIFY(g.SelectRoute.MapReady());
        QCOMPARE(g.Dialogs.Details.size(), std::size_t(1));
        QCOMPARE(g.Map->FileName, written);
        import::TImportResult reference = import::ImportCity(import::TOsmInput::File(extract), {});
        reference.Map->FileName = dir.Path("reference.vl");
        QVERIFY(reference.Map->SaveToFile());
        QVERIFY(ReadBytes(written) == ReadBytes(dir.Path("reference.vl")));
        QCOMPARE(g.Dialogs.Details.back(), import::ImportReportText(reference.Report));
        QVERIFY(g.Dialogs.Details.back().starts_with("© OpenStreetMap contributors\n"));
        // The line names beside it, which the table shows beside the slots.
        QVERIFY(ReadBytes(MapExtrasPath(written)) == ReadBytes(dir.Path("reference.vlx")));
        QStringList expected, lines;
        for (const import::TImportedRoute& r : reference.Report.Routes) {
            expected << QString::fromStdString(RouteName(r.Row, r.Column));
            lines << QString::fromStdString(r.Name);
        }
        QVERIFY(!expected.isEmpty());
        QCOMPARE(RouteNames(g.SelectRoute.RouteTable), expected);
        QCOMPARE(RouteNames(g.SelectRoute.RouteTable, LineColumn), lines);
        QVERIFY(captions.Captions.first().startsWith("Импорт из OpenStreetMap... "));
        QVERIFY(captions.Captions.contains("Импорт из OpenStreetMap... 100 %"));
        QCOMPARE(captions.Captions.last(), QString("Трамвай"));
        QVERIFY(g.SelectRoute.MapReady() && g.SelectRoute.SelectMap->isEnabled());

        // Once more: the map written is the player's now, replaced only on Yes.
        TRoutesMap(dir.Path("skøyen.vl"));
        const std::vector<std::uint8_t> own = ReadBytes(written);
        g.Choose(dir.Path("skøyen.vl"));
        const TMapState chosen(*g.Map);
        g.Dialogs.Log.clear();
        g.Dialogs.Answers.push_back(TAnswer::No);
        g.Choose(extract);
        QCOMPARE(g.Dialogs.Log, (std::vector<std::string>{"open dialog with extracts",
                                                          "ask2: " + OverwritePrompt(written)}));
        QVERIFY(ReadBytes(written) == own);
        QVERIFY(TMapState(*g.Map) == chosen);
        QCOMPARE(RouteNames(g.SelectRoute.RouteTable), (QStringList{"1 ", "1А", "2 ", "10"}));
        g.Dialogs.Answers.push_back(TAnswer::Yes);
        g.Choose(extract);
        QVERIFY(ReadBytes(written) == ReadBytes(dir.Path("reference.vl")));
        QCOMPARE(RouteNames(g.SelectRoute.RouteTable), expected);
    }

    // A damaged extract, and an import the player ends by closing the window: nothing written,
    // the map chosen before stays with its routes.
    void aFailedOrCancelledImportKeepsTheMapChosenBefore() {
        NEED_EXTRACTS();
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        const TMapState before(*g.Map);
        WriteBytes(dir.Path("broken.osm.pbf"), {0, 0, 0, 13, 10, 9});
        g.Choose(dir.Path("broken.osm.pbf"));
        QCOMPARE(g.LastLog(),
                 "error: Ошибка при импорте из OpenStreetMap!\nВыписка OpenStreetMap " +
                     dir.Path("broken.osm.pbf") + " повреждена или оборвана.");
        QVERIFY(TMapState(*g.Map) == before);

        // Tram ways without a usable segment (nodes on one spot, one node located): one line,
        // the map chosen before kept.
        const std::string unusable = dir.Path("unusable.osm");
        QVERIFY(import::test::WriteUnusableTrackExtract(unusable));
        g.Choose(unusable);
        QCOMPARE(g.LastLog(), std::string("error: Ошибка при импорте из OpenStreetMap!\nУ "
                                          "трамвайных путей выписки нет ни одного участка с "
                                          "допустимыми координатами."));
        QVERIFY(TMapState(*g.Map) == before);

        const std::string extract = CopyExtract(Extract, dir.Path("oslo.osm.pbf"));
        bool closedWhileImporting = false;
        QTimer::singleShot(0, &g.SelectRoute, [&]() {
            closedWhileImporting = g.SelectRoute.ImportingExtract();
            g.SelectRoute.close();
        });
        g.Choose(extract);
        QVERIFY(closedWhileImporting);
        QCOMPARE(Listing(dir.Root().string()),
                 (std::vector<std::string>{"broken.osm.pbf", "city.vl", "oslo.osm.pbf",
                                           "unusable.osm"}));
        QVERIFY(TMapState(*g.Map) == before);
        QCOMPARE(RouteNames(g.SelectRoute.RouteTable), (QStringList{"1 ", "1А", "2 ", "10"}));
        QCOMPARE(g.SelectRoute.windowTitle(), QString("Трамвай"));
    }

    // Run in the scratch mounts, which put a copy of the extract in a read-only folder.
    void aFolderThatTakesNoFileAsksWhere() {
        const std::string readOnly = ScratchMount("VELL_READONLY_DIR");
        if (readOnly.empty()) QSKIP("needs the read-only folder of with-scratch-mounts.sh");
        const std::string extract = readOnly + "/" + Extract;
        TTempDir dir;
        TGame g;
        g.Dialogs.FileChoices = {extract, std::nullopt, extract,
                                 extract, extract,      dir.Path("elsewhere")};
        g.SelectRoute.SelectMapClick(); // the save dialog cancelled: nothing happens
        QCOMPARE(g.Dialogs.Log,
                 (std::vector<std::string>{"open dialog with extracts", "save dialog"}));
        g.SelectRoute.SelectMapClick(); // never written over the extract
        QCOMPARE(g.LastLog(), "error: Ошибка при сохранении карты!\nКарта записалась бы поверх "
                              "выписки " +
                                  extract + ".");
        QVERIFY(!g.SelectRoute.MapReady());
        g.SelectRoute.SelectMapClick();
        QCOMPARE(g.Map->FileName, dir.Path("elsewhere.VL"));
        QVERIFY(g.SelectRoute.RouteRowCount() > 0);
        QVERIFY(!FileExists(readOnly + "/oslo-skoyen.vl"));
    }
};

QTEST_MAIN(ImportExtractTest)
#include "ImportExtractTest.moc"

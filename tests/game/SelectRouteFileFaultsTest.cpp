// The route selection window's file operations where the file system says no: choosing a map,
// the map named on the command line and the scheme picture, on a read-only folder, a full disk,
// a folder in place of a map, an empty file and long Cyrillic names. A failure shows its
// message and leaves the files, the map and the route table as they were. Runs through
// tests/support/with-scratch-mounts.sh, which provides the read-only folder and the full disk.
#include "tests/game/GameFixture.h"

#include "model/MapFlows.h"
#include "model/draw/Scheme.h"
#include "tests/support/FileFaultCases.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vell;
using namespace vell::test;

namespace {

const std::string OpenFailed = std::string("error: ") + OpenErrorText + "\n";
const std::string SchemeFailed = std::string("error: ") + SchemeSaveError + "\n";

QStringList TableTexts(const QTableWidget* t) {
    QStringList texts;
    for (int r = 0; r < t->rowCount(); ++r)
        for (int c = 0; c < t->columnCount(); ++c)
            texts << (t->item(r, c) ? t->item(r, c)->text() : QString());
    return texts;
}

// The scheme button fails with `message`: no picture shown, nothing new in the map's folder,
// the map and the table untouched.
void SchemeFails(TGame& g, const std::string& message) {
    const std::string folder = std::filesystem::path(g.Map->FileName).parent_path().string();
    const std::vector<std::string> files = Listing(folder);
    const std::vector<std::uint8_t> mapBytes = ReadBytes(g.Map->FileName);
    const TMapState before(*g.Map);
    const QStringList table = TableTexts(g.SelectRoute.RouteTable);
    // Checked once: a picture window, were it shown, would be up when the timer fires.
    bool shown = false;
    QTimer::singleShot(0, &g.SelectRoute, [&]() {
        if (QWidget* w = QApplication::activeModalWidget()) {
            shown = true;
            w->close();
        }
    });
    g.SelectRoute.Button1->click();
    QCOMPARE(g.LastLog(), message);
    QVERIFY(!shown);
    QVERIFY(Listing(folder) == files);
    QVERIFY(ReadBytes(g.Map->FileName) == mapBytes);
    QVERIFY(TMapState(*g.Map) == before);
    QCOMPARE(TableTexts(g.SelectRoute.RouteTable), table);
    QVERIFY(g.SelectRoute.MapReady());
}

// Choosing `path` fails with `message` and keeps the map chosen before; named on the command
// line, it fails the same way at start-up.
void OpenFails(const std::string& path, const std::string& message) {
    TTempDir dir;
    TRoutesMap source(dir.Path("city.vl"));
    TGame g;
    g.Choose(dir.Path("city.vl"));
    const TMapState before(*g.Map);
    const QStringList table = TableTexts(g.SelectRoute.RouteTable);
    g.Choose(path);
    QCOMPARE(g.LastLog(), message);
    QVERIFY(TMapState(*g.Map) == before);
    QCOMPARE(TableTexts(g.SelectRoute.RouteTable), table);
    QVERIFY(g.SelectRoute.MapReady());

    TGame atStart;
    atStart.Map->Create(path.c_str());
    atStart.SelectRoute.SelectMapAtStartUp(true);
    QCOMPARE(atStart.Dialogs.Log, std::vector<std::string>{message});
    QVERIFY(!atStart.SelectRoute.MapReady());
}

} // namespace

class SelectRouteFileFaultsTest : public QObject {
    Q_OBJECT

    std::string ReadOnly, Full;

  private slots:
    void initTestCase() {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ReadOnly = ScratchMount("VELL_READONLY_DIR");
        Full = ScratchMount("VELL_FULL_DIR");
        QVERIFY2(!ReadOnly.empty() && !Full.empty(),
                 "run through tests/support/with-scratch-mounts.sh");
        std::error_code ec;
        QVERIFY(!std::filesystem::create_directory(ReadOnly + "/probe", ec));
        QCOMPARE(ec.value(), EROFS);
    }

    // The map opens from a read-only folder; its picture cannot go next to it.
    void readOnlyFolder() {
        TGame g;
        g.Choose(ReadOnly + "/ring.vl");
        QVERIFY(g.SelectRoute.RouteRowCount() > 0);
        SchemeFails(g, SchemeFailed + "Папка доступна только для чтения.");
    }

    void fullDisk() {
        TRoutesMap source(Full + "/city.vl"); // a small map fits, its 1 MB picture does not
        TGame g;
        g.Choose(Full + "/city.vl");
        SchemeFails(g, SchemeFailed + "Недостаточно места на диске.");
        std::filesystem::remove(Full + "/city.vl");
    }

    void folderInPlaceOfAMapOrPicture() {
        TTempDir dir;
        std::filesystem::create_directory(dir.Path("folder.vl"));
        OpenFails(dir.Path("folder.vl"), OpenFailed + "Это папка, а не файл.");

        TRoutesMap source(dir.Path("city.vl"));
        std::filesystem::create_directory(dir.Path("city.bmp"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        SchemeFails(g, SchemeFailed + "Это папка, а не файл.");
    }

    // A pipe that is being read in the picture's place: the game writes regular files only, so
    // the scheme is refused with the reason, and the pipe stays one that got nothing.
    void pipeInPlaceOfThePicture() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        const std::string pipe = dir.Path("city.bmp");
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        TGame g;
        g.Choose(dir.Path("city.vl"));
        g.Dialogs.Answers = {TAnswer::Yes}; // replace the file this run did not write
        SchemeFails(g, SchemeFailed + "Это не обычный файл.");
        char byte = 0;
        QVERIFY(::read(reader, &byte, 1) <= 0);
        ::close(reader);
        QVERIFY(std::filesystem::is_fifo(pipe));
    }

    void emptyFile() {
        TTempDir dir;
        WriteBytes(dir.Path("empty.vl"), {});
        OpenFails(dir.Path("empty.vl"), OpenFailed + "Файл пуст.");
        QCOMPARE(std::filesystem::file_size(dir.Path("empty.vl")), std::uintmax_t(0));
    }

    // 200 Cyrillic letters: chosen, named on the command line, and its picture beside it.
    void longCyrillicPathWorks() {
        TTempDir dir;
        const std::string path = LongCyrillicPath(dir.Root());
        TRoutesMap source(path);
        TGame g;
        g.Choose(path);
        QCOMPARE(g.Map->FileName, path);
        QCOMPARE(g.SelectRoute.RouteRowCount(), 4);
        WhenModalShows(&g.SelectRoute, [](QWidget* w) { w->close(); });
        g.SelectRoute.Button1->click();
        QCOMPARE(g.Dialogs.Log.size(), std::size_t(1)); // the open dialog only
        QVERIFY(std::filesystem::file_size(SchemeFileName(path)) > 600 * 600);

        TGame atStart;
        atStart.Map->Create(path.substr(0, path.size() - 3).c_str());
        atStart.SelectRoute.SelectMapAtStartUp(true);
        QVERIFY(atStart.Dialogs.Log.empty());
        QCOMPARE(atStart.SelectRoute.RouteRowCount(), 4);
    }

    // A map name of 254 bytes has a picture name of 255: it is written. One byte more and the
    // picture's name cannot exist; a map name over the limit cannot be opened.
    void namesAtAndOverTheLimit() {
        TTempDir dir;
        const std::string nearLimit = dir.Path(CyrillicName(125) + "a.vl"); // 254 bytes
        TRoutesMap source(nearLimit);
        TGame g;
        g.Choose(nearLimit);
        WhenModalShows(&g.SelectRoute, [](QWidget* w) { w->close(); });
        g.SelectRoute.Button1->click();
        QCOMPARE(g.Dialogs.Log.size(), std::size_t(1));
        QVERIFY(std::filesystem::exists(SchemeFileName(nearLimit)));

        const std::string atLimit = dir.Path(CyrillicName(126) + ".vl"); // 255 bytes
        source.Save(atLimit);
        g.Choose(atLimit);
        QCOMPARE(g.Map->FileName, atLimit);
        SchemeFails(g, SchemeFailed + "Слишком длинное имя файла.");

        OpenFails(dir.Path(CyrillicName(130) + ".vl"), OpenFailed + "Слишком длинное имя файла.");
    }
};

QTEST_MAIN(SelectRouteFileFaultsTest)
#include "SelectRouteFileFaultsTest.moc"

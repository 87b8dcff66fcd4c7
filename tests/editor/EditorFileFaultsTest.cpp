// The editor's file commands where the file system says no: a read-only folder, a full disk, a
// folder in place of a map, an empty file, and long Cyrillic names. Each failure must show its
// message and leave the file on disk and the map in memory as they were. Runs through
// tests/support/with-scratch-mounts.sh, which provides the read-only folder and the full disk.
#include "editor/window/VellEdit.h"
#include "model/MapFlows.h"
#include "tests/support/FileFaultCases.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"

#include <QApplication>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace vell;
using namespace vell::test;

#include "tests/editor/EditorWindowHarness.h"

namespace {
const std::string SaveFailed = std::string("error: ") + SaveErrorText + "\n";
const std::string OpenFailed = std::string("error: ") + OpenErrorText + "\n";
} // namespace

class EditorFileFaultsTest : public TEditorWindowHarness {
    Q_OBJECT

    std::string ReadOnly, Full;

    // Every way the editor writes the current map: F2, Save as, New and Exit answered Yes. Each
    // must fail with `message`, keep `file` byte for byte and the map as it was.
    void EverySaveFails(const std::string& message, const std::string& file,
                        const std::string& otherName) {
        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        const std::vector<std::string> folder = Listing(std::filesystem::path(file).parent_path());
        const TMapState before(*Map);
        QVERIFY(before.Modified);
        Dialogs->Log.clear();
        Key(Qt::Key_F2);
        Dialogs->FileChoices = {otherName};
        Key(Qt::Key_A, Qt::ControlModifier);
        Dialogs->Answers = {TAnswer::Yes};
        Key(Qt::Key_N, Qt::ControlModifier);
        Dialogs->Answers = {TAnswer::Yes};
        QVERIFY(!Window->close());
        const std::string ask = "ask3: " + Map->ModifiedPrompt();
        QCOMPARE(Dialogs->Log, (std::vector<std::string>{message, "save dialog", message, ask,
                                                         message, ask, message}));
        QVERIFY(Window->isVisible());
        QVERIFY(TMapState(*Map) == before);
        QVERIFY(ReadBytes(file) == bytes);
        QVERIFY(Listing(std::filesystem::path(file).parent_path()) == folder);
        // Nothing was saved: the caption still marks the changes.
        QCOMPARE(Window->windowTitle(), QString::fromStdString("Редактор карт  - *" + file));
    }

    // The open command and the command line on a path that cannot be loaded.
    void OpenFails(const std::string& path, const std::string& message) {
        test::AddRail(*Map, 5000, 5000, 5100, 5000);
        Map->Modified = true;
        const TMapState before(*Map);
        Dialogs->Log.clear();
        Dialogs->Answers = {TAnswer::No};
        Dialogs->FileChoices = {path};
        Key(Qt::Key_F3);
        QCOMPARE(Dialogs->Log.back(), message);
        QVERIFY(TMapState(*Map) == before);

        Window.reset();
        Map->Create(path.c_str());
        Dialogs->Log.clear();
        MakeWindow();
        QTRY_COMPARE(Dialogs->Log, std::vector<std::string>{message});
        QCOMPARE(Map->FileName, std::string(NewMapName));
        QCOMPARE(Map->ObjectCount(), 0);
    }

  private slots:
    void initTestCase() {
        ReadOnly = ScratchMount("VELL_READONLY_DIR");
        Full = ScratchMount("VELL_FULL_DIR");
        QVERIFY2(!ReadOnly.empty() && !Full.empty(),
                 "run through tests/support/with-scratch-mounts.sh");
        // The mounts are what they claim: nothing can be created in the read-only one.
        QVERIFY(!std::filesystem::create_directory(ReadOnly + "/probe", Ec));
        QCOMPARE(Ec.value(), EROFS);
    }
    void init() { SetUpWindow(); }
    void cleanup() {
        TearDownWindow();
        for (const std::string& name : Listing(Full))
            std::filesystem::remove(Full + "/" + name);
    }

    void readOnlyFolder() {
        const std::string ring = ReadOnly + "/ring.vl";
        Dialogs->FileChoices = {ring};
        Key(Qt::Key_F3); // reading works
        QVERIFY(Dialogs->Log.size() == 1 && Map->ObjectCount() > 0);
        Draw(Rail, 5000, 5000, 5100, 5000);
        EverySaveFails(SaveFailed + "Папка доступна только для чтения.", ring,
                       ReadOnly + "/copy.vl");
    }

    void fullDisk() {
        Dialogs->FileChoices = {Full + "/small.vl"};
        Key(Qt::Key_F2); // a small map fits
        QVERIFY(!Map->Modified);
        AddManyRails(*Map);
        Draw(Rail, 5000, 5000, 5100, 5000);
        EverySaveFails(SaveFailed + "Недостаточно места на диске.", Full + "/small.vl",
                       Full + "/big.vl");
    }

    void folderInPlaceOfAMap() {
        const std::string folder = Dir->Path("folder.vl");
        std::filesystem::create_directory(folder);
        Dialogs->FileChoices = {Dir->Path("map.vl")};
        Key(Qt::Key_F2);
        Draw(Rail, 5000, 5000, 5100, 5000);
        // Save as onto the folder: no question about replacing it, the error at once.
        const TMapState before(*Map);
        Dialogs->Log.clear();
        Dialogs->FileChoices = {folder};
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Dialogs->Log,
                 (std::vector<std::string>{"save dialog", SaveFailed + "Это папка, а не файл."}));
        QVERIFY(TMapState(*Map) == before);
        QVERIFY(std::filesystem::is_empty(folder));
        OpenFails(folder, OpenFailed + "Это папка, а не файл.");
    }

    void emptyFile() {
        WriteBytes(Dir->Path("empty.vl"), {});
        OpenFails(Dir->Path("empty.vl"), OpenFailed + "Файл пуст.");
        QCOMPARE(std::filesystem::file_size(Dir->Path("empty.vl")), std::uintmax_t(0));
    }

    // 200 Cyrillic letters in folders and name: saved, opened again, saved again, and named on
    // the command line without its extension.
    void longCyrillicPathWorks() {
        const std::string path = LongCyrillicPath(Dir->Root());
        Draw(Rail, 5000, 5000, 5100, 5000);
        Dialogs->FileChoices = {path};
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Map->FileName, path);
        const std::vector<std::uint8_t> saved = ReadBytes(path);
        QCOMPARE(saved.size(), std::size_t(472 + 12));
        Key(Qt::Key_N, Qt::ControlModifier);
        Dialogs->FileChoices = {path};
        Key(Qt::Key_F3);
        QCOMPARE(Map->ObjectCount(), 1);
        QCOMPARE(Map->FileName, path);
        // Loading clears the selection bits; otherwise the map saves as it was read.
        const std::vector<std::uint8_t> reopened = SerializeMapFile(Map->StoredContents());
        Map->Modified = true;
        Key(Qt::Key_F2);
        QVERIFY(ReadBytes(path) == reopened);
        QVERIFY(!Map->Modified);
        QVERIFY(Dialogs->Log == (std::vector<std::string>{"save dialog", "open dialog"}));

        Window.reset();
        Map->Create(path.substr(0, path.size() - 3).c_str());
        MakeWindow();
        QCoreApplication::processEvents();
        QCOMPARE(Map->FileName, path);
        QCOMPARE(Map->ObjectCount(), 1);
    }

    // A file name of exactly 255 bytes saves (the temporary name stays short); one of 263
    // bytes cannot exist, and the messages say so.
    void nameAtAndOverTheLimit() {
        Draw(Rail, 5000, 5000, 5100, 5000);
        const std::string atLimit = CyrillicName(126) + ".vl";
        Dialogs->FileChoices = {Dir->Path(atLimit)};
        Key(Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!Map->Modified);
        QVERIFY(Listing(Dir->Root().string()) == std::vector<std::string>{atLimit});

        Draw(Rail, 5100, 5000, 5200, 5000);
        const TMapState before(*Map);
        const std::string tooLong = Dir->Path(CyrillicName(130) + ".vl");
        Dialogs->FileChoices = {tooLong};
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Dialogs->Log.back(), SaveFailed + "Слишком длинное имя файла.");
        QVERIFY(TMapState(*Map) == before);
        QVERIFY(Listing(Dir->Root().string()) == std::vector<std::string>{atLimit});
        OpenFails(tooLong, OpenFailed + "Слишком длинное имя файла.");
    }

    // A pipe that is being read and a character device in place of a map: the editor writes
    // regular files only, so Save as onto either is refused with the reason and nothing reaches
    // them; the device opens as no map.
    void pipeOrDeviceInPlaceOfAMap() {
        const std::string pipe = Dir->Path("pipe.vl"), device = Dir->Path("null.vl");
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        Dialogs->FileChoices = {Dir->Path("map.vl")};
        Key(Qt::Key_F2);
        Draw(Rail, 5000, 5000, 5100, 5000);
        const TMapState before(*Map);
        std::vector<std::string> targets{pipe};
        if (::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) targets.push_back(device);
        for (const std::string& target : targets) {
            Dialogs->Log.clear();
            Dialogs->FileChoices = {target};
            Dialogs->Answers = {TAnswer::Yes}; // replace it
            Key(Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(Dialogs->Log.back(), SaveFailed + "Это не обычный файл.");
            QVERIFY(TMapState(*Map) == before);
        }
        char byte = 0;
        QVERIFY(::read(reader, &byte, 1) <= 0);
        ::close(reader);
        QVERIFY(std::filesystem::is_fifo(pipe));
        if (targets.size() < 2)
            QSKIP("this machine allows no device node in a scratch folder (mknod)");
        QVERIFY(std::filesystem::is_character_file(device));
        OpenFails(device, OpenFailed + "Это не обычный файл.");
    }

  private:
    std::error_code Ec;
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    EditorFileFaultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "EditorFileFaultsTest.moc"

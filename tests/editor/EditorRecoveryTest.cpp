// Recovery copies: an editor killed after edits (SIGKILL, a child process running this test
// program's editor window) leaves a copy that the next editor offers; Yes brings the edited map
// back exactly, No removes the copy; a live editor's copy is never offered; a copy that cannot
// be read is offered for deletion.
#include "editor/ops/Recovery.h"
#include "model/MapExtras.h"
#include "model/MapFile.h"
#include "tests/editor/EditorWindowHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

#include <csignal>
#include <cstdio>
#include <filesystem>

using namespace vell;
namespace fs = std::filesystem;

namespace {

constexpr const char* ChildVariable = "VELL_RECOVERY_CHILD"; // the child's scratch folder

std::vector<std::uint8_t> Bytes(const TMap& map) {
    TMapFileContents c = map.StoredContents();
    for (TMapObject& o : c.Objects)
        o.SetSelected(false);
    return SerializeMapFile(c);
}

std::vector<std::string> CopiesIn(const std::string& folder) {
    std::vector<std::string> copies;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".vlr") copies.push_back(e.path().filename().string());
    return copies;
}

} // namespace

// The editor that crashes: opens the map, edits it through the window, waits until its copy
// holds the last edit, leaves the expected map beside it and waits to be killed.
class TCrashingEditor : public vell::test::TEditorWindowHarness {
  public:
    int Run(const std::string& scratch) {
        TRecovery recovery(DefaultRecoveryFolder());
        recovery.IntervalMs = 100;
        RecoveryStore = &recovery;
        SetUpWindow();
        Dialogs->FileChoices = {scratch + "/city.vl"};
        Key(Qt::Key_F3);
        Window->RedrawAll();
        Draw(DoubleTrackPoles, 5000, 5000, 5300, 5000);
        Draw(Rail, 5000, 5100, 5100, 5100);
        Child<QPushButton>("Compile")->click(); // written at once
        Stroke(Qt::RightButton, {At(5050, 5100)});
        Child<QPushButton>("AddToRoute")->click();
        Child<QSlider>("VagonCount")->setValue(3);
        Draw(Wall, 5000, 5200, 5100, 5250); // written by the timer
        const std::vector<std::uint8_t> copy = SerializeRecoveryCopy(*Map);
        for (int k = 0; k < 100 && test::ReadBytes(recovery.CopyPath()) != copy; ++k)
            QTest::qWait(50);
        if (test::ReadBytes(recovery.CopyPath()) != copy) return 1;
        test::WriteBytes(scratch + "/expected.vl", Bytes(*Map));
        std::printf("ready\n");
        std::fflush(stdout);
        // Killed long before this; a child left over from a failed run ends by itself.
        QTest::qWait(60 * 1000);
        return 2;
    }
};

class EditorRecoveryTest : public vell::test::TEditorWindowHarness {
    Q_OBJECT

    std::unique_ptr<TRecovery> Store;
    std::string Folder;

    // Starts the crashing editor, checks that its live copy is not offered, kills it.
    void CrashAnEditor() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(ChildVariable, QString::fromStdString(Dir->Root().string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // The child's own scratch folders go inside this test's, which is removed: a child
        // killed with SIGKILL cannot clean up after itself.
        fs::create_directories(Dir->Path("child-tmp"));
        env.insert("TMPDIR", QString::fromStdString(Dir->Path("child-tmp")));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted(10000));
        QByteArray out;
        while (!out.contains("ready") && child.state() == QProcess::Running &&
               child.waitForReadyRead(30000))
            out += child.readAllStandardOutput();
        QVERIFY2(out.contains("ready"), out.constData());
        QCOMPARE(CopiesIn(Folder).size(), std::size_t(1));
        // Another editor started now does not offer the copy of one that runs.
        TRecovery other(Folder);
        QVERIFY(other.FindLeftCopies().empty());
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    }

    void StartEditor(std::deque<TAnswer> answers, int intervalMs = TRecovery::DefaultIntervalMs) {
        Window.reset();
        Map = test::NewMap();
        Dialogs->Log.clear();
        Dialogs->Answers = std::move(answers);
        Store = std::make_unique<TRecovery>(Folder);
        Store->IntervalMs = intervalMs;
        RecoveryStore = Store.get();
        MakeWindow();
    }

  private slots:
    void init() {
        SetUpWindow();
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(Dir->Path("state")));
        Folder = DefaultRecoveryFolder();
        QCOMPARE(Folder, Dir->Path("state/vell/recovery"));
        auto city = test::NewMap();
        const std::vector<int> ring = test::AddRing(*city, 4900, 4900, 5400, 5400, 3);
        // A line named as riders know it, which the copy carries with the map.
        test::SetRoute(*city, 2, 11, {ring[0], ring[5]});
        NameLine(*city, 2, 11, "M3");
        city->FileName = Dir->Path("city.vl");
        QVERIFY(city->SaveToFile());
    }
    void cleanup() {
        TearDownWindow();
        Store.reset();
        RecoveryStore = nullptr;
    }

    void killedEditorRestoredOnYes() {
        CrashAnEditor();
        const std::vector<std::uint8_t> city = test::ReadBytes(Dir->Path("city.vl"));
        StartEditor({TAnswer::Yes});
        QTRY_COMPARE(Dialogs->Log.size(), std::size_t(1));
        const std::string& asked = Dialogs->Log[0];
        const std::string start = "ask2: Редактор карт был закрыт без сохранения. Найдена копия "
                                  "карты '" +
                                  Dir->Path("city.vl") + "' от ";
        QVERIFY2(asked.rfind(start, 0) == 0, asked.c_str());
        QVERIFY2(asked.ends_with(". Восстановить её?"), asked.c_str());
        QCOMPARE(asked.size(),
                 start.size() + std::string("08.12.2026 11:05:12. Восстановить её?").size());
        QVERIFY(Bytes(*Map) == test::ReadBytes(Dir->Path("expected.vl")));
        QCOMPARE(Map->FileName, Dir->Path("city.vl"));
        QVERIFY(Map->Modified);
        QVERIFY(test::ReadBytes(Dir->Path("city.vl")) == city); // nothing saved
        QCOMPARE(Window->windowTitle(),
                 QString::fromStdString("Редактор карт  - *" + Dir->Path("city.vl")));
        // The copy is this editor's now, until the map is saved or given up.
        QCOMPARE(CopiesIn(Folder), std::vector<std::string>{std::to_string(::getpid()) + ".vlr"});
        Key(Qt::Key_F2);
        QVERIFY(!Map->Modified);
        QVERIFY(CopiesIn(Folder).empty());
        QVERIFY(test::ReadBytes(Dir->Path("city.vl")) == test::ReadBytes(Dir->Path("expected.vl")));
        // The line's name came back with the copy and went to the file beside the map.
        QCOMPARE(LineName(*Map, 2, 11), std::optional<std::string>("M3"));
        auto saved = test::NewMap();
        saved->FileName = Dir->Path("city.vl");
        QVERIFY(saved->LoadFromFile());
        QCOMPARE(LineName(*saved, 2, 11), std::optional<std::string>("M3"));
    }

    void killedEditorCopyRemovedOnNo() {
        CrashAnEditor();
        StartEditor({TAnswer::No});
        QTRY_COMPARE(Dialogs->Log.size(), std::size_t(1));
        QVERIFY(Dialogs->Log[0].starts_with("ask2: Редактор карт был закрыт без сохранения."));
        QCOMPARE(Map->ObjectCount(), 0);
        QVERIFY(!Map->Modified);
        QVERIFY(CopiesIn(Folder).empty());
        // Asked once: the next editor finds nothing.
        StartEditor({});
        QTest::qWait(100);
        QVERIFY(Dialogs->Log.empty());
    }

    // A copy that cannot be read is offered for deletion: No keeps it for another day (and
    // the question comes again), Yes removes it.
    void unreadableCopyOfferedForDeletion() {
        fs::create_directories(Folder);
        const std::string damaged = Folder + "/4242.vlr";
        std::vector<std::uint8_t> bytes = SerializeRecoveryCopy(*Map);
        bytes.resize(bytes.size() - 3); // cut in the route records
        test::WriteBytes(damaged, bytes);
        const std::string question =
            "ask2: Копию карты для восстановления не удалось прочитать: " + damaged +
            "\nФайл повреждён.\nУдалить её?";
        StartEditor({TAnswer::No});
        QTRY_COMPARE(Dialogs->Log.size(), std::size_t(1));
        QCOMPARE(Dialogs->Log[0], question);
        QVERIFY(test::ReadBytes(damaged) == bytes);
        QCOMPARE(Map->ObjectCount(), 0);
        QVERIFY(!Map->Modified);
        StartEditor({TAnswer::Yes});
        QTRY_COMPARE(Dialogs->Log.size(), std::size_t(1));
        QCOMPARE(Dialogs->Log[0], question);
        QVERIFY(!fs::exists(damaged));
        StartEditor({});
        QTest::qWait(100);
        QVERIFY(Dialogs->Log.empty());
    }

    // An editor that can keep no copies (its state folder cannot be made) says so in its status
    // line, once, rather than running without them unnoticed.
    void noCopiesIsSaidInTheStatusLine() {
        fs::create_directories(Dir->Path("state"));
        test::WriteBytes(Dir->Path("state/vell"), {1}); // a file where the folder would be
        StartEditor({});
        QTest::qWait(50);
        QVERIFY(Dialogs->Log.empty());
        // It stays beside what the checks and saves say there later.
        QCOMPARE(Window->statusBar()->findChild<QLabel*>("RecoveryTrouble")->text(),
                 QString::fromStdString("Копии несохранённых изменений не записываются. Папка не "
                                        "найдена."));
    }

    // The program itself keeps its lock in the user's state folder and asks before touching a
    // left copy (killed while the question is up, the copy is still there).
    void programLocksItsStateFolderAndAsksFirst() {
        fs::create_directories(Folder);
        test::WriteBytes(Folder + "/4243.vlr", SerializeRecoveryCopy(*Map));
        QProcess editor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", QString::fromStdString(Dir->Path("state")));
        editor.setProcessEnvironment(env);
        editor.start(VELL_EDITOR, {"-platform", "offscreen"});
        QVERIFY(editor.waitForStarted(10000));
        const std::string lock = Folder + "/" + std::to_string(editor.processId()) + ".lock";
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(lock), 10000);
        TRecovery other(Folder);
        QTRY_VERIFY_WITH_TIMEOUT(other.FindLeftCopies().size() == 1, 10000);
        QTest::qWait(300);
        ::kill(pid_t(editor.processId()), SIGKILL);
        QVERIFY(editor.waitForFinished(10000));
        QVERIFY(fs::exists(Folder + "/4243.vlr"));
    }

    // The copy follows unsaved changes: written by the timer while modified, gone after an
    // undo back to the saved state, and after a clean exit.
    void copyFollowsUnsavedChanges() {
        StartEditor({}, 50);
        Window->RedrawAll();
        Draw(Rail, 5000, 5000, 5100, 5000);
        QTRY_VERIFY(fs::exists(Store->CopyPath()));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!Map->Modified);
        QVERIFY(!fs::exists(Store->CopyPath()));
        Key(Qt::Key_Y, Qt::ControlModifier);
        QTRY_VERIFY(fs::exists(Store->CopyPath()));
        Dialogs->Answers = {TAnswer::No}; // leave without saving
        QVERIFY(Window->close());
        QVERIFY(!fs::exists(Store->CopyPath()));
    }
};

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(ChildVariable)) {
        TCrashingEditor editor;
        return editor.Run(qEnvironmentVariable(ChildVariable).toStdString());
    }
    EditorRecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "EditorRecoveryTest.moc"

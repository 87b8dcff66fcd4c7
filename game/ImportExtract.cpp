// Importing an OpenStreetMap extract from the route selection window: the map's file is settled
// first, then the import runs in a thread of its own while the window polls it and shows its
// progress, then the map is written through the safe save and chosen as any map.
#include "game/ImportExtract.h"

#include "game/SelectRoute.h"
#include "import/Import.h"
#include "import/ImportJob.h"
#include "import/ImportReport.h"
#include "import/ImportStep.h"
#include "model/FileFault.h"
#include "model/FileName.h"
#include "model/MapFlows.h"
#include "model/Texts.h"
#include "ui/PaintBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

#include <cmath>

namespace vell {

const char* const ImportingCaption =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Импорт из OpenStreetMap... %1 %");
const char* const ImportErrorText =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Ошибка при импорте из OpenStreetMap!");
const char* const ImportedMapText =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Карта из OpenStreetMap записана: %1");
const char* const MapOverExtractText =
    QT_TRANSLATE_NOOP("vell::TSelectRoute", "Карта записалась бы поверх выписки %1.");

namespace {

// The window asks the import how far it has come this often.
constexpr int ImportPollMs = 100;

} // namespace

bool IsExtractFile(const std::string& path) {
    if (!import::ExtractEnding(path).empty()) return true;
    // A map's first bytes may be anything (its object count): a .vl file is always a map.
    const std::string lower = QString::fromStdString(path).toLower().toStdString();
    return !lower.ends_with(".vl") && import::HoldsExtract(path);
}

bool FolderTakesNewFile(const std::string& folder) {
    QTemporaryFile probe(
        QDir(QString::fromStdString(folder)).filePath(QStringLiteral(".vell-XXXXXX")));
    return probe.open(); // removed with `probe`
}

void TSelectRoute::ImportExtract(const std::string& extract) {
    const std::optional<std::string> target = ImportTarget(extract);
    if (!target) return;
    std::string report;
    std::unique_ptr<TMap> imported = RunImport(extract, report);
    if (!imported) return;
    // The game runs only maps that are saved: the imported one is written, then opened as
    // a chosen map, with the questions and errors of any map.
    imported->FileName = *target;
    TFileFault fault = TFileFault::None;
    const bool saved = imported->SaveToFile(&fault);
    imported.reset();
    if (!saved) {
        Dialogs.ShowError(WithReason(translate("Map", SaveErrorText), fault));
        return;
    }
    if (!OpenChosenMap(Map, Dialogs, *target)) return;
    UseOpenedMap();
    // What was written where, and the import's report for who wants to read it.
    Dialogs.ShowDetailedMessage(
        tr(ImportedMapText)
            .arg(QFileInfo(QString::fromStdString(*target)).absoluteFilePath())
            .toStdString(),
        report);
}

// NAME.vl beside the extract, or a name the player chooses when its folder takes no new file;
// a file there is replaced only when the player says so. Nothing when the player declines.
std::optional<std::string> TSelectRoute::ImportTarget(const std::string& extract) {
    std::string target = import::ImportedMapName(extract);
    const QString folder = QFileInfo(QString::fromStdString(extract)).absolutePath();
    if (!FolderTakesNewFile(folder.toStdString())) {
        const std::optional<std::string> chosen = Dialogs.ChooseMapToSave();
        if (!chosen) return std::nullopt;
        target = WithDefaultExtension(*chosen, ".VL");
    }
    if (SameFile(target, extract)) {
        Dialogs.ShowError(
            translate("Map", SaveErrorText) + "\n" +
            tr(MapOverExtractText).arg(QString::fromStdString(extract)).toStdString());
        return std::nullopt;
    }
    if (FileExists(target) && !Dialogs.AskYesNo(OverwritePrompt(target))) return std::nullopt;
    return target;
}

// The import with the default options, its progress in the caption; Esc or closing the window
// cancels it. The map made and its report, or nothing after an error shown or a cancel.
std::unique_ptr<TMap> TSelectRoute::RunImport(const std::string& extract, std::string& report) {
    using namespace vell::import;
    const QString kept = windowTitle();
    ImportRunning = true;
    CancelRequested = false;
    UpdateButtons();
    QCoreApplication::instance()->installEventFilter(this);

    std::unique_ptr<TMap> made;
    std::string error;
    {
        TImportJob<TImportResult> job([input = TOsmInput::File(extract)](TImportProgress& p) {
            return ImportCity(input, TImportOptions{}, &p);
        });
        QEventLoop loop;
        QTimer poll;
        const auto showProgress = [&]() {
            // The stages' shares add up to a whole only within rounding.
            const int percent = int(std::floor(job.Progress().Fraction() * 100 + 1e-6));
            setWindowTitle(tr(ImportingCaption).arg(percent));
        };
        connect(&poll, &QTimer::timeout, &loop, [&]() {
            if (CancelRequested) job.Cancel();
            showProgress();
            if (job.Done()) loop.quit();
        });
        showProgress();
        poll.start(ImportPollMs);
        loop.exec();
        // The loop also ends when the application quits: the import is not waited for then.
        if (CancelRequested || !job.Done()) job.Cancel();
        // The import's one error path: a fault of the import is reported, not a crash.
        error = RunImportStep(extract, [&] {
                    TImportResult result = job.Take();
                    report = ImportReportText(result.Report);
                    made = std::move(result.Map);
                }).Error;
    }

    QCoreApplication::instance()->removeEventFilter(this);
    // A close asked for during the import's last instant still drops what it made.
    if (CancelRequested) made.reset();
    ImportRunning = false;
    CancelRequested = false;
    setWindowTitle(kept);
    UpdateButtons();
    if (!error.empty()) Dialogs.ShowError(tr(ImportErrorText).toStdString() + "\n" + error);
    return made;
}

} // namespace vell

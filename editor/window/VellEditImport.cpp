// The editor window's import of a city from OpenStreetMap: the extract's tram network read in a
// job of its own, the square and the routes chosen, the import in a job, its map in place of the
// open one. The jobs are polled by a timer, so that the window stays responsive; their dialogs
// are window-modal, so that the map is not edited meanwhile. Cancelled at any point, the import
// leaves the open map as it was.
#include "editor/window/VellEdit.h"

#include "editor/ops/EditorFlows.h"
#include "editor/ops/Recovery.h"
#include "editor/ops/RouteEditing.h"
#include "editor/window/ImportRun.h"
#include "import/ImportReport.h"
#include "model/Texts.h"

#include <QTimer>

#include <new>

namespace vell {

using namespace import;

void TVellEdit::I1Click() {
    BeginCommand();
    if (Import) return; // one at a time
    // The question about unsaved changes, as "Открыть" asks it.
    std::string savedTo;
    const bool goOn = SettleChanges(Map, Dialogs, &savedTo, NameUnwritten);
    if (!savedTo.empty()) {
        MapSaved();
        ShowSaved(savedTo);
        RedrawAll();
    }
    if (!goOn) return;
    if (const auto extract = Dialogs.ChooseExtractToOpen(false)) StartReading(*extract);
}

void TVellEdit::StartReading(const std::string& extract) {
    Import = std::make_unique<TImportRun>();
    Import->Extract = extract;
    Import->Reading = std::make_unique<TImportJob<TOsmExtract>>(
        [input = TOsmInput::File(extract)](TImportProgress& progress) {
            return ReadTramNetwork(input, &progress);
        });
    ShowImportProgress();
}

void TVellEdit::ShowImportProgress() {
    auto* dialog = new TImportProgressDialog(this);
    dialog->setWindowModality(Qt::WindowModal);
    // Closed, or "Отмена": the job is cancelled, and the timer ends the import once it stops.
    connect(dialog, &QDialog::rejected, this, [this] {
        if (!Import) return;
        Import->Cancelled = true;
        if (Import->Reading) Import->Reading->Cancel();
        if (Import->Importing) Import->Importing->Cancel();
    });
    Import->Progress = dialog;
    dialog->open();
    ImportTimer->start();
    ImportTimerTimer();
}

void TVellEdit::ImportTimerTimer() {
    if (!Import) {
        ImportTimer->stop();
        return;
    }
    if (Import->Reading) {
        if (Import->Progress) Import->Progress->Show(Import->Reading->Progress());
        if (Import->Reading->Done()) ReadingDone();
    } else if (Import->Importing) {
        if (Import->Progress) Import->Progress->Show(Import->Importing->Progress());
        if (Import->Importing->Done()) ImportingDone();
    }
}

void TVellEdit::ReadingDone() {
    ImportTimer->stop();
    try {
        Import->Network = Import->Reading->Take();
    } catch (...) {
        ImportFailed();
        return;
    }
    Import->Reading.reset();
    if (Import->Cancelled) return EndImport(); // the read ended as it was cancelled
    if (Import->Progress) {
        Import->Progress->hide();
        Import->Progress->deleteLater();
    }
    auto* choice = new TImportDialog(Import->Network, Import->Extract, this);
    choice->setWindowModality(Qt::WindowModal);
    connect(choice, &QDialog::finished, this, &TVellEdit::ChoiceMade);
    Import->Choice = choice;
    choice->open();
}

void TVellEdit::ChoiceMade(int result) {
    if (!Import || !Import->Choice) return;
    if (result != QDialog::Accepted) return EndImport();
    const TImportOptions options = Import->Choice->Options();
    Import->Choice->deleteLater();
    // The job takes the network: the dialog that showed it is gone.
    Import->Importing = std::make_unique<TImportJob<TImportResult>>(
        [network = std::move(Import->Network), input = TOsmInput::File(Import->Extract),
         options](TImportProgress& progress) mutable {
            return ImportFromNetwork(std::move(network), input, options, &progress);
        });
    ShowImportProgress();
}

void TVellEdit::ImportingDone() {
    ImportTimer->stop();
    TImportResult result;
    try {
        result = Import->Importing->Take();
    } catch (...) {
        ImportFailed();
        return;
    }
    const bool cancelled = Import->Cancelled; // the import ended as it was cancelled
    EndImport();
    if (!cancelled) TakeImportedMap(std::move(result));
}

// Called inside a catch block: the import ends, and what stopped it is shown unless it was
// cancelled. A fault of the import itself is reported, not a crash of the editor.
void TVellEdit::ImportFailed() {
    const bool cancelled = Import->Cancelled;
    const std::string extract = Import->Extract;
    EndImport();
    std::string error;
    try {
        throw;
    } catch (const TReadError& e) {
        error = e.what();
    } catch (const TImportCancelled&) {
        return;
    } catch (const std::bad_alloc&) {
        error = Arg(translate("Import", "Не хватило памяти, чтобы прочитать %1."), extract);
    } catch (const std::exception&) {
        error = Arg(translate("Import", "Не удалось импортировать %1."), extract);
    }
    if (!cancelled) Dialogs.ShowError(error);
}

void TVellEdit::EndImport() {
    ImportTimer->stop();
    Import.reset();
}

void TVellEdit::TakeImportedMap(TImportResult result) {
    // In place of the open map, as opening its saved file would put it: the same objects and
    // routes, the view at its start, nothing selected; named after the extract, not yet written.
    PlanMouse.Reset();
    Map.ApplyLoadedContents(result.Map->StoredContents());
    Map.FileName = ImportedMapName(result.Report.Extract);
    Map.Modified = true;
    NameUnwritten = true;
    // A new history, whose start is not what any file holds.
    UndoHistory.ResetUnsaved(Map, EditorState());
    WrittenGeneration = UndoHistory.Generation();
    AfterChange();
    // The rail check as "Пров. пути" makes it: faulty rails selected, the view on one of them.
    const TRailCheck check = CheckRails(Map);
    ShowStatus(QString::fromStdString(RailCheckText(check)));
    SyncScrollBars();
    if (check.FaultyRail >= 0) ScrollTo(check.ViewX, check.ViewY);
    // An import is much work to lose: its copy is written at once.
    WriteRecoveryCopy();
    RefreshRouteState();
    RedrawAll();
    Dialogs.ShowMessage(ImportReportText(result.Report));
}

} // namespace vell

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
#include "import/ImportStep.h"
#include "model/Texts.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace vell {

using namespace import;

namespace {

constexpr int ViewSide = 600; // the plan view's width and height in map units

// The middle of the rail nearest the middle of the box around every rail: a network of
// branches may have no track at the box's own middle. Nothing for a map without rails.
std::optional<std::pair<int, int>> TrackCentre(const TMap& map) {
    int left = std::numeric_limits<int>::max(), top = left, right = -left, bottom = -left;
    for (const TMapObject& o : map.Objects) {
        if (!o.IsRail()) continue;
        left = std::min({left, int(o.X1), int(o.X2)});
        right = std::max({right, int(o.X1), int(o.X2)});
        top = std::min({top, int(o.Y1), int(o.Y2)});
        bottom = std::max({bottom, int(o.Y1), int(o.Y2)});
    }
    if (left > right) return std::nullopt;
    const double middleX = (left + right) / 2.0, middleY = (top + bottom) / 2.0;
    std::optional<std::pair<int, int>> nearest;
    double best = std::numeric_limits<double>::max();
    for (const TMapObject& o : map.Objects) {
        if (!o.IsRail()) continue;
        const int x = (o.X1 + o.X2) / 2, y = (o.Y1 + o.Y2) / 2;
        const double distance = std::hypot(x - middleX, y - middleY);
        if (distance < best) {
            best = distance;
            nearest = std::pair{x, y};
        }
    }
    return nearest;
}

} // namespace

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
    // Starting the job's thread may fail as any step may.
    const TImportStepEnd end = RunImportStep(extract, [&] {
        Import->Reading = std::make_unique<TImportJob<TOsmExtract>>(
            [input = TOsmInput::File(extract)](TImportProgress& progress) {
                return ReadTramNetwork(input, &progress);
            });
        ShowImportProgress();
    });
    if (end.Stopped()) ImportStopped(end);
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

// The timer's slot: every step it takes goes through the import's one error path, so that no
// fault of the import (a file it cannot use, a fault of its own) leaves it and ends the editor.
void TVellEdit::ImportTimerTimer() {
    if (!Import) {
        ImportTimer->stop();
        return;
    }
    const std::string extract = Import->Extract; // the step may end the import
    const TImportStepEnd end = RunImportStep(extract, [this] {
        if (Import->Reading) {
            if (Import->Progress) Import->Progress->Show(Import->Reading->Progress());
            if (Import->Reading->Done()) ReadingDone();
        } else if (Import->Importing) {
            if (Import->Progress) Import->Progress->Show(Import->Importing->Progress());
            if (Import->Importing->Done()) ImportingDone();
        }
    });
    if (end.Stopped()) ImportStopped(end);
}

void TVellEdit::ReadingDone() {
    ImportTimer->stop();
    Import->Network = Import->Reading->Take();
    Import->Reading.reset();
    if (Import->Cancelled) return ImportStopped({true, {}}); // the read ended as it was cancelled
    // The dialog previews the square and plans the routes as it is made: that may fail too.
    auto* choice = new TImportDialog(Import->Network, Import->Extract, this);
    if (Import->Progress) {
        Import->Progress->hide();
        Import->Progress->deleteLater();
    }
    choice->setWindowModality(Qt::WindowModal);
    connect(choice, &QDialog::finished, this, &TVellEdit::ChoiceMade);
    Import->Choice = choice;
    choice->open();
}

void TVellEdit::ChoiceMade(int result) {
    if (!Import || !Import->Choice) return;
    if (result != QDialog::Accepted) return ImportStopped({true, {}});
    const std::string extract = Import->Extract;
    const TImportStepEnd end = RunImportStep(extract, [this] {
        const TImportOptions options = Import->Choice->Options();
        Import->Choice->hide();
        Import->Choice->deleteLater();
        // The job takes the network: the dialog that showed it is gone.
        Import->Importing = std::make_unique<TImportJob<TImportResult>>(
            [network = std::move(Import->Network), input = TOsmInput::File(Import->Extract),
             options](TImportProgress& progress) mutable {
                return ImportFromNetwork(std::move(network), input, options, &progress);
            });
        ShowImportProgress();
    });
    if (end.Stopped()) ImportStopped(end);
}

void TVellEdit::ImportingDone() {
    ImportTimer->stop();
    TImportResult result = Import->Importing->Take();
    // The import ended as it was cancelled.
    if (Import->Cancelled) return ImportStopped({true, {}});
    // Its boxes go before the map and its report are shown.
    EndImport();
    TakeImportedMap(std::move(result));
}

// The import ends: its boxes close before anything is said, the open map stays as it was, and
// the user reads why in one line: an error box, or the status line after a cancel.
void TVellEdit::ImportStopped(const TImportStepEnd& end) {
    const bool cancelled = end.Cancelled || (Import && Import->Cancelled);
    EndImport();
    if (cancelled)
        ShowStatus(tr("Импорт отменён; карта не изменилась."));
    else
        Dialogs.ShowError(end.Error);
}

void TVellEdit::EndImport() {
    ImportTimer->stop();
    Import.reset();
}

void TVellEdit::TakeImportedMap(TImportResult result) {
    // In place of the open map, as opening its saved file would put it: the same objects and
    // routes with their line names, nothing selected; named after the extract, not yet written.
    PlanMouse.Reset();
    Map.ApplyLoadedContents(result.Map->StoredContents(), result.Map->Extras);
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
    if (check.FaultyRail >= 0) {
        ScrollTo(check.ViewX, check.ViewY);
    } else if (const auto centre = TrackCentre(Map)) {
        // The network may lie anywhere in the square: the view goes to its middle.
        ScrollTo(std::clamp(centre->first - ViewSide / 2, 0, MaxViewPosition),
                 std::clamp(centre->second - ViewSide / 2, 0, MaxViewPosition));
    }
    // An import is much work to lose: its copy is written at once.
    WriteRecoveryCopy();
    RefreshRouteState();
    RedrawAll();
    Dialogs.ShowMessage(ImportReportText(result.Report));
}

} // namespace vell

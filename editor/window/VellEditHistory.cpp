// The editor window's undo and redo, and its recovery copies: the edit menu, the steps the
// commands record, the copy written while changes are unsaved and the question at start.
#include "editor/window/VellEdit.h"

#include "editor/ops/EditSteps.h"
#include "editor/ops/Recovery.h"
#include "model/Texts.h"

#include <QAction>
#include <QComboBox>
#include <QSignalBlocker>
#include <QTimer>

namespace vell {

namespace {
// The history keeps the steps' Russian names; they are translated when shown.
QString StepName(const std::string& label) {
    return QString::fromStdString(translate("EditSteps", label.c_str()));
}
} // namespace

TEditorState TVellEdit::EditorState() const {
    return {CurrentColor, RouteRow(), RouteColumn()};
}

void TVellEdit::Record(const std::string& label) {
    if (UndoHistory.Record(Map, EditorState(), label)) AfterChange();
    ShowCaption(); // a command may mark the map modified without changing it
}

void TVellEdit::UndoClick() {
    BeginCommand(); // a drag under way is a step of its own, taken back first
    if (UndoHistory.CanUndo()) TakeHistoryStep(true);
}

void TVellEdit::RedoClick() {
    BeginCommand();
    if (UndoHistory.CanRedo()) TakeHistoryStep(false);
}

void TVellEdit::TakeHistoryStep(bool undo) {
    const std::string label = undo ? UndoHistory.UndoLabel() : UndoHistory.RedoLabel();
    if (const auto state = undo ? UndoHistory.Undo(Map) : UndoHistory.Redo(Map)) {
        ShowEditorState(*state);
        return;
    }
    const QString text = undo ? tr("Шаг '%1' нельзя отменить: его данные повреждены. Карта "
                                   "осталась как есть.")
                              : tr("Шаг '%1' нельзя повторить: его данные повреждены. Карта "
                                   "осталась как есть.");
    Dialogs.ShowError(text.arg(StepName(label)).toStdString());
}

void TVellEdit::ShowEditorState(const TEditorState& state) {
    CurrentColor = state.Color;
    {
        const QSignalBlocker row(Symbol1), column(Symbol2);
        Symbol1->setCurrentIndex(state.RouteRow);
        Symbol2->setCurrentIndex(state.RouteColumn);
    }
    RefreshRouteState();
    AfterChange();
    RedrawAll();
}

void TVellEdit::UpdateUndoActions() {
    const std::string undo = UndoHistory.UndoLabel(), redo = UndoHistory.RedoLabel();
    UndoItem->setEnabled(UndoHistory.CanUndo());
    UndoItem->setText(tr("Отменить") +
                      (undo.empty() ? QString() : QStringLiteral(": ") + StepName(undo)));
    RedoItem->setEnabled(UndoHistory.CanRedo());
    RedoItem->setText(tr("Повторить") +
                      (redo.empty() ? QString() : QStringLiteral(": ") + StepName(redo)));
}

void TVellEdit::AfterChange() {
    UpdateUndoActions();
    // Back at the saved state (or saved): there is nothing left to recover.
    if (Recovery && !Map.Modified) Recovery->Remove();
}

void TVellEdit::MapReplaced() {
    // What the checks said was about the map that went; what its load passed over is said once.
    ShowStatus(QString::fromStdString(Map.ExtrasWarning));
    Map.ExtrasWarning.clear();
    NameUnwritten = false;
    UndoHistory.Reset(Map, EditorState());
    WrittenGeneration = UndoHistory.Generation();
    AfterChange();
}

void TVellEdit::MapSaved() {
    NameUnwritten = false; // whatever its name, the map is in its file now
    UndoHistory.MarkSaved();
    AfterChange();
}

// ---- Recovery copies ----

void TVellEdit::RecoveryTimerTimer() {
    if (Map.Modified && UndoHistory.Generation() != WrittenGeneration) WriteRecoveryCopy();
}

void TVellEdit::WriteRecoveryCopy() {
    if (!Recovery) return;
    // A failed copy is not worth a message in the middle of editing: the next one may work,
    // and saving reports its own errors.
    if (Recovery->Write(Map) == TFileFault::None) WrittenGeneration = UndoHistory.Generation();
}

void TVellEdit::OfferRecovery() {
    for (const TRecoveryCopy& copy : Recovery->FindLeftCopies()) {
        if (copy.Fault != TFileFault::None) {
            // Kept when the user says No: it may be readable on another day (a disk back).
            if (Dialogs.AskYesNo(RecoveryUnreadableText(copy))) Recovery->Discard(copy);
            continue;
        }
        if (!Dialogs.AskYesNo(RecoveryPrompt(copy))) {
            Recovery->Discard(copy);
            continue;
        }
        PlanMouse.Reset();
        const bool named = RestoreRecoveryCopy(Map, copy);
        // The copy stays, as this editor's own, until the map is saved or given up.
        Recovery->TakeOver(copy);
        UndoHistory.ResetUnsaved(Map, EditorState());
        WrittenGeneration = UndoHistory.Generation();
        AfterChange();
        SyncScrollBars();
        RefreshRouteState();
        RedrawAll();
        if (!named) Dialogs.ShowMessage(RecoveryUnnamedText(copy));
        return; // one map at a time: other copies are offered at the next start
    }
}

} // namespace vell

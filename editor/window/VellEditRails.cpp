// The editor window's rail check and double-track conversion.
#include "editor/window/VellEdit.h"

#include "editor/ops/Conversion.h"
#include "editor/ops/EditOps.h"
#include "editor/ops/EditSteps.h"
#include "editor/ops/RouteEditing.h"
#include "model/Texts.h"

namespace vell {

void TVellEdit::CheckClick() {
    BeginCommand();
    const TRailCheck check = CheckRails(Map);
    // A fault is told in the status line rather than in a box: a box would cover the rail the
    // view has just moved to, and the words stay in sight while the rail is mended.
    ShowStatus(QString::fromStdString(RailCheckText(check)));
    if (check.FaultyRail < 0)
        Dialogs.ShowMessage(translate("RouteEditing", RailsInOrderText));
    else
        ScrollTo(check.ViewX, check.ViewY); // the faulty rails stay selected
    RedrawAll();
}

void TVellEdit::CompileClick() {
    BeginCommand();
    ConvertDoubleTracks(Map, ColorGrade(Color()), Random);
    Record(ConversionLabel);
    // A conversion is much work to lose: its copy is written at once.
    if (Map.Modified) WriteRecoveryCopy();
    RedrawAll();
}

} // namespace vell

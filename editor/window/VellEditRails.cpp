// The editor window's rail check and double-track conversion.
#include "VellEdit.h"

#include "Conversion.h"
#include "EditOps.h"
#include "EditSteps.h"
#include "RouteEditing.h"
#include "Texts.h"

namespace vell {

void TVellEdit::CheckClick() {
    BeginCommand();
    const TRailCheck check = CheckRails(Map);
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

// The editor window's rail check and double-track conversion.
//
// Hooks still to be filled in. Start each with BeginCommand(); ScrollTo() moves the view the
// way the scroll bars allow, Color() is the current colour (ColorGrade gives the rails' grade),
// Random is the program's generator and Dialogs shows the message.
#include "VellEdit.h"

namespace vell {

void TVellEdit::CheckClick() {}

void TVellEdit::CompileClick() {}

} // namespace vell

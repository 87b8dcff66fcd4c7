// The editor's new, open and exit commands.
#include "editor/ops/EditorFlows.h"

#include "model/MapFlows.h"
#include "model/Texts.h"

namespace vell {

const char* const ExitPrompt = QT_TRANSLATE_NOOP("EditorFlows", "Вы действительно хотите выйти?");

namespace {

// The question about unsaved changes; true when the command may go on.
bool SettleChanges(TMap& map, IUserDialogs& dialogs, std::string* savedTo = nullptr) {
    if (!map.Modified) return true;
    switch (dialogs.AskYesNoCancel(map.ModifiedPrompt())) {
    case TAnswer::Cancel:
        return false;
    case TAnswer::Yes:
        if (!SaveMap(map, dialogs)) return false;
        if (savedTo) *savedTo = map.FileName;
        return true;
    case TAnswer::No:
        return true;
    }
    return false;
}

} // namespace

bool ConfirmNewMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo) {
    if (!SettleChanges(map, dialogs, savedTo)) return false;
    map.NewMap();
    return true;
}

bool ConfirmExit(TMap& map, IUserDialogs& dialogs) {
    if (map.Modified) return SettleChanges(map, dialogs);
    return dialogs.AskYesNo(translate("EditorFlows", ExitPrompt));
}

bool EditorOpenMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo) {
    if (!SettleChanges(map, dialogs, savedTo)) return false;
    // The question has been answered; the shared flow must not ask it again after a No.
    const bool modified = map.Modified;
    map.Modified = false;
    if (OpenMap(map, dialogs)) return true;
    map.Modified = modified; // nothing was loaded
    return false;
}

} // namespace vell

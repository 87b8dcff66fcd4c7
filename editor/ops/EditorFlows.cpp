// The editor's new, open and exit commands.
#include "editor/ops/EditorFlows.h"

#include "model/MapFlows.h"
#include "model/Texts.h"

namespace vell {

const char* const ExitPrompt = QT_TRANSLATE_NOOP("EditorFlows", "Вы действительно хотите выйти?");

bool EditorSaveMap(TMap& map, IUserDialogs& dialogs, bool unwritten) {
    // An imported map is named after a file it was never written to: "No" to replacing that
    // file leaves the choice of another name, rather than nothing saved and nothing said.
    if (unwritten && map.FileName != NewMapName && FileExists(map.FileName) &&
        !dialogs.AskYesNo(OverwritePrompt(map.FileName)))
        return SaveMapAs(map, dialogs, unwritten);
    return SaveMap(map, dialogs);
}

bool SettleChanges(TMap& map, IUserDialogs& dialogs, std::string* savedTo, bool unwritten) {
    if (!map.Modified) return true;
    switch (dialogs.AskYesNoCancel(map.ModifiedPrompt())) {
    case TAnswer::Cancel:
        return false;
    case TAnswer::Yes:
        if (!EditorSaveMap(map, dialogs, unwritten)) return false;
        if (savedTo) *savedTo = map.FileName;
        return true;
    case TAnswer::No:
        return true;
    }
    return false;
}

bool ConfirmNewMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo, bool unwritten) {
    if (!SettleChanges(map, dialogs, savedTo, unwritten)) return false;
    map.NewMap();
    return true;
}

bool ConfirmExit(TMap& map, IUserDialogs& dialogs, bool unwritten) {
    if (map.Modified) return SettleChanges(map, dialogs, nullptr, unwritten);
    return dialogs.AskYesNo(translate("EditorFlows", ExitPrompt));
}

bool EditorOpenMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo, bool unwritten) {
    if (!SettleChanges(map, dialogs, savedTo, unwritten)) return false;
    // The question has been answered; the shared flow must not ask it again after a No.
    const bool modified = map.Modified;
    map.Modified = false;
    if (OpenMap(map, dialogs)) return true;
    map.Modified = modified; // nothing was loaded
    return false;
}

} // namespace vell

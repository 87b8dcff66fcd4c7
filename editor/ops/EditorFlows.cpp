// The editor's new, open and exit commands.
#include "editor/ops/EditorFlows.h"

#include "model/MapFlows.h"
#include "model/Texts.h"

#include <cctype>

namespace vell {

const char* const ExitPrompt = QT_TRANSLATE_NOOP("EditorFlows", "Вы действительно хотите выйти?");

bool EditorSaveMap(TMap& map, IUserDialogs& dialogs, bool unwritten) {
    if (unwritten && map.FileName != NewMapName && FileExists(map.FileName) &&
        !dialogs.AskYesNo(OverwritePrompt(map.FileName)))
        return false;
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

std::string ImportedMapName(const std::string& extract) {
    const std::size_t slash = extract.rfind('/');
    const std::size_t nameLength = extract.size() - (slash == std::string::npos ? 0 : slash + 1);
    // In any case, as the reader takes them; the longer endings first: "city.osm.pbf" is "city".
    std::string lower = extract;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string ending : {".osm.pbf", ".osm.gz", ".osm.bz2", ".pbf", ".osm"})
        if (nameLength > ending.size() && lower.ends_with(ending))
            return extract.substr(0, extract.size() - ending.size()) + ".vl";
    return extract + ".vl";
}

} // namespace vell

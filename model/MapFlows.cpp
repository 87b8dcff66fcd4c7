// Open / save flows of both programs.
#include "model/MapFlows.h"

#include "model/FileName.h"
#include "model/Texts.h"

#include <sys/stat.h>

namespace vell {

const char* const OpenErrorText = QT_TRANSLATE_NOOP("Map", "Ошибка при открытии карты!");
const char* const SaveErrorText = QT_TRANSLATE_NOOP("Map", "Ошибка при сохранении карты!");

std::string OverwritePrompt(const std::string& fileName) {
    return Arg(translate("Map", "Карта %1 уже существует. Заменить?"), fileName);
}

bool FileExists(const std::string& name) {
    // Any entry but a folder, whether or not it can be read: an unreadable map, or a link to
    // nothing, would still be replaced. A folder holds no map to replace.
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0) return false;
    return !(S_ISDIR(st.st_mode) ||
             (S_ISLNK(st.st_mode) && ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)));
}

bool MayLeaveMap(TMap& map, IUserDialogs& dialogs) {
    if (!map.Modified) return true;
    TAnswer answer = dialogs.AskYesNoCancel(map.ModifiedPrompt());
    if (answer == TAnswer::Cancel) return false;
    if (answer == TAnswer::Yes) SaveMap(map, dialogs); // a failed save does not stop the open
    return true;
}

bool OpenChosenMap(TMap& map, IUserDialogs& dialogs, const std::string& chosen) {
    std::string oldName = map.FileName;
    map.FileName = WithDefaultExtension(chosen, ".VL");
    TFileFault fault = TFileFault::None;
    if (!map.LoadFromFile(nullptr, &fault)) {
        dialogs.ShowError(WithReason(translate("Map", OpenErrorText), fault));
        map.FileName = oldName;
        return false;
    }
    return true;
}

bool OpenMap(TMap& map, IUserDialogs& dialogs) {
    if (!MayLeaveMap(map, dialogs)) return false;
    std::optional<std::string> chosen = dialogs.ChooseMapToOpen();
    if (!chosen) return false;
    return OpenChosenMap(map, dialogs, *chosen);
}

bool SaveMap(TMap& map, IUserDialogs& dialogs) {
    if (map.FileName == NewMapName) return SaveMapAs(map, dialogs);
    TFileFault fault = TFileFault::None;
    if (!map.SaveToFile(&fault)) {
        dialogs.ShowError(WithReason(translate("Map", SaveErrorText), fault));
        return false;
    }
    return true;
}

bool SaveMapAs(TMap& map, IUserDialogs& dialogs, bool unwritten) {
    std::optional<std::string> chosen = dialogs.ChooseMapToSave();
    if (!chosen) return false;
    std::string oldName = map.FileName;
    map.FileName = WithDefaultExtension(*chosen, ".VL");
    if ((map.FileName != oldName || unwritten) && FileExists(map.FileName) &&
        !dialogs.AskYesNo(OverwritePrompt(map.FileName))) {
        map.FileName = oldName;
        return false;
    }
    TFileFault fault = TFileFault::None;
    if (!map.SaveToFile(&fault)) {
        dialogs.ShowError(WithReason(translate("Map", SaveErrorText), fault));
        // Nothing was written there: the map stays named after the file that holds it, so that
        // the caption and the next save do not point at a place that failed.
        map.FileName = oldName;
        return false;
    }
    return true;
}

} // namespace vell

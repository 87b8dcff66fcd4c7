// Open / save flows of both programs.
#include "MapFlows.h"

#include "FileName.h"

#include <cstdio>

namespace vell {

const char* const OpenErrorText = "Ошибка при открытии карты!";
const char* const SaveErrorText = "Ошибка при сохранении карты!";

std::string OverwritePrompt(const std::string& fileName) {
    return "Карта " + fileName + " уже существует. Заменить?";
}

bool FileExists(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool OpenMap(TMap& map, IUserDialogs& dialogs) {
    if (map.Modified) {
        TAnswer answer = dialogs.AskYesNoCancel(map.ModifiedPrompt());
        if (answer == TAnswer::Cancel) return false;
        if (answer == TAnswer::Yes) SaveMap(map, dialogs); // a failed save does not stop the open
    }
    std::optional<std::string> chosen = dialogs.ChooseMapToOpen();
    if (!chosen) return false;
    std::string oldName = map.FileName;
    map.FileName = WithDefaultExtension(*chosen, ".VL");
    if (!map.LoadFromFile()) {
        dialogs.ShowError(OpenErrorText);
        map.FileName = oldName;
        return false;
    }
    return true;
}

bool SaveMap(TMap& map, IUserDialogs& dialogs) {
    if (map.FileName == NewMapName) return SaveMapAs(map, dialogs);
    if (!map.SaveToFile()) {
        dialogs.ShowError(SaveErrorText);
        return false;
    }
    return true;
}

bool SaveMapAs(TMap& map, IUserDialogs& dialogs) {
    std::optional<std::string> chosen = dialogs.ChooseMapToSave();
    if (!chosen) return false;
    std::string oldName = map.FileName;
    map.FileName = WithDefaultExtension(*chosen, ".VL");
    if (map.FileName != oldName && FileExists(map.FileName) &&
        !dialogs.AskYesNo(OverwritePrompt(map.FileName))) {
        map.FileName = oldName;
        return false;
    }
    if (!map.SaveToFile()) {
        dialogs.ShowError(SaveErrorText);
        return false;
    }
    return true;
}

} // namespace vell

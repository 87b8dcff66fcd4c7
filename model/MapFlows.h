// Opening and saving a map with the user's answers: unsaved changes, overwrite, errors.
#pragma once

#include "model/Map.h"
#include "model/UserDialogs.h"

#include <string>

namespace vell {

// Asks about unsaved changes, runs the open dialog and loads; false when nothing was opened.
bool OpenMap(TMap& map, IUserDialogs& dialogs);
// The question about unsaved changes (Yes saves them); false when the user cancels.
bool MayLeaveMap(TMap& map, IUserDialogs& dialogs);
// Loads the file the user chose (".VL" appended when its name has no dot); a failure shows why
// and leaves the map as it was, its name included.
bool OpenChosenMap(TMap& map, IUserDialogs& dialogs, const std::string& chosen);
// Saves under the current name, or asks for one when the map has none yet.
bool SaveMap(TMap& map, IUserDialogs& dialogs);
// Asks for a name (and whether to replace another file) and saves; a failed save keeps the
// old name. With `unwritten` (the map was never written to the file it is named after) a file
// of its own name is another's too, and replacing it is asked as well.
bool SaveMapAs(TMap& map, IUserDialogs& dialogs, bool unwritten = false);
// An entry of that name exists and is no folder (readable or not).
bool FileExists(const std::string& name);

extern const char* const OpenErrorText; // "Ошибка при открытии карты!"
extern const char* const SaveErrorText; // "Ошибка при сохранении карты!"
std::string OverwritePrompt(const std::string& fileName);

} // namespace vell

// The editor's file commands around the shared open and save flows: a new map and leaving the
// program ask about unsaved changes first, and opening reports nothing back.
#pragma once

#include "model/Map.h"
#include "model/UserDialogs.h"

#include <string>

namespace vell {

extern const char* const ExitPrompt; // "Вы действительно хотите выйти?"

// Asks about unsaved changes (Yes saves, No drops them, Cancel stops) and makes a new map.
// A Yes whose save does not happen (the dialog cancelled, or the write failed) stops as well:
// the map is not thrown away unsaved. True when the new map was made. A save in answer to the
// question leaves the file it went to in `savedTo`.
bool ConfirmNewMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo = nullptr);

// Whether the program may end: with unsaved changes Yes saves (and allows only when the save
// succeeded), No allows and Cancel does not; without changes the user confirms leaving.
bool ConfirmExit(TMap& map, IUserDialogs& dialogs);

// The editor's open command: asks about unsaved changes like ConfirmNewMap, then runs the
// shared open flow (dialog, load, error message). The map is untouched unless a map was loaded.
// True when a map was loaded. A save in answer to the question leaves its file in `savedTo`.
bool EditorOpenMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo = nullptr);

} // namespace vell

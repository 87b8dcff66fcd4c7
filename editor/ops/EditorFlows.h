// The editor's file commands around the shared open and save flows: a new map, opening, importing
// and leaving the program ask about unsaved changes first, and opening reports nothing back.
//
// `unwritten` is true for a map named after a file it was never written to (an imported map,
// named after its extract): a file of that name is another map, and saving asks before replacing
// it, as "save as" does.
#pragma once

#include "model/Map.h"
#include "model/UserDialogs.h"

#include <string>

namespace vell {

extern const char* const ExitPrompt; // "Вы действительно хотите выйти?"

// Saves under the map's name (asking for one when it has none), as SaveMap does; an unwritten
// name that a file already holds is replaced only when the user agrees.
bool EditorSaveMap(TMap& map, IUserDialogs& dialogs, bool unwritten = false);

// The question about unsaved changes, before a command replaces the map: Yes saves (and goes on
// only when the save happened), No goes on, Cancel stops. True when the command may go on. A
// save in answer leaves the file it went to in `savedTo`.
bool SettleChanges(TMap& map, IUserDialogs& dialogs, std::string* savedTo = nullptr,
                   bool unwritten = false);

// Asks about unsaved changes (Yes saves, No drops them, Cancel stops) and makes a new map.
// A Yes whose save does not happen (the dialog cancelled, or the write failed) stops as well:
// the map is not thrown away unsaved. True when the new map was made. A save in answer to the
// question leaves the file it went to in `savedTo`.
bool ConfirmNewMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo = nullptr,
                   bool unwritten = false);

// Whether the program may end: with unsaved changes Yes saves (and allows only when the save
// succeeded), No allows and Cancel does not; without changes the user confirms leaving.
bool ConfirmExit(TMap& map, IUserDialogs& dialogs, bool unwritten = false);

// The editor's open command: asks about unsaved changes like ConfirmNewMap, then runs the
// shared open flow (dialog, load, error message). The map is untouched unless a map was loaded.
// True when a map was loaded. A save in answer to the question leaves its file in `savedTo`.
bool EditorOpenMap(TMap& map, IUserDialogs& dialogs, std::string* savedTo = nullptr,
                   bool unwritten = false);

} // namespace vell

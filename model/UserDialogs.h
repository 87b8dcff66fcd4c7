// The questions, messages and file choices the map flows put to a user; tests answer them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vell {

enum class TAnswer { Yes, No, Cancel };
// The buttons of the accident message: close it, save the drive's recording, replay its last
// minute.
enum class TAccidentChoice { Close, SaveRecording, Replay };

class IUserDialogs {
  public:
    virtual ~IUserDialogs() = default;
    // A question with the buttons Yes, No and Cancel.
    virtual TAnswer AskYesNoCancel(const std::string& text) = 0;
    // A question with the buttons Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // A message with a longer text (a report) the user may open from it.
    virtual void ShowDetailedMessage(const std::string& text, const std::string& details) = 0;
    // The open and save dialogs with the map filter; nothing when cancelled.
    virtual std::optional<std::string> ChooseMapToOpen() = 0;
    virtual std::optional<std::string> ChooseMapToSave() = 0;
    // The open and save dialogs of a saved game (.vls); nothing when cancelled.
    virtual std::optional<std::string> ChooseGameToOpen() = 0;
    // The save dialog starts at `suggested`, a full path, when one is given.
    virtual std::optional<std::string> ChooseGameToSave(const std::string& suggested) = 0;
    // The open and save dialogs of a drive's recording (.vlrec); nothing when cancelled.
    virtual std::optional<std::string> ChooseReplayToOpen() = 0;
    virtual std::optional<std::string> ChooseReplayToSave() = 0;
    // The accident message with the buttons "OK", "Сохранить запись" and "Повтор".
    virtual TAccidentChoice AskAfterAccident(const std::string& text) = 0;
    // The open dialog for an OpenStreetMap extract; with `maps`, for a map or an extract.
    virtual std::optional<std::string> ChooseExtractToOpen(bool maps) = 0;
    // The colour dialog, opened on `initial`; the chosen colour, or nothing when cancelled.
    // Colours are 0x00BBGGRR, as MakeColor packs them.
    virtual std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) = 0;
};

} // namespace vell

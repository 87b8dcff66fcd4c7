// Dialogs answered from a script, recording what was asked.
#pragma once

#include "model/UserDialogs.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vell::test {

class TScriptedDialogs : public IUserDialogs {
  public:
    std::deque<TAnswer> Answers;                           // for both kinds of question
    std::deque<std::optional<std::string>> FileChoices;    // for every file dialog
    std::deque<std::optional<std::uint32_t>> ColorChoices; // for the colour dialog
    std::deque<TAccidentChoice> AccidentChoices;           // for the accident message
    std::vector<std::string> Log;     // "ask3: ...", "ask2: ...", "error: ...", ...
    std::vector<std::string> Details; // of every detailed message, in order
    // Called as an error or a message is shown, to look at the windows behind it.
    std::function<void()> WhileShown;

    TAnswer AskYesNoCancel(const std::string& text) override {
        Log.push_back("ask3: " + text);
        return Next();
    }
    bool AskYesNo(const std::string& text) override {
        Log.push_back("ask2: " + text);
        return Next() == TAnswer::Yes;
    }
    void ShowError(const std::string& text) override {
        Log.push_back("error: " + text);
        if (WhileShown) WhileShown();
    }
    void ShowMessage(const std::string& text) override {
        Log.push_back("message: " + text);
        if (WhileShown) WhileShown();
    }
    // Logged as "message: TEXT", the details kept in Details.
    void ShowDetailedMessage(const std::string& text, const std::string& details) override {
        Details.push_back(details);
        ShowMessage(text);
    }
    std::optional<std::string> ChooseMapToOpen() override {
        Log.push_back("open dialog");
        return NextFile();
    }
    std::optional<std::string> ChooseMapToSave() override {
        Log.push_back("save dialog");
        return NextFile();
    }
    std::optional<std::string> ChooseGameToOpen() override {
        Log.push_back("game open dialog");
        return NextFile();
    }
    std::string SuggestedGame; // the name the last game save dialog suggested
    std::optional<std::string> ChooseGameToSave(const std::string& suggested) override {
        Log.push_back("game save dialog");
        SuggestedGame = suggested;
        return NextFile();
    }
    std::optional<std::string> ChooseReplayToOpen() override {
        Log.push_back("replay open dialog");
        return NextFile();
    }
    std::optional<std::string> ChooseReplayToSave() override {
        Log.push_back("replay save dialog");
        return NextFile();
    }
    // An unscripted accident message is closed.
    TAccidentChoice AskAfterAccident(const std::string& text) override {
        Log.push_back("accident: " + text);
        if (AccidentChoices.empty()) return TAccidentChoice::Close;
        const TAccidentChoice c = AccidentChoices.front();
        AccidentChoices.pop_front();
        return c;
    }
    std::optional<std::string> ChooseExtractToOpen(bool maps) override {
        Log.push_back(maps ? "open dialog with extracts" : "extract dialog");
        return NextFile();
    }
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override {
        Log.push_back("color dialog: " + std::to_string(initial));
        if (ColorChoices.empty()) return std::nullopt;
        auto c = ColorChoices.front();
        ColorChoices.pop_front();
        return c;
    }

  private:
    // An unscripted question is answered Cancel, an unscripted dialog cancelled.
    TAnswer Next() {
        if (Answers.empty()) return TAnswer::Cancel;
        TAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }
    std::optional<std::string> NextFile() {
        if (FileChoices.empty()) return std::nullopt;
        auto f = FileChoices.front();
        FileChoices.pop_front();
        return f;
    }
};

} // namespace vell::test

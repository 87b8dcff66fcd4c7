// The real message boxes and file dialogs, with Qt Widgets.
#pragma once

#include "UserDialogs.h"

#include <QFileDialog>
#include <QPointer>
#include <QString>

class QWidget;

namespace vell {

// The filter of both map dialogs.
extern const char* const MapFileFilter; // "карта с трамваями (*.vl)"

class TQtUserDialogs : public IUserDialogs {
  public:
    explicit TQtUserDialogs(QWidget* parent = nullptr);
    ~TQtUserDialogs() override;

    void SetParent(QWidget* parent) { Parent = parent; }

    TAnswer AskYesNoCancel(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> ChooseMapToOpen() override;
    std::optional<std::string> ChooseMapToSave() override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;

  private:
    std::optional<std::string> RunFileDialog(QPointer<QFileDialog>& dialog, bool save);

    QWidget* Parent;
    // One dialog of each kind for the whole run, so each remembers its folder.
    // Children of the parent window: they may go with it before this object does.
    QPointer<QFileDialog> OpenDialog;
    QPointer<QFileDialog> SaveDialog;
};

} // namespace vell

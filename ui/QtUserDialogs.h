// The real message boxes and file dialogs, with Qt Widgets.
#pragma once

#include "model/UserDialogs.h"

#include <QFileDialog>
#include <QPointer>
#include <QString>

class QWidget;

namespace vell {

class TMap;

// The filter of both map dialogs.
extern const char* const MapFileFilter; // "карта с трамваями (*.vl)"

class TQtUserDialogs : public IUserDialogs {
  public:
    explicit TQtUserDialogs(QWidget* parent = nullptr);
    ~TQtUserDialogs() override;

    void SetParent(QWidget* parent) { Parent = parent; }
    // The open dialog starts in `bundledMaps` while `map` has no file yet, and in the folder of
    // the map's file when it first opens for a map that has one; after that in the folder Qt
    // remembers. An empty `bundledMaps` leaves the dialog's own start.
    void SetOpenFolders(const TMap* map, const QString& bundledMaps);

    TAnswer AskYesNoCancel(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> ChooseMapToOpen() override;
    std::optional<std::string> ChooseMapToSave() override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;

  private:
    QFileDialog* FileDialog(QPointer<QFileDialog>& dialog, bool save);
    static std::optional<std::string> Run(QFileDialog& dialog);

    QWidget* Parent;
    const TMap* Map = nullptr;
    QString BundledMaps;
    // One dialog of each kind for the whole run, so each remembers its folder.
    // Children of the parent window: they may go with it before this object does.
    QPointer<QFileDialog> OpenDialog;
    QPointer<QFileDialog> SaveDialog;
};

// The folder of the maps that come with the programs: "<prefix>/share/vell/maps" when the
// programs are installed in "<prefix>/bin", else `sourceMaps` (a build tree's source maps);
// empty when neither exists.
QString BundledMapsFolder(const QString& programFolder, const QString& sourceMaps);

} // namespace vell

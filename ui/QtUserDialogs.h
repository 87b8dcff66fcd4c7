// The real message boxes and file dialogs, with Qt Widgets.
#pragma once

#include "model/UserDialogs.h"

#include <QFileDialog>
#include <QPointer>
#include <QString>

#include <string>

class QWidget;

namespace vell {

class TMap;

// The filter of both map dialogs.
extern const char* const MapFileFilter; // "карта с трамваями (*.vl)"
// The filter of the extract dialog: the formats the import reads.
extern const char* const ExtractFileFilter;
// The filter of both saved-game dialogs.
extern const char* const GameSaveFileFilter; // "сохранённая игра (*.vls)"

// The filter of both recording dialogs.
extern const char* const ReplayFileFilter; // "запись поездки (*.vlrec)"

// The folder saved games start in: $XDG_DATA_HOME/vell/saves, created when missing.
QString GameSavesFolder();
// The folder of the best shifts and their recordings: $XDG_DATA_HOME/vell/best, created when
// missing.
QString BestShiftsFolder();

class TQtUserDialogs : public IUserDialogs {
  public:
    explicit TQtUserDialogs(QWidget* parent = nullptr);
    ~TQtUserDialogs() override;

    void SetParent(QWidget* parent) { Parent = parent; }
    // The file dialogs start in the folder of `map`'s file whenever that file is another than
    // the last time the dialog came up (a map opened, saved elsewhere, named on the command
    // line); for the same map they stay where the user left them. While the map has no file,
    // the open dialog starts in `bundledMaps` (an empty one leaves it where it was).
    void SetOpenFolders(const TMap* map, const QString& bundledMaps);

    TAnswer AskYesNoCancel(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void ShowDetailedMessage(const std::string& text, const std::string& details) override;
    std::optional<std::string> ChooseMapToOpen() override;
    std::optional<std::string> ChooseMapToSave() override;
    std::optional<std::string> ChooseGameToOpen() override;
    std::optional<std::string> ChooseGameToSave(const std::string& suggested) override;
    std::optional<std::string> ChooseReplayToOpen() override;
    std::optional<std::string> ChooseReplayToSave() override;
    TAccidentChoice AskAfterAccident(const std::string& text) override;
    std::optional<std::string> ChooseExtractToOpen(bool maps) override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;

  private:
    QFileDialog* FileDialog(QPointer<QFileDialog>& dialog, bool save);
    // A dialog of saved games or recordings: starts in GameSavesFolder with this filter.
    QFileDialog* GameDialog(QPointer<QFileDialog>& dialog, bool save, const char* filter,
                            const char* suffix);
    // Moves the dialog to the map's folder as SetOpenFolders says; `shownFor` is the map's file
    // the last time this dialog came up.
    void StartInMapsFolder(QFileDialog& dialog, std::string& shownFor,
                           const QString& withoutFile) const;
    static std::optional<std::string> Run(QFileDialog& dialog);

    QWidget* Parent;
    const TMap* Map = nullptr;
    QString BundledMaps;
    std::string OpenShownFor, SaveShownFor;
    // One dialog of each kind for the whole run, so each remembers its folder.
    // Children of the parent window: they may go with it before this object does.
    QPointer<QFileDialog> OpenDialog;
    QPointer<QFileDialog> SaveDialog;
    QPointer<QFileDialog> ExtractDialog;
    QPointer<QFileDialog> GameOpenDialog;
    QPointer<QFileDialog> GameSaveDialog;
    QPointer<QFileDialog> ReplayOpenDialog;
    QPointer<QFileDialog> ReplaySaveDialog;
};

// The folder of the maps that come with the programs: "<prefix>/share/vell/maps" when the
// programs are installed in "<prefix>/bin", else `sourceMaps` (a build tree's source maps);
// empty when neither exists.
QString BundledMapsFolder(const QString& programFolder, const QString& sourceMaps);

} // namespace vell

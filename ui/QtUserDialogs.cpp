// Message boxes and file dialogs with Qt Widgets.
#include "ui/QtUserDialogs.h"

#include "model/Map.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace vell {

const char* const MapFileFilter = QT_TRANSLATE_NOOP("UserDialogs", "карта с трамваями (*.vl)");
const char* const ExtractFileFilter = QT_TRANSLATE_NOOP(
    "UserDialogs", "выписка OpenStreetMap (*.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2)");
const char* const GameSaveFileFilter = QT_TRANSLATE_NOOP("UserDialogs", "сохранённая игра (*.vls)");
const char* const ReplayFileFilter = QT_TRANSLATE_NOOP("UserDialogs", "запись поездки (*.vlrec)");

QString GameSavesFolder() {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/vell/saves";
    QDir().mkpath(folder);
    return folder;
}

namespace {
QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Messages of this many lines or more scroll.
constexpr int LongMessageLines = 25;

QString Title() {
    QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Vell") : name;
}
} // namespace

TQtUserDialogs::TQtUserDialogs(QWidget* parent) : Parent(parent) {}

TQtUserDialogs::~TQtUserDialogs() {
    delete OpenDialog;
    delete SaveDialog;
}

TAnswer TQtUserDialogs::AskYesNoCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Question, Title(), FromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, Parent);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return TAnswer::Cancel;
    }
}

bool TQtUserDialogs::AskYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, Title(), FromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No, Parent);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TQtUserDialogs::ShowError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, Title(), FromUtf8(text), QMessageBox::Ok, Parent);
    box.exec();
}

void TQtUserDialogs::ShowMessage(const std::string& text) {
    const QString message = FromUtf8(text);
    // A message box grows with its text and has no scroll bar: a long text (the route report
    // of a map with many routes) is shown whole in a scrolling box instead.
    if (message.count(QLatin1Char('\n')) < LongMessageLines) {
        QMessageBox box(QMessageBox::NoIcon, Title(), message, QMessageBox::Ok, Parent);
        box.exec();
        return;
    }
    QDialog box(Parent);
    box.setWindowTitle(Title());
    auto* label = new QLabel(message);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* scroll = new QScrollArea;
    scroll->setWidget(label);
    scroll->setMinimumWidth(label->sizeHint().width() + 40);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    box.resize(box.sizeHint().width(), 480);
    box.exec();
}

void TQtUserDialogs::ShowDetailedMessage(const std::string& text, const std::string& details) {
    QMessageBox box(QMessageBox::Information, Title(), FromUtf8(text), QMessageBox::Ok, Parent);
    // Behind the box's own button: it scrolls, however long the report.
    box.setDetailedText(FromUtf8(details));
    box.exec();
}

void TQtUserDialogs::SetOpenFolders(const TMap* map, const QString& bundledMaps) {
    Map = map;
    BundledMaps = bundledMaps;
}

QFileDialog* TQtUserDialogs::FileDialog(QPointer<QFileDialog>& dialog, bool save) {
    if (!dialog) {
        dialog = new QFileDialog(Parent);
        dialog->setNameFilter(QCoreApplication::translate("UserDialogs", MapFileFilter));
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The map flows ask before replacing a file; the dialog must not ask as well.
        dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    return dialog;
}

std::optional<std::string> TQtUserDialogs::Run(QFileDialog& dialog) {
    const int result = dialog.exec();
    // The name's completion list is a window of its own: left open, it would stay over the
    // window below and take the next click only to close.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        if (completer->popup() && completer->popup()->isVisible()) completer->popup()->hide();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void TQtUserDialogs::StartInMapsFolder(QFileDialog& dialog, std::string& shownFor,
                                       const QString& withoutFile) const {
    if (!Map) return;
    if (Map->FileName == NewMapName) {
        if (!withoutFile.isEmpty()) dialog.setDirectory(withoutFile);
    } else if (Map->FileName != shownFor) {
        // A map restored from a recovery copy may name a folder that is gone.
        const QString folder = QFileInfo(QString::fromStdString(Map->FileName)).absolutePath();
        if (QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    }
    shownFor = Map->FileName;
}

std::optional<std::string> TQtUserDialogs::ChooseMapToOpen() {
    QFileDialog* dialog = FileDialog(OpenDialog, false);
    StartInMapsFolder(*dialog, OpenShownFor, BundledMaps);
    return Run(*dialog);
}

std::optional<std::string> TQtUserDialogs::ChooseMapToSave() {
    QFileDialog* dialog = FileDialog(SaveDialog, true);
    StartInMapsFolder(*dialog, SaveShownFor, QString());
    return Run(*dialog);
}

QFileDialog* TQtUserDialogs::GameDialog(QPointer<QFileDialog>& dialog, bool save,
                                        const char* filter, const char* suffix) {
    if (!dialog) {
        dialog = new QFileDialog(Parent);
        dialog->setNameFilter(QCoreApplication::translate("UserDialogs", filter));
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog->setDefaultSuffix(QString::fromLatin1(suffix));
        // Later it stays where the user left it.
        dialog->setDirectory(GameSavesFolder());
    }
    return dialog;
}

std::optional<std::string> TQtUserDialogs::ChooseGameToOpen() {
    return Run(*GameDialog(GameOpenDialog, false, GameSaveFileFilter, "vls"));
}

std::optional<std::string> TQtUserDialogs::ChooseGameToSave() {
    return Run(*GameDialog(GameSaveDialog, true, GameSaveFileFilter, "vls"));
}

std::optional<std::string> TQtUserDialogs::ChooseReplayToOpen() {
    return Run(*GameDialog(ReplayOpenDialog, false, ReplayFileFilter, "vlrec"));
}

std::optional<std::string> TQtUserDialogs::ChooseReplayToSave() {
    return Run(*GameDialog(ReplaySaveDialog, true, ReplayFileFilter, "vlrec"));
}

TAccidentChoice TQtUserDialogs::AskAfterAccident(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, Title(), FromUtf8(text), QMessageBox::Ok, Parent);
    QPushButton* save = box.addButton(
        QCoreApplication::translate("UserDialogs", "Сохранить запись"), QMessageBox::ActionRole);
    QPushButton* replay = box.addButton(QCoreApplication::translate("UserDialogs", "Повтор"),
                                        QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == save) return TAccidentChoice::SaveRecording;
    if (box.clickedButton() == replay) return TAccidentChoice::Replay;
    return TAccidentChoice::Close;
}

std::optional<std::string> TQtUserDialogs::ChooseExtractToOpen(bool maps) {
    if (!ExtractDialog) {
        ExtractDialog = new QFileDialog(Parent);
        ExtractDialog->setAcceptMode(QFileDialog::AcceptOpen);
        ExtractDialog->setFileMode(QFileDialog::ExistingFile);
        // Extracts are seldom kept beside the maps: the dialog stays where the user left it.
        if (Map && Map->FileName != NewMapName) {
            const QString folder = QFileInfo(QString::fromStdString(Map->FileName)).absolutePath();
            if (QFileInfo(folder).isDir()) ExtractDialog->setDirectory(folder);
        }
    }
    const QString extracts = QCoreApplication::translate("UserDialogs", ExtractFileFilter);
    if (maps) {
        // The game's one open dialog, for maps and extracts, starts where its map dialog did.
        StartInMapsFolder(*ExtractDialog, OpenShownFor, BundledMaps);
        ExtractDialog->setNameFilters(
            {QCoreApplication::translate(
                 "UserDialogs",
                 "карта или выписка OpenStreetMap (*.vl *.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2)"),
             QCoreApplication::translate("UserDialogs", MapFileFilter), extracts});
    } else {
        ExtractDialog->setNameFilter(extracts);
    }
    return Run(*ExtractDialog);
}

std::optional<std::uint32_t> TQtUserDialogs::ChooseColor(std::uint32_t initial) {
    const QColor start(int(initial & 0xFF), int(initial >> 8 & 0xFF), int(initial >> 16 & 0xFF));
    QColorDialog dialog(start, Parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QColor c = dialog.selectedColor();
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

QString BundledMapsFolder(const QString& programFolder, const QString& sourceMaps) {
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/vell/maps"));
    if (QFileInfo(installed).isDir()) return installed;
    if (!sourceMaps.isEmpty() && QFileInfo(sourceMaps).isDir()) return QDir::cleanPath(sourceMaps);
    return {};
}

} // namespace vell

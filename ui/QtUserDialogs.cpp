// Message boxes and file dialogs with Qt Widgets.
#include "ui/QtUserDialogs.h"

#include "model/BundledMaps.h"
#include "model/Map.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace vell {

const char* const MapFileFilter = QT_TRANSLATE_NOOP("UserDialogs", "карта с трамваями (*.vl)");
const char* const ExtractFileFilter = QT_TRANSLATE_NOOP(
    "UserDialogs", "выписка OpenStreetMap (*.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2 *.osm.xml*)");
const char* const GameSaveFileFilter = QT_TRANSLATE_NOOP("UserDialogs", "сохранённая игра (*.vls)");
const char* const ReplayFileFilter = QT_TRANSLATE_NOOP("UserDialogs", "запись поездки (*.vlrec)");

QString GameSavesFolder() {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/vell/saves";
    QDir().mkpath(folder);
    return folder;
}

QString BestShiftsFolder() {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/vell/best";
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

// A modal window takes the keyboard; when it closes, the window manager may activate another
// window or none, and the window under it then stays deaf to its keys until a click. The
// window that had the keyboard gets it back, on the control that had it.
class TGiveFocusBack {
  public:
    explicit TGiveFocusBack(QWidget* parent)
        : Window(parent ? parent->window() : QApplication::activeWindow()),
          Focus(QApplication::focusWidget()) {}
    ~TGiveFocusBack() {
        Restore(Window, Focus);
        // The platform hears of the closed window later and may take the activation away
        // again; once that has come, the window is given it back.
        if (Window)
            QTimer::singleShot(0, Window, [window = Window, focus = Focus] {
                if (!QApplication::activeModalWidget() && !QApplication::activePopupWidget())
                    Restore(window, focus);
            });
    }
    TGiveFocusBack(const TGiveFocusBack&) = delete;
    TGiveFocusBack& operator=(const TGiveFocusBack&) = delete;

  private:
    static void Restore(const QPointer<QWidget>& window, const QPointer<QWidget>& focus) {
        if (!window || !window->isVisible()) return;
        window->activateWindow();
        if (focus && focus->window() == window && focus->isVisible())
            focus->setFocus(Qt::ActiveWindowFocusReason);
        else
            window->setFocus(Qt::ActiveWindowFocusReason);
    }

    QPointer<QWidget> Window, Focus;
};

// Every box and dialog of ours is shown through this: once it closes, the keyboard goes back to
// the window and the control that had it.
int Exec(QDialog& dialog) {
    const TGiveFocusBack focus(dialog.parentWidget());
    return dialog.exec();
}

// Y and N answer a question whatever the language and keyboard layout, alone or with Alt, as
// they do in English: the Russian buttons' own letters are Д and Н.
class TYesNoKeys : public QObject {
  public:
    explicit TYesNoKeys(QMessageBox& box) : QObject(&box), Box(box) {
        box.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &Box || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier)) != Qt::NoModifier)
            return false;
        QAbstractButton* answer = key->key() == Qt::Key_Y   ? Box.button(QMessageBox::Yes)
                                  : key->key() == Qt::Key_N ? Box.button(QMessageBox::No)
                                                            : nullptr;
        if (!answer) return false;
        answer->click();
        return true;
    }

  private:
    QMessageBox& Box;
};

// The file dialog's columns (name, size, kind, date) need more room than Qt's first size.
constexpr QSize RoomyFileDialog(860, 520);

void Widen(QFileDialog& dialog) {
    QSize size = RoomyFileDialog.expandedTo(dialog.sizeHint());
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size());
    dialog.resize(size);
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
    new TYesNoKeys(box);
    switch (Exec(box)) {
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
    new TYesNoKeys(box);
    return Exec(box) == QMessageBox::Yes;
}

void TQtUserDialogs::ShowError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, Title(), FromUtf8(text), QMessageBox::Ok, Parent);
    Exec(box);
}

void TQtUserDialogs::ShowMessage(const std::string& text) {
    const QString message = FromUtf8(text);
    // A message box grows with its text and has no scroll bar: a long text (the route report
    // of a map with many routes) is shown whole in a scrolling box instead.
    if (message.count(QLatin1Char('\n')) < LongMessageLines) {
        QMessageBox box(QMessageBox::NoIcon, Title(), message, QMessageBox::Ok, Parent);
        Exec(box);
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
    Exec(box);
}

void TQtUserDialogs::ShowDetailedMessage(const std::string& text, const std::string& details) {
    QMessageBox box(QMessageBox::Information, Title(), FromUtf8(text), QMessageBox::Ok, Parent);
    // Behind the box's own button: it scrolls, however long the report.
    box.setDetailedText(FromUtf8(details));
    Exec(box);
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
        Widen(*dialog);
    }
    return dialog;
}

std::optional<std::string> TQtUserDialogs::Run(QFileDialog& dialog) {
    // Not through Exec: the completion list closes first, then the keyboard goes back.
    const TGiveFocusBack focus(dialog.parentWidget());
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
        Widen(*dialog);
    }
    return dialog;
}

std::optional<std::string> TQtUserDialogs::ChooseGameToOpen() {
    return Run(*GameDialog(GameOpenDialog, false, GameSaveFileFilter, "vls"));
}

std::optional<std::string> TQtUserDialogs::ChooseGameToSave(const std::string& suggested) {
    QFileDialog* dialog = GameDialog(GameSaveDialog, true, GameSaveFileFilter, "vls");
    // The suggested name only: the folder stays where the user last saved.
    if (!suggested.empty())
        dialog->selectFile(QFileInfo(QString::fromStdString(suggested)).fileName());
    return Run(*dialog);
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
    Exec(box);
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
        Widen(*ExtractDialog);
    }
    const QString extracts = QCoreApplication::translate("UserDialogs", ExtractFileFilter);
    if (maps) {
        // The game's one open dialog, for maps and extracts, starts where its map dialog did.
        StartInMapsFolder(*ExtractDialog, OpenShownFor, BundledMaps);
        ExtractDialog->setNameFilters(
            {QCoreApplication::translate(
                 "UserDialogs",
                 "карта или выписка OpenStreetMap (*.vl *.osm.pbf *.pbf *.osm *.osm.gz "
                 "*.osm.bz2 *.osm.xml*)"),
             QCoreApplication::translate("UserDialogs", MapFileFilter), extracts});
    } else {
        ExtractDialog->setNameFilter(extracts);
    }
    return Run(*ExtractDialog);
}

std::optional<std::uint32_t> TQtUserDialogs::ChooseColor(std::uint32_t initial) {
    const QColor start(int(initial & 0xFF), int(initial >> 8 & 0xFF), int(initial >> 16 & 0xFF));
    QColorDialog dialog(start, Parent);
    if (Exec(dialog) != QDialog::Accepted) return std::nullopt;
    const QColor c = dialog.selectedColor();
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

QString BundledMapsFolder(const QString& programFolder, const QString& sourceMaps) {
    return QString::fromStdString(
        vell::BundledMapsFolder(programFolder.toStdString(), sourceMaps.toStdString()));
}

} // namespace vell

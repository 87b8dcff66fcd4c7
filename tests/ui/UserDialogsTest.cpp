// The Qt message boxes and file dialogs: texts, icons, buttons and answers.
#include "ui/QtApplication.h"
#include "ui/QtUserDialogs.h"

#include "model/Map.h"
#include "tests/support/ModalWatch.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <functional>

using vell::TAnswer;
using vell::TMap;
using vell::TQtUserDialogs;
using vell::test::TModalWatch;

class UserDialogsTest : public QObject {
    Q_OBJECT

    std::shared_ptr<TModalWatch> WhenModalShows(std::function<void(QWidget*)> answer) {
        return vell::test::WhenModalShows(this, std::move(answer));
    }

    // Clicks a message box's button; a window of another kind is left to the watch to close.
    static void Click(QWidget* w, QMessageBox::StandardButton which) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) box->button(which)->click();
    }

    // The folder the open dialog (or the save dialog) shows when it comes up ("none" when no
    // file dialog came up); `then` may move it before it closes.
    QString OpenDialogFolder(TQtUserDialogs& dialogs, const QString& then = {}, bool save = false,
                             bool extracts = false) {
        QString folder = "none";
        WhenModalShows([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) return;
            folder = dialog->directory().absolutePath();
            if (!then.isEmpty()) dialog->setDirectory(then);
            dialog->reject();
        });
        const bool chosen = (save       ? dialogs.ChooseMapToSave()
                             : extracts ? dialogs.ChooseExtractToOpen(true)
                                        : dialogs.ChooseMapToOpen())
                                .has_value();
        return chosen ? "chosen" : folder;
    }
    // The pixels a long file name takes in the list.
    static constexpr int LongName = 320;

    QString SaveDialogFolder(TQtUserDialogs& dialogs) {
        return OpenDialogFolder(dialogs, {}, true);
    }

  private slots:
    void initTestCase() {
        // Qt's own dialog, so that the test can see and close it on any platform.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    void questionWithCancel() {
        TQtUserDialogs dialogs;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        for (auto [button, expected] :
             {std::pair{QMessageBox::Yes, TAnswer::Yes}, std::pair{QMessageBox::No, TAnswer::No},
              std::pair{QMessageBox::Cancel, TAnswer::Cancel}}) {
            QMessageBox::StandardButtons buttons;
            WhenModalShows([&, button = button](QWidget* w) {
                if (auto* box = qobject_cast<QMessageBox*>(w)) {
                    text = box->text();
                    icon = box->icon();
                    buttons = box->standardButtons();
                }
                Click(w, button);
            });
            QCOMPARE(dialogs.AskYesNoCancel("Карта 'x' была изменена. Сохранить?"), expected);
            QCOMPARE(text, QString("Карта 'x' была изменена. Сохранить?"));
            QCOMPARE(icon, QMessageBox::Question);
            QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        }
    }

    void escapeMeansCancelOrNo() {
        TQtUserDialogs dialogs;
        bool closed[2] = {false, false};
        for (bool& c : closed)
            WhenModalShows([&c](QWidget* w) {
                QTest::keyClick(w, Qt::Key_Escape);
                c = !w->isVisible();
            });
        // (The second watch waits for the second box.)
        QCOMPARE(dialogs.AskYesNoCancel("?"), TAnswer::Cancel);
        QCOMPARE(dialogs.AskYesNo("?"), false);
        QVERIFY(closed[0] && closed[1]);
    }

    void yesNoQuestion() {
        TQtUserDialogs dialogs;
        QMessageBox::StandardButtons buttons;
        WhenModalShows([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) buttons = box->standardButtons();
            Click(w, QMessageBox::Yes);
        });
        QVERIFY(dialogs.AskYesNo("Заменить?"));
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void errorBox() {
        TQtUserDialogs dialogs;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModalShows([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) icon = box->icon();
            Click(w, QMessageBox::Ok);
        });
        dialogs.ShowError("Ошибка при открытии карты!");
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void aLongMessageScrollsAndKeepsEveryLine() {
        TQtUserDialogs dialogs;
        std::string text;
        for (int k = 1; k <= 117; ++k)
            text += std::to_string(k) + ": 0 (1)\r\n";
        text += "Итого 0 (117)";
        QString shown;
        bool scrolls = false, fitsScreen = false;
        WhenModalShows([&](QWidget* w) {
            auto* label = w->findChild<QLabel*>();
            if (label) shown = label->text();
            scrolls = w->findChild<QScrollArea*>() != nullptr;
            fitsScreen = w->height() < 1000;
            auto* buttons = w->findChild<QDialogButtonBox*>();
            QVERIFY(buttons);
            buttons->button(QDialogButtonBox::Ok)->click();
        });
        dialogs.ShowMessage(text);
        QVERIFY(scrolls);
        QVERIFY(fitsScreen);
        QCOMPARE(shown, QString::fromStdString(text));
    }

    // A message with details: the text in the box, the report behind its details button.
    void aDetailedMessageKeepsItsReportBehindAButton() {
        TQtUserDialogs dialogs;
        QString text, details;
        WhenModalShows([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                text = box->text();
                details = box->detailedText();
            }
            Click(w, QMessageBox::Ok);
        });
        dialogs.ShowDetailedMessage("Карта записана: /tmp/city.vl", "Отчёт\nв две строки");
        QCOMPARE(text, QString("Карта записана: /tmp/city.vl"));
        QCOMPARE(details, QString("Отчёт\nв две строки"));
    }

    // A file chosen while the name's completion list is open: the list goes with the dialog, so
    // that the next click reaches the window below.
    void theCompletionListClosesWithTheFileDialog() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        for (const char* name : {"city.osm.pbf", "city2.osm.pbf"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        TQtUserDialogs dialogs;
        bool listShown = false;
        QPointer<QWidget> list;
        WhenModalShows([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) return;
            dialog->setDirectory(folder.path());
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name && name->completer());
            list = name->completer()->popup();
            // The folder is read in the background: the list comes once its names are known.
            listShown = QTest::qWaitFor([&] {
                if (!list->isVisible()) {
                    name->completer()->setCompletionPrefix(folder.filePath("ci"));
                    name->completer()->complete();
                }
                return list->isVisible();
            });
            // As if typed: selectFile leaves the name alone while its edit has the focus,
            // which would make the accept below open the folder instead.
            name->setText(folder.filePath("city.osm.pbf"));
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
        });
        const auto chosen = dialogs.ChooseExtractToOpen(false);
        QVERIFY(listShown);
        QVERIFY(chosen.has_value());
        QVERIFY(list);
        QVERIFY(!list->isVisible());
    }

    void openDialogUsesTheMapFilter() {
        TQtUserDialogs dialogs;
        QStringList filters;
        auto rememberFilters = [&](QWidget* w) {
            if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                filters = dialog->nameFilters();
                dialog->reject();
            }
        };
        WhenModalShows(rememberFilters);
        QVERIFY(!dialogs.ChooseMapToOpen().has_value());
        QCOMPARE(filters, QStringList{"карта с трамваями (*.vl)"});
        // The game's map choice lists extracts beside the maps; the editor's import, extracts.
        WhenModalShows(rememberFilters);
        QVERIFY(!dialogs.ChooseExtractToOpen(true).has_value());
        QCOMPARE(filters.size(), 3);
        QVERIFY(filters[0].contains("*.vl") && filters[0].contains("*.osm.pbf"));
        // Extracts as other tools name them are listed too: SUMO's wizard, osmium, JOSM.
        const QStringList extracts = {"c.osm.pbf", "c.pbf",        "c.osm",
                                      "c.osm.gz",  "c.osm.bz2",    "osm_bbox.osm.xml.gz",
                                      "c.osm.xml", "c.osm.xml.bz2"};
        auto shown = [](const QString& filter, const QString& name) {
            const QString patterns = filter.section('(', 1).section(')', 0, 0);
            return QDir::match(patterns.split(' '), name);
        };
        for (const QString& name : extracts)
            QVERIFY2(shown(filters[0], name), qPrintable(name));
        QVERIFY(!shown(filters[0], "c.o5m") && !shown(filters[0], "c.xml"));
        WhenModalShows(rememberFilters);
        QVERIFY(!dialogs.ChooseExtractToOpen(false).has_value());
        QCOMPARE(filters, QStringList{"выписка OpenStreetMap (*.osm.pbf *.pbf *.osm *.osm.gz "
                                      "*.osm.bz2 *.osm.xml*)"});
        for (const QString& name : extracts)
            QVERIFY2(shown(filters[0], name), qPrintable(name));
        QVERIFY(!shown(filters[0], "c.vl"));
    }

    void openDialogStartsInTheBundledMapsUntilTheMapHasAFile() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString maps = root.filePath("maps"), other = root.filePath("other");
        QVERIFY(QDir().mkpath(maps) && QDir().mkpath(other));
        auto map = std::make_unique<TMap>(); // a new map: no file yet
        TQtUserDialogs dialogs;
        dialogs.SetOpenFolders(map.get(), maps);

        // Moved elsewhere and cancelled: a map without a file still starts in the maps.
        QCOMPARE(OpenDialogFolder(dialogs, other), maps);
        QCOMPARE(OpenDialogFolder(dialogs), maps);
        // Once the map has a file, the dialog starts in its folder, and for the same map stays
        // in the folder it was left in.
        map->FileName = QDir(other).filePath("city.vl").toStdString();
        QCOMPARE(OpenDialogFolder(dialogs, root.path()), other);
        QCOMPARE(OpenDialogFolder(dialogs), QDir(root.path()).absolutePath());

        // The game's choice of a map or an extract starts the same way.
        map->FileName = vell::NewMapName;
        TQtUserDialogs game;
        game.SetOpenFolders(map.get(), maps);
        QCOMPARE(OpenDialogFolder(game, other, false, true), maps);
        map->FileName = QDir(other).filePath("city.vl").toStdString();
        QCOMPARE(OpenDialogFolder(game, root.path(), false, true), other);
        QCOMPARE(OpenDialogFolder(game, {}, false, true), QDir(root.path()).absolutePath());
    }

    // The editor's dialogs (no bundled maps) follow the map being edited: opened, or saved in
    // another folder.
    void fileDialogsFollowTheFolderOfTheMap() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString a = root.filePath("a"), b = root.filePath("b"), c = root.filePath("c");
        QVERIFY(QDir().mkpath(a) && QDir().mkpath(b) && QDir().mkpath(c));
        auto map = std::make_unique<TMap>();
        map->FileName = QDir(a).filePath("city.vl").toStdString();
        TQtUserDialogs dialogs;
        dialogs.SetOpenFolders(map.get(), {});
        QCOMPARE(OpenDialogFolder(dialogs, c), a);
        QCOMPARE(OpenDialogFolder(dialogs), c);
        QCOMPARE(SaveDialogFolder(dialogs), a);
        map->FileName = QDir(b).filePath("city.vl").toStdString(); // saved as, elsewhere
        QCOMPARE(OpenDialogFolder(dialogs), b);
        QCOMPARE(SaveDialogFolder(dialogs), b);
        map->FileName = vell::NewMapName; // a new map: the dialog stays where it was
        QCOMPARE(OpenDialogFolder(dialogs), b);
        // A map whose folder is gone (restored from a recovery copy) leaves it there too.
        map->FileName = root.filePath("gone/city.vl").toStdString();
        QCOMPARE(OpenDialogFolder(dialogs), b);
    }

    void openDialogFirstStartsInTheFolderOfTheMapsFile() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QVERIFY(QDir().mkpath(root.filePath("city")));
        auto map = std::make_unique<TMap>();
        map->FileName = root.filePath("city/city.vl").toStdString();
        TQtUserDialogs dialogs;
        dialogs.SetOpenFolders(map.get(), root.path());
        QCOMPARE(OpenDialogFolder(dialogs), root.filePath("city"));
    }

    void noBundledMapsLeavesTheDialogsOwnStart() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        auto map = std::make_unique<TMap>();
        TQtUserDialogs plain, withoutMaps;
        withoutMaps.SetOpenFolders(map.get(), {});
        QCOMPARE(OpenDialogFolder(withoutMaps), OpenDialogFolder(plain));
    }

    void bundledMapsAreFoundInstalledFirstThenInTheSources() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString bin = root.filePath("usr/bin"), sources = root.filePath("src/maps");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(sources));
        QCOMPARE(vell::BundledMapsFolder(bin, sources), sources);
        QCOMPARE(vell::BundledMapsFolder(bin, {}), QString());
        QCOMPARE(vell::BundledMapsFolder(bin, root.filePath("src/none")), QString());
        // A file of that name is not a folder of maps.
        QFile stray(root.filePath("src/file"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        QCOMPARE(vell::BundledMapsFolder(bin, stray.fileName()), QString());

        QVERIFY(QDir().mkpath(root.filePath("usr/share/vell/maps")));
        QCOMPARE(vell::BundledMapsFolder(bin, sources), root.filePath("usr/share/vell/maps"));
        QCOMPARE(vell::BundledMapsFolder(bin + "/", sources), root.filePath("usr/share/vell/maps"));
    }

    // The buttons of the Russian interface's boxes and dialogs are Russian too.
    void qtTextsAreRussian() {
        const auto texts = vell::LoadRussianQtTexts();
        QVERIFY2(texts, "Qt's Russian translation (qt6-translations-l10n) is not installed");
        QApplication::installTranslator(texts.get());
        TQtUserDialogs dialogs;
        QStringList captions;
        WhenModalShows([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w))
                for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                    captions << box->button(b)->text().remove('&');
            Click(w, QMessageBox::No);
        });
        QCOMPARE(dialogs.AskYesNoCancel("Сохранить?"), TAnswer::No);
        QCOMPARE(captions, (QStringList{"Да", "Нет", "Отмена"}));

        QString cancel;
        WhenModalShows([&](QWidget* w) {
            for (auto* button : w->findChildren<QAbstractButton*>())
                if (button->text().remove('&') == "Отмена") cancel = button->text();
            w->close();
        });
        QVERIFY(!dialogs.ChooseMapToOpen().has_value());
        QVERIFY2(!cancel.isEmpty(), "the file dialog has no Russian Cancel button");

        // The kind of a folder in the dialog's list: Qt 6 asks for it under another name than
        // the one the system's translation has it under.
        QCOMPARE(QFileIconProvider().type(QFileInfo(QDir::tempPath())), QString("Папка"));
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg("vl"),
                 QString("Файл vl"));
        QApplication::removeTranslator(texts.get());
        QCOMPARE(QFileIconProvider().type(QFileInfo(QDir::tempPath())), QString("Folder"));
    }

    // Every file dialog's list shows its columns whole, in Russian: the size, kind and date, and
    // room for a long name such as an imported city's ("saint-petersburg-centre.vl").
    void fileDialogsShowTheirColumnsWhole() {
        const auto texts = vell::LoadRussianQtTexts();
        QVERIFY(texts);
        QApplication::installTranslator(texts.get());
        QTemporaryDir folder;
        TMap map;
        map.FileName = folder.filePath("city.vl").toStdString();
        TQtUserDialogs dialogs;
        dialogs.SetOpenFolders(&map, {});
        for (int kind = 0; kind < 4; ++kind) {
            int needed = 0, room = 0;
            WhenModalShows([&](QWidget* w) {
                if (auto* list = w->findChild<QTreeView*>("treeView")) {
                    QHeaderView* header = list->header();
                    for (int c = 0; c < header->count(); ++c)
                        if (!header->isSectionHidden(c))
                            needed += c == 0 ? LongName : header->sectionSizeHint(c);
                    room = list->viewport()->width();
                }
                w->close();
            });
            if (kind == 0) dialogs.ChooseMapToOpen();
            if (kind == 1) dialogs.ChooseMapToSave();
            if (kind == 2) dialogs.ChooseGameToSave({});
            if (kind == 3) dialogs.ChooseExtractToOpen(false);
            qWarning("needed %d room %d", needed, room);
            QVERIFY2(needed > 0, "no detail list in the dialog");
            QVERIFY2(room >= needed, qPrintable(QString("dialog %1: the columns need %2 pixels, "
                                                        "the list has %3")
                                                    .arg(kind)
                                                    .arg(needed)
                                                    .arg(room)));
        }
        QApplication::removeTranslator(texts.get());
    }
};

QTEST_MAIN(UserDialogsTest)
#include "UserDialogsTest.moc"

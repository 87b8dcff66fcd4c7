// The Qt message boxes and file dialogs: texts, icons, buttons and answers.
#include "QtUserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <functional>

using vell::TAnswer;
using vell::TQtUserDialogs;

class UserDialogsTest : public QObject {
    Q_OBJECT

    // Runs `inspect` on the modal window as soon as it is up.
    void WhenModalShows(std::function<void(QWidget*)> inspect) {
        QTimer::singleShot(0, this, [this, inspect]() {
            QWidget* w = QApplication::activeModalWidget();
            if (!w) {
                WhenModalShows(inspect);
                return;
            }
            inspect(w);
        });
    }

    static void Click(QWidget* w, QMessageBox::StandardButton which) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        box->button(which)->click();
    }

  private slots:
    void questionWithCancel() {
        TQtUserDialogs dialogs;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        for (auto [button, expected] : {std::pair{QMessageBox::Yes, TAnswer::Yes},
                                        std::pair{QMessageBox::No, TAnswer::No},
                                        std::pair{QMessageBox::Cancel, TAnswer::Cancel}}) {
            WhenModalShows([&, button = button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                text = box->text();
                icon = box->icon();
                QCOMPARE(box->standardButtons(),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                Click(w, button);
            });
            QCOMPARE(dialogs.AskYesNoCancel("Карта 'x' была изменена. Сохранить?"), expected);
            QCOMPARE(text, QString("Карта 'x' была изменена. Сохранить?"));
            QCOMPARE(icon, QMessageBox::Question);
        }
    }

    void escapeMeansCancelOrNo() {
        TQtUserDialogs dialogs;
        WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(dialogs.AskYesNoCancel("?"), TAnswer::Cancel);
        WhenModalShows([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(dialogs.AskYesNo("?"), false);
    }

    void yesNoQuestion() {
        TQtUserDialogs dialogs;
        WhenModalShows([](QWidget* w) {
            QCOMPARE(qobject_cast<QMessageBox*>(w)->standardButtons(),
                     QMessageBox::Yes | QMessageBox::No);
            Click(w, QMessageBox::Yes);
        });
        QVERIFY(dialogs.AskYesNo("Заменить?"));
    }

    void errorBox() {
        TQtUserDialogs dialogs;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModalShows([&](QWidget* w) {
            icon = qobject_cast<QMessageBox*>(w)->icon();
            Click(w, QMessageBox::Ok);
        });
        dialogs.ShowError("Ошибка при открытии карты!");
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void openDialogUsesTheMapFilter() {
        TQtUserDialogs dialogs;
        QStringList filters;
        WhenModalShows([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            dialog->reject();
        });
        QVERIFY(!dialogs.ChooseMapToOpen().has_value());
        QCOMPARE(filters, QStringList{"карта с трамваями (*.vl)"});
    }
};

QTEST_MAIN(UserDialogsTest)
#include "UserDialogsTest.moc"

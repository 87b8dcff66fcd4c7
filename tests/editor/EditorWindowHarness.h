// The editor window driven like a user: mouse events straight to the paint boxes, buttons
// through their Alt accelerators, the menu through its shortcuts, questions answered by script.
#pragma once

#include "editor/window/VellEdit.h"
#include "model/draw/MapBitmaps.h"
#include "tests/support/ModalWatch.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace vell::test {

class TEditorWindowHarness : public QObject {
  protected:
    std::unique_ptr<TMap> Map;
    std::unique_ptr<TMapBitmaps> Bitmaps;
    std::unique_ptr<TRandom> Random;
    std::unique_ptr<TScriptedDialogs> Dialogs;
    std::unique_ptr<TVellEdit> Window;
    std::unique_ptr<test::TTempDir> Dir;
    // Windows made from now on keep recovery copies there; none without it.
    TRecovery* RecoveryStore = nullptr;

    template <class T = QWidget> T* Child(const char* name) {
        T* w = Window->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QWidget* Plan() { return Child("MapPB"); }
    QAction* MenuItem(const char* name) { return Child<QAction>(name); }

    // The map point (x, y) as a plan-view pixel.
    QPoint At(int x, int y) const { return QPoint(x - Map->ViewX, y - Map->ViewY); }
    // Mouse events go straight to the paint box, as Qt delivers them to the widget under the
    // mouse or holding it. (QTest takes the point (0, 0) for the middle of the widget, and its
    // moves without a button go through the cursor, which the offscreen platform may drop.)
    Qt::MouseButtons Held;
    void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton b, QPoint p) {
        if (type == QEvent::MouseButtonPress) Held |= b;
        if (type == QEvent::MouseButtonRelease) Held &= ~Qt::MouseButtons(b);
        QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, Held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void Press(Qt::MouseButton b, QPoint p, QWidget* w = nullptr) {
        SendMouse(w ? w : Plan(), QEvent::MouseButtonPress, b, p);
    }
    void Release(Qt::MouseButton b, QPoint p, QWidget* w = nullptr) {
        SendMouse(w ? w : Plan(), QEvent::MouseButtonRelease, b, p);
    }
    void MoveTo(QPoint p, QWidget* w = nullptr) {
        SendMouse(w ? w : Plan(), QEvent::MouseMove, Qt::NoButton, p);
    }
    // A stroke with one button: press, move through the points, release at the last.
    void Stroke(Qt::MouseButton b, std::initializer_list<QPoint> points) {
        auto it = points.begin();
        MoveTo(*it);
        Press(b, *it);
        QPoint last = *it;
        for (++it; it != points.end(); ++it)
            MoveTo(last = *it);
        Release(b, last);
    }
    void Draw(int kind, int x1, int y1, int x2, int y2) {
        PickTool(kind);
        Stroke(Qt::LeftButton, {At(x1, y1), At(x2, y2)});
    }
    void PickTool(int kind) {
        Child<QRadioButton>(qPrintable(QStringLiteral("Action%1").arg(kind)))->setChecked(true);
    }
    // Alt + a Latin letter or digit, as the captions' accelerators say.
    void Alt(Qt::Key key) { QTest::keyClick(Window.get(), key, Qt::AltModifier); }
    void Key(Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(Window.get(), key, m);
    }
    // Buttons pressed by accelerator click after a short animation.
    void AltClick(Qt::Key key, std::function<bool()> done) {
        Alt(key);
        QTRY_VERIFY(done());
    }
    TMapObject& Last() { return Map->Objects.back(); }

    // Answers the modal dialog as soon as it is up (bounded: see ModalWatch.h).
    std::shared_ptr<test::TModalWatch> WhenModalShows(std::function<void(QWidget*)> answer) {
        return test::WhenModalShows(this, std::move(answer));
    }

    void MakeWindow() {
        Window =
            std::make_unique<TVellEdit>(*Map, *Bitmaps, *Random, *Dialogs, nullptr, RecoveryStore);
        Window->show();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
    }

    // A fresh map, bitmaps, generator and scripted dialogs, and the window on them.
    void SetUpWindow() {
        Held = Qt::NoButton;
        Map = test::NewMap();
        Bitmaps = std::make_unique<TMapBitmaps>();
        Random = std::make_unique<TRandom>(2024);
        Dialogs = std::make_unique<TScriptedDialogs>();
        Dir = std::make_unique<test::TTempDir>();
        MakeWindow();
    }
    void TearDownWindow() {
        Window.reset();
        Map.reset();
    }
};

} // namespace vell::test

// The cab view window with a real OpenGL context (run under Xvfb): its form, the game loop
// and its pauses, the menu on the space key, the settings panel, full screen, the window shape,
// the pictures it draws, and whole games started and ended as the route selection window does.
#include "cab/View3D.h"
#include "cab/CabGauges.h"
#include "cab/SoundPanel.h"
#include "cab/StartGame.h"
#include "sim/CrashText.h"
#include "tests/cab/CabTestWorld.h"
#include "tests/cab/EvaluationWatch.h"
#include "tests/support/ModalWatch.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowLayout.h"
#include "ui/QtApplication.h"
#include "ui/QtUserDialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>

namespace vell {
namespace {

constexpr double Pi = std::numbers::pi;

// Dialogs that also note whether the game loop was paused while the message was up.
struct TPauseCheckingDialogs : test::TScriptedDialogs {
    const TView3D* View = nullptr;
    bool PausedDuringMessage = false;
    TAccidentChoice AskAfterAccident(const std::string& text) override {
        PausedDuringMessage = View && View->MenuOpen;
        return test::TScriptedDialogs::AskAfterAccident(text);
    }
};

// Answers the modal window as soon as it is up (bounded: see ModalWatch.h).
std::shared_ptr<test::TModalWatch> WhenModalShows(std::function<void(QWidget*)> answer) {
    return test::WhenModalShows(nullptr, std::move(answer));
}

// The pixel at a point given in normalised device coordinates.
QColor At(const QImage& image, double x, double y) {
    const int px = std::clamp(int((x + 1) / 2 * image.width()), 0, image.width() - 1);
    const int py = std::clamp(int((1 - y) / 2 * image.height()), 0, image.height() - 1);
    return image.pixelColor(px, py);
}

bool Near(const QColor& c, int r, int g, int b, int tolerance = 3) {
    return std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
           std::abs(c.blue() - b) <= tolerance;
}

std::string Describe(const QColor& c) {
    return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue());
}

// Whether some pixel in the box (normalised device coordinates) has the colour.
bool AnyInBox(const QImage& image, double x1, double y1, double x2, double y2, int r, int g,
              int b) {
    const int px1 = int((x1 + 1) / 2 * image.width()), px2 = int((x2 + 1) / 2 * image.width());
    const int py1 = int((1 - y2) / 2 * image.height()), py2 = int((1 - y1) / 2 * image.height());
    for (int y = std::max(py1, 0); y <= std::min(py2, image.height() - 1); ++y)
        for (int x = std::max(px1, 0); x <= std::min(px2, image.width() - 1); ++x)
            if (Near(image.pixelColor(x, y), r, g, b, 2)) return true;
    return false;
}

// Moves the mouse over the widget as the player does and lets the window system deliver it.
void MoveMouse(QWidget* widget, QPoint to) {
    QTest::mouseMove(widget, to);
    QTest::qWait(50);
}

struct TCabView : ::testing::Test {
    explicit TCabView(std::uint8_t grade = 100) : City(grade) {
        Dialogs.View = &View;
        View.TimeOfDay = [] { return QTime(12, 0); };
        View.Timer->stop();   // ticks come from the tests
        View.HelpSeen = true; // the help's own tests show it
    }
    ~TCabView() override {
        View.hide();
        QCoreApplication::processEvents();
    }

    test::TCabWorld City;
    TPauseCheckingDialogs Dialogs;
    TView3D View{*City.Map, *City.World, Dialogs};

    // The view shown over a running world with the player's tram, as a game shows it, but
    // without the modal loop, at this client size.
    TVell& ShowGame(QSize client = {640, 480}) {
        TVell& tram = City.StartWithPlayer();
        View.PrepareForGame();
        View.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&View));
        View.resize(client);
        EXPECT_TRUE(QTest::qWaitFor([&] { return View.size() == client; }, 3000));
        return tram;
    }
    // One tick of the game loop and the picture it left.
    QImage Tick() {
        View.TimerTimer();
        return View.Surface->grabFramebuffer();
    }
};

TEST_F(TCabView, FormAsCreated) {
    EXPECT_EQ(View.windowTitle(), QString::fromUtf8("Вид из кабины. Пробел - вызов меню."));
    EXPECT_EQ(View.size(), QSize(320, 240));
    EXPECT_TRUE(View.ResizeEnabled);
    EXPECT_FALSE(View.MenuOpen || View.SettingsOpen || View.SwitchingMode || View.ShowDelay);
    EXPECT_EQ(View.Timer->interval(), 50);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_DOUBLE_EQ(View.Cab.Joystick.MouseCenterX, (screen.width() - 1) / 2.0);
    EXPECT_DOUBLE_EQ(View.Cab.Joystick.MouseCenterY, (screen.height() - 1) / 2.0);
    EXPECT_EQ(View.Cab.GameSpeed, 1);
    EXPECT_EQ(View.Cab.ScreenModeWidth, 640);
    EXPECT_EQ(View.Cab.ScreenModeHeight, 480);
    EXPECT_EQ(View.Cab.ScreenModeBits, 32);

    // The menu, in order; the items of a recording being watched are hidden while driving.
    QStringList captions, hidden;
    for (QAction* a : View.Menu->actions())
        (a->isVisible() ? captions : hidden) << a->text();
    EXPECT_EQ(captions,
              (QStringList{"Полный экран (&F)", "Автопилот (&A)", "Показывать задержку (&D)",
                           "Показывать оценку (&E)", "Скорость игры:", "Сохранить игру",
                           "Сохранить запись", "Настройки графики...", "Звук...", "Назад (&B)",
                           "Выход (&Q)"}));
    EXPECT_EQ(hidden, (QStringList{"Пауза (&P)", "Взять управление (&T)"}));
    EXPECT_TRUE(View.N1->isCheckable() && View.N6->isCheckable() && View.D1->isCheckable() &&
                View.ShowScoreItem->isCheckable());
    EXPECT_FALSE(View.N1->isChecked());
    EXPECT_FALSE(View.D1->isChecked());
    EXPECT_TRUE(View.ShowScoreItem->isChecked());
    QStringList speeds;
    for (QAction* a : View.N2->actions()) {
        speeds << a->text();
        EXPECT_EQ(a->actionGroup(), View.SpeedGroup);
    }
    EXPECT_EQ(speeds, (QStringList{"x1", "x2", "x4", "x8", "x16", "x32", "x64", "x128", "x256",
                                   "x512", "x1024"}));
    EXPECT_TRUE(View.SpeedGroup->isExclusive());
    EXPECT_EQ(View.SpeedGroup->checkedAction(), View.SpeedItems[0]);

    // The settings panel.
    EXPECT_FALSE(View.Panel->isVisibleTo(&View));
    // 201 x 193, a title and the look's line, wider when a label needs it.
    EXPECT_EQ(View.Panel->height(), 233);
    EXPECT_GE(View.Panel->width(), 201);
    for (QLabel* l :
         {View.PanelTitle, View.CResolution, View.CDistWall, View.CDistTree, View.Label1}) {
        EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
        EXPECT_LE(l->geometry().right(), View.Panel->width());
    }
    EXPECT_EQ(View.PanelTitle->text(), QString::fromUtf8("Настройки графики"));
    EXPECT_EQ(View.CResolution->text(), QString::fromUtf8("Разрешение:"));
    EXPECT_EQ(View.CResolution->buddy(), View.WH);
    // The label stands left of the list, on its line.
    EXPECT_LT(View.CResolution->geometry().right(), View.WH->x());
    EXPECT_EQ(View.CResolution->y(), View.WH->y());
    ASSERT_EQ(View.WH->count(), 10);
    EXPECT_EQ(View.WH->maxVisibleItems(), 10);
    EXPECT_EQ(View.WH->itemText(0), "320x200");
    EXPECT_EQ(View.WH->itemText(9), "1600x1200");
    EXPECT_EQ(View.WH->currentText(), "640x480");
    EXPECT_EQ(View.CDistWall->text(), QString::fromUtf8("Видимость для стен (100 - 2000 м):"));
    // Each distance says its range, not the walls' alone.
    EXPECT_EQ(View.CDistTree->text(), QString::fromUtf8("Видимость для деревьев (100 - 2000 м):"));
    EXPECT_EQ(View.Label1->text(), QString::fromUtf8("Видимость для трамваев (100 - 2000 м):"));
    const std::tuple<QSlider*, QLabel*, int> bars[] = {{View.UDistWall, View.VDistWall, 500},
                                                       {View.UDistTree, View.VDistTree, 200},
                                                       {View.UDistVell, View.VDistVell, 200}};
    for (auto [bar, value, position] : bars) {
        EXPECT_EQ(bar->minimum(), 100);
        EXPECT_EQ(bar->maximum(), 2000);
        EXPECT_EQ(bar->tickInterval(), 100);
        EXPECT_EQ(bar->singleStep(), 100);
        EXPECT_EQ(bar->value(), position);
        // The value in metres right of its bar, following it.
        EXPECT_EQ(value->text(), QString::fromUtf8("%1 м").arg(position));
        EXPECT_LT(bar->geometry().right(), value->x());
        bar->setValue(2000);
        EXPECT_EQ(value->text(), QString::fromUtf8("2000 м"));
        bar->setValue(position);
    }
    EXPECT_EQ(View.Done->text(), QString::fromUtf8("Принять"));
    EXPECT_TRUE(View.Done->isDefault());
    EXPECT_EQ(View.Cancel->text(), QString::fromUtf8("Отмена"));
}

TEST_F(TCabView, FrameShowsSkyGroundGaugesAndTheControllerFollowsTheMouse) {
    TVell& tram = ShowGame();
    QImage frame = Tick();
    ASSERT_EQ(frame.size(), QSize(640, 480));
    EXPECT_EQ(View.Surface->LastRenderSize, QSize(640, 480));

    // Sky: (0.2, 0.8, 1.0) at the horizon shading to (0.2, 0.5, 0.7) at the top, at noon.
    const QColor top = At(frame, -0.8, 0.99), horizon = At(frame, -0.8, 0.01);
    EXPECT_TRUE(Near(top, 51, 128, 179, 4)) << Describe(top);
    EXPECT_TRUE(Near(horizon, 51, 204, 255, 4)) << Describe(horizon);
    int lastGreen = 256;
    for (double y = 0.05; y < 1; y += 0.1) {
        const int g = At(frame, -0.8, y).green();
        EXPECT_LT(g, lastGreen) << y;
        lastGreen = g;
    }
    // Ground: black, beside the track.
    EXPECT_TRUE(Near(At(frame, 0.6, -0.3), 0, 0, 0, 2)) << Describe(At(frame, 0.6, -0.3));
    // White gauge lines: the top of the speedometer's rim, and the status frame green.
    EXPECT_TRUE(AnyInBox(frame, -0.31, -0.24, -0.29, -0.2, 255, 255, 255));
    EXPECT_TRUE(AnyInBox(frame, 0.4, -0.81, 0.45, -0.79, 0, 255, 0));

    // Drive by hand: mouse up from the joystick's centre and then down beyond its box brakes
    // fully, back up gives traction.
    View.N6->trigger();
    EXPECT_FALSE(View.N6->isChecked());
    EXPECT_FALSE(tram.AutoDrive);
    MoveMouse(View.Surface, QPoint(320, 0));
    MoveMouse(View.Surface, QPoint(320, 300));
    EXPECT_DOUBLE_EQ(View.Cab.Joystick.ControllerOffset, 99.5);
    const QImage braking = Tick();
    EXPECT_DOUBLE_EQ(tram.Command, -1);
    MoveMouse(View.Surface, QPoint(320, 0));
    EXPECT_DOUBLE_EQ(View.Cab.Joystick.ControllerOffset, -99.5);
    const QImage traction = Tick();
    EXPECT_DOUBLE_EQ(tram.ManualCommand, 1);
    EXPECT_GT(tram.Command, 0.69); // 0.7 for a weak tram, else 1

    // The controller needle, sampled at 0.6 of the dial's radii along each position.
    const auto along = [](double command) {
        const double t = command * 3 * Pi / 8;
        return std::pair{-0.9 + 0.6 * 0.24 * std::cos(t), -0.5 + 0.6 * 0.32 * std::sin(t)};
    };
    const auto [bx, by] = along(-1);
    const auto [tx, ty] = along(tram.Command);
    EXPECT_TRUE(Near(At(braking, bx, by), 255, 255, 153)) << Describe(At(braking, bx, by));
    EXPECT_FALSE(Near(At(braking, tx, ty), 255, 255, 153)) << Describe(At(braking, tx, ty));
    EXPECT_TRUE(Near(At(traction, tx, ty), 255, 255, 153)) << Describe(At(traction, tx, ty));
    EXPECT_FALSE(Near(At(traction, bx, by), 255, 255, 153)) << Describe(At(traction, bx, by));
}

TEST_F(TCabView, NightDimsTheSkyAndTheDelayDisplayWritesItsNumber) {
    ShowGame();
    View.TimeOfDay = [] { return QTime(0, 30); };
    QImage frame = Tick();
    EXPECT_DOUBLE_EQ(View.Cab.DayLight, 0.1);
    EXPECT_TRUE(Near(At(frame, -0.8, 0.01), 5, 20, 26, 3)) << Describe(At(frame, -0.8, 0.01));
    EXPECT_FALSE(AnyInBox(frame, -0.8, 0.8, -0.7, 0.9, 255, 255, 255));

    View.D1->trigger();
    EXPECT_TRUE(View.ShowDelay);
    frame = Tick();
    // The upper left corner shows the frame's measured time: every white pixel there belongs
    // to that number's digits, and its first and last digits are drawn.
    double minX = 1, maxX = -1, minY = 1, maxY = -1;
    for (const TPoint2& p : DelayNumber(View.Elapsed).Points) {
        minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    const auto px = [&](double x) { return int((x + 1) / 2 * frame.width()); };
    const auto py = [&](double y) { return int((1 - y) / 2 * frame.height()); };
    int leftmost = frame.width(), rightmost = -1;
    for (int y = py(0.98); y <= py(0.7); ++y)
        for (int x = px(-0.9); x <= px(-0.2); ++x) {
            if (!Near(frame.pixelColor(x, y), 255, 255, 255, 2)) continue;
            EXPECT_TRUE(x >= px(minX) - 2 && x <= px(maxX) + 2 && y >= py(maxY) - 2 &&
                        y <= py(minY) + 2)
                << x << "," << y << " lies outside the number " << View.Elapsed;
            leftmost = std::min(leftmost, x), rightmost = std::max(rightmost, x);
        }
    EXPECT_LE(std::abs(leftmost - px(minX)), 2) << View.Elapsed;
    EXPECT_LE(std::abs(rightmost - px(maxX)), 2) << View.Elapsed;
    View.D1->trigger();
    EXPECT_FALSE(View.ShowDelay);
}

TEST_F(TCabView, GameLoopWaitsForMenuSettingsAndHiddenWindow) {
    TVell& tram = ShowGame();
    Tick();
    const std::int32_t clock = tram.Clock;
    const int frames = View.FramesDrawn;
    View.MenuOpen = true;
    View.TimerTimer();
    View.MenuOpen = false;
    View.SettingsOpen = true;
    View.TimerTimer();
    View.SettingsOpen = false;
    EXPECT_EQ(tram.Clock, clock);
    EXPECT_EQ(View.FramesDrawn, frames);
    View.hide();
    View.TimerTimer();
    EXPECT_EQ(tram.Clock, clock);
    EXPECT_FALSE(View.GLReady); // released on hiding
    View.show();
    EXPECT_TRUE(View.GLReady);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    const int shownFrames = View.FramesDrawn;
    View.TimerTimer();
    EXPECT_EQ(tram.Clock, clock + 1);
    EXPECT_EQ(View.FramesDrawn, shownFrames + 1); // the frame is drawn within the tick
}

TEST_F(TCabView, SpeedItemsSetStepsPerTickOnlyUnderTheAutopilot) {
    TVell& tram = ShowGame();
    View.SpeedItems[4]->trigger(); // x16
    EXPECT_EQ(View.Cab.GameSpeed, 16);
    std::int32_t clock = tram.Clock;
    Tick();
    EXPECT_EQ(tram.Clock - clock, 16);

    View.SpeedItems[6]->trigger(); // x64
    View.N6->trigger();            // autopilot off
    clock = tram.Clock;
    Tick();
    EXPECT_EQ(View.Cab.GameSpeed, 1);
    EXPECT_EQ(tram.Clock - clock, 1);
    EXPECT_TRUE(View.SpeedItems[6]->isChecked()); // the menu still shows x64

    View.N6->trigger(); // autopilot on: still 1 until a speed is chosen
    EXPECT_TRUE(tram.AutoDrive);
    Tick();
    EXPECT_EQ(View.Cab.GameSpeed, 1);
    View.SpeedItems[10]->trigger(); // x1024
    clock = tram.Clock;
    Tick();
    EXPECT_EQ(tram.Clock - clock, 1024);
    EXPECT_EQ(View.SpeedGroup->checkedAction(), View.SpeedItems[10]);
}

TEST_F(TCabView, SpaceAndEscOpenTheMenuCentredAndOtherKeysDoNothing) {
    TVell& tram = ShowGame();
    QTest::keyClick(View.Surface, Qt::Key_X);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Esc opens the menu as space does, and does not close the game.
    QWidget* escMenu = nullptr;
    QTimer::singleShot(100, [&]() {
        escMenu = QApplication::activePopupWidget();
        if (escMenu) QTest::keyClick(escMenu, Qt::Key_Escape); // closes the menu alone
    });
    QTest::keyClick(View.Surface, Qt::Key_Escape);
    EXPECT_EQ(escMenu, View.Menu);
    EXPECT_FALSE(View.MenuOpen);
    EXPECT_TRUE(View.isVisible());

    QPoint menuAt;
    bool openDuringMenu = false;
    std::int32_t clockDuringMenu = 0;
    QTimer::singleShot(100, [&]() {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_EQ(popup, View.Menu);
        menuAt = popup->pos();
        openDuringMenu = View.MenuOpen;
        const std::int32_t before = tram.Clock;
        View.TimerTimer(); // a tick while the menu is up changes nothing
        clockDuringMenu = tram.Clock - before;
        QTest::keyClick(popup, Qt::Key_B); // "Назад (&B)"
    });
    QTest::keyClick(View.Surface, Qt::Key_Space);
    EXPECT_TRUE(openDuringMenu);
    EXPECT_EQ(clockDuringMenu, 0);
    EXPECT_FALSE(View.MenuOpen);
    const QRect outer = View.frameGeometry();
    EXPECT_EQ(menuAt,
              QPoint(outer.left() + outer.width() / 2 - 50, outer.top() + outer.height() / 2 - 50));
    EXPECT_TRUE(View.isVisible());

    // The autopilot off and on again through the menu's keys.
    for (bool expected : {false, true}) {
        QTimer::singleShot(100,
                           []() { QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_A); });
        QTest::keyClick(View.Surface, Qt::Key_Space);
        EXPECT_EQ(tram.AutoDrive, expected);
        EXPECT_EQ(View.N6->isChecked(), expected);
    }
}

TEST_F(TCabView, SettingsPanelAppliesOnlyWhenAccepted) {
    TVell& tram = ShowGame();
    View.N3->trigger();
    EXPECT_TRUE(View.SettingsOpen);
    EXPECT_TRUE(View.Panel->isVisible());
    const QSize panel = View.Panel->size();
    EXPECT_EQ(View.Panel->geometry(), QRect((640 - panel.width()) / 2, (480 - panel.height()) / 2,
                                            panel.width(), panel.height()));
    const std::int32_t clock = tram.Clock;
    View.TimerTimer();
    EXPECT_EQ(tram.Clock, clock);

    View.WH->setCurrentIndex(6);
    View.UDistWall->setValue(1000);
    View.UDistTree->setValue(300);
    View.UDistVell->setValue(400);
    QTest::mouseClick(View.Cancel, Qt::LeftButton);
    EXPECT_FALSE(View.SettingsOpen);
    EXPECT_FALSE(View.Panel->isVisible());
    EXPECT_EQ(View.Cab.ViewDistWall, 500);
    EXPECT_EQ(View.Cab.ScreenModeWidth, 640);

    // The controls kept what the player set; accepting applies it.
    View.N3->trigger();
    EXPECT_EQ(View.WH->currentIndex(), 6);
    QTest::mouseClick(View.Done, Qt::LeftButton);
    EXPECT_FALSE(View.SettingsOpen);
    EXPECT_EQ(View.Cab.ScreenModeWidth, 800);
    EXPECT_EQ(View.Cab.ScreenModeHeight, 600);
    EXPECT_EQ(View.Cab.ViewDistWall, 1000);
    EXPECT_EQ(View.Cab.ViewDistTree, 300);
    EXPECT_EQ(View.Cab.ViewDistVell, 400);
    EXPECT_FALSE(View.FullScreenRendering);
    // In a window the new resolution is the window's size.
    EXPECT_TRUE(QTest::qWaitFor([&] { return View.size() == QSize(800, 600); }, 3000))
        << View.width() << "x" << View.height();
    View.TimerTimer();
    EXPECT_EQ(tram.Clock, clock + 1);

    // A press on the panel itself keeps it; a press on the picture closes it, applying nothing.
    View.N3->trigger();
    View.UDistWall->setValue(200);
    QTest::mouseClick(View.Panel, Qt::LeftButton, {}, QPoint(View.Panel->width() - 3, 100));
    EXPECT_TRUE(View.SettingsOpen);
    QTest::mouseClick(View.Surface, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(View.SettingsOpen);
    EXPECT_FALSE(View.Panel->isVisible());
    EXPECT_EQ(View.Cab.ViewDistWall, 1000);
    EXPECT_FALSE(View.Cab.Joystick.RightButtonDown); // pressed and released
}

TEST_F(TCabView, TheLookIsChosenInTheSettingsAndKeptBetweenRuns) {
    QSettings settings(QStringLiteral("vell"), QStringLiteral("VellGame"));
    const QVariant before = settings.value(QStringLiteral("view/look"));
    settings.remove(QStringLiteral("view/look"));
    TView3D fresh(*City.Map, *City.World, Dialogs);
    EXPECT_EQ(fresh.CLook->text(), QString::fromUtf8("Вид:"));
    EXPECT_EQ(fresh.CLook->buddy(), fresh.LookBox);
    ASSERT_EQ(fresh.LookBox->count(), 3);
    EXPECT_EQ(fresh.LookBox->itemText(0), QString::fromUtf8("По карте"));
    EXPECT_EQ(fresh.LookBox->itemText(1), QString::fromUtf8("Классический вид"));
    EXPECT_EQ(fresh.LookBox->itemText(2), QString::fromUtf8("Подробный вид"));
    // By the map, first: this map has no look data, so the classic look.
    EXPECT_EQ(fresh.LookBox->currentIndex(), 0);
    EXPECT_EQ(fresh.LookSetting, TLookSetting::ByMap);
    EXPECT_FALSE(fresh.DetailedLook());
    EXPECT_LE(fresh.LookBox->geometry().bottom(), fresh.CDistWall->y());
    EXPECT_LE(fresh.UDistVell->geometry().bottom(), fresh.Done->y());

    ShowGame();
    const QImage classic = Tick();
    EXPECT_TRUE(Near(At(classic, 0.6, -0.3), 0, 0, 0, 2));
    View.N3->trigger();
    View.LookBox->setCurrentIndex(2);
    QTest::mouseClick(View.Done, Qt::LeftButton);
    EXPECT_EQ(View.LookSetting, TLookSetting::Detailed);
    EXPECT_TRUE(View.DetailedLook());
    EXPECT_EQ(settings.value(QStringLiteral("view/look")).toInt(), 2);
    // The detailed look's plain ground, not the classic black, beside the track.
    const QImage detailed = Tick();
    EXPECT_FALSE(Near(At(detailed, 0.6, -0.3), 0, 0, 0, 8)) << Describe(At(detailed, 0.6, -0.3));
    // The next run opens with it.
    TView3D next(*City.Map, *City.World, Dialogs);
    EXPECT_EQ(next.LookBox->currentIndex(), 2);
    EXPECT_TRUE(next.DetailedLook());
    // A map with look data is detailed by the map.
    View.N3->trigger();
    View.LookBox->setCurrentIndex(0);
    QTest::mouseClick(View.Done, Qt::LeftButton);
    EXPECT_FALSE(View.DetailedLook());
    City.Map->Extras.Look.Streets.push_back({TStreetKind::Road, 10, true, {{0, 0}, {100, 0}}});
    EXPECT_TRUE(View.DetailedLook());
    City.Map->Extras.Look = {};

    if (before.isValid())
        settings.setValue(QStringLiteral("view/look"), before);
    else
        settings.remove(QStringLiteral("view/look"));
}

TEST_F(TCabView, MouseButtonsWorkTheDoors) {
    TVell& tram = ShowGame();
    QTest::mousePress(View.Surface, Qt::LeftButton, {}, QPoint(300, 200));
    Tick();
    EXPECT_TRUE(tram.ManualOpen);
    EXPECT_FALSE(tram.ManualClose);
    QTest::mouseRelease(View.Surface, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mousePress(View.Surface, Qt::RightButton, {}, QPoint(300, 200));
    Tick();
    EXPECT_FALSE(tram.ManualOpen);
    EXPECT_TRUE(tram.ManualClose);
    QTest::mouseRelease(View.Surface, Qt::RightButton, {}, QPoint(300, 200));
    Tick();
    EXPECT_FALSE(tram.ManualClose);
}

TEST_F(TCabView, FullScreenDrawsAtTheChosenResolutionAndScalesIt) {
    ShowGame({800, 600});
    View.N1->trigger();
    EXPECT_TRUE(View.N1->isChecked());
    EXPECT_TRUE(View.windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(View.cursor().shape(), Qt::BlankCursor);
    EXPECT_TRUE(View.FullScreenRendering);
    EXPECT_FALSE(View.SwitchingMode);
    EXPECT_TRUE(View.GLReady);
    QImage frame = Tick();
    EXPECT_EQ(View.Surface->LastRenderSize, QSize(640, 480));
    EXPECT_EQ(frame.size(), View.Surface->size()); // scaled to the whole surface
    EXPECT_TRUE(Near(At(frame, -0.8, 0.99), 51, 128, 179, 4)) << Describe(At(frame, -0.8, 0.99));
    EXPECT_TRUE(Near(At(frame, 0.6, -0.3), 0, 0, 0, 2));

    // New settings in full screen take effect at once.
    View.N3->trigger();
    EXPECT_NE(View.cursor().shape(), Qt::BlankCursor); // the panel needs the cursor
    View.WH->setCurrentIndex(7);
    QTest::mouseClick(View.Done, Qt::LeftButton);
    EXPECT_EQ(View.cursor().shape(), Qt::BlankCursor);
    Tick();
    EXPECT_EQ(View.Surface->LastRenderSize, QSize(1024, 768));

    View.N1->trigger();
    EXPECT_FALSE(View.windowState() & Qt::WindowFullScreen);
    EXPECT_NE(View.cursor().shape(), Qt::BlankCursor);
    EXPECT_FALSE(View.FullScreenRendering);
    Tick();
    EXPECT_EQ(View.Surface->LastRenderSize, View.Surface->size());
}

TEST_F(TCabView, WindowKeepsFourByThree) {
    ShowGame();
    const std::pair<QSize, QSize> cases[] = {{{800, 400}, {533, 400}},
                                             {{400, 600}, {400, 300}},
                                             {{250, 400}, {320, 240}},
                                             {{1000, 750}, {1000, 750}}};
    for (auto [asked, expected] : cases) {
        View.resize(asked);
        EXPECT_TRUE(QTest::qWaitFor([&] { return View.size() == expected; }, 3000))
            << asked.width() << "x" << asked.height() << " gave " << View.width() << "x"
            << View.height();
        EXPECT_TRUE(View.ResizeEnabled);
        QTest::qWait(100); // the window system's own report of the size changes nothing
        EXPECT_EQ(View.size(), expected);
        EXPECT_EQ(Tick().size(), expected);
    }
}

// Whole games, as the route selection window starts them.
struct TCabGame : TCabView {
    explicit TCabGame(std::uint8_t grade = 100) : TCabView(grade) {
        Selection.resize(200, 100);
        Selection.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Selection));
    }
    QWidget Selection;
};

TEST_F(TCabGame, GameHidesTheSelectionWindowAndTearsTheWorldDown) {
    View.N6->setChecked(false); // left over from an earlier game
    View.N1->setChecked(true);
    bool selectionHidden = false, running = false, autopilot = false, fullScreen = true;
    const TVell* player = nullptr;
    std::pair<int, int> playerRoute{-1, -1};
    int frames = 0;
    bool programEnding = false;
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &View,
                     [&]() { programEnding = true; });
    WhenModalShows([&](QWidget* modal) {
        EXPECT_EQ(modal, &View);
        selectionHidden = !Selection.isVisible();
        running = City.World->Running();
        player = City.World->PlayerTram;
        // Read while the game runs: the tram is freed with the world when the game ends.
        if (player) playerRoute = {player->RouteRow, player->RouteCol};
        autopilot = View.N6->isChecked() && player && player->AutoDrive;
        fullScreen = View.N1->isChecked() || (View.windowState() & Qt::WindowFullScreen);
        View.Timer->start(); // the game loop runs by itself
        QTest::qWait(400);
        frames = View.FramesDrawn;
        View.N4->trigger(); // "Выход (&Q)"
    });
    // Inside the program's own event loop, where closing the last visible window may end it.
    bool shown = false;
    QTimer::singleShot(0, [&]() {
        shown = RunGame(*City.Map, *City.World, View, &Selection, 0, 0, {});
        QCoreApplication::exit(0);
    });
    QApplication::exec();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(selectionHidden);
    EXPECT_TRUE(running);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(playerRoute, (std::pair<int, int>{0, 0}));
    EXPECT_TRUE(autopilot);
    EXPECT_FALSE(fullScreen);
    EXPECT_GT(frames, 2);
    EXPECT_FALSE(programEnding); // the last visible window closed, but it was not the program's
    // Afterwards: the selection window is back and the world is gone.
    EXPECT_TRUE(Selection.isVisible());
    EXPECT_FALSE(View.isVisible());
    EXPECT_FALSE(City.World->Running());
    EXPECT_EQ(City.World->PlayerTram, nullptr);
    EXPECT_EQ(City.World->VellCount, 0);
    EXPECT_FALSE(View.GLReady);

    // Arches were prepared for the scene; a second game starts a fresh world.
    int secondCount = -1;
    WhenModalShows([&](QWidget*) {
        secondCount = City.World->VellCount;
        View.close();
    });
    EXPECT_TRUE(RunGame(*City.Map, *City.World, View, &Selection, 0, 0, {}));
    EXPECT_GE(secondCount, 1);
    EXPECT_EQ(City.World->VellCount, 0);
}

TEST_F(TCabGame, NothingStartsWithoutAMapOrWhenTheRunAheadFails) {
    City.Map->FileName = NewMapName;
    EXPECT_FALSE(RunGame(*City.Map, *City.World, View, &Selection, 0, 0, {}));
    EXPECT_FALSE(City.World->Running());
    EXPECT_TRUE(Selection.isVisible());

    City.Map->FileName = "cab-test.vl";
    bool ranAhead = false;
    EXPECT_FALSE(RunGame(*City.Map, *City.World, View, &Selection, 0, 0, [&] {
        ranAhead = City.World->Running();
        return false;
    }));
    EXPECT_TRUE(ranAhead);
    EXPECT_FALSE(City.World->Running());
    EXPECT_EQ(City.World->PlayerTram, nullptr);
    EXPECT_TRUE(Selection.isVisible());
    EXPECT_FALSE(View.isVisible());
}

struct TCabCrash : TCabGame {
    TCabCrash() : TCabGame(10) {} // rails this poor derail a tram above 18 km/h
};

// Drives the player's tram of a game by hand at full traction until the game ends; the crash
// record the tram had when it ended.
TCrash DriveIntoACrash(test::TCabWorld& city, TView3D& view, QWidget& selection) {
    int ticks = 0;
    TCrash crash;
    WhenModalShows([&](QWidget*) {
        view.N6->trigger();                       // drive by hand, full traction
        MoveMouse(view.Surface, QPoint(100, 50)); // a move, wherever the pointer was
        MoveMouse(view.Surface, QPoint(100, 0));
        EXPECT_DOUBLE_EQ(view.Cab.Joystick.ManualCommand(), 1);
        // The crash ends the shift: its evaluation follows the message.
        test::WhenEvaluationShows();
        while (view.isVisible() && ticks < 3000) {
            view.TimerTimer();
            ++ticks;
            if (const TVell* tram = city.World->PlayerTram; tram && tram->Accident)
                crash = tram->Crash;
        }
    });
    EXPECT_TRUE(RunGame(*city.Map, *city.World, view, &selection, 0, 0, {}));
    EXPECT_LT(ticks, 3000);
    return crash;
}

TEST_F(TCabCrash, CrashShowsTheMessageWithItsCauseAndEndsTheGame) {
    const TCrash crash = DriveIntoACrash(City, View, Selection);
    // Too fast for rails of grade 10: 10 x 0.3 + 15 = 18 km/h.
    EXPECT_EQ(crash.Cause, TAccidentCause::Overspeed);
    ASSERT_FALSE(Dialogs.Log.empty());
    const std::string& message = Dialogs.Log.back();
    EXPECT_EQ(message, "accident: Авария!\n" + CrashReason(crash));
    EXPECT_EQ(message.rfind("accident: Авария!\nСход с рельсов: скорость 18.", 0), 0) << message;
    EXPECT_NE(message.find("выше предела этого пути 18.0 км/ч."), std::string::npos) << message;
    EXPECT_TRUE(Dialogs.PausedDuringMessage);
    EXPECT_FALSE(View.MenuOpen);
    EXPECT_FALSE(City.World->Running());
    EXPECT_TRUE(Selection.isVisible());
}

TEST_F(TCabView, OpensAtTheChosenResolutionCentredAndANewChoiceResizesIt) {
    City.StartWithPlayer();
    View.PrepareForGame();
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    const QRect room = View.screen()->availableGeometry();
    ASSERT_GE(room.height(), 768) << "the test needs a screen of 1024 x 768 or more";
    const auto centred = [&]() {
        const QPoint c = View.frameGeometry().center();
        return std::abs(c.x() - room.center().x()) <= 1 && std::abs(c.y() - room.center().y()) <= 1;
    };
    EXPECT_EQ(View.size(), QSize(640, 480));
    EXPECT_TRUE(centred()) << View.x() << "," << View.y();
    // Wide enough for the whole caption and a title bar's buttons.
    EXPECT_LT(View.fontMetrics().horizontalAdvance(View.windowTitle()) + 150, View.width());

    const auto choose = [&](int row) {
        View.N3->trigger();
        View.WH->setCurrentIndex(row);
        QTest::mouseClick(View.Done, Qt::LeftButton);
    };
    const auto settles = [&](QSize size) {
        return QTest::qWaitFor([&] { return View.size() == size; }, 3000);
    };
    choose(7); // 1024x768, where it stands if it fits there, else centred
    EXPECT_TRUE(settles({1024, 768})) << View.width() << "x" << View.height();
    EXPECT_TRUE(room.contains(View.frameGeometry()));
    EXPECT_EQ(Tick().size(), QSize(1024, 768));

    // Larger than the screen: the largest 4:3 window the screen takes.
    choose(9); // 1600x1200
    QTest::qWait(100);
    EXPECT_TRUE(room.contains(View.frameGeometry()));
    EXPECT_EQ(View.width() * 3, View.height() * 4);
    EXPECT_GE(View.height(), std::min(room.height(), room.width() * 3 / 4) - 60);

    // Resized by hand, the window keeps its size until the player picks another resolution.
    View.resize(800, 600);
    ASSERT_TRUE(settles({800, 600}));
    choose(9);
    QTest::qWait(100);
    EXPECT_EQ(View.size(), QSize(800, 600));
    choose(4); // 640x400: shaped to 4:3
    EXPECT_TRUE(settles({532, 399})) << View.width() << "x" << View.height();

    // The next game opens at the chosen resolution again, centred.
    View.hide();
    choose(1); // 320x240, chosen while no game runs
    View.PrepareForGame();
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    EXPECT_TRUE(settles({320, 240}));
    EXPECT_TRUE(centred());
}

TEST_F(TCabView, HelpOnTheFirstStartAndOnF1PausesTheGame) {
    View.HelpSeen = false; // the first game of the run
    TVell& tram = City.StartWithPlayer();
    tram.SpeedometerWorks = false;
    View.PrepareForGame();
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    ASSERT_TRUE(View.HelpOpen);
    EXPECT_TRUE(View.Help->isVisible());
    const QString broken = QString::fromUtf8("спидометр сломан");
    EXPECT_TRUE(View.HelpText->text().contains(broken));
    for (const char* line : {"вверх — ход, вниз — тормоз", "Пробел или Esc — меню, F1",
                             "Жёлтый кружок", "Часы внизу слева"})
        EXPECT_TRUE(View.HelpText->text().contains(QString::fromUtf8(line))) << line;
    // Whole, inside the window.
    EXPECT_TRUE(View.rect().contains(View.Help->geometry()));
    EXPECT_LE(View.HelpText->heightForWidth(View.HelpText->width()), View.HelpText->height());

    // The game waits while it is up; a press closes it and works no door.
    const std::int32_t clock = tram.Clock;
    const int frames = View.FramesDrawn;
    View.TimerTimer();
    EXPECT_EQ(tram.Clock, clock);
    EXPECT_EQ(View.FramesDrawn, frames);
    QTest::mousePress(View.Surface, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_FALSE(View.HelpOpen);
    EXPECT_FALSE(View.Help->isVisible());
    EXPECT_FALSE(View.Cab.Joystick.LeftButtonDown);
    QTest::mouseRelease(View.Surface, Qt::LeftButton, {}, QPoint(300, 200));
    View.TimerTimer();
    EXPECT_EQ(tram.Clock, clock + 1);

    // F1 shows it again, for the tram as it is now; Esc closes it without opening the menu.
    tram.SpeedometerWorks = true;
    QTest::keyClick(View.Surface, Qt::Key_F1);
    ASSERT_TRUE(View.HelpOpen);
    EXPECT_FALSE(View.HelpText->text().contains(broken));
    QTest::keyClick(View.Surface, Qt::Key_Escape);
    EXPECT_FALSE(View.HelpOpen);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    // Space closes it and opens the menu.
    QTest::keyClick(View.Surface, Qt::Key_F1);
    QWidget* menu = nullptr;
    QTimer::singleShot(100, [&]() {
        menu = QApplication::activePopupWidget();
        if (menu) QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::keyClick(View.Surface, Qt::Key_Space);
    EXPECT_FALSE(View.HelpOpen);
    EXPECT_EQ(menu, View.Menu);

    // It follows the window's size, and the next game of the run does not show it by itself.
    QTest::keyClick(View.Surface, Qt::Key_F1);
    View.resize(320, 240);
    EXPECT_TRUE(QTest::qWaitFor([&] { return View.size() == QSize(320, 240); }, 3000));
    EXPECT_TRUE(View.rect().contains(View.Help->geometry()));
    QTest::keyClick(View.Surface, Qt::Key_X);
    View.hide();
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    EXPECT_FALSE(View.HelpOpen);
}

TEST_F(TCabView, NeutralMarkerShowsWhereThePointerCoastsWhileThePlayerDrives) {
    ShowGame();
    // The joystick's centre 99.5 pixels above the pointer (the first move is one wherever the
    // pointer was left).
    MoveMouse(View.Surface, QPoint(1, 1));
    MoveMouse(View.Surface, QPoint(320, 0));
    MoveMouse(View.Surface, QPoint(320, 300));
    const TJoystick& joystick = View.Cab.Joystick;
    ASSERT_DOUBLE_EQ(joystick.MouseCenterY, 200.5);
    const double centreX = joystick.MouseCenterX;
    // The level line right of the ring, in normalised device coordinates.
    const auto levelLineAt = [&](const QImage& frame, double centreY) {
        const double x = 2 * centreX / 640 - 1, y = 1 - 2 * centreY / 480;
        return AnyInBox(frame, x + 10 / 320.0, y - 0.01, x + 15 / 320.0, y + 0.01, 255, 255, 0);
    };
    EXPECT_FALSE(levelLineAt(Tick(), 200.5)); // under the autopilot the mouse drives nothing
    View.N6->trigger();
    EXPECT_TRUE(levelLineAt(Tick(), 200.5));
    // The pointer pushed further down drags the centre along; the marker follows it.
    MoveMouse(View.Surface, QPoint(320, 420));
    ASSERT_DOUBLE_EQ(joystick.MouseCenterY, 320.5);
    const QImage dragged = Tick();
    EXPECT_FALSE(levelLineAt(dragged, 200.5));
    EXPECT_TRUE(levelLineAt(dragged, 320.5));
}

// The help, the settings panel and the crash message in each language.
TEST(CabLanguages, HelpPanelAndCrashMessageSpeakTheProgramsLanguage) {
    const auto hasCyrillic = [](const QString& text) {
        return std::any_of(text.begin(), text.end(),
                           [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
    };
    for (TLanguage language : {TLanguage::Russian, TLanguage::English}) {
        const bool english = language == TLanguage::English;
        SCOPED_TRACE(english ? "English" : "Russian");
        TProgramLanguage texts(language);
        texts.Install();
        test::TCabWorld city(10);
        TPauseCheckingDialogs dialogs;
        TView3D view(*city.Map, *city.World, dialogs);
        view.Timer->stop();
        dialogs.View = &view;
        const auto in = [english](const char* en, const char* ru) {
            return QString::fromUtf8(english ? en : ru);
        };

        EXPECT_EQ(view.PanelTitle->text(), in("Graphics settings", "Настройки графики"));
        EXPECT_EQ(view.CResolution->text(), in("Resolution:", "Разрешение:"));
        EXPECT_EQ(view.VDistWall->text(), in("500 m", "500 м"));
        EXPECT_EQ(view.VDistTree->text(), in("200 m", "200 м"));
        view.Panel->show();
        const QStringList faults = test::LayoutFaults(view.Panel);
        EXPECT_TRUE(faults.isEmpty()) << faults.join("; ").toStdString();
        view.Panel->hide();

        QWidget selection;
        selection.show();
        std::optional<QRect> helpInWindow;
        bool helpWhole = false;
        QString help;
        WhenModalShows([&](QWidget*) {
            help = view.HelpText->text();
            helpInWindow = view.Help->geometry();
            helpWhole =
                view.rect().contains(*helpInWindow) &&
                view.HelpText->heightForWidth(view.HelpText->width()) <= view.HelpText->height();
            view.HideHelp();
            view.close();
        });
        RunGame(*city.Map, *city.World, view, &selection, 0, 0, {});
        ASSERT_TRUE(helpInWindow.has_value());
        EXPECT_TRUE(helpWhole);
        EXPECT_EQ(hasCyrillic(help), !english) << help.toStdString();
        EXPECT_TRUE(help.contains(in("Space or Esc: the menu; F1: this help; B: the bell.",
                                     "Пробел или Esc — меню, F1 — эта справка, B — звонок.")));

        const TCrash crash = DriveIntoACrash(city, view, selection);
        ASSERT_EQ(crash.Cause, TAccidentCause::Overspeed);
        ASSERT_FALSE(dialogs.Log.empty());
        const QString message = QString::fromStdString(dialogs.Log.back());
        EXPECT_TRUE(message.startsWith(
            in("accident: Crash!\nDerailed: ", "accident: Авария!\nСход с рельсов: ")))
            << message.toStdString();
        EXPECT_TRUE(message.endsWith(in(" is above this track's limit of 18.0 km/h.",
                                        " выше предела этого пути 18.0 км/ч.")))
            << message.toStdString();
        EXPECT_EQ(hasCyrillic(message), !english);
    }
}

// Without a sound card the sound panel says so and offers nothing to change; the cab shows it
// so whenever its sound did not open.
TEST_F(TCabView, TheSoundPanelSaysWhenThereIsNoSoundDevice) {
    TSoundPanel& panel = *View.SoundPanel;
    panel.SetDeviceMissing(true);
    EXPECT_TRUE(panel.NoDevice->isVisibleTo(&panel));
    EXPECT_EQ(panel.NoDevice->text(), QString::fromUtf8("Звука нет: нет звукового устройства"));
    EXPECT_FALSE(panel.SoundOn->isEnabled());
    EXPECT_FALSE(panel.Volume->isEnabled());
    EXPECT_GE(panel.width(), panel.NoDevice->sizeHint().width());
    panel.SetDeviceMissing(false);
    EXPECT_FALSE(panel.NoDevice->isVisibleTo(&panel));
    EXPECT_TRUE(panel.SoundOn->isEnabled());
    EXPECT_EQ(panel.Volume->isEnabled(), panel.SoundOn->isChecked());

    ShowGame();
    EXPECT_EQ(panel.NoDevice->isVisibleTo(&panel), !View.Sound.Playing());
    EXPECT_EQ(panel.SoundOn->isEnabled(), View.Sound.Playing());
}

// "Сохранить игру" suggests a name in the saves folder after the map and the time, and says
// where the game went; a cancelled dialog writes and says nothing.
TEST_F(TCabView, SavingAGameSuggestsANameAndSaysWhereItWent) {
    test::TTempDir dir;
    City.Map->FileName = dir.Path("Tallinn.vl"); // a save names its map's file
    TFileFault fault = TFileFault::None;
    ASSERT_TRUE(City.Map->SaveToFile(&fault));
    ShowGame();
    const QString map = QStringLiteral("Tallinn");
    const std::string path = dir.Path("game.vls");
    Dialogs.FileChoices.push_back(path);
    View.SaveGame->trigger();
    const QString suggested = QString::fromStdString(Dialogs.SuggestedGame);
    EXPECT_EQ(QFileInfo(suggested).absolutePath(), QDir(GameSavesFolder()).absolutePath());
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(map) +
                                   QStringLiteral("-20\\d\\d-\\d\\d-\\d\\d-\\d{4}\\.vls$"))
                    .match(QFileInfo(suggested).fileName())
                    .hasMatch())
        << suggested.toStdString();
    ASSERT_TRUE(QFileInfo(QString::fromStdString(path)).size() > 0) << Dialogs.Log.back();
    ASSERT_FALSE(Dialogs.Log.empty());
    EXPECT_EQ(Dialogs.Log.back(), "message: Игра сохранена в файл " + path);

    Dialogs.Log.clear();
    View.SaveGame->trigger(); // cancelled
    EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"game save dialog"});
}

} // namespace
} // namespace vell

int main(int argc, char** argv) {
    vell::SetCabSurfaceFormat(); // before the application, as the game does
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

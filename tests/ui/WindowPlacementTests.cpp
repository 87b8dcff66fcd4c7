// Where windows open: at their own place when it fits, else centred, never off the screen.
#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

TEST(WindowPlacement, AWindowKeepsItsPlaceOnlyWhereItFitsWhole) {
    const QRect screen(0, 0, 1280, 1024);
    // The route window of 740 x 365 at its place: it fits.
    EXPECT_EQ(WindowPlace({740, 365}, QPoint(164, 185), screen), QPoint(164, 185));
    // A window without a place of its own is centred.
    EXPECT_EQ(WindowPlace({640, 480}, std::nullopt, screen), QPoint(320, 272));
    // Past the right edge (the same window on a 1024 x 768 screen at 2x scaling: 512 x 384).
    EXPECT_EQ(WindowPlace({300, 200}, QPoint(300, 185), QRect(0, 0, 512, 384)), QPoint(106, 92));
    // Larger than the screen: its top-left corner, with the title bar, stays on it.
    EXPECT_EQ(WindowPlace({1200, 750}, QPoint(0, 0), QRect(0, 0, 1024, 740)), QPoint(0, 0));
    EXPECT_EQ(WindowPlace({1200, 750}, std::nullopt, QRect(0, 28, 1024, 740)), QPoint(0, 28));
    // A second screen to the right, with a panel at its top.
    const QRect second(1280, 30, 1024, 738);
    EXPECT_EQ(WindowPlace({792, 621}, QPoint(112, 53), second), QPoint(1396, 88));
    EXPECT_EQ(WindowPlace({792, 621}, QPoint(1392, 83), second), QPoint(1392, 83));
}

} // namespace
} // namespace vell

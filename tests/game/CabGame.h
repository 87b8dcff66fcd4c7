// The game's windows with a cab view (its OpenGL picture needs Xvfb), the loop stepped by the
// test itself.
#pragma once

#include "cab/View3D.h"
#include "tests/game/GameFixture.h"

namespace vell::test {

struct TCabGame : TGame {
    TView3D View{*Map, World, Dialogs};
    explicit TCabGame(std::uint32_t seed) {
        Random.Seed(seed);
        View.HelpSeen = true; // no help over the first game
        View.Timer->stop();   // the test steps the loop itself
        SelectRoute.SetWindows(&RouteMap, &VellView, &View);
        SelectRoute.show();
    }
};

} // namespace vell::test

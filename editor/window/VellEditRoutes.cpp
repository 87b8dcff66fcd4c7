// The editor window's route panel: choosing a slot, cars, interval, waypoints and the route
// check. The controls and their connections are made with the window (VellEdit.cpp).
#include "VellEdit.h"

#include "RouteEditing.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace vell {

void TVellEdit::RefreshRouteState() {
    // Moving the track bars runs their change handlers, which write the slot back and mark
    // the map modified: showing a slot must not count as a change.
    const bool modified = Map.Modified;
    const TRouteRec& route = Map.Route(RouteRow(), RouteColumn());
    VagonCount->setValue(route.Cars);
    RouteInterval->setValue(route.Interval);
    if (auto caption = CountPointCaption(route.WaypointCount))
        CountPoint->setText(QString::fromStdString(*caption));
    Map.Modified = modified;
}

void TVellEdit::Symbol1Change() { RefreshRouteState(); }

void TVellEdit::Symbol2Change() { RefreshRouteState(); }

void TVellEdit::VagonCountChange() {
    Map.Route(RouteRow(), RouteColumn()).Cars = std::uint8_t(VagonCount->value());
    Map.Modified = true;
}

void TVellEdit::RouteIntervalChange() {
    Map.Route(RouteRow(), RouteColumn()).Interval = std::uint8_t(RouteInterval->value());
    Map.Modified = true;
}

void TVellEdit::AddToRouteClick() {
    BeginCommand();
    AddSelectedRailToRoute(Map, RouteRow(), RouteColumn());
    RefreshRouteState();
}

void TVellEdit::ClearRouteClick() {
    BeginCommand();
    vell::ClearRoute(Map, RouteRow(), RouteColumn());
    RefreshRouteState();
    RepaintBitmaps();
}

void TVellEdit::CheckRouteClick() {
    BeginCommand();
    vell::CheckRoute(Map, RouteRow(), RouteColumn());
    RedrawAll();
}

} // namespace vell

// The editor window's route panel: choosing a slot, cars, interval, waypoints and the route
// check. The controls and their connections are made with the window (VellEdit.cpp).
//
// Hooks still to be filled in with route editing. Each command that changes the map should
// start with BeginCommand(); RouteRow() and RouteColumn() name the slot the panel shows.
#include "VellEdit.h"

namespace vell {

void TVellEdit::RefreshRouteState() {}

void TVellEdit::Symbol1Change() {}

void TVellEdit::Symbol2Change() {}

void TVellEdit::VagonCountChange() {}

void TVellEdit::RouteIntervalChange() {}

void TVellEdit::AddToRouteClick() {}

void TVellEdit::ClearRouteClick() {}

void TVellEdit::CheckRouteClick() {}

} // namespace vell

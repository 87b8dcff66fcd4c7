// The editor window's route panel: choosing a slot, cars, interval, waypoints and the route
// check. The controls and their connections are made with the window (VellEdit.cpp).
#include "editor/window/VellEdit.h"

#include "editor/ops/EditSteps.h"
#include "editor/ops/RouteEditing.h"
#include "model/MapExtras.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

namespace vell {

void TVellEdit::RefreshRouteState() {
    // Showing a slot is no change: the track bars' handlers would write the shown values back
    // (a value out of the bar's range clamped) and make an undo step of it.
    const TRouteRec& route = Map.Route(RouteRow(), RouteColumn());
    {
        const QSignalBlocker cars(VagonCount), interval(RouteInterval);
        VagonCount->setValue(route.Cars);
        RouteInterval->setValue(route.Interval);
    }
    ShowRouteValues();
    if (auto caption = CountPointCaption(route.WaypointCount)) {
        QString text = QString::fromStdString(*caption);
        // The line riders know, where the map names the route otherwise than its slot; it goes
        // once the route's waypoints change.
        const std::optional<std::string> line = LineName(Map, RouteRow(), RouteColumn());
        const bool named = line && *line != RouteDisplayName(RouteRow(), RouteColumn());
        if (named) text += tr(", линия %1").arg(QString::fromStdString(*line));
        CountPoint->setText(text);
        CountPoint->setToolTip(named ? text : QString());
    }
}

void TVellEdit::ShowRouteValues() {
    VagonCountValue->setNum(VagonCount->value());
    RouteIntervalValue->setNum(RouteInterval->value());
}

void TVellEdit::Symbol1Change() {
    RefreshRouteState();
    Record(RouteSymbolLabel);
}

void TVellEdit::Symbol2Change() {
    RefreshRouteState();
    Record(RouteSymbolLabel);
}

void TVellEdit::VagonCountChange() {
    Map.Route(RouteRow(), RouteColumn()).Cars = std::uint8_t(VagonCount->value());
    Map.Modified = true;
    ShowRouteValues();
    ShowCaption();
    if (!VagonCount->isSliderDown()) Record(CarsLabel);
}

void TVellEdit::RouteIntervalChange() {
    Map.Route(RouteRow(), RouteColumn()).Interval = std::uint8_t(RouteInterval->value());
    Map.Modified = true;
    ShowRouteValues();
    ShowCaption();
    if (!RouteInterval->isSliderDown()) Record(IntervalLabel);
}

void TVellEdit::AddToRouteClick() {
    BeginCommand();
    AddSelectedRailToRoute(Map, RouteRow(), RouteColumn());
    Record(AddWaypointLabel);
    RefreshRouteState();
}

void TVellEdit::ClearRouteClick() {
    BeginCommand();
    vell::ClearRoute(Map, RouteRow(), RouteColumn());
    Record(ClearRouteLabel);
    RefreshRouteState();
    RepaintBitmaps();
}

void TVellEdit::CheckRouteClick() {
    BeginCommand();
    const TRouteCheck check = vell::CheckRoute(Map, RouteRow(), RouteColumn());
    // The route is shown as a selection on the plan: the words go to the status line, where
    // they do not cover it.
    ShowStatus(QString::fromStdString(RouteCheckText(Map, RouteRow(), RouteColumn(), check)));
    RedrawAll();
}

} // namespace vell

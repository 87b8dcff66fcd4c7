// The cab view window (TView3D). Until the cab view is built this is only its place among the
// game's windows: it is created at start-up and never shown, and games cannot be started.
#pragma once

#include <QWidget>

namespace vell {

class TView3D : public QWidget {
    Q_OBJECT
  public:
    explicit TView3D(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("View3D"));
    }
    // Whether "Начать игру" can run a game in this window.
    static constexpr bool CanRunGames = false;
};

} // namespace vell

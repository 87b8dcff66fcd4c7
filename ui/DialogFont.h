// The font of the game's windows: the platform's sans-serif user-interface font at 8 points.
#pragma once

#include <QApplication>
#include <QFont>

namespace vell {

inline QFont DialogFont() {
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace vell

// The top view's "График движения": the time-distance diagram of the followed tram's route in a
// window of its own. It opens at a size that fits its screen, can be resized and scrolled, and
// redraws itself from the view's recorder about once a second while it is open.
#pragma once

#include "sim/TimeDistanceRecorder.h"

#include <QDialog>
#include <QImage>
#include <QSize>

#include <cstddef>
#include <functional>

class QLabel;
class QScrollArea;
class QTimer;

namespace vell {

// The picture's size when the screen has room for it; smaller pictures than the least size
// are not drawn, the window scrolls over them instead.
constexpr QSize DiagramWindowPicture(1200, 750), LeastDiagramPicture(640, 400);
// Wall time between two redraws while the window is open.
constexpr int DiagramRefreshMs = 1000;

class TDiagramWindow : public QDialog {
    Q_OBJECT
  public:
    // `recorder` gives the recorder to draw from, or none; it is asked again at every redraw.
    TDiagramWindow(std::function<const TTimeDistanceRecorder*()> recorder, QWidget* parent);

    // Shows the window and brings it to the front; the first time at a size that fits the
    // screen, centred on it.
    void Open();
    // Draws the diagram anew when the recorder holds more than the picture shows or the room
    // for the picture has changed; true when it drew.
    bool Refresh();
    // The size the picture is drawn at: the room inside the window, at least the least size.
    QSize PictureSize() const;

    QScrollArea* Scroll;
    QLabel* PictureLabel;
    QTimer* RefreshTimer;
    QImage Picture; // as last drawn; null before the first drawing

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ScrollToLatest();

    // What the picture was drawn from.
    struct TDrawn {
        int Row = -1, Col = -1;
        double FirstMinute = 0, Minutes = 0;
        std::size_t Samples = 0;
        QSize Size;
        bool operator==(const TDrawn&) const = default;
    };

    std::function<const TTimeDistanceRecorder*()> Recorder;
    QTimer* ResizeTimer; // gathers the resize steps of a drag into one redraw
    TDrawn Drawn;
    bool Sized = false;
    bool AtLatest = true; // the user has not scrolled away from the latest minutes
};

} // namespace vell

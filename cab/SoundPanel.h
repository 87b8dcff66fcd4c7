// The cab's sound settings, "Звук" in the cab menu: sound on or off and its volume, applied at
// once and kept between runs of the program.
#pragma once

#include <QFrame>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace vell {

class TSoundPanel : public QFrame {
    Q_OBJECT
  public:
    explicit TSoundPanel(QWidget* parent);

    QCheckBox* SoundOn; // "Звук"
    QSlider* Volume;    // "Громкость", 0..100
    QPushButton* Close; // "Закрыть"
    QLabel* NoDevice; // "Звука нет: нет звукового устройства", shown only then

    // Without a sound card the panel says so and its settings cannot be changed (they stay
    // stored for a later run with one).
    void SetDeviceMissing(bool missing);

    // The settings as stored: on, and the volume 0..1.
    bool On() const;
    float VolumeLevel() const;
    // Hears every change, and the stored settings once at construction's end (call Apply).
    std::function<void(bool on, float volume)> Changed;
    void Apply();

  private:
    void Store();
};

} // namespace vell

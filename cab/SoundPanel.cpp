// The sound settings panel.
#include "cab/SoundPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace vell {

namespace {

constexpr int DefaultVolume = 80;

// Where the settings are kept: ~/.config/vell/VellGame.conf on Linux.
const char* const Organisation = "vell";
const char* const Application = "VellGame";

} // namespace

TSoundPanel::TSoundPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("SoundPanel"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_NoMousePropagation);
    auto* layout = new QVBoxLayout(this);
    SoundOn = new QCheckBox(tr("Звук"), this);
    SoundOn->setObjectName(QStringLiteral("SoundOn"));
    auto* label = new QLabel(tr("Громкость"), this);
    label->setObjectName(QStringLiteral("CVolume"));
    Volume = new QSlider(Qt::Horizontal, this);
    Volume->setObjectName(QStringLiteral("Volume"));
    Volume->setRange(0, 100);
    Volume->setTickInterval(10);
    Volume->setTickPosition(QSlider::TicksBelow);
    label->setBuddy(Volume);
    NoDevice = new QLabel(tr("Звука нет: нет звукового устройства"), this);
    NoDevice->setObjectName(QStringLiteral("NoDevice"));
    NoDevice->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    NoDevice->hide();
    Close = new QPushButton(tr("Закрыть"), this);
    Close->setObjectName(QStringLiteral("SoundClose"));
    layout->addWidget(NoDevice);
    layout->addWidget(SoundOn);
    layout->addWidget(label);
    layout->addWidget(Volume);
    layout->addWidget(Close);
    QSettings settings(Organisation, Application);
    SoundOn->setChecked(settings.value(QStringLiteral("sound/on"), true).toBool());
    Volume->setValue(
        std::clamp(settings.value(QStringLiteral("sound/volume"), DefaultVolume).toInt(), 0, 100));
    Volume->setEnabled(SoundOn->isChecked());
    connect(SoundOn, &QCheckBox::toggled, this, [this](bool on) {
        Volume->setEnabled(on && SoundOn->isEnabled());
        Store();
    });
    connect(Volume, &QSlider::valueChanged, this, [this]() { Store(); });
    adjustSize();
    hide();
}

void TSoundPanel::SetDeviceMissing(bool missing) {
    NoDevice->setVisible(missing);
    SoundOn->setEnabled(!missing);
    Volume->setEnabled(!missing && SoundOn->isChecked());
    adjustSize();
}

bool TSoundPanel::On() const {
    return SoundOn->isChecked();
}

float TSoundPanel::VolumeLevel() const {
    return float(Volume->value()) / 100;
}

void TSoundPanel::Apply() {
    if (Changed) Changed(On(), VolumeLevel());
}

void TSoundPanel::Store() {
    QSettings settings(Organisation, Application);
    settings.setValue(QStringLiteral("sound/on"), On());
    settings.setValue(QStringLiteral("sound/volume"), Volume->value());
    Apply();
}

} // namespace vell

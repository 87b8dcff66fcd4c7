// The window "Лучшие смены" of the route window: the ten best shifts of each line of the open map
// (rank, line, shift, date, total, stars, the four categories), any of which "Смотреть" plays in
// the cab, and a line for each entry the store passed over.
#pragma once

#include "sim/best/BestShifts.h"

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace vell {

extern const char* const BestShiftsCaption; // "Лучшие смены"

class TBestShiftsWindow : public QDialog {
    Q_OBJECT
  public:
    // `canWatch`: a cab exists to play a recording in.
    TBestShiftsWindow(const TBestShiftList& list, bool canWatch, QWidget* parent = nullptr);

    QTableWidget* Table;
    QLabel* Empty;   // shown when no shift is listed: what makes a best shift
    QLabel* Skipped; // the entries passed over, one line each; hidden when none
    QPushButton* Watch;
    QPushButton* Close;

    // The recording of the shift chosen with "Смотреть"; empty when the window closed otherwise.
    const std::string& Chosen() const { return ChosenRecording; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Fill();
    void WatchClick();
    void UpdateWatch();

    TBestShiftList List;
    bool CanWatch;
    std::string ChosenRecording;
    bool Placed = false;
};

} // namespace vell

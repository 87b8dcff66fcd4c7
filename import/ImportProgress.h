// How far an import running in a thread of its own has come, and the wish to stop it: the import
// reports and checks between buffers of the file; the window that shows it reads and cancels.
#pragma once

#include <atomic>
#include <exception>

namespace vell::import {

enum class EImportStage { ReadingTrack, LayingTrack, ReadingCity, BuildingCity };

// Thrown by the import once it has been cancelled; nothing it made is kept.
class TImportCancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "the import was cancelled"; }
};

class TImportProgress {
  public:
    void Cancel() { CancelAsked = true; }
    bool Cancelled() const { return CancelAsked; }
    // Throws TImportCancelled once Cancel has been called.
    void Check() const;

    // The stage the import is in, and how far through it, 0..1.
    void Report(EImportStage stage, double within);
    EImportStage Stage() const { return CurrentStage; }
    // The whole import's share done, 0..1, the stages weighed by their usual share of the time
    // (reading the file twice over takes nearly all of it); it never goes back.
    double Fraction() const { return Done; }

  private:
    std::atomic<bool> CancelAsked{false};
    std::atomic<EImportStage> CurrentStage{EImportStage::ReadingTrack};
    std::atomic<double> Done{0};
};

// Where one pass over the file reports: pass `Index` of `Passes` of `Stage`. No progress: none.
struct TPassProgress {
    TImportProgress* Progress = nullptr;
    EImportStage Stage = EImportStage::ReadingTrack;
    int Index = 0, Passes = 1;
    void Report(double withinPass) const;
};

} // namespace vell::import

// An import running in a thread of its own, so that the window that started it stays responsive:
// the window polls Done and the progress, may cancel, and takes the result. The import's core
// is otherwise single-threaded; this is the one place it runs beside a window.
#pragma once

#include "import/ImportProgress.h"

#include <chrono>
#include <functional>
#include <future>
#include <utility>

namespace vell::import {

template <class TResult> class TImportJob {
  public:
    explicit TImportJob(std::function<TResult(TImportProgress&)> work)
        : Future(std::async(std::launch::async,
                            [this, work = std::move(work)] { return work(ProgressOf); })) {}
    // A job still running is cancelled and waited for: nothing it made is kept.
    ~TImportJob() {
        ProgressOf.Cancel();
        if (Future.valid()) Future.wait();
    }
    TImportJob(const TImportJob&) = delete;
    TImportJob& operator=(const TImportJob&) = delete;

    bool Done() const {
        return !Future.valid() ||
               Future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    TImportProgress& Progress() { return ProgressOf; }
    void Cancel() { ProgressOf.Cancel(); }
    // Waits for the end: the result, or what the work threw (TReadError, TImportCancelled, ...).
    // Once only.
    TResult Take() { return Future.get(); }

  private:
    TImportProgress ProgressOf; // before Future: the work uses it from its first instant
    std::future<TResult> Future;
};

} // namespace vell::import

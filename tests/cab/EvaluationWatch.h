// Answering the evaluation window from a cab test: it comes up inside the cab's own modal loop,
// so the answer waits for it by its class, not for whichever modal window is up first.
#pragma once

#include "cab/EvaluationWindow.h"
#include "tests/support/ModalWatch.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace vell::test {

namespace detail {
inline void PollForEvaluation(std::function<void(TEvaluationWindow&)> answer,
                              std::shared_ptr<TModalWatch> watch, QDeadlineTimer deadline) {
    QTimer::singleShot(10, qApp, [=] {
        QPointer<TEvaluationWindow> window =
            qobject_cast<TEvaluationWindow*>(QApplication::activeModalWidget());
        if (!window) {
            if (!deadline.hasExpired()) PollForEvaluation(answer, watch, deadline);
            return;
        }
        watch->Shown = true;
        answer(*window);
        if (window && window->isVisible()) window->reject();
    });
}
} // namespace detail

// Calls `answer` with the evaluation window as soon as it is up, and closes the window if the
// answer left it open; gives up after `patienceMs`, as ModalWatch.h does.
inline std::shared_ptr<TModalWatch>
WhenEvaluationShows(std::function<void(TEvaluationWindow&)> answer, int patienceMs = 20000) {
    auto watch = std::make_shared<TModalWatch>();
    detail::PollForEvaluation(std::move(answer), watch, QDeadlineTimer(patienceMs));
    return watch;
}

} // namespace vell::test

// Answering the evaluation window, which comes up inside the cab's own modal loop.
#pragma once

#include "cab/EvaluationWindow.h"
#include "tests/support/ModalWatch.h"

#include <functional>
#include <memory>

namespace vell::test {

// Calls `answer` (none: just closes it) with the evaluation window once it is up; gives up
// after `patienceMs`.
inline std::shared_ptr<TModalWatch>
WhenEvaluationShows(std::function<void(TEvaluationWindow&)> answer = {}, int patienceMs = 20000) {
    return WhenModalShows(
        nullptr,
        [answer](QWidget* w) {
            if (answer) answer(static_cast<TEvaluationWindow&>(*w));
        },
        patienceMs, &TEvaluationWindow::staticMetaObject);
}

} // namespace vell::test

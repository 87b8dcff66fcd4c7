// Answering a modal window from a Qt test, with a bounded wait: a dialog that never comes up,
// or an answer that stops half-way, fails the test instead of hanging it.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace vell::test {

// What a watch saw; read it after the call that should have shown the window.
struct TModalWatch {
    bool Shown = false;
};

namespace detail {
inline void PollForModal(QObject* context, std::function<void(QWidget*)> answer,
                         std::shared_ptr<TModalWatch> watch, QDeadlineTimer deadline,
                         const QMetaObject* kind) {
    QTimer::singleShot(0, context, [=] {
        QPointer<QWidget> w = QApplication::activeModalWidget();
        if (!w || (kind && !kind->cast(w))) {
            if (!deadline.hasExpired()) PollForModal(context, answer, watch, deadline, kind);
            return;
        }
        watch->Shown = true;
        answer(w);
        // An answer that returned early (a failed check) must not leave the window waiting.
        if (w && w->isVisible()) w->close();
    });
}
} // namespace detail

// Calls `answer` on the next modal window as soon as it is up. `answer` reads what the test
// needs and closes the window; assertions belong after the call that showed it. The window is
// closed even when `answer` leaves it open, and the watch gives up after `patienceMs`. With
// `kind`, only a window of that class is answered: one that comes up inside another's loop.
inline std::shared_ptr<TModalWatch> WhenModalShows(QObject* context,
                                                   std::function<void(QWidget*)> answer,
                                                   int patienceMs = 10000,
                                                   const QMetaObject* kind = nullptr) {
    auto watch = std::make_shared<TModalWatch>();
    detail::PollForModal(context ? context : qApp, std::move(answer), watch,
                         QDeadlineTimer(patienceMs), kind);
    return watch;
}

} // namespace vell::test

#pragma once
// Waiting for something while the event loop runs, for tests and benchmarks.

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

// Runs the event loop until `ready()` holds or `timeoutMs` has passed; returns ready().
// QTest::qWaitFor sleeps 10 ms between rounds of events, and Chromium's browser side runs
// on this thread as many small tasks, so a page load under it takes a second or more
// instead of tens of milliseconds. Here the loop blocks until something happens and
// `ready` is looked at every 2 ms; deferred deletions are done at the end as qWaitFor
// does them.
template <typename Ready>
bool waitUntil(Ready ready, int timeoutMs = 5000) {
    if (ready()) return true;
    QEventLoop loop;
    QTimer look;
    look.setInterval(2);
    // Deferred deletions are left to the loop while it runs: the timer may fire inside a
    // dialog's own loop, whose objects must live until that loop returns.
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (ready()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    look.start();
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ready();
}

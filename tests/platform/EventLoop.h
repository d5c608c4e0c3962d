#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

// Runs the Qt event loop until `done` holds or `ms` milliseconds have passed;
// returns whether `done` held.
inline bool spinUntil(const std::function<bool()>& done, int ms = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Runs the Qt event loop for `ms` milliseconds.
inline void spinFor(int ms)
{
    spinUntil([] { return false; }, ms);
}

#include "base/waitclock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace dtu {

void EventLoopClock::Pause(int ms) {
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
    // When the application is quitting the loop returns at once; still let the time pass so
    // that poll counts keep their meaning, handling whatever events remain.
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(deadline.remainingTime()));
        if (!deadline.hasExpired()) QThread::msleep(1);
    }
}

} // namespace dtu

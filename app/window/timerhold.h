#pragma once
// Holds a timer stopped while a reply wait runs and starts it again when the outermost wait
// ends (the exchange counts nested waits as one).
#include "base/frontend.h"

#include <QTimer>

class TimerHold : public dtu::IWaitObserver {
public:
    explicit TimerHold(QTimer* timer) : timer_(timer) {}
    void WaitBegins() override { timer_->stop(); }
    void WaitEnds() override { timer_->start(); }

private:
    QTimer* timer_;
};

#include "protocol/signalpoll.h"

#include "protocol/commands.h"

#include <exception>

namespace dtu {

void SignalHistory::Add(qint64 ms, int value) {
    samples_.append({ms, value});
    qsizetype old = 0;
    while (old < samples_.size() && samples_.at(old).ms < ms - SpanMs) ++old;
    samples_.remove(0, old);
}

QList<QList<SignalSample>> SignalHistory::Runs() const {
    QList<QList<SignalSample>> runs;
    bool inRun = false;
    for (const SignalSample& s : samples_) {
        if (!KnownSignal(s.value)) {
            inRun = false;
            continue;
        }
        if (!inRun) runs.append(QList<SignalSample>());
        runs.last().append(s);
        inRun = true;
    }
    return runs;
}

EventLoopPollTimer::EventLoopPollTimer() {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (tick_) tick_();
    });
}

void EventLoopPollTimer::Start(int intervalMs, std::function<void()> tick) {
    tick_ = std::move(tick);
    timer_.start(intervalMs);
}

SignalPoll::SignalPoll(Exchange& ex, QObject* parent) : QObject(parent), ex_(ex) {}

// A timer put in place may be gone already; the own one stops with its QTimer.
SignalPoll::~SignalPoll() = default;

void SignalPoll::UseTimer(IPollTimer* timer) {
    Stop();
    other_ = timer;
}

void SignalPoll::Start() {
    if (Running()) return;
    timer().Start(IntervalMs, [this] { Tick(); });
    Tick();
}

void SignalPoll::Stop() { timer().Stop(); }

void SignalPoll::Tick() {
    if (!Running()) return;
    if (!ex_.Channel().IsOpen()) {
        Stop();
        emit ChannelClosed();
        return;
    }
    // The channel is someone else's now; the next tick tries again.
    if (polling_ || actions_ > 0 || ex_.WaitDepth() > 0) {
        ++skipped_;
        return;
    }
    int value = -1;
    polling_ = true;
    try {
        value = ReadSignal(ex_);
    } catch (const std::exception&) {
        // A script or port error is a failed read, drawn as a gap; a lost port stops the poll
        // at the next tick.
        value = -1;
    }
    polling_ = false;
    history_.Add(timer().NowMs(), value);
    emit Sampled(value);
    RunDeferred();
}

bool SignalPoll::Defer(std::function<void()> action) {
    if (!polling_) return false;
    deferred_.push_back(std::move(action));
    return true;
}

void SignalPoll::RunDeferred() {
    while (!deferred_.empty()) {
        std::function<void()> action = std::move(deferred_.front());
        deferred_.pop_front();
        action();
    }
}

} // namespace dtu

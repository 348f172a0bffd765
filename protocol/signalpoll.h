#pragma once
// Continuous signal-quality reading: every 2 s while switched on and a channel is open, the
// signal command is sent and its value kept for the last 10 minutes. The poll shares the one
// channel with the device actions the user starts: a poll never starts while an action runs or
// another reply wait is going on, and an action started while a poll waits is queued and runs
// right after the poll ends, so that no exchange runs inside another's wait.
#include "protocol/exchange.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

namespace dtu {

// A signal-quality value that can be drawn: 0..31. 99 (unknown) and failed reads (negative)
// are gaps.
inline bool KnownSignal(int value) { return value >= 0 && value <= 31; }

struct SignalSample {
    qint64 ms = 0; // on the poll timer's clock
    int value = -1;
};

// The samples of the last SpanMs milliseconds, oldest first.
class SignalHistory {
public:
    static constexpr qint64 SpanMs = 10 * 60 * 1000;
    void Add(qint64 ms, int value);
    void Clear() { samples_.clear(); }
    const QList<SignalSample>& Samples() const { return samples_; }
    // Runs of consecutive known values; an unknown value or a failed read ends a run.
    QList<QList<SignalSample>> Runs() const;

private:
    QList<SignalSample> samples_;
};

// The poll's timer and clock; tests replace them and fire the ticks themselves.
class IPollTimer {
public:
    virtual ~IPollTimer() = default;
    // Calls tick every intervalMs until Stop.
    virtual void Start(int intervalMs, std::function<void()> tick) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    // Milliseconds on a steady clock.
    virtual qint64 NowMs() const = 0;
};

class EventLoopPollTimer : public IPollTimer {
public:
    EventLoopPollTimer();
    void Start(int intervalMs, std::function<void()> tick) override;
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }
    qint64 NowMs() const override { return clock_.elapsed(); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    std::function<void()> tick_;
};

class SignalPoll : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 2000;

    explicit SignalPoll(Exchange& ex, QObject* parent = nullptr);
    ~SignalPoll() override;

    // Another timer in place of the event-loop one (null: back). Stops a running poll.
    void UseTimer(IPollTimer* timer);

    // Switches polling on (a first read at once) or off. Off does not end a poll that waits.
    void Start();
    void Stop();
    bool Running() const { return timer().IsActive(); }

    // One poll, as the timer runs it.
    void Tick();
    // True while a poll waits for its reply.
    bool Polling() const { return polling_; }

    // Queues the action when a poll waits (it runs right after the poll ends) and returns true;
    // returns false otherwise, and the caller runs the action itself.
    bool Defer(std::function<void()> action);
    // Drops queued actions (the window closes).
    void DropDeferred() { deferred_.clear(); }

    // Marks a device action running for its lifetime: no poll starts meanwhile.
    class ActionScope {
    public:
        explicit ActionScope(SignalPoll& poll) : poll_(poll) { ++poll_.actions_; }
        ~ActionScope() { --poll_.actions_; }
        ActionScope(const ActionScope&) = delete;
        ActionScope& operator=(const ActionScope&) = delete;

    private:
        SignalPoll& poll_;
    };

    const SignalHistory& History() const { return history_; }
    qint64 NowMs() const { return timer().NowMs(); }
    // Polls skipped because the channel was busy.
    int Skipped() const { return skipped_; }

signals:
    // A poll ended with this value (negative: the read failed).
    void Sampled(int value);
    // Polling stopped because the channel closed.
    void ChannelClosed();

private:
    IPollTimer& timer() const { return other_ ? *other_ : own_; }
    void RunDeferred();

    Exchange& ex_;
    mutable EventLoopPollTimer own_;
    IPollTimer* other_ = nullptr;
    SignalHistory history_;
    std::deque<std::function<void()>> deferred_;
    bool polling_ = false;
    int actions_ = 0;
    int skipped_ = 0;
};

} // namespace dtu

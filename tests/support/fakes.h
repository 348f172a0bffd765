#pragma once
// Test doubles for the interfaces between the core and the windows.
#include "base/appstate.h"
#include "base/frontend.h"
#include "link/channel.h"
#include "protocol/exchange.h"
#include "base/waitclock.h"
#include "script/scriptbridge.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>

namespace dtu::test {

// An in-memory channel: what is sent is recorded; reads take scripted chunks.
// A chunk may be scheduled for a poll number: Read() returns it on that call (counting from 1).
class MemoryChannel : public IChannel {
public:
    bool open = true;
    QByteArray sent;
    QList<QByteArray> sends; // one entry per Send call
    int reads = 0;

    bool IsOpen() const override { return open; }
    void Send(const QByteArray& bytes) override;
    QByteArray Read() override;
    // Put-back bytes come first in the next Read.
    void PutBack(const QByteArray& bytes) override { held.prepend(bytes); }
    QByteArray held;

    // Bytes returned by the n-th Read call (1-based).
    void AtRead(int n, const QByteArray& bytes) { scheduled_.append({n, bytes}); }
    // Bytes returned by the next Read call, whenever it comes.
    void Queue(const QByteArray& bytes) { queued_.append(bytes); }
    // Called after every Send, e.g. to queue a reply.
    std::function<void(const QByteArray&)> onSend;
    // Makes Read (or Send) throw LinkError.
    bool failRead = false;
    bool failSend = false;

private:
    QList<QPair<int, QByteArray>> scheduled_;
    QList<QByteArray> queued_;
};

// A wait clock that never sleeps: it counts pauses and runs a hook in each.
class FakeClock : public IWaitClock {
public:
    QList<int> pauses;
    std::function<void(int index, int ms)> onPause;
    void Pause(int ms) override;
    int Count(int ms) const { return static_cast<int>(pauses.count(ms)); }
};

class RecordingStatus : public IStatusSink {
public:
    QString result;
    QStringList log, dialog, transparent;
    void SetResult(const QString& text) override { result = text; }
    QString Result() const override { return result; }
    void Log(const QString& line) override { log << line; }
    void Dialog(const QString& line) override { dialog << line; }
    void Transparent(const QString& line) override { transparent << line; }
};

// Answers confirmations and file dialogs from queues; records every prompt.
class ScriptedPrompter : public IPrompter {
public:
    QStringList messages;
    QStringList confirms; // "caption|text"
    QList<bool> confirmAnswers; // default true when empty
    QStringList fileAnswers;    // default "" (cancel) when empty
    QStringList fileRequests;   // "dir|pattern"

    void Message(const QString& text) override { messages << text; }
    bool Confirm(const QString& caption, const QString& text) override;
    QString OpenFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) override;
    // Save dialogs take their answers from fileAnswers too; requests are "save:dir|pattern|suffix".
    QString SaveFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) override;
};

// Bytes from a spaced hex text: Hex("AA 55 00 04").
QByteArray Hex(const char* spaced);

// Holds a timer stopped while a reply wait runs, as the window holds its receive display.
struct TimerWaits : IWaitObserver {
    QTimer& timer;
    explicit TimerWaits(QTimer& t) : timer(t) {}
    void WaitBegins() override { timer.stop(); }
    void WaitEnds() override { timer.start(); }
};

// An exchange over in-memory fakes; `timer` stands for the receive-display timer.
struct FakeExchange {
    AppState state;
    ScriptBridge script;
    MemoryChannel channel;
    FakeClock clock;
    RecordingStatus status;
    QTimer timer;
    TimerWaits waits{timer};
    Exchange ex{state, script, channel, clock, status, &waits};
};

// Lets the event loop run (real ports move bytes) until pred holds or ms pass.
template <typename Pred> bool SpinUntil(Pred pred, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) QTest::qWait(5);
    return pred();
}

} // namespace dtu::test

#pragma once
// The one rig of the tests: doubles for the interfaces between the core and a front end, a
// working folder with the demo profile, and the simulator in each of the places a test puts it:
// straight behind an in-process channel (reply waits take no time), on a pseudo-terminal, on a
// TCP maintenance port, or in a process of its own. The window rig (windowrig.h) puts the main
// window on top of it.
#include "base/appstate.h"
#include "base/frontend.h"
#include "base/waitclock.h"
#include "link/channel.h"
#include "protocol/exchange.h"
#include "script/scriptbridge.h"
#include "sim/ptyendpoint.h"
#include "sim/simchannel.h"
#include "sim/simdevice.h"
#include "sim/tcpendpoint.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace dtu {
class Session;
}

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
    QStringList confirms;       // "caption|text"
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
    while (!pred() && t.elapsed() < ms)
        QTest::qWait(5);
    return pred();
}

// ---------------------------------------------------------------------------------------------
// The demo profile and the simulator

// The demo profile: device values, interface values and the device script.
inline const QStringList kDemoProfile{QStringLiteral("demo.txt"), QStringLiteral("interface.txt"),
                                      QStringLiteral("script.js")};

// A temporary folder that is the current directory while it lives (the window reads script.js
// and lastfile.log there and writes its configuration files back).
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool Ok() const { return ok_; }
    QString Path(const QString& name = QString()) const;
    // Copies files of the source tree's demo/ here, writable by the owner.
    bool CopyDemo(const QStringList& names = kDemoProfile);
    bool Write(const QString& name, const QByteArray& text);

private:
    QTemporaryDir dir_;
    QString previous_;
    bool ok_ = false;
};

// The demo profile's values (demo.txt, interface.txt in the current folder) into the device.
bool LoadDemoValues(sim::SimDevice& device);

// The simulator behind an in-process channel: every request is answered at once, and reply
// waits take no time (a clock that never sleeps).
struct MemoryDevice {
    sim::SimDevice device;
    sim::SimChannel channel{device};
    FakeClock clock;
    // Loads the demo values and puts the device behind the session.
    void Attach(Session& session);
};

// The simulator on a pseudo-terminal.
struct PtyDevice {
    sim::SimDevice device;
    sim::PtyEndpoint pty{device};
    // Loads the demo values and opens the pseudo-terminal.
    bool Start() { return LoadDemoValues(device) && pty.Open(); }
};

// The simulator on a TCP maintenance port of the loopback address (a free port).
struct TcpDevice {
    sim::SimDevice device;
    sim::TcpEndpoint tcp{device};
    // Loads the demo values and listens; Port() tells where.
    bool Start();
    quint16 Port() const { return tcp.Port(); }
};

// The simulator in a process of its own (DTUSIM, or the one this build made, or
// build/sim/dtusim beside the program's folder).
QString SimPath();
// Starts the simulator (pty only, quiet) and returns the pty path it prints; empty (with a
// line on stderr) when it did not start.
QString StartSim(QProcess& sim, const QStringList& extra);
// A command-line program run to its end in a folder (a minute at most): exit code (-1 when it did
// not end), its standard output as a JSON object, its standard error.
struct CliRun {
    int exitCode = -1;
    QJsonObject json;
    QByteArray err;
};
CliRun RunProgram(const QString& program, const QString& dir, const QStringList& args);
// Ends a simulator started with StartSim (SIGTERM, so it removes its link) and waits for it.
void StopSim(QProcess& sim);

// Largest gap between the ticks of the timers attached (how long a window did not respond).
struct TickWatch {
    QElapsedTimer clock;
    qint64 last = -1, worst = 0, worstAt = 0;
    int ticks = 0;
    void Attach(QTimer* t);
};

} // namespace dtu::test

#pragma once
// One request/reply exchange: build the frame, send it, wait for the reply, check it.
#include "base/appstate.h"
#include "base/frontend.h"
#include "link/channel.h"
#include "protocol/frames.h"
#include "protocol/replyend.h"
#include "base/waitclock.h"
#include "script/scriptbridge.h"

#include <QByteArray>

namespace dtu {

// One parameter row as it went to the device or came from it.
struct RowSeen {
    bool interfaceTable = false;
    QString number, name, raw, display;
};

// Told of every change sent to a device and every parameter row read from it, whichever front
// end or operation sends it: the session keeps its journal with it.
class IChangeObserver {
public:
    virtual ~IChangeObserver() = default;
    // A row written (the device's reply, a ReplyOutcome, and the tool's message for it).
    virtual void RowWritten(const RowSeen& row, int reply, const QString& message) = 0;
    // A row whose value came from the device (a read or a read-back).
    virtual void RowRead(const RowSeen& row) = 0;
    // A row written whose read-back differs (or did not come).
    virtual void RowVerifyFailed(const RowSeen& written, const QString& message) = 0;
    // A command that changes the device ("CMD_RESET", "CMD_SETDEFAULT", "SETCLOCK" with the time).
    virtual void CommandSent(const QString& word, const QString& text, int reply, const QString& message) = 0;
};

class Exchange {
public:
    // waits: told when each (outermost) reply wait begins and ends; may be null.
    Exchange(AppState& state, ScriptBridge& script, IChannel& channel, IWaitClock& clock, IStatusSink& status,
             IWaitObserver* waits)
        : state_(state), script_(script), channel_(&channel), clock_(clock), status_(status), waits_(waits) {}

    void SetChannel(IChannel& channel) { channel_ = &channel; }
    // Who is told of the changes and reads (may be null).
    void SetChangeObserver(IChangeObserver* changes) { changes_ = changes; }
    IChangeObserver* Changes() const { return changes_; }
    IChannel& Channel() const { return *channel_; }
    AppState& State() const { return state_; }
    ScriptBridge& Script() const { return script_; }
    IStatusSink& Status() const { return status_; }
    IWaitClock& Clock() const { return clock_; }
    // How replies end (default Silence: the wait described at ReceiveReply).
    void SetReplyEnd(ReplyEnd mode) { replyEnd_ = mode; }
    ReplyEnd ReplyEndMode() const { return replyEnd_; }

    // The command word a script expression such as GetCmd("CMD_RESET"); yields: its first two
    // hex digits the high byte, the next two the low byte. A script error throws OperationError.
    quint16 ScriptWord(const QString& expression);
    // Convenience for GetCmd("<name>");
    quint16 GetCmdWord(const QString& name) { return ScriptWord(QStringLiteral("GetCmd(\"%1\");").arg(name)); }

    // Evaluates PrevCmd(); for the prefix (a script error throws OperationError), builds the
    // frame and logs it at level 1. Does not send. A frame too long for its length field is
    // refused with OperationError "[<op>失败，请求帧过长...]" (op: the caller's operation name;
    // empty: the command word names it).
    QByteArray BuildRequest(quint16 command, const QByteArray& data = {}, const QString& op = {});
    // The prefix built for the last request.
    const QByteArray& RequestPrefix() const { return prefix_; }

    // Sends on the channel; throws LinkError on a port error.
    void Send(const QByteArray& frame) { channel_->Send(frame); }
    // Sends the bytes unchanged and logs them at level 1.
    void SendRaw(const QByteArray& bytes);

    // Waits up to timeout div 100 polls of 100 ms for the first bytes, then collects until
    // 41 quiet polls of 10 ms in a row. The wait observer hears of the whole wait. A collection
    // that leaves the bounds of ReplyBounds (size, no frame, a frame too slow, bytes going on
    // after a frame) ends at once and gives the empty text: to the checks, no reply.
    // With ReplyEnd::Frame the first bytes are looked for every 10 ms (timeout div 10 polls)
    // and the wait ends as soon as a whole frame is there; bytes after it go back to the
    // channel for the receive display.
    QByteArray ReceiveReply(int timeoutMs);

    ReplyOutcome CheckAckReply();
    // Signal-quality byte or negative outcome; a reply with another command word is reported
    // as "[信号读取失败，返回数据包命令字非法！]".
    int CheckSignalReply();
    QByteArray CheckPayloadReply();

    // "下行：AA 55 ..." / "上行：AA 55 ..." lines in Memo1, only at engineering level exactly 1;
    // a frame longer than a few KB shows its start and the count of the rest (FrameLogLine).
    void FrameLog(bool sent, const QByteArray& bytes);

    // How many waits are running now (nested waits count each).
    int WaitDepth() const { return waitDepth_; }

private:
    friend class WaitHold;
    // Frame end: true when r holds a whole frame; bytes after it go back to the channel.
    bool EndsWithFrame(QByteArray& r);
    AppState& state_;
    ScriptBridge& script_;
    IChannel* channel_;
    IWaitClock& clock_;
    IStatusSink& status_;
    IWaitObserver* waits_;
    IChangeObserver* changes_ = nullptr;
    QByteArray prefix_;
    int waitDepth_ = 0;
    ReplyEnd replyEnd_ = ReplyEnd::Silence;
};

// One reply wait: the outermost hold tells the wait observer that a wait begins, and that it ends
// on every path out, exceptions included; a nested wait tells it nothing.
class WaitHold {
public:
    explicit WaitHold(Exchange& ex);
    ~WaitHold();
    WaitHold(const WaitHold&) = delete;
    WaitHold& operator=(const WaitHold&) = delete;

private:
    Exchange& ex_;
};

} // namespace dtu

#include "protocol/exchange.h"

#include "base/hex.h"
#include "link/logtext.h"
#include "protocol/replybounds.h"


namespace dtu {

quint16 Exchange::ScriptWord(const QString& expression) {
    const ScriptResult r = script_.Eval(expression);
    if (!r) throw OperationError(r.error);
    const QString t = r.text;
    const int hi = HexToInt(t.mid(0, 2)) & 0xFF;
    const int lo = HexToInt(t.mid(2, 2)) & 0xFF;
    return static_cast<quint16>(hi * 256 + lo);
}

QByteArray Exchange::BuildRequest(quint16 command, const QByteArray& data, const QString& op) {
    const ScriptResult r = script_.Eval(QStringLiteral("PrevCmd();"));
    if (!r) throw OperationError(r.error);
    prefix_ = HexPairsToBytes(r.text);
    const QByteArray frame = ComposeFrame(prefix_, command, data);
    if (frame.isEmpty()) {
        // The length field would wrap: the device would take a different, shorter frame.
        const QString name = op.isEmpty() ? QStringLiteral("命令%1").arg(command, 4, 16, QLatin1Char('0')).toUpper() : op;
        throw OperationError(QStringLiteral("[%1失败，请求帧过长（%2字节，最多%3字节）！]")
                                 .arg(name)
                                 .arg(prefix_.size() + data.size() + 8)
                                 .arg(kMaxFrameSize));
    }
    FrameLog(true, frame);
    return frame;
}

void Exchange::SendRaw(const QByteArray& bytes) {
    channel_->Send(bytes);
    FrameLog(true, bytes);
}

void Exchange::FrameLog(bool sent, const QByteArray& bytes) {
    if (state_.EngineeringLevel != 1) return;
    status_.Log(FrameLogLine(sent, bytes));
}

WaitHold::WaitHold(Exchange& ex) : ex_(ex) {
    if (ex_.waitDepth_++ == 0 && ex_.waits_) ex_.waits_->WaitBegins();
}

WaitHold::~WaitHold() {
    if (--ex_.waitDepth_ == 0 && ex_.waits_) ex_.waits_->WaitEnds();
}

QByteArray Exchange::ReceiveReply(int timeoutMs) {
    WaitHold hold(*this);
    QByteArray r;
    const bool byFrame = replyEnd_ == ReplyEnd::Frame;
    const int firstPollMs = byFrame ? 10 : 100;
    const int polls = timeoutMs / firstPollMs;
    for (int i = 0; i < polls; ++i) {
        if (state_.CancelRequested) break;
        r = channel_->Read();
        if (!r.isEmpty()) break;
        clock_.Pause(firstPollMs);
    }
    if (r.isEmpty()) return r;
    ReplyBounds bounds(channel_->BitsPerSecond());
    if (!ReplyBounds::Fits({}, r)) return {};
    int quiet = 0;
    while (!state_.CancelRequested) {
        if (byFrame && EndsWithFrame(r)) break;
        clock_.Pause(10);
        if (state_.CancelRequested) break; // set while pausing: no further read
        const QByteArray more = channel_->Read();
        if (!more.isEmpty()) {
            // A bound that ends the wait drops what came: the caller sees no reply.
            if (!ReplyBounds::Fits(r, more)) return {};
            r += more;
            quiet = 0;
        } else if (++quiet > 40) {
            break;
        }
        if (!bounds.Holds(r, 10)) return {};
    }
    FrameLog(false, r);
    return r;
}

bool Exchange::EndsWithFrame(QByteArray& r) {
    const qsizetype end = CompleteFrameEnd(r);
    if (end < 0) return false;
    if (end < r.size()) {
        channel_->PutBack(r.mid(end));
        r.truncate(end);
    }
    return true;
}

ReplyOutcome Exchange::CheckAckReply() { return EvalAckReply(ReceiveReply(3000)); }

int Exchange::CheckSignalReply() {
    bool badWord = false;
    const int v = EvalSignalReply(ReceiveReply(10000), &badWord);
    if (badWord) status_.Report(QStringLiteral("[信号读取失败，返回数据包命令字非法！]"));
    return v;
}

QByteArray Exchange::CheckPayloadReply() { return EvalPayloadReply(ReceiveReply(4000)); }

} // namespace dtu

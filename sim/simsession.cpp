#include "sim/simsession.h"

#include "protocol/frames.h"
#include "base/hex.h"
#include "sim/simdevice.h"

namespace dtu::sim {

namespace {

constexpr char kHeader0 = static_cast<char>(0xAA);
constexpr int kFloodLineSize = 64;
// A flood line: six-digit line number, a blank, printable characters, CR LF.
QByteArray FloodLine(qint64 number) {
    QByteArray line = QByteArray::number(number % 1000000).rightJustified(6, '0');
    line += ' ';
    for (int i = 0; line.size() < kFloodLineSize - 2; ++i) line += static_cast<char>('!' + (number + i) % 94);
    line += "\r\n";
    return line;
}

} // namespace

SimSession::SimSession(SimDevice& device, QObject* parent) : QObject(parent), device_(device) {
    hold_.setSingleShot(true);
    connect(&hold_, &QTimer::timeout, this, &SimSession::HoldExpired);
    sendTimer_.setSingleShot(true);
    connect(&sendTimer_, &QTimer::timeout, this, &SimSession::Pump);
    floodTimer_.setInterval(kFloodTickMs);
    connect(&floodTimer_, &QTimer::timeout, this, &SimSession::FloodTick);
    connect(&device_, &SimDevice::FloodRateChanged, this, &SimSession::UpdateFlood);
}

void SimSession::Receive(const QByteArray& bytes) {
    buffer_ += bytes;
    Scan();
}

void SimSession::Reset() {
    buffer_.clear();
    hold_.stop();
    queue_.clear();
    sendTimer_.stop();
}

// Takes the first n buffered bytes as plain data.
void SimSession::Plain(qsizetype n) {
    const QByteArray bytes = buffer_.left(n);
    buffer_.remove(0, n);
    hold_.stop();
    if (device_.Echo()) {
        device_.NoteEchoed(bytes.size());
        Enqueue(bytes, 0);
    } else {
        device_.NoteDropped(bytes.size());
    }
}

void SimSession::Scan() {
    while (!buffer_.isEmpty()) {
        const qsizetype at = FindHeader(buffer_);
        if (at != 0) {
            // Plain bytes up to the next header; a last AA may begin one and waits.
            qsizetype n = at > 0 ? at : buffer_.size();
            if (at < 0 && buffer_.endsWith(kHeader0)) --n;
            if (n == 0) break;
            Plain(n);
            continue;
        }
        if (buffer_.size() < 4) break;
        const qsizetype total = ByteAt(buffer_, 2) * 256 + ByteAt(buffer_, 3) + 4;
        if (buffer_.size() < total) break;
        const QByteArray frame = buffer_.left(total);
        if (!device_.IsCommandFrame(frame)) {
            // Not a frame after all: plain bytes up to the next header inside it.
            const qsizetype next = buffer_.indexOf(QByteArrayLiteral("\xAA\x55"), 2);
            Plain(next > 0 ? next : total);
            continue;
        }
        buffer_.remove(0, total);
        hold_.stop();
        const QByteArray reply = device_.Answer(frame);
        if (reply.isEmpty()) continue;
        if (device_.SplitReplies() && reply.size() > 1) {
            const qsizetype half = reply.size() / 2;
            Enqueue(reply.left(half), device_.ReplyDelay());
            Enqueue(reply.mid(half), kSplitGapMs);
        } else {
            Enqueue(reply, device_.ReplyDelay());
        }
    }
    // What is left is the beginning of a frame: it gets the hold time from its first byte on.
    if (!buffer_.isEmpty() && !hold_.isActive()) hold_.start(device_.HoldMs());
}

void SimSession::HoldExpired() {
    if (buffer_.isEmpty()) return;
    const qsizetype next = buffer_.indexOf(QByteArrayLiteral("\xAA\x55"), 1);
    Plain(next > 0 ? next : buffer_.size());
    Scan();
}

void SimSession::Enqueue(const QByteArray& bytes, int delayMs) {
    queue_.append({bytes, delayMs});
    Pump();
}

// Sends queued output in order; an item with a delay holds back everything after it.
void SimSession::Pump() {
    while (!queue_.isEmpty() && !sendTimer_.isActive()) {
        Pending& head = queue_.first();
        if (head.delayMs > 0) {
            sendTimer_.start(head.delayMs);
            head.delayMs = 0;
            return;
        }
        const QByteArray bytes = queue_.takeFirst().bytes;
        emit Output(bytes);
    }
}

void SimSession::SetFloodActive(bool active) {
    floodActive_ = active;
    UpdateFlood();
}

void SimSession::UpdateFlood() {
    // The rate counts from now on; a change of rate does not make up for the past.
    if (floodActive_ && device_.FloodRate() > 0) {
        floodClock_.start();
        floodSent_ = 0;
        if (!floodTimer_.isActive()) floodTimer_.start();
    } else {
        floodTimer_.stop();
    }
}

void SimSession::FloodTick() {
    const qint64 due = floodClock_.elapsed() * device_.FloodRate() / 1000;
    const qint64 n = due - floodSent_;
    if (n <= 0) return;
    floodSent_ = due;
    emit Output(FloodPattern(floodOffset_, n));
    floodOffset_ += n;
}

QByteArray SimSession::FloodPattern(qint64 offset, qsizetype size) {
    QByteArray out;
    out.reserve(size);
    qint64 line = offset / kFloodLineSize;
    qsizetype from = offset % kFloodLineSize;
    while (out.size() < size) {
        const QByteArray text = FloodLine(line++);
        out += text.mid(from, size - out.size());
        from = 0;
    }
    return out;
}

} // namespace dtu::sim

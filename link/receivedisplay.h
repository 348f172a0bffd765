#pragma once
// Data that arrives outside an exchange: shown on the transparent-test page with its counters.
#include "base/appstate.h"
#include "base/gbk.h"
#include "base/frontend.h"
#include "link/channel.h"

#include <QByteArray>
#include <functional>

namespace dtu {

// The time text of the dialogue lines.
QString TimeText();

// Collects received bytes and turns them into dialogue lines.
class LineAssembler {
public:
    void Append(const QByteArray& bytes) { buffer_ += bytes; }
    // The dialogue line for the buffer: time + " 收到数据：" + hex part (when hexMode) + the bytes
    // as characters with every 00 shown as 01. Empties the buffer; returns its size in *count.
    QString Run(bool hexMode, const QString& timeText, qsizetype* count);
    const QByteArray& Buffer() const { return buffer_; }

private:
    QByteArray buffer_;
    GbkStream text_;
};

// "收：<received>字节，发:<sent>字节"
QString CounterText(qint64 received, qint64 sent);

// One tick of the receive display (Timer1). Returns false when no channel was open (the counter
// text is then not refreshed).
struct ReceiveDisplay {
    AppState& state;
    IStatusSink& status;
    LineAssembler& assembler;
    std::function<bool()> hexMode;
    std::function<QString()> timeText = TimeText;
    // Called when reading raised a port error: the serial port is closed.
    std::function<void()> onPortError;
    // The counter text for StatusBar2.
    std::function<void(const QString&)> showCounters;

    bool Tick(IChannel& channel);
};

} // namespace dtu

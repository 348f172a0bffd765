#include "link/receivedisplay.h"

#include "base/hex.h"
#include "link/logtext.h"

#include <QTime>

namespace dtu {

// A fixed 24-hour format: the same on every machine, and what the examples show.
QString TimeText() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")); }

QString LineAssembler::Run(bool hexMode, const QString& timeText, qsizetype* count) {
    QByteArray shown = buffer_;
    shown.replace('\0', '\x01');
    QString line = timeText + QStringLiteral(" 收到数据：");
    if (hexMode) line += HexRendering(buffer_);
    line += text_.Decode(shown);
    if (count) *count = buffer_.size();
    buffer_.clear();
    return line;
}

QString CounterText(qint64 received, qint64 sent) {
    return QStringLiteral("收：%1字节，发:%2字节").arg(received).arg(sent);
}

bool ReceiveDisplay::Tick(IChannel& channel) {
    if (!channel.IsOpen()) return false;
    QByteArray bytes;
    bool portError = false;
    try {
        bytes = channel.Read();
    } catch (const LinkError&) {
        portError = true;
    }
    if (!bytes.isEmpty()) {
        if (state.EngineeringLevel == 1) status.Log(FrameLogLine(false, bytes));
        assembler.Append(bytes);
        qsizetype n = 0;
        // The device's data may hold lines of any length: shown continued over lines.
        status.Transparent(BoundedLines(assembler.Run(hexMode && hexMode(), timeText(), &n)));
        state.ReceivedBytes += n;
    }
    if (portError && onPortError) onPortError();
    if (showCounters) showCounters(CounterText(state.ReceivedBytes, state.SentBytes));
    return true;
}

} // namespace dtu

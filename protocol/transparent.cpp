#include "protocol/transparent.h"

#include "base/gbk.h"
#include "base/hex.h"

namespace dtu {

QByteArray HexInputBytes(const QString& text) {
    QString t = text;
    t.remove(QLatin1Char(' '));
    return HexPairsToBytes(t);
}

QByteArray TextInputBytes(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return GbkBytes(t);
}

bool HexModeAccepts(QChar c) {
    const ushort u = c.unicode();
    return u == 8 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

QString SendLine(const QString& timeText, const QByteArray& data, bool hexMode, const QString& countText) {
    QString line = timeText + QStringLiteral(" 发送数据：");
    if (hexMode) line += HexRendering(data);
    line += GbkText(data);
    line += QLatin1Char('[') + countText + QStringLiteral("次]");
    return line;
}

int RepeatSend(Exchange& ex, const QByteArray& data, int count, const std::function<void()>& processEvents) {
    int done = 0;
    for (int i = 0; i < count; ++i) {
        if (ex.State().CancelRequested) break;
        ex.SendRaw(data);
        ex.State().SentBytes += data.size();
        ++done;
        if (processEvents) processEvents();
    }
    return done;
}

} // namespace dtu

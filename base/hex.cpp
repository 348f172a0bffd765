#include "base/hex.h"

namespace dtu {

static const char kDigits[] = "0123456789ABCDEF";

QString ByteToHex(quint8 b) {
    QString s(2, QChar('0'));
    s[0] = QChar(kDigits[b >> 4]);
    s[1] = QChar(kDigits[b & 0x0F]);
    return s;
}

QString BytesToHex(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size() * 2);
    for (char c : bytes) s += ByteToHex(static_cast<quint8>(c));
    return s;
}

int HexToInt(const QString& text) {
    // Unsigned accumulation: an over-long text wraps instead of overflowing.
    quint32 value = 0;
    for (QChar ch : text.toUpper()) {
        const ushort u = ch.unicode();
        quint32 digit = 0;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        value = value * 16 + digit;
    }
    return static_cast<int>(value);
}

QByteArray WordToBytes(quint16 word) {
    QByteArray b(2, '\0');
    b[0] = static_cast<char>(word >> 8);
    b[1] = static_cast<char>(word & 0xFF);
    return b;
}

QByteArray HexPairsToBytes(const QString& hex) {
    QByteArray out;
    const qsizetype pairs = hex.size() / 2;
    out.reserve(pairs);
    for (qsizetype i = 0; i < pairs; ++i) out.append(static_cast<char>(HexToInt(hex.mid(i * 2, 2)) & 0xFF));
    return out;
}

QString SpacedHex(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size() * 3);
    for (char c : bytes) {
        s += ByteToHex(static_cast<quint8>(c));
        s += QLatin1Char(' ');
    }
    return s;
}

QString HexRendering(const QByteArray& bytes) { return QLatin1Char('{') + SpacedHex(bytes) + QLatin1Char('}'); }

quint16 Sum16(const QByteArray& bytes, qsizetype from, qsizetype to) {
    quint16 sum = 0;
    if (from < 0) from = 0;
    if (to > bytes.size()) to = bytes.size();
    for (qsizetype i = from; i < to; ++i) sum = static_cast<quint16>(sum + static_cast<quint8>(bytes.at(i)));
    return sum;
}

} // namespace dtu

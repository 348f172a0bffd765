#include "base/hex.h"

namespace dtu {

static const char kDigits[] = "0123456789ABCDEF";

// The digit an upper-case character stands for; every other character counts as 0.
static quint32 DigitOf(char16_t u) {
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return 0;
}

// An ASCII character upper-cased (the only characters whose upper case is a hex letter are a-f).
static char16_t AsciiUpper(char16_t u) { return (u >= 'a' && u <= 'z') ? char16_t(u - 32) : u; }

static bool IsAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// Unsigned accumulation: an over-long text wraps instead of overflowing.
static quint32 HexValue(QStringView text) {
    quint32 value = 0;
    if (IsAscii(text)) {
        for (QChar ch : text) value = value * 16 + DigitOf(AsciiUpper(ch.unicode()));
        return value;
    }
    // Upper case beyond ASCII may turn one character into several (a ligature into its letters).
    for (QChar ch : text.toString().toUpper()) value = value * 16 + DigitOf(ch.unicode());
    return value;
}

// Two hex digits of a byte at out[0], out[1].
static void PutByte(QChar* out, quint8 b) {
    out[0] = QChar(kDigits[b >> 4]);
    out[1] = QChar(kDigits[b & 0x0F]);
}

QString ByteToHex(quint8 b) {
    QString s(2, Qt::Uninitialized);
    PutByte(s.data(), b);
    return s;
}

// Every byte as two hex digits, each pair followed by a blank when spaced.
static QString HexOf(const QByteArray& bytes, bool spaced) {
    const qsizetype step = spaced ? 3 : 2;
    QString s(bytes.size() * step, Qt::Uninitialized);
    QChar* out = s.data();
    for (char c : bytes) {
        PutByte(out, static_cast<quint8>(c));
        if (spaced) out[2] = QLatin1Char(' ');
        out += step;
    }
    return s;
}

QString BytesToHex(const QByteArray& bytes) { return HexOf(bytes, false); }

int HexToInt(const QString& text) { return static_cast<int>(HexValue(text)); }

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
    const QStringView view(hex);
    for (qsizetype i = 0; i < pairs; ++i) out.append(static_cast<char>(HexValue(view.mid(i * 2, 2)) & 0xFF));
    return out;
}

QString SpacedHex(const QByteArray& bytes) { return HexOf(bytes, true); }

QString HexRendering(const QByteArray& bytes) { return QLatin1Char('{') + SpacedHex(bytes) + QLatin1Char('}'); }

quint16 Sum16(const QByteArray& bytes, qsizetype from, qsizetype to) {
    quint16 sum = 0;
    if (from < 0) from = 0;
    if (to > bytes.size()) to = bytes.size();
    for (qsizetype i = from; i < to; ++i) sum = static_cast<quint16>(sum + static_cast<quint8>(bytes.at(i)));
    return sum;
}

} // namespace dtu

#pragma once
// Byte texts and their hex form. Frames, payloads and received data are QByteArrays
// (any byte value, length kept by the array); hex text is upper-case digit pairs.
#include <QByteArray>
#include <QString>

namespace dtu {

// Two upper-case hex digits of one byte.
QString ByteToHex(quint8 b);
// Hex text of all bytes, no separators: "AA55...".
QString BytesToHex(const QByteArray& bytes);
// Upper-cases the text, takes a blank as the digit 0 and accumulates value*16+digit.
// Characters that are not hex digits count as 0. The empty text gives 0.
int HexToInt(const QString& text);
// Two bytes, high byte first.
QByteArray WordToBytes(quint16 word);
// Hex digits two at a time from the left, each pair one byte; an odd last digit is ignored.
QByteArray HexPairsToBytes(const QString& hex);
// Every byte as two hex digits followed by one blank: "AA 55 00 04 ".
QString SpacedHex(const QByteArray& bytes);
// "{41 42 }": the hex rendering used in the transparent-test dialogue lines.
QString HexRendering(const QByteArray& bytes);
// 16-bit wrapping sum of bytes[from, to) (bounded by the array).
quint16 Sum16(const QByteArray& bytes, qsizetype from, qsizetype to);
// Byte at i as 0..255.
inline int ByteAt(const QByteArray& b, qsizetype i) { return static_cast<quint8>(b.at(i)); }

} // namespace dtu

#pragma once
// Request frames and the pure checks of reply frames.
//
//   AA 55 | length(2) | prefix(P) | command(2) | data(D) | checksum(2)
//
// length = 4 + P + D counts the bytes from the length field through the last data byte;
// the checksum is the 16-bit wrapping sum of exactly those bytes. All numbers high byte first.
#include <QByteArray>
#include <QString>

namespace dtu {

enum ReplyOutcome : int {
    ReplyOk = 0,
    ReplyRefused = -1,
    ReplyNone = -2,
    ReplyIllegal = -3,
    ReplyChecksumError = -4,
};

// Failures of a reply that carries parameter data.
enum class DataFailure { None, NoResponse, BadHeader, BadCommandWord, BadChecksum };

// The largest frame the 16-bit length field can describe: length FFFF plus header and checksum.
inline constexpr qsizetype kMaxFrameSize = 0xFFFF + 4;

// The complete frame for a prefix, command word and data; the empty array when the frame would
// be longer than kMaxFrameSize (its length field cannot hold it).
QByteArray ComposeFrame(const QByteArray& prefix, quint16 command, const QByteArray& data);

// The frame that begins at the first AA 55 at or after `from`: where it starts (-1: no header
// yet), how many bytes it has by its length field (length + 4; 0 while the length field has not
// arrived) and whether all of them are there.
struct FrameSpan {
    qsizetype start = -1;
    qsizetype size = 0;
    bool complete = false;
    // Index just past the frame's last byte (valid when size > 0).
    qsizetype End() const { return start + size; }
};
FrameSpan FirstFrame(const QByteArray& r, qsizetype from = 0);

// Index of the first AA 55 in r, or -1.
qsizetype FindHeader(const QByteArray& r);
bool BeginsWithHeader(const QByteArray& r);

// Checks the stored checksum against the length field: the sum of bytes 2 .. L+1 against the
// word at L+2. A frame shorter than its length field claims fails without reading past its end.
bool LengthChecksumOk(const QByteArray& r);

// Accept/refuse reply: leading bytes before the first AA 55 are skipped.
// A well-formed length-4 reply with a command word other than 00F0/00F1 is ReplyIllegal:
// it is not a reply the device defines, and it must never count as success.
ReplyOutcome EvalAckReply(QByteArray r);

// Signal-quality reply (command word E023, exactly 9 bytes): no leading-byte skip.
// Returns the quality byte 0..255 or a negative ReplyOutcome. badCommandWord is set when
// the reply carried another command word (the caller reports that; the result is then ReplyIllegal).
int EvalSignalReply(const QByteArray& r, bool* badCommandWord = nullptr);

// Payload reply: the L-4 bytes after the command word when r begins with AA 55 and its
// checksum matches; the empty text in every other case (no leading-byte skip).
QByteArray EvalPayloadReply(const QByteArray& r);

// Status lines built from an operation name X: [X成功], [X失败], [X失败，设备无响应！], ...
QString OutcomeMessage(const QString& op, int outcome);
QString DataFailureMessage(const QString& op, DataFailure failure);

} // namespace dtu

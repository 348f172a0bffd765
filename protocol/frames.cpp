#include "protocol/frames.h"

#include "base/hex.h"

namespace dtu {

QByteArray ComposeFrame(const QByteArray& prefix, quint16 command, const QByteArray& data) {
    const qsizetype length = data.size() + prefix.size() + 4;
    if (length + 4 > kMaxFrameSize) return {};
    QByteArray f;
    f.reserve(length + 4);
    f.append(static_cast<char>(0xAA));
    f.append(static_cast<char>(0x55));
    f.append(static_cast<char>((length / 256) & 0xFF));
    f.append(static_cast<char>(length % 256));
    f.append(prefix);
    f.append(WordToBytes(command));
    f.append(data);
    f.append(WordToBytes(Sum16(f, 2, f.size())));
    return f;
}

qsizetype FindHeader(const QByteArray& r) { return r.indexOf(QByteArrayLiteral("\xAA\x55")); }

FrameSpan FirstFrame(const QByteArray& r, qsizetype from) {
    FrameSpan s;
    s.start = r.indexOf(QByteArrayLiteral("\xAA\x55"), qMax<qsizetype>(from, 0));
    if (s.start < 0 || r.size() - s.start < 4) return s;
    s.size = ByteAt(r, s.start + 2) * 256 + ByteAt(r, s.start + 3) + 4;
    s.complete = r.size() - s.start >= s.size;
    return s;
}

bool BeginsWithHeader(const QByteArray& r) { return r.startsWith(QByteArrayLiteral("\xAA\x55")); }

bool LengthChecksumOk(const QByteArray& r) {
    if (r.size() < 4) return false;
    const qsizetype L = ByteAt(r, 2) * 256 + ByteAt(r, 3);
    if (r.size() < L + 4) return false; // the length field claims more than arrived
    const quint16 stored = static_cast<quint16>(ByteAt(r, L + 2) * 256 + ByteAt(r, L + 3));
    return Sum16(r, 2, L + 2) == stored;
}

ReplyOutcome EvalAckReply(QByteArray r) {
    if (r.isEmpty()) return ReplyNone;
    const qsizetype at = FindHeader(r);
    if (at > 0) r.remove(0, at);
    if (!BeginsWithHeader(r)) return ReplyIllegal;
    if (!LengthChecksumOk(r)) return ReplyChecksumError;
    const int L = ByteAt(r, 2) * 256 + ByteAt(r, 3);
    if (L != 4) return ReplyNone;
    const int word = ByteAt(r, 4) * 256 + ByteAt(r, 5);
    if (word == 0x00F0) return ReplyOk;
    if (word == 0x00F1) return ReplyRefused;
    return ReplyIllegal;
}

int EvalSignalReply(const QByteArray& r, bool* badCommandWord) {
    if (badCommandWord) *badCommandWord = false;
    if (r.isEmpty()) return ReplyNone;
    if (!BeginsWithHeader(r)) return ReplyIllegal;
    if (r.size() < 6 || ByteAt(r, 4) != 0xE0 || ByteAt(r, 5) != 0x23) {
        if (badCommandWord) *badCommandWord = true;
        return ReplyIllegal;
    }
    if (!LengthChecksumOk(r)) return ReplyChecksumError;
    // Exactly one quality byte: nine bytes whose length field says 5 (a shorter frame followed
    // by a stray byte must not hand out its checksum as the quality).
    if (r.size() != 9 || ByteAt(r, 2) != 0 || ByteAt(r, 3) != 5) return ReplyNone;
    return ByteAt(r, 6);
}

QByteArray EvalPayloadReply(const QByteArray& r) {
    if (r.isEmpty() || !BeginsWithHeader(r) || !LengthChecksumOk(r)) return {};
    const int L = ByteAt(r, 2) * 256 + ByteAt(r, 3);
    if (L <= 4) return {};
    return r.mid(6, L - 4);
}

QString OutcomeMessage(const QString& op, int outcome) {
    switch (outcome) {
    case ReplyOk: return QStringLiteral("[%1成功]").arg(op);
    case ReplyRefused: return QStringLiteral("[%1失败]").arg(op);
    case ReplyNone: return QStringLiteral("[%1失败，设备无响应！]").arg(op);
    case ReplyIllegal: return QStringLiteral("[%1失败，非法的返回串！]").arg(op);
    case ReplyChecksumError: return QStringLiteral("[%1失败，返回帧校验错误！]").arg(op);
    default: return QStringLiteral("[%1失败]").arg(op);
    }
}

QString DataFailureMessage(const QString& op, DataFailure failure) {
    switch (failure) {
    case DataFailure::None: return QStringLiteral("[%1成功]").arg(op);
    case DataFailure::NoResponse: return QStringLiteral("[%1失败，设备无响应！]").arg(op);
    case DataFailure::BadHeader: return QStringLiteral("[%1失败，返回数据包头非法！]").arg(op);
    case DataFailure::BadCommandWord: return QStringLiteral("[%1失败，返回数据包命令字非法！]").arg(op);
    case DataFailure::BadChecksum: return QStringLiteral("[%1失败，返回数据包校验错！]").arg(op);
    }
    return {};
}

} // namespace dtu

#include "protocol/replyend.h"

#include "protocol/frames.h"

namespace dtu {

qsizetype CompleteFrameEnd(const QByteArray& r) {
    const qsizetype at = FindHeader(r);
    if (at < 0 || r.size() - at < 4) return -1;
    const qsizetype length = static_cast<quint8>(r.at(at + 2)) * 256 + static_cast<quint8>(r.at(at + 3));
    if (length < 4) return -1;
    const qsizetype end = at + length + 4;
    return end <= r.size() ? end : -1;
}

ReplyEnd ParseReplyEnd(const QString& text) {
    return text.trimmed().compare(QLatin1String("frame"), Qt::CaseInsensitive) == 0 ? ReplyEnd::Frame
                                                                                     : ReplyEnd::Silence;
}

QString ReplyEndName(ReplyEnd mode) {
    return mode == ReplyEnd::Frame ? QStringLiteral("frame") : QStringLiteral("silence");
}

} // namespace dtu

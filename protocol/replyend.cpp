#include "protocol/replyend.h"

#include "protocol/frames.h"

namespace dtu {

qsizetype CompleteFrameEnd(const QByteArray& r) {
    const FrameSpan frame = FirstFrame(r);
    // A length field below 4 is not believed: no frame is that short.
    if (frame.size < 8 || !frame.complete) return -1;
    return frame.End();
}

ReplyEnd ParseReplyEnd(const QString& text) {
    return text.trimmed().compare(QLatin1String("frame"), Qt::CaseInsensitive) == 0 ? ReplyEnd::Frame
                                                                                     : ReplyEnd::Silence;
}

QString ReplyEndName(ReplyEnd mode) {
    return mode == ReplyEnd::Frame ? QStringLiteral("frame") : QStringLiteral("silence");
}

} // namespace dtu

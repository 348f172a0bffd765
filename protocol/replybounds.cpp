#include "protocol/replybounds.h"

namespace dtu {

bool ReplyBounds::Holds(const QByteArray& r, int ms) {
    elapsedMs_ += ms;
    if (r.size() > kMaxReplyBytes) return false;
    if (span_.size == 0) {
        // Only the bytes that came since the last look are searched (one back: a header split
        // between two reads).
        span_ = FirstFrame(r, span_.start >= 0 ? span_.start : qMax<qsizetype>(scanned_ - 1, 0));
        scanned_ = r.size();
    } else {
        span_.complete = r.size() >= span_.End();
    }
    if (span_.size == 0) return elapsedMs_ <= kNoFrameMs;
    if (headerAtMs_ < 0) headerAtMs_ = elapsedMs_;
    if (span_.complete) {
        if (completeAtMs_ < 0) completeAtMs_ = elapsedMs_;
        return elapsedMs_ - completeAtMs_ <= kAfterFrameMs;
    }
    // Ten bits a byte on the line (start and stop bits); half that rate is the least accepted.
    const qint64 frameBytes = r.size() - span_.start;
    const qint64 dueMs = elapsedMs_ - headerAtMs_ - kFrameGraceMs;
    return dueMs <= 0 || frameBytes * 20000 >= dueMs * bps_;
}

} // namespace dtu

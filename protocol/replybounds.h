#pragma once
// Limits on collecting one reply. A device that drips or streams without ever forming a frame
// would otherwise keep the wait going (and the reply growing) for as long as it sends. Checked
// after every collecting poll; a reply that stays inside them is collected exactly as before.
//
// - size: never more than kMaxReplyBytes in all;
// - no frame: while no AA 55 with its length field has arrived, collecting lasts at most
//   kNoFrameMs;
// - frame under way: the frame from the first AA 55 must keep arriving at no less than half the
//   line rate (after a grace of kFrameGraceMs), so a long frame at the port's speed is never cut;
// - frame complete: bytes after it may keep the wait alive for kAfterFrameMs at most.
#include "protocol/frames.h"

#include <QByteArray>

namespace dtu {

class ReplyBounds {
public:
    static constexpr qsizetype kMaxReplyBytes = qsizetype(1) << 20;
    static constexpr int kNoFrameMs = 30000;
    static constexpr int kFrameGraceMs = 1000;
    static constexpr int kAfterFrameMs = 1000;
    // The rate assumed when the link has none (TCP).
    static constexpr int kDefaultBitsPerSecond = 9600;

    explicit ReplyBounds(int bitsPerSecond) : bps_(bitsPerSecond > 0 ? bitsPerSecond : kDefaultBitsPerSecond) {}

    // Whether `more` may still be added to the collected bytes r.
    static bool Fits(const QByteArray& r, const QByteArray& more) { return r.size() + more.size() <= kMaxReplyBytes; }
    // Called once per collecting poll of ms milliseconds, after that poll's bytes were added;
    // false when the collection has to end as a failure.
    bool Holds(const QByteArray& r, int ms);

    // The frame from the first AA 55, as far as it is known.
    const FrameSpan& Frame() const { return span_; }

private:
    int bps_;
    qint64 elapsedMs_ = 0;
    qint64 headerAtMs_ = -1;
    qint64 completeAtMs_ = -1;
    qsizetype scanned_ = 0;
    FrameSpan span_;
};

} // namespace dtu

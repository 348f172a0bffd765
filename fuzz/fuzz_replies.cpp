// The reply checks on arbitrary received bytes: no crash, no read past the end, and the results
// stay consistent with the frame they were given.
#include "fuzz/fuzzsupport.h"
#include "params/reader.h"
#include "protocol/frames.h"
#include "base/hex.h"
#include "protocol/replybounds.h"

#include <cstdio>
#include <cstdlib>

using namespace dtu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray r = fuzz::Bytes(data, size);

    const ReplyOutcome ack = EvalAckReply(r);
    FUZZ_CHECK(ack <= ReplyOk && ack >= ReplyChecksumError);
    if (ack == ReplyOk || ack == ReplyRefused) FUZZ_CHECK(r.contains(QByteArrayLiteral("\xAA\x55\x00\x04\x00")));

    bool badWord = false;
    const int signal = EvalSignalReply(r, &badWord);
    FUZZ_CHECK(signal >= ReplyChecksumError && signal <= 255);
    if (signal >= 0) FUZZ_CHECK(r.size() == 9 && ByteAt(r, 6) == signal);

    const QByteArray payload = EvalPayloadReply(r);
    if (!payload.isEmpty()) {
        FUZZ_CHECK(LengthChecksumOk(r));
        FUZZ_CHECK(r.mid(6, payload.size()) == payload);
    }

    // The parameter reply check, with a prefix size and expected byte taken from the input.
    const int expected = size > 0 ? data[0] : 0xF1;
    const qsizetype prefix = size > 1 ? data[1] % 8 : 0;
    QByteArray items;
    const DataFailure f = CheckParamReply(r, expected, prefix, &items);
    if (f == DataFailure::None) FUZZ_CHECK(items.size() <= r.size());
    qsizetype walked = 0;
    WalkPayload(items, [&](quint16, const QByteArray& value) {
        walked += value.size();
        FUZZ_CHECK(value.size() <= items.size());
        return true;
    });

    // The first frame's extent, from every start, against what a whole frame is.
    for (qsizetype from = 0; from <= qMin<qsizetype>(r.size(), 8); ++from) {
        const FrameSpan s = FirstFrame(r, from);
        if (s.start < 0) continue;
        FUZZ_CHECK(s.start >= from && ByteAt(r, s.start) == 0xAA && ByteAt(r, s.start + 1) == 0x55);
        if (s.size > 0) FUZZ_CHECK(s.size >= 4 && s.size <= kMaxFrameSize);
        if (s.complete) FUZZ_CHECK(s.End() <= r.size());
    }

    // The wait's bounds, fed the input a few bytes a poll: the frame it finds is the one
    // FirstFrame finds in the whole input once it is complete.
    ReplyBounds bounds(size > 2 ? data[2] * 300 : 0);
    QByteArray got;
    for (qsizetype at = 0; at < r.size(); at += 3) {
        got += r.mid(at, 3);
        if (!bounds.Holds(got, 10)) break;
    }
    if (bounds.Frame().complete) {
        const FrameSpan whole = FirstFrame(r);
        FUZZ_CHECK(whole.start == bounds.Frame().start && whole.size == bounds.Frame().size);
    }
    return 0;
}

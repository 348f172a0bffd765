#include "link/logtext.h"

#include "base/hex.h"

namespace dtu {

QString FrameLogLine(bool sent, const QByteArray& bytes) {
    const QString head = sent ? QStringLiteral("下行：") : QStringLiteral("上行：");
    if (bytes.size() <= kLogFrameBytes) return head + SpacedHex(bytes);
    return head + SpacedHex(bytes.first(kLogFrameBytes)) +
           QStringLiteral("…(+%1字节)").arg(bytes.size() - kLogFrameBytes);
}

namespace {

bool IsBreak(QChar c) { return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator; }

bool HasLongLine(const QString& text, qsizetype maxChars) {
    qsizetype run = 0;
    for (const QChar c : text) {
        if (IsBreak(c)) run = 0;
        else if (++run > maxChars) return true;
    }
    return false;
}

} // namespace

QString BoundedLines(const QString& text, qsizetype maxChars) {
    if (maxChars < 2 || !HasLongLine(text, maxChars)) return text;
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    QString out;
    out.reserve(n + n / (maxChars / 2) + 1);
    qsizetype from = 0; // start of the current line piece
    qsizetype i = 0;
    while (i < n) {
        if (IsBreak(p[i])) {
            ++i;
            out.append(p + from, i - from);
            from = i;
            continue;
        }
        if (i - from < maxChars) {
            ++i;
            continue;
        }
        // p[from, i) is a full piece and p[i] would make it too long.
        qsizetype cut = i;
        for (qsizetype j = i; j > from + maxChars / 2; --j) {
            if (p[j - 1] == u' ') {
                cut = j;
                break;
            }
        }
        if (cut == i && p[cut - 1].isHighSurrogate() && p[cut].isLowSurrogate()) --cut;
        out.append(p + from, cut - from);
        out.append(u'\n');
        from = cut;
        i = cut;
    }
    out.append(p + from, n - from);
    return out;
}

} // namespace dtu

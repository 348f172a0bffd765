#pragma once
// Texts for the log and dialogue boxes when data arrives faster than anyone can read it: a
// frame's hex line that stops after a few KB, and long texts continued on lines of bounded
// length so that a box's line limit also bounds its size in characters.
#include <QByteArray>
#include <QString>

namespace dtu {

// Bytes of one frame written out in hex in the frame log; the rest is only counted.
inline constexpr qsizetype kLogFrameBytes = 4096;
// The longest line a text box is given; a longer text goes on in continuation lines.
inline constexpr qsizetype kMaxBoxLineChars = 128;

// "下行：" (sent) or "上行：" (received), then the bytes as "AA 55 " pairs: all of them for a
// frame of up to kLogFrameBytes, else the first kLogFrameBytes and "…(+N字节)" with N the rest.
QString FrameLogLine(bool sent, const QByteArray& bytes);

// The text with a line break added wherever a line (the run between LF, CR or U+2029) would
// grow longer than maxChars: after the last blank in the second half of the piece, else at
// maxChars, never between the halves of a surrogate pair. No character is changed or
// dropped; a text without over-long lines comes back as it is.
QString BoundedLines(const QString& text, qsizetype maxChars = kMaxBoxLineChars);

} // namespace dtu

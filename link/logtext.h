#pragma once
// Texts for the log and dialogue boxes when data arrives faster than anyone can read it: a
// frame's hex line that stops after a few KB, received data continued on lines of bounded
// length, and the characters a box holds at most whatever its lines.
#include <QByteArray>
#include <QString>

namespace dtu {

// Bytes of one frame written out in hex in the frame log; the rest is only counted.
inline constexpr qsizetype kLogFrameBytes = 4096;
// The longest line of received data in the receive display; longer data goes on in
// continuation lines. The tool's own messages and frame lines stay one line however long.
inline constexpr qsizetype kMaxBoxLineChars = 128;
// The characters a text box holds at most (besides its line limit): about 160 frame lines of
// 4 KB, 4 MB of text.
inline constexpr qsizetype kMaxBoxChars = 2'000'000;

// "下行：" (sent) or "上行：" (received), then the bytes as "AA 55 " pairs: all of them for a
// frame of up to kLogFrameBytes, else the first kLogFrameBytes and "…(+N字节)" with N the rest.
QString FrameLogLine(bool sent, const QByteArray& bytes);

// The text with a line break added wherever a line (the run between LF, CR or U+2029) would
// grow longer than maxChars: after the last blank in the second half of the piece, else at
// maxChars, never between the halves of a surrogate pair. No character is changed or
// dropped; a text without over-long lines comes back as it is.
QString BoundedLines(const QString& text, qsizetype maxChars = kMaxBoxLineChars);

} // namespace dtu

#pragma once
// How a reply wait decides that the reply is over.
//
// Silence: 41 quiet polls of 10 ms after the last byte (every device answers within that).
// Frame:   as soon as the bytes from the first AA 55 form a whole frame (length field + 4
//          bytes); when they never do, the quiet polls end it as with Silence. First bytes are
//          looked for every 10 ms instead of every 100 ms, within the same total time.
#include <QByteArray>
#include <QString>

namespace dtu {

enum class ReplyEnd { Silence, Frame };

// The index just past the frame that begins at the first AA 55 of r, when all its bytes are
// there; -1 while they are not, when there is no header, or when the length field is below 4
// (no frame is that short: such a field is not believed and the wait ends by silence).
qsizetype CompleteFrameEnd(const QByteArray& r);

// "frame" (any letter case, blanks around ignored) is Frame; everything else, the empty text
// included, is Silence.
ReplyEnd ParseReplyEnd(const QString& text);
QString ReplyEndName(ReplyEnd mode);

} // namespace dtu

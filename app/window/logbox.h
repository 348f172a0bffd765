#pragma once
// Appending to a read-only log box (QPlainTextEdit with a line limit) at a cost that follows
// what arrives, not what the box already holds.
#include "link/logtext.h"

#include <QString>

class QPlainTextEdit;

namespace dtu {

// Adds text as a new line, as it is (a long line stays one line). The oldest lines drop out at
// the top before the text goes in, without laying them out, while the box would hold more lines
// than its limit or more than maxChars characters; of a text longer than that by itself only
// its last lines are kept (of one such line its first maxChars characters). A view scrolled
// up stays on the lines it shows, one at the bottom follows the end.
void AppendToLogBox(QPlainTextEdit* box, const QString& text, qsizetype maxChars = kMaxBoxChars);

} // namespace dtu

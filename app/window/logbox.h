#pragma once
// Appending to a read-only log box (QPlainTextEdit with a line limit) at a cost that follows
// what arrives, not what the box already holds.
#include <QString>

class QPlainTextEdit;

namespace dtu {

// Adds text as a new line (continued on further lines where it is long, see BoundedLines).
// Lines beyond the box's limit drop out at the top before the text goes in, without laying
// them out; a view scrolled up stays on the lines it shows, one at the bottom follows the end.
void AppendToLogBox(QPlainTextEdit* box, const QString& text);

} // namespace dtu

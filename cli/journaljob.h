#pragma once
// What a device's run adds for the journal of changes: the journal its session records in,
// apply --backup, undo, and the journal's answer in the report.
#include "cli/options.h"
#include "session/session.h"

#include <QJsonObject>

namespace dtu::cli {

// The journal ($DTUCFG_JOURNAL_DIR, or the user's data folder) for a session of the command line.
void UseJournal(Session& session);

// apply: with --backup DIR the device's values are read and saved as a configuration in DIR
// first (the file in the report's "backup"; nothing is written when that fails), then the apply.
// undo: the target's last change (or --operation) from the journal ("undone"; the rows whose
// value before is unknown in "unknown"), under its configuration unless --config is given (the
// target opened again with it), the values now read, the values before written back and read back.
ApplyResult ApplyOrUndo(Session& session, const Options& o, const Target& t, const ApplyOptions& options,
                        QJsonObject& report);

// The change's journal operation ("journal"), or why it is not recorded ("journalError", said
// once on stderr as well).
void NoteJournal(QJsonObject& report, const QString& device, const QString& operation, const QString& notRecorded);

} // namespace dtu::cli

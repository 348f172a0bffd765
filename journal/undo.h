#pragma once
// Undoing an operation from the journal: the rows to write back, each into its own table, with
// the raw value read before the operation; rows whose value before is unknown are listed apart
// and left alone.
#include "journal/journal.h"

namespace dtu {

struct UndoRow {
    JournalTable table = JournalTable::Main;
    QString number, name;
    JournalValue before;  // what to write back (unknown rows: empty)
    JournalValue written; // what the operation wrote
};

struct UndoPlan {
    QString error; // why there is nothing to undo (no operation, another target, a device command)
    // The operation undone, its target, kind, time and device identity then.
    QString operation, target, version, identityRow, identity;
    QString config; // the configuration the operation was made with

    JournalKind kind = JournalKind::Write;
    QDateTime time;
    QList<UndoRow> restore; // rows with a known value before, in the order they were written
    QList<UndoRow> unknown; // rows changed (or maybe changed) whose value before is unknown
    bool CanUndo() const { return error.isEmpty() && !restore.isEmpty(); }
};

// The plan for `target`'s last operation that changed parameters (a write, an apply, an undo;
// resets and clock settings are passed over, factory defaults cannot be undone), or for the
// operation `operationId` (which must have been on `target` when a target is given).
// `newestFirst`: journal records as Journal::Read gives them. A row the device refused is
// unchanged and not in the plan; a row without an answer or that failed verification is.
UndoPlan PlanUndo(const QList<JournalRecord>& newestFirst, const QString& target, const QString& operationId = {});
// The same, reading the journal; read warnings are added to `warnings` when given.
UndoPlan PlanUndo(const Journal& journal, const QString& target, const QString& operationId = {},
                  QStringList* warnings = nullptr);

} // namespace dtu

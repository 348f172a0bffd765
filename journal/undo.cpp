#include "journal/undo.h"

#include <algorithm>

namespace dtu {

namespace {

bool ChangesParameters(JournalKind k) {
    return k == JournalKind::Write || k == JournalKind::Apply || k == JournalKind::Undo;
}

// The operation to undo: the newest record of the named operation, or of the target's last
// operation that touched parameters. Null with the reason when there is none.
const JournalRecord* FindOperation(const QList<JournalRecord>& newestFirst, const QString& target,
                                   const QString& operationId, QString* error) {
    for (const JournalRecord& r : newestFirst) {
        if (!operationId.isEmpty()) {
            if (r.operation != operationId) continue;
            if (!target.isEmpty() && r.target != target) {
                *error = QStringLiteral("operation %1 was on %2, not on %3").arg(operationId, r.target, target);
                return nullptr;
            }
        } else if (r.target != target || r.kind == JournalKind::Reset || r.kind == JournalKind::Clock) {
            continue;
        }
        if (!ChangesParameters(r.kind)) {
            *error = r.kind == JournalKind::Defaults
                         ? QStringLiteral("operation %1 restored the factory defaults; it cannot be undone").arg(r.operation)
                         : QStringLiteral("operation %1 (%2) was a device command; it cannot be undone").arg(r.operation, KindText(r.kind));
            return nullptr;
        }
        return &r;
    }
    *error = operationId.isEmpty() ? QStringLiteral("the journal holds no change to %1").arg(target)
                                   : QStringLiteral("the journal holds no operation %1").arg(operationId);
    return nullptr;
}

} // namespace

UndoPlan PlanUndo(const QList<JournalRecord>& newestFirst, const QString& target, const QString& operationId) {
    UndoPlan plan;
    const JournalRecord* last = FindOperation(newestFirst, target, operationId, &plan.error);
    if (!last) return plan;
    plan.operation = last->operation;
    plan.target = last->target;
    plan.kind = last->kind;
    plan.time = last->time;
    plan.config = last->config;
    // Each row once, in the order written: the value before the operation is the first known one;
    // the row needs restoring when any of its records is not a refusal.
    struct Entry {
        UndoRow row;
        bool known = false, changed = false;
    };
    QList<Entry> rows;
    for (auto it = newestFirst.crbegin(); it != newestFirst.crend(); ++it) {
        const JournalRecord& r = *it;
        if (r.operation != plan.operation || r.table == JournalTable::None) continue;
        if (plan.version.isEmpty()) plan.version = r.version;
        if (plan.identity.isEmpty()) {
            plan.identityRow = r.identityRow;
            plan.identity = r.identity;
        }
        auto e = std::find_if(rows.begin(), rows.end(),
                              [&](const Entry& x) { return x.row.table == r.table && x.row.number == r.number; });
        if (e == rows.end()) {
            rows.append({UndoRow{r.table, r.number, r.name, {}, r.written}});
            e = rows.end() - 1;
        }
        if (r.before && !e->known) {
            e->row.before = *r.before;
            e->known = true;
        }
        e->changed = e->changed || r.outcome != JournalOutcome::Refused;
        if (r.outcome != JournalOutcome::Refused) e->row.written = r.written;
    }
    for (const Entry& e : rows) {
        if (!e.changed) continue;
        (e.known ? plan.restore : plan.unknown).append(e.row);
    }
    if (plan.restore.isEmpty())
        plan.error = plan.unknown.isEmpty() ? QStringLiteral("operation %1 changed no row").arg(plan.operation)
                                            : QStringLiteral("operation %1: no value before it is known").arg(plan.operation);
    return plan;
}

UndoPlan PlanUndo(const Journal& journal, const QString& target, const QString& operationId, QStringList* warnings) {
    JournalFilter filter;
    filter.target = operationId.isEmpty() ? target : QString();
    filter.operation = operationId;
    const JournalRead read = journal.Read(filter);
    if (warnings) *warnings += read.warnings;
    return PlanUndo(read.records, target, operationId);
}

} // namespace dtu

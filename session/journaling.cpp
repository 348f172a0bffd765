// The session's target as the journal names it, and the undo that writes the values an
// operation replaced back.
#include "session/session.h"

#include "params/hookoperation.h"
#include "params/rows.h"
#include "params/verify.h"

namespace dtu {

QString Session::TargetName() {
    if (!targetName_.isEmpty()) return targetName_;
    if (tcp_.IsConnected()) return QStringLiteral("%1:%2").arg(tcp_.Socket().peerName()).arg(tcp_.Socket().peerPort());
    if (serial_.IsOpen()) return serial_.Port().portName();
    return target_;
}

void Session::ForgetDevice() {
    lastRead_[0].clear();
    lastRead_[1].clear();
    journal_.Forget();
}

ApplyResult Session::Undo(const UndoPlan& plan, bool verify) {
    ApplyResult result;
    const HookOperation hooks(script_, &status_);
    // Every row must be in the configuration before any is touched.
    QList<std::pair<ParamTable*, int>> rows;
    for (const UndoRow& u : plan.restore) {
        const bool iface = u.table == JournalTable::Interface;
        ParamTable* t = iface ? &interfaceTable_ : &mainTable_;
        const int row = iface && !state_.InterfacePagePresent ? -1 : FindRow(*t, u.number);
        if (row < 0 || !IsDeviceParameter(u.number)) {
            result.failure = {Failure::Kind::ConfigError,
                              QStringLiteral("%1 %2: no such row in the configuration").arg(TableText(u.table), u.number)};
            return result;
        }
        rows.append({t, row});
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const auto [t, row] = rows.at(i);
        t->SetField(row, FieldRaw, plan.restore.at(i).before.raw);
        t->SetField(row, FieldDisplay, plan.restore.at(i).before.display);
    }
    journal_.Begin(JournalKind::Undo);
    WriteRows(result, rows);
    if (!result.failure.Failed() && !result.stopped && verify && !result.written.isEmpty()) {
        const Failure f = Guarded([&] {
            for (ParamTable* t : Tables()) {
                QList<WrittenValue> written;
                for (const RowWrite& w : result.written)
                    if (w.row.interfaceTable == t->IsInterface())
                        written.append({w.row.number, w.row.name, w.row.raw, w.row.display});
                if (written.isEmpty()) continue;
                Select(t);
                QList<VerifyMismatch> bad;
                QList<WrittenValue> returned;
                VerifyWritten(exchange_, *t, written, &bad, &returned);
                for (const WrittenValue& r : returned) RememberRead(*t, FindRow(*t, r.number));
                for (const WrittenValue& w : written) {
                    const auto m = std::find_if(bad.begin(), bad.end(),
                                                [&](const VerifyMismatch& x) { return x.written.number == w.number; });
                    const RowValue v{t->IsInterface(), w.number, w.name, w.raw, w.display};
                    if (m == bad.end()) result.verified.append(v);
                    else result.mismatches.append({v, {t->IsInterface(), w.number, w.name, m->readRaw, m->readDisplay}, m->returned, m->message});
                }
            }
            return Failure{};
        });
        if (f.Failed()) result.failure = f;
        else ReportVerification(status_, static_cast<int>(result.mismatches.size()));
    }
    journal_.End(&result.operation, &result.notRecorded);
    if (!result.failure.Failed() && !result.refused.isEmpty())
        result.failure = {Failure::Kind::Refused, result.refused.first().message};
    else if (!result.failure.Failed() && !result.mismatches.isEmpty())
        result.failure = {Failure::Kind::VerifyFailed, result.mismatches.first().message};
    return result;
}

} // namespace dtu

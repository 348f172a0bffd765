// The session's journal: one operation's records for every change made to the device, and the
// undo that writes an operation's values before it back.
#include "session/session.h"

#include "params/hookoperation.h"
#include "params/rows.h"
#include "params/verify.h"

#include <QFileInfo>

namespace dtu {

namespace {

JournalOutcome OutcomeOfReply(int reply) {
    if (reply == ReplyOk) return JournalOutcome::Done;
    return reply == ReplyNone ? JournalOutcome::NoAnswer : JournalOutcome::Refused;
}

JournalTable TableOf(bool interfaceTable) { return interfaceTable ? JournalTable::Interface : JournalTable::Main; }

} // namespace

void Session::SetJournal(const Journal* journal, const QString& frontEnd) {
    if (journal) journal_.emplace(*journal);
    else journal_.reset();
    frontEnd_ = frontEnd;
}

QString Session::TargetName() {
    if (!targetName_.isEmpty()) return targetName_;
    if (tcp_.IsConnected()) return QStringLiteral("%1:%2").arg(tcp_.Socket().peerName()).arg(tcp_.Socket().peerPort());
    if (serial_.IsOpen()) return serial_.Port().portName();
    return target_;
}

void Session::ForgetDevice() {
    lastRead_[0].clear();
    lastRead_[1].clear();
    version_.clear();
    deviceTarget_.clear();
}

// What the session knows of a device belongs to the target it was learned on.
void Session::SyncDevice() {
    const QString target = TargetName();
    if (target == deviceTarget_) return;
    ForgetDevice();
    deviceTarget_ = target;
}

void Session::BeginJournal(JournalKind kind) {
    journalOp_.reset();
    notRecorded_.clear();
    // Nothing goes to a device over a closed channel.
    if (!journal_ || !exchange_.Channel().IsOpen()) return;
    SyncDevice();
    JournalRecord common = StampedRecord(frontEnd_);
    common.target = deviceTarget_;
    common.version = version_;
    common.identityRow = IdentityRowOf(config_.ConfigRoot);
    RowValue identity;
    if (!common.identityRow.isEmpty() &&
        (LastRead(false, common.identityRow, &identity) || LastRead(true, common.identityRow, &identity)))
        common.identity = identity.display;
    common.config = config_.ConfigPath.isEmpty() ? QString() : QFileInfo(config_.ConfigPath).absoluteFilePath();
    common.kind = kind;
    journalOp_ = std::make_unique<JournalOperation>(*journal_, common, [this](const QString& why) {
        notRecorded_ = why;
        status_.Log(QStringLiteral("[本次修改未记入修改记录：") + why + QLatin1Char(']'));
    });
}

void Session::JournalRow(const RowWrite& w, int reply) {
    if (!journalOp_) return;
    std::optional<JournalValue> before;
    if (w.beforeKnown) before = JournalValue{w.beforeRaw, w.beforeDisplay};
    journalOp_->AddRow(TableOf(w.row.interfaceTable), w.row.number, w.row.name, before, {w.row.raw, w.row.display},
                       OutcomeOfReply(reply), w.message);
}

// A row written whose read-back differs gets a second record: verification failed.
void Session::JournalMismatches(const ApplyResult& result) {
    if (!journalOp_) return;
    for (const Mismatch& m : result.mismatches)
        for (const RowWrite& w : result.written) {
            if (w.row.interfaceTable != m.profile.interfaceTable || w.row.number != m.profile.number) continue;
            std::optional<JournalValue> before;
            if (w.beforeKnown) before = JournalValue{w.beforeRaw, w.beforeDisplay};
            journalOp_->AddRow(TableOf(w.row.interfaceTable), w.row.number, w.row.name, before,
                               {w.row.raw, w.row.display}, JournalOutcome::VerifyFailed, m.message);
            break;
        }
}

void Session::EndJournal(QString* operation, QString* notRecorded) {
    if (!journalOp_) return;
    if (!journalOp_->Records().isEmpty()) {
        journalOp_->Finish();
        *operation = journalOp_->Id();
    }
    *notRecorded = notRecorded_;
    journalOp_.reset();
}

void Session::JournalCommand(JournalKind kind, const QString& word, CommandResult& result) {
    BeginJournal(kind);
    if (!journalOp_) return;
    JournalOutcome outcome = JournalOutcome::Done;
    if (result.failure.Failed())
        outcome = result.failure.kind == Failure::Kind::Refused ? JournalOutcome::Refused : JournalOutcome::NoAnswer;
    const QString message = result.message.isEmpty() ? result.failure.text : result.message;
    journalOp_->AddCommand({word, kind == JournalKind::Clock ? result.text : QString()}, outcome, message);
    EndJournal(&result.operation, &result.notRecorded);
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
    BeginJournal(JournalKind::Undo);
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
    JournalMismatches(result);
    EndJournal(&result.operation, &result.notRecorded);
    if (!result.failure.Failed() && !result.refused.isEmpty())
        result.failure = {Failure::Kind::Refused, result.refused.first().message};
    else if (!result.failure.Failed() && !result.mismatches.isEmpty())
        result.failure = {Failure::Kind::VerifyFailed, result.mismatches.first().message};
    return result;
}

} // namespace dtu

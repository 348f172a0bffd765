// The session's row operations: reading both tables, comparing with a profile, writing the rows
// that differ and reading them back.
#include "session/session.h"

#include "base/hex.h"
#include "config/profile.h"
#include "params/changes.h"
#include "params/hookoperation.h"
#include "params/reader.h"
#include "params/rows.h"
#include "params/verify.h"
#include "params/writer.h"
#include "protocol/commands.h"

namespace dtu {

namespace {

RowValue ValueOf(const ParamTable& table, int row) {
    const ParamRow& r = table.Row(row);
    return {table.IsInterface(), r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]};
}

Failure ReadFailure(DataFailure f) {
    return {f == DataFailure::NoResponse ? Failure::Kind::NoAnswer : Failure::Kind::Refused,
            DataFailureMessage(QStringLiteral("参数读取"), f)};
}

} // namespace

QList<ParamTable*> Session::Tables() {
    QList<ParamTable*> t{&mainTable_};
    if (state_.InterfacePagePresent) t << &interfaceTable_;
    return t;
}

void Session::Select(ParamTable* table) {
    if (!state_.InterfacePagePresent) return;
    SelectParamChannel(exchange_, table->IsInterface() ? 0 : state_.MainParamChannel, exchange_.Channel().IsOpen());
}

void Session::RememberRead(const ParamTable& table, int row) {
    const RowValue v = ValueOf(table, row);
    lastRead_[v.interfaceTable ? 1 : 0].insert(v.number.toUpper(), v);
}

bool Session::LastRead(bool interfaceTable, const QString& number, RowValue* value) const {
    const auto& known = lastRead_[interfaceTable ? 1 : 0];
    const auto it = known.find(number.toUpper());
    if (it == known.end()) return false;
    *value = *it;
    return true;
}

RowWrite Session::WriteRecord(const ParamTable& table, int row) const {
    RowWrite w;
    w.row = ValueOf(table, row);
    RowValue before;
    if (LastRead(table.IsInterface(), w.row.number, &before)) {
        w.beforeKnown = true;
        w.beforeRaw = before.raw;
        w.beforeDisplay = before.display;
    }
    return w;
}

ReadResult Session::ReadAll() {
    ReadResult result;
    const HookOperation hooks(script_, &status_);
    result.failure = Guarded([&]() -> Failure {
        const QList<ParamTable*> tables = Tables();
        int total = 0, done = 0;
        for (ParamTable* t : tables) total += static_cast<int>(t->RequestList.size() / 2);
        for (ParamTable* t : tables) {
            if (t->RequestList.isEmpty()) continue;
            if (StopNow()) return {};
            Step(t->IsInterface() ? QStringLiteral("reading interface parameters") : QStringLiteral("reading parameters"));
            Progress(done, total);
            Select(t);
            // Rows the device does not report keep an empty value.
            for (int i = 0; i < t->Count(); ++i) {
                if (!IsDeviceParameter(t->Row(i)[FieldNumber])) continue;
                t->SetField(i, FieldRaw, QString());
                t->SetField(i, FieldDisplay, QString());
            }
            const DataFailure f = ReadTable(exchange_, t->RequestList, [&] { return ActiveTable(state_, mainTable_, interfaceTable_); });
            if (f != DataFailure::None) return ReadFailure(f);
            done += static_cast<int>(t->RequestList.size() / 2);
            Progress(done, total);
        }
        for (ParamTable* t : tables)
            for (int i = 0; i < t->Count(); ++i) {
                if (!IsDeviceParameter(t->Row(i)[FieldNumber])) continue;
                result.rows << ValueOf(*t, i);
                if (!t->Row(i)[FieldRaw].isEmpty()) RememberRead(*t, i);
            }
        return {};
    });
    return result;
}

ReadResult Session::ReadShown() {
    ReadResult result;
    const ParamTable* table = ActiveTable(state_, mainTable_, interfaceTable_);
    QList<int> rows; // one request: the bar shows its rows until it ends
    for (int i = 0; table && i < table->Count(); ++i)
        if (ShouldWrite(state_, table->Row(i)[FieldNumber]) && IsDeviceParameter(table->Row(i)[FieldNumber])) rows << i;
    const int total = static_cast<int>(rows.size());
    result.failure = Guarded([&] {
        Progress(0, total);
        dtu::ReadAll(exchange_, mainTable_, interfaceTable_);
        Progress(total, total);
        return Failure{};
    });
    if (table && ActiveTable(state_, mainTable_, interfaceTable_) == table)
        for (int i = 0; i < table->Count(); ++i)
            if (IsDeviceParameter(table->Row(i)[FieldNumber])) result.rows << ValueOf(*table, i);
    return result;
}

CompareOutcome Session::Compare(const QString& profile, const QHash<QString, QString>& overrides) {
    CompareOutcome result;
    const ReadResult read = ReadAll();
    result.failure = read.failure;
    if (result.failure.Failed()) return result;
    QHash<QString, RowValue> device[2];
    for (const RowValue& v : read.rows) device[v.interfaceTable ? 1 : 0].insert(v.number.toUpper(), v);
    state_.ChangedParamList.clear();
    ParamTable* iface = state_.InterfacePagePresent ? &interfaceTable_ : nullptr;
    result.failure = Guarded([&]() -> Failure {
        const CompareResult c = CompareWithFile(script_, state_, mainTable_, iface, profile);
        if (!c.ok) return {Failure::Kind::ConfigError, profile + QStringLiteral(": ") + c.error};
        // Values given for this device replace the profile's.
        for (auto it = overrides.begin(); it != overrides.end(); ++it) {
            ParamTable* table = nullptr;
            int row = -1;
            for (ParamTable* t : Tables())
                if ((row = FindRow(*t, it.key())) >= 0 && IsDeviceParameter(it.key())) {
                    table = t;
                    break;
                }
            if (!table) return {Failure::Kind::ConfigError, it.key() + QStringLiteral(": no such row")};
            const quint16 number = static_cast<quint16>(HexToInt(it.key().left(4)) & 0xFFFF);
            if (!DecodeItem(*table, number, HexPairsToBytes(it.value().mid(4)), script_))
                return {Failure::Kind::ConfigError, it.key() + QStringLiteral(": ") + it.value()};
            const QString held = device[table->IsInterface() ? 1 : 0].value(it.key().toUpper()).raw;
            state_.ChangedParamList.removeAll(table->Row(row)[FieldNumber]);
            if (held.toUpper() != table->Row(row)[FieldRaw].toUpper()) MarkChanged(state_, table->Row(row)[FieldNumber]);
        }
        return {};
    });
    if (result.failure.Failed()) return result;
    for (ParamTable* t : Tables())
        for (int i : ChangedRows(*t, state_.ChangedParamList)) {
            const RowValue profileValue = ValueOf(*t, i);
            if (!IsDeviceParameter(profileValue.number)) continue;
            Mismatch m{profileValue, device[t->IsInterface() ? 1 : 0].value(profileValue.number.toUpper()), true, {}};
            m.device.interfaceTable = t->IsInterface();
            (MayChange(state_, profileValue.number) ? result.differences : result.skipped).append(m);
        }
    return result;
}

void Session::WriteRows(ApplyResult& result, const QList<std::pair<ParamTable*, int>>& rows, const RowRun& run) {
    // By number: every reply wait runs the event loop, and what runs in it may move or replace
    // the rows.
    QList<std::pair<ParamTable*, QString>> plan;
    for (const auto& [table, row] : rows) plan.append({table, table->Row(row)[FieldNumber]});
    const quint64 generation = tableGeneration_;
    const int total = static_cast<int>(plan.size());
    result.failure = Guarded([&]() -> Failure {
        for (int k = 0; k < total; ++k) {
            const auto& [table, number] = plan.at(k);
            if (StopNow()) {
                result.stopped = true;
                result.notWritten = total - k;
                return {};
            }
            // A configuration loaded meanwhile: the rows left are another configuration's.
            if (tableGeneration_ != generation) {
                result.notWritten = total - k;
                return {};
            }
            if (run.whileOpen && !exchange_.Channel().IsOpen()) {
                result.notWritten = total - k;
                return {Failure::Kind::PortLost, ChannelClosedText(), ChannelClosedText()};
            }
            if (run.onlyChanged && !InChangedList(state_.ChangedParamList, number)) continue;
            Step(QStringLiteral("writing %1/%2 %3").arg(k + 1).arg(total).arg(number));
            Progress(k, total, number);
            if (observer_) observer_->RowStarting(table->IsInterface(), number);
            if (tableGeneration_ != generation) continue; // ends the run above
            const int row = FindRowForWrite(*table, number);
            if (row < 0) continue;
            Select(table);
            RowWrite w = WriteRecord(*table, row); // after the selection's wait
            w.reply = WriteParam(exchange_, mainTable_, interfaceTable_, w.row.number);
            w.message = WriteMessage(w.reply);
            (w.reply == ReplyOk ? result.written : result.refused).append(w);
            state_.ChangedParamList.removeAll(w.row.number);
            if (observer_) observer_->RowSent(w);
            Progress(k + 1, total, w.row.number);
            if (w.reply == ReplyNone && !run.pastSilentRows) {
                // A device that stopped answering is not asked again for every row.
                result.notWritten = total - k - 1;
                return NoAnswerFailure();
            }
        }
        return {};
    });
}

// Reads the rows back, table by table; mismatches go into the result.
static void VerifyRows(Session& s, ApplyResult& result, const QList<std::pair<ParamTable*, QList<WrittenValue>>>& parts,
                       const std::function<void(ParamTable*)>& select,
                       const std::function<void(const ParamTable&, const WrittenValue&)>& remember) {
    for (const auto& [table, rows] : parts) {
        if (rows.isEmpty()) continue;
        select(table);
        QList<VerifyMismatch> mismatches;
        QList<WrittenValue> returned;
        VerifyWritten(s.Exchanger(), *table, rows, &mismatches, &returned);
        for (const WrittenValue& r : returned) remember(*table, r);
        for (const WrittenValue& w : rows) {
            const auto bad = std::find_if(mismatches.begin(), mismatches.end(),
                                          [&](const VerifyMismatch& m) { return m.written.number == w.number; });
            if (bad == mismatches.end()) {
                result.verified.append({table->IsInterface(), w.number, w.name, w.raw, w.display});
                continue;
            }
            result.mismatches.append({{table->IsInterface(), w.number, w.name, w.raw, w.display},
                                      {table->IsInterface(), w.number, w.name, bad->readRaw, bad->readDisplay},
                                      bad->returned,
                                      bad->message});
        }
    }
}

static void Conclude(ApplyResult& r) {
    if (r.failure.Failed()) return;
    if (!r.refused.isEmpty()) r.failure = {Failure::Kind::Refused, r.refused.first().message};
    else if (!r.mismatches.isEmpty()) r.failure = {Failure::Kind::VerifyFailed, r.mismatches.first().message};
}

ApplyResult Session::Apply(const QString& profile, const ApplyOptions& options) {
    ApplyResult result;
    const CompareOutcome plan = Compare(profile, options.overrides);
    result.failure = plan.failure;
    if (result.failure.Failed()) return result;
    const auto record = [&](const Mismatch& m) {
        RowWrite w;
        w.row = m.profile;
        w.beforeKnown = !m.device.raw.isEmpty();
        w.beforeRaw = m.device.raw;
        w.beforeDisplay = m.device.display;
        return w;
    };
    for (const Mismatch& m : plan.skipped) result.skipped << record(m);
    if (options.check) {
        for (const Mismatch& m : plan.differences) result.wouldWrite << record(m);
        return result;
    }
    QList<std::pair<ParamTable*, int>> rows;
    for (const Mismatch& m : plan.differences) {
        ParamTable* t = m.profile.interfaceTable ? &interfaceTable_ : &mainTable_;
        rows.append({t, FindRow(*t, m.profile.number)});
    }
    journal_.Begin(JournalKind::Apply);
    WriteRows(result, rows, {options.pastSilentRows});
    if (result.failure.Failed() || result.stopped || !options.verify) {
        journal_.End(&result.operation, &result.notRecorded);
        Conclude(result);
        return result;
    }
    // Every row of the profile is read back, not only the written ones: a device is done only
    // when it holds all of them.
    QList<std::pair<ParamTable*, QList<WrittenValue>>> parts;
    for (ParamTable* t : Tables()) {
        QList<WrittenValue> all;
        for (int i = 0; i < t->Count(); ++i) {
            const ParamRow& r = t->Row(i);
            if (IsDeviceParameter(r[FieldNumber]) && MayChange(state_, r[FieldNumber]))
                all.append({r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]});
        }
        if (!all.isEmpty()) Step(QStringLiteral("verifying %1 rows").arg(all.size()));
        parts.append({t, all});
    }
    result.failure = Guarded([&] {
        VerifyRows(*this, result, parts, [this](ParamTable* t) { Select(t); },
                   [this](const ParamTable& t, const WrittenValue& w) { RememberRead(t, FindRow(t, w.number)); });
        return Failure{};
    });
    journal_.End(&result.operation, &result.notRecorded);
    Conclude(result);
    return result;
}

ApplyResult Session::WriteChanged(bool verify, bool pastSilentRows) {
    return WriteActive(verify, false, {pastSilentRows, true, false});
}

ApplyResult Session::WriteAll() {
    return WriteActive(false, true, {true, false, true});
}

ApplyResult Session::WriteActive(bool verify, bool all, const RowRun& run) {
    ApplyResult result;
    const HookOperation hooks(script_, &status_);
    if (state_.InterfacePagePresent && state_.ParamChannelUnsent) Select(state_.CurrentParamChannel == 0 ? &interfaceTable_ : &mainTable_);
    ParamTable* table = ActiveTable(state_, mainTable_, interfaceTable_);
    if (!table) return result;
    // The changed rows, or (all) every device parameter, from the top.
    QStringList planned;
    QList<std::pair<ParamTable*, int>> rows;
    const QStringList changed = state_.ChangedParamList;
    for (int i = 0; i < table->Count(); ++i) {
        const QString number = table->Row(i)[FieldNumber];
        if (!ShouldWrite(state_, number) || !IsDeviceParameter(number) || (!all && !InChangedList(changed, number))) continue;
        planned << number;
        rows.append({table, i});
    }
    const quint64 generation = tableGeneration_;
    journal_.Begin(JournalKind::Write);
    WriteRows(result, rows, run);
    // The changes count as handled whatever the outcome (the rows that may not be written
    // included); a stop keeps the changed rows it left unwritten.
    QStringList left;
    if (result.stopped)
        for (qsizetype k = planned.size() - result.notWritten; k < planned.size(); ++k)
            if (InChangedList(changed, planned.at(k))) left << planned.at(k);
    state_.ChangedParamList = left;
    mainTable_.RefreshColours();
    interfaceTable_.RefreshColours();
    if (result.stopped) status_.Report(QStringLiteral("[已停止：%1项未写入]").arg(result.notWritten));
    // Only what was written is read back, and only while the table is still the one written.
    if (!result.failure.Failed() && verify && tableGeneration_ == generation &&
        ActiveTable(state_, mainTable_, interfaceTable_) == table && !result.written.isEmpty()) {
        QList<WrittenValue> written;
        for (const RowWrite& w : result.written) written.append({w.row.number, w.row.name, w.row.raw, w.row.display});
        Step(QStringLiteral("verifying %1 rows").arg(written.size()));
        Progress(0, static_cast<int>(written.size()));
        const Failure f = Guarded([&] {
            VerifyRows(*this, result, {{table, written}}, [](ParamTable*) {},
                       [this](const ParamTable& t, const WrittenValue& w) { RememberRead(t, FindRow(t, w.number)); });
            return Failure{};
        });
        Progress(static_cast<int>(written.size()), static_cast<int>(written.size()));
        if (f.Failed()) result.failure = f;
        else ReportVerification(status_, static_cast<int>(result.mismatches.size()));
    }
    journal_.End(&result.operation, &result.notRecorded);
    Conclude(result);
    return result;
}

} // namespace dtu

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

void Session::WriteRows(ApplyResult& result, const QList<std::pair<ParamTable*, int>>& rows) {
    const int total = static_cast<int>(rows.size());
    result.failure = Guarded([&]() -> Failure {
        for (int k = 0; k < total; ++k) {
            const auto [table, row] = rows.at(k);
            if (StopNow()) {
                result.stopped = true;
                result.notWritten = total - k;
                return {};
            }
            RowWrite w = WriteRecord(*table, row);
            Step(QStringLiteral("writing %1/%2 %3").arg(k + 1).arg(total).arg(w.row.number));
            Progress(k, total, w.row.number);
            Select(table);
            w.reply = WriteParam(exchange_, mainTable_, interfaceTable_, w.row.number);
            w.message = WriteMessage(w.reply);
            (w.reply == ReplyOk ? result.written : result.refused).append(w);
            state_.ChangedParamList.removeAll(w.row.number);
            if (observer_) observer_->RowSent(w);
            Progress(k + 1, total, w.row.number);
            if (w.reply == ReplyNone) {
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
    WriteRows(result, rows);
    if (result.failure.Failed() || result.stopped || !options.verify) {
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
    Conclude(result);
    return result;
}

ApplyResult Session::WriteChanged(bool verify) {
    ApplyResult result;
    const HookOperation hooks(script_, &status_);
    if (state_.InterfacePagePresent && state_.ParamChannelUnsent) Select(state_.CurrentParamChannel == 0 ? &interfaceTable_ : &mainTable_);
    ParamTable* table = ActiveTable(state_, mainTable_, interfaceTable_);
    if (!table) return result;
    const QList<WrittenValue> planned = RowsToVerify(state_, *table, state_.ChangedParamList);
    QList<std::pair<ParamTable*, int>> rows;
    for (const WrittenValue& w : planned) rows.append({table, FindRowForWrite(*table, w.number)});
    WriteRows(result, rows);
    table->RefreshColours();
    if (!result.failure.Failed() && !result.stopped && verify) {
        QList<WrittenValue> written;
        for (const RowWrite& w : result.written) written.append({w.row.number, w.row.name, w.row.raw, w.row.display});
        const Failure f = Guarded([&] {
            VerifyRows(*this, result, {{table, written}}, [](ParamTable*) {},
                       [this](const ParamTable& t, const WrittenValue& w) { RememberRead(t, FindRow(t, w.number)); });
            return Failure{};
        });
        if (f.Failed()) result.failure = f;
        else if (!written.isEmpty()) ReportVerification(status_, static_cast<int>(result.mismatches.size()));
    }
    Conclude(result);
    return result;
}

} // namespace dtu

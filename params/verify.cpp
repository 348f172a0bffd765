#include "params/verify.h"

#include "params/rows.h"
#include "params/changes.h"
#include "params/reader.h"
#include "params/writer.h"
#include "base/hex.h"

#include <QSet>

namespace dtu {

namespace {

QString Upper(const QString& raw) { return raw.toUpper(); }

} // namespace

QList<WrittenValue> RowsToVerify(const AppState& state, const ParamTable& table, const QStringList& changed) {
    QList<WrittenValue> out;
    for (int i : ChangedRows(table, changed)) {
        const ParamRow& r = table.Row(i);
        if (!ShouldWrite(state, r[FieldNumber]) || !IsDeviceParameter(r[FieldNumber])) continue;
        out.append({r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]});
    }
    return out;
}

QString VerifyFailureText(const VerifyMismatch& m) {
    if (!m.returned) return QStringLiteral("[回读校验失败：") + m.written.name + QStringLiteral(" 未回读]");
    return QStringLiteral("[回读校验失败：") + m.written.name + QStringLiteral(" 写入=") + m.written.display +
           QStringLiteral(" 读回=") + m.readDisplay + QLatin1Char(']');
}

int VerifyWritten(Exchange& ex, ParamTable& table, const QList<WrittenValue>& written,
                  QList<VerifyMismatch>* mismatches, QList<WrittenValue>* returnedRows) {
    if (written.isEmpty()) return 0;
    ParamTable request(table.IsInterface());
    for (const WrittenValue& w : written) AddToRequestList(request, w.number);

    const int expected = ParamReplyWord(ex) >> 8;
    const QByteArray reply = ParamReadRequest(ex, request.RequestList);
    QByteArray payload;
    const DataFailure f = CheckParamReply(reply, expected, ex.RequestPrefix().size(), &payload);
    QSet<quint16> returned;
    if (f != DataFailure::None) {
        ex.Status().Log(DataFailureMessage(QStringLiteral("回读校验"), f));
    } else {
        WalkPayload(payload, [&](quint16 number, const QByteArray& value) {
            returned.insert(number);
            const bool ok = DecodeItem(table, number, value, ex.Script());
            TellRead(ex, table, number);
            return ok;
        });
    }

    int failures = 0;
    for (const WrittenValue& w : written) {
        // Looked up again: the wait may have let a configuration load replace the rows.
        const int row = FindRow(table, w.number);
        if (row < 0) continue;
        const bool back = returned.contains(static_cast<quint16>(HexToInt(w.number.left(4)) & 0xFFFF));
        const ParamRow& r = table.Row(row);
        if (back && returnedRows) returnedRows->append({w.number, w.name, r[FieldRaw], r[FieldDisplay]});
        if (back && Upper(r[FieldRaw]) == Upper(w.raw)) continue;
        ++failures;
        VerifyMismatch m{w, back, back ? r[FieldRaw] : QString(), back ? r[FieldDisplay] : QString(), {}};
        m.message = VerifyFailureText(m);
        ex.Status().Log(m.message);
        if (mismatches) mismatches->append(m);
        if (IChangeObserver* changes = ex.Changes())
            changes->RowVerifyFailed({table.IsInterface(), w.number, w.name, w.raw, w.display}, m.message);
        table.SetField(row, FieldRaw, w.raw);
        table.SetField(row, FieldDisplay, w.display);
        MarkChanged(ex.State(), w.number);
    }
    table.RefreshColours();
    return failures;
}

void ReportVerification(IStatusSink& status, int failures) {
    status.Report(failures == 0 ? QStringLiteral("[回读校验成功]")
                                : QStringLiteral("[回读校验失败，%1项不一致]").arg(failures));
}

} // namespace dtu

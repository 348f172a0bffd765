#include "params/verify.h"

#include "params/paramops.h"
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
        if (!ShouldWrite(state, r[FieldNumber]) || HexToInt(r[FieldNumber].left(4)) <= 0) continue;
        out.append({r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]});
    }
    return out;
}

int VerifyWritten(Exchange& ex, ParamTable& table, const QList<WrittenValue>& written) {
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
            return DecodeItem(table, number, value, ex.Script());
        });
    }

    int failures = 0;
    for (const WrittenValue& w : written) {
        // Looked up again: the wait may have let a configuration load replace the rows.
        const int row = FindRow(table, w.number);
        if (row < 0) continue;
        const bool back = returned.contains(static_cast<quint16>(HexToInt(w.number.left(4)) & 0xFFFF));
        const QString readRaw = table.Row(row)[FieldRaw];
        if (back && Upper(readRaw) == Upper(w.raw)) continue;
        ++failures;
        if (back)
            ex.Status().Log(QStringLiteral("[回读校验失败：") + w.name + QStringLiteral(" 写入=") + w.display +
                            QStringLiteral(" 读回=") + table.Row(row)[FieldDisplay] + QLatin1Char(']'));
        else
            ex.Status().Log(QStringLiteral("[回读校验失败：") + w.name + QStringLiteral(" 未回读]"));
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

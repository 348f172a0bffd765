#include "params/writer.h"

#include "params/rows.h"
#include "params/changes.h"
#include "base/hex.h"

namespace dtu {

QString WriteMessage(int outcome) {
    switch (outcome) {
    case ReplyOk: return QStringLiteral("[参数设置成功]");
    case ReplyRefused: return QStringLiteral("[参数设置失败]");
    case ReplyNone: return QStringLiteral("[参数设置失败，设备无响应！]");
    case ReplyIllegal: return QStringLiteral("[参数设置失败，输入了非法内容！]");
    case ReplyChecksumError: return QStringLiteral("[参数设置失败，返回帧校验错误！]");
    default: return QStringLiteral("[参数设置失败]");
    }
}

int WriteParam(Exchange& ex, ParamTable& main, ParamTable& iface, const QString& number) {
    ParamTable* table = ActiveTable(ex.State(), main, iface);
    const int row = table ? FindRowForWrite(*table, number) : -1;
    if (row < 0) return ReplyNone;
    ex.Status().SetResult(QStringLiteral("正在设置，请稍候..."));
    const quint16 word = static_cast<quint16>(HexToInt(number) & 0xFFFF);
    const ParamRow& r = table->Row(row);
    const QString shown = r[FieldDisplay].isEmpty() ? QStringLiteral("(空)") : r[FieldDisplay];
    ex.Status().Log(QStringLiteral("设置参数：") + r[FieldName] + QLatin1Char('=') + shown);
    const QByteArray data = HexPairsToBytes(RowHexDigits(r));
    // Taken before the wait: a load during it may replace the rows.
    const RowSeen sent{table->IsInterface(), r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]};
    ex.Send(ex.BuildRequest(word, data, QStringLiteral("参数设置")));
    const int rc = ex.CheckAckReply();
    ex.Status().Report(WriteMessage(rc));
    if (IChangeObserver* changes = ex.Changes()) changes->RowWritten(sent, rc, WriteMessage(rc));
    return rc;
}

bool ShouldWrite(const AppState& state, const QString& number) {
    return !number.isEmpty() && MayChange(state, number);
}

QList<int> ChangedRows(const ParamTable& table, const QStringList& changed) {
    QList<int> rows;
    for (int i = 0; i < table.Count(); ++i) {
        if (InChangedList(changed, table.Row(i)[FieldNumber])) rows << i;
    }
    return rows;
}

} // namespace dtu

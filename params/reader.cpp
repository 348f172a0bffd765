#include "params/reader.h"

#include "params/hookoperation.h"
#include "params/rows.h"
#include "params/changes.h"
#include "params/valuecodec.h"
#include "base/hex.h"

namespace dtu {

static const QString kReadOp = QStringLiteral("参数读取");

quint16 ParamReadWord(Exchange& ex) {
    const quint16 script = ex.GetCmdWord(QStringLiteral("CMD_GETPARAM"));
    return ex.State().CurrentParamChannel > 0 ? 0x7000 : script;
}

quint16 ParamReplyWord(Exchange& ex) {
    const quint16 script = ex.GetCmdWord(QStringLiteral("CMD_REPLYCONFIG"));
    return ex.State().CurrentParamChannel > 0 ? 0xF000 : script;
}

QByteArray ParamReadRequest(Exchange& ex, const QByteArray& requestList) {
    const quint16 word = ParamReadWord(ex);
    ex.Send(ex.BuildRequest(word, requestList, kReadOp));
    return ex.ReceiveReply(3000);
}

DataFailure CheckParamReply(QByteArray r, int expectedByte, qsizetype prefixSize, QByteArray* payload) {
    if (r.isEmpty()) return DataFailure::NoResponse;
    const qsizetype at = FindHeader(r);
    if (at > 0) r.remove(0, at);
    if (!BeginsWithHeader(r)) return DataFailure::BadHeader;
    if (r.size() < 5 || ByteAt(r, 4) != expectedByte) return DataFailure::BadCommandWord;
    // The sum runs over what was received, up to the last two bytes, which hold the checksum.
    const quint16 sum = Sum16(r, 2, r.size() - 2);
    const quint16 stored = static_cast<quint16>(ByteAt(r, r.size() - 2) * 256 + ByteAt(r, r.size() - 1));
    if (sum != stored) return DataFailure::BadChecksum;
    const qsizetype L = ByteAt(r, 2) * 256 + ByteAt(r, 3);
    const qsizetype start = 6 + prefixSize;
    qsizetype count = L - prefixSize - 4;
    // Bounded by what arrived: the checksum bytes are never payload.
    count = qMin(count, r.size() - 2 - start);
    payload->clear();
    if (count > 0) *payload = r.mid(start, count);
    return DataFailure::None;
}

void WalkPayload(const QByteArray& payload, const std::function<bool(quint16, const QByteArray&)>& decode) {
    qsizetype pos = 0;
    while (pos < payload.size()) {
        if (payload.size() - pos < 4) return; // ends inside an item's head
        const int n = ByteAt(payload, pos) * 256 + ByteAt(payload, pos + 1);
        const quint16 number = static_cast<quint16>(ByteAt(payload, pos + 2) * 256 + ByteAt(payload, pos + 3));
        const QByteArray value = n >= 3 ? payload.mid(pos + 4, n - 2) : QByteArray();
        if (!decode(number, value)) return;
        pos += n + 2;
    }
}

bool DecodeItem(ParamTable& table, quint16 number, const QByteArray& value, ScriptBridge& script) {
    const QString text = ByteToHex(static_cast<quint8>(number >> 8)) + ByteToHex(static_cast<quint8>(number & 0xFF));
    const int row = FindRow(table, text);
    if (row < 0) return true;
    const ScriptBridge::RowHooks hooks(script, text);
    const QString digits = BytesToHex(value);
    SetRawValue(table, row, digits);
    const ParamRow& r = table.Row(row);
    const std::shared_ptr<const HookKinds> kinds = r.Hooks();
    if (kinds->choiceHook) {
        if (!script.SetHexInput(digits)) return false;
        if (!kinds->choicesValid) return false;
        // The last matching entry wins.
        const int last = kinds->choices.LastIndexOf(r[FieldRaw]);
        if (last >= 0) table.SetField(row, FieldDisplay, kinds->choices.texts.at(last));
        return true;
    }
    if (!script.SetHexInput(digits)) return false;
    const QString get = r[FieldGet];
    if (kinds->get == HookKinds::Get::Str) {
        table.SetField(row, FieldDisplay, GetStrText(digits));
    } else if (kinds->get == HookKinds::Get::Float) {
        table.SetField(row, FieldDisplay, GetFloatText(digits));
    } else {
        const ScriptResult res = script.Eval(get);
        if (res) table.SetField(row, FieldDisplay, res.text); // an error keeps the old text
    }
    return true;
}

void TellRead(Exchange& ex, const ParamTable& table, quint16 number) {
    IChangeObserver* changes = ex.Changes();
    if (!changes) return;
    const int row = FindRow(table, ByteToHex(static_cast<quint8>(number >> 8)) + ByteToHex(static_cast<quint8>(number & 0xFF)));
    if (row < 0) return;
    const ParamRow& r = table.Row(row);
    changes->RowRead({table.IsInterface(), r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]});
}

DataFailure ReadTable(Exchange& ex, const QByteArray& requestList, const TableLookup& active) {
    const int expected = ParamReplyWord(ex) >> 8;
    const QByteArray r = ParamReadRequest(ex, requestList);
    QByteArray payload;
    const DataFailure f = CheckParamReply(r, expected, ex.RequestPrefix().size(), &payload);
    if (f != DataFailure::None) {
        ex.Status().Report(DataFailureMessage(kReadOp, f));
        return f;
    }
    WalkPayload(payload, [&](quint16 number, const QByteArray& value) {
        ParamTable* table = active();
        if (!table) return true; // no active table: nothing to fill
        const bool ok = DecodeItem(*table, number, value, ex.Script());
        TellRead(ex, *table, number);
        return ok;
    });
    ex.Status().Log(QStringLiteral("[参数读取完毕]"));
    return DataFailure::None;
}

void ReadAll(Exchange& ex, ParamTable& main, ParamTable& iface) {
    AppState& s = ex.State();
    const HookOperation hooks(ex.Script(), &ex.Status());
    ex.Status().SetResult(QStringLiteral("[参数读取中，请稍候...]"));
    const TableLookup active = [&] { return ActiveTable(s, main, iface); };
    if (s.CurrentParamChannel == s.MainParamChannel) ReadTable(ex, main.RequestList, active);
    if (s.InterfacePagePresent && s.CurrentParamChannel == 0) ReadTable(ex, iface.RequestList, active);
    if (!s.AccessCodeAccepted) ex.Status().SetResult(QStringLiteral("[参数读取完毕]"));
}

} // namespace dtu

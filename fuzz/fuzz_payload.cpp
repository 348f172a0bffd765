// A parameter read reply from a device that may send anything: the reply check, then the walk
// over its items decoding each into a table with rows of every kind (choice list, GetStr(),
// GetFloat(), a script hook). The first input byte picks whether the rest is a whole reply or a
// bare payload, so the walk is reached without a valid checksum too.
#include "fuzz/fuzzsupport.h"
#include "params/rows.h"
#include "params/changes.h"
#include "params/paramtable.h"
#include "params/reader.h"

using namespace dtu;

namespace {

ParamRow Row(const char* number, const char* list, const char* get) {
    ParamRow r;
    r[FieldNumber] = QString::fromLatin1(number);
    r[FieldName] = QStringLiteral("n");
    r[FieldRaw] = QStringLiteral("HEX:00");
    r[FieldList] = QString::fromUtf8(list);
    r[FieldGet] = QString::fromLatin1(get);
    return r;
}

ScriptBridge& Script() {
    static ScriptBridge* s = [] {
        fuzz::EnsureApp();
        auto* b = new ScriptBridge;
        b->Eval(QStringLiteral("function Num() { return String(parseInt(hexinput, 16)); }"
                               "function Len() { return hexinput.length + ':' + hexinput; }"));
        b->SetTimeLimitMs(1000);
        return b;
    }();
    return *s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScriptBridge& script = Script();
    if (size == 0) return 0;
    ParamTable table(false);
    table.Append(Row("0101", "[[00:关,01:开,02:自动]]", ""));
    table.Append(Row("0102", "", "GetStr()"));
    table.Append(Row("0103", "", "GetFloat()"));
    table.Append(Row("0104", "", "Num()"));
    table.Append(Row("0105", "", "Len()"));
    table.Append(Row("0106", "[[broken", ""));
    table.Append(Row("0101", "", "Num()")); // a duplicate number: the first row takes it

    const QByteArray rest = fuzz::Bytes(data + 1, size - 1);
    QByteArray payload;
    if (data[0] & 1) {
        payload = rest;
    } else if (CheckParamReply(rest, 0xF1, data[0] >> 5, &payload) != DataFailure::None) {
        return 0;
    }
    int items = 0;
    WalkPayload(payload, [&](quint16 number, const QByteArray& value) {
        ++items;
        return DecodeItem(table, number, value, script);
    });
    FUZZ_CHECK(table.Count() == 7);
    FUZZ_CHECK(items <= payload.size() / 2 + 1);
    for (int i = 0; i < table.Count(); ++i) FUZZ_CHECK(table.Row(i)[FieldRaw].startsWith(QLatin1String("HEX:")));
    return 0;
}

#include "params/rows.h"

#include "base/hex.h"

namespace dtu {

bool IsDeviceParameter(const QString& number) { return !number.isEmpty() && HexToInt(number.left(4)) > 0; }

ParamTable* ActiveTable(const AppState& state, ParamTable& main, ParamTable& iface) {
    if (state.CurrentParamChannel == 0) return &iface;
    if (state.CurrentParamChannel == state.MainParamChannel) return &main;
    return nullptr;
}

// Row numbers are hex digits: compared ASCII-folded without the general case-insensitive
// compare (a lookup runs through the rows, and the reads and verifications look up every row).
static bool SameNumber(const ParamRow& row, const QString& number) {
    const QString& n = row[FieldNumber];
    if (n.size() != number.size()) return false;
    for (qsizetype i = 0; i < n.size(); ++i) {
        const char16_t a = n[i].unicode(), b = number[i].unicode();
        if (a == b) continue;
        if (a >= 0x80 || b >= 0x80) return n.compare(number, Qt::CaseInsensitive) == 0;
        if ((a | 0x20) != (b | 0x20) || (a | 0x20) < u'a' || (a | 0x20) > u'z') return false;
    }
    return true;
}

int FindRow(const ParamTable& table, const QString& number) {
    if (number.isEmpty()) return -1;
    for (int i = 0; i < table.Count(); ++i)
        if (SameNumber(table.Row(i), number)) return i;
    return -1;
}

int FindRowForWrite(const ParamTable& table, const QString& number) {
    const int n = table.Count();
    if (number.isEmpty() || n == 0) return -1;
    for (int k = 1; k <= n; ++k) {
        const int i = k % n; // 1, 2, ..., n-1, then 0
        if (SameNumber(table.Row(i), number)) return i;
    }
    return -1;
}

QString RowHexDigits(const ParamRow& row) {
    const QString& raw = row[FieldRaw];
    if (raw.size() < 5) return {};
    return raw.mid(4);
}

void SetRawValue(ParamTable& table, int row, const QString& hex) {
    table.SetField(row, FieldRaw, QStringLiteral("HEX:") + hex);
}

void AddToRequestList(ParamTable& table, const QString& number) {
    if (!IsDeviceParameter(number)) return;
    table.RequestList.append(static_cast<char>(HexToInt(number.mid(0, 2)) & 0xFF));
    table.RequestList.append(static_cast<char>(HexToInt(number.mid(2, 2)) & 0xFF));
}

} // namespace dtu

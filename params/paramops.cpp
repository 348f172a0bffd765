#include "params/paramops.h"

#include "base/hex.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <cmath>

namespace dtu {

ParamTable* ActiveTable(const AppState& state, ParamTable& main, ParamTable& iface) {
    if (state.CurrentParamChannel == 0) return &iface;
    if (state.CurrentParamChannel == state.MainParamChannel) return &main;
    return nullptr;
}

static bool SameNumber(const ParamRow& row, const QString& number) {
    return row[FieldNumber].compare(number, Qt::CaseInsensitive) == 0;
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
    if (HexToInt(number.left(4)) <= 0) return;
    table.RequestList.append(static_cast<char>(HexToInt(number.mid(0, 2)) & 0xFF));
    table.RequestList.append(static_cast<char>(HexToInt(number.mid(2, 2)) & 0xFF));
}

bool InChangedList(const QStringList& changed, const QString& number) {
    return !number.isEmpty() && changed.contains(number, Qt::CaseInsensitive);
}

bool MarkChanged(AppState& state, const QString& number) {
    if (number.isEmpty() || InChangedList(state.ChangedParamList, number)) return false;
    state.ChangedParamList.append(number);
    return true;
}

bool IsProtectedNumber(const QString& number) {
    return number.compare(QLatin1String(kProtectedNumber), Qt::CaseInsensitive) == 0;
}

bool MayChange(const AppState& state, const QString& number) {
    return !IsProtectedNumber(number) || state.EngineeringLevel == 2;
}

QString JsonValueText(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::String:
        return v.toString();
    case QJsonValue::Double: {
        const double d = v.toDouble();
        // Whole numbers as integers (no exponent, no ".0"), as far as a double holds them exactly.
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9007199254740992.0)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case QJsonValue::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    default:
        return {};
    }
}

} // namespace dtu

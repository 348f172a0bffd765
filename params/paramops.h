#pragma once
// Operations on the two parameter tables: which table a reply belongs to, finding rows by
// number, the raw value field, the request list and the changed list.
#include "base/appstate.h"
#include "params/choicelist.h"
#include "params/paramtable.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace dtu {

// The row number that only engineering level 2 may edit or write (the device ID).
inline constexpr const char* kProtectedNumber = "0091";

// The table the device's answers currently belong to: the interface table while channel 0 is
// selected (also when the main channel is 0 itself), the main table while the main channel is
// selected, none while the selection is unknown or another channel.
ParamTable* ActiveTable(const AppState& state, ParamTable& main, ParamTable& iface);

// The first row with this number from the top (reading), letters compared case-insensitively;
// -1 when there is none. The empty number never matches (heading rows have none).
int FindRow(const ParamTable& table, const QString& number);
// Like FindRow, but the search starts at the second row and wraps around to the first: when the
// first and a later row share a number, writing finds the later one.
int FindRowForWrite(const ParamTable& table, const QString& number);

// The hex digits of the raw value: field 2 without its "HEX:" (its first four characters);
// empty when field 2 is shorter than five characters.
QString RowHexDigits(const ParamRow& row);
// Field 2 := "HEX:" + hex.
void SetRawValue(ParamTable& table, int row, const QString& hex);

// Enters a row number in the table's request list as two bytes (digits 1-2, then 3-4) when its
// first four characters are a number above 0: heading rows and "0000" are never requested.
void AddToRequestList(ParamTable& table, const QString& number);

// Adds the number to the changed list unless it is there already (case-insensitive);
// returns whether it was added. The empty number is never added.
bool MarkChanged(AppState& state, const QString& number);
// Whether the changed list names this row number (case-insensitive); never the empty number.
bool InChangedList(const QStringList& changed, const QString& number);

bool IsProtectedNumber(const QString& number);
// Whether a row may be edited and written at the current engineering level.
bool MayChange(const AppState& state, const QString& number);

// A configuration value read as text: a string as it is, a number as its decimal text
// (115200 -> "115200", 1.5 -> "1.5"), true/false as such, an array or object as its compact
// JSON text, null and a missing value as the empty text.
QString JsonValueText(const QJsonValue& v);

} // namespace dtu

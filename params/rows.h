#pragma once
// The rows of the two parameter tables: which table a reply belongs to, finding rows by number,
// the raw value field and the request list, and which rows are device parameters.
#include "base/appstate.h"
#include "params/paramtable.h"

#include <QString>

namespace dtu {

// Whether a row is a device parameter: its number (first four characters) is above 0. Heading
// rows (no number) and row 0000 are never read, written or verified.
bool IsDeviceParameter(const QString& number);

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

} // namespace dtu

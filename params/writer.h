#pragma once
// Writing parameters: one request per row, the row's number as command word and its raw value
// bytes as data, each answered by accept/refuse.
#include "params/paramtable.h"
#include "protocol/exchange.h"

namespace dtu {

// The panel message for a write's outcome.
QString WriteMessage(int outcome);

// One write exchange for the row with that number in the active table (searching from the
// second row, wrapping to the first), with its messages. Returns the outcome; ReplyNone without
// sending when no table is active or the row is gone.
int WriteParam(Exchange& ex, ParamTable& main, ParamTable& iface, const QString& number);

// Whether the selected row of the active table is written: not a heading row, and row 0091
// only at engineering level 2.
bool ShouldWrite(const AppState& state, const QString& number);

// The rows of a table that the changed list names, from the top (heading rows never).
QList<int> ChangedRows(const ParamTable& table, const QStringList& changed);

} // namespace dtu

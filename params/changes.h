#pragma once
// The changed list (rows edited but not yet written) and which rows the engineering level lets
// the user change.
#include "base/appstate.h"

#include <QString>
#include <QStringList>

namespace dtu {

// The row number that only engineering level 2 may edit or write (the device ID).
inline constexpr const char* kProtectedNumber = "0091";

// Adds the number to the changed list unless it is there already (case-insensitive);
// returns whether it was added. The empty number is never added.
bool MarkChanged(AppState& state, const QString& number);
// Whether the changed list names this row number (case-insensitive); never the empty number.
bool InChangedList(const QStringList& changed, const QString& number);

bool IsProtectedNumber(const QString& number);
// Whether a row may be edited and written at the current engineering level.
bool MayChange(const AppState& state, const QString& number);

} // namespace dtu

#pragma once
// A device's own values (--set, --inventory) put into its tables after the comparison with the
// profile, so that apply writes them where the device differs and verifies them.
#include "params/paramtable.h"

#include <QHash>

namespace dtu {
class Session;
}

namespace dtu::cli {

// Row number (upper case) -> raw field text of every numbered row, as the tables hold it now.
QHash<QString, QString> HeldValues(const QList<ParamTable*>& tables);

// Sets each overridden row's raw and display values as a read of that value would, and marks
// it changed exactly when it differs from what the device held.
void ApplyOverrides(Session& session, const QList<ParamTable*>& tables, const QHash<QString, QString>& overrides,
                    const QHash<QString, QString>& held);

} // namespace dtu::cli

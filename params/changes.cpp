#include "params/changes.h"

namespace dtu {

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

} // namespace dtu

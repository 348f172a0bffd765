#include "params/paramtable.h"

namespace dtu {

ParamTable::ParamTable(bool interfaceTable, QObject* parent) : QObject(parent), interface_(interfaceTable) {}

std::shared_ptr<const HookKinds> ParamRow::Hooks() const {
    if (hooks) return hooks;
    return std::make_shared<const HookKinds>(HookKinds::Of(f[FieldList], f[FieldGet]));
}

int ParamTable::Append(const ParamRow& row) {
    const int at = Count();
    emit RowAboutToBeAppended(at);
    rows_.append(row);
    ParamRow& added = rows_.last();
    if (!added.hooks) added.hooks = added.Hooks();
    emit RowAppended(at);
    return at;
}

void ParamTable::SetField(int row, int field, const QString& value) {
    if (row < 0 || row >= Count() || field < 0 || field >= FieldCount) return;
    if (rows_[row][field] == value) return;
    rows_[row][field] = value;
    if (field == FieldList || field == FieldGet) {
        ParamRow& r = rows_[row];
        r.hooks = std::make_shared<const HookKinds>(HookKinds::Of(r[FieldList], r[FieldGet]));
    }
    emit FieldChanged(row, field);
}

void ParamTable::Clear() {
    if (rows_.isEmpty()) return;
    emit AboutToBeCleared();
    rows_.clear();
    emit Cleared();
}

void ParamTable::RefreshColours() {
    if (rows_.isEmpty()) return;
    emit ChangedListChanged();
}

} // namespace dtu

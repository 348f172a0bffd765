#include "params/paramtable.h"

#include "params/rows.h"
#include "params/changes.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace dtu {

ParamTable::ParamTable(bool interfaceTable, QObject* parent) : QAbstractTableModel(parent), interface_(interfaceTable) {}

std::shared_ptr<const HookKinds> ParamRow::Hooks() const {
    if (hooks) return hooks;
    return std::make_shared<const HookKinds>(HookKinds::Of(f[FieldList], f[FieldGet]));
}

int ParamTable::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int ParamTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FieldCount; }


QVariant ParamTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count() || index.column() >= FieldCount) return {};
    const ParamRow& r = rows_.at(index.row());
    const bool heading = r[FieldNumber].isEmpty();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: return r[index.column()];
    case Qt::ForegroundRole:
        if (heading) return QBrush(QColor(255, 255, 255));
        if (changed_ && InChangedList(*changed_, r[FieldNumber])) return QBrush(QColor(0, 0, 200));
        return {};
    case Qt::BackgroundRole:
        if (heading) return QBrush(QColor(250, 140, 130));
        return {};
    case Qt::FontRole:
        if (heading) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    default: return {};
    }
}

QVariant ParamTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < FieldCount)
        return ColumnCaption(section, interface_);
    return QAbstractTableModel::headerData(section, orientation, role);
}

int ParamTable::Append(const ParamRow& row) {
    const int at = Count();
    beginInsertRows(QModelIndex(), at, at);
    rows_.append(row);
    ParamRow& added = rows_.last();
    if (!added.hooks) added.hooks = added.Hooks();
    endInsertRows();
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
    const QModelIndex i = index(row, field);
    emit dataChanged(i, i);
}

void ParamTable::Clear() {
    if (rows_.isEmpty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ParamTable::RefreshColours() {
    if (rows_.isEmpty()) return;
    emit dataChanged(index(0, 0), index(Count() - 1, FieldCount - 1), {Qt::ForegroundRole});
}

QString ColumnCaption(int column, bool interfaceTable) {
    switch (column) {
    case FieldNumber: return QStringLiteral("参数号");
    case FieldName: return QStringLiteral("参数名称");
    case FieldRaw: return QStringLiteral("参数HEX值");
    case FieldDisplay: return QStringLiteral("参数值");
    case FieldList: return QStringLiteral("OnList");
    case FieldGet: return QStringLiteral("OnGet");
    case FieldSet: return QStringLiteral("OnSet");
    case FieldNote: return interfaceTable ? QStringLiteral("参数相关说明") : QStringLiteral("参数说明");
    default: return {};
    }
}

int ColumnWidth(int column, bool interfaceTable) {
    switch (column) {
    case FieldName: return interfaceTable ? 200 : 210;
    case FieldDisplay: return 180;
    case FieldNote: return interfaceTable ? 325 : 300;
    default: return 0;
    }
}

} // namespace dtu

#include "app/window/paramtablemodel.h"

#include "params/changes.h"

#include <QBrush>
#include <QColor>
#include <QFont>

using dtu::ParamRow;

ParamTableModel::ParamTableModel(dtu::ParamTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), interface_(table.IsInterface()) {
    using T = dtu::ParamTable;
    connect(&table, &QObject::destroyed, this, [this] {
        beginResetModel();
        gone_ = true;
        endResetModel();
    });
    connect(&table, &T::RowAboutToBeAppended, this, [this](int row) { beginInsertRows(QModelIndex(), row, row); });
    connect(&table, &T::RowAppended, this, [this] { endInsertRows(); });
    connect(&table, &T::AboutToBeCleared, this, [this] { beginResetModel(); });
    connect(&table, &T::Cleared, this, [this] { endResetModel(); });
    connect(&table, &T::FieldChanged, this, [this](int row, int field) {
        const QModelIndex i = index(row, field);
        emit dataChanged(i, i);
    });
    connect(&table, &T::ChangedListChanged, this, [this] {
        if (table_.Count() > 0) emit dataChanged(index(0, 0), index(table_.Count() - 1, dtu::FieldCount - 1), {Qt::ForegroundRole});
    });
}

int ParamTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() || gone_ ? 0 : table_.Count(); }

int ParamTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : dtu::FieldCount; }

QVariant ParamTableModel::data(const QModelIndex& index, int role) const {
    if (gone_ || !index.isValid() || index.row() >= table_.Count() || index.column() >= dtu::FieldCount) return {};
    const ParamRow& r = table_.Row(index.row());
    const bool heading = r[dtu::FieldNumber].isEmpty();
    const QStringList* changed = table_.ChangedList();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: return r[index.column()];
    case Qt::ForegroundRole:
        if (heading) return QBrush(QColor(255, 255, 255));
        if (changed && dtu::InChangedList(*changed, r[dtu::FieldNumber])) return QBrush(QColor(0, 0, 200));
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

QVariant ParamTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < dtu::FieldCount)
        return dtu::ColumnCaption(section, interface_);
    return QAbstractTableModel::headerData(section, orientation, role);
}

namespace dtu {

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

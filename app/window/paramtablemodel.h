#pragma once
// The window's item model over a parameter table: the table's fields as cells, with the colours,
// fonts, captions and widths of the list views. It follows the table's change signals.
#include "params/paramtable.h"

#include <QAbstractTableModel>

class ParamTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ParamTableModel(dtu::ParamTable& table, QObject* parent);

    dtu::ParamTable& Table() const { return table_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    dtu::ParamTable& table_;
    const bool interface_;
    // The session's table goes before the window's views when the window closes: from then on
    // the model has no rows and never touches the table.
    bool gone_ = false;
};

namespace dtu {
// Column captions and widths of the list views (0 = the column exists but is not shown).
QString ColumnCaption(int column, bool interfaceTable);
int ColumnWidth(int column, bool interfaceTable);
} // namespace dtu

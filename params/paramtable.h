#pragma once
// A parameter table: one row per device parameter, eight text fields per row, shown by a list
// view of the main window. The model keeps every field; the view hides the columns it does not show.
#include "params/choicelist.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <array>
#include <memory>

namespace dtu {

enum ParamField {
    FieldNumber = 0,  // CMDID, four hex digits; empty for a heading row
    FieldName = 1,    // PNAME
    FieldRaw = 2,     // "HEX:" + hex digits
    FieldDisplay = 3, // value as shown
    FieldList = 4,    // ONLIST: empty, a choice list, or script setting Length/Mask
    FieldGet = 5,     // ONGET
    FieldSet = 6,     // ONSET
    FieldNote = 7,    // PNOTE
    FieldCount = 8,
};

struct ParamRow {
    std::array<QString, FieldCount> f;
    // The kinds of ONLIST and ONGET, worked out when the row entered its table (again when the
    // table changes either field). Null for a row outside a table.
    std::shared_ptr<const HookKinds> hooks;
    const QString& operator[](int i) const { return f[static_cast<size_t>(i)]; }
    QString& operator[](int i) { return f[static_cast<size_t>(i)]; }
    // The row's hook kinds: those worked out by its table, or worked out now.
    std::shared_ptr<const HookKinds> Hooks() const;
};

class ParamTable : public QAbstractTableModel {
    Q_OBJECT
public:
    // interfaceTable: the interface parameter table (other captions for the note column).
    explicit ParamTable(bool interfaceTable, QObject* parent = nullptr);

    bool IsInterface() const { return interface_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int Count() const { return static_cast<int>(rows_.size()); }
    const ParamRow& Row(int i) const { return rows_.at(i); }
    // Appends a row and returns its index.
    int Append(const ParamRow& row);
    void SetField(int row, int field, const QString& value);
    void Clear();

    // The table's request list: two bytes per entered row number, high byte first.
    QByteArray RequestList;

    // Row numbers to draw as changed (shared with the changed list).
    void SetChangedList(const QStringList* changed) { changed_ = changed; }
    // Redraws every row (after the changed list changed).
    void RefreshColours();

private:
    bool interface_;
    QList<ParamRow> rows_;
    const QStringList* changed_ = nullptr;
};

// Column captions and widths of the list views (0 = the column exists but is not shown).
QString ColumnCaption(int column, bool interfaceTable);
int ColumnWidth(int column, bool interfaceTable);

} // namespace dtu

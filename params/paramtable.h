#pragma once
// A parameter table: one row per device parameter, eight text fields per row, and the changed
// list it shares. A plain table without drawing: a front end that shows it (the window's item
// model) follows its change signals.
#include "params/choicelist.h"

#include <QObject>
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

class ParamTable : public QObject {
    Q_OBJECT
public:
    // interfaceTable: the interface parameter table.
    explicit ParamTable(bool interfaceTable, QObject* parent = nullptr);

    bool IsInterface() const { return interface_; }

    int Count() const { return static_cast<int>(rows_.size()); }
    const ParamRow& Row(int i) const { return rows_.at(i); }
    // Appends a row and returns its index.
    int Append(const ParamRow& row);
    void SetField(int row, int field, const QString& value);
    void Clear();

    // The table's request list: two bytes per entered row number, high byte first.
    QByteArray RequestList;

    // The changed list the rows are marked by (shared with the session's state); may be null.
    void SetChangedList(const QStringList* changed) { changed_ = changed; }
    const QStringList* ChangedList() const { return changed_; }
    // Tells the viewers that the changed list changed (every row may be marked differently).
    void RefreshColours();

signals:
    // Around Append (row: the new row's index) and Clear; a field's new value; the changed list.
    void RowAboutToBeAppended(int row);
    void RowAppended(int row);
    void AboutToBeCleared();
    void Cleared();
    void FieldChanged(int row, int field);
    void ChangedListChanged();

private:
    bool interface_;
    QList<ParamRow> rows_;
    const QStringList* changed_ = nullptr;
};

} // namespace dtu

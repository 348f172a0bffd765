#pragma once
// A value as a person types it into the editor, turned into the row's raw field text without a
// window: the same editor plan (choice list or edit box with its length and character rules)
// and the same set hook decide, so a value given on the command line or in a file ends up as
// the bytes the editor would have written.
#include "params/paramtable.h"
#include "script/scriptbridge.h"

#include <QString>

namespace dtu {

// The row a text names: four hex digits name the row with that number, anything else the row
// with that name (trimmed). Searches the tables in order; -1 table when none or, for a name,
// when two rows share it (*error says which).
struct RowRef {
    ParamTable* table = nullptr;
    int row = -1;
};
RowRef FindRowByNumberOrName(const QList<ParamTable*>& tables, const QString& text, QString* error);

struct DisplayConversion {
    bool ok = false;
    QString raw;   // "HEX:..." as the table holds it
    QString error; // why the editor would not have taken the text
};

// Converts the display text for a row: a choice row takes one of its entries' texts (the last
// matching entry, as the editor's choice); a free-text row takes a text within its length and
// characters, converted by its set hook. A row the editor does not open at this engineering
// level (a heading, 0091 below level 2) takes nothing.
DisplayConversion DisplayToRaw(const ParamRow& row, const QString& text, int engineeringLevel, ScriptBridge& script);

} // namespace dtu

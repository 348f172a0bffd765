#pragma once
// The in-place editor's decisions: which editor a row gets, its limits and initial text, and how
// an edit becomes the row's raw value. The window only shows what these decide.
#include "base/appstate.h"
#include "params/rows.h"
#include "params/changes.h"
#include "script/scriptbridge.h"

#include <QStringList>

namespace dtu {

// The edit box's limit for free-text rows without a list hook.
inline constexpr int kFreeTextMaxLength = 199;

enum class EditorKind { None, Edit, Combo };

struct EditorPlan {
    EditorKind kind = EditorKind::None;
    // Choice rows: the entries, the selected one (-1 none; the last matching entry wins) and the
    // text the get hook gave (shown when not empty).
    QStringList items;
    int selected = -1;
    QString comboText;
    // Free-text rows: maximum length (0 = no limit) and the characters accepted (empty = any).
    int maxLength = 0;
    QString allowedChars;
    // The text the edit box starts with (only when hasInitialText).
    bool hasInitialText = false;
    QString initialText;
    // Errors to show in a message box (choice list or its get hook).
    QStringList errors;
};

// Whether a row may be edited at the given engineering level: not a heading row, and row 0091
// only at level 2.
bool RowEditable(const ParamRow& row, int engineeringLevel);

// Decides the editor for a row (sets the script's hexinput on the way).
EditorPlan PlanEditor(const ParamRow& row, int engineeringLevel, ScriptBridge& script);

// The hex digits for an edited text, by the row's set hook. False (with the reason) when the
// text cannot be converted: the row then keeps its values.
bool EncodeEditedValue(const ParamRow& row, const QString& text, ScriptBridge& script, QString* hex,
                       QString* error = nullptr);

// Stores an edited text into a row: marks it changed first, then sets the raw and display
// values. On a conversion failure the fields keep their values (the row stays marked).
bool CommitEditText(ParamTable& table, int row, const QString& text, AppState& state, ScriptBridge& script);

// Stores a choice: marks the row changed and sets the raw value of every entry whose text
// equals the chosen text. False with the error when the list hook is not a choice list.
bool CommitChoice(ParamTable& table, int row, const QString& chosen, AppState& state, QString* error);

// Whether a typed character passes the edit box's filter.
inline bool EditAccepts(const QString& allowedChars, QChar c) {
    return allowedChars.isEmpty() || c.unicode() == 8 || allowedChars.contains(c);
}

} // namespace dtu

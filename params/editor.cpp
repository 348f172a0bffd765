#include "params/editor.h"

#include "params/rows.h"
#include "params/changes.h"
#include "params/valuecodec.h"

namespace dtu {

bool RowEditable(const ParamRow& row, int engineeringLevel) {
    const QString& number = row[FieldNumber];
    if (number.isEmpty()) return false;
    return engineeringLevel >= 2 || !IsProtectedNumber(number);
}

static QString ChoiceListError(const QString& hook) { return QStringLiteral("选择列表格式错误：%1").arg(hook); }

static void PlanFreeText(const ParamRow& row, ScriptBridge& script, EditorPlan& plan) {
    plan.kind = EditorKind::Edit;
    const QString& list = row[FieldList];
    if (list.isEmpty()) {
        plan.maxLength = kFreeTextMaxLength;
        return;
    }
    // The list hook is script that may set Length and Mask; an error keeps what was obtained.
    if (!script.Eval(list)) return;
    if (list.contains(QLatin1String("Length"))) {
        int n = 0;
        if (!script.EvalInt(QStringLiteral("Length"), &n)) return;
        plan.maxLength = n > 0 ? n : 0;
    }
    if (list.contains(QLatin1String("Mask"))) {
        const ScriptResult m = script.Eval(QStringLiteral("Mask"));
        if (!m) return;
        plan.allowedChars = m.text;
    }
}

static void PlanInitialText(const ParamRow& row, ScriptBridge& script, EditorPlan& plan) {
    if (row[FieldRaw].size() <= 4) return;
    const QString digits = RowHexDigits(row);
    const QString& get = row[FieldGet];
    const HookKinds::Get kind = row.Hooks()->get;
    QString text;
    if (kind == HookKinds::Get::Str) {
        text = GetStrText(digits);
    } else if (kind == HookKinds::Get::Float) {
        text = GetFloatText(digits);
    } else {
        const ScriptResult r = script.Eval(get);
        if (!r) return;
        text = r.text;
    }
    if (text.isEmpty()) return;
    plan.hasInitialText = true;
    plan.initialText = text;
}

EditorPlan PlanEditor(const ParamRow& row, int engineeringLevel, ScriptBridge& script) {
    EditorPlan plan;
    if (!RowEditable(row, engineeringLevel)) return plan;
    const ScriptBridge::Operation op(script);
    const ScriptBridge::RowHooks hooks(script, row[FieldNumber]);
    script.SetHexInput(RowHexDigits(row));
    const std::shared_ptr<const HookKinds> kinds = row.Hooks();
    if (kinds->choiceHook) {
        const ChoiceList& c = kinds->choices;
        // Every display text needs its hex digits.
        if (kinds->choicesValid && c.digits.size() >= c.texts.size()) {
            plan.kind = EditorKind::Combo;
            plan.items = c.texts;
            const int last = c.LastIndexOf(row[FieldRaw]);
            if (last >= 0) plan.selected = last;
            const ScriptResult r = script.Eval(row[FieldGet]);
            if (!r)
                plan.errors << r.error;
            else
                plan.comboText = r.text;
            return plan;
        }
        plan.errors << ChoiceListError(row[FieldList]); // shown, then edited as free text
    }
    PlanFreeText(row, script, plan);
    PlanInitialText(row, script, plan);
    return plan;
}

bool EncodeEditedValue(const ParamRow& row, const QString& text, ScriptBridge& script, QString* hex, QString* error) {
    const QString& set = row[FieldSet];
    QString out;
    if (HasSetStr(set)) {
        out = SetStrHex(text);
    } else if (HasSetFloat(set)) {
        if (!SetFloatHex(text, &out)) {
            if (error) *error = QStringLiteral("不是数字: %1").arg(text);
            return false;
        }
    } else {
        const ScriptBridge::RowHooks hooks(script, row[FieldNumber]);
        ScriptResult r = script.SetAscInput(text);
        if (r) r = script.Eval(set);
        if (!r) {
            if (error) *error = r.error;
            return false;
        }
        out = r.text;
    }
    *hex = ReplaceNan(out);
    return true;
}

bool CommitEditText(ParamTable& table, int row, const QString& text, AppState& state, ScriptBridge& script) {
    if (row < 0 || row >= table.Count()) return false;
    MarkChanged(state, table.Row(row)[FieldNumber]);
    QString hex;
    if (!EncodeEditedValue(table.Row(row), text, script, &hex)) {
        table.RefreshColours();
        return false;
    }
    SetRawValue(table, row, hex);
    table.SetField(row, FieldDisplay, text);
    table.RefreshColours();
    return true;
}

bool CommitChoice(ParamTable& table, int row, const QString& chosen, AppState& state, QString* error) {
    if (row < 0 || row >= table.Count()) return false;
    MarkChanged(state, table.Row(row)[FieldNumber]);
    table.RefreshColours();
    const std::shared_ptr<const HookKinds> kinds = table.Row(row).Hooks();
    if (!kinds->choicesValid) {
        if (error) *error = ChoiceListError(table.Row(row)[FieldList]);
        return false;
    }
    const ChoiceList& c = kinds->choices;
    for (int i = 0; i < c.Size(); ++i) {
        if (chosen == c.texts.at(i)) {
            SetRawValue(table, row, c.digits.at(i));
            table.SetField(row, FieldDisplay, chosen);
        }
    }
    return true;
}

} // namespace dtu

#include "params/displayvalue.h"

#include "params/editor.h"
#include "params/changes.h"
#include "params/rows.h"

namespace dtu {

namespace {

bool IsRowNumber(const QString& t) {
    if (t.size() != 4) return false;
    for (QChar c : t)
        if (!c.isDigit() && !(c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'))) return false;
    return true;
}

} // namespace

RowRef FindRowByNumberOrName(const QList<ParamTable*>& tables, const QString& text, QString* error) {
    const QString key = text.trimmed();
    RowRef found;
    if (IsRowNumber(key)) {
        for (ParamTable* t : tables) {
            const int i = FindRow(*t, key);
            if (i >= 0) return {t, i};
        }
        if (error) *error = QStringLiteral("no row %1 in the configuration").arg(key);
        return {};
    }
    for (ParamTable* t : tables)
        for (int i = 0; i < t->Count(); ++i) {
            const ParamRow& r = t->Row(i);
            if (r[FieldNumber].isEmpty() || r[FieldName].trimmed() != key) continue;
            if (found.table) {
                if (error) *error = QStringLiteral("two rows are named \"%1\" (%2, %3): give the number").arg(key, found.table->Row(found.row)[FieldNumber], r[FieldNumber]);
                return {};
            }
            found = {t, i};
        }
    if (!found.table && error) *error = QStringLiteral("no row named \"%1\" in the configuration").arg(key);
    return found;
}

DisplayConversion DisplayToRaw(const ParamRow& row, const QString& text, int engineeringLevel, ScriptBridge& script) {
    DisplayConversion c;
    if (!RowEditable(row, engineeringLevel)) {
        c.error = row[FieldNumber].isEmpty() ? QStringLiteral("a heading row holds no value")
                                             : QStringLiteral("row %1 is changed only with the level-2 access code").arg(row[FieldNumber]);
        return c;
    }
    const EditorPlan plan = PlanEditor(row, engineeringLevel, script);
    if (plan.kind == EditorKind::Combo) {
        const ChoiceList& choices = row.Hooks()->choices;
        for (int i = 0; i < choices.Size(); ++i)
            if (choices.texts.at(i) == text) c.raw = QStringLiteral("HEX:") + choices.digits.at(i);
        c.ok = !c.raw.isEmpty();
        if (!c.ok) c.error = QStringLiteral("not one of the choices: %1").arg(plan.items.join(QStringLiteral(", ")));
        return c;
    }
    if (plan.maxLength > 0 && text.size() > plan.maxLength) {
        c.error = QStringLiteral("longer than %1 characters").arg(plan.maxLength);
        return c;
    }
    for (QChar ch : text)
        if (!EditAccepts(plan.allowedChars, ch)) {
            c.error = QStringLiteral("the character \"%1\" is not accepted (only %2)").arg(ch).arg(plan.allowedChars);
            return c;
        }
    QString hex;
    if (!EncodeEditedValue(row, text, script, &hex, &c.error)) return c;
    c.raw = QStringLiteral("HEX:") + hex;
    c.ok = true;
    return c;
}

} // namespace dtu

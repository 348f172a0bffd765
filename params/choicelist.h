#pragma once
// Choice lists and the kinds of a row's hooks, worked out once when a row enters a table.
#include <QString>
#include <QStringList>

namespace dtu {

// A choice list: the display texts and, at the same positions, the hex digits they stand for.
struct ChoiceList {
    QStringList texts;
    QStringList digits;
    // Pairs present in both lists (a longer list's extra entries have no partner).
    int Size() const { return static_cast<int>(qMin(texts.size(), digits.size())); }
    // The first / last entry whose "HEX:" + digits equals the raw field exactly; -1 when none
    // does. A load shows the first match, a read and the editor take the last.
    int FirstIndexOf(const QString& raw) const;
    int LastIndexOf(const QString& raw) const;
    // The text of the first match; empty when none.
    QString TextForRaw(const QString& raw) const;
};

// Parses an ONLIST text of the form [["text", ...], ["hex", ...]]: a JSON array of two arrays
// whose entries are strings (numbers are taken as their decimal text). False for anything else.
bool ParseChoiceList(const QString& text, ChoiceList* out);

// What a row's ONLIST and ONGET are.
struct HookKinds {
    enum class Get { Script, Str, Float };
    // ONLIST is choice-list text ("[[..."), not script.
    bool choiceHook = false;
    // ... and it parses; then `choices` holds it.
    bool choicesValid = false;
    ChoiceList choices;
    // GetStr() and GetFloat() are the tool's own; anything else is evaluated.
    Get get = Get::Script;

    static HookKinds Of(const QString& list, const QString& get);
};

} // namespace dtu

#include "params/choicelist.h"

#include "params/jsontext.h"
#include "params/valuecodec.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace dtu {

// Whether a choice's digits are the raw field: "HEX:" + digits, exactly.
static bool IsRawOf(const QString& raw, const QString& digits) {
    return raw.size() == digits.size() + 4 && raw.startsWith(QLatin1String("HEX:")) && raw.endsWith(digits);
}

int ChoiceList::FirstIndexOf(const QString& raw) const {
    for (int i = 0; i < Size(); ++i)
        if (IsRawOf(raw, digits.at(i))) return i;
    return -1;
}

int ChoiceList::LastIndexOf(const QString& raw) const {
    for (int i = Size() - 1; i >= 0; --i)
        if (IsRawOf(raw, digits.at(i))) return i;
    return -1;
}

QString ChoiceList::TextForRaw(const QString& raw) const {
    const int i = FirstIndexOf(raw);
    return i < 0 ? QString() : texts.at(i);
}

static bool ReadTextArray(const QJsonValue& v, QStringList* out) {
    if (!v.isArray()) return false;
    const QJsonArray a = v.toArray();
    out->clear();
    out->reserve(a.size());
    for (const QJsonValue& e : a) {
        if (!e.isString() && !e.isDouble()) return false;
        out->append(JsonValueText(e));
    }
    return true;
}

bool ParseChoiceList(const QString& text, ChoiceList* out) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &err);
    if (err.error != QJsonParseError::NoError || !doc.isArray()) return false;
    const QJsonArray a = doc.array();
    if (a.size() != 2) return false;
    ChoiceList list;
    if (!ReadTextArray(a.at(0), &list.texts) || !ReadTextArray(a.at(1), &list.digits)) return false;
    *out = list;
    return true;
}

HookKinds HookKinds::Of(const QString& list, const QString& get) {
    HookKinds k;
    k.choiceHook = IsChoiceHook(list);
    if (k.choiceHook) k.choicesValid = ParseChoiceList(list, &k.choices);
    if (HasGetStr(get))
        k.get = Get::Str;
    else if (HasGetFloat(get))
        k.get = Get::Float;
    return k;
}

} // namespace dtu

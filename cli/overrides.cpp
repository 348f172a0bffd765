#include "cli/overrides.h"

#include "base/hex.h"
#include "params/paramops.h"
#include "params/reader.h"
#include "session/session.h"

namespace dtu::cli {

QHash<QString, QString> HeldValues(const QList<ParamTable*>& tables) {
    QHash<QString, QString> out;
    for (ParamTable* t : tables)
        for (int i = 0; i < t->Count(); ++i)
            if (!t->Row(i)[FieldNumber].isEmpty()) out.insert(t->Row(i)[FieldNumber].toUpper(), t->Row(i)[FieldRaw]);
    return out;
}

void ApplyOverrides(Session& session, const QList<ParamTable*>& tables, const QHash<QString, QString>& overrides,
                    const QHash<QString, QString>& held) {
    QStringList& changed = session.State().ChangedParamList;
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
        const QString& number = it.key();
        for (ParamTable* t : tables) {
            if (FindRow(*t, number) < 0) continue;
            DecodeItem(*t, static_cast<quint16>(HexToInt(number)), HexPairsToBytes(it.value().mid(4)), session.Script());
            changed.removeIf([&](const QString& n) { return n.compare(number, Qt::CaseInsensitive) == 0; });
            if (held.value(number).compare(it.value(), Qt::CaseInsensitive) != 0) MarkChanged(session.State(), number);
            break;
        }
    }
}

} // namespace dtu::cli

#include "cli/values.h"

#include "cli/targets.h"
#include "config/textfile.h"
#include "params/displayvalue.h"
#include "session/session.h"

#include <QStringDecoder>

namespace dtu::cli {

namespace {

// A spreadsheet's CSV: valid UTF-8 is taken as UTF-8 (short UTF-8 texts also decode as GBK, to
// other characters), anything else as a configuration file is read (GBK).
QString DecodeInventory(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    return DecodeText(bytes).text;
}

} // namespace

bool ParseSetOption(const QString& text, ValueSetting* out, QString* error) {
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0 || text.left(eq).trimmed().isEmpty()) {
        *error = QStringLiteral("--set \"%1\": give ROW=VALUE (ROW a row number such as 0102 or a row name)").arg(text);
        return false;
    }
    out->row = text.left(eq).trimmed();
    out->value = text.mid(eq + 1);
    out->where = QStringLiteral("--set");
    return true;
}

bool SplitCsv(const QString& text, QList<QStringList>* records, QList<int>* lines, QString* error) {
    QStringList record;
    QString field;
    bool quoted = false, fieldStarted = false;
    int line = 1, recordLine = 1;
    auto endRecord = [&] {
        record << field;
        if (!(record.size() == 1 && record.first().trimmed().isEmpty() && !fieldStarted)) {
            records->append(record);
            lines->append(recordLine);
        }
        record.clear();
        field.clear();
        fieldStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                if (c == QLatin1Char('\n')) ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            quoted = fieldStarted = true;
            field.clear();
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            fieldStarted = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            endRecord();
            recordLine = ++line;
        } else {
            field += c;
        }
    }
    if (quoted) {
        *error = QStringLiteral("line %1: a quoted field is not closed").arg(recordLine);
        return false;
    }
    if (!field.isEmpty() || !record.isEmpty()) endRecord();
    return true;
}

bool ReadInventory(const QString& path, QList<Target>& targets, QList<ValueSetting>& values, QString* error) {
    QByteArray bytes;
    QString why;
    if (!ReadWholeFile(path, &bytes, &why)) {
        *error = path + QStringLiteral(": ") + why;
        return false;
    }
    QList<QStringList> records;
    QList<int> lines;
    if (!SplitCsv(DecodeInventory(bytes), &records, &lines, &why)) {
        *error = path + QStringLiteral(" ") + why;
        return false;
    }
    if (records.isEmpty()) {
        *error = path + QStringLiteral(": empty (the first line heads the columns: target, then row numbers or names)");
        return false;
    }
    const QStringList head = records.first();
    for (qsizetype c = 1; c < head.size(); ++c)
        if (head[c].trimmed().isEmpty()) {
            *error = QStringLiteral("%1 line %2: column %3 has no row number or name").arg(path).arg(lines.first()).arg(c + 1);
            return false;
        }
    QSet<QString> seen, given;
    for (const Target& x : targets) given.insert(TargetKey(x));
    for (qsizetype r = 1; r < records.size(); ++r) {
        const QStringList& f = records[r];
        const QString where = QStringLiteral("%1 line %2").arg(path).arg(lines[r]);
        if (f.size() != head.size()) {
            *error = QStringLiteral("%1: %2 columns, the heading has %3").arg(where).arg(f.size()).arg(head.size());
            return false;
        }
        Target t;
        if (!ParseTargetLine(f.first(), &t, &why)) {
            *error = QStringLiteral("%1: target %2").arg(where, why);
            return false;
        }
        const QString key = TargetKey(t);
        if (seen.contains(key)) {
            *error = QStringLiteral("%1: target %2 is listed twice").arg(where, f.first().trimmed());
            return false;
        }
        seen.insert(key);
        if (!given.contains(key)) targets.append(t), given.insert(key);
        for (qsizetype c = 1; c < f.size(); ++c)
            if (!f[c].isEmpty()) values.append({head[c].trimmed(), f[c], where, key});
    }
    return true;
}

bool ResolveValues(Session& session, QList<Target>& targets, const QList<ValueSetting>& values, QString* error) {
    QList<ParamTable*> tables{&session.MainTable()};
    if (session.State().InterfacePagePresent) tables << &session.InterfaceTable();
    QHash<QString, int> index;
    for (int i = 0; i < targets.size(); ++i) index.insert(TargetKey(targets[i]), i);
    for (const ValueSetting& v : values) {
        const QString who = v.target.isEmpty() ? QStringLiteral("every device") : QStringLiteral("target ") + v.target;
        auto fail = [&](const QString& why) {
            *error = QStringLiteral("%1: %2, row %3, value \"%4\": %5").arg(v.where, who, v.row, v.value, why);
            return false;
        };
        QString why;
        const RowRef ref = FindRowByNumberOrName(tables, v.row, &why);
        if (!ref.table) return fail(why);
        const ParamRow& row = ref.table->Row(ref.row);
        const DisplayConversion c = DisplayToRaw(row, v.value, session.State().EngineeringLevel, session.Script());
        if (!c.ok) return fail(c.error);
        const QString number = row[FieldNumber].toUpper();
        if (v.target.isEmpty())
            for (Target& t : targets) t.overrides.insert(number, c.raw);
        else
            targets[index.value(v.target)].overrides.insert(number, c.raw);
    }
    return true;
}

} // namespace dtu::cli

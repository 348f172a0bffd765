#include "config/profile.h"

#include "params/rows.h"
#include "params/changes.h"
#include "params/jsontext.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <utility>

namespace dtu {

namespace {

QJsonObject RowObject(const ParamRow& r) {
    QJsonObject o;
    o.insert(QLatin1String("CMDID"), r[FieldNumber]);
    o.insert(QLatin1String("PNAME"), r[FieldName]);
    o.insert(QLatin1String("PVALUE"), r[FieldRaw]);
    o.insert(QLatin1String("PNOTE"), r[FieldNote]);
    o.insert(QLatin1String("ONLIST"), r[FieldList]);
    o.insert(QLatin1String("ONGET"), r[FieldGet]);
    o.insert(QLatin1String("ONSET"), r[FieldSet]);
    return o;
}

// The rows as "Params" members. Main rows are named by their index ("0", "1", ... as a load
// expects them); extended rows, which a load takes in member-name order, get names of equal
// width ("00" ... "12") so that the order survives.
QJsonObject RowsObject(const ParamTable& table, bool equalWidth) {
    QJsonObject params;
    const int width = equalWidth ? static_cast<int>(QString::number(qMax(0, table.Count() - 1)).size()) : 0;
    for (int i = 0; i < table.Count(); ++i)
        params.insert(QStringLiteral("%1").arg(i, width, 10, QLatin1Char('0')), RowObject(table.Row(i)));
    return params;
}

bool WriteJson(const QJsonObject& root, TextEncoding encoding, const QString& path, QString* error) {
    QString text = QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QString why;
    if (WriteFileAtomically(path, EncodeText(text, encoding), &why)) return true;
    *error = QStringLiteral("无法写入文件 %1: %2").arg(path, why);
    return false;
}

bool ReadObject(const QString& path, QJsonObject* root, QString* error) {
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, error)) return false;
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(DecodeText(bytes).text.toUtf8(), &e);
    if (e.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("文件 %1 不是有效的参数文件").arg(path);
        return false;
    }
    *root = doc.object();
    return true;
}

// A name as a later load from the current working directory finds it: relative below it,
// absolute elsewhere.
QString NameFromWorkingDir(const QString& path) {
    const QString abs = QFileInfo(path).absoluteFilePath();
    const QString rel = QDir::current().relativeFilePath(abs);
    return rel.startsWith(QLatin1String("..")) ? abs : rel;
}

struct FileRow {
    QString number;
    QString value;
};

QList<FileRow> FileRows(const QJsonValue& params) {
    QList<FileRow> rows;
    auto add = [&](const QJsonValue& v) {
        if (!v.isObject()) return;
        const ParamEntry e = ParamEntry::FromJson(v.toObject());
        if (!e.cmdId.isEmpty()) rows.append({e.cmdId, e.value});
    };
    if (params.isObject()) {
        const QJsonObject o = params.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) add(it.value());
    } else if (params.isArray()) {
        for (const QJsonValue& v : params.toArray()) add(v);
    }
    return rows;
}

// The hex digits of a raw value in upper case; false when it is not "HEX:" + byte digits (the
// empty text and "HEX:" alone are the empty value).
bool RawDigits(const QString& raw, QString* digits) {
    if (raw.size() < 5) {
        digits->clear(); // no value digits, as a load reads it
        return true;
    }
    if (!raw.startsWith(QLatin1String("HEX:"), Qt::CaseInsensitive)) return false;
    const QString d = raw.mid(4).toUpper();
    if (d.size() % 2 != 0) return false;
    for (QChar c : d)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    *digits = d;
    return true;
}

void CompareTable(ScriptBridge& script, AppState& state, ParamTable& table, const QList<FileRow>& rows,
                  CompareResult* out) {
    QStringList inFile;
    for (const FileRow& f : rows) {
        inFile << f.number.toUpper();
        const int row = FindRow(table, f.number);
        if (row < 0) {
            out->missingInTable << f.number;
            continue;
        }
        QString fileDigits, rowDigits;
        if (!RawDigits(f.value, &fileDigits)) {
            out->invalid << f.number;
            continue;
        }
        RawDigits(table.Row(row)[FieldRaw], &rowDigits);
        if (fileDigits == rowDigits) continue;
        const QString raw = QStringLiteral("HEX:") + fileDigits;
        const ParamRow& r = table.Row(row);
        QString display;
        // A hook that fails leaves the display empty, as the load leaves such a row.
        LoadDisplayText(script, r[FieldNumber], raw, *r.Hooks(), r[FieldGet], &display);
        table.SetField(row, FieldRaw, raw);
        table.SetField(row, FieldDisplay, display);
        MarkChanged(state, table.Row(row)[FieldNumber]);
        ++out->differing;
    }
    for (int i = 0; i < table.Count(); ++i) {
        const ParamRow& r = table.Row(i);
        if (!r[FieldNumber].isEmpty() && !inFile.contains(r[FieldNumber].toUpper())) out->missingInFile << r[FieldName];
    }
    table.RefreshColours();
}

} // namespace

QString ExtendedPathFor(const QString& path) {
    const QFileInfo fi(path);
    const QString suffix = fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix();
    return fi.dir().filePath(fi.completeBaseName() + QStringLiteral("_ex") + suffix);
}

ProfileSaveResult SaveProfile(const ProfileSource& source, const ParamTable& main, const ParamTable* iface,
                              const QString& path) {
    ProfileSaveResult r;
    r.path = path;
    if (path.isEmpty()) {
        r.error = QStringLiteral("没有文件名");
        return r;
    }
    QJsonObject root = source.root;
    root.insert(QLatin1String("Params"), RowsObject(main, false));
    if (iface) {
        // The extended file keeps the members of the one loaded (its title), when it can be read.
        const QString loadedEx = JsonValueText(source.root.value(QLatin1String("ExParamFile")));
        QJsonObject exRoot;
        QString ignored;
        if (!loadedEx.isEmpty()) ReadObject(loadedEx, &exRoot, &ignored);
        exRoot.insert(QLatin1String("Params"), RowsObject(*iface, true));
        r.exPath = ExtendedPathFor(path);
        // Written first: the configuration never names a file that is not there.
        if (!WriteJson(exRoot, source.encoding, r.exPath, &r.error)) return r;
        root.insert(QLatin1String("ExParamFile"), NameFromWorkingDir(r.exPath));
    } else {
        root.remove(QLatin1String("ExParamFile"));
    }
    r.ok = WriteJson(root, source.encoding, path, &r.error);
    return r;
}

CompareResult CompareWithFile(ScriptBridge& script, AppState& state, ParamTable& main, ParamTable* iface,
                              const QString& path) {
    CompareResult r;
    QJsonObject root;
    if (!ReadObject(path, &root, &r.error)) {
        r.ok = false;
        return r;
    }
    // Every extended row is read before a table changes: a file that cannot be used changes nothing.
    QList<FileRow> exRows;
    const QString exName = JsonValueText(root.value(QLatin1String("ExParamFile")));
    if (iface && !exName.isEmpty()) {
        QString exPath = exName;
        if (!QFileInfo::exists(exPath) && QFileInfo(exName).isRelative())
            exPath = QFileInfo(path).dir().filePath(exName);
        QJsonObject exRoot;
        if (!ReadObject(exPath, &exRoot, &r.error)) {
            r.ok = false;
            return r;
        }
        exRows = FileRows(exRoot.value(QLatin1String("Params")));
    }
    CompareTable(script, state, main, FileRows(root.value(QLatin1String("Params"))), &r);
    if (iface) CompareTable(script, state, *iface, exRows, &r);
    return r;
}

void ReportComparison(const CompareResult& r, IStatusSink& status) {
    if (!r.ok) {
        status.Report(r.error);
        return;
    }
    for (const QString& name : r.missingInFile) status.Log(QStringLiteral("文件中无此参数：") + name);
    for (const QString& number : r.missingInTable) status.Log(QStringLiteral("表中无此参数：") + number);
    for (const QString& number : r.invalid) status.Log(QStringLiteral("文件中的参数值无效：") + number);
    status.Report(QStringLiteral("[对比完成：%1项不同]").arg(r.differing));
}

} // namespace dtu

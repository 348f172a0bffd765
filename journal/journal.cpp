#include "journal/journal.h"

#include "journal/appendfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace dtu {

namespace {

// Appends from the threads of one program take turns here. Another program's append needs no
// lock: each append is one write at the end of the file (see AppendToFile), and two programs that
// both find a torn last line both start a fresh line, which leaves an empty line and nothing worse.
QMutex appendMutex;

// A file that does not end with a line break ends with a torn record: the next record starts
// on a line of its own.
bool EndsTorn(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() == 0) return false;
    char last = '\n';
    return f.seek(f.size() - 1) && f.getChar(&last) && last != '\n';
}

const QRegularExpression& MonthFilePattern() {
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{2})\\.jsonl$"));
    return re;
}

// The records of one file that pass the filter, in file order; skipped lines as warnings.
void ReadFile(const QString& folder, const QString& name, const JournalFilter& filter, QList<JournalRecord>* out,
              QStringList* warnings) {
    QFile f(folder + QLatin1Char('/') + name);
    if (!f.open(QIODevice::ReadOnly)) {
        *warnings << QStringLiteral("%1: cannot be read (%2)").arg(name, f.errorString());
        return;
    }
    int lineNo = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty()) continue;
        QJsonParseError pe;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &pe);
        QString why;
        std::optional<JournalRecord> r;
        if (!doc.isObject())
            why = pe.error != QJsonParseError::NoError ? pe.errorString() : QStringLiteral("not a JSON object");
        else
            r = FromJson(doc.object(), &why);
        if (!r) {
            *warnings << QStringLiteral("%1 line %2: torn or unreadable record skipped (%3)").arg(name).arg(lineNo).arg(why);
            continue;
        }
        if (!filter.target.isEmpty() && r->target != filter.target) continue;
        if (filter.since && r->time < *filter.since) continue;
        if (!filter.operation.isEmpty() && r->operation != filter.operation) continue;
        out->append(*r);
    }
}

} // namespace

Journal::Journal(const QString& folder) : folder_(folder.isEmpty() ? DefaultFolder() : folder) {}

QString Journal::DefaultFolder() {
    const QString env = qEnvironmentVariable("DTUCFG_JOURNAL_DIR");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/dtucfg/journal");
}

QString Journal::FileName(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM")) + QStringLiteral(".jsonl");
}

bool Journal::Append(const QList<JournalRecord>& records, QString* error, bool sync) const {
    if (records.isEmpty()) return true;
    QString why;
    auto fail = [&](const QString& reason) {
        if (error) *error = QStringLiteral("the journal in %1 cannot be written: %2").arg(folder_, reason);
        return false;
    };
    if (!QDir().mkpath(folder_)) return fail(QStringLiteral("cannot create the folder"));
    // Consecutive records of one month in one append.
    QList<QPair<QString, QByteArray>> pieces;
    for (JournalRecord r : records) {
        if (!r.time.isValid()) r.time = QDateTime::currentDateTime();
        const QString path = folder_ + QLatin1Char('/') + FileName(r.time);
        if (pieces.isEmpty() || pieces.last().first != path) pieces.append({path, {}});
        pieces.last().second += QJsonDocument(ToJson(r)).toJson(QJsonDocument::Compact) + '\n';
    }
    QMutexLocker guard(&appendMutex);
    for (auto& [path, bytes] : pieces) {
        if (EndsTorn(path)) bytes.prepend('\n');
        if (!AppendToFile(path, bytes, sync, &why)) return fail(why);
    }
    return true;
}

bool Journal::Sync(const QList<QDateTime>& months, QString* error) const {
    QStringList done;
    for (const QDateTime& t : months) {
        const QString path = folder_ + QLatin1Char('/') + FileName(t);
        if (done.contains(path)) continue;
        done << path;
        QString why;
        if (!SyncFile(path, &why)) {
            if (error) *error = QStringLiteral("the journal in %1 cannot be written: %2").arg(folder_, why);
            return false;
        }
    }
    return true;
}

JournalRead Journal::Read(const JournalFilter& filter) const {
    JournalRead result;
    QStringList names = QDir(folder_).entryList({QStringLiteral("*.jsonl")}, QDir::Files);
    std::sort(names.begin(), names.end(), std::greater<>());
    for (const QString& name : names) {
        const auto m = MonthFilePattern().match(name);
        if (!m.hasMatch()) continue;
        // A month that ended (a day's margin for a change of zone) before `since` holds nothing newer.
        const QDate first(m.captured(1).toInt(), m.captured(2).toInt(), 1);
        if (filter.since && first.isValid() && first.addMonths(1).addDays(1).startOfDay() < *filter.since) continue;
        QList<JournalRecord> month;
        ReadFile(folder_, name, filter, &month, &result.warnings);
        std::reverse(month.begin(), month.end());
        result.records += month;
    }
    return result;
}

JournalOperation::JournalOperation(const Journal& journal, JournalRecord common,
                                   std::function<void(const QString&)> notRecorded)
    : journal_(journal), common_(std::move(common)), notRecorded_(std::move(notRecorded)) {
    if (common_.operation.isEmpty()) common_.operation = NewOperationId();
}

void JournalOperation::AddRow(JournalTable table, const QString& number, const QString& name,
                              const std::optional<JournalValue>& before, const JournalValue& written,
                              JournalOutcome outcome, const QString& message) {
    JournalRecord r = common_;
    r.table = table;
    r.number = number;
    r.name = name;
    r.before = before;
    r.written = written;
    r.outcome = outcome;
    r.message = message;
    Add(std::move(r));
}

void JournalOperation::AddCommand(const JournalValue& sent, JournalOutcome outcome, const QString& message) {
    JournalRecord r = common_;
    r.table = JournalTable::None;
    r.written = sent;
    r.outcome = outcome;
    r.message = message;
    Add(std::move(r));
}

void JournalOperation::Add(JournalRecord r) {
    r.time = QDateTime::currentDateTime();
    records_.append(r);
    QString why;
    if (!journal_.Append({r}, &why, false) && error_.isEmpty()) {
        error_ = why;
        if (notRecorded_) notRecorded_(why);
    }
}

bool JournalOperation::Finish() {
    if (!error_.isEmpty()) return false;
    QList<QDateTime> months;
    for (const JournalRecord& r : records_) months << r.time;
    QString why;
    if (journal_.Sync(months, &why)) return true;
    error_ = why;
    if (notRecorded_) notRecorded_(why);
    return false;
}

} // namespace dtu

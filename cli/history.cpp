#include "cli/history.h"

#include "journal/journal.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace dtu::cli {

namespace {

void Out(const QString& text) { std::fputs(text.toLocal8Bit().constData(), stdout); }
void Err(const QString& line) { std::fprintf(stderr, "dtucfg-cli: %s\n", line.toLocal8Bit().constData()); }

const char* const kDescription = R"(Prints the journal of changes made to devices by dtucfg and dtucfg-cli, newest first.

Each operation starts with a line naming its id (for undo --operation), kind, front end and
configuration; each row written follows: time, user, target, row, value before -> value
written ("?" when the value before is unknown), outcome and the tool's message.)";

} // namespace

bool IsHistoryCommand(const QStringList& arguments) {
    // The first word that is neither an option nor the value of --target or --since.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--target") || a == QLatin1String("--since")) {
            ++i;
            continue;
        }
        if (!a.startsWith(QLatin1Char('-'))) return a == QLatin1String("history");
    }
    return false;
}

int RunHistory(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(QString::fromUtf8(kDescription));
    p.addPositionalArgument(QStringLiteral("history"), QStringLiteral("the command"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    p.addOptions({
        help,
        {QStringLiteral("target"), QStringLiteral("Only this device: a serial port or a TCP address HOST:PORT."), QStringLiteral("T")},
        {QStringLiteral("since"), QStringLiteral("Only records from this date (2026-12-08) or date and time (2026-12-08T14:30) on."), QStringLiteral("DATE")},
        {QStringLiteral("json"), QStringLiteral("The records as one JSON document on stdout.")},
    });
    if (!p.parse(arguments)) {
        Err(p.errorText());
        return 2;
    }
    if (p.isSet(help)) {
        Out(p.helpText());
        return 0;
    }
    if (p.positionalArguments() != QStringList{QStringLiteral("history")}) {
        Err(QStringLiteral("history takes no other words: \"%1\"").arg(p.positionalArguments().join(QLatin1Char(' '))));
        return 2;
    }
    JournalFilter filter;
    filter.target = p.value(QStringLiteral("target"));
    if (p.isSet(QStringLiteral("since"))) {
        filter.since = ParseSince(p.value(QStringLiteral("since")));
        if (!filter.since) {
            Err(QStringLiteral("--since takes a date (2026-12-08) or a date and time (2026-12-08T14:30), not \"%1\"")
                    .arg(p.value(QStringLiteral("since"))));
            return 2;
        }
    }
    const Journal journal;
    const JournalRead read = journal.Read(filter);
    for (const QString& w : read.warnings) Err(QStringLiteral("journal: ") + w);
    if (p.isSet(QStringLiteral("json"))) {
        QJsonArray records;
        for (const JournalRecord& r : read.records) records.append(ToJson(r));
        const QJsonObject doc{{QStringLiteral("command"), QStringLiteral("history")},
                              {QStringLiteral("journal"), journal.Folder()},
                              {QStringLiteral("records"), records},
                              {QStringLiteral("warnings"), QJsonArray::fromStringList(read.warnings)}};
        Out(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
        return 0;
    }
    QString operation;
    for (const JournalRecord& r : read.records) {
        if (r.operation != operation) {
            operation = r.operation;
            QString head = QStringLiteral("operation %1  %2  %3").arg(r.operation, KindText(r.kind), r.frontEnd);
            if (!r.config.isEmpty()) head += QStringLiteral("  config ") + r.config;
            if (!r.version.isEmpty()) head += QStringLiteral("  version ") + r.version;
            if (!r.identityRow.isEmpty()) head += QStringLiteral("  %1=%2").arg(r.identityRow, r.identity);
            Out(head + QLatin1Char('\n'));
        }
        Out(QStringLiteral("  %1  %2@%3  %4  %5  %6  %7\n")
                .arg(r.time.toString(Qt::ISODateWithMs), r.user, r.host, r.target, RowText(r), ChangeText(r), OutcomeLine(r)));
    }
    if (read.records.isEmpty()) Out(QStringLiteral("no records in %1\n").arg(journal.Folder()));
    return 0;
}

} // namespace dtu::cli

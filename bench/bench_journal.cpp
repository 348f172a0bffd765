// The journal's cost for one 100-row operation: each record appended as the row is written and
// the operation synced to the disk at its end, all 100 appended and synced at once, and without
// the journal; then the time to read a journal of many operations (history, the undo plan).
// Runs in a scratch folder (or $DTUCFG_JOURNAL_DIR, to measure another disk).
#include "journal/journal.h"
#include "journal/undo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace dtu;

namespace {

constexpr int kRows = 100;
constexpr int kRuns = 20;

JournalRecord Common() {
    JournalRecord c = StampedRecord(QStringLiteral("cli"));
    c.target = QStringLiteral("/dev/ttyUSB1");
    c.kind = JournalKind::Apply;
    c.config = QStringLiteral("golden.txt");
    c.version = QStringLiteral("DTU V2.1 build 2026");
    return c;
}

QString Number(int i) { return QStringLiteral("%1").arg(0x100 + i, 4, 16, QLatin1Char('0')).toUpper(); }

// One operation's rows, told to `add` one by one as the device answers them.
template <typename Add> void Rows(Add add) {
    for (int i = 0; i < kRows; ++i)
        add(Number(i), JournalValue{QStringLiteral("HEX:1388"), QStringLiteral("5000")},
            JournalValue{QStringLiteral("HEX:1389"), QStringLiteral("5001")});
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms) sum += m;
    std::printf("%-46s median %8.3f ms  mean %8.3f ms  max %8.3f ms  (%d runs of %d rows)\n", what, ms[ms.size() / 2],
                sum / static_cast<double>(ms.size()), ms.back(), kRuns, kRows);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString folder = qEnvironmentVariable("DTUCFG_JOURNAL_DIR", scratch.filePath(QStringLiteral("journal")));
    const Journal journal(folder);
    std::printf("journal in %s\n", qPrintable(folder));

    std::vector<double> without, perRow, batch;
    QElapsedTimer t;
    for (int run = 0; run < kRuns; ++run) {
        // Without the journal: the rows are reported and nothing else happens.
        t.start();
        int seen = 0;
        Rows([&](const QString& n, const JournalValue&, const JournalValue&) { seen += n.size(); });
        without.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);

        t.start();
        JournalOperation op(journal, Common(), [](const QString& why) { std::printf("not recorded: %s\n", qPrintable(why)); });
        Rows([&](const QString& n, const JournalValue& before, const JournalValue& written) {
            op.AddRow(JournalTable::Main, n, QStringLiteral("服务器端口"), before, written, JournalOutcome::Done,
                      QStringLiteral("[参数设置成功]"));
        });
        op.Finish();
        perRow.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);

        t.start();
        QList<JournalRecord> records;
        JournalRecord c = Common();
        c.operation = NewOperationId();
        Rows([&](const QString& n, const JournalValue& before, const JournalValue& written) {
            JournalRecord r = c;
            r.time = QDateTime::currentDateTime();
            r.table = JournalTable::Main;
            r.number = n;
            r.before = before;
            r.written = written;
            records << r;
        });
        QString error;
        if (!journal.Append(records, &error)) std::printf("not recorded: %s\n", qPrintable(error));
        batch.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    Report("without the journal", without);
    Report("journal, a record per row, synced at the end", perRow);
    Report("journal, the operation appended and synced", batch);

    // Reading: every record of the journal (history) and the undo plan for a target.
    const JournalRead all = journal.Read();
    t.start();
    const JournalRead again = journal.Read();
    const double readMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    t.start();
    const UndoPlan plan = PlanUndo(journal, QStringLiteral("/dev/ttyUSB1"));
    const double planMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    std::printf("reading %lld records: %.1f ms; undo plan of the last operation (%lld rows): %.1f ms\n",
                static_cast<long long>(again.records.size()), readMs, static_cast<long long>(plan.restore.size()), planMs);
    return all.records.size() == again.records.size() ? 0 : 1;
}

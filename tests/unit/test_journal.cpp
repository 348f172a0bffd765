// The journal of changes: records written and read back whole, a torn line skipped without
// spoiling its neighbours, filters, a journal that cannot be written, and undo plans.
#include "journal/journal.h"
#include "journal/undo.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu;

namespace {

JournalRecord Common(const QString& target, JournalKind kind, const QString& op = {}) {
    JournalRecord c = StampedRecord(QStringLiteral("cli"));
    c.target = target;
    c.kind = kind;
    c.config = QStringLiteral("golden.txt");
    c.operation = op;
    return c;
}

// A record of one row at a given time; rows 02xx stand for the interface table here.
JournalRecord Row(const QString& target, const QString& op, JournalKind kind, const QString& number, const char* at,
                  std::optional<JournalValue> before, JournalOutcome outcome = JournalOutcome::Done) {
    JournalRecord r = Common(target, kind, op);
    r.time = QDateTime::fromString(QString::fromLatin1(at), Qt::ISODateWithMs);
    r.table = number.startsWith(QLatin1String("02")) ? JournalTable::Interface : JournalTable::Main;
    r.number = number;
    r.name = QStringLiteral("参数") + number;
    r.before = before;
    r.written = {QStringLiteral("HEX:FF"), QStringLiteral("255")};
    r.outcome = outcome;
    return r;
}

QStringList Numbers(const QList<UndoRow>& rows) {
    QStringList n;
    for (const UndoRow& r : rows) n << r.number;
    return n;
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString Folder(const char* name) const { return dir_.filePath(QLatin1String(name)); }

private slots:
    // An operation's records (every field, a row of each table, an unknown before, a device
    // command) come back as they were given, newest first; the line carries ms and the zone.
    void recordsRoundTrip() {
        const Journal journal(Folder("round"));
        JournalRecord common = Common(QStringLiteral("/dev/ttyUSB1"), JournalKind::Apply);
        common.version = QStringLiteral("DTU V2.1");
        common.identityRow = IdentityRowOf(QJsonObject{{QStringLiteral("IdentityRow"), QStringLiteral("0001")}});
        common.identity = QStringLiteral("12345678");
        QStringList failures;
        JournalOperation op(journal, common, [&](const QString& why) { failures << why; });
        op.AddRow(JournalTable::Main, QStringLiteral("0102"), QStringLiteral("服务器端口"),
                  JournalValue{QStringLiteral("HEX:1388"), QStringLiteral("5000")},
                  {QStringLiteral("HEX:1389"), QStringLiteral("5001")}, JournalOutcome::Done, QStringLiteral("[参数设置成功]"));
        op.AddRow(JournalTable::Interface, QStringLiteral("0201"), QStringLiteral("波特率"), std::nullopt,
                  {QStringLiteral("HEX:03"), QStringLiteral("9600")}, JournalOutcome::VerifyFailed, QStringLiteral("[回读校验失败]"));
        op.AddRow(JournalTable::Main, QStringLiteral("0104"), QStringLiteral("心跳"), JournalValue{}, {}, JournalOutcome::NoAnswer, {});
        op.AddCommand({QString(), QStringLiteral("2026-12-08 10:00:00")}, JournalOutcome::Refused, QStringLiteral("[设置失败]"));
        QVERIFY(op.Finish());
        QVERIFY(failures.isEmpty());
        QCOMPARE(op.Records().size(), 4);
        QCOMPARE(op.Id().size(), 36);

        const JournalRead read = journal.Read();
        QVERIFY(read.warnings.isEmpty());
        QList<JournalRecord> expected = op.Records();
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(read.records.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) QVERIFY2(read.records.at(i) == expected.at(i), qPrintable(QString::number(i)));
        QCOMPARE(read.records.at(0).table, JournalTable::None);
        QVERIFY(!read.records.at(2).before.has_value());
        QVERIFY(read.records.at(1).before.has_value()); // known, and empty

        QFile f(journal.Folder() + QLatin1Char('/') + Journal::FileName(op.Records().first().time));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonObject line = QJsonDocument::fromJson(f.readLine()).object();
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"))
                    .match(line.value(QStringLiteral("time")).toString()).hasMatch());
        QCOMPARE(line.value(QStringLiteral("outcome")).toString(), QStringLiteral("done"));
        QCOMPARE(line.value(QStringLiteral("row")).toObject().value(QStringLiteral("table")).toString(), QStringLiteral("main"));
    }

    // A line torn by a crash (no line break, half a record) is skipped with a warning; the
    // records before and after it survive, and the next append starts on a line of its own.
    void tornLineSkipped() {
        const Journal journal(Folder("torn"));
        const QString t = QStringLiteral("COM3");
        QString error;
        QVERIFY(journal.Append({Row(t, QStringLiteral("a"), JournalKind::Write, QStringLiteral("0101"), "2026-12-08T10:00:00.000+08:00", std::nullopt)}, &error));
        QFile f(journal.Folder() + QStringLiteral("/2026-12.jsonl"));
        QVERIFY(f.open(QIODevice::Append));
        f.write("{\"time\":\"2026-12-08T10:00:01.000+08:00\",\"target\":\"COM3\",\"opera");
        f.close();
        QVERIFY(journal.Append({Row(t, QStringLiteral("b"), JournalKind::Write, QStringLiteral("0102"), "2026-12-08T10:00:02.000+08:00", std::nullopt)}, &error));
        const JournalRead read = journal.Read();
        QCOMPARE(read.records.size(), 2);
        QCOMPARE(read.records.at(0).operation, QStringLiteral("b"));
        QCOMPARE(read.records.at(1).operation, QStringLiteral("a"));
        QCOMPARE(read.warnings.size(), 1);
        QVERIFY2(read.warnings.first().startsWith(QStringLiteral("2026-12.jsonl line 2: torn")), qPrintable(read.warnings.first()));
    }

    // Target and since filter; every month is read, newest first.
    void filters() {
        const Journal journal(Folder("filters"));
        QString error;
        QVERIFY2(journal.Append({Row(QStringLiteral("A"), QStringLiteral("1"), JournalKind::Apply, QStringLiteral("0101"), "2026-11-30T23:00:00.000Z", std::nullopt),
                                Row(QStringLiteral("B"), QStringLiteral("2"), JournalKind::Apply, QStringLiteral("0101"), "2026-12-08T08:00:00.000Z", std::nullopt),
                                Row(QStringLiteral("A"), QStringLiteral("3"), JournalKind::Write, QStringLiteral("0101"), "2026-12-08T12:00:00.000Z", std::nullopt)},
                               &error), qPrintable(error));
        QCOMPARE(QDir(journal.Folder()).entryList(QDir::Files).size(), 2); // one file a month
        auto ops = [&](const JournalFilter& f) {
            QStringList o;
            for (const JournalRecord& r : journal.Read(f).records) o << r.operation;
            return o.join(QLatin1Char(','));
        };
        QCOMPARE(ops({}), QStringLiteral("3,2,1"));
        QCOMPARE(ops({QStringLiteral("A"), std::nullopt, {}}), QStringLiteral("3,1"));
        QCOMPARE(ops({{}, ParseSince(QStringLiteral("2026-12-01")), {}}), QStringLiteral("3,2"));
        QCOMPARE(ops({QStringLiteral("A"), ParseSince(QStringLiteral("2026-12-08 10:00Z")), {}}), QStringLiteral("3"));
        QCOMPARE(ops({{}, ParseSince(QStringLiteral("2026-12-08T12:00:00.001Z")), {}}), QString());
        QVERIFY(!ParseSince(QStringLiteral("8.12.2026")));
    }

    // A journal that cannot be written: the operation goes on, the reason comes once.
    void unwritableJournalSaysWhyOnce() {
        QFile blocker(Folder("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const Journal journal(Folder("blocker") + QStringLiteral("/journal"));
        QStringList failures;
        JournalOperation op(journal, Common(QStringLiteral("COM1"), JournalKind::Write), [&](const QString& w) { failures << w; });
        op.AddRow(JournalTable::Main, QStringLiteral("0101"), QString(), std::nullopt, {}, JournalOutcome::Done, {});
        op.AddRow(JournalTable::Main, QStringLiteral("0102"), QString(), std::nullopt, {}, JournalOutcome::Done, {});
        QVERIFY(!op.Finish());
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().contains(journal.Folder()), qPrintable(failures.first()));
        QCOMPARE(op.Records().size(), 2);
    }

    // Undo: the last operation on the target that changed parameters, or one by id; rows with a
    // known value before to restore (the first one known, refused rows left out), unknown ones apart.
    void undoPlans() {
        const JournalValue v1{QStringLiteral("HEX:01"), QStringLiteral("1")}, v2{QStringLiteral("HEX:02"), QStringLiteral("2")};
        QList<JournalRecord> log{
            Row(QStringLiteral("T"), QStringLiteral("apply1"), JournalKind::Apply, QStringLiteral("0102"), "2026-12-08T10:00:00.000Z", v1),
            Row(QStringLiteral("T"), QStringLiteral("apply1"), JournalKind::Apply, QStringLiteral("0103"), "2026-12-08T10:00:01.000Z", v1, JournalOutcome::Refused),
            Row(QStringLiteral("T"), QStringLiteral("apply1"), JournalKind::Apply, QStringLiteral("0201"), "2026-12-08T10:00:02.000Z", v2, JournalOutcome::NoAnswer),
            Row(QStringLiteral("T"), QStringLiteral("apply1"), JournalKind::Apply, QStringLiteral("0102"), "2026-12-08T10:00:03.000Z", v2, JournalOutcome::VerifyFailed),
            Row(QStringLiteral("T"), QStringLiteral("apply1"), JournalKind::Apply, QStringLiteral("0104"), "2026-12-08T10:00:04.000Z", std::nullopt),
            Row(QStringLiteral("U"), QStringLiteral("other"), JournalKind::Write, QStringLiteral("0102"), "2026-12-08T11:00:00.000Z", v2),
            Row(QStringLiteral("T"), QStringLiteral("reset"), JournalKind::Reset, QString(), "2026-12-08T12:00:00.000Z", std::nullopt),
        };
        log.last().table = JournalTable::None;
        std::reverse(log.begin(), log.end());

        const UndoPlan last = PlanUndo(log, QStringLiteral("T"));
        QVERIFY2(last.CanUndo(), qPrintable(last.error));
        QCOMPARE(last.operation, QStringLiteral("apply1"));
        QCOMPARE(Numbers(last.restore), (QStringList{QStringLiteral("0102"), QStringLiteral("0201")}));
        QCOMPARE(last.restore.at(0).before, v1); // the value before the operation, not before its retry
        QCOMPARE(last.restore.at(1).table, JournalTable::Interface);
        QCOMPARE(Numbers(last.unknown), QStringList{QStringLiteral("0104")});

        // A newer write of the same target with no value before known: nothing is restored past it.
        log.prepend(Row(QStringLiteral("T"), QStringLiteral("write2"), JournalKind::Write, QStringLiteral("0105"), "2026-12-08T13:00:00.000Z", std::nullopt));
        const UndoPlan blind = PlanUndo(log, QStringLiteral("T"));
        QVERIFY(!blind.CanUndo());
        QCOMPARE(blind.operation, QStringLiteral("write2"));
        QCOMPARE(Numbers(blind.unknown), QStringList{QStringLiteral("0105")});

        QVERIFY(PlanUndo(log, QStringLiteral("T"), QStringLiteral("apply1")).CanUndo());
        QVERIFY(PlanUndo(log, QStringLiteral("U"), QStringLiteral("apply1")).error.contains(QStringLiteral("not on U")));
        QVERIFY(!PlanUndo(log, QStringLiteral("T"), QStringLiteral("reset")).CanUndo());
        QVERIFY(!PlanUndo(log, QStringLiteral("T"), QStringLiteral("nope")).error.isEmpty());

        // The same through the journal on disk.
        const Journal journal(Folder("undo"));
        QList<JournalRecord> oldestFirst = log;
        std::reverse(oldestFirst.begin(), oldestFirst.end());
        QString error;
        QVERIFY(journal.Append(oldestFirst, &error));
        const UndoPlan read = PlanUndo(journal, QStringLiteral("T"), QStringLiteral("apply1"));
        QCOMPARE(Numbers(read.restore), Numbers(last.restore));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"

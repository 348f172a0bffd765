// dtucfg-cli history: the journal's records for a target since a time, as JSON and as text.
#include "journal/journal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu;

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void historyFiltersAndPrints() {
        QTemporaryDir dir;
        const Journal journal(dir.filePath(QStringLiteral("journal")));
        QList<JournalRecord> records;
        const char* const rows[][3] = {{"/dev/ttyUSB1", "op1", "2026-11-30T23:00:00.000Z"},
                                       {"/dev/ttyUSB2", "op2", "2026-12-08T09:00:00.000Z"},
                                       {"/dev/ttyUSB1", "op3", "2026-12-08T10:00:00.000Z"}};
        for (const auto& row : rows) {
            JournalRecord r = StampedRecord(QStringLiteral("window"));
            r.target = QString::fromLatin1(row[0]);
            r.operation = QString::fromLatin1(row[1]);
            r.time = QDateTime::fromString(QString::fromLatin1(row[2]), Qt::ISODateWithMs);
            r.table = JournalTable::Main;
            r.number = QStringLiteral("0102");
            r.name = QStringLiteral("服务器端口");
            r.before = JournalValue{QStringLiteral("HEX:1388"), QStringLiteral("5000")};
            r.written = {QStringLiteral("HEX:1389"), QStringLiteral("5001")};
            records << r;
        }
        QString error;
        QVERIFY2(journal.Append(records, &error), qPrintable(error));

        auto run = [&](const QStringList& args, QByteArray* out) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DTUCFG_JOURNAL_DIR"), journal.Folder());
            env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(DTUCFG_CLI), args);
            if (!p.waitForFinished(30000)) return -1;
            *out = p.readAllStandardOutput();
            return p.exitCode();
        };
        QByteArray out;
        QCOMPARE(run({QStringLiteral("--target"), QStringLiteral("/dev/ttyUSB1"), QStringLiteral("history"),
                      QStringLiteral("--since"), QStringLiteral("2026-12-01"), QStringLiteral("--json")}, &out), 0);
        const QJsonArray got = QJsonDocument::fromJson(out).object().value(QStringLiteral("records")).toArray();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got.at(0).toObject().value(QStringLiteral("operation")).toString(), QStringLiteral("op3"));

        QCOMPARE(run({QStringLiteral("history")}, &out), 0);
        const QString text = QString::fromLocal8Bit(out);
        QVERIFY2(text.indexOf(QStringLiteral("op3")) < text.indexOf(QStringLiteral("op2")) &&
                     text.indexOf(QStringLiteral("op2")) < text.indexOf(QStringLiteral("op1")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("/dev/ttyUSB2  0102 服务器端口  5000 → 5001  done")), qPrintable(text));

        QCOMPARE(run({QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("yesterday")}, &out), 2);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"

// dtucfg-cli end to end against simulators on ptys: several devices with faults, the journal and
// undo, bad input.
#include "journal/journal.h"
#include "tests/support/rig.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu::test;

namespace {

CliRun RunCli(const QString& dir, const QStringList& args) { return RunProgram(QStringLiteral(DTUCFG_CLI), dir, args); }

QJsonObject Device(const QJsonObject& report, int i) { return report.value("devices").toArray().at(i).toObject(); }

QStringList Numbers(const QJsonValue& list) {
    QStringList out;
    for (const QJsonValue& v : list.toArray()) out << v.toObject().value("number").toString();
    return out;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        for (const char* f : {"script.js", "demo.txt", "interface.txt"})
            QVERIFY(QFile::copy(QStringLiteral(DEMO_DIR "/") + f, dir_.filePath(f)));
        // The profile to apply: two rows changed against what the devices hold.
        QFile in(dir_.filePath("demo.txt"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
        QJsonObject params = root.value("Params").toObject();
        for (const QString& key : params.keys()) {
            QJsonObject row = params.value(key).toObject();
            if (row.value("CMDID") == "0102") row.insert("PVALUE", "HEX:1389");
            if (row.value("CMDID") == "0104") row.insert("PVALUE", "HEX:0078");
            params.insert(key, row);
        }
        root.insert("Params", params);
        root.insert("ReplyEnd", "frame");
        QFile out(dir_.filePath("profile.txt"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(root).toJson());
    }

    // Three devices: one takes the profile, one refuses a row, one goes silent after the first
    // write. Exit 1; the report says which device did what.
    void applyToThreeDevices() {
        const QStringList values{"--values", dir_.filePath("demo.txt"), "--ex-values", dir_.filePath("interface.txt")};
        QProcess good, refusing, dying;
        const QString a = StartSim(good, values);
        const QString b = StartSim(refusing, values + QStringList{"--readonly", "0104"});
        // Channel select, two table reads with their selects, then one write: the second goes unanswered.
        const QString c = StartSim(dying, values + QStringList{"--silent-after", "6"});
        QVERIFY(!a.isEmpty() && !b.isEmpty() && !c.isEmpty());

        const CliRun r = RunCli(dir_.path(), {"apply", "--config", "profile.txt", "--port", a, "--port", b, "--port", c, "--json"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.json.value("exitStatus").toInt(), 1);
        const QJsonObject ok = Device(r.json, 0), refused = Device(r.json, 1), silent = Device(r.json, 2);
        QCOMPARE(ok.value("status").toString(), QString("done"));
        QCOMPARE(ok.value("replyEnd").toString(), QString("frame"));
        QCOMPARE(Numbers(ok.value("written")), (QStringList{"0102", "0104"}));
        QVERIFY(ok.value("verifyFailed").toArray().isEmpty());
        QVERIFY(ok.value("verified").toArray().contains("0104"));

        QCOMPARE(refused.value("status").toString(), QString("failed"));
        QCOMPARE(Numbers(refused.value("written")), QStringList{"0102"});
        QCOMPARE(Numbers(refused.value("refused")), QStringList{"0104"});
        QCOMPARE(refused.value("refused").toArray().at(0).toObject().value("message").toString(), QString("[参数设置失败]"));
        QCOMPARE(Numbers(refused.value("verifyFailed")), QStringList{"0104"});

        QCOMPARE(silent.value("status").toString(), QString("failed"));
        QCOMPARE(silent.value("error").toString(), QString("device stopped answering"));
        QCOMPARE(Numbers(silent.value("written")), QStringList{"0102"});
        QCOMPARE(silent.value("refused").toArray().at(0).toObject().value("message").toString(),
                 QString("[参数设置失败，设备无响应！]"));

        // The device that took the profile now matches it; verify says so with exit 0.
        const CliRun v = RunCli(dir_.path(), {"verify", "--config", "profile.txt", "--port", a, "--json"});
        QCOMPARE(v.exitCode, 0);
        QVERIFY(Device(v.json, 0).value("differences").toArray().isEmpty());
        for (QProcess* p : {&good, &refusing, &dying}) StopSim(*p);
    }

    // apply --backup journals each row with the value it replaced and saves the device's values
    // first; undo puts them back (verify finds the device as it was); a journal that cannot be
    // written stops no change and is said once.
    void journalBackupAndUndo() {
        const QByteArray testJournal = qgetenv("DTUCFG_JOURNAL_DIR");
        const QString journalDir = dir_.filePath("journal");
        qputenv("DTUCFG_JOURNAL_DIR", journalDir.toLocal8Bit());
        QProcess sim;
        const QString port = StartSim(sim, {"--values", dir_.filePath("demo.txt"), "--ex-values", dir_.filePath("interface.txt")});
        QVERIFY(!port.isEmpty());

        CliRun r = RunCli(dir_.path(), {"apply", "--config", "profile.txt", "--port", port, "--backup", "backups", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QString operation = Device(r.json, 0).value("journal").toString();
        const dtu::JournalRead read = dtu::Journal(journalDir).Read({{}, {}, operation});
        QCOMPARE(read.records.size(), 2);
        const dtu::JournalRecord& row = read.records.last();
        QCOMPARE(row.kind, dtu::JournalKind::Apply);
        QCOMPARE(row.frontEnd, QString("cli"));
        QVERIFY2(port.endsWith(row.target), qPrintable(row.target));
        QCOMPARE(row.number, QString("0102"));
        QCOMPARE(row.before->raw, QString("HEX:1388"));
        QCOMPARE(row.written.raw, QString("HEX:1389"));
        QFile backup(Device(r.json, 0).value("backup").toString());
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QVERIFY(backup.readAll().contains("HEX:1388"));

        r = RunCli(dir_.path(), {"undo", "--port", port, "--json"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(Device(r.json, 0).value("undone").toString(), operation);
        QCOMPARE(Numbers(Device(r.json, 0).value("written")), (QStringList{"0102", "0104"}));
        r = RunCli(dir_.path(), {"verify", "--config", "demo.txt", "--port", port, "--json"});
        QCOMPARE(r.exitCode, 0);

        qputenv("DTUCFG_JOURNAL_DIR", dir_.filePath("demo.txt").toLocal8Bit()); // a file, not a folder
        r = RunCli(dir_.path(), {"clock", "--set", "--port", port, "--json"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count("not recorded"), 1);
        QVERIFY(Device(r.json, 0).value("journalError").toString().contains("cannot be written"));
        qputenv("DTUCFG_JOURNAL_DIR", testJournal);
        StopSim(sim);
    }

    // Bad input: one line naming the file or option, the right exit status, never a crash.
    void badInput() {
        QFile broken(dir_.filePath("broken.txt"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{ \"Params\": ");
        broken.close();
        CliRun r = RunCli(dir_.path(), {"apply", "--config", "broken.txt", "--port", "/dev/null"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("broken.txt"), r.err);

        r = RunCli(dir_.path(), {"info", "--port", dir_.filePath("no-such-port"), "--json"});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(Device(r.json, 0).value("status").toString(), QString("no-port"));

        r = RunCli(dir_.path(), {"reset", "--port", dir_.filePath("no-such-port")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("--yes"), r.err);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"

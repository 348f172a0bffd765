// dtucfg-cli against the fleet simulator (one dtusim process serving devices on consecutive
// loopback addresses): per-device values from an inventory and --set, a silent device, bounded
// jobs, and input errors found before any device is touched.
#include "tests/support/rig.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu::test;

namespace {

CliRun RunCli(const QString& dir, const QStringList& args) { return RunProgram(QStringLiteral(DTUCFG_CLI), dir, args); }

// "number=value" of each row of a device's list ("written", "wouldWrite").
QStringList Written(const QJsonObject& device, const char* key = "written") {
    QStringList out;
    for (const QJsonValue& v : device.value(key).toArray())
        out << v.toObject().value("number").toString() + "=" + v.toObject().value("value").toString();
    return out;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestFleet : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QProcess sim_;
    QString base_; // "127.X.Y." of this run, devices at .1 .2 .3

    QString Addr(int k) const { return base_ + QString::number(k); }
    // A control line to the fleet simulator and its answer.
    QString Control(const QString& line) {
        sim_.write((line + "\n").toUtf8());
        return sim_.waitForReadyRead(5000) ? QString::fromUtf8(sim_.readLine()).trimmed() : QString();
    }

private slots:
    void initTestCase() {
        for (const char* f : {"script.js", "demo.txt"}) QVERIFY(QFile::copy(QStringLiteral(DEMO_DIR "/") + f, dir_.filePath(f)));
        // The demo profile without its interface page (selected channels are a serial matter), frame-end replies.
        QFile in(dir_.filePath("demo.txt"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
        root.remove("ExParamFile");
        root.insert("ReplyEnd", "frame");
        WriteFile(dir_.filePath("fleet.txt"), QJsonDocument(root).toJson());
        // An address block of this process's own, so parallel runs do not meet.
        const qint64 pid = QCoreApplication::applicationPid();
        base_ = QStringLiteral("127.%1.%2.").arg(100 + pid % 100).arg(pid / 100 % 250);
        sim_.setProgram(SimPath());
        sim_.setArguments({"--fleet", "3", "--listen", Addr(1), "--quiet", "--values", dir_.filePath("demo.txt"),
                           "--fleet-faults", "silent:2"});
        sim_.setProcessChannelMode(QProcess::SeparateChannels);
        sim_.start();
        QVERIFY(sim_.waitForReadyRead(10000));
        const QString line = QString::fromUtf8(sim_.readLine());
        QVERIFY2(line.startsWith("FLEET 3 " + Addr(1) + "-" + Addr(3)), qPrintable(line));
    }
    void cleanupTestCase() { StopSim(sim_); }

    // Values the devices would not take, an unknown row, a target twice, a malformed line or
    // target: exit 2 with the place named, and no device has been logged into.
    void inputErrorsTouchNoDevice() {
        const QString head = "target,0102,工作模式\n";
        const QString t1 = "tcp:" + Addr(1), t3 = "tcp:" + Addr(3);
        struct Case {
            QString csv;
            QStringList extra;
            QStringList expected; // parts of the one error line
        };
        const QList<Case> cases{
            {head + t1 + ",6001,UDP\n" + t3 + ",70000,TCP\n", {}, {"inv.csv line 3", Addr(3), "row 0102", "\"70000\"", "65535"}},
            {head + t1 + ",6001,SCTP\n", {}, {"inv.csv line 2", "row 工作模式", "\"SCTP\"", "TCP, UDP"}},
            {"target,没有这行\n" + t1 + ",1\n", {}, {"inv.csv line 2", "没有这行"}},
            {head + t1 + ",6001,UDP\n" + t1 + ":8888,6002,UDP\n", {}, {"inv.csv line 3", "twice"}},
            {head + t1 + ",6001\n", {}, {"inv.csv line 2", "columns"}},
            {head + "tcp:" + Addr(1) + ":notaport,1,TCP\n", {}, {"inv.csv line 2", "notaport"}},
            {head, {"--tcp", Addr(1) + ":notaport"}, {"--tcp", "notaport"}},
            {head, {"--tcp", Addr(1), "--tcp", Addr(1) + ":8888"}, {"twice"}},
            {head + t1 + ",6001,UDP\n", {"--set", "心跳间隔(秒)=5"}, {"--set", "every device", "\"5\""}},
            {head + t1 + ",6001,UDP\n", {"--set", "0091=DTU9"}, {"0091", "access code"}},
            {head + t1 + ",6001,UDP\n", {"--set", "报警短信号码=1380013800a"}, {"报警短信号码", "\"a\""}},
            {head + t1 + ",6001,UDP\n", {"--set", "报警短信号码=138001380001"}, {"报警短信号码", "11"}},
        };
        for (const Case& c : cases) {
            WriteFile(dir_.filePath("inv.csv"), c.csv.toUtf8());
            const CliRun r = RunCli(dir_.path(), QStringList{"apply", "--config", "fleet.txt", "--inventory", "inv.csv"} + c.extra);
            QCOMPARE(r.exitCode, 2);
            const QString err = QString::fromUtf8(r.err);
            QCOMPARE(err.count('\n'), 1);
            for (const QString& part : c.expected) QVERIFY2(err.contains(part), qPrintable(err + " lacks " + part));
        }
        // A GBK inventory names its rows as well.
        QStringEncoder gbk("GBK");
        WriteFile(dir_.filePath("inv.csv"), gbk.encode(head + t1 + ",6001,SCTP\n"));
        const CliRun r = RunCli(dir_.path(), {"apply", "--config", "fleet.txt", "--inventory", "inv.csv"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(QString::fromUtf8(r.err).contains("row 工作模式, value \"SCTP\""), r.err.constData());
        QVERIFY2(Control("1 status").endsWith("logins 0"), "a device was logged into");
    }

    // An inventory (UTF-8, a quoted comma, an empty cell, a row by name) and --set for all, to
    // three devices with one job at a time (one worker: each device after the one before,
    // the third after the silent one); --check --diff first writes nothing and tells what
    // would change; then the silent one fails (exit 1), the others take their own values and
    // verify; the same run again writes nothing.
    void applyInventoryToFleet() {
        WriteFile(dir_.filePath("inv.csv"), ("target,0102,APN,工作模式\n"
                                             "tcp:" + Addr(1) + ",6001,CMNET,UDP\n"
                                             "tcp:" + Addr(2) + ",6002,,\n"
                                             "tcp:" + Addr(3) + ",6003,\"ab,c\",TCP\n").toUtf8());
        const QStringList args{"apply", "--config", "fleet.txt", "--inventory", "inv.csv", "--set", "心跳间隔(秒)=120",
                               "--jobs", "1", "--retries", "1", "--json"};
        CliRun r = RunCli(dir_.path(), args + QStringList{"--check", "--diff"});
        QCOMPARE(r.exitCode, 1);
        for (int i : {0, 2}) {
            const QJsonObject d = r.json.value("devices").toArray()[i].toObject();
            QCOMPARE(d.value("status").toString(), QString("done"));
            QVERIFY(d.value("changed").toBool());
            QVERIFY(Written(d).isEmpty());
            QCOMPARE(d.value("diff").toArray().size(), 3);
        }
        // Each device its own rows: nothing of the first (its 工作模式) reaches the third.
        QCOMPARE(Written(r.json.value("devices").toArray()[0].toObject(), "wouldWrite"),
                 (QStringList{"0102=HEX:1771", "0103=HEX:01", "0104=HEX:0078"}));
        const QJsonObject checked = r.json.value("devices").toArray()[2].toObject();
        QCOMPARE(Written(checked, "wouldWrite"), (QStringList{"0102=HEX:1773", "0104=HEX:0078", "0105=HEX:61622C63"}));
        QCOMPARE(checked.value("diff").toArray()[0].toObject(),
                 (QJsonObject{{"number", "0102"}, {"name", "服务器端口"}, {"before", "5000"}, {"after", "6003"}}));
        QCOMPARE(checked.value("wouldWrite").toArray()[2].toObject().value("beforeDisplay").toString(), QString("CMNET"));
        QCOMPARE(r.json.value("devices").toArray()[1].toObject().value("failure").toString(), QString("no-answer"));
        for (int k : {1, 3}) QCOMPARE(Control(QString::number(k) + " get 1 0102"), QString("0102 = 1388"));

        r = RunCli(dir_.path(), args);
        QCOMPARE(r.exitCode, 1);
        const QJsonArray devices = r.json.value("devices").toArray();
        QCOMPARE(devices.size(), 3);
        const QJsonObject a = devices[0].toObject(), b = devices[1].toObject(), c = devices[2].toObject();
        QCOMPARE(a.value("status").toString(), QString("done"));
        QVERIFY(a.value("changed").toBool());
        QCOMPARE(Written(a), (QStringList{"0102=HEX:1771", "0103=HEX:01", "0104=HEX:0078"}));
        QCOMPARE(c.value("status").toString(), QString("done"));
        QCOMPARE(Written(c), (QStringList{"0102=HEX:1773", "0104=HEX:0078", "0105=HEX:61622C63"}));
        // Only the first device's write of 工作模式 is in its texts; the next ones carry none of it.
        for (const QJsonObject& d : {a, b, c})
            QCOMPARE(d.value("messages").toVariant().toStringList().filter("工作模式").size(), d == a ? 1 : 0);
        QVERIFY(c.value("verified").toArray().contains("0105"));
        QCOMPARE(b.value("status").toString(), QString("failed"));
        QCOMPARE(b.value("attempts").toInt(), 2);
        QCOMPARE(a.value("attempts").toInt(), 1);
        QCOMPARE(Control("3 get 1 0105"), QString("0105 = 61622C63"));

        r = RunCli(dir_.path(), args);
        QCOMPARE(r.exitCode, 1);
        for (int i : {0, 2}) {
            QCOMPARE(r.json.value("devices").toArray()[i].toObject().value("status").toString(), QString("done"));
            QVERIFY(Written(r.json.value("devices").toArray()[i].toObject()).isEmpty());
            QVERIFY(!r.json.value("devices").toArray()[i].toObject().value("changed").toBool(true));
        }
    }
};

QTEST_GUILESS_MAIN(TestFleet)
#include "test_fleet.moc"

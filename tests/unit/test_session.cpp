// The session's operations against the simulated device: apply (both tables, a refused row, a
// silent device, a read-back that differs, a stop), over the in-process channel and over TCP.
#include "config/config.h"
#include "protocol/commands.h"
#include "session/session.h"
#include "sim/simchannel.h"
#include "sim/tcpendpoint.h"
#include "tests/support/rig.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

using namespace dtu;
using namespace dtu::test;

namespace {

// Writes a copy of a demo file with some rows' values replaced.
bool CopyWith(const QString& from, const QString& to, const QHash<QString, QString>& values) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
    QJsonObject params = root.value("Params").toObject();
    for (const QString& key : params.keys()) {
        QJsonObject row = params.value(key).toObject();
        const QString n = row.value("CMDID").toString();
        if (values.contains(n)) row.insert("PVALUE", values.value(n));
        params.insert(key, row);
    }
    root.insert("Params", params);
    if (root.contains("ExParamFile")) root.insert("ExParamFile", "golden-interface.txt");
    QFile out(to);
    return out.open(QIODevice::WriteOnly) && out.write(QJsonDocument(root).toJson()) > 0;
}

QStringList Numbers(const QList<RowWrite>& rows) {
    QStringList out;
    for (const RowWrite& w : rows) out << w.row.number;
    return out;
}

struct Recorder : ISessionObserver {
    QList<RowWrite> sent;
    int stopAfter = -1;
    int lastDone = 0, lastTotal = 0;
    void RowSent(const RowWrite& w) override { sent << w; }
    void Progress(int done, int total, const QString&) override { lastDone = done, lastTotal = total; }
    bool StopRequested() override { return stopAfter >= 0 && sent.size() >= stopAfter; }
};

// A session on the demo configuration, its device holding the demo values.
struct Rig {
    RecordingStatus status;
    NullConfigView view;
    Session session{status, view};
    sim::SimDevice device;
    sim::SimChannel link{device};
    FakeClock clock;
    Recorder observer;
    Rig() {
        QVERIFY(!session.LoadScript("script.js").Failed());
        QVERIFY(!session.LoadConfiguration("demo.txt").Failed());
        QVERIFY(device.LoadValues(sim::Table::Main, "demo.txt"));
        QVERIFY(device.LoadValues(sim::Table::Interface, "interface.txt"));
        session.SetObserver(&observer);
    }
    void InProcess() {
        session.SetChannel(link);
        session.SetWaitClock(&clock);
    }
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        for (const char* f : {"script.js", "demo.txt", "interface.txt"})
            QVERIFY(QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/") + f, dir_.filePath(f)));
        QVERIFY(QDir::setCurrent(dir_.path()));
        // The profile: one main row and one interface row differ from the device (its extended
        // file is found beside it).
        QVERIFY(QDir().mkdir("golden"));
        QVERIFY(CopyWith("demo.txt", "golden/demo.txt", {{"0102", "HEX:1389"}}));
        QVERIFY(CopyWith("interface.txt", "golden/golden-interface.txt", {{"0402", "HEX:0014"}}));
    }

    // Each table's row goes into its own table of the device, over the in-process channel and
    // over the TCP maintenance link; a second apply changes nothing.
    void applyBothTables_data() {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("in-process") << false;
        QTest::newRow("tcp") << true;
    }
    void applyBothTables() {
        QFETCH(bool, tcp);
        Rig r;
        sim::TcpEndpoint endpoint(r.device);
        if (tcp) {
            QVERIFY(endpoint.Listen(QHostAddress::LocalHost, 0));
            // The device had the interface channel selected by someone else.
            r.device.SelectChannel(0);
            QCOMPARE(r.session.Open(QStringLiteral("127.0.0.1:%1").arg(endpoint.Port()), true).kind, Failure::Kind::None);
            r.session.Exchanger().SetReplyEnd(ReplyEnd::Frame);
        } else {
            r.InProcess();
        }
        const ReadResult read = r.session.ReadAll();
        QVERIFY2(!read.failure.Failed(), qPrintable(read.failure.text));
        QCOMPARE(read.rows.size(), 13); // 9 main rows (0000 and headings left out), 4 interface rows

        const ApplyResult check = r.session.Apply("golden/demo.txt", {true, true, {}});
        QCOMPARE(Numbers(check.wouldWrite), (QStringList{"0102", "0402"}));
        QVERIFY(check.written.isEmpty() && check.Changed());

        const ApplyResult a = r.session.Apply("golden/demo.txt");
        QVERIFY2(!a.failure.Failed(), qPrintable(a.failure.text));
        QCOMPARE(Numbers(a.written), (QStringList{"0102", "0402"}));
        QVERIFY(a.written.at(1).row.interfaceTable);
        QVERIFY(a.written.at(1).beforeKnown);
        QCOMPARE(a.written.at(1).beforeRaw, QString("HEX:000A"));
        QCOMPARE(a.verified.size(), 12); // every row of the profile but the protected 0091
        QCOMPARE(r.device.Value(sim::Table::Main, 0x0102), QByteArray::fromHex("1389"));
        QCOMPARE(r.device.Value(sim::Table::Interface, 0x0402), QByteArray::fromHex("0014"));
        QVERIFY(!r.device.Value(sim::Table::Main, 0x0402)); // nothing of the interface table in the main one
        QCOMPARE(r.observer.sent.size(), 2);

        const ApplyResult again = r.session.Apply("golden/demo.txt");
        QVERIFY(!again.failure.Failed() && !again.Changed());
        r.session.Close();
    }

    // A refused row, a silent device, a device that stores something else, a stop.
    void applyFailures() {
        {
            Rig r;
            r.InProcess();
            r.device.SetReadOnly({0x0102});
            const ApplyResult a = r.session.Apply("golden/demo.txt");
            QCOMPARE(a.failure.kind, Failure::Kind::Refused);
            QCOMPARE(Numbers(a.refused), QStringList{"0102"});
            QCOMPARE(a.refused.first().message, QString("[参数设置失败]"));
            QCOMPARE(Numbers(a.written), QStringList{"0402"});
            QCOMPARE(a.mismatches.size(), 1);
            QCOMPARE(a.mismatches.first().device.raw, QString("HEX:1388"));
        }
        {
            Rig r;
            r.InProcess();
            // Two reads and a channel select are answered, then nothing.
            r.device.SetSilentAfter(3);
            const ApplyResult a = r.session.Apply("golden/demo.txt");
            QCOMPARE(a.failure.kind, Failure::Kind::NoAnswer);
            QCOMPARE(a.failure.text, QString("device stopped answering"));
            QCOMPARE(a.refused.first().message, QString("[参数设置失败，设备无响应！]"));
            QCOMPARE(a.notWritten, 1);
            QVERIFY(a.verified.isEmpty());
            QVERIFY(InChanged(r, "0402") && !InChanged(r, "0102"));
        }
        {
            Rig r;
            r.InProcess();
            r.device.SetStoredInstead(sim::Table::Main, 0x0102, QByteArray::fromHex("0050"));
            const ApplyResult a = r.session.Apply("golden/demo.txt");
            QCOMPARE(a.failure.kind, Failure::Kind::VerifyFailed);
            QCOMPARE(a.mismatches.size(), 1);
            const Mismatch& m = a.mismatches.first();
            QCOMPARE(m.profile.raw, QString("HEX:1389"));
            QCOMPARE(m.device.raw, QString("HEX:0050"));
            QCOMPARE(m.message, QString("[回读校验失败：服务器端口 写入=5001 读回=80]"));
            QVERIFY(r.status.log.contains(m.message));
        }
        {
            Rig r;
            r.InProcess();
            r.observer.stopAfter = 1;
            const ApplyResult a = r.session.Apply("golden/demo.txt");
            QVERIFY(a.stopped && !a.failure.Failed());
            QCOMPARE(a.notWritten, 1);
            QCOMPARE(Numbers(a.written), QStringList{"0102"});
            QCOMPARE(r.session.State().ChangedParamList, QStringList{"0402"});
            QCOMPARE(r.observer.lastDone, 1);
            QCOMPARE(r.observer.lastTotal, 2);
        }
    }

    // The window's 设置: the changed rows from the top, each announced before it goes out, past
    // one the device does not answer; a row that may not be written is forgotten with the rest;
    // only what was written is read back, and a row that reads back otherwise stays changed.
    void writeChanged() {
        Rig r;
        r.InProcess();
        struct Starts : ISessionObserver {
            QStringList rows;
            void RowStarting(bool, const QString& number) override { rows << number; }
        } starts;
        r.session.SetObserver(&starts);
        r.link.SetUnanswered({0x0102});
        r.device.SetStoredInstead(sim::Table::Main, 0x0104, QByteArray::fromHex("0078"));
        r.session.State().ChangedParamList = {"0104", "0091", "0102", "0101"};
        const ApplyResult a = r.session.WriteChanged(true);
        QCOMPARE(starts.rows, (QStringList{"0101", "0102", "0104"}));
        QCOMPARE(Numbers(a.written), (QStringList{"0101", "0104"}));
        QCOMPARE(Numbers(a.refused), QStringList{"0102"});
        QCOMPARE(a.refused.first().reply, int(ReplyNone));
        QCOMPARE(a.verified.size(), 1);
        QCOMPARE(a.mismatches.size(), 1);
        QCOMPARE(a.failure.kind, Failure::Kind::Refused);
        QCOMPARE(r.session.State().ChangedParamList, QStringList{"0104"});

        // 批量写参数: every row the level allows, from the top; a channel that closes ends the run
        // with the closed-channel message and the changes are forgotten.
        struct Closer : ISessionObserver {
            sim::SimChannel* link = nullptr;
            QStringList rows;
            void RowSent(const RowWrite& w) override {
                rows << w.row.number;
                if (rows.size() == 2) link->SetOpen(false);
            }
        } closer;
        closer.link = &r.link;
        r.session.SetObserver(&closer);
        const ApplyResult all = r.session.WriteAll();
        QCOMPARE(closer.rows, (QStringList{"0101", "0102"}));
        QCOMPARE(all.failure.cause, ChannelClosedText());
        QVERIFY(r.session.State().ChangedParamList.isEmpty());
    }

    // A TCP target that cannot be reached says why.
    void connectFailures() {
        Rig r;
        QCOMPARE(r.session.Open("127.0.0.1:notaport", true).kind, Failure::Kind::BadTarget);
        quint16 port = 0;
        {
            sim::TcpEndpoint gone(r.device);
            QVERIFY(gone.Listen(QHostAddress::LocalHost, 0));
            port = gone.Port();
        }
        const Failure f = r.session.Open(QStringLiteral("127.0.0.1:%1").arg(port), true);
        QCOMPARE(f.kind, Failure::Kind::ConnectionRefused);
        QCOMPARE(f.text, QStringLiteral("127.0.0.1:%1连接失败：连接被拒绝").arg(port));

        // A device that ends the connection after the password.
        QTcpServer closing;
        QVERIFY(closing.listen(QHostAddress::LocalHost, 0));
        connect(&closing, &QTcpServer::newConnection, &closing, [&closing] {
            QTcpSocket* s = closing.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s] { s->close(); });
        });
        // Seen while connecting, or at the first exchange.
        Failure closed = r.session.Open(QStringLiteral("127.0.0.1:%1").arg(closing.serverPort()), true);
        if (!closed.Failed()) {
            r.session.SetWaitClock(&r.clock);
            r.clock.onPause = [](int, int) { QTest::qWait(1); };
            closed = r.session.ReadAll().failure;
        }
        QCOMPARE(closed.kind, Failure::Kind::PasswordRefused);
        QVERIFY(closed.text.endsWith("连接失败：维护密码未被接受"));
    }

private:
    static bool InChanged(Rig& r, const char* n) { return r.session.State().ChangedParamList.contains(n); }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"

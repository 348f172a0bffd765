// The device link over real ports: a pseudo-terminal for the serial port, loopback TCP for the
// maintenance link, and the receive display and transparent send on top of them.
#include "link/datachannel.h"
#include "link/logtext.h"
#include "link/receivedisplay.h"
#include "link/seriallink.h"
#include "link/tcplink.h"
#include "protocol/exchange.h"
#include "base/hex.h"
#include "tests/support/rig.h"
#include "tests/support/pty.h"
#include "protocol/transparent.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace dtu;
using namespace dtu::test;

namespace {

QByteArray ReadSerial(SerialLink& s, int expect, int ms = 2000) {
    QByteArray got;
    SpinUntil([&] {
        got += s.ReadAvailable();
        return got.size() >= expect;
    }, ms);
    return got;
}

// A loopback server standing in for the device's maintenance port.
struct Peer {
    QTcpServer server;
    QList<QTcpSocket*> conns;
    QByteArray received;
    Peer() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* c = server.nextPendingConnection()) {
                conns << c;
                QObject::connect(c, &QTcpSocket::readyRead, [this, c] { received += c->readAll(); });
            }
        });
    }
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void baudTable_data();
    void baudTable();
    void frameFormat();
    void statusTexts();
    void serialBothWays_data();
    void serialBothWays();
    void serialOpenFails();
    void ptyClosedUnderOpenPort();
    void tcpPasswordOncePerConnect();
    void tcpFailedAttemptCountsAsClosed();
    void tcpWinsOverSerial();
    void exchangeOverPty();
    void receiveDisplay();
    void receiveDisplayGbkSplit();
    void receiveDisplayPortError();
    void boundedLines_data();
    void boundedLines();
    void hexInput();
    void textInput();
    void repeatSendCounts();
};

void TestLink::baudTable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rate");
    for (const char* r : {"300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600",
                          "115200", "230400", "460800", "921600", "33600", "76800"})
        QTest::newRow(r) << QString::fromLatin1(r) << QString::fromLatin1(r).toInt();
    QTest::newRow("unlisted") << "12345" << 9600;
    QTest::newRow("56000 is not offered") << "56000" << 9600;
    QTest::newRow("blank") << " 9600" << 9600;
    QTest::newRow("empty") << "" << 9600;
}

void TestLink::baudTable() {
    QFETCH(QString, text);
    QFETCH(int, rate);
    QCOMPARE(BaudFromText(text), rate);
}

void TestLink::frameFormat() {
    FrameFormat f = ApplyFrameFormat({}, QStringLiteral("7E2"));
    QCOMPARE(f.dataBits, QSerialPort::Data7);
    QCOMPARE(f.parity, QSerialPort::EvenParity);
    QCOMPARE(f.stopBits, QSerialPort::TwoStop);
    // An unknown character leaves that setting as it was.
    f = ApplyFrameFormat(f, QStringLiteral("8X1"));
    QCOMPARE(f.dataBits, QSerialPort::Data8);
    QCOMPARE(f.parity, QSerialPort::EvenParity);
    QCOMPARE(f.stopBits, QSerialPort::OneStop);
    f = ApplyFrameFormat(f, QStringLiteral("9O"));
    QCOMPARE(f.dataBits, QSerialPort::Data8);
    QCOMPARE(f.parity, QSerialPort::OddParity);
    QCOMPARE(f.stopBits, QSerialPort::OneStop);
}

void TestLink::statusTexts() {
    QCOMPARE(OpenedText("COM1", "57600", "8N1"), QStringLiteral("COM1打开成功,BaudRate=57600,参数=8N1"));
    QCOMPARE(OpenedText("COM1", "12345", "8N1"), QStringLiteral("COM1打开成功,BaudRate=12345,参数=8N1"));
    QCOMPARE(OpenFailedText("COM7"), QStringLiteral("COM7打开失败"));
}

void TestLink::serialBothWays_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("rate");
    QTest::newRow("57600 8N1") << "57600" << "8N1" << 57600;
    QTest::newRow("9600 7E2") << "9600" << "7E2" << 9600;
    QTest::newRow("115200 8O1") << "115200" << "8O1" << 115200;
    QTest::newRow("unlisted runs at 9600") << "12345" << "8N2" << 9600;
}

void TestLink::serialBothWays() {
    QFETCH(QString, baud);
    QFETCH(QString, format);
    QFETCH(int, rate);
    PtyPair pty;
    QVERIFY(pty.Ok());
    SerialLink s;
    QString err;
    QVERIFY2(s.Open(pty.SlavePath(), baud, format, &err), qPrintable(err));
    QVERIFY(s.IsOpen());
    QCOMPARE(s.BaudRate(), rate);
    QCOMPARE(s.Port().flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(s.Format().dataBits, ApplyFrameFormat({}, format).dataBits);

    // Every byte value passes unchanged, 00 included.
    QByteArray all;
    for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
    s.Write(all);
    QCOMPARE(pty.Read(), all);
    pty.Write(all);
    QCOMPARE(ReadSerial(s, all.size()), all);
    s.Close();
    QVERIFY(!s.IsOpen());
    QCOMPARE(s.ReadAvailable(), QByteArray());
}

void TestLink::serialOpenFails() {
    SerialLink s;
    QString err;
    QVERIFY(!s.Open(QStringLiteral("/dev/does-not-exist-dtu"), "57600", "8N1", &err));
    QVERIFY(!s.IsOpen());
    QVERIFY(err.contains(QStringLiteral("Cannot open device")));
    // Trying again works the same way and does not throw.
    QVERIFY(!s.Open(QStringLiteral("/dev/does-not-exist-dtu"), "57600", "8N1"));
}

void TestLink::ptyClosedUnderOpenPort() {
    auto pty = std::make_unique<PtyPair>();
    SerialLink s;
    QVERIFY(s.Open(pty->SlavePath(), "57600", "8N1"));
    QSignalSpy lost(&s, &SerialLink::Lost);
    pty.reset(); // the device side goes away
    // A read now reports the port error, a write never hangs or crashes.
    bool reported = false;
    QVERIFY(SpinUntil([&] {
        try {
            s.ReadAvailable();
        } catch (const LinkError& e) {
            reported = e.Text() == QStringLiteral("Unable to read from port.");
        }
        return reported;
    }));
    try {
        s.Write(QByteArrayLiteral("x"));
    } catch (const LinkError&) {
    }
    // Nobody closes it: the link closes the lost port itself, once.
    QVERIFY(SpinUntil([&] { return !s.IsOpen(); }));
    QTest::qWait(300);
    QCOMPARE(lost.count(), 1);
}

void TestLink::tcpPasswordOncePerConnect() {
    Peer peer;
    TcpLink tcp;
    tcp.SetPort(peer.server.serverPort());
    QStringList states;
    connect(&tcp, &TcpLink::StateText, [&](const QString& t) { states << t; });
    tcp.Connect(QStringLiteral("127.0.0.1"));
    QVERIFY(SpinUntil([&] { return tcp.IsConnected() && peer.received.size() >= 6; }));
    QCOMPARE(peer.received, QByteArray("482913"));
    // "连接" while connected neither reconnects nor resends the password.
    tcp.Connect(QStringLiteral("127.0.0.1"));
    QTest::qWait(100);
    QCOMPARE(peer.received, QByteArray("482913"));
    QCOMPARE(peer.conns.size(), 1);
    QCOMPARE(states, (QStringList{QStringLiteral("TCP维护端口连接中..."), QStringLiteral("TCP维护端口连接成功")}));

    // Disconnect, connect again: the password goes once more, alone, on the new connection.
    tcp.Disconnect();
    QVERIFY(SpinUntil([&] { return !tcp.IsConnected(); }));
    QCOMPARE(states.last(), QStringLiteral("TCP维护端口连接失败"));
    peer.received.clear();
    tcp.Connect(QStringLiteral("127.0.0.1"));
    QVERIFY(SpinUntil([&] { return tcp.IsConnected() && peer.received.size() >= 6; }));
    QTest::qWait(50);
    QCOMPARE(peer.received, QByteArray("482913"));
    QCOMPARE(peer.conns.size(), 2);

    // The peer closing the connection ends the link too.
    peer.conns.last()->close();
    QVERIFY(SpinUntil([&] { return !tcp.IsConnected(); }));
    QCOMPARE(states.last(), QStringLiteral("TCP维护端口连接失败"));
}

void TestLink::tcpFailedAttemptCountsAsClosed() {
    quint16 port;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    } // nobody listens there any more
    TcpLink tcp;
    tcp.SetPort(port);
    SerialLink serial;
    DataChannel ch(serial, tcp);
    QStringList states;
    connect(&tcp, &TcpLink::StateText, [&](const QString& t) { states << t; });
    tcp.Connect(QStringLiteral("127.0.0.1"));
    QVERIFY(SpinUntil([&] { return states.size() >= 2; }));
    QCOMPARE(states.last(), QStringLiteral("TCP维护端口连接失败"));
    QVERIFY(!ch.IsOpen());
    QCOMPARE(tcp.Socket().state(), QAbstractSocket::UnconnectedState);
    // A new attempt starts.
    tcp.Connect(QStringLiteral("127.0.0.1"));
    QCOMPARE(states.at(2), QStringLiteral("TCP维护端口连接中..."));
}

void TestLink::tcpWinsOverSerial() {
    PtyPair pty;
    Peer peer;
    SerialLink serial;
    TcpLink tcp;
    tcp.SetPort(peer.server.serverPort());
    DataChannel ch(serial, tcp);
    QVERIFY(!ch.IsOpen());
    ch.Send(QByteArrayLiteral("lost")); // nothing open: nothing sent, nothing thrown
    QCOMPARE(ch.Read(), QByteArray());

    QVERIFY(serial.Open(pty.SlavePath(), "57600", "8N1"));
    QVERIFY(ch.IsOpen());
    tcp.Connect(QStringLiteral("127.0.0.1"));
    QVERIFY(SpinUntil([&] { return tcp.IsConnected() && !peer.conns.isEmpty(); }));
    peer.received.clear();

    ch.Send(QByteArrayLiteral("\xAA\x55\x00\x04\xE0\x23\x01\x07"));
    QVERIFY(SpinUntil([&] { return peer.received.size() >= 8; }));
    QCOMPARE(peer.received, QByteArrayLiteral("\xAA\x55\x00\x04\xE0\x23\x01\x07"));
    QCOMPARE(pty.Read(100), QByteArray()); // the serial side sees nothing

    pty.Write(QByteArrayLiteral("serial"));
    peer.conns.first()->write("tcp");
    QByteArray got;
    QVERIFY(SpinUntil([&] {
        got += ch.Read();
        return got.size() >= 3;
    }));
    QTest::qWait(50);
    got += ch.Read();
    QCOMPARE(got, QByteArray("tcp"));
}

void TestLink::exchangeOverPty() {
    PtyPair pty;
    SerialLink serial;
    TcpLink tcp;
    DataChannel ch(serial, tcp);
    QVERIFY(serial.Open(pty.SlavePath(), "57600", "8N1"));
    AppState state;
    ScriptBridge script;
    script.Eval(QStringLiteral("function PrevCmd(){return '';}"));
    RecordingStatus status;
    EventLoopClock clock;
    QTimer timer1;
    timer1.setInterval(100);
    timer1.start();
    TimerWaits waits(timer1);
    Exchange ex(state, script, ch, clock, status, &waits);
    // The device answers the signal request in two pieces 50 ms apart: one reply.
    QTimer::singleShot(30, [&] { pty.Write(QByteArrayLiteral("\xAA\x55\x00\x05")); });
    QTimer::singleShot(80, [&] { pty.Write(QByteArrayLiteral("\xE0\x23\x17\x01\x1F")); });
    ex.Send(ex.BuildRequest(0xE023));
    QCOMPARE(ex.CheckSignalReply(), 23);
    QCOMPARE(pty.Read(), QByteArrayLiteral("\xAA\x55\x00\x04\xE0\x23\x01\x07"));
    QVERIFY(timer1.isActive());
}

void TestLink::receiveDisplay() {
    AppState state;
    RecordingStatus status;
    LineAssembler lines;
    MemoryChannel ch;
    bool hex = true;
    QString counters;
    ReceiveDisplay rd{state, status, lines, [&] { return hex; }, [] { return QStringLiteral("10:15:02"); }, {},
                      [&](const QString& t) { counters = t; }};

    ch.Queue(QByteArrayLiteral("\x00\x41"));
    QVERIFY(rd.Tick(ch));
    QCOMPARE(status.transparent.last(), QStringLiteral("10:15:02 收到数据：{00 41 }\x01" "A"));
    QCOMPARE(state.ReceivedBytes, 2);
    QCOMPARE(counters, QStringLiteral("收：2字节，发:0字节"));
    QVERIFY(status.log.isEmpty()); // level 0: no frame log

    hex = false;
    state.EngineeringLevel = 1;
    ch.Queue(QByteArrayLiteral("AB"));
    rd.Tick(ch);
    QCOMPARE(status.transparent.last(), QStringLiteral("10:15:02 收到数据：AB"));
    QCOMPARE(status.log, QStringList{QStringLiteral("上行：41 42 ")});
    QCOMPARE(state.ReceivedBytes, 4);

    // Nothing came: no line, but the counters are refreshed.
    state.SentBytes = 7;
    rd.Tick(ch);
    QCOMPARE(status.transparent.size(), 2);
    QCOMPARE(counters, QStringLiteral("收：4字节，发:7字节"));

    // No channel open: the counter text keeps its last value.
    ch.open = false;
    state.SentBytes = 9;
    QVERIFY(!rd.Tick(ch));
    QCOMPARE(counters, QStringLiteral("收：4字节，发:7字节"));
}

void TestLink::receiveDisplayGbkSplit() {
    AppState state;
    RecordingStatus status;
    LineAssembler lines;
    MemoryChannel ch;
    ReceiveDisplay rd{state, status, lines, [] { return true; }, [] { return QStringLiteral("t"); }, {}, {}};
    const QByteArray zhong = GbkBytes(QStringLiteral("中")); // two bytes
    QCOMPARE(zhong.size(), 2);
    ch.Queue(QByteArray("A") + zhong.left(1));
    ch.Queue(zhong.mid(1) + "B");
    rd.Tick(ch);
    rd.Tick(ch);
    // The hex parts and the counter stay exact per chunk; the character shows whole once.
    QCOMPARE(status.transparent.at(0), QStringLiteral("t 收到数据：{41 %1 }A").arg(SpacedHex(zhong.left(1)).trimmed()));
    QCOMPARE(status.transparent.at(1), QStringLiteral("t 收到数据：{%1 42 }中B").arg(SpacedHex(zhong.mid(1)).trimmed()));
    QCOMPARE(state.ReceivedBytes, 4);
}

void TestLink::receiveDisplayPortError() {
    AppState state;
    RecordingStatus status;
    LineAssembler lines;
    MemoryChannel ch;
    int closed = 0;
    ReceiveDisplay rd{state, status, lines, [] { return false; }, TimeText, [&] { ++closed; }, {}};
    ch.failRead = true;
    QVERIFY(rd.Tick(ch)); // the error is not shown and does not escape
    QCOMPARE(closed, 1);
    QVERIFY(status.transparent.isEmpty());
}

void TestLink::boundedLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    // Limit 8 characters a line.
    QTest::newRow("short lines stay") << QStringLiteral("12345678\r\nabc") << QStringLiteral("12345678\r\nabc");
    QTest::newRow("hard cut, each line counted from its break")
        << QStringLiteral("1234567890\rabcdefghij") << QStringLiteral("12345678\n90\rabcdefgh\nij");
    QTest::newRow("after the last blank") << QStringLiteral("AA 55 00 04 ") << QStringLiteral("AA 55 \n00 04 ");
    QTest::newRow("a blank too early does not count")
        << QStringLiteral("a bcdefghijk") << QStringLiteral("a bcdefg\nhijk");
    const QString pair = QStringLiteral("\U0001F600"); // one character, two halves
    QTest::newRow("surrogate pair kept whole")
        << QStringLiteral("1234567") + pair + QStringLiteral("x") << QStringLiteral("1234567\n") + pair + QStringLiteral("x");
}

void TestLink::boundedLines() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(BoundedLines(text, 8), shown);
}

void TestLink::hexInput() {
    QCOMPARE(HexInputBytes(QStringLiteral("41 42 4")), QByteArrayLiteral("AB"));
    QCOMPARE(HexInputBytes(QStringLiteral("4")), QByteArray());
    QCOMPARE(HexInputBytes(QStringLiteral("a0ff")), QByteArrayLiteral("\xA0\xFF"));
    QCOMPARE(HexInputBytes(QStringLiteral(" 0 0 ")), QByteArrayLiteral("\x00"));
    for (QChar c : QStringLiteral("0123456789ABCDEFabcdef\b")) QVERIFY(HexModeAccepts(c));
    for (QChar c : QStringLiteral("gG \r\n\x01x")) QVERIFY(!HexModeAccepts(c));
    QCOMPARE(SendLine(QStringLiteral("10:00:00"), QByteArrayLiteral("AB"), true, QStringLiteral("1")),
             QStringLiteral("10:00:00 发送数据：{41 42 }AB[1次]"));
    QCOMPARE(SendLine(QStringLiteral("10:00:00"), QByteArrayLiteral("AB"), false, QStringLiteral("10")),
             QStringLiteral("10:00:00 发送数据：AB[10次]"));
}

void TestLink::textInput() {
    QCOMPARE(TextInputBytes(QStringLiteral("ab\ncd")), QByteArrayLiteral("ab\r\ncd"));
    QCOMPARE(TextInputBytes(QStringLiteral("ab\r\ncd")), QByteArrayLiteral("ab\r\ncd"));
    QCOMPARE(TextInputBytes(QStringLiteral("中")), GbkBytes(QStringLiteral("中")));
    QCOMPARE(GbkText(TextInputBytes(QStringLiteral("测试"))), QStringLiteral("测试"));
}

void TestLink::repeatSendCounts() {
    AppState state;
    ScriptBridge script;
    RecordingStatus status;
    FakeClock clock;
    MemoryChannel ch;
    Exchange ex(state, script, ch, clock, status, nullptr);
    int pumps = 0;
    QCOMPARE(RepeatSend(ex, QByteArrayLiteral("AB"), 10, [&] { ++pumps; }), 10);
    QCOMPARE(state.SentBytes, 20);
    QCOMPARE(pumps, 10);
    QCOMPARE(ch.sent, QByteArray("AB").repeated(10));

    state.EngineeringLevel = 1;
    QCOMPARE(RepeatSend(ex, QByteArrayLiteral("xyz"), 10000, {}), 10000);
    QCOMPARE(state.SentBytes, 30020);
    QCOMPARE(status.log.size(), 10000);
    QCOMPARE(status.log.first(), QStringLiteral("下行：78 79 7A "));

    // Closing the window ends a long repeat.
    state.CancelRequested = true;
    QCOMPARE(RepeatSend(ex, QByteArrayLiteral("x"), 100, {}), 0);
}

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"

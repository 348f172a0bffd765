// The simulated DTU: byte-exact answers, stream handling, value files, control lines and the
// pty and TCP endpoints, all in-process.
#include "protocol/frames.h"
#include "sim/ptyendpoint.h"
#include "sim/simchannel.h"
#include "sim/simcontrol.h"
#include "sim/simdevice.h"
#include "sim/simsession.h"
#include "sim/tcpendpoint.h"
#include "sim/valuefile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace dtu::sim;

namespace {

QByteArray H(const char* hex) { return QByteArray::fromHex(hex); }

const QByteArray kAccept = H("AA 55 00 04 00 F0 00 F4");
const QByteArray kRefuse = H("AA 55 00 04 00 F1 00 F5");
const QByteArray kSignalRequest = dtu::ComposeFrame({}, CmdSignal, {});
const QByteArray kSignal17 = H("AA 55 00 05 E0 23 17 01 1F");
const QByteArray kWrite0092 = H("AA 55 00 05 00 92 05 00 9C");
const QByteArray kSetClock = H("AA 55 00 17 70 0D 32 30 32 36 2D 30 33 2D 30 37 20 30 38 3A 30 35 3A 30 39 04 4C");

// Collects what a session sends, piece by piece.
struct Sink {
    explicit Sink(SimSession& s) {
        QObject::connect(&s, &SimSession::Output, [this](const QByteArray& b) {
            all += b;
            pieces << b;
        });
    }
    QByteArray all;
    QList<QByteArray> pieces;
};

// A tool-side serial port on a pty slave: raw, non-blocking.
int OpenSlave(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return fd;
    termios t {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Reads from fd while the event loop runs, until want bytes arrived or ms passed.
QByteArray ReadFor(int fd, qsizetype want, int ms) {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < want && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) got.append(buf, n);
    }
    return got;
}

} // namespace

class SimTest : public QObject {
    Q_OBJECT
private slots:
    void acceptRefuseAndSignal();
    void parameterRead();
    void channelSelectsTable();
    void clockSetAndRead();
    void clockRejectsMalformed_data();
    void clockRejectsMalformed();
    void versionResetAndDefaults();
    void prefixedRequests();
    void answerModes_data();
    void answerModes();

    void echoAroundFrame();
    void frameInPiecesWithoutEcho();
    void incompleteFrameReleasedAfterHold();
    void badChecksumIsPlainData();
    void delayedAndSplitReplies();
    void flood();

    void valueFileUtf8();
    void valueFileGbk();
    void valueFileErrors();
    void controlLines();

    void ptyRoundTripAcrossReopen();
    void ptyLink();
    void tcpLogin();
    void inProcessChannel();
};

void SimTest::acceptRefuseAndSignal() {
    SimDevice d;
    QCOMPARE(d.Answer(kSignalRequest), kSignal17); // default CSQ 23 = 0x17
    QCOMPARE(d.Answer(kWrite0092), kAccept);
    QCOMPARE(d.Value(Table::Main, 0x0092), H("05"));
    QCOMPARE(d.CountReceived(0x0092, H("05")), 1);
    // 0000 and numbers made read-only refuse a write and keep their value.
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, 0x0000, H("01"))), kRefuse);
    d.SetValue(Table::Main, 0x0091, H("05"));
    d.SetReadOnly({0x0091});
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, 0x0091, H("07"))), kRefuse);
    QCOMPARE(d.Value(Table::Main, 0x0091), H("05"));
    // A write may carry no value bytes.
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, 0x00A0, {})), kAccept);
    QCOMPARE(d.Value(Table::Main, 0x00A0), QByteArray());
}

void SimTest::parameterRead() {
    SimDevice d;
    d.SetValue(Table::Main, 0x0091, H("05"));
    d.SetValue(Table::Main, 0x0092, "AB");
    QCOMPARE(d.Answer(H("AA 55 00 08 70 00 00 91 00 92 01 9B")),
             H("AA 55 00 0F F0 00 00 03 00 91 05 00 04 00 92 41 42 02 B1"));
    // Numbers without a value are left out; an empty value is an item of size 2.
    d.SetValue(Table::Main, 0x0093, {});
    const QByteArray reply = d.Answer(dtu::ComposeFrame({}, CmdParamRead, H("00 99 00 93 00 91")));
    QCOMPARE(reply, dtu::ComposeFrame({}, ReplyParams, H("00 02 00 93  00 03 00 91 05")));
    // An odd last byte is no number.
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdParamRead, H("00 91 00"))),
             dtu::ComposeFrame({}, ReplyParams, H("00 03 00 91 05")));
}

void SimTest::channelSelectsTable() {
    SimDevice d;
    d.SetValue(Table::Main, 0x0091, H("01"));
    d.SetValue(Table::Interface, 0x0091, H("02"));
    QCOMPARE(d.Channel(), 1);
    QCOMPARE(d.Answer(H("AA 55 00 05 E0 50 00 01 35")), kAccept);
    QCOMPARE(d.Channel(), 0);
    QCOMPARE(d.CountReceived(CmdSelectChannel, H("00")), 1);
    // Channel 0 answers its own read word from the interface table with F100 and refuses the
    // main table's read word.
    const QByteArray fromInterface = dtu::ComposeFrame({}, ReplyConfig, H("00 03 00 91 02"));
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdGetParam, H("00 91"))), fromInterface);
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdParamRead, H("00 91"))), kRefuse);
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, 0x0091, H("09"))), kAccept);
    QCOMPARE(d.Value(Table::Interface, 0x0091), H("09"));
    QCOMPARE(d.Value(Table::Main, 0x0091), H("01"));
    // Any channel above 0 is the main table.
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdSelectChannel, H("03"))), kAccept);
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdParamRead, H("00 91"))),
             dtu::ComposeFrame({}, ReplyParams, H("00 03 00 91 01")));
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdGetParam, H("00 91"))), kRefuse);
    // The channel byte must be exactly one byte.
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdSelectChannel, H("00 00"))), kRefuse);
    QCOMPARE(d.Channel(), 3);
}

void SimTest::clockSetAndRead() {
    SimDevice d;
    QDateTime host(QDate(2020, 1, 1), QTime(12, 0, 0));
    d.SetTimeSource([&host] { return host; });
    const QByteArray read = dtu::ComposeFrame({}, CmdReadClock, {});
    QCOMPARE(d.Answer(read), dtu::ComposeFrame({}, CmdReadClock, "2020-01-01 12:00:00"));
    QCOMPARE(d.Answer(kSetClock), kAccept);
    QCOMPARE(d.Answer(read),
             H("AA 55 00 17 70 0E 32 30 32 36 2D 30 33 2D 30 37 20 30 38 3A 30 35 3A 30 39 04 4D"));
    // The device clock keeps running with the host clock.
    host = host.addSecs(61);
    QCOMPARE(dtu::EvalPayloadReply(d.Answer(read)), QByteArray("2026-03-07 08:06:10"));
}

void SimTest::clockRejectsMalformed_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("month 13") << QByteArray("2026-13-07 08:05:09");
    QTest::newRow("T separator") << QByteArray("2026-03-07T08:05:09");
    QTest::newRow("short") << QByteArray("2026-03-07 08:05");
    QTest::newRow("trailing") << QByteArray("2026-03-07 08:05:09 ");
    QTest::newRow("empty") << QByteArray();
}

void SimTest::clockRejectsMalformed() {
    QFETCH(QByteArray, text);
    SimDevice d;
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdSetClock, text)), kRefuse);
    QCOMPARE(d.ClockOffset(), 0);
}

void SimTest::versionResetAndDefaults() {
    SimDevice d;
    QCOMPARE(dtu::EvalPayloadReply(d.Answer(dtu::ComposeFrame({}, CmdGetVersion, {}))), QByteArray(kDefaultVersion));
    d.SetValue(Table::Main, 0x0091, H("05"));
    d.SetValue(Table::Interface, 0x0020, H("AA"));
    d.Answer(dtu::ComposeFrame({}, 0x0091, H("07")));
    d.Answer(dtu::ComposeFrame({}, 0x0095, H("01"))); // not in the defaults
    d.Answer(dtu::ComposeFrame({}, CmdSelectChannel, H("00")));
    d.Answer(dtu::ComposeFrame({}, 0x0020, H("BB")));
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdSetDefault, {})), kAccept);
    QCOMPARE(d.Value(Table::Main, 0x0091), H("05"));
    QCOMPARE(d.Value(Table::Main, 0x0095), std::nullopt);
    QCOMPARE(d.Value(Table::Interface, 0x0020), H("AA"));
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdReset, {})), kAccept);
    QCOMPARE(d.Resets(), 1);
    QCOMPARE(d.Channel(), kDefaultChannel);
}

void SimTest::prefixedRequests() {
    SimDevice d;
    d.SetPrefix(H("12 34"));
    d.SetValue(Table::Main, 0x0091, H("05"));
    const QByteArray prefix = H("12 34");
    QCOMPARE(d.Answer(dtu::ComposeFrame(prefix, CmdSignal, {})), kSignal17);
    QCOMPARE(d.Answer(dtu::ComposeFrame(prefix, 0x0092, H("05"))), kAccept);
    QCOMPARE(d.Value(Table::Main, 0x0092), H("05"));
    // The read reply carries the prefix with its first byte the reply's command byte.
    QCOMPARE(d.Answer(dtu::ComposeFrame(prefix, CmdParamRead, H("00 91"))),
             H("AA 55 00 0B F0 34 F0 00 00 03 00 91 05 02 B8"));
    d.Answer(dtu::ComposeFrame(prefix, CmdSelectChannel, H("00")));
    d.SetValue(Table::Interface, 0x0091, H("05"));
    QCOMPARE(d.Answer(dtu::ComposeFrame(prefix, CmdGetParam, H("00 91"))),
             dtu::ComposeFrame(H("F1 34"), ReplyConfig, H("00 03 00 91 05")));
    // Another prefix is not for this device; a frame too short for the prefix is no command.
    QCOMPARE(d.Answer(dtu::ComposeFrame(H("12 35"), CmdSignal, {})), QByteArray());
    QCOMPARE(d.IgnoredFrames(), 1);
    QVERIFY(!d.IsCommandFrame(kSignalRequest));
    QCOMPARE(d.Answer(kSignalRequest), QByteArray());
}

void SimTest::answerModes_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("ack");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<bool>("stored");
    QTest::newRow("ok") << "ok" << kAccept << int(dtu::ReplyOk) << kSignal17 << true;
    QTest::newRow("refuse") << "refuse" << kRefuse << int(dtu::ReplyRefused) << kSignal17 << false;
    QTest::newRow("silent") << "silent" << QByteArray() << int(dtu::ReplyNone) << QByteArray() << true;
    QTest::newRow("illegal") << "illegal" << H("55 AA 00") << int(dtu::ReplyIllegal) << H("55 AA 00") << true;
    QTest::newRow("badsum") << "badsum" << H("AA 55 00 04 00 F0 00 F5") << int(dtu::ReplyChecksumError)
                            << H("AA 55 00 05 E0 23 17 01 20") << true;
}

void SimTest::answerModes() {
    QFETCH(QString, mode);
    QFETCH(QByteArray, ack);
    QFETCH(int, outcome);
    QFETCH(QByteArray, signal);
    QFETCH(bool, stored);
    SimDevice d;
    const std::optional<AnswerMode> m = ParseAnswerMode(mode);
    QVERIFY(m);
    QCOMPARE(AnswerModeName(*m), mode);
    d.SetMode(*m);
    const QByteArray reply = d.Answer(kWrite0092);
    QCOMPARE(reply, ack);
    QCOMPARE(int(dtu::EvalAckReply(reply)), outcome); // the tool reads it as intended
    QCOMPARE(d.Value(Table::Main, 0x0092).has_value(), stored);
    QCOMPARE(d.Answer(kSignalRequest), signal);
}

void SimTest::echoAroundFrame() {
    SimDevice d;
    d.SetEcho(true);
    SimSession s(d);
    Sink out(s);
    s.Receive("hello" + kSignalRequest + "world");
    QCOMPARE(out.all, "hello" + kSignal17 + "world");
    QCOMPARE(d.EchoedBytes(), 10);
    // A last AA may begin a frame: it waits for the next byte.
    out.all.clear();
    s.Receive("abc\xAA");
    QCOMPARE(out.all, QByteArray("abc"));
    s.Receive("x");
    QCOMPARE(out.all, QByteArray("abc\xAAx"));
    QVERIFY(s.Held().isEmpty());
}

void SimTest::frameInPiecesWithoutEcho() {
    SimDevice d;
    SimSession s(d);
    Sink out(s);
    s.Receive("noise");
    const QByteArray frame = H("AA 55 00 08 70 00 00 91 00 92 01 9B");
    for (char c : frame) {
        QVERIFY(out.all.isEmpty());
        s.Receive(QByteArray(1, c));
    }
    QCOMPARE(out.all, dtu::ComposeFrame({}, ReplyParams, {}));
    QCOMPARE(d.DroppedBytes(), 5);
    QCOMPARE(d.Received().size(), 1);
    // Two frames in one piece are two commands.
    out.all.clear();
    s.Receive(kSignalRequest + kWrite0092);
    QCOMPARE(out.all, kSignal17 + kAccept);
}

void SimTest::incompleteFrameReleasedAfterHold() {
    SimDevice d;
    d.SetEcho(true);
    d.SetHoldMs(30);
    SimSession s(d);
    Sink out(s);
    // A header whose length claims more than ever comes, then a real frame: after the hold time
    // the false start is plain data and the frame behind it is still answered.
    const QByteArray falseStart = H("AA 55 00 40");
    s.Receive(falseStart + kSignalRequest);
    QVERIFY(out.all.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(out.all, falseStart + kSignal17, 2000);
    // Without echo the stray bytes are dropped.
    d.SetEcho(false);
    out.all.clear();
    s.Receive(H("AA 55 00"));
    QTRY_VERIFY_WITH_TIMEOUT(s.Held().isEmpty(), 2000);
    QVERIFY(out.all.isEmpty());
}

void SimTest::badChecksumIsPlainData() {
    SimDevice d;
    d.SetEcho(true);
    SimSession s(d);
    Sink out(s);
    QByteArray bad = kWrite0092;
    bad[bad.size() - 1] = 0x00;
    s.Receive(bad + kSignalRequest);
    QCOMPARE(out.all, bad + kSignal17);
    QCOMPARE(d.Value(Table::Main, 0x0092), std::nullopt);
    QCOMPARE(d.Received().size(), 1);
}

void SimTest::delayedAndSplitReplies() {
    SimDevice d;
    d.SetEcho(true);
    d.SetReplyDelay(40);
    d.SetSplitReplies(true);
    SimSession s(d);
    Sink out(s);
    QElapsedTimer t;
    t.start();
    s.Receive(kSignalRequest + "xyz");
    QVERIFY(out.all.isEmpty()); // the echo waits behind the delayed reply
    QTRY_COMPARE_WITH_TIMEOUT(out.all, kSignal17 + "xyz", 2000);
    QVERIFY(t.elapsed() >= 40);
    QCOMPARE(out.pieces.size(), 3);
    QCOMPARE(out.pieces[0] + out.pieces[1], kSignal17);
    QVERIFY(!out.pieces[0].isEmpty() && !out.pieces[1].isEmpty());
    // Reset drops what is still waiting.
    out.all.clear();
    s.Receive(kSignalRequest);
    s.Reset();
    QTest::qWait(80);
    QVERIFY(out.all.isEmpty());
}

void SimTest::flood() {
    const QByteArray whole = SimSession::FloodPattern(0, 300);
    QCOMPARE(whole.size(), 300);
    QCOMPARE(SimSession::FloodPattern(0, 70) + SimSession::FloodPattern(70, 230), whole);
    QVERIFY(whole.startsWith("000000 "));
    QVERIFY(whole.contains("\r\n000001 "));
    for (char c : whole) QVERIFY((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n');

    SimDevice d;
    d.SetFloodRate(50000);
    SimSession s(d);
    Sink out(s);
    QTest::qWait(60);
    QVERIFY(out.all.isEmpty()); // not before the endpoint is open
    QElapsedTimer t;
    t.start();
    s.SetFloodActive(true);
    QTRY_VERIFY_WITH_TIMEOUT(out.all.size() > 1000, 2000);
    QVERIFY(out.all.size() <= 50 * t.elapsed() + 1);
    QCOMPARE(out.all, SimSession::FloodPattern(0, out.all.size()));
    d.SetFloodRate(0);
    const qsizetype stopped = out.all.size();
    QTest::qWait(60);
    QCOMPARE(out.all.size(), stopped);
}

void SimTest::valueFileUtf8() {
    const QByteArray file = "\xEF\xBB\xBF{\r\n  \"Name\": \"\xE4\xB8\xAD\xE6\x96\x87\\\"\",\r\n"
                            "  \"Params\": {\r\n"
                            "    \"0\": {\"CMDID\": \"\", \"PNAME\": \"heading\", \"PVALUE\": \"\"},\r\n"
                            "    \"1\": {\"CMDID\": \"0091\", \"PVALUE\": \"HEX:05\"},\r\n"
                            "    \"2\": {\"CMDID\": \"00a2\", \"PVALUE\": \"HEX:4142\"},\r\n"
                            "    \"3\": {\"CMDID\": \"0093\", \"PVALUE\": \"HEX:\"},\r\n"
                            "    \"4\": {\"CMDID\": \"93\", \"PVALUE\": \"HEX:01\"}\r\n"
                            "  }\r\n}\r\n";
    QString error;
    const std::optional<ValueTable> t = ParseValueFile(file, &error);
    QVERIFY2(t, qPrintable(error));
    QCOMPARE(t->size(), 3);
    QCOMPARE(t->value(0x0091), H("05"));
    QCOMPARE(t->value(0x00A2), QByteArray("AB"));
    QVERIFY(t->contains(0x0093));
    QCOMPARE(t->value(0x0093), QByteArray());
}

void SimTest::valueFileGbk() {
    // GBK text whose last character's trail byte is '\' (0x5C) just before the closing quote.
    const QByteArray file = "{\r\n\"Title\":\"\xC9\xE8\xB1\xB8\x81\x5C\",\r\n\"Params\":[\r\n"
                            "{\"CMDID\":\"0091\",\"PNAME\":\"\xD0\xC5\xB5\xC0\",\"PVALUE\":\"HEX:0A0B\"},\r\n"
                            "{\"CMDID\":\"00F3\",\"PVALUE\":\"HEX:31\"}\r\n]}\r\n";
    QString error;
    const std::optional<ValueTable> t = ParseValueFile(file, &error);
    QVERIFY2(t, qPrintable(error));
    QCOMPARE(t->value(0x0091), H("0A 0B"));
    QCOMPARE(t->value(0x00F3), QByteArray("1"));

    // Loaded into the device, the file's values are what it answers and what defaults restore.
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("main.json")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    SimDevice d;
    QVERIFY(d.LoadValues(Table::Main, f.fileName(), &error));
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, 0x0091, H("01"))), kAccept);
    d.Answer(dtu::ComposeFrame({}, CmdSetDefault, {}));
    QCOMPARE(d.Answer(dtu::ComposeFrame({}, CmdParamRead, H("00 91"))),
             dtu::ComposeFrame({}, ReplyParams, H("00 04 00 91 0A 0B")));
}

void SimTest::valueFileErrors() {
    QString error;
    QVERIFY(!ParseValueFile("{\"Params\": [", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!ParseValueFile("{\"Other\": 1}", &error));
    QVERIFY(!ParseValueFile("[1, 2]", &error));
    SimDevice d;
    QVERIFY(!d.LoadValues(Table::Main, QStringLiteral("/nonexistent/values.json"), &error));
    QVERIFY(error.contains(QLatin1String("/nonexistent/values.json")));
}

void SimTest::controlLines() {
    SimDevice d;
    QVERIFY(ExecuteControl(d, QStringLiteral("mode refuse")).ok);
    QCOMPARE(d.Mode(), AnswerMode::Refuse);
    QVERIFY(!ExecuteControl(d, QStringLiteral("mode sulky")).ok);
    QCOMPARE(d.Mode(), AnswerMode::Refuse);
    QVERIFY(ExecuteControl(d, QStringLiteral("csq 17")).ok);
    QCOMPARE(d.Answer(kSignalRequest), dtu::ComposeFrame({}, CmdSignal, H("11")));
    QVERIFY(!ExecuteControl(d, QStringLiteral("csq 256")).ok);
    QVERIFY(ExecuteControl(d, QStringLiteral("set 0 0091 0a0B")).ok);
    QCOMPARE(d.Value(Table::Interface, 0x0091), H("0A 0B"));
    QVERIFY(!ExecuteControl(d, QStringLiteral("set 0 0091 0A0")).ok);
    QCOMPARE(ExecuteControl(d, QStringLiteral("get 0 0091")).text, QStringLiteral("0091 = 0A0B"));
    QVERIFY(!ExecuteControl(d, QStringLiteral("get 1 0091")).ok);
    QVERIFY(ExecuteControl(d, QStringLiteral("version  DTU X  2.0 ")).ok);
    QCOMPARE(d.VersionText(), QByteArray("DTU X  2.0"));
    QVERIFY(ExecuteControl(d, QStringLiteral("readonly 0091,00a0")).ok);
    QVERIFY(d.IsReadOnly(0x00A0) && !d.IsReadOnly(0x0092));
    QVERIFY(!ExecuteControl(d, QStringLiteral("readonly 91")).ok);
    QVERIFY(ExecuteControl(d, QStringLiteral("echo on")).ok && d.Echo());
    QVERIFY(ExecuteControl(d, QStringLiteral("delay 15")).ok);
    QCOMPARE(d.ReplyDelay(), 15);
    QVERIFY(!ExecuteControl(d, QStringLiteral("frobnicate")).ok);
    QVERIFY(ExecuteControl(d, QString()).ok);
    QVERIFY(ExecuteControl(d, QStringLiteral("quit")).quit);
}

void SimTest::ptyRoundTripAcrossReopen() {
    SimDevice d;
    PtyEndpoint ep(d);
    QString error;
    QVERIFY2(ep.Open(&error), qPrintable(error));
    QVERIFY(ep.SlavePath().startsWith(QLatin1String("/dev/")));
    QVERIFY(!ep.SlaveOpen());

    int fd = OpenSlave(ep.SlavePath());
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, kSignalRequest.constData(), kSignalRequest.size()), kSignalRequest.size());
    QCOMPARE(ReadFor(fd, kSignal17.size(), 2000), kSignal17);
    QVERIFY(ep.SlaveOpen());

    // The tool closes the port with an answer it never read: after reopening, the port is
    // served again and the old answer is gone.
    QCOMPARE(::write(fd, kWrite0092.constData(), kWrite0092.size()), kWrite0092.size());
    QTRY_COMPARE_WITH_TIMEOUT(d.Received().size(), 2, 2000);
    ::close(fd);
    QTRY_VERIFY_WITH_TIMEOUT(!ep.SlaveOpen(), 2000);
    fd = OpenSlave(ep.SlavePath());
    QVERIFY(fd >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(ep.SlaveOpen(), 2000);
    QCOMPARE(::write(fd, kSignalRequest.constData(), kSignalRequest.size()), kSignalRequest.size());
    QCOMPARE(ReadFor(fd, kSignal17.size() + 1, 300), kSignal17);
    ::close(fd);
}

void SimTest::ptyLink() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyDTU"));
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link));
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    {
        SimDevice d;
        PtyEndpoint ep(d);
        QVERIFY(ep.Open());
        QString error;
        QVERIFY2(ep.MakeLink(link, &error), qPrintable(error));
        QCOMPARE(QFile::symLinkTarget(link), ep.SlavePath());
        QVERIFY(!ep.MakeLink(plain, &error));
        QVERIFY(QFileInfo(plain).isFile());
        // The link is a working port name.
        const int fd = OpenSlave(link);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, kSignalRequest.constData(), kSignalRequest.size()), kSignalRequest.size());
        QCOMPARE(ReadFor(fd, kSignal17.size(), 2000), kSignal17);
        ::close(fd);
    }
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(plain).isFile());
}

void SimTest::tcpLogin() {
    SimDevice d;
    TcpEndpoint ep(d);
    QString error;
    QVERIFY2(ep.Listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    QVERIFY(ep.Port() != 0);

    // Nothing is answered before the whole password; with it, the frame behind it is.
    QTcpSocket good;
    good.connectToHost(QHostAddress::LocalHost, ep.Port());
    QVERIFY(good.waitForConnected(2000));
    good.write("4829");
    QTest::qWait(50);
    QCOMPARE(good.bytesAvailable(), 0);
    QCOMPARE(d.Logins(), 0);
    good.write("13" + kSignalRequest);
    QTRY_COMPARE_WITH_TIMEOUT(good.bytesAvailable(), kSignal17.size(), 2000);
    QCOMPARE(good.readAll(), kSignal17);
    good.write(kWrite0092);
    QTRY_COMPARE_WITH_TIMEOUT(good.bytesAvailable(), kAccept.size(), 2000);
    QCOMPARE(good.readAll(), kAccept);
    QCOMPARE(d.Logins(), 1);
    QCOMPARE(d.Value(Table::Main, 0x0092), H("05"));

    // A wrong password, or a frame where the password belongs, ends the connection unanswered.
    for (const QByteArray& first : {QByteArray("482914"), kSignalRequest}) {
        QTcpSocket bad;
        bad.connectToHost(QHostAddress::LocalHost, ep.Port());
        QVERIFY(bad.waitForConnected(2000));
        bad.write(first);
        QTRY_COMPARE_WITH_TIMEOUT(bad.state(), QAbstractSocket::UnconnectedState, 2000);
        QCOMPARE(bad.readAll(), QByteArray());
    }
    QCOMPARE(d.FailedLogins(), 2);
    QCOMPARE(d.CountReceived(CmdSignal), 1);
    QCOMPARE(good.state(), QAbstractSocket::ConnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(ep.Connections(), 1, 2000);
}

// The device behind an in-process channel: answers at once, a lost answer still carries the
// command out, plain bytes echo only in transparent mode, nothing moves while closed.
void SimTest::inProcessChannel() {
    SimDevice d;
    SimChannel ch(d);
    ch.Send(kWrite0092);
    QCOMPARE(ch.Read(), kAccept);
    QCOMPARE(ch.Read(), QByteArray());

    ch.SetUnanswered({0x0092});
    ch.Send(H("AA 55 00 05 00 92 07 00 9E"));
    QCOMPARE(ch.Read(), QByteArray());
    QCOMPARE(d.Value(Table::Main, 0x0092), H("07"));
    ch.Send(kSignalRequest);
    QCOMPARE(ch.Read(), kSignal17);

    ch.Send("hi");
    QCOMPARE(ch.Read(), QByteArray());
    QCOMPARE(d.DroppedBytes(), 2);
    d.SetEcho(true);
    ch.Send("hi");
    QCOMPARE(ch.Read(), QByteArray("hi"));
    QCOMPARE(d.EchoedBytes(), 2);

    ch.Inject("late");
    ch.SetOpen(false);
    QVERIFY(!ch.IsOpen());
    QCOMPARE(ch.Read(), QByteArray());
    ch.Send(kSignalRequest);
    QCOMPARE(d.CountReceived(CmdSignal), 1);
    QCOMPARE(ch.Sends().size(), 5); // the send while closed is not taken
}

QTEST_GUILESS_MAIN(SimTest)
#include "test_sim.moc"

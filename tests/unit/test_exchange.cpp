// Building and sending requests, the reply wait, frame logging and the receive-display timer.
#include "protocol/exchange.h"
#include "link/logtext.h"
#include "tests/support/rig.h"

#include <QTest>
#include <QTimer>

using namespace dtu;
using dtu::test::FakeClock;
using dtu::test::Hex;
using dtu::test::MemoryChannel;
using dtu::test::RecordingStatus;
using dtu::test::FakeExchange;

namespace {

const char* const kDeviceScript = R"(
var prefix = "";
var prevCalls = 0;
function PrevCmd() { prevCalls++; return prefix; }
var Commands = { CMD_RESET: "7006", CMD_SIGNAL: "e023", CMD_SHORT: "70" };
function GetCmd(name) {
    if (!(name in Commands)) throw new Error("unknown command " + name);
    return Commands[name];
}
)";

const QByteArray kAccept = Hex("AA 55 00 04 00 F0 00 F4");

// One exchange over in-memory fakes, with the receive-display timer running as in the window.
struct Rig : FakeExchange {
    Rig() {
        const ScriptResult r = script.Eval(QString::fromUtf8(kDeviceScript));
        if (!r) qFatal("device script: %s", qPrintable(r.error));
        timer.setInterval(50);
        timer.start();
    }
    QString Eval(const QString& text) { return script.Eval(text).text; }
};

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void buildRequest_data();
    void buildRequest();
    void buildRequestAsksForThePrefixEachTime();
    void buildRequestScriptError_data();
    void buildRequestScriptError();
    void scriptWord_data();
    void scriptWord();
    void sendRawSendsUnchanged();
    void oversizedFrameRefused();

    void frameLog_data();
    void frameLog();
    void frameLogOfAReplyInPieces();
    void frameLogOfAHugeReply();

    void nothingArrives_data();
    void nothingArrives();
    void checkTimeouts_data();
    void checkTimeouts();
    void replyAtFirstRead();
    void replyAfterSomePolls();
    void piecesAndGaps_data();
    void piecesAndGaps();
    void cancel_data();
    void cancel();
    void boundedCollection_data();
    void boundedCollection();
    void frameEnd_data();
    void frameEnd();

    void timerHeldDuringWait_data();
    void timerHeldDuringWait();
    void nestedWaitsKeepTimerStopped();
    void nestedWaitErrorRestartsTimer();

    void checkAckReply_data();
    void checkAckReply();
    void checkSignalReply();
    void checkSignalReplyWrongCommandWord();
    void checkPayloadReply();
};

// ---- building and sending --------------------------------------------------------------------

// The length field holds at most FFFF: a longer frame is refused, never sent with a wrapped length.
void TestExchange::oversizedFrameRefused() {
    QCOMPARE(ComposeFrame({}, 0x7100, QByteArray(kMaxFrameSize - 8, 'x')).size(), kMaxFrameSize);
    QVERIFY(ComposeFrame({}, 0x7100, QByteArray(kMaxFrameSize - 7, 'x')).isEmpty());
    Rig rig;
    rig.Eval("prefix = '0102';");
    try {
        rig.ex.BuildRequest(0x7100, QByteArray(kMaxFrameSize - 9, 'x'), QStringLiteral("参数读取"));
        QFAIL("built");
    } catch (const OperationError& e) {
        QVERIFY2(e.Text().startsWith(QStringLiteral("[参数读取失败，请求帧过长")), qPrintable(e.Text()));
    }
}

void TestExchange::buildRequest_data() {
    QTest::addColumn<QString>("prevCmd");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("frame");
    const QByteArray plain = Hex("AA 55 00 06 12 34 41 42 00 CF");
    const QByteArray prefixed = Hex("AA 55 00 08 01 02 12 34 41 42 00 D4");
    QTest::newRow("empty") << "" << QByteArray() << plain;
    QTest::newRow("one digit") << "1" << QByteArray() << plain;
    QTest::newRow("two bytes") << "0102" << Hex("01 02") << prefixed;
    QTest::newRow("odd last digit") << "01023" << Hex("01 02") << prefixed;
}

void TestExchange::buildRequest() {
    QFETCH(QString, prevCmd);
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, frame);
    Rig rig;
    rig.script.Eval(QStringLiteral("prefix = \"%1\";").arg(prevCmd));
    QCOMPARE(rig.ex.BuildRequest(0x1234, Hex("41 42")), frame);
    QCOMPARE(rig.ex.RequestPrefix(), prefix);
    QCOMPARE(rig.Eval(QStringLiteral("prevCalls")), QStringLiteral("1"));
    QVERIFY(rig.channel.sends.isEmpty()); // building does not send
}

void TestExchange::buildRequestAsksForThePrefixEachTime() {
    Rig rig;
    rig.script.Eval(QStringLiteral("prefix = \"0102\";"));
    QCOMPARE(rig.ex.BuildRequest(0x1234, Hex("41 42")), Hex("AA 55 00 08 01 02 12 34 41 42 00 D4"));
    rig.script.Eval(QStringLiteral("prefix = \"\";"));
    QCOMPARE(rig.ex.BuildRequest(0x1234, Hex("41 42")), Hex("AA 55 00 06 12 34 41 42 00 CF"));
    QCOMPARE(rig.ex.RequestPrefix(), QByteArray());
    QCOMPARE(rig.ex.BuildRequest(0x1234), Hex("AA 55 00 04 12 34 00 4A"));
    QCOMPARE(rig.Eval(QStringLiteral("prevCalls")), QStringLiteral("3"));
}

void TestExchange::buildRequestScriptError_data() {
    QTest::addColumn<QString>("breakPrevCmd");
    QTest::newRow("throws") << "PrevCmd = function() { throw new Error('no prefix'); };";
    QTest::newRow("reference error") << "PrevCmd = function() { return noSuchName; };";
    QTest::newRow("not a function") << "PrevCmd = 5;";
    QTest::newRow("gone") << "PrevCmd = undefined;";
}

void TestExchange::buildRequestScriptError() {
    QFETCH(QString, breakPrevCmd);
    Rig rig;
    rig.state.EngineeringLevel = 1;
    rig.script.Eval(QStringLiteral("prefix = \"0102\";"));
    rig.ex.BuildRequest(0x1234);
    rig.status.log.clear();

    QVERIFY(rig.script.Eval(breakPrevCmd));
    bool threw = false;
    try {
        rig.ex.Send(rig.ex.BuildRequest(0x7006));
    } catch (const OperationError& e) {
        threw = true;
        QVERIFY(!e.Text().isEmpty());
    }
    QVERIFY(threw);
    QVERIFY(rig.channel.sends.isEmpty());
    QVERIFY(rig.status.log.isEmpty());
    QCOMPARE(rig.ex.RequestPrefix(), Hex("01 02")); // the last good prefix is kept
}

void TestExchange::scriptWord_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("word");
    QTest::newRow("upper-case") << "CMD_RESET" << 0x7006;
    QTest::newRow("lower-case") << "CMD_SIGNAL" << 0xE023;
    QTest::newRow("high byte only") << "CMD_SHORT" << 0x7000;
}

void TestExchange::scriptWord() {
    QFETCH(QString, name);
    QFETCH(int, word);
    Rig rig;
    QCOMPARE(int(rig.ex.GetCmdWord(name)), word);
    QVERIFY_THROWS_EXCEPTION(OperationError, rig.ex.GetCmdWord(QStringLiteral("CMD_MISSING")));
}

void TestExchange::sendRawSendsUnchanged() {
    Rig rig;
    rig.state.EngineeringLevel = 1;
    const QByteArray raw("AT+CSQ\r\n\x00\xFF", 10);
    rig.ex.SendRaw(raw);
    QCOMPARE(rig.channel.sends, QList<QByteArray>{raw});
    QCOMPARE(rig.status.log, QStringList{QStringLiteral("下行：41 54 2B 43 53 51 0D 0A 00 FF ")});
}

// ---- frame log ---------------------------------------------------------------------------------

void TestExchange::frameLog_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("level 0") << 0 << QStringList();
    QTest::newRow("level 1") << 1
                             << QStringList{QStringLiteral("下行：AA 55 00 04 E0 23 01 07 "),
                                            QStringLiteral("上行：AA 55 00 04 00 F0 00 F4 ")};
    QTest::newRow("level 2") << 2 << QStringList();
}

void TestExchange::frameLog() {
    QFETCH(int, level);
    QFETCH(QStringList, lines);
    Rig rig;
    rig.state.EngineeringLevel = level;
    rig.channel.AtRead(1, kAccept);
    rig.ex.Send(rig.ex.BuildRequest(0xE023));
    QCOMPARE(int(rig.ex.CheckAckReply()), int(ReplyOk));
    QCOMPARE(rig.status.log, lines);
}

void TestExchange::frameLogOfAReplyInPieces() {
    Rig rig;
    rig.state.EngineeringLevel = 1;
    rig.channel.AtRead(1, Hex("AA 55 00"));
    rig.channel.AtRead(5, Hex("04 00 F0 00 F4"));
    QCOMPARE(rig.ex.ReceiveReply(3000), kAccept);
    QCOMPARE(rig.status.log, QStringList{QStringLiteral("上行：AA 55 00 04 00 F0 00 F4 ")});
}

void TestExchange::frameLogOfAHugeReply() {
    // 10 MB of received bytes logged (the reply wait itself stops collecting at its size bound):
    // one line of bounded size with the start in hex and the count of the rest.
    Rig rig;
    rig.state.EngineeringLevel = 1;
    QByteArray reply(10 * 1024 * 1024, '\x5A');
    reply[0] = '\xAA';
    rig.ex.FrameLog(false, reply);
    QCOMPARE(rig.status.log.size(), 1);
    const QString line = rig.status.log.first();
    QVERIFY(line.startsWith(QStringLiteral("上行：AA 5A 5A ")));
    QVERIFY2(line.endsWith(QStringLiteral("5A …(+%1字节)").arg(reply.size() - kLogFrameBytes)), qPrintable(line.right(40)));
    QVERIFY(line.size() < 16 * 1024);
}

// ---- the reply wait ------------------------------------------------------------------------------

void TestExchange::nothingArrives_data() {
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("polls");
    QTest::newRow("3000") << 3000 << 30;
    QTest::newRow("4000") << 4000 << 40;
    QTest::newRow("10000") << 10000 << 100;
    QTest::newRow("199 rounds down") << 199 << 1;
    QTest::newRow("99 gives no poll") << 99 << 0;
}

void TestExchange::nothingArrives() {
    QFETCH(int, timeout);
    QFETCH(int, polls);
    Rig rig;
    QCOMPARE(rig.ex.ReceiveReply(timeout), QByteArray());
    QCOMPARE(rig.channel.reads, polls);
    QCOMPARE(rig.clock.pauses, QList<int>(polls, 100));
}

void TestExchange::checkTimeouts_data() {
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("polls");
    QTest::newRow("ack") << "ack" << 30;
    QTest::newRow("signal") << "signal" << 100;
    QTest::newRow("payload") << "payload" << 40;
}

void TestExchange::checkTimeouts() {
    QFETCH(QString, check);
    QFETCH(int, polls);
    Rig rig;
    if (check == QLatin1String("ack"))
        QCOMPARE(int(rig.ex.CheckAckReply()), int(ReplyNone));
    else if (check == QLatin1String("signal"))
        QCOMPARE(rig.ex.CheckSignalReply(), int(ReplyNone));
    else
        QCOMPARE(rig.ex.CheckPayloadReply(), QByteArray());
    QCOMPARE(rig.channel.reads, polls);
    QCOMPARE(rig.clock.pauses, QList<int>(polls, 100));
    QVERIFY(rig.status.log.isEmpty()); // silence is no bad command word
}

void TestExchange::replyAtFirstRead() {
    Rig rig;
    rig.channel.AtRead(1, kAccept);
    QCOMPARE(rig.ex.ReceiveReply(3000), kAccept);
    QCOMPARE(rig.clock.pauses, QList<int>(41, 10));
    QCOMPARE(rig.channel.reads, 42);
}

void TestExchange::replyAfterSomePolls() {
    Rig rig;
    rig.channel.AtRead(5, kAccept);
    QCOMPARE(rig.ex.ReceiveReply(3000), kAccept);
    QCOMPARE(rig.clock.pauses, QList<int>(4, 100) + QList<int>(41, 10));
}

void TestExchange::piecesAndGaps_data() {
    // Piece i is the single byte 'A'+i, returned by read number at[i].
    QTest::addColumn<QList<int>>("at");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("reads");
    QTest::newRow("back to back") << QList<int>{1, 2, 3} << QByteArray("ABC") << 3 + 41;
    QTest::newRow("gap of 1 quiet poll") << QList<int>{1, 3} << QByteArray("AB") << 3 + 41;
    QTest::newRow("gap of 40 quiet polls") << QList<int>{1, 42} << QByteArray("AB") << 42 + 41;
    QTest::newRow("gap of 41 quiet polls ends it") << QList<int>{1, 43} << QByteArray("A") << 1 + 41;
    QTest::newRow("two gaps of 40") << QList<int>{1, 42, 83} << QByteArray("ABC") << 83 + 41;
    QTest::newRow("first piece late, then 41 quiet")
        << QList<int>{7, 49} << QByteArray("A") << 7 + 41;
}

void TestExchange::piecesAndGaps() {
    QFETCH(QList<int>, at);
    QFETCH(QByteArray, reply);
    QFETCH(int, reads);
    Rig rig;
    for (qsizetype i = 0; i < at.size(); ++i) rig.channel.AtRead(at[i], QByteArray(1, char('A' + i)));
    QCOMPARE(rig.ex.ReceiveReply(3000), reply);
    QCOMPARE(rig.channel.reads, reads);
    QCOMPARE(rig.clock.Count(100), at.first() - 1);
    QCOMPARE(rig.clock.Count(10), reads - at.first());
}

// A device that keeps sending: each collecting poll brings `perPoll` bytes of `stream` (cycled),
// after the first read brought `first`. The wait must end, and only an intact frame may come back.
void TestExchange::boundedCollection_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("perPoll");
    QTest::addColumn<int>("maxPolls"); // collecting polls the wait may take at most
    QTest::addColumn<bool>("whole");   // the reply comes back (else: empty, a failure)
    // A 500-row read reply (8 bytes a row) at 9600 baud: 9 bytes a poll, just under the line rate.
    QByteArray items;
    for (int i = 0; i < 500; ++i) items += Hex("00 06 01 23 00 00 00 01");
    const QByteArray frame = ComposeFrame({}, 0x7100, items);
    QTest::newRow("drip, no header") << QByteArray("x") << QByteArray("x") << 1 << 3001 << false;
    QTest::newRow("drip inside a frame") << Hex("AA 55 FF FF") << QByteArray("x") << 1 << 250 << false;
    QTest::newRow("stream after a frame") << kAccept << QByteArray("x") << 1 << 102 << false;
    QTest::newRow("flood") << QByteArray(4096, 'x') << QByteArray("x") << 4096 << 256 << false;
    QTest::newRow("long frame at the line rate") << frame.left(9) << frame.mid(9) << 9 << 486 << true;
}

void TestExchange::boundedCollection() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, stream);
    QFETCH(int, perPoll);
    QFETCH(int, maxPolls);
    QFETCH(bool, whole);
    Rig rig;
    rig.channel.AtRead(1, first);
    qsizetype at = 0;
    rig.clock.onPause = [&](int, int ms) {
        if (ms != 10) return;
        if (whole && at >= stream.size()) return; // the frame is through: silence
        QByteArray chunk;
        for (int i = 0; i < perPoll && (!whole || at < stream.size()); ++i) chunk += stream.at(at++ % stream.size());
        rig.channel.Queue(chunk);
    };
    const QByteArray r = rig.ex.ReceiveReply(3000);
    QVERIFY2(rig.clock.Count(10) <= maxPolls, qPrintable(QString::number(rig.clock.Count(10))));
    if (whole) {
        QCOMPARE(r, first + stream);
        QCOMPARE(rig.clock.Count(10), int((stream.size() + perPoll - 1) / perPoll) + 41);
    } else {
        QVERIFY(r.isEmpty());
    }
}

void TestExchange::frameEnd_data() {
    // Chunks arrive at the given reads; the wait ends by the frame or, failing that, by silence.
    QTest::addColumn<QList<int>>("at");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("leftOver");
    QTest::addColumn<int>("reads");
    const QByteArray sig = Hex("AA 55 00 05 E0 23 14 01 1C");
    // Split header, length field and body: the wait ends at the read that completes the frame.
    QTest::newRow("split reply") << QList<int>{3, 4, 6} << QList<QByteArray>{Hex("0D AA"), Hex("55 00 05"), Hex("E0 23 14 01 1C")}
                                 << Hex("0D") + sig << QByteArray() << 6;
    // Bytes behind the frame in the same read stay on the channel for the receive display.
    QTest::newRow("trailing bytes") << QList<int>{1} << QList<QByteArray>{kAccept + "xyz"} << kAccept
                                    << QByteArray("xyz") << 1;
    // A length field that claims more than ever comes: 41 quiet polls end it as before.
    QTest::newRow("lying length") << QList<int>{2} << QList<QByteArray>{Hex("AA 55 00 40 00 F0 00 F4")}
                                  << Hex("AA 55 00 40 00 F0 00 F4") << QByteArray() << 2 + 41;
    QTest::newRow("length below 4") << QList<int>{1} << QList<QByteArray>{Hex("AA 55 00 00 00 00")}
                                    << Hex("AA 55 00 00 00 00") << QByteArray() << 1 + 41;
    QTest::newRow("garbage") << QList<int>{1} << QList<QByteArray>{QByteArray("noise")} << QByteArray("noise")
                             << QByteArray() << 1 + 41;
}

void TestExchange::frameEnd() {
    QFETCH(QList<int>, at);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, leftOver);
    QFETCH(int, reads);
    Rig rig;
    rig.ex.SetReplyEnd(ReplyEnd::Frame);
    for (qsizetype i = 0; i < at.size(); ++i) rig.channel.AtRead(at[i], chunks[i]);
    QCOMPARE(rig.ex.ReceiveReply(3000), reply);
    QCOMPARE(rig.channel.reads, reads);
    // First bytes are looked for every 10 ms; no 100 ms poll in this mode.
    QCOMPARE(rig.clock.Count(100), 0);
    QCOMPARE(rig.clock.Count(10), reads - 1);
    QCOMPARE(rig.channel.Read(), leftOver);
    // Nothing at all: timeout div 10 polls of 10 ms, the same total time.
    Rig silent;
    silent.ex.SetReplyEnd(ReplyEnd::Frame);
    QVERIFY(silent.ex.ReceiveReply(3000).isEmpty());
    QCOMPARE(silent.clock.Count(10), 300);
}

void TestExchange::cancel_data() {
    // CancelRequested is set inside pause number cancelAt (0: before the wait starts).
    QTest::addColumn<int>("cancelAt");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("reads");
    QTest::newRow("before the wait") << 0 << QByteArray() << 0;
    QTest::newRow("first wait, first pause") << 1 << QByteArray() << 1;
    QTest::newRow("first wait, third pause") << 3 << QByteArray() << 3;
    // A at read 1, B at read 3, C would come at read 5: cancelled in pause 4 (before read 5).
    QTest::newRow("while collecting") << 4 << QByteArray("AB") << 4;
    QTest::newRow("first collecting pause") << 1 << QByteArray("A") << 1;
}

void TestExchange::cancel() {
    QFETCH(int, cancelAt);
    QFETCH(QByteArray, reply);
    QFETCH(int, reads);
    Rig rig;
    if (!reply.isEmpty()) {
        rig.channel.AtRead(1, "A");
        rig.channel.AtRead(3, "B");
        rig.channel.AtRead(5, "C");
    }
    if (cancelAt == 0) rig.state.CancelRequested = true;
    rig.clock.onPause = [&](int index, int) {
        if (index == cancelAt) rig.state.CancelRequested = true;
    };
    QCOMPARE(rig.ex.ReceiveReply(3000), reply);
    QCOMPARE(rig.channel.reads, reads);
    QCOMPARE(rig.clock.pauses.size(), qsizetype(cancelAt));
}

// ---- receive-display timer ---------------------------------------------------------------------

void TestExchange::timerHeldDuringWait_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("nothing arrives") << "empty";
    QTest::newRow("reply") << "data";
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("link error in first wait") << "error";
    QTest::newRow("link error while collecting") << "error-collecting";
}

void TestExchange::timerHeldDuringWait() {
    QFETCH(QString, path);
    Rig rig;
    int activeInPause = 0;
    rig.clock.onPause = [&](int index, int) {
        if (rig.timer.isActive()) ++activeInPause;
        if (index == 3 && path == QLatin1String("cancel")) rig.state.CancelRequested = true;
        if (index == 3 && path.startsWith(QLatin1String("error"))) rig.channel.failRead = true;
    };
    if (path == QLatin1String("data") || path == QLatin1String("error-collecting")) rig.channel.AtRead(1, kAccept);

    if (path.startsWith(QLatin1String("error"))) {
        QVERIFY_THROWS_EXCEPTION(LinkError, rig.ex.ReceiveReply(3000));
        QCOMPARE(rig.channel.reads, 4);
    } else {
        rig.ex.ReceiveReply(3000);
    }
    QVERIFY(rig.clock.pauses.size() >= 3);
    QCOMPARE(activeInPause, 0);
    QVERIFY(rig.timer.isActive());
    QCOMPARE(rig.timer.interval(), 50);
    QCOMPARE(rig.ex.WaitDepth(), 0);
}

void TestExchange::nestedWaitsKeepTimerStopped() {
    Rig rig;
    int activeInPause = 0;
    int maxDepth = 0;
    bool innerDone = false;
    bool activeAfterInner = true;
    rig.clock.onPause = [&](int index, int) {
        if (rig.timer.isActive()) ++activeInPause;
        maxDepth = qMax(maxDepth, rig.ex.WaitDepth());
        if (index == 2 && !innerDone) {
            innerDone = true;
            rig.ex.ReceiveReply(300); // e.g. a handler run from the event loop of the pause
            activeAfterInner = rig.timer.isActive();
        }
    };
    QCOMPARE(rig.ex.ReceiveReply(1000), QByteArray());
    QVERIFY(innerDone);
    QCOMPARE(maxDepth, 2);
    QVERIFY(!activeAfterInner);
    QCOMPARE(activeInPause, 0);
    QCOMPARE(rig.clock.pauses.size(), qsizetype(10 + 3));
    QVERIFY(rig.timer.isActive());
    QCOMPARE(rig.ex.WaitDepth(), 0);
}

void TestExchange::nestedWaitErrorRestartsTimer() {
    Rig rig;
    rig.clock.onPause = [&](int index, int) {
        if (index == 2) {
            rig.channel.failRead = true;
            rig.ex.ReceiveReply(300);
        }
    };
    QVERIFY_THROWS_EXCEPTION(LinkError, rig.ex.ReceiveReply(1000));
    QCOMPARE(rig.ex.WaitDepth(), 0);
    QVERIFY(rig.timer.isActive());
}

// ---- the checks over the wait --------------------------------------------------------------------

void TestExchange::checkAckReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("outcome");
    QTest::newRow("accept") << kAccept << int(ReplyOk);
    QTest::newRow("refuse") << Hex("AA 55 00 04 00 F1 00 F5") << int(ReplyRefused);
    QTest::newRow("stray bytes first") << Hex("0D 0A AA 55 00 04 00 F0 00 F4") << int(ReplyOk);
    QTest::newRow("bad checksum") << Hex("AA 55 00 04 00 F0 00 F5") << int(ReplyChecksumError);
}

void TestExchange::checkAckReply() {
    QFETCH(QByteArray, reply);
    QFETCH(int, outcome);
    Rig rig;
    rig.channel.AtRead(2, reply.left(3));
    rig.channel.AtRead(4, reply.mid(3));
    QCOMPARE(int(rig.ex.CheckAckReply()), outcome);
}

void TestExchange::checkSignalReply() {
    Rig rig;
    rig.channel.AtRead(1, Hex("AA 55 00 05 E0 23 14 01 1C"));
    QCOMPARE(rig.ex.CheckSignalReply(), 20);
    QVERIFY(rig.status.result.isEmpty());
    QVERIFY(rig.status.log.isEmpty());
}

void TestExchange::checkSignalReplyWrongCommandWord() {
    const QString message = QStringLiteral("[信号读取失败，返回数据包命令字非法！]");
    Rig rig;
    rig.channel.AtRead(1, Hex("AA 55 00 05 E0 24 14 01 1D"));
    QVERIFY(rig.ex.CheckSignalReply() < 0);
    QCOMPARE(rig.status.result, message);
    QCOMPARE(rig.status.log, QStringList{message});
}

void TestExchange::checkPayloadReply() {
    Rig rig;
    rig.channel.AtRead(1, Hex("AA 55 00 07 71 00 41 42 43 01 3E"));
    QCOMPARE(rig.ex.CheckPayloadReply(), QByteArray("ABC"));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"

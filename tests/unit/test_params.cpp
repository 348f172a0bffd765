// Reading, decoding, editing and writing parameters, without windows: the exchanges run on an
// in-memory channel whose "device" answers each request.
#include "params/editor.h"
#include "params/hookoperation.h"
#include "params/rows.h"
#include "params/changes.h"
#include "params/reader.h"
#include "params/valuecodec.h"
#include "params/writer.h"
#include "protocol/frames.h"
#include "base/hex.h"
#include "tests/support/rig.h"

#include <QElapsedTimer>
#include <QTest>

using namespace dtu;
using namespace dtu::test;

namespace {

ParamRow Row(const QString& number, const QString& name, const QString& raw, const QString& list = {},
             const QString& get = {}, const QString& set = {}) {
    ParamRow r;
    r[FieldNumber] = number;
    r[FieldName] = name;
    r[FieldRaw] = raw;
    r[FieldList] = list;
    r[FieldGet] = get;
    r[FieldSet] = set;
    return r;
}

// A reply frame for a payload, the way the device builds it.
QByteArray Reply(quint16 word, const QByteArray& payload) { return ComposeFrame({}, word, payload); }

struct Rig : FakeExchange {
    ParamTable main{false};
    ParamTable iface{true};
    Rig() {
        script.Eval(QStringLiteral(
            "var calls = 0; var prefix = '';"
            "function PrevCmd(){ return prefix; }"
            "function GetCmd(n){ return {CMD_GETPARAM:'7100', CMD_REPLYCONFIG:'F100'}[n]; }"
            "function Num(){ calls++; return String(parseInt(hexinput, 16)); }"
            "function ToHex(){ var v = parseInt(ascinput, 10); if (isNaN(v)) return 'NaN';"
            "  var s = v.toString(16).toUpperCase(); while (s.length < 4) s = '0' + s; return s; }"));
        state.MainParamChannel = 1;
        state.CurrentParamChannel = 1;
    }
    void Add(ParamTable& t, const ParamRow& r) {
        t.Append(r);
        AddToRequestList(t, r[FieldNumber]);
    }
    // The device answers the next request with these bytes.
    void Answer(const QByteArray& bytes) {
        channel.onSend = [this, bytes](const QByteArray&) { channel.Queue(bytes); };
    }
    QString Raw(ParamTable& t, int i) { return t.Row(i)[FieldRaw]; }
    QString Shown(ParamTable& t, int i) { return t.Row(i)[FieldDisplay]; }
};

} // namespace

class TestParams : public QObject {
    Q_OBJECT
private slots:
    void readWorkedExample();
    void readReplyChecks_data();
    void readReplyChecks();
    void readPrefixMovesPayload();
    void readItems();
    void readDecodes();
    void readAllMessages();
    void readInterfaceTableUsesScriptWords();
    void readNeverPastTheEnd();
    void readStopsHooksAfterOneTimeout();

    void codecs();
    void editorPlans();
    void editorMaskAndLength();
    void editorCommits();
    void editorChoice();

    void writeWorkedExample();
    void writeOutcomes_data();
    void writeOutcomes();
    void writeFindsLaterDuplicate();
    void writeRules();
};

void TestParams::readWorkedExample() {
    Rig rig;
    rig.Add(rig.main, Row("0091", "A", "HEX:"));
    rig.Add(rig.main, Row("0092", "B", "HEX:"));
    rig.Answer(Hex("AA 55 00 0F F0 00 00 03 00 91 05 00 04 00 92 41 42 02 B1"));
    QCOMPARE(ReadTable(rig.ex, rig.main.RequestList, [&] { return &rig.main; }), DataFailure::None);
    QCOMPARE(rig.channel.sent, Hex("AA 55 00 08 70 00 00 91 00 92 01 9B"));
    QCOMPARE(rig.Raw(rig.main, 0), QStringLiteral("HEX:05"));
    QCOMPARE(rig.Raw(rig.main, 1), QStringLiteral("HEX:4142"));
    QCOMPARE(rig.status.log.last(), QStringLiteral("[参数读取完毕]"));
}

void TestParams::readReplyChecks_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    const QByteArray good = Hex("AA 55 00 0F F0 00 00 03 00 91 05 00 04 00 92 41 42 02 B1");
    QTest::newRow("ok") << good << int(DataFailure::None) << QString();
    QTest::newRow("stray bytes before") << Hex("0D 0A 11") + good << int(DataFailure::None) << QString();
    QTest::newRow("nothing") << QByteArray() << int(DataFailure::NoResponse)
                             << QStringLiteral("[参数读取失败，设备无响应！]");
    QTest::newRow("no header") << Hex("55 AA 00 04 F0 00") << int(DataFailure::BadHeader)
                               << QStringLiteral("[参数读取失败，返回数据包头非法！]");
    QTest::newRow("other command byte") << Reply(0xF100, Hex("00 03 00 91 05")) << int(DataFailure::BadCommandWord)
                                        << QStringLiteral("[参数读取失败，返回数据包命令字非法！]");
    QTest::newRow("only the high byte counts") << Reply(0xF0AB, Hex("00 03 00 91 05")) << int(DataFailure::None)
                                               << QString();
    QTest::newRow("bytes after the checksum") << good + Hex("00") << int(DataFailure::BadChecksum)
                                              << QStringLiteral("[参数读取失败，返回数据包校验错！]");
    QTest::newRow("header only") << Hex("AA 55") << int(DataFailure::BadCommandWord)
                                 << QStringLiteral("[参数读取失败，返回数据包命令字非法！]");
}

void TestParams::readReplyChecks() {
    QFETCH(QByteArray, reply);
    QFETCH(int, failure);
    QFETCH(QString, message);
    Rig rig;
    rig.Add(rig.main, Row("0091", "A", "HEX:77"));
    rig.Add(rig.main, Row("0092", "B", "HEX:"));
    rig.Answer(reply);
    QCOMPARE(int(ReadTable(rig.ex, rig.main.RequestList, [&] { return &rig.main; })), failure);
    if (failure == int(DataFailure::None)) {
        QCOMPARE(rig.Raw(rig.main, 0), QStringLiteral("HEX:05"));
    } else {
        QCOMPARE(rig.status.result, message);
        QCOMPARE(rig.status.log, QStringList{message});
        QCOMPARE(rig.Raw(rig.main, 0), QStringLiteral("HEX:77")); // every row unchanged
    }
}

void TestParams::readPrefixMovesPayload() {
    Rig rig;
    rig.script.Eval(QStringLiteral("prefix = '0102';"));
    rig.Add(rig.main, Row("0091", "A", "HEX:"));
    // The device puts as many bytes as the prefix after the length; the first is the reply byte.
    QByteArray reply = ComposeFrame(Hex("F0 02"), 0xF000, Hex("00 03 00 91 05"));
    rig.Answer(reply);
    QCOMPARE(ReadTable(rig.ex, rig.main.RequestList, [&] { return &rig.main; }), DataFailure::None);
    QCOMPARE(rig.channel.sent, ComposeFrame(Hex("01 02"), 0x7000, Hex("00 91")));
    QCOMPARE(rig.Raw(rig.main, 0), QStringLiteral("HEX:05"));
}

void TestParams::readItems() {
    Rig rig;
    rig.Add(rig.main, Row("0091", "A", "HEX:77", {}, "Num()"));
    rig.Add(rig.main, Row("0093", "C", "HEX:12", {}, "Num()"));
    rig.Add(rig.main, Row("00A0", "D", "HEX:00", {}, "Num()"));
    // 0091 with an empty value (N = 2), an unknown 0092 skipped, 00a0 found in any letter case.
    rig.Answer(Reply(0xF000, Hex("00 02 00 91  00 03 00 92 09  00 03 00 A0 0A")));
    QCOMPARE(ReadTable(rig.ex, rig.main.RequestList, [&] { return &rig.main; }), DataFailure::None);
    QCOMPARE(rig.Raw(rig.main, 0), QStringLiteral("HEX:"));
    QCOMPARE(rig.Shown(rig.main, 0), QStringLiteral("NaN")); // recomputed from an empty hex text
    QCOMPARE(rig.Raw(rig.main, 1), QStringLiteral("HEX:12")); // not in the reply: kept
    QCOMPARE(rig.Raw(rig.main, 2), QStringLiteral("HEX:0A"));
    QCOMPARE(rig.Shown(rig.main, 2), QStringLiteral("10"));

    // A payload ending inside an item's head ends the walk; items before it keep their values.
    QList<quint16> seen;
    WalkPayload(Hex("00 03 00 91 05 00 03 00"), [&](quint16 n, const QByteArray&) {
        seen << n;
        return true;
    });
    QCOMPARE(seen, (QList<quint16>{0x0091}));
    // An item claiming more than is left gets what is there, and the walk ends.
    QByteArray value;
    WalkPayload(Hex("00 09 00 91 05"), [&](quint16, const QByteArray& v) {
        value = v;
        return true;
    });
    QCOMPARE(value, Hex("05"));
}

void TestParams::readDecodes() {
    Rig rig;
    ParamTable& t = rig.main;
    rig.Add(t, Row("0001", "float", "HEX:", {}, "GetFloat()"));
    rig.Add(t, Row("0002", "float2", "HEX:", {}, "GetFloat()"));
    rig.Add(t, Row("0003", "str", "HEX:", {}, "GetStr()"));
    rig.Add(t, Row("0004", "choice", "HEX:", "[[\"A\",\"B\",\"C\"],[\"01\",\"02\",\"02\"]]"));
    rig.Add(t, Row("0005", "nomatch", "HEX:", "[[\"A\"],[\"01\"]]"));
    rig.Add(t, Row("0006", "broken", "HEX:", {}, "nosuch()"));
    t.SetField(4, FieldDisplay, QStringLiteral("before"));
    t.SetField(5, FieldDisplay, QStringLiteral("kept"));
    const QByteArray gbk = Hex("D6 D0 CE C4"); // 中文
    QByteArray payload = Hex("00 06 00 01 40 49 0F DB  00 04 00 02 3F 80  00 08 00 03") + gbk + Hex("00 41");
    payload += Hex("00 03 00 04 02  00 03 00 05 09  00 03 00 06 01");
    rig.Answer(Reply(0xF000, payload));
    QCOMPARE(ReadTable(rig.ex, t.RequestList, [&] { return &t; }), DataFailure::None);
    QCOMPARE(rig.Shown(rig.main, 0), QStringLiteral("3.142"));
    QCOMPARE(rig.Shown(rig.main, 1), QStringLiteral("1.000"));
    QCOMPARE(rig.Shown(rig.main, 2), QStringLiteral("中文")); // up to the zero byte
    QCOMPARE(rig.Shown(rig.main, 3), QStringLiteral("C"));    // the later of two equal entries
    QCOMPARE(rig.Shown(rig.main, 4), QStringLiteral("before"));
    QCOMPARE(rig.Shown(rig.main, 5), QStringLiteral("kept")); // a script error keeps the text
    QCOMPARE(rig.Raw(rig.main, 5), QStringLiteral("HEX:01"));

    // A list hook that is not a choice list ends the walk; the items before keep their values.
    ParamTable u(false);
    rig.Add(u, Row("0001", "a", "HEX:", {}, "Num()"));
    rig.Add(u, Row("0002", "b", "HEX:", "[[oops"));
    rig.Add(u, Row("0003", "c", "HEX:", {}, "Num()"));
    rig.Answer(Reply(0xF000, Hex("00 03 00 01 05  00 03 00 02 06  00 03 00 03 07")));
    ReadTable(rig.ex, u.RequestList, [&] { return &u; });
    QCOMPARE(rig.Shown(u, 0), QStringLiteral("5"));
    QCOMPARE(rig.Raw(u, 2), QStringLiteral("HEX:"));
}

void TestParams::readAllMessages() {
    Rig rig;
    rig.Add(rig.main, Row("0091", "A", "HEX:"));
    // No answer: the panel still ends at "[参数读取完毕]", the log keeps the failure only.
    ReadAll(rig.ex, rig.main, rig.iface);
    QCOMPARE(rig.status.result, QStringLiteral("[参数读取完毕]"));
    QCOMPARE(rig.status.log, QStringList{QStringLiteral("[参数读取失败，设备无响应！]")});
    // After an access code the panel keeps the outcome.
    rig.state.AccessCodeAccepted = true;
    rig.status.log.clear();
    ReadAll(rig.ex, rig.main, rig.iface);
    QCOMPARE(rig.status.result, QStringLiteral("[参数读取失败，设备无响应！]"));
    // No active table: nothing is read.
    rig.state.CurrentParamChannel = 5;
    rig.channel.sends.clear();
    ReadAll(rig.ex, rig.main, rig.iface);
    QVERIFY(rig.channel.sends.isEmpty());
}

void TestParams::readInterfaceTableUsesScriptWords() {
    Rig rig;
    rig.state.InterfacePagePresent = true;
    rig.state.CurrentParamChannel = 0;
    rig.Add(rig.iface, Row("0201", "I", "HEX:"));
    rig.Add(rig.main, Row("0091", "A", "HEX:"));
    rig.Answer(Reply(0xF100, Hex("00 03 02 01 33")));
    ReadAll(rig.ex, rig.main, rig.iface);
    QCOMPARE(rig.channel.sends.size(), 1);
    QCOMPARE(rig.channel.sends.first(), ComposeFrame({}, 0x7100, Hex("02 01")));
    QCOMPARE(rig.Raw(rig.iface, 0), QStringLiteral("HEX:33"));
    QCOMPARE(rig.Raw(rig.main, 0), QStringLiteral("HEX:"));
    // A channel-0 reply carrying the main word's byte is refused.
    rig.Answer(Reply(0xF000, Hex("00 03 02 01 44")));
    ReadAll(rig.ex, rig.main, rig.iface);
    QCOMPARE(rig.status.log.last(), QStringLiteral("[参数读取失败，返回数据包命令字非法！]"));
}

void TestParams::readNeverPastTheEnd() {
    // Every prefix of a good reply, and replies whose length lies, are checked inside their
    // own bytes (ASan watches the copies).
    const QByteArray good = Hex("AA 55 00 0F F0 00 00 03 00 91 05 00 04 00 92 41 42 02 B1");
    for (qsizetype n = 0; n <= good.size(); ++n) {
        const QByteArray cut(good.constData(), n);
        QByteArray payload;
        CheckParamReply(cut, 0xF0, 0, &payload);
        QVERIFY(payload.size() <= qMax<qsizetype>(0, n - 8));
    }
    QByteArray lying = Hex("AA 55 FF FF F0 00 00 03 00 91 05");
    lying += WordToBytes(Sum16(lying, 2, lying.size()));
    QByteArray payload;
    QCOMPARE(CheckParamReply(lying, 0xF0, 0, &payload), DataFailure::None);
    QCOMPARE(payload, Hex("00 03 00 91 05")); // never the checksum bytes
    QCOMPARE(CheckParamReply(lying, 0xF0, 40, &payload), DataFailure::None);
    QVERIFY(payload.isEmpty());
}

// Six rows whose get hooks never return cost one time limit: the first is stopped, the others are
// skipped with their values as they were, and the log names the stopped row once.
void TestParams::readStopsHooksAfterOneTimeout() {
    Rig rig;
    rig.script.Eval(QStringLiteral("function Hang(){ for (;;) {} }"));
    rig.script.SetTimeLimitMs(300);
    QByteArray items;
    for (int i = 1; i <= 6; ++i) {
        const QString number = QStringLiteral("010%1").arg(i);
        ParamRow r = Row(number, "n", "HEX:0000", {}, "Hang()");
        r[FieldDisplay] = "old";
        rig.Add(rig.main, r);
        items += Hex("00 04") + HexPairsToBytes(number) + Hex("00 07");
    }
    rig.Add(rig.main, Row("0201", "n", "HEX:0000", {}, "Num()"));
    items += Hex("00 04 02 01 00 09");
    rig.Answer(Reply(0xF000, items));
    QElapsedTimer t;
    t.start();
    ReadAll(rig.ex, rig.main, rig.iface);
    QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
    for (int i = 0; i < 6; ++i) QCOMPARE(rig.Shown(rig.main, i), "old");
    QCOMPARE(rig.status.log.filter(QStringLiteral("脚本执行超时")).join("|"), HookStoppedText("0101"));
    // The next operation runs its hooks again.
    rig.Answer(Reply(0xF000, Hex("00 04 02 01 00 09")));
    ReadAll(rig.ex, rig.main, rig.iface);
    QCOMPARE(rig.Shown(rig.main, 6), "9");
}

void TestParams::codecs() {
    QCOMPARE(GetStrText("41420043"), QStringLiteral("AB"));
    QCOMPARE(GetFloatText("41200000"), QStringLiteral("10.000"));
    QCOMPARE(GetFloatText("3F80"), QStringLiteral("1.000"));
    QCOMPARE(GetFloatText(""), QStringLiteral("0.000"));
    QCOMPARE(SetStrHex("AB"), QStringLiteral("4142"));
    QCOMPARE(SetStrHex(QStringLiteral("中")), QStringLiteral("D6D0"));
    QString hex;
    QVERIFY(SetFloatHex("-12.5", &hex));
    QCOMPARE(hex, QStringLiteral("C1480000"));
    QVERIFY(SetFloatHex("1", &hex));
    QCOMPARE(hex, QStringLiteral("3F800000"));
    QVERIFY(SetFloatHex("1e300", &hex));
    QCOMPARE(hex, QStringLiteral("7F800000"));
    QVERIFY(!SetFloatHex("-", &hex));
    QVERIFY(!SetFloatHex("1,5", &hex));
    QCOMPARE(ReplaceNan("NaN"), QStringLiteral("00"));
    QCOMPARE(ReplaceNan("12nan34NAN"), QStringLiteral("12003400"));
}

void TestParams::editorPlans() {
    Rig rig;
    // "HEX:" alone: free text, empty, the get hook not evaluated.
    EditorPlan p = PlanEditor(Row("0001", "n", "HEX:", {}, "Num()"), 0, rig.script);
    QCOMPARE(p.kind, EditorKind::Edit);
    QCOMPARE(p.maxLength, 199);
    QVERIFY(p.allowedChars.isEmpty());
    QVERIFY(!p.hasInitialText);
    QCOMPARE(rig.script.Eval("calls").text, QStringLiteral("0"));
    // A value: the get hook gives the initial text, after hexinput was set.
    p = PlanEditor(Row("0001", "n", "HEX:0A", {}, "Num()"), 0, rig.script);
    QCOMPARE(p.initialText, QStringLiteral("10"));
    p = PlanEditor(Row("0001", "s", "HEX:41420043", {}, "GetStr()"), 0, rig.script);
    QCOMPARE(p.initialText, QStringLiteral("AB"));
    p = PlanEditor(Row("0001", "f", "HEX:C1480000", {}, "GetFloat()"), 0, rig.script);
    QCOMPARE(p.initialText, QStringLiteral("-12.500"));
    // Heading rows and row 0091 below level 2 get no editor.
    QCOMPARE(PlanEditor(Row("", "heading", "HEX:"), 2, rig.script).kind, EditorKind::None);
    QCOMPARE(PlanEditor(Row("0091", "id", "HEX:01"), 1, rig.script).kind, EditorKind::None);
    QCOMPARE(PlanEditor(Row("0091", "id", "HEX:01"), 2, rig.script).kind, EditorKind::Edit);
    // A broken choice list is reported and the row is edited as free text.
    p = PlanEditor(Row("0001", "c", "HEX:01", "[[\"A\",\"B\"],[\"01\"]]"), 0, rig.script);
    QCOMPARE(p.kind, EditorKind::Edit);
    QCOMPARE(p.errors.size(), 1);
}

void TestParams::editorMaskAndLength() {
    Rig rig;
    EditorPlan p = PlanEditor(Row("0001", "m", "HEX:", "Length=8; Mask='01';"), 0, rig.script);
    QCOMPARE(p.maxLength, 8);
    QCOMPARE(p.allowedChars, QStringLiteral("01"));
    for (QChar c : QStringLiteral("01\b")) QVERIFY(EditAccepts(p.allowedChars, c));
    for (QChar c : QStringLiteral("2a \r\x03\x16")) QVERIFY(!EditAccepts(p.allowedChars, c));
    // A list hook mentioning Length whose evaluation fails: no limit.
    rig.script.Eval("Length = 5;");
    p = PlanEditor(Row("0001", "m", "HEX:", "Length = nosuch();"), 0, rig.script);
    QCOMPARE(p.maxLength, 0);
    QVERIFY(p.allowedChars.isEmpty());
    QVERIFY(EditAccepts(QString(), QChar('\r')));
}

void TestParams::editorCommits() {
    Rig rig;
    ParamTable& t = rig.main;
    t.Append(Row("0001", "s", "HEX:41", {}, "GetStr()", "SetStr()"));
    t.Append(Row("0002", "f", "HEX:3F800000", {}, "GetFloat()", "SetFloat()"));
    t.Append(Row("0003", "n", "HEX:0001", {}, "Num()", "ToHex()"));
    QVERIFY(CommitEditText(t, 0, "AB", rig.state, rig.script));
    QCOMPARE(rig.Raw(t, 0), QStringLiteral("HEX:4142"));
    QCOMPARE(rig.Shown(t, 0), QStringLiteral("AB"));
    QVERIFY(CommitEditText(t, 0, "", rig.state, rig.script)); // every character deleted
    QCOMPARE(rig.Raw(t, 0), QStringLiteral("HEX:"));
    QCOMPARE(rig.Shown(t, 0), QString());
    QVERIFY(CommitEditText(t, 1, "-12.5", rig.state, rig.script));
    QCOMPARE(rig.Raw(t, 1), QStringLiteral("HEX:C1480000"));
    QVERIFY(!CommitEditText(t, 1, "-", rig.state, rig.script)); // marks, keeps the value
    QCOMPARE(rig.Raw(t, 1), QStringLiteral("HEX:C1480000"));
    QCOMPARE(rig.Shown(t, 1), QStringLiteral("-12.5"));
    QVERIFY(CommitEditText(t, 2, "abc", rig.state, rig.script)); // script says NaN
    QCOMPARE(rig.Raw(t, 2), QStringLiteral("HEX:00"));
    QVERIFY(CommitEditText(t, 2, "258", rig.state, rig.script));
    QCOMPARE(rig.Raw(t, 2), QStringLiteral("HEX:0102"));
    QCOMPARE(rig.state.ChangedParamList, (QStringList{"0001", "0002", "0003"}));
    // What was typed reaches the script exactly: quotes and backslashes cannot break out.
    t.Append(Row("0004", "q", "HEX:", {}, {}, "ascinput.length.toString(16)"));
    QVERIFY(CommitEditText(t, 3, "a\"b\\c", rig.state, rig.script));
    QCOMPARE(rig.Raw(t, 3), QStringLiteral("HEX:5"));
}

void TestParams::editorChoice() {
    Rig rig;
    ParamTable& t = rig.main;
    const QString list = "[[\"TCP\",\"UDP\",\"UDP2\"],[\"00\",\"01\",\"01\"]]";
    t.Append(Row("0010", "mode", "HEX:01", list, "'shown by hook'"));
    EditorPlan p = PlanEditor(t.Row(0), 0, rig.script);
    QCOMPARE(p.kind, EditorKind::Combo);
    QCOMPARE(p.items, (QStringList{"TCP", "UDP", "UDP2"}));
    QCOMPARE(p.selected, 2); // the later match wins
    QCOMPARE(p.comboText, QStringLiteral("shown by hook"));
    t.SetField(0, FieldRaw, QStringLiteral("HEX:07"));
    p = PlanEditor(t.Row(0), 0, rig.script);
    QCOMPARE(p.selected, -1);
    QString error;
    QVERIFY(CommitChoice(t, 0, "TCP", rig.state, &error));
    QCOMPARE(rig.Raw(t, 0), QStringLiteral("HEX:00"));
    QCOMPARE(rig.Shown(t, 0), QStringLiteral("TCP"));
    QCOMPARE(rig.state.ChangedParamList, QStringList{"0010"});
    t.Append(Row("0011", "bad", "HEX:01", "[[broken"));
    QVERIFY(!CommitChoice(t, 1, "x", rig.state, &error));
    QVERIFY(!error.isEmpty());
}

void TestParams::writeWorkedExample() {
    Rig rig;
    rig.main.Append(Row("0091", "A", "HEX:01"));
    rig.main.Append(Row("0092", "端口", "HEX:05"));
    rig.main.SetField(1, FieldDisplay, QStringLiteral("5"));
    rig.Answer(Hex("AA 55 00 04 00 F0 00 F4"));
    QCOMPARE(WriteParam(rig.ex, rig.main, rig.iface, "0092"), int(ReplyOk));
    QCOMPARE(rig.channel.sent, Hex("AA 55 00 05 00 92 05 00 9C"));
    QCOMPARE(rig.status.log, (QStringList{QStringLiteral("设置参数：端口=5"), QStringLiteral("[参数设置成功]")}));
    QCOMPARE(rig.status.result, QStringLiteral("[参数设置成功]"));
}

void TestParams::writeOutcomes_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused") << Hex("AA 55 00 04 00 F1 00 F5") << QStringLiteral("[参数设置失败]");
    QTest::newRow("no answer") << QByteArray() << QStringLiteral("[参数设置失败，设备无响应！]");
    QTest::newRow("illegal") << Hex("55 AA") << QStringLiteral("[参数设置失败，输入了非法内容！]");
    QTest::newRow("checksum") << Hex("AA 55 00 04 00 F0 00 F5") << QStringLiteral("[参数设置失败，返回帧校验错误！]");
}

void TestParams::writeOutcomes() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    Rig rig;
    rig.main.Append(Row("0092", "B", "HEX:"));
    if (!reply.isEmpty()) rig.Answer(reply);
    WriteParam(rig.ex, rig.main, rig.iface, "0092");
    QCOMPARE(rig.channel.sent, ComposeFrame({}, 0x0092, {})); // "HEX:" alone: empty data
    QCOMPARE(rig.status.log.first(), QStringLiteral("设置参数：B=(空)"));
    QCOMPARE(rig.status.result, message);
    QCOMPARE(rig.status.log.last(), message);
}

void TestParams::writeFindsLaterDuplicate() {
    Rig rig;
    rig.main.Append(Row("0050", "first", "HEX:01"));
    rig.main.Append(Row("0051", "other", "HEX:02"));
    rig.main.Append(Row("0050", "later", "HEX:03"));
    rig.Answer(Hex("AA 55 00 04 00 F0 00 F4"));
    WriteParam(rig.ex, rig.main, rig.iface, "0050");
    QCOMPARE(rig.channel.sent, ComposeFrame({}, 0x0050, Hex("03")));
    QCOMPARE(FindRow(rig.main, "0050"), 0); // reading finds the upper one
}

void TestParams::writeRules() {
    AppState s;
    QVERIFY(!ShouldWrite(s, "0091"));
    QVERIFY(!ShouldWrite(s, ""));
    QVERIFY(ShouldWrite(s, "0092"));
    s.EngineeringLevel = 2;
    QVERIFY(ShouldWrite(s, "0091"));
    ParamTable t(false);
    t.Append(Row("0001", "a", "HEX:"));
    t.Append(Row("", "heading", "HEX:"));
    t.Append(Row("000a", "b", "HEX:"));
    QCOMPARE(ChangedRows(t, {"000A", "0001"}), (QList<int>{0, 2}));
    // No active table: nothing is sent.
    Rig rig;
    rig.main.Append(Row("0092", "B", "HEX:05"));
    rig.state.CurrentParamChannel = -1;
    QCOMPARE(WriteParam(rig.ex, rig.main, rig.iface, "0092"), int(ReplyNone));
    QVERIFY(rig.channel.sends.isEmpty());
}

QTEST_GUILESS_MAIN(TestParams)
#include "test_params.moc"

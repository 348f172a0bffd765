// Device commands and their buttons against an in-memory channel that answers every request
// with a scripted reply; reply waits take no real time (FakeClock).
#include "protocol/commands.h"
#include "base/hex.h"
#include "tests/support/rig.h"

#include <QTest>
#include <tuple>

using namespace dtu;
using namespace dtu::test;

namespace {

const char* kScript = R"(
var Commands = { CMD_GETDTUVER: "7005", CMD_RESET: "7006", CMD_SETDEFAULT: "7007" };
function GetCmd(name) { if (!(name in Commands)) throw new Error(name); return Commands[name]; }
function PrevCmd() { return ""; })";

QByteArray Reply(const QString& kind) {
    if (kind == "ok") return ComposeFrame({}, 0x00F0, {});
    if (kind == "refused") return ComposeFrame({}, 0x00F1, {});
    if (kind == "illegal") return Hex("12 34 56");
    if (kind == "checksum") return Hex("AA 55 00 04 00 F0 00 00");
    return {}; // "none": the device stays silent
}

QDateTime Worked() { return QDateTime(QDate(2026, 3, 7), QTime(8, 5, 9)); }

struct Rig : FakeExchange {
    ScriptedPrompter prompter;
    explicit Rig(const QByteArray& reply = {}) {
        script.Eval(QString::fromUtf8(kScript));
        channel.onSend = [this, reply](const QByteArray&) {
            if (!reply.isEmpty()) channel.Queue(reply);
        };
    }
};

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void frames_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("frame");
        QTest::newRow("select channel 0") << 0 << "AA 55 00 05 E0 50 00 01 35";
        QTest::newRow("read signal") << 1 << "AA 55 00 04 E0 23 01 07";
        QTest::newRow("read clock") << 2 << "AA 55 00 04 70 0E 00 82";
        QTest::newRow("set clock") << 3
                                   << "AA 55 00 17 70 0D 32 30 32 36 2D 30 33 2D 30 37 20 30 38 3A 30 35 3A 30 39 04 4C";
        QTest::newRow("version") << 4 << "AA 55 00 04 70 05 00 79";
        QTest::newRow("reset") << 5 << "AA 55 00 04 70 06 00 7A";
        QTest::newRow("defaults") << 6 << "AA 55 00 04 70 07 00 7B";
    }
    void frames() {
        QFETCH(int, command);
        QFETCH(QString, frame);
        Rig r;
        r.state.InterfacePagePresent = true;
        r.state.CurrentParamChannel = 1;
        switch (command) {
        case 0: SelectParamChannel(r.ex, 0, true); break;
        case 1: ReadSignal(r.ex); break;
        case 2: ReadClock(r.ex); break;
        case 3: SetDeviceClockNow(r.ex, Worked); break;
        case 4: ReadVersion(r.ex); break;
        case 5: ResetDevice(r.ex); break;
        case 6: RestoreDefaults(r.ex); break;
        }
        QCOMPARE(r.channel.sends.size(), 1);
        QCOMPARE(SpacedHex(r.channel.sends.at(0)).trimmed(), frame);
    }

    void confirmed_data() {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("panel");
        QTest::newRow("defaults ok") << false << "ok" << true << true << "[参数设置成功]";
        QTest::newRow("defaults refused") << false << "refused" << true << true << "[参数设置失败]";
        QTest::newRow("defaults silent") << false << "none" << true << true << "[参数设置失败，设备无响应！]";
        QTest::newRow("defaults illegal") << false << "illegal" << true << true << "[参数设置失败，非法的返回串！]";
        QTest::newRow("defaults checksum") << false << "checksum" << true << true << "[参数设置失败，返回帧校验错误！]";
        QTest::newRow("defaults cancelled") << false << "ok" << true << false << "earlier";
        QTest::newRow("defaults closed") << false << "ok" << false << true << "earlier";
        QTest::newRow("reset ok") << true << "ok" << true << true << "[复位设备成功]";
        QTest::newRow("reset refused") << true << "refused" << true << true << "[复位设备失败]";
        QTest::newRow("reset silent") << true << "none" << true << true << "[复位设备失败，设备无响应！]";
        QTest::newRow("reset illegal") << true << "illegal" << true << true << "[复位设备失败，非法的返回串！]";
        QTest::newRow("reset checksum") << true << "checksum" << true << true << "[复位设备失败，返回帧校验错误！]";
        QTest::newRow("reset cancelled") << true << "ok" << true << false << "earlier";
        QTest::newRow("reset closed") << true << "ok" << false << true << "earlier";
    }
    void confirmed() {
        QFETCH(bool, reset);
        QFETCH(QString, reply);
        QFETCH(bool, open);
        QFETCH(bool, answer);
        QFETCH(QString, panel);
        Rig r(Reply(reply));
        r.status.result = "earlier";
        r.prompter.confirmAnswers = {answer};
        (reset ? ConfirmReset : ConfirmRestoreDefaults)(r.ex, r.prompter, open);
        QCOMPARE(r.status.result, panel);
        if (!open) {
            QCOMPARE(r.prompter.messages, QStringList{"数据通道未打开，请先打开串口或建立TCP链接"});
            QVERIFY(r.prompter.confirms.isEmpty() && r.channel.sends.isEmpty() && r.status.log.isEmpty());
            return;
        }
        QCOMPARE(r.prompter.confirms.at(0), reset ? "提示|真的要复位设备吗？" : "提示|真的要恢复出厂默认设置吗？");
        QCOMPARE(r.status.log, QStringList{panel}); // the panel text, on OK and on Cancel
        QCOMPARE(r.channel.sends.size(), answer ? 1 : 0);
        if (answer) QCOMPARE(ByteAt(r.channel.sends.at(0), 5), reset ? 0x06 : 0x07);
    }

    void buttons_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QStringList>("dialog");
        const QString set = "设置设备时钟=2026-03-07 08:05:09";
        QTest::newRow("version") << 14 << ComposeFrame({}, 0x7005, "V2.1") << "" << QStringList{"DTU版本号=V2.1"};
        QTest::newRow("version GBK") << 14 << ComposeFrame({}, 0x7005, "\xB0\xE6\xB1\xBE") << ""
                                     << QStringList{"DTU版本号=版本"};
        QTest::newRow("version fails") << 14 << QByteArray() << "" << QStringList{"DTU版本号读取失败", "DTU版本号="};
        QTest::newRow("clock") << 19 << ComposeFrame({}, 0x700E, "2026-03-07 08:05:09") << "设备时钟读取成功"
                               << QStringList{"设备时钟读取成功", "2026-03-07 08:05:09"};
        QTest::newRow("clock fails") << 19 << Hex("AA 55 00 05 70 0E 41 00 00") << "设备时钟读取失败"
                                     << QStringList{"设备时钟读取失败", ""};
        QTest::newRow("set ok") << 20 << Reply("ok") << "[设备时钟设置成功]" << QStringList{set, "[设备时钟设置成功]"};
        QTest::newRow("set refused") << 20 << Reply("refused") << "[设备时钟设置失败]"
                                     << QStringList{set, "[设备时钟设置失败]"};
        QTest::newRow("set silent") << 20 << Reply("none") << "[设备时钟设置失败，设备无响应！]"
                                    << QStringList{set, "[设备时钟设置失败，设备无响应！]"};
        QTest::newRow("set illegal") << 20 << Reply("illegal") << "[设备时钟设置失败，参数错误！]"
                                     << QStringList{set, "[设备时钟设置失败，参数错误！]"};
        QTest::newRow("set checksum") << 20 << Reply("checksum") << "[设备时钟设置失败，返回帧校验错误！]"
                                      << QStringList{set, "[设备时钟设置失败，返回帧校验错误！]"};
        QTest::newRow("signal") << 6 << Hex("AA 55 00 05 E0 23 17 01 1F") << "" << QStringList{"DTU CSQ=23"};
        QTest::newRow("signal fails") << 6 << Hex("AA 55 00 05 E0 23 17 00 00") << "" << QStringList{"信号读取失败"};
        QTest::newRow("signal other word") << 6 << ComposeFrame({}, 0xE024, "\x17")
                                           << "[信号读取失败，返回数据包命令字非法！]" << QStringList{"信号读取失败"};
    }
    void buttons() {
        QFETCH(int, button);
        QFETCH(QByteArray, reply);
        QFETCH(QString, panel);
        QFETCH(QStringList, dialog);
        Rig r(reply);
        switch (button) {
        case 14: ShowVersion(r.ex); break;
        case 19: ShowDeviceClock(r.ex); break;
        case 20: SetDeviceClockNow(r.ex, Worked); break;
        case 6: ShowSignal(r.ex); break;
        }
        QCOMPARE(r.channel.sends.size(), 1);
        QCOMPARE(r.status.result, panel);
        QCOMPARE(r.status.dialog, dialog);
    }

    void scriptErrorsSendNothing() {
        Rig r;
        r.script.Eval("delete Commands.CMD_RESET;");
        QVERIFY_THROWS_EXCEPTION(OperationError, ResetDevice(r.ex));
        r.script.Eval("PrevCmd = function() { throw new Error('no prefix'); };");
        QVERIFY_THROWS_EXCEPTION(OperationError, SetDeviceClockNow(r.ex, Worked));
        QVERIFY(r.channel.sends.isEmpty());
        // the clock line is written before the request is built
        QCOMPARE(r.status.dialog, QStringList{"设置设备时钟=2026-03-07 08:05:09"});
    }

    // Steps: I = interface page shown, M = a main parameter page, O = another page,
    // P = the port button; each followed by + (serial port open) or - (closed).
    void channelSelection_data() {
        QTest::addColumn<bool>("interfacePage");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<int>("finalCurrent");
        QTest::newRow("main page twice sends once") << true << 0 << "M+M+O+" << "2" << 2;
        QTest::newRow("interface then main") << true << 2 << "I+M+" << "0 2" << 2;
        QTest::newRow("closed port still updates") << true << 2 << "I-I+" << "" << 0;
        QTest::newRow("no interface page") << false << 2 << "I+M+P+" << "" << 2;
        QTest::newRow("port button resends main") << true << 2 << "P+M+" << "2" << 2;
        QTest::newRow("port button, port closed") << true << 0 << "P-M+" << "" << 2;
    }
    void channelSelection() {
        QFETCH(bool, interfacePage);
        QFETCH(int, current);
        QFETCH(QString, steps);
        QFETCH(QString, sent);
        QFETCH(int, finalCurrent);
        Rig r(Reply("refused")); // the acknowledgement is not judged
        r.state.InterfacePagePresent = interfacePage;
        r.state.MainParamChannel = 2;
        r.state.CurrentParamChannel = current;
        for (int i = 0; i + 1 < steps.size(); i += 2) {
            const bool open = steps.at(i + 1) == '+';
            switch (steps.at(i).toLatin1()) {
            case 'I': OnPageShown(r.ex, PageKind::Interface, open); break;
            case 'M': OnPageShown(r.ex, PageKind::MainParams, open); break;
            case 'O': OnPageShown(r.ex, PageKind::Other, open); break;
            case 'P': OnPortButton(r.ex, open); break;
            }
        }
        QStringList channels;
        for (const QByteArray& f : r.channel.sends) {
            QCOMPARE(f.mid(4, 2), Hex("E0 50"));
            channels << QString::number(ByteAt(f, 6));
        }
        QCOMPARE(channels.join(' '), sent);
        QCOMPARE(r.state.CurrentParamChannel, finalCurrent);
        QVERIFY(r.status.result.isEmpty() && r.status.log.isEmpty());
    }

    void readButtonChannels() {
        AppState s;
        s.MainParamChannel = 2;
        for (const auto& [current, all, iface] : {std::tuple{-1, 1, 1}, {0, 0, 0}, {2, 2, 0}}) {
            s.CurrentParamChannel = current;
            QCOMPARE(ReadAllChannel(s), all);
            QCOMPARE(ReadInterfaceChannel(s), iface);
        }
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "test_commands.moc"

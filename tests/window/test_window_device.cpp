// The main window with the demo profile and the simulator: the configuration restored at start,
// the serial settings saved after opening, device commands from the menu and the control page,
// channel selection on page changes, and the configuration menu.
#include "app/window/mainwindow.h"
#include "app/window/signalgraph.h"
#include "app/window/widgetkit.h"
#include "params/rows.h"
#include "sim/tcpendpoint.h"
#include "tests/support/windowrig.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace dtu;
using namespace dtu::test;
using namespace dtu::sim;

namespace {

QString Lines(QPlainTextEdit* box) { return box->toPlainText(); }

// A fresh folder with the demo profile (the TCP one too); with `restore`, lastfile.log names
// demo.txt as a previous run leaves it.
struct DemoFolder : WorkFolder {
    explicit DemoFolder(bool restore) {
        CopyDemo(kDemoProfile + QStringList{QStringLiteral("demo-tcp.txt")});
        if (restore) Write(QStringLiteral("lastfile.log"), Path("demo.txt").toUtf8());
    }
};

// The window as it starts in that folder (the reload after start run), and the simulator with
// the demo values on a pseudo-terminal.
struct Rig : DemoFolder, PtyDevice, WindowRig {
    explicit Rig(bool restore = true) : DemoFolder(restore), WindowRig(Startup::Reloaded) { Start(); }
    void OpenPort() { QVERIFY(Open(pty.SlavePath())); }
    int Selections(int channel) const { return device.CountReceived(0xE050, QByteArray(1, char(channel))); }
};

// A poll timer the test fires by hand; its clock moves one interval per tick.
struct ManualPollTimer : IPollTimer {
    std::function<void()> tick;
    int interval = 0;
    bool active = false;
    qint64 now = 0;
    void Start(int ms, std::function<void()> t) override {
        interval = ms;
        tick = std::move(t);
        active = true;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    qint64 NowMs() const override { return now; }
    void Fire() {
        now += interval;
        if (active) tick();
    }
};

} // namespace

class TestWindowDevice : public QObject {
    Q_OBJECT
private slots:
    void restoredAtStart();
    void serialSettingsSaved();
    void commands();
    void confirmationsCancelled();
    void pageChangesSelectChannel();
    void configurationMenu();
    void signalAndTcpGroup();
    void interfaceTableOverTcp();
    void signalPoll();
};

void TestWindowDevice::restoredAtStart() {
    Rig rig;
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("参数配置程序 演示DTU"));
    QVERIFY(Find<QTabWidget>(rig.form, "PageControl1")->isTabVisible(3));
    QVERIFY(rig.form->State().InterfacePagePresent);
    // No TCP address in this profile: no TCP group, the signal button instead.
    QVERIFY(Find<QGroupBox>(rig.form, "GroupBox16")->isHidden());
    QVERIFY(!Find<QPushButton>(rig.form, "Button6")->isHidden());
    QVERIFY(Find<QLineEdit>(rig.form, "Edit8")->text().isEmpty());
    QCOMPARE(Find<QComboBox>(rig.form, "ComboBox1")->currentText(), QStringLiteral("57600"));
    QVERIFY(rig.form->MainTable().Count() > 5);
    QVERIFY(rig.form->Session().InterfaceTable().Count() > 0);
    QVERIFY(rig.prompter.messages.isEmpty());
    // Only once: a configuration already loaded is not replaced by the timer.
    rig.form->Session().Config().ConfigPath = QStringLiteral("other.txt");
    rig.form->ReloadLastConfiguration();
    QCOMPARE(rig.form->Session().Config().ConfigPath, QStringLiteral("other.txt"));
}

void TestWindowDevice::serialSettingsSaved() {
    Rig rig;
    kit::SetComboText(Find<QComboBox>(rig.form, "ComboBox1"), QStringLiteral("9600"));
    kit::SetComboText(Find<QComboBox>(rig.form, "ComboBox6"), QStringLiteral("8E1"));
    rig.OpenPort();
    QFile f(rig.Path("demo.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    QCOMPARE(root.value("Comport").toString(), rig.pty.SlavePath());
    QCOMPARE(root.value("Baudrate").toString(), QStringLiteral("9600"));
    QCOMPARE(root.value("ComOption").toString(), QStringLiteral("8E1"));
    QCOMPARE(root.value("Title").toString(), QStringLiteral("演示DTU"));
    QCOMPARE(root.value("Params").toObject().size(), rig.form->MainTable().Count());
    // The next start opens with these settings.
    MainWindow next(&rig.prompter);
    Find<QTimer>(next, "Timer3")->stop();
    next.ReloadLastConfiguration();
    QCOMPARE(Find<QComboBox>(next, "Edit1")->currentText(), rig.pty.SlavePath());
    QCOMPARE(Find<QComboBox>(next, "ComboBox1")->currentText(), QStringLiteral("9600"));
    QCOMPARE(Find<QComboBox>(next, "ComboBox6")->currentText(), QStringLiteral("8E1"));
}

void TestWindowDevice::commands() {
    Rig rig;
    rig.OpenPort();
    Find<QPushButton>(rig.form, "Button14")->click();
    QCOMPARE(Lines(Find<QPlainTextEdit>(rig.form, "Memo4")),
             QStringLiteral("DTU版本号=DTU-SIM V1.0 2026-12"));
    rig.form->Now = [] { return QDateTime(QDate(2026, 3, 7), QTime(8, 5, 9)); };
    Find<QPushButton>(rig.form, "Button20")->click();
    QVERIFY(Lines(Find<QPlainTextEdit>(rig.form, "Memo4"))
                .endsWith(QStringLiteral("设置设备时钟=2026-03-07 08:05:09\n[设备时钟设置成功]")));
    Find<QPushButton>(rig.form, "Button19")->click();
    QVERIFY(Lines(Find<QPlainTextEdit>(rig.form, "Memo4"))
                .contains(QStringLiteral("设备时钟读取成功\n2026-03-07 08:0")));
    Find<QAction>(rig.form, "N6")->trigger();
    QCOMPARE(Find<QLabel>(rig.form, "StatusBar1Panel3")->text(), QStringLiteral("[复位设备成功]"));
    QVERIFY(Lines(Find<QPlainTextEdit>(rig.form, "Memo1")).endsWith(QStringLiteral("[复位设备成功]")));
    QCOMPARE(rig.prompter.confirms.last(), QStringLiteral("提示|真的要复位设备吗？"));
    rig.device.SetMode(AnswerMode::Refuse);
    Find<QAction>(rig.form, "N1")->trigger();
    QCOMPARE(Find<QLabel>(rig.form, "StatusBar1Panel3")->text(), QStringLiteral("[参数设置失败]"));
    QCOMPARE(rig.prompter.confirms.last(), QStringLiteral("提示|真的要恢复出厂默认设置吗？"));
}

void TestWindowDevice::confirmationsCancelled() {
    Rig rig;
    // Channel closed: the message, no question.
    Find<QAction>(rig.form, "N6")->trigger();
    QCOMPARE(rig.prompter.messages, QStringList{QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接")});
    QVERIFY(rig.prompter.confirms.isEmpty());
    rig.OpenPort();
    rig.device.ClearReceived();
    Find<QLabel>(rig.form, "StatusBar1Panel3")->setText(QStringLiteral("[之前的结果]"));
    rig.prompter.confirmAnswers = {false, false};
    Find<QAction>(rig.form, "N6")->trigger();
    Find<QAction>(rig.form, "N1")->trigger();
    QVERIFY(rig.device.Received().isEmpty());
    QVERIFY(Lines(Find<QPlainTextEdit>(rig.form, "Memo1"))
                .endsWith(QStringLiteral("[之前的结果]\n[之前的结果]")));
}

void TestWindowDevice::pageChangesSelectChannel() {
    Rig rig;
    rig.OpenPort();
    QCOMPARE(rig.Selections(1), 1); // the port button selects the main channel
    Find<QTabWidget>(rig.form, "PageControl1")->setCurrentIndex(1);
    Find<QTabWidget>(rig.form, "PageControl1")->setCurrentIndex(0);
    QCOMPARE(rig.Selections(1), 1); // already selected: not sent again
    Find<QTabWidget>(rig.form, "PageControl1")->setCurrentIndex(3);
    QCOMPARE(rig.Selections(0), 1);
    QCOMPARE(rig.device.Channel(), 0);
    Find<QTabWidget>(rig.form, "PageControl1")->setCurrentIndex(0);
    QCOMPARE(rig.Selections(1), 2);
    QCOMPARE(rig.device.Channel(), 1);
    // With the port closed the tool still remembers the selection, and sends nothing.
    Find<QPushButton>(rig.form, "Button3")->click();
    rig.device.ClearReceived();
    Find<QTabWidget>(rig.form, "PageControl1")->setCurrentIndex(3);
    QCOMPARE(rig.form->State().CurrentParamChannel, 0);
    QVERIFY(rig.device.Received().isEmpty());
}

void TestWindowDevice::configurationMenu() {
    Rig rig(false);
    QCOMPARE(rig.form->MainTable().Count(), 0);
    QFile bad(rig.Path("broken.txt"));
    bad.open(QIODevice::WriteOnly);
    bad.write("{ not json");
    bad.close();
    rig.prompter.fileAnswers = {rig.Path("broken.txt"), rig.Path("demo.txt")};
    Find<QAction>(rig.form, "N5")->trigger();
    QCOMPARE(rig.prompter.messages.size(), 1); // the parse error's text
    QFile last(QStringLiteral("lastfile.log"));
    QVERIFY(last.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(last.readAll()), rig.Path("broken.txt"));
    last.close();
    QVERIFY(rig.prompter.fileRequests.first().endsWith(QStringLiteral("|*.txt")));
    Find<QAction>(rig.form, "N5")->trigger();
    QCOMPARE(rig.prompter.messages.size(), 1);
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("参数配置程序 演示DTU"));
    const int rows = rig.form->MainTable().Count();
    QVERIFY(rows > 5);
    rig.prompter.fileAnswers = {rig.Path("demo.txt")};
    Find<QAction>(rig.form, "N5")->trigger(); // loading twice leaves every row once
    QCOMPARE(rig.form->MainTable().Count(), rows);
}

void TestWindowDevice::signalAndTcpGroup() {
    Rig rig;
    rig.OpenPort();
    Find<QPushButton>(rig.form, "Button6")->click();
    QCOMPARE(Lines(Find<QPlainTextEdit>(rig.form, "Memo4")), QStringLiteral("DTU CSQ=23"));
    // The profile with a TCP address shows the group and hides the signal button; loading the
    // other one again takes it away.
    QVERIFY(rig.form->Session().Config().LoadConfiguration(rig.Path("demo-tcp.txt")));
    QVERIFY(!Find<QGroupBox>(rig.form, "GroupBox16")->isHidden());
    QVERIFY(Find<QPushButton>(rig.form, "Button6")->isHidden());
    QCOMPARE(Find<QLineEdit>(rig.form, "Edit8")->text(), QStringLiteral("127.0.0.1"));
    QVERIFY(rig.form->Session().Config().LoadConfiguration(rig.Path("demo.txt")));
    QVERIFY(Find<QGroupBox>(rig.form, "GroupBox16")->isHidden());
    QVERIFY(Find<QLineEdit>(rig.form, "Edit8")->text().isEmpty());
}

// Over the TCP maintenance link the interface page's 读取 selects channel 0 first, as over the
// serial port: the device answers the interface table's read word only then.
void TestWindowDevice::interfaceTableOverTcp() {
    Rig rig;
    TcpEndpoint tcp(rig.device);
    QVERIFY(tcp.Listen(QHostAddress::LocalHost, 0));
    rig.form->Session().Tcp().SetPort(tcp.Port());
    Find<QLineEdit>(rig.form, "Edit8")->setText(QStringLiteral("127.0.0.1"));
    Find<QPushButton>(rig.form, "Button15")->click();
    QVERIFY(SpinUntil([&] { return rig.device.Logins() == 1; }));
    rig.device.SetValue(Table::Interface, 0x0402, QByteArray::fromHex("0014"));
    Find<QPushButton>(rig.form, "Button16")->click();
    QCOMPARE(rig.Selections(0), 1);
    QVERIFY(!Lines(Find<QPlainTextEdit>(rig.form, "Memo1")).contains(QStringLiteral("[参数读取失败")));
    const int row = FindRow(rig.form->Session().InterfaceTable(), QStringLiteral("0402"));
    QCOMPARE(rig.form->Session().InterfaceTable().Row(row)[FieldRaw], QStringLiteral("HEX:0014"));
    QCOMPARE(rig.form->Session().InterfaceTable().Row(row)[FieldDisplay], QStringLiteral("20"));
    Find<QPushButton>(rig.form, "Button18")->click();
}

void TestWindowDevice::signalPoll() {
    Rig rig;
    // The simulator behind an in-memory channel answers at once; reply waits take no time.
    SimChannel channel{rig.device};
    FakeClock clock;
    ManualPollTimer timer;
    MainWindow& f = *rig.form;
    f.SetChannel(channel);
    f.SetWaitClock(&clock);
    // Replies end by silence, so that every read waits (the demo's end with their frame).
    f.Session().Exchanger().SetReplyEnd(ReplyEnd::Silence);
    f.SignalPoll().UseTimer(&timer);
    auto reads = [&] { return rig.device.CountReceived(CmdSignal); };

    // Ticking reads at once, then every 2 s; 99 (unknown) is a gap in the line.
    Find<QCheckBox>(f, "CheckBox3")->click();
    QCOMPARE(timer.interval, 2000);
    QCOMPARE(reads(), 1);
    QCOMPARE(Find<dtu::SignalGraph>(f, "SignalGraph1")->LastText(), QStringLiteral("CSQ 23"));
    timer.Fire();
    rig.device.SetCsq(99);
    timer.Fire();
    QVERIFY(Find<dtu::SignalGraph>(f, "SignalGraph1")->LastText().startsWith(QStringLiteral("CSQ 99")));
    rig.device.SetCsq(17);
    timer.Fire();
    QCOMPARE(reads(), 4);
    QList<qint64> times;
    for (const SignalSample& s : f.SignalPoll().History().Samples()) times << s.ms;
    QCOMPARE(times, (QList<qint64>{0, 2000, 4000, 6000}));
    QCOMPARE(f.SignalPoll().History().Runs().size(), 2);
    QCOMPARE(Find<dtu::SignalGraph>(f, "SignalGraph1")->LineCount(), 2);
    QCOMPARE(Find<dtu::SignalGraph>(f, "SignalGraph1")->LastText(), QStringLiteral("CSQ 17"));
    QVERIFY(
        Find<QPlainTextEdit>(f, "Memo4")->toPlainText().isEmpty()); // the poll does not fill the dialogue box

    // A tick while another exchange waits starts no poll.
    clock.onPause = [&](int n, int) {
        if (n == 1) timer.Fire();
    };
    Find<QPushButton>(f, "Button14")->click();
    QCOMPARE(reads(), 4);
    QCOMPARE(Find<QPlainTextEdit>(f, "Memo4")->toPlainText(),
             QStringLiteral("DTU版本号=DTU-SIM V1.0 2026-12"));

    // A device action clicked while a poll waits runs right after the poll, not inside its wait.
    int versionsDuringPoll = -1;
    clock.pauses.clear();
    clock.onPause = [&](int n, int) {
        if (n != 1) return;
        Find<QPushButton>(f, "Button14")->click();
        versionsDuringPoll = rig.device.CountReceived(CmdGetVersion);
    };
    timer.Fire();
    clock.onPause = nullptr;
    QCOMPARE(reads(), 5);
    QCOMPARE(versionsDuringPoll, 1);
    QCOMPARE(rig.device.CountReceived(CmdGetVersion), 2);
    QCOMPARE(rig.device.Received().last().word, quint16(CmdGetVersion));

    // The channel closes: the poll stops and the box is cleared.
    channel.SetOpen(false);
    timer.Fire();
    QVERIFY(!timer.active);
    QVERIFY(!Find<QCheckBox>(f, "CheckBox3")->isChecked());
    timer.Fire();
    QCOMPARE(reads(), 5);
    // Ticking again without a channel is refused with the closed-channel message.
    Find<QCheckBox>(f, "CheckBox3")->click();
    QVERIFY(!Find<QCheckBox>(f, "CheckBox3")->isChecked());
    QCOMPARE(rig.prompter.messages.last(), QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接"));
}

QTEST_MAIN(TestWindowDevice)
#include "test_window_device.moc"

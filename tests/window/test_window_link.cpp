// The main window's device link against the simulator: the port button and boxes over a
// pseudo-terminal, the TCP maintenance link over loopback, the receive display and the
// transparent transmission page.
#include "app/window/mainwindow.h"
#include "app/window/widgetkit.h"
#include "link/logtext.h"
#include "sim/tcpendpoint.h"
#include "tests/support/pty.h"
#include "tests/support/windowrig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

using namespace dtu;
using namespace dtu::test;
using namespace dtu::sim;

namespace {

// The simulator echoing on a pseudo-terminal whose name is in the port box; the window's reload
// after start stopped (no last configuration in this folder).
struct Rig : PtyDevice, WindowRig {
    Rig() {
        device.SetEcho(true);
        pty.Open();
        Find<QComboBox>(form, "Edit1")->setEditText(pty.SlavePath());
    }
    QString PortText() const { return Find<QLabel>(form, "StatusBar1Panel1")->text(); }
    QString LastLine(QPlainTextEdit* box) const {
        const QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
        return lines.isEmpty() ? QString() : lines.last();
    }
    // Sends the text from the transparent page and runs the receive display until the
    // counter has reached `received` bytes.
    bool SendAndReceive(const QString& text, qint64 received) {
        Find<QPlainTextEdit>(form, "Memo3")->setPlainText(text);
        Find<QPushButton>(form, "Button8")->click();
        return SpinUntil([&] {
            form->ShowReceived();
            return form->State().ReceivedBytes >= received;
        });
    }
    void Choose(QComboBox* box, const QString& text) {
        const int i = box->findText(text);
        box->setCurrentIndex(i);
        emit box->activated(i);
    }
};

} // namespace

class TestWindowLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // A working folder with a device script, so that start-up shows no message.
        QVERIFY(dir_.Ok());
        QVERIFY(dir_.Write(QStringLiteral("script.js"), "function PrevCmd(){ return ''; }\n"));
    }
    void portButton();
    void newChoiceActsLikeTheButton();
    void openFails();
    void receiveDisplay();
    void floodChunkStaysWithinTheBoxes();
    void lostPortShowsClosed();
    void exchangeOnLostPort();
    void sendClosedChannel();
    void sendHexAndText();
    void repeatSend();
    void hexKeyFilter();
    void tcpLink();

private:
    WorkFolder dir_;
};

void TestWindowLink::portButton() {
    Rig rig;
    rig.form->State().EngineeringLevel = 2;
    Find<QPushButton>(rig.form, "Button3")->click();
    QVERIFY(rig.form->Serial().IsOpen());
    QCOMPARE(rig.PortText(), Find<QComboBox>(rig.form, "Edit1")->currentText() +
                                 QStringLiteral("打开成功,BaudRate=57600,参数=8N1"));
    QCOMPARE(Find<QPushButton>(rig.form, "Button3")->text(), QStringLiteral("关闭串口"));
    QCOMPARE(rig.form->State().EngineeringLevel, 1); // the level-2 code no longer counts
    QCOMPARE(rig.form->Serial().BaudRate(), 57600);
    rig.form->State().EngineeringLevel = 2;
    Find<QPushButton>(rig.form, "Button3")->click();
    QVERIFY(!rig.form->Serial().IsOpen());
    QCOMPARE(rig.PortText(), QStringLiteral("串口未打开"));
    QCOMPARE(Find<QPushButton>(rig.form, "Button3")->text(), QStringLiteral("打开串口"));
    QCOMPARE(rig.form->State().EngineeringLevel, 1); // closing sets it too
}

void TestWindowLink::newChoiceActsLikeTheButton() {
    Rig rig;
    Find<QPushButton>(rig.form, "Button3")->click();
    QVERIFY(rig.form->Serial().IsOpen());
    rig.Choose(Find<QComboBox>(rig.form, "ComboBox1"), "9600"); // another rate closes the port
    QVERIFY(!rig.form->Serial().IsOpen());
    // Choosing again opens it with the new settings.
    rig.Choose(Find<QComboBox>(rig.form, "ComboBox6"), "7E2");
    QVERIFY(rig.form->Serial().IsOpen());
    QCOMPARE(rig.form->Serial().BaudRate(), 9600);
    QCOMPARE(rig.form->Serial().Format().dataBits, QSerialPort::Data7);
    QCOMPARE(rig.form->Serial().Format().parity, QSerialPort::EvenParity);
    QCOMPARE(rig.form->Serial().Format().stopBits, QSerialPort::TwoStop);
    QVERIFY(rig.PortText().endsWith(QStringLiteral("打开成功,BaudRate=9600,参数=7E2")));
    // Picking the entry already shown is no new choice.
    emit Find<QComboBox>(rig.form, "ComboBox6")
        ->activated(Find<QComboBox>(rig.form, "ComboBox6")->currentIndex());
    QVERIFY(rig.form->Serial().IsOpen());
    // A rate only a configuration can set: the text shows it, the port runs at it.
    Find<QPushButton>(rig.form, "Button3")->click();
    kit::SetComboText(Find<QComboBox>(rig.form, "ComboBox1"), "76800");
    Find<QPushButton>(rig.form, "Button3")->click();
    QCOMPARE(rig.form->Serial().BaudRate(), 76800);
    Find<QPushButton>(rig.form, "Button3")->click();
    kit::SetComboText(Find<QComboBox>(rig.form, "ComboBox1"), "12345");
    Find<QPushButton>(rig.form, "Button3")->click();
    QCOMPARE(rig.form->Serial().BaudRate(), 9600);
    QVERIFY(rig.PortText().contains(QStringLiteral("BaudRate=12345")));
}

void TestWindowLink::openFails() {
    Rig rig;
    Find<QComboBox>(rig.form, "Edit1")->setEditText(QStringLiteral("/dev/no-such-port"));
    Find<QPushButton>(rig.form, "Button3")->click();
    QCOMPARE(rig.PortText(), QStringLiteral("/dev/no-such-port打开失败"));
    QCOMPARE(Find<QPushButton>(rig.form, "Button3")->text(), QStringLiteral("打开串口"));
    QVERIFY(rig.prompter.messages.isEmpty()); // no dialog
    // The log box says why, in one line.
    QVERIFY2(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo1"))
                 .startsWith(QStringLiteral("/dev/no-such-port打开失败的原因：没有这个串口（")),
             qPrintable(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo1"))));
    // Opening the port list reads the ports afresh and keeps the typed name.
    Find<QComboBox>(rig.form, "Edit1")->showPopup();
    Find<QComboBox>(rig.form, "Edit1")->hidePopup();
    QCOMPARE(Find<QComboBox>(rig.form, "Edit1")->currentText(), QStringLiteral("/dev/no-such-port"));
    // Trying again tries to open again.
    Find<QComboBox>(rig.form, "Edit1")->setEditText(rig.pty.SlavePath());
    Find<QPushButton>(rig.form, "Button3")->click();
    QVERIFY(rig.form->Serial().IsOpen());
}

void TestWindowLink::receiveDisplay() {
    Rig rig;
    rig.device.SetEcho(true);
    Find<QPushButton>(rig.form, "Button3")->click();
    Find<QCheckBox>(rig.form, "CheckBox2")->setChecked(true);
    rig.form->State().EngineeringLevel = 1;
    // The device echoes what the page sends: 00 41 come back and show as {00 41 } 01 41.
    QVERIFY(rig.SendAndReceive(QStringLiteral("00 41"), 2));
    QCOMPARE(rig.form->State().ReceivedBytes, 2);
    QVERIFY(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo2"))
                .endsWith(QStringLiteral("收到数据：{00 41 }\x01"
                                         "A")));
    QVERIFY(Find<QPlainTextEdit>(rig.form, "Memo1")->toPlainText().contains(QStringLiteral("上行：00 41 ")));
    QCOMPARE(Find<QLabel>(rig.form, "StatusBar2Panel0")->text(), QStringLiteral("收：2字节，发:2字节"));
    // Without the hex box, no hex part.
    Find<QCheckBox>(rig.form, "CheckBox2")->setChecked(false);
    QVERIFY(rig.SendAndReceive(QStringLiteral("hi"), 4));
    QVERIFY(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo2")).endsWith(QStringLiteral("收到数据：hi")));
    // 统计清零: zero at the next refresh.
    Find<QPushButton>(rig.form, "Button7")->click();
    rig.form->ShowReceived();
    QCOMPARE(Find<QLabel>(rig.form, "StatusBar2Panel0")->text(), QStringLiteral("收：0字节，发:0字节"));
}

void TestWindowLink::floodChunkStaysWithinTheBoxes() {
    // One tick takes 1 MB without a line break, hex box ticked, at level 1: Memo1 and Memo2
    // stay within their line and character limits, the received data goes on over lines of
    // bounded length in Memo2, the frame line stays one line in Memo1, every byte is counted,
    // and what Memo2 still holds ends with the chunk's last characters.
    MemoryChannel channel; // outlives the window
    Rig rig;
    rig.form->SetChannel(channel);
    Find<QCheckBox>(rig.form, "CheckBox2")->setChecked(true);
    rig.form->State().EngineeringLevel = 1;
    QByteArray chunk(1 << 20, '\0');
    for (qsizetype i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i % 7 ? 'a' + i % 26 : 0);
    channel.Queue(chunk);
    rig.form->ShowReceived();
    channel.Queue("hi");
    rig.form->ShowReceived();
    QCOMPARE(rig.form->State().ReceivedBytes, chunk.size() + 2);
    QCOMPARE(Find<QLabel>(rig.form, "StatusBar2Panel0")->text(),
             QStringLiteral("收：%1字节，发:0字节").arg(chunk.size() + 2));
    const auto withinLimits = [](QPlainTextEdit* box) {
        return box->document()->blockCount() <= 10000 && box->document()->characterCount() <= kMaxBoxChars + 1;
    };
    QPlainTextEdit* memo1 = Find<QPlainTextEdit>(rig.form, "Memo1");
    QPlainTextEdit* memo2 = Find<QPlainTextEdit>(rig.form, "Memo2");
    QTextDocument* received = memo2->document();
    QVERIFY(withinLimits(memo2));
    for (QTextBlock b = received->begin(); b.isValid(); b = b.next()) QVERIFY(b.length() <= 128 + 1);
    QVERIFY(withinLimits(memo1));
    QString frameLine = QStringLiteral("上行：");
    for (const char c : chunk.first(4096)) frameLine += QString::asprintf("%02X ", quint8(c));
    frameLine += QStringLiteral("…(+%1字节)").arg(chunk.size() - 4096);
    QVERIFY(memo1->toPlainText().split(QLatin1Char('\n')).contains(frameLine));
    QStringList lines = memo2->toPlainText().split(QLatin1Char('\n'));
    QVERIFY(lines.takeLast().endsWith(QStringLiteral("收到数据：{68 69 }hi")));
    QByteArray tail = chunk.right(3000);
    tail.replace('\0', '\x01');
    QVERIFY(lines.join(QString()).endsWith(QString::fromLatin1(tail)));
    // Long frame lines fill Memo1 by characters long before its line limit: the oldest lines
    // go, whole, and the newest is there whole.
    for (int i = 0; i < 200; ++i) {
        channel.Queue(chunk.first(4096));
        rig.form->ShowReceived();
    }
    QVERIFY(withinLimits(memo1));
    QVERIFY(memo1->document()->characterCount() > kMaxBoxChars - 2 * frameLine.size());
    frameLine.truncate(frameLine.indexOf(QStringLiteral("…")));
    const QStringList logged = memo1->toPlainText().split(QLatin1Char('\n'));
    QVERIFY(logged.front().startsWith(QStringLiteral("上行：")));
    QCOMPARE(logged.back(), frameLine);
}

void TestWindowLink::lostPortShowsClosed() {
    auto pty = std::make_unique<PtyPair>();
    WindowRig w;
    MainWindow& form = w.F();
    ScriptedPrompter& prompter = w.prompter;
    Find<QComboBox>(form, "Edit1")->setEditText(pty->SlavePath());
    Find<QPushButton>(form, "Button3")->click();
    QVERIFY(form.Serial().IsOpen());
    pty.reset(); // the adapter is unplugged
    QVERIFY(SpinUntil([&] {
        form.ShowReceived();
        return !form.Serial().IsOpen();
    }));
    QCOMPARE(Find<QPushButton>(form, "Button3")->text(), QStringLiteral("打开串口"));
    QCOMPARE(Find<QLabel>(form, "StatusBar1Panel1")->text(), QStringLiteral("串口未打开"));
    QVERIFY(prompter.messages.isEmpty()); // silently, as a receive error
    // A send now meets a closed channel and says so.
    Find<QPlainTextEdit>(form, "Memo3")->setPlainText(QStringLiteral("x"));
    Find<QPushButton>(form, "Button8")->click();
    QCOMPARE(prompter.messages.size(), 1);
}

void TestWindowLink::exchangeOnLostPort() {
    auto pty = std::make_unique<PtyPair>();
    WindowRig w;
    MainWindow& form = w.F();
    ScriptedPrompter& prompter = w.prompter;
    Find<QComboBox>(form, "Edit1")->setEditText(pty->SlavePath());
    Find<QPushButton>(form, "Button3")->click();
    pty.reset(); // unplugged just before a command
    QElapsedTimer t;
    t.start();
    Find<QPushButton>(form, "Button19")->click(); // reads the clock without testing the channel
    // The port error is reported and the window carries on; nothing waits out the write limit.
    QVERIFY(t.elapsed() < 4500);
    QVERIFY2(prompter.messages.size() == 1 &&
                 prompter.messages.first().startsWith(QStringLiteral("Unable to")),
             qPrintable(prompter.messages.join(QLatin1Char('|'))));
    QVERIFY(SpinUntil([&] {
        form.ShowReceived();
        return !form.Serial().IsOpen();
    }));
    QCOMPARE(Find<QPushButton>(form, "Button3")->text(), QStringLiteral("打开串口"));
}

void TestWindowLink::sendClosedChannel() {
    Rig rig;
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("abc"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(rig.prompter.messages, QStringList{QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接")});
    QCOMPARE(Find<QPlainTextEdit>(rig.form, "Memo3")->toPlainText(), QStringLiteral("abc"));
    QCOMPARE(rig.form->State().SentBytes, 0);
}

void TestWindowLink::sendHexAndText() {
    Rig rig;
    rig.device.SetEcho(false);
    PtyPair raw; // a plain pty so the test sees exactly the bytes sent
    Find<QComboBox>(rig.form, "Edit1")->setEditText(raw.SlavePath());
    Find<QPushButton>(rig.form, "Button3")->click();
    QVERIFY(rig.form->Serial().IsOpen());

    Find<QCheckBox>(rig.form, "CheckBox2")->click();
    QCOMPARE(Find<QGroupBox>(rig.form, "GroupBox1")->title(), QStringLiteral("文字输入窗口[HEX模式]"));
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("41 42 4"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(raw.Read(), QByteArrayLiteral("AB"));
    QVERIFY(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo2"))
                .endsWith(QStringLiteral(" 发送数据：{41 42 }AB[1次]")));
    QVERIFY(Find<QPlainTextEdit>(rig.form, "Memo3")->toPlainText().isEmpty());
    // A single digit sends nothing and keeps the text.
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("4"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(raw.Read(100), QByteArray());
    QCOMPARE(Find<QPlainTextEdit>(rig.form, "Memo3")->toPlainText(), QStringLiteral("4"));
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("a0ff"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(raw.Read(), QByteArrayLiteral("\xA0\xFF"));

    Find<QCheckBox>(rig.form, "CheckBox2")->click();
    QCOMPARE(Find<QGroupBox>(rig.form, "GroupBox1")->title(), QStringLiteral("文字输入窗口(文本模式)"));
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("ab\ncd"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(raw.Read(), QByteArrayLiteral("ab\r\ncd"));
    QCOMPARE(rig.form->State().SentBytes, 2 + 2 + 6);
}

void TestWindowLink::repeatSend() {
    Rig rig;
    rig.device.SetEcho(false);
    Find<QPushButton>(rig.form, "Button3")->click();
    kit::SetComboText(Find<QComboBox>(rig.form, "ComboBox2"), "10");
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("AB"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(rig.form->State().SentBytes, 20);
    QVERIFY(
        rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo2")).endsWith(QStringLiteral("发送数据：AB[10次]")));
    kit::SetComboText(Find<QComboBox>(rig.form, "ComboBox2"), "10000");
    Find<QPlainTextEdit>(rig.form, "Memo3")->setPlainText(QStringLiteral("xyz"));
    Find<QPushButton>(rig.form, "Button8")->click();
    QCOMPARE(rig.form->State().SentBytes, 20 + 30000);
    QVERIFY(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo2")).endsWith(QStringLiteral("xyz[10000次]")));
    QCOMPARE(Find<QPlainTextEdit>(rig.form, "Memo2")->document()->blockCount(), 2); // one line per send
}

void TestWindowLink::hexKeyFilter() {
    Rig rig;
    rig.form->show();
    Find<QPlainTextEdit>(rig.form, "Memo3")->setFocus();
    Find<QCheckBox>(rig.form, "CheckBox2")->setChecked(true);
    QTest::keyClicks(Find<QPlainTextEdit>(rig.form, "Memo3"), QStringLiteral("4g 1a\tZ"));
    QTest::keyClick(Find<QPlainTextEdit>(rig.form, "Memo3"), Qt::Key_Return);
    QCOMPARE(Find<QPlainTextEdit>(rig.form, "Memo3")->toPlainText(), QStringLiteral("41a"));
    QTest::keyClick(Find<QPlainTextEdit>(rig.form, "Memo3"), Qt::Key_Backspace);
    QCOMPARE(Find<QPlainTextEdit>(rig.form, "Memo3")->toPlainText(), QStringLiteral("41"));
    Find<QCheckBox>(rig.form, "CheckBox2")->setChecked(false);
    QTest::keyClicks(Find<QPlainTextEdit>(rig.form, "Memo3"), QStringLiteral(" g"));
    QCOMPARE(Find<QPlainTextEdit>(rig.form, "Memo3")->toPlainText(), QStringLiteral("41 g"));
}

void TestWindowLink::tcpLink() {
    Rig rig;
    TcpEndpoint tcp(rig.device);
    QVERIFY(tcp.Listen(QHostAddress::LocalHost, 0));
    rig.form->Session().Tcp().SetPort(tcp.Port());
    Find<QLineEdit>(rig.form, "Edit8")->setText(QStringLiteral("127.0.0.1"));
    Find<QPushButton>(rig.form, "Button15")->click();
    QCOMPARE(Find<QLabel>(rig.form, "Label10")->text(), QStringLiteral("TCP维护端口连接中..."));
    QVERIFY(SpinUntil([&] { return rig.device.Logins() == 1; }));
    QCOMPARE(Find<QLabel>(rig.form, "Label10")->text(), QStringLiteral("TCP维护端口连接成功"));
    Find<QPushButton>(rig.form, "Button15")->click(); // connected: nothing happens
    QTest::qWait(50);
    QCOMPARE(rig.device.Logins(), 1);
    // With the serial port open as well, the transparent test goes out on TCP.
    PtyPair raw;
    Find<QComboBox>(rig.form, "Edit1")->setEditText(raw.SlavePath());
    Find<QPushButton>(rig.form, "Button3")->click();
    QVERIFY(rig.form->Serial().IsOpen());
    QVERIFY(rig.SendAndReceive(QStringLiteral("ping"), 4));
    QVERIFY(rig.LastLine(Find<QPlainTextEdit>(rig.form, "Memo2")).endsWith(QStringLiteral("收到数据：ping")));
    QCOMPARE(raw.Read(100), QByteArray());
    Find<QPushButton>(rig.form, "Button18")->click();
    QVERIFY(SpinUntil(
        [&] { return Find<QLabel>(rig.form, "Label10")->text() == QStringLiteral("TCP维护端口连接失败"); }));
}

QTEST_MAIN(TestWindowLink)
#include "test_window_link.moc"

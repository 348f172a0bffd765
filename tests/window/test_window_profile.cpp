// The window's travelling configurations against two simulated devices on pseudo-terminals:
// cloning device A onto device B (save, compare, write, read back), and finding a port again
// after its device was unplugged and plugged back under the same name.
#include "app/window/mainwindow.h"
#include "params/changes.h"
#include "params/rows.h"
#include "tests/support/windowrig.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace dtu;
using namespace dtu::test;
using namespace dtu::sim;

namespace {

// The main window, the demo configuration loaded.
struct Window : WindowRig {
    Window() { form->Session().Config().LoadConfiguration(QStringLiteral("demo.txt")); }
    bool Hidden(const QString& number) {
        return Find<QTableView>(form, "ListView1")->isRowHidden(FindRow(form->MainTable(), number));
    }
};

} // namespace

class TestWindowProfile : public QObject {
    Q_OBJECT
    WorkFolder dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.Ok());
        // Remembered settings go to the test folder, never to the user's.
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.Path("settings"));
        QVERIFY(dir_.CopyDemo());
    }

    // Device A read and saved; device B (other values) read, compared with A's file, written
    // with read-back on: B then holds A's values in both tables.
    void cloneOntoSecondDevice() {
        PtyDevice a, b;
        QVERIFY(a.Start() && b.Start());
        b.device.SetValue(Table::Main, 0x0101, "10.1.1.1");
        b.device.SetValue(Table::Main, 0x0103, QByteArray::fromHex("01"));
        b.device.SetValue(Table::Main, 0x0201, QByteArray::fromHex("05"));
        b.device.SetValue(Table::Interface, 0x0401, QByteArray::fromHex("00"));
        b.device.SetValue(Table::Interface, 0x0402, QByteArray::fromHex("0014"));
        a.device.SetValue(Table::Main, 0x0105, "CMIOT"); // A's own value, not the file's

        Window w;
        MainWindow& f = w.F();
        QVERIFY(w.Show());
        Find<QAction>(f, "NVerify")->setChecked(true);
        auto readBoth = [&] {
            Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
            Find<QPushButton>(f, "btRead")->click();
            Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(3);
            Find<QPushButton>(f, "Button16")->click();
            Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
        };
        QVERIFY(w.Open(a.pty.SlavePath()));
        readBoth();
        QCOMPARE(f.MainTable().Row(FindRow(f.MainTable(), "0105"))[FieldDisplay], "CMIOT");
        w.prompter.fileAnswers << "a.txt";
        Find<QAction>(f, "NSaveProfile")->trigger();
        QCOMPARE(f.Status().Result(), "[参数文件已保存：a.txt]");

        Find<QPushButton>(f, "Button3")->click(); // close A
        QVERIFY(w.Open(b.pty.SlavePath()));
        readBoth();
        w.prompter.fileAnswers << "a.txt";
        Find<QAction>(f, "NCompare")->trigger();
        QCOMPARE(f.Status().Result(), "[对比完成：6项不同]");
        QCOMPARE(f.State().ChangedParamList, QStringList({"0101", "0103", "0105", "0201", "0401", "0402"}));
        // Only the changed rows with the filter on, all rows again with it off.
        Find<QCheckBox>(f, "ChangedOnly1")->setChecked(true);
        QVERIFY(!w.Hidden("0101") && !w.Hidden("0201"));
        QVERIFY(w.Hidden("0102") && w.Hidden("0091") && Find<QTableView>(f, "ListView1")->isRowHidden(0));

        b.device.ClearReceived();
        Find<QPushButton>(f, "btWrite")->click();
        QVERIFY(w.Logged("[回读校验成功]"));
        QCOMPARE(f.Status().Result(), "[回读校验成功]");
        QVERIFY(f.State().ChangedParamList.isEmpty());
        QVERIFY(w.Hidden("0101")); // nothing changed is left to show
        Find<QCheckBox>(f, "ChangedOnly1")->setChecked(false);
        QVERIFY(!w.Hidden("0102"));

        // The interface page: a write on the main page forgot its changes; read and compared
        // again there, then written.
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(3);
        Find<QPushButton>(f, "Button16")->click();
        w.prompter.fileAnswers << "a.txt";
        Find<QAction>(f, "NCompare")->trigger();
        QCOMPARE(f.State().ChangedParamList, QStringList({"0401", "0402"}));
        Find<QPushButton>(f, "Button17")->click();
        QCOMPARE(f.Status().Result(), "[回读校验成功]");
        QCOMPARE(b.device.Values(Table::Main), a.device.Values(Table::Main));
        QCOMPARE(b.device.Values(Table::Interface), a.device.Values(Table::Interface));

        // A device that keeps another value: reported, the row stays changed for the next write.
        b.device.SetStoredInstead(Table::Interface, 0x0402, QByteArray::fromHex("0001"));
        f.Session().InterfaceTable().SetField(FindRow(f.Session().InterfaceTable(), "0402"), FieldRaw,
                                              "HEX:0063");
        f.Session().InterfaceTable().SetField(FindRow(f.Session().InterfaceTable(), "0402"), FieldDisplay,
                                              "99");
        MarkChanged(f.State(), "0402");
        Find<QPushButton>(f, "Button17")->click();
        QVERIFY(w.Logged("[回读校验失败：采样间隔(秒) 写入=99 读回=1]"));
        QCOMPARE(f.Status().Result(), "[回读校验失败，1项不一致]");
        QCOMPARE(f.State().ChangedParamList, QStringList{"0402"});

        // The tick is remembered for the next run, and a write there reads back.
        Window next;
        next.F().LoadRememberedSettings();
        QVERIFY(Find<QAction>(next.F(), "NVerify")->isChecked());
        QVERIFY(!Find<QAction>(next.F(), "NReconnect")->isChecked());
        MemoryDevice c;
        c.Attach(next.F().Session());
        MarkChanged(next.F().State(), "0104");
        Find<QPushButton>(next.F(), "btWrite")->click();
        QCOMPARE(next.F().Status().Result(), "[回读校验成功]");
    }

    // 应答完整即结束, unticked at first and remembered once ticked: the replies of a configuration
    // without "ReplyEnd" then end with their frame (no wait after the bytes of an in-process
    // device); a configuration that names its reply end keeps it.
    void replyEndTick() {
        QFile demo("demo.txt");
        QVERIFY(demo.open(QIODevice::ReadOnly));
        const QByteArray text = demo.readAll();
        QVERIFY(text.contains("\"ReplyEnd\": \"frame\",\r\n"));
        QVERIFY(dir_.Write("plain.txt", QByteArray(text).replace("\"ReplyEnd\": \"frame\",\r\n", "")));
        QVERIFY(dir_.Write("silent.txt", QByteArray(text).replace("\"frame\"", "\"silence\"")));
        // The waits of reading both tables under a configuration, and the value read.
        MemoryDevice dev;
        auto readWaits = [&dev](Window& w, const char* config) {
            dev.Attach(w.F().Session());
            dev.device.SetValue(Table::Main, 0x0104, QByteArray::fromHex("0078"));
            dev.clock.pauses.clear();
            w.F().Session().Config().LoadConfiguration(config);
            Find<QPushButton>(w.F(), "btRead")->click();
            const int row = FindRow(w.F().MainTable(), "0104");
            return w.F().MainTable().Row(row)[FieldDisplay] == "120" ? int(dev.clock.pauses.size()) : -1;
        };
        {
            Window w;
            w.F().LoadRememberedSettings();
            QVERIFY(!Find<QAction>(w.F(), "NReplyFrame")->isChecked());
            QVERIFY(readWaits(w, "plain.txt") >= 41); // 41 quiet polls end each reply
            Find<QAction>(w.F(), "NReplyFrame")->setChecked(true);
        }
        Window next;
        next.F().LoadRememberedSettings();
        QVERIFY(Find<QAction>(next.F(), "NReplyFrame")->isChecked());
        QCOMPARE(readWaits(next, "plain.txt"), 0);
        QVERIFY(readWaits(next, "silent.txt") >= 41);
        QCOMPARE(readWaits(next, "demo.txt"), 0);
        Find<QAction>(next.F(), "NReplyFrame")->setChecked(false);
        QCOMPARE(readWaits(next, "demo.txt"), 0);
        QVERIFY(readWaits(next, "plain.txt") >= 41);
    }

    // The device unplugged and plugged back under the same name: the port opens again by itself;
    // a click on the port button ends the search. The saved log has every line with its time.
    void reconnectAndSaveLog() {
        PtyDevice d;
        QVERIFY(d.Start());
        const QString link = dir_.Path("ttyDTU");
        QVERIFY(d.pty.MakeLink(link));
        Window w;
        MainWindow& f = w.F();
        f.Now = [] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89)); };
        QVERIFY(w.Show());
        Find<QAction>(f, "NReconnect")->setChecked(true);
        QVERIFY(w.Open(link));

        d.pty.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!f.Serial().IsOpen(), 3000);
        QCOMPARE(Find<QLabel>(f, "StatusBar1Panel1")->text(), "串口未打开");
        QVERIFY(Find<QTimer>(f, "ReconnectTimer")->isActive());
        QTest::qWait(1200); // a look that finds nothing keeps searching quietly
        QCOMPARE(Find<QLabel>(f, "StatusBar1Panel1")->text(), "串口未打开");
        QVERIFY(d.pty.Replug());
        QTRY_VERIFY_WITH_TIMEOUT(f.Serial().IsOpen(), 3000);
        QVERIFY(w.Logged("[串口已重新打开]"));
        QVERIFY(Find<QLabel>(f, "StatusBar1Panel1")->text().startsWith(link + "打开成功"));
        QCOMPARE(Find<QPushButton>(f, "Button3")->text(), "关闭串口");

        d.pty.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(Find<QTimer>(f, "ReconnectTimer")->isActive(), 3000);
        Find<QPushButton>(f, "Button3")
            ->click(); // the port is not there: the open fails, the search has ended
        QVERIFY(!Find<QTimer>(f, "ReconnectTimer")->isActive());
        QVERIFY(d.pty.Replug());
        QTest::qWait(1200);
        QVERIFY(!f.Serial().IsOpen());

        f.Status().Dialog("版本：DTU-SIM");
        w.prompter.fileAnswers << "log.txt";
        Find<QAction>(f, "NSaveLog")->trigger();
        QFile log("log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split("\r\n");
        QVERIFY(lines.contains("2026-03-04 05:06:07.089 [串口已重新打开]"));
        QVERIFY(lines.contains("2026-03-04 05:06:07.089 版本：DTU-SIM"));
        QCOMPARE(lines.filter("====").size(), 3);
    }

    // Any click on the port button during the search ends it, also one that comes while the
    // search is opening the port and waits for the device to take the channel selection: the
    // device comes back and the port stays closed until the user opens it.
    void clickEndsReconnectSearch() {
        PtyDevice d;
        QVERIFY(d.Start());
        const QString link = dir_.Path("ttyCLICK");
        QVERIFY(d.pty.MakeLink(link));
        Window w;
        MainWindow& f = w.F();
        QVERIFY(w.Show());
        Find<QAction>(f, "NReconnect")->setChecked(true);
        QVERIFY(w.Open(link));
        d.pty.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(Find<QTimer>(f, "ReconnectTimer")->isActive(), 3000);
        d.device.SetReplyDelay(600); // the device answers slowly when it comes back
        QVERIFY(d.pty.Replug());
        // The search opens the port and waits for the answer; the user clicks meanwhile.
        QTimer clicker;
        int clicks = 0;
        connect(&clicker, &QTimer::timeout, [&] {
            if (f.Serial().IsOpen() && clicks++ == 0) Find<QPushButton>(f, "Button3")->click();
        });
        clicker.start(20);
        QTRY_COMPARE_WITH_TIMEOUT(clicks, 1, 3000);
        QTest::qWait(2500); // two more looks, were the search still on
        QVERIFY(!Find<QTimer>(f, "ReconnectTimer")->isActive());
        QVERIFY(!f.Serial().IsOpen());
        QCOMPARE(Find<QPushButton>(f, "Button3")->text(), "打开串口");
        QVERIFY(!w.Logged("[串口已重新打开]"));
        // Until the user opens it.
        d.device.SetReplyDelay(0);
        Find<QPushButton>(f, "Button3")->click();
        QVERIFY(f.Serial().IsOpen());
    }
};

QTEST_MAIN(TestWindowProfile)
#include "test_window_profile.moc"

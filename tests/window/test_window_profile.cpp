// The window's travelling configurations against two simulated devices on pseudo-terminals:
// cloning device A onto device B (save, compare, write, read back), and finding a port again
// after its device was unplugged and plugged back under the same name.
#include "app/window/tform1.h"
#include "params/rows.h"
#include "params/changes.h"
#include "tests/support/windowrig.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
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
    Window() { form->Config().LoadConfiguration(QStringLiteral("demo.txt")); }
    bool Hidden(const QString& number) { return form->ListView1->isRowHidden(FindRow(form->MainTable(), number)); }
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
        TForm1& f = w.F();
        QVERIFY(w.Show());
        f.NVerify->setChecked(true);
        auto readBoth = [&] {
            f.PageControl1->setCurrentIndex(0);
            f.btRead->click();
            f.PageControl1->setCurrentIndex(3);
            f.Button16->click();
            f.PageControl1->setCurrentIndex(0);
        };
        QVERIFY(w.Open(a.pty.SlavePath()));
        readBoth();
        QCOMPARE(f.MainTable().Row(FindRow(f.MainTable(), "0105"))[FieldDisplay], "CMIOT");
        w.prompter.fileAnswers << "a.txt";
        f.NSaveProfile->trigger();
        QCOMPARE(f.Status().Result(), "[参数文件已保存：a.txt]");

        f.Button3->click(); // close A
        QVERIFY(w.Open(b.pty.SlavePath()));
        readBoth();
        w.prompter.fileAnswers << "a.txt";
        f.NCompare->trigger();
        QCOMPARE(f.Status().Result(), "[对比完成：6项不同]");
        QCOMPARE(f.State().ChangedParamList, QStringList({"0101", "0103", "0105", "0201", "0401", "0402"}));
        // Only the changed rows with the filter on, all rows again with it off.
        f.ChangedOnly1->setChecked(true);
        QVERIFY(!w.Hidden("0101") && !w.Hidden("0201"));
        QVERIFY(w.Hidden("0102") && w.Hidden("0091") && f.ListView1->isRowHidden(0));

        b.device.ClearReceived();
        f.btWrite->click();
        QVERIFY(w.Logged("[回读校验成功]"));
        QCOMPARE(f.Status().Result(), "[回读校验成功]");
        QVERIFY(f.State().ChangedParamList.isEmpty());
        QVERIFY(w.Hidden("0101")); // nothing changed is left to show
        f.ChangedOnly1->setChecked(false);
        QVERIFY(!w.Hidden("0102"));

        // The interface page: a write on the main page forgot its changes; read and compared
        // again there, then written.
        f.PageControl1->setCurrentIndex(3);
        f.Button16->click();
        w.prompter.fileAnswers << "a.txt";
        f.NCompare->trigger();
        QCOMPARE(f.State().ChangedParamList, QStringList({"0401", "0402"}));
        f.Button17->click();
        QCOMPARE(f.Status().Result(), "[回读校验成功]");
        QCOMPARE(b.device.Values(Table::Main), a.device.Values(Table::Main));
        QCOMPARE(b.device.Values(Table::Interface), a.device.Values(Table::Interface));

        // A device that keeps another value: reported, the row stays changed for the next write.
        b.device.SetStoredInstead(Table::Interface, 0x0402, QByteArray::fromHex("0001"));
        f.InterfaceTable().SetField(FindRow(f.InterfaceTable(), "0402"), FieldRaw, "HEX:0063");
        f.InterfaceTable().SetField(FindRow(f.InterfaceTable(), "0402"), FieldDisplay, "99");
        MarkChanged(f.State(), "0402");
        f.Button17->click();
        QVERIFY(w.Logged("[回读校验失败：采样间隔(秒) 写入=99 读回=1]"));
        QCOMPARE(f.Status().Result(), "[回读校验失败，1项不一致]");
        QCOMPARE(f.State().ChangedParamList, QStringList{"0402"});

        // The tick is remembered for the next run.
        TForm1 next(&w.prompter);
        next.LoadRememberedSettings();
        QVERIFY(next.NVerify->isChecked());
        QVERIFY(!next.NReconnect->isChecked());
    }

    // The device unplugged and plugged back under the same name: the port opens again by itself;
    // a click on the port button ends the search. The saved log has every line with its time.
    void reconnectAndSaveLog() {
        PtyDevice d;
        QVERIFY(d.Start());
        const QString link = dir_.Path("ttyDTU");
        QVERIFY(d.pty.MakeLink(link));
        Window w;
        TForm1& f = w.F();
        f.Now = [] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89)); };
        QVERIFY(w.Show());
        f.NReconnect->setChecked(true);
        QVERIFY(w.Open(link));

        d.pty.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!f.Serial().IsOpen(), 3000);
        QCOMPARE(f.StatusBar1Panel[1]->text(), "串口未打开");
        QVERIFY(f.ReconnectTimer->isActive());
        QTest::qWait(1200); // a look that finds nothing keeps searching quietly
        QCOMPARE(f.StatusBar1Panel[1]->text(), "串口未打开");
        QVERIFY(d.pty.Replug());
        QTRY_VERIFY_WITH_TIMEOUT(f.Serial().IsOpen(), 3000);
        QVERIFY(w.Logged("[串口已重新打开]"));
        QVERIFY(f.StatusBar1Panel[1]->text().startsWith(link + "打开成功"));
        QCOMPARE(f.Button3->text(), "关闭串口");

        d.pty.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(f.ReconnectTimer->isActive(), 3000);
        f.Button3->click(); // the port is not there: the open fails, the search has ended
        QVERIFY(!f.ReconnectTimer->isActive());
        QVERIFY(d.pty.Replug());
        QTest::qWait(1200);
        QVERIFY(!f.Serial().IsOpen());

        f.Status().Dialog("版本：DTU-SIM");
        w.prompter.fileAnswers << "log.txt";
        f.NSaveLog->trigger();
        QFile log("log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split("\r\n");
        QVERIFY(lines.contains("2026-03-04 05:06:07.089 [串口已重新打开]"));
        QVERIFY(lines.contains("2026-03-04 05:06:07.089 版本：DTU-SIM"));
        QCOMPARE(lines.filter("====").size(), 3);
    }
};

QTEST_MAIN(TestWindowProfile)
#include "test_window_profile.moc"

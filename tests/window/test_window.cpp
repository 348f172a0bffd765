// The main window, headless: widgets and captions, access codes, page changes, timers, start-up.
#include "app/window/comm_page.h"
#include "app/window/mainwindow.h"
#include "app/window/widgetkit.h"
#include "tests/support/windowrig.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

using dtu::test::Find;
using dtu::test::ScriptedPrompter;
using dtu::test::Startup;
using dtu::test::WindowRigOf;
using dtu::test::WorkFolder;

namespace {

// Records the calls of the seams that later work fills in.
class ProbeForm : public MainWindow {
public:
    using MainWindow::MainWindow;
    int writes = 0;
    QList<int> channels;
    std::function<void()> onWrite;

protected:
    void WriteChanged() override {
        ++writes;
        if (onWrite) onWrite();
    }
    void SelectParamChannel(int channel) override { channels << channel; }
};

QString TextOf(const QObject* o) {
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(o)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(o)) return g->title();
    if (auto* a = qobject_cast<const QAction*>(o)) return a->text();
    if (auto* m = qobject_cast<const QMenu*>(o)) return m->title();
    if (auto* e = qobject_cast<const QLineEdit*>(o)) return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(o)) return c->currentText();
    return QStringLiteral("<no text>");
}

QStringList Items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

dtu::ParamRow Row(const QString& number, const QString& name) {
    dtu::ParamRow r;
    r[dtu::FieldNumber] = number;
    r[dtu::FieldName] = name;
    return r;
}

void Activate(QWidget* w) {
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

void CtrlA(QWidget* w) {
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
    WorkFolder scriptDir_;
    // A fresh window for every test, started as the tool starts (the reload timer running).
    std::unique_ptr<WindowRigOf<ProbeForm>> rig_;

private slots:
    void initTestCase() {
        QVERIFY(scriptDir_.Ok());
        QVERIFY(scriptDir_.Write(QStringLiteral("script.js"), "function Twice(x) { return 2 * x; }\n"));
    }
    void init() { rig_ = std::make_unique<WindowRigOf<ProbeForm>>(Startup::Running); }
    void cleanup() { rig_.reset(); }

    void windowAndPages() {
        MainWindow& f = *rig_->form;
        QCOMPARE(f.objectName(), QStringLiteral("Form1"));
        QCOMPARE(f.windowTitle(), QStringLiteral("参数配置程序"));
        QCOMPARE(f.size(), QSize(756, 768));
        auto* pages = f.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QVERIFY(pages);
        const QStringList captions = {QStringLiteral("   通信参数设置   "),
                                      QStringLiteral("  透明传输测试  "), QStringLiteral("控制模式测试"),
                                      QStringLiteral("   接口参数设置   ")};
        QCOMPARE(pages->count(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(pages->tabText(i), captions[i]);
            QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
        }
        QCOMPARE(pages->currentIndex(), 0);
        QVERIFY(f.findChild<QStatusBar*>(QStringLiteral("StatusBar1")) == f.statusBar());
        QVERIFY(f.findChild<QStatusBar*>(QStringLiteral("StatusBar2")));
        QVERIFY(f.findChild<QObject*>(QStringLiteral("Splitter1")));
    }

    void captions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        // clang-format off
        const char* rows[][2] = {
            {"Button3", "打开串口"}, {"Button15", "连接"}, {"Button18", "断开"}, {"btRead", "读取"},
            {"btWrite", "设置"}, {"Button8", "发送数据"}, {"CheckBox2", " 显示十六进制值     "},
            {"Button7", "统计清零"}, {"Button9", "读DTU状态"}, {"Button6", "读取信号强度"},
            {"Button14", "查询DTU版本号"}, {"Button19", "读取设备时钟"}, {"Button20", "设置设备时钟"},
            {"Button16", "读取"}, {"Button17", "设置"},
            {"GroupBox2", "串口设置"}, {"GroupBox16", "TCP连接设置"}, {"GroupBox3", "对话显示窗口"},
            {"GroupBox1", "文字输入窗口"}, {"GroupBox4", "DTU状态访问"}, {"GroupBox5", "对话显示窗口"},
            {"Label1", "重复发送次数       "}, {"Label2", "参数值"}, {"Label10", ""},
            {"StatusBar1Panel0", "串口状态"}, {"StatusBar1Panel1", "串口未打开"},
            {"StatusBar1Panel2", "操作结果"}, {"StatusBar1Panel3", ""}, {"StatusBar2Panel0", ""},
            {"N1", "恢复出厂默认设置"}, {"N6", "复位设备"}, {"N2", "文件操作"}, {"N5", "调入参数文件"},
            {"N7", "批量写参数"},
            {"Edit1", "COM1"}, {"Edit8", "192.168.1.100"}, {"ComboBox1", "57600"}, {"ComboBox6", "8N1"},
            {"ComboBox2", "1"}, {"MaskEdit3", ""},
        };
        // clang-format on
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromUtf8(r[0]) << QString::fromUtf8(r[1]);
    }
    void captions() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        const QList<QObject*> found = rig_->form->findChildren<QObject*>(name);
        QCOMPARE(found.size(), 1); // each object name exactly once
        QCOMPARE(TextOf(found.first()), text);
    }

    void widgetDetails() {
        MainWindow& f = *rig_->form;
        QCOMPARE(Items(Find<QComboBox>(f, "ComboBox1")),
                 QStringList({"300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "28800",
                              "38400", "57600", "115200", "230400", "460800", "921600"}));
        QCOMPARE(Items(Find<QComboBox>(f, "ComboBox6")),
                 QStringList(
                     {"8N1", "8E1", "8O1", "7N1", "7E1", "7O1", "8N2", "8E2", "8O2", "7N2", "7E2", "7O2"}));
        QCOMPARE(Items(Find<QComboBox>(f, "ComboBox2")),
                 QStringList({"1", "10", "50", "100", "1000", "10000"}));
        QCOMPARE(Find<QPushButton>(f, "btRead")->toolTip(), QStringLiteral("读取全部参数"));
        QCOMPARE(Find<QPushButton>(f, "btWrite")->toolTip(), QStringLiteral("设置当前选中参数"));
        QVERIFY(!Find<QPushButton>(f, "Button9")->isEnabled());
        QVERIFY(Find<QGroupBox>(f, "GroupBox16")->isHidden());
        QVERIFY(Find<QLineEdit>(f, "GEdit")->isHidden() && Find<QComboBox>(f, "GComboBox")->isHidden() &&
                Find<QLineEdit>(f, "MaskEdit3")->isHidden());
        QCOMPARE(Find<QLabel>(f, "StatusBar1Panel0")->width(), 80);
        QCOMPARE(Find<QLabel>(f, "StatusBar1Panel1")->width(), 300);
        QCOMPARE(Find<QLabel>(f, "StatusBar1Panel2")->width(), 100);
        QVERIFY(Find<QLabel>(f, "StatusBar1Panel3")->minimumWidth() >= 100);
        for (QPlainTextEdit* memo : {Find<QPlainTextEdit>(f, "Memo1"), Find<QPlainTextEdit>(f, "Memo2"),
                                     Find<QPlainTextEdit>(f, "Memo4")}) {
            QVERIFY(memo->isReadOnly());
            QCOMPARE(memo->maximumBlockCount(), 10000);
        }
    }

    void interfacePage() {
        MainWindow& f = *rig_->form;
        QVERIFY(!Find<QTabWidget>(f, "PageControl1")->isTabVisible(3));
        QVERIFY(!f.State().InterfacePagePresent);
        f.View().SetInterfacePageVisible(true);
        QVERIFY(Find<QTabWidget>(f, "PageControl1")->isTabVisible(3));
        QVERIFY(f.State().InterfacePagePresent);
        f.View().SetInterfacePageVisible(false);
        QVERIFY(!Find<QTabWidget>(f, "PageControl1")->isTabVisible(3));
        QVERIFY(!f.State().InterfacePagePresent);
    }

    void tableColumns_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QList<int>>("widths"); // columns 1, 3, 7
        QTest::addColumn<QString>("note");
        QTest::newRow("main") << "ListView1" << QList<int>{210, 180, 300} << QStringLiteral("参数说明");
        QTest::newRow("interface") << "ListView2" << QList<int>{200, 180, 325}
                                   << QStringLiteral("参数相关说明");
    }
    void tableColumns() {
        QFETCH(QString, view);
        QFETCH(QList<int>, widths);
        QFETCH(QString, note);
        auto* v = rig_->form->findChild<QTableView*>(view);
        QVERIFY(v);
        for (int hidden : {0, 2, 4, 5, 6})
            QVERIFY2(v->isColumnHidden(hidden), qPrintable(QString::number(hidden)));
        const int shown[] = {1, 3, 7};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!v->isColumnHidden(shown[i]));
            QCOMPARE(v->columnWidth(shown[i]), widths[i]);
        }
        QCOMPARE(v->model()->headerData(7, Qt::Horizontal).toString(), note);
        QVERIFY(v->verticalHeader()->isHidden());
        QVERIFY(v->showGrid());
        QCOMPARE(v->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(v->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(v->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void accessCodes() {
        ProbeForm& f = *rig_->form;
        Activate(&f);
        Find<QPlainTextEdit>(f, "Memo1")->setPlainText(QStringLiteral("line one\nline two"));
        Find<QPlainTextEdit>(f, "Memo1")->setFocus();
        CtrlA(Find<QPlainTextEdit>(f, "Memo1"));
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->isVisible());
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->hasFocus());
        QVERIFY(
            !Find<QPlainTextEdit>(f, "Memo1")->textCursor().hasSelection()); // the key did not select the log

        QTest::keyClicks(Find<QLineEdit>(f, "MaskEdit3"), QStringLiteral("mintcastle"));
        QTest::keyClick(Find<QLineEdit>(f, "MaskEdit3"), Qt::Key_Return);
        QCOMPARE(f.State().EngineeringLevel, 2);
        QVERIFY(f.State().AccessCodeAccepted);
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->isHidden());
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->text().isEmpty());

        CtrlA(Find<QPlainTextEdit>(f, "Memo1"));
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->isVisible());
        QTest::keyClicks(Find<QLineEdit>(f, "MaskEdit3"), QStringLiteral("grape"));
        QTest::keyClick(Find<QLineEdit>(f, "MaskEdit3"), Qt::Key_Enter);
        QCOMPARE(f.State().EngineeringLevel, 1);
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->isHidden());

        CtrlA(Find<QPlainTextEdit>(f, "Memo1"));
        QTest::keyClicks(Find<QLineEdit>(f, "MaskEdit3"), QStringLiteral("grap"));
        QTest::keyClick(Find<QLineEdit>(f, "MaskEdit3"), Qt::Key_Return);
        QCOMPARE(f.State().EngineeringLevel, 1);
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->isVisible());
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->hasFocus());
        QVERIFY(Find<QLineEdit>(f, "MaskEdit3")->text().isEmpty());
        QVERIFY(rig_->prompter.messages.isEmpty());
        QCOMPARE(Find<QPlainTextEdit>(f, "Memo1")->toPlainText(), QStringLiteral("line one\nline two"));
        QVERIFY(f.Status().Result().isEmpty());
    }

    void banner() {
        QImageReader reader(kit::BannerPath());
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(740, 60));
        for (QLabel* l : {Find<QLabel>(rig_->form, "Image1"), Find<QLabel>(rig_->form, "Image2"),
                          Find<QLabel>(rig_->form, "Image3"), Find<QLabel>(rig_->form, "Image4")})
            QVERIFY(!l->pixmap().isNull());
    }

    void fixedChoiceBoxesIgnoreKeys_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("baud") << "ComboBox1";
        QTest::newRow("format") << "ComboBox6";
        QTest::newRow("repeat") << "ComboBox2";
    }
    void fixedChoiceBoxesIgnoreKeys() {
        QFETCH(QString, name);
        ProbeForm& f = *rig_->form;
        auto* box = f.findChild<QComboBox*>(name);
        QVERIFY(box);
        Activate(&f);
        Find<QTabWidget>(f, "PageControl1")
            ->setCurrentWidget(box == Find<QComboBox>(f, "ComboBox2") ? Find<QWidget>(f, "TabSheet2")
                                                                      : Find<QWidget>(f, "TabSheet1"));
        box->setFocus();
        QVERIFY(box->hasFocus());
        const QString before = box->currentText();
        QTest::keyClicks(box, QStringLiteral("971"));
        for (Qt::Key k :
             {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_Backspace})
            QTest::keyClick(box, k);
        QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        QCOMPARE(box->currentText(), before);
        QTest::keyClick(box, Qt::Key_Tab); // moving on with Tab still works
        QVERIFY(!box->hasFocus());
    }

    void setComboTextOutsideList() {
        QComboBox* baud = Find<QComboBox>(rig_->form, "ComboBox1");
        const int count = baud->count();
        kit::SetComboText(baud, QStringLiteral("76800"));
        QCOMPARE(baud->currentText(), QStringLiteral("76800"));
        kit::SetComboText(baud, QStringLiteral("12345"));
        QCOMPARE(baud->currentText(), QStringLiteral("12345"));
        QCOMPARE(baud->count(), count + 1); // one extra item at most
        QCOMPARE(baud->findText(QStringLiteral("76800")), -1);
        kit::SetComboText(baud, QStringLiteral("9600"));
        QCOMPARE(baud->currentIndex(), 5);
    }

    void portNameStaysAsTyped() {
        ProbeForm& f = *rig_->form;
        Activate(&f);
        Find<QComboBox>(f, "Edit1")->addItem(QStringLiteral("ttyABC"));
        Find<QComboBox>(f, "Edit1")->setFocus();
        Find<QComboBox>(f, "Edit1")->lineEdit()->selectAll();
        QTest::keyClicks(Find<QComboBox>(f, "Edit1"), QStringLiteral("ttyabc"));
        QTest::keyClick(Find<QComboBox>(f, "Edit1"), Qt::Key_Return);
        QCOMPARE(Find<QComboBox>(f, "Edit1")->currentText(), QStringLiteral("ttyabc"));
    }

    void layoutFitsWithTcpGroupShown() {
        MainWindow& f = *rig_->form;
        Find<QGroupBox>(f, "GroupBox16")->show();
        f.View().SetInterfacePageVisible(true);
        QVERIFY2(f.minimumSizeHint().width() <= 756,
                 qPrintable(QString::number(f.minimumSizeHint().width())));
        QVERIFY(f.minimumSizeHint().height() <= 768);
    }

    void portColours() {
        MainWindow& f = *rig_->form;
        QCOMPARE(Find<QGroupBox>(f, "GroupBox2")->palette().color(QPalette::Window),
                 QColor(172, 196, 213)); // closed at start
        for (bool open : {true, false}) {
            f.Comm().SetPortColours(open);
            const QColor want = open ? QColor(180, 220, 240) : QColor(172, 196, 213);
            QCOMPARE(Find<QGroupBox>(f, "GroupBox2")->palette().color(QPalette::Window), want);
            QCOMPARE(Find<QFrame>(f, "Panel2")->palette().color(QPalette::Window), want);
        }
    }

    void timers() {
        MainWindow& f = *rig_->form;
        QCOMPARE(f.findChild<QTimer*>(QStringLiteral("Timer1")), Find<QTimer>(f, "Timer1"));
        QVERIFY(!Find<QTimer>(f, "Timer1")->isActive());
        QVERIFY(Find<QTimer>(f, "Timer2")->isActive());
        QCOMPARE(Find<QTimer>(f, "Timer2")->interval(), 10);
        QVERIFY(Find<QTimer>(f, "Timer3")->isSingleShot());
        QCOMPARE(Find<QTimer>(f, "Timer3")->interval(), 100);

        Find<QPushButton>(f, "Button9")->setEnabled(true);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&f, &activate);
        QVERIFY(Find<QTimer>(f, "Timer1")->isActive());
        QCOMPARE(Find<QTimer>(f, "Timer1")->interval(), 100);
        QVERIFY(!Find<QPushButton>(f, "Button9")->isEnabled());

        // The exchange holds Timer1 stopped while a reply wait runs; an activation in between
        // must not start it.
        {
            dtu::WaitHold hold(f.Session().Exchanger());
            QVERIFY(!Find<QTimer>(f, "Timer1")->isActive());
            QApplication::sendEvent(&f, &activate);
            QVERIFY(!Find<QTimer>(f, "Timer1")->isActive());
        }
        QVERIFY(Find<QTimer>(f, "Timer1")->isActive());
    }

    void startUpWithoutScript() {
        QTemporaryDir empty;
        QVERIFY(QDir::setCurrent(empty.path()));
        ScriptedPrompter prompter;
        MainWindow f(&prompter);
        QDir::setCurrent(scriptDir_.Path());
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.messages.first().contains(QStringLiteral("script.js")));
        QVERIFY(!f.Session().Script().Loaded());
        QVERIFY(Find<QTimer>(f, "Timer3")->isActive()); // start-up went on to the end
    }

    void startUpWithScript() {
        QVERIFY(rig_->prompter.messages.isEmpty());
        QVERIFY(rig_->form->Session().Script().Loaded());
        const dtu::ScriptResult r = rig_->form->Session().Script().Eval(QStringLiteral("Twice(21);"));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.text, QStringLiteral("42"));
    }

    void pageChangeAsksToWrite() {
        ProbeForm& f = *rig_->form;
        const QString question = QStringLiteral("参数设置|您修改了参数，请问需要写入吗？");
        f.MainTable().Append(Row(QStringLiteral("0001"), QStringLiteral("a")));
        f.MainTable().Append(Row(QStringLiteral("0002"), QStringLiteral("b")));
        f.State().MainParamChannel = 5;
        f.State().ChangedParamList = QStringList{QStringLiteral("0001")};

        rig_->prompter.confirmAnswers = {false};
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(1);
        QCOMPARE(rig_->prompter.confirms, QStringList{question});
        QCOMPARE(f.writes, 0);
        QCOMPARE(f.State().ChangedParamList, QStringList{QStringLiteral("0001")});
        QCOMPARE(f.channels, QList<int>{5});

        rig_->prompter.confirmAnswers = {true};
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(2);
        QCOMPARE(rig_->prompter.confirms.size(), 2);
        QCOMPARE(f.writes, 1);

        rig_->prompter.confirmAnswers = {false};
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
        QCOMPARE(rig_->prompter.confirms.size(), 3);
        QCOMPARE(f.writes, 1);
        QVERIFY(f.State().ChangedParamList.isEmpty());
        QTableView* list1 = Find<QTableView>(f, "ListView1");
        QCOMPARE(list1->selectionModel()->selectedRows(), QModelIndexList{list1->model()->index(0, 0)});

        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(1); // nothing changed: no question
        QCOMPARE(rig_->prompter.confirms.size(), 3);
    }

    void interfacePageChange() {
        ProbeForm& f = *rig_->form;
        f.Session().InterfaceTable().Append(Row(QStringLiteral("0101"), QStringLiteral("x")));
        f.View().SetInterfacePageVisible(true);
        f.State().MainParamChannel = 5;
        f.State().ChangedParamList = QStringList{QStringLiteral("0002")};
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(3);
        QCOMPARE(rig_->prompter.confirms.size(), 1);
        QCOMPARE(f.writes, 1);
        QVERIFY(f.State().ChangedParamList.isEmpty());
        QCOMPARE(f.channels, QList<int>{0});
        QCOMPARE(Find<QTableView>(f, "ListView2")->selectionModel()->selectedRows().size(), 1);
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
        QCOMPARE(f.channels, QList<int>({0, 5}));
    }

    void errorsInHandlersBecomeMessages() {
        ProbeForm& f = *rig_->form;
        f.onWrite = [] { throw dtu::OperationError(QStringLiteral("写入失败")); };
        f.State().ChangedParamList = QStringList{QStringLiteral("0001")};
        Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(1);
        QCOMPARE(rig_->prompter.messages, QStringList{QStringLiteral("写入失败")});
        QVERIFY(f.channels.isEmpty()); // the handler stopped at the error
        QVERIFY(!f.Guarded([] { throw std::runtime_error("boom"); }));
        QCOMPARE(rig_->prompter.messages.last(), QStringLiteral("boom"));
        QVERIFY(f.Guarded([] {}));
    }

    void statusAndChannel() {
        MainWindow& f = *rig_->form;
        f.Status().Report(QStringLiteral("操作成功"));
        QCOMPARE(Find<QLabel>(f, "StatusBar1Panel3")->text(), QStringLiteral("操作成功"));
        QCOMPARE(Find<QPlainTextEdit>(f, "Memo1")->toPlainText(), QStringLiteral("操作成功"));
        f.Status().Dialog(QStringLiteral("d"));
        QCOMPARE(Find<QPlainTextEdit>(f, "Memo4")->toPlainText(), QStringLiteral("d"));
        f.Status().Transparent(QStringLiteral("t"));
        QCOMPARE(Find<QPlainTextEdit>(f, "Memo2")->toPlainText(), QStringLiteral("t"));

        QVERIFY(!f.Session().Exchanger().Channel().IsOpen());
        dtu::test::MemoryChannel link;
        f.SetChannel(link);
        QCOMPARE(&f.Session().Exchanger().Channel(), static_cast<dtu::IChannel*>(&link));
    }

    void closeRequestsCancel() {
        QCloseEvent close;
        QApplication::sendEvent(rig_->form.get(), &close);
        QVERIFY(close.isAccepted());
        QVERIFY(rig_->form->State().CancelRequested);
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"

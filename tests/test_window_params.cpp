// The parameter pages of the main window on the demo profile: the in-place editor, reading and
// writing. The device is the simulator in-process, over a pseudo-terminal or, where a reply wait
// must take no time, straight behind a memory channel with a clock that never sleeps.
#include "app/tform1.h"
#include "params/paramops.h"
#include "protocol/commands.h"
#include "sim/ptyendpoint.h"
#include "sim/simdevice.h"
#include "tests/support/fakes.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace dtu;
using namespace dtu::test;
using namespace dtu::sim;

namespace {

const QString kClosed = QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接");

quint16 WordOf(const QByteArray& frame) { return quint16(quint8(frame.at(4)) << 8 | quint8(frame.at(5))); }

// The parameter writes the device received, in order, as "number=hex".
QStringList Writes(const SimDevice& d) {
    QStringList out;
    for (const ReceivedFrame& f : d.Received())
        if (f.word != kCmdSelectChannel && f.word != CmdParamRead && f.word != CmdGetParam)
            out << QString::asprintf("%04X=", f.word) + QString::fromLatin1(f.data.toHex().toUpper());
    return out;
}
QStringList Numbers(const SimDevice& d) {
    QStringList out;
    for (const QString& w : Writes(d)) out << w.left(4);
    return out;
}

int Lines(const QPlainTextEdit* box, const QString& line) {
    return int(box->toPlainText().split(QLatin1Char('\n')).count(line));
}

ParamRow Row(const QString& number, const QString& raw, const QString& list, const QString& get = "GetStr()",
             const QString& set = "SetStr()") {
    ParamRow r;
    r[FieldNumber] = number;
    r[FieldName] = QStringLiteral("row ") + number;
    r[FieldRaw] = raw;
    r[FieldList] = list;
    r[FieldGet] = get;
    r[FieldSet] = set;
    return r;
}

// The main window in the demo folder, the demo configuration loaded (unless told otherwise).
struct Window {
    ScriptedPrompter prompter;
    std::unique_ptr<TForm1> form;
    explicit Window(bool load = true) {
        form = std::make_unique<TForm1>(&prompter);
        form->Timer3->stop();
        if (load) form->Config().LoadConfiguration(QStringLiteral("demo.txt"));
    }
    bool Show() {
        form->show();
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }
    TForm1& F() { return *form; }
    ParamTable& Table(bool iface = false) { return iface ? form->InterfaceTable() : form->MainTable(); }
    QTableView* List(bool iface = false) { return iface ? form->ListView2 : form->ListView1; }
    int RowOf(const QString& number, bool iface = false) { return FindRow(Table(iface), number); }
    // Moves the selection as the arrow keys do.
    void Select(int row, bool iface = false) {
        List(iface)->selectionModel()->setCurrentIndex(Table(iface).index(row, FieldName),
                                                      QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    }
    void Select(const QString& number, bool iface = false) { Select(RowOf(number, iface), iface); }
    QPoint Centre(int row, bool iface = false) {
        List(iface)->scrollTo(Table(iface).index(row, FieldName));
        return List(iface)->visualRect(Table(iface).index(row, FieldName)).center();
    }
    void Click(const QString& number, bool iface = false) {
        QTest::mouseClick(List(iface)->viewport(), Qt::LeftButton, {}, Centre(RowOf(number, iface), iface));
    }
    // A click, then the second press as a double click, then its release: what the mouse sends.
    void DoubleClick(const QString& number, bool iface = false) {
        QWidget* cells = List(iface)->viewport();
        const QPoint at = Centre(RowOf(number, iface), iface);
        QTest::mouseClick(cells, Qt::LeftButton, {}, at);
        QTest::mouseDClick(cells, Qt::LeftButton, {}, at);
        QTest::mouseRelease(cells, Qt::LeftButton, {}, at);
    }
    QString Field(const QString& number, int field, bool iface = false) {
        return Table(iface).Row(RowOf(number, iface))[field];
    }
    bool Blue(const QString& number, bool iface = false) {
        ParamTable& t = Table(iface);
        const QVariant v = t.data(t.index(RowOf(number, iface), FieldName), Qt::ForegroundRole);
        return v.value<QBrush>().color() == QColor(0, 0, 200);
    }
    void ReplaceText(const QString& text) {
        form->GEdit->selectAll();
        QTest::keyClicks(form->GEdit, text);
    }
    // A click through the window system, so that an open pop-up list gets the release, as it
    // does on a screen.
    void ClickThroughWindow(QWidget* target) {
        const QPoint at = target->mapTo(form.get(), target->rect().center());
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, at);
    }
    void Choose(int entry) {
        form->GComboBox->setCurrentIndex(entry);
        emit form->GComboBox->activated(entry);
    }
};

bool LoadDemoValues(SimDevice& d) {
    return d.LoadValues(Table::Main, QStringLiteral("demo.txt")) &&
           d.LoadValues(Table::Interface, QStringLiteral("interface.txt"));
}

// The simulator behind a memory channel: every request is answered at once (unless its word is
// in `unanswered`: carried out, the answer lost), and reply waits take no time.
struct MemoryDevice {
    SimDevice device;
    MemoryChannel channel;
    FakeClock clock;
    QSet<quint16> unanswered;
    void Attach(TForm1& f) {
        LoadDemoValues(device);
        channel.onSend = [this](const QByteArray& frame) {
            const QByteArray answer = device.Answer(frame);
            if (!unanswered.contains(WordOf(frame))) channel.Queue(answer);
        };
        f.SetChannel(channel);
        f.SetWaitClock(&clock);
    }
};

// The simulator on a pseudo-terminal, opened with the port button.
struct PtyDevice {
    SimDevice device;
    PtyEndpoint pty{device};
    bool Start(TForm1& f) {
        if (!LoadDemoValues(device) || !pty.Open()) return false;
        f.Edit1->setEditText(pty.SlavePath());
        f.Button3->click();
        device.ClearReceived();
        return f.Serial().IsOpen();
    }
};

} // namespace

class TestWindowParams : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QDir::setCurrent(dir_.path()));
        for (const char* f : {"demo.txt", "interface.txt", "script.js"})
            QVERIFY(QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/") + f, f));
    }

    void editorPerRow();
    void editorPlacement_data();
    void editorPlacement();
    void editorFollowsTheRow();
    void keysCommit();
    void maskFilter();
    void deviceValueOutsideTheRules();
    void choiceBox();
    void choiceBoxTakesNoKeys();
    void doubleClickFocusesEditor();
    void closedChannel_data();
    void closedChannel();
    void writeChangedRows();
    void writeFailures();
    void batchWrite();
    void pageChangeAsks();
    void handlersInsideWaits();
    void engineerSession();

private:
    QTemporaryDir dir_;
};

void TestWindowParams::editorPerRow() {
    Window w;
    TForm1& f = w.F();
    QVERIFY(w.Show());
    // Heading rows never get an editor, at any level.
    for (int level : {0, 2}) {
        f.State().EngineeringLevel = level;
        for (const auto& [before, heading] : {std::pair{"0101", 0}, std::pair{"0103", 6}}) {
            w.Select(before);
            QVERIFY(f.GEdit->isVisible() || f.GComboBox->isVisible());
            w.Select(heading);
            QVERIFY(f.GEdit->isHidden() && f.GComboBox->isHidden());
            QVERIFY(f.GEdit->isReadOnly());
        }
    }
    f.State().EngineeringLevel = 0;
    w.Select("0101");
    QVERIFY(f.GEdit->isVisible() && f.GComboBox->isHidden() && !f.GEdit->isReadOnly());
    QCOMPARE(f.GEdit->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(f.GEdit->maxLength(), 199);
    w.Select("0103");
    QVERIFY(f.GComboBox->isVisible() && f.GEdit->isHidden());
    QCOMPARE(f.GComboBox->currentText(), QStringLiteral("TCP"));
    QCOMPARE(f.GComboBox->count(), 2);
    // "HEX:" alone: an empty box with the row's limits.
    w.Select("0301");
    QVERIFY(f.GEdit->isVisible());
    QVERIFY(f.GEdit->text().isEmpty());
    QCOMPARE(f.GEdit->maxLength(), 11);
    QCOMPARE(f.AllowedChars, QStringLiteral("0123456789"));
    // The device ID only at level 2.
    for (int level : {0, 1}) {
        f.State().EngineeringLevel = level;
        w.Select("0105");
        w.Select("0091");
        QVERIFY(f.GEdit->isHidden() && f.GEdit->isReadOnly());
    }
    f.State().EngineeringLevel = 2;
    w.Select("0105");
    w.Select("0091");
    QVERIFY(f.GEdit->isVisible() && !f.GEdit->isReadOnly());
    QCOMPARE(f.GEdit->text(), QStringLiteral("DTU0000001"));
    QVERIFY(w.prompter.messages.isEmpty());
}

void TestWindowParams::editorPlacement_data() {
    QTest::addColumn<bool>("iface");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("left");
    QTest::newRow("main") << false << "0101" << "0103" << 210;
    QTest::newRow("interface") << true << "0402" << "0401" << 200;
}

void TestWindowParams::editorPlacement() {
    QFETCH(bool, iface);
    QFETCH(QString, text);
    QFETCH(QString, choice);
    QFETCH(int, left);
    Window w;
    TForm1& f = w.F();
    QVERIFY(w.Show());
    if (iface) f.PageControl1->setCurrentIndex(3);
    QTableView* list = w.List(iface);
    for (const QString& number : {text, choice}) {
        w.Click(number, iface);
        QWidget* editor = number == text ? static_cast<QWidget*>(f.GEdit) : f.GComboBox;
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->parentWidget(), list->viewport());
        const int row = w.RowOf(number, iface);
        QCOMPARE(editor->geometry(), QRect(left, list->rowViewportPosition(row), 180, list->rowHeight(row)));
        QCOMPARE(editor->font().pointSize(), 9);
    }
}

void TestWindowParams::editorFollowsTheRow() {
    Window w;
    TForm1& f = w.F();
    for (int i = 0; i < 60; ++i)
        w.Table().Append(Row(QString::asprintf("1%03X", i), QStringLiteral("HEX:41"), {}));
    w.Table(true).Clear();
    w.Table(true).Append(Row("0A10", "HEX:41", {}));
    QVERIFY(w.Show());
    f.PageControl1->setCurrentIndex(3); // the interface list's first row is current from now on
    f.PageControl1->setCurrentIndex(0);
    QTableView* list = w.List();
    const int row = w.RowOf("1014");
    w.Select(row);
    list->verticalScrollBar()->setValue(12);
    f.Timer2Timer();
    QCOMPARE(f.GEdit->geometry(), QRect(210, list->rowViewportPosition(row), 180, list->rowHeight(row)));
    // A wider name column moves the value cell; the tick follows it.
    list->setColumnWidth(FieldName, 260);
    f.Timer2Timer();
    QCOMPARE(f.GEdit->geometry().left(), 260);
    // On the interface page the editor still open belongs to a main row: a key in it stores
    // nothing in the interface row now selected, and the next tick takes it away.
    f.PageControl1->setCurrentIndex(3);
    QTest::keyClick(f.GEdit, Qt::Key_Left);
    QVERIFY(f.State().ChangedParamList.isEmpty());
    f.Timer2Timer();
    QCOMPARE(f.GEdit->parentWidget(), f.ListView2->viewport());
    QCOMPARE(f.GComboBox->parentWidget(), f.ListView2->viewport());
    QVERIFY(f.GEdit->isHidden());
}

void TestWindowParams::keysCommit() {
    Window w;
    TForm1& f = w.F();
    QVERIFY(w.Show());
    // A cursor key in an unchanged row marks it changed: drawn blue, value as it was.
    w.Select("0104");
    QVERIFY(!w.Blue("0104"));
    QTest::keyClick(f.GEdit, Qt::Key_Left);
    QCOMPARE(f.State().ChangedParamList, QStringList{"0104"});
    QVERIFY(w.Blue("0104"));
    QVERIFY(!w.Blue("0101"));
    QCOMPARE(w.Field("0104", FieldRaw), QStringLiteral("HEX:003C"));
    w.ReplaceText("120");
    QCOMPARE(w.Field("0104", FieldRaw), QStringLiteral("HEX:0078"));
    QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("120"));
    // Deleting every character of a string row leaves "HEX:" alone.
    w.Select("0105");
    f.GEdit->selectAll();
    QTest::keyClick(f.GEdit, Qt::Key_Backspace);
    QCOMPARE(w.Field("0105", FieldRaw), QStringLiteral("HEX:"));
    QCOMPARE(f.State().ChangedParamList, (QStringList{"0104", "0105"}));
    // Reading back from another row: the text the row holds, not what was typed elsewhere.
    w.Select("0104");
    QCOMPARE(f.GEdit->text(), QStringLiteral("120"));
}

void TestWindowParams::maskFilter() {
    Window w;
    TForm1& f = w.F();
    w.Table().Append(Row("0A01", "HEX:", "Length=8;Mask=\"01\";"));
    QVERIFY(w.Show());
    w.Select("0A01");
    QCOMPARE(f.GEdit->maxLength(), 8);
    QTest::keyClicks(f.GEdit, "0123\r1");
    QCOMPARE(f.GEdit->text(), QStringLiteral("011"));
    // Control keys arrive as characters outside the mask: no select-all, no paste.
    QApplication::clipboard()->setText(QStringLiteral("1"));
    QTest::keyClick(f.GEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.GEdit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.GEdit->text(), QStringLiteral("011"));
    QVERIFY(!f.GEdit->hasSelectedText());
    // Keys without a character and Backspace pass.
    QTest::keyClick(f.GEdit, Qt::Key_Home);
    QTest::keyClick(f.GEdit, '1');
    QTest::keyClick(f.GEdit, Qt::Key_End);
    QTest::keyClick(f.GEdit, Qt::Key_Backspace);
    QCOMPARE(f.GEdit->text(), QStringLiteral("101"));
    // A paste from the context menu keeps to the same rules.
    QApplication::clipboard()->setText(QStringLiteral("0x1"));
    f.GEdit->paste();
    QCOMPARE(f.GEdit->text(), QStringLiteral("101"));
    QApplication::clipboard()->setText(QStringLiteral("10"));
    f.GEdit->paste();
    QCOMPARE(f.GEdit->text(), QStringLiteral("10110"));
    QTest::keyClicks(f.GEdit, "0101010");
    QCOMPARE(f.GEdit->text(), QStringLiteral("10110010"));
    QCOMPARE(w.Field("0A01", FieldRaw), QStringLiteral("HEX:3130313130303130"));
}

void TestWindowParams::deviceValueOutsideTheRules() {
    // The device holds "ab123" for a row of four digits: shown whole, and it can be edited down.
    Window w;
    TForm1& f = w.F();
    w.Table().Append(Row("0A02", "HEX:6162313233", "Length=4;Mask=\"0123456789\";"));
    QVERIFY(w.Show());
    w.Select("0A02");
    QCOMPARE(f.GEdit->text(), QStringLiteral("ab123"));
    QTest::keyClick(f.GEdit, '4');
    QTest::keyClick(f.GEdit, 'x');
    QCOMPARE(f.GEdit->text(), QStringLiteral("ab123"));
    QTest::keyClick(f.GEdit, Qt::Key_Backspace);
    QTest::keyClick(f.GEdit, Qt::Key_Home);
    QTest::keyClick(f.GEdit, Qt::Key_Delete);
    QCOMPARE(f.GEdit->text(), QStringLiteral("b12"));
    QTest::keyClicks(f.GEdit, "99");
    QCOMPARE(f.GEdit->text(), QStringLiteral("9b12")); // four at most
    QApplication::clipboard()->setText(QStringLiteral("y"));
    f.GEdit->setCursorPosition(1);
    QTest::keyClick(f.GEdit, Qt::Key_Delete);
    f.GEdit->paste();
    QCOMPARE(f.GEdit->text(), QStringLiteral("912"));
}

void TestWindowParams::choiceBox() {
    Window w;
    TForm1& f = w.F();
    w.Table().Append(Row("0A03", "HEX:02", "[[\"A\",\"B\"],[\"01\",\"02\"]]", "'自动'"));
    w.Table().Append(Row("0A04", "HEX:4142", "[[\"A\",\"B\"],[\"01\"]]"));
    QVERIFY(w.Show());
    // A click on the box opens its list; a pick with the mouse stores the entry's value.
    w.Click("0103");
    w.ClickThroughWindow(f.GComboBox->lineEdit());
    QAbstractItemView* popup = f.GComboBox->view();
    QVERIFY(QTest::qWaitForWindowExposed(popup->window()));
    QTest::qWait(QApplication::doubleClickInterval() + 50); // the list ignores a release right after opening
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(popup->model()->index(1, 0)).center());
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(w.Field("0103", FieldRaw), QStringLiteral("HEX:01"));
    QCOMPARE(w.Field("0103", FieldDisplay), QStringLiteral("UDP"));
    QVERIFY(w.Blue("0103"));
    // The text a get hook gives is shown, also when it is none of the entries.
    w.Select("0A03");
    QCOMPARE(f.GComboBox->currentIndex(), 1);
    QCOMPARE(f.GComboBox->currentText(), QStringLiteral("自动"));
    QVERIFY(w.prompter.messages.isEmpty());
    // A list whose texts lack values is reported, and the row is edited as free text.
    w.Select("0A04");
    QCOMPARE(w.prompter.messages.size(), 1);
    QVERIFY(f.GEdit->isVisible() && f.GComboBox->isHidden());
    QCOMPARE(f.GEdit->text(), QStringLiteral("AB"));
}

void TestWindowParams::choiceBoxTakesNoKeys() {
    Window w;
    TForm1& f = w.F();
    QVERIFY(w.Show());
    w.Select("0201");
    f.GComboBox->setFocus();
    QVERIFY(f.GComboBox->hasFocus());
    for (QWidget* target : {static_cast<QWidget*>(f.GComboBox), QApplication::focusWidget()}) {
        QTest::keyClicks(target, "1a ");
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_PageDown, Qt::Key_F4, Qt::Key_Return})
            QTest::keyClick(target, k);
        QTest::keyClick(target, Qt::Key_Down, Qt::AltModifier);
    }
    QWheelEvent wheel(QPointF(5, 5), f.GComboBox->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.GComboBox, &wheel);
    QVERIFY(!f.GComboBox->view()->isVisible());
    QCOMPARE(f.GComboBox->currentText(), QStringLiteral("9600"));
    QVERIFY(f.State().ChangedParamList.isEmpty());
    QVERIFY(!f.GComboBox->testAttribute(Qt::WA_InputMethodEnabled));
}

void TestWindowParams::doubleClickFocusesEditor() {
    Window w;
    TForm1& f = w.F();
    QVERIFY(w.Show());
    w.DoubleClick("0101");
    QVERIFY(f.GEdit->hasFocus());
    w.DoubleClick("0202");
    QVERIFY(f.GComboBox->hasFocus());
}

void TestWindowParams::closedChannel_data() {
    QTest::addColumn<QString>("name");
    for (const char* n : {"btRead", "Button16", "btWrite", "Button17", "N7"}) QTest::newRow(n) << n;
}

void TestWindowParams::closedChannel() {
    QFETCH(QString, name);
    Window w;
    TForm1& f = w.F();
    f.State().ChangedParamList = {"0101", "0103"};
    if (auto* button = f.findChild<QPushButton*>(name))
        button->click();
    else
        f.N7->trigger();
    QCOMPARE(w.prompter.messages, QStringList{kClosed}); // once, also for the batch of every row
    QCOMPARE(f.State().ChangedParamList, (QStringList{"0101", "0103"}));
}

void TestWindowParams::writeChangedRows() {
    PtyDevice dev;
    Window w;
    TForm1& f = w.F();
    QVERIFY(w.Show());
    dev.device.SetReadOnly({0x0101});
    QVERIFY(dev.Start(f));
    w.Select("0101");
    w.ReplaceText("10.0.0.8");
    w.Select("0103");
    w.Choose(1);
    w.Select("0301");
    QTest::keyClick(f.GEdit, Qt::Key_Right); // "HEX:" alone: written with empty data
    f.State().ChangedParamList << "0091";    // below level 2 never written
    f.btWrite->click();
    QCOMPARE(Writes(dev.device), (QStringList{"0101=31302E302E302E38", "0103=01", "0301="}));
    QCOMPARE(Lines(f.Memo1, "[参数设置失败]"), 1);
    QCOMPARE(Lines(f.Memo1, "[参数设置成功]"), 2);
    QCOMPARE(dev.device.Value(Table::Main, 0x0103), QByteArray(1, '\x01'));
    QCOMPARE(dev.device.Value(Table::Main, 0x0101), QByteArray("127.0.0.1")); // refused: unchanged
    QVERIFY(f.State().ChangedParamList.isEmpty());
    QVERIFY(!w.Blue("0101") && !w.Blue("0103"));
    QVERIFY(w.prompter.messages.isEmpty());
}

void TestWindowParams::writeFailures() {
    MemoryDevice dev;
    Window w;
    TForm1& f = w.F();
    dev.Attach(f);
    QVERIFY(w.Show());
    // No answer for one row: reported after the full wait (no real time), the rest still go out.
    dev.unanswered = {0x0102};
    f.State().ChangedParamList = {"0103", "0101", "0102"};
    f.btWrite->click();
    QCOMPARE(Numbers(dev.device), (QStringList{"0101", "0102", "0103"}));
    QCOMPARE(Lines(f.Memo1, "[参数设置失败，设备无响应！]"), 1);
    QCOMPARE(Lines(f.Memo1, "[参数设置成功]"), 2);
    QCOMPARE(dev.clock.Count(100), 30);
    // An answer that is no reply: the editor showing is emptied.
    dev.device.SetMode(AnswerMode::Illegal);
    w.Select("0105");
    w.ReplaceText("CMIOT");
    f.btWrite->click();
    QCOMPARE(f.Status().Result(), QStringLiteral("[参数设置失败，输入了非法内容！]"));
    QVERIFY(f.GEdit->isVisible());
    QVERIFY(f.GEdit->text().isEmpty());
    QCOMPARE(w.Field("0105", FieldDisplay), QStringLiteral("CMIOT"));
}

void TestWindowParams::batchWrite() {
    MemoryDevice dev;
    Window w;
    TForm1& f = w.F();
    dev.Attach(f);
    f.State().ChangedParamList = {"0103"};
    // Every parameter the device holds, from the top; headings, "0000" and (below level 2) the
    // device ID are not written.
    f.N7->trigger();
    const QStringList all = {"0101", "0102", "0103", "0104", "0105", "0201", "0202", "0301"};
    QCOMPARE(Numbers(dev.device), all);
    QVERIFY(f.State().ChangedParamList.isEmpty());
    dev.device.ClearReceived();
    f.State().EngineeringLevel = 2;
    f.N7->trigger();
    QCOMPARE(Numbers(dev.device), all + QStringList{"0091"});
    QVERIFY(w.prompter.messages.isEmpty());
}

void TestWindowParams::pageChangeAsks() {
    MemoryDevice dev;
    Window w;
    TForm1& f = w.F();
    dev.Attach(f);
    f.State().ChangedParamList = {"0104"};
    w.prompter.confirmAnswers = {false, false, true};
    f.PageControl1->setCurrentIndex(1); // Cancel: the list stays
    QCOMPARE(f.State().ChangedParamList, QStringList{"0104"});
    f.PageControl1->setCurrentIndex(0); // back on the first page it is emptied either way
    QVERIFY(f.State().ChangedParamList.isEmpty());
    QVERIFY(Writes(dev.device).isEmpty());
    f.State().ChangedParamList = {"0104"};
    f.PageControl1->setCurrentIndex(2); // OK: written
    QCOMPARE(Writes(dev.device), QStringList{"0104=003C"});
    QCOMPARE(w.prompter.confirms.size(), 3);
}

void TestWindowParams::handlersInsideWaits() {
    // Work that a click, a page change or a configuration load does while a reply is awaited.
    struct Case {
        const char* name;
        bool write;
        std::function<void(Window&)> during;
        std::function<void(Window&, SimDevice&)> check;
    };
    const QList<Case> cases = {
        {"load during a write", true, [](Window& w) { w.F().Config().LoadConfiguration("demo.txt"); },
         [](Window& w, SimDevice& d) {
             QCOMPARE(Numbers(d), QStringList{"0101"}); // the rows after it are another load's
             QVERIFY(w.F().GEdit->isHidden());
         }},
        {"second click during a write", true, [](Window& w) { w.F().btWrite->click(); },
         [](Window& w, SimDevice& d) {
             for (const char* n : {"0101", "0103", "0105"}) QVERIFY(Numbers(d).contains(n));
             QCOMPARE(d.Value(Table::Main, 0x0105), QByteArray("CMIOT"));
             Q_UNUSED(w);
         }},
        {"row click during a write", true, [](Window& w) { w.Click("0202"); },
         [](Window&, SimDevice& d) { QCOMPARE(Numbers(d), (QStringList{"0101", "0103", "0105"})); }},
        {"load during a read", false, [](Window& w) { w.F().Config().LoadConfiguration("demo.txt"); },
         [](Window& w, SimDevice&) { QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("120")); }},
        {"page change during a read", false, [](Window& w) { w.F().PageControl1->setCurrentIndex(3); },
         [](Window& w, SimDevice&) { QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("60")); }},
    };
    for (const Case& c : cases) {
        MemoryDevice dev;
        Window w;
        TForm1& f = w.F();
        dev.Attach(f);
        dev.device.SetValue(Table::Main, 0x0104, QByteArray::fromHex("0078"));
        QVERIFY(w.Show());
        w.Select("0105");
        w.ReplaceText("CMIOT");
        f.State().ChangedParamList = {"0101", "0103", "0105"};
        bool done = false;
        dev.clock.onPause = [&](int, int) {
            if (std::exchange(done, true)) return;
            c.during(w);
        };
        (c.write ? f.btWrite : f.btRead)->click();
        QVERIFY2(done, c.name);
        c.check(w, dev.device);
        if (c.write) QVERIFY2(f.State().ChangedParamList.isEmpty(), c.name);
        QVERIFY2(w.prompter.messages.isEmpty(), qPrintable(w.prompter.messages.join('|')));
    }
}

void TestWindowParams::engineerSession() {
    // The demo profile, the device holding other values than the file; the tool opened on it.
    PtyDevice dev;
    Window w(false);
    TForm1& f = w.F();
    QVERIFY(w.Show());
    w.prompter.fileAnswers = {QDir::current().absoluteFilePath("demo.txt")};
    f.N5->trigger();
    QCOMPARE(f.MainTable().Count(), 13);
    QVERIFY(dev.Start(f));
    dev.device.SetValue(Table::Main, 0x0104, QByteArray::fromHex("0078"));
    dev.device.SetValue(Table::Interface, 0x0402, QByteArray::fromHex("001E"));

    f.btRead->click();
    QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("120"));
    // A choice and a string through the editor widgets, then 设置.
    w.Click("0103");
    w.ClickThroughWindow(f.GComboBox->lineEdit());
    QAbstractItemView* popup = f.GComboBox->view();
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(popup->model()->index(1, 0)).center());
    w.DoubleClick("0101");
    QVERIFY(f.GEdit->hasFocus());
    QTest::keyClick(f.GEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f.GEdit, "10.0.0.8");
    f.btWrite->click();
    QCOMPARE(Numbers(dev.device), (QStringList{"0101", "0103"}));

    // The float on the interface page: the page selects channel 0, 读取 reads that table.
    f.PageControl1->setCurrentIndex(3);
    QCOMPARE(dev.device.Channel(), 0);
    f.Button16->click();
    QCOMPARE(w.Field("0402", FieldDisplay, true), QStringLiteral("30"));
    w.Click("0403", true);
    QCOMPARE(f.GEdit->text(), QStringLiteral("1.500"));
    f.GEdit->setFocus();
    QTest::keyClick(f.GEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f.GEdit, "-2.25");
    f.Button17->click();
    QCOMPARE(dev.device.Value(Table::Interface, 0x0403), QByteArray::fromHex("C0100000"));

    // Read both pages again: the device holds the new values and the rows show them.
    f.Button16->click();
    QCOMPARE(w.Field("0403", FieldDisplay, true), QStringLiteral("-2.250"));
    f.PageControl1->setCurrentIndex(0);
    QCOMPARE(dev.device.Channel(), 1);
    f.btRead->click();
    QCOMPARE(dev.device.Value(Table::Main, 0x0101), QByteArray("10.0.0.8"));
    QCOMPARE(dev.device.Value(Table::Main, 0x0103), QByteArray(1, '\x01'));
    QCOMPARE(w.Field("0101", FieldDisplay), QStringLiteral("10.0.0.8"));
    QCOMPARE(w.Field("0103", FieldDisplay), QStringLiteral("UDP"));
    QCOMPARE(Lines(f.Memo1, "[参数设置成功]"), 3);
    QVERIFY(w.prompter.messages.isEmpty());
}

QTEST_MAIN(TestWindowParams)
#include "test_window_params.moc"

// The parameter pages of the main window on the demo profile: the in-place editor, reading and
// writing. The device is the simulator in-process, over a pseudo-terminal or, where a reply wait
// must take no time, straight behind a memory channel with a clock that never sleeps.
#include "app/window/mainwindow.h"
#include "app/window/param_pages.h"
#include "params/rows.h"
#include "params/changes.h"
#include "protocol/commands.h"
#include "tests/support/windowrig.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
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

// The parameter writes the device received, in order: "number=hex", or the numbers alone.
QStringList Writes(const SimDevice& d, bool numbersOnly = false) {
    QStringList out;
    for (const ReceivedFrame& f : d.Received())
        if (f.word != kCmdSelectChannel && f.word != CmdParamRead && f.word != CmdGetParam)
            out << QString::asprintf("%04X", f.word) +
                       (numbersOnly ? QString() : "=" + QString::fromLatin1(f.data.toHex().toUpper()));
    return out;
}

int Lines(const QPlainTextEdit* box, const QString& line) {
    return int(box->toPlainText().split(QLatin1Char('\n')).count(line));
}

ParamRow Row(const QString& number, const QString& raw, const QString& list, const QString& get = "GetStr()") {
    ParamRow r;
    r.f = {number, "row " + number, raw, QString(), list, get, QStringLiteral("SetStr()"), QString()};
    return r;
}

// The main window in the demo folder, the demo configuration loaded (unless told otherwise).
struct Window : WindowRig {
    explicit Window(bool load = true) {
        if (load) form->Session().Config().LoadConfiguration(QStringLiteral("demo.txt"));
    }
    ParamTable& Table(bool iface = false) {
        return iface ? form->Session().InterfaceTable() : form->MainTable();
    }
    QTableView* List(bool iface = false) {
        return iface ? Find<QTableView>(form, "ListView2") : Find<QTableView>(form, "ListView1");
    }
    int RowOf(const QString& number, bool iface = false) { return FindRow(Table(iface), number); }
    // Moves the selection as the arrow keys do.
    void Select(const QString& number) { SelectRow(RowOf(number)); }
    void SelectRow(int row) {
        Find<QTableView>(form, "ListView1")
            ->selectionModel()
            ->setCurrentIndex(List()->model()->index(row, FieldName),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    QPoint Centre(const QString& number, bool iface) {
        const QModelIndex i = List(iface)->model()->index(RowOf(number, iface), FieldName);
        List(iface)->scrollTo(i);
        return List(iface)->visualRect(i).center();
    }
    void Click(const QString& number, bool iface = false) {
        QTest::mouseClick(List(iface)->viewport(), Qt::LeftButton, {}, Centre(number, iface));
    }
    // A click, then the second press as a double click and its release: what the mouse sends.
    void DoubleClick(const QString& number) {
        const QPoint at = Centre(number, false);
        QTest::mouseClick(Find<QTableView>(form, "ListView1")->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Find<QTableView>(form, "ListView1")->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(Find<QTableView>(form, "ListView1")->viewport(), Qt::LeftButton, {}, at);
    }
    // Opens the choice box's list with a click on the box and picks an entry, both through the
    // window system, so that the open list gets the releases as it does on a screen.
    void PickFromList(int entry) {
        QLineEdit* line = Find<QComboBox>(form, "GComboBox")->lineEdit();
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, line->mapTo(form.get(), line->rect().center()));
        QAbstractItemView* list = Find<QComboBox>(form, "GComboBox")->view();
        QTRY_VERIFY(list->isVisible());
        QTest::qWait(QApplication::doubleClickInterval() + 50); // a release right after opening is ignored
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(entry, 0)).center());
        QTRY_VERIFY(!list->isVisible());
    }
    QString Field(const QString& number, int field, bool iface = false) {
        return Table(iface).Row(RowOf(number, iface))[field];
    }
    bool Blue(const QString& number) {
        const QVariant v = List()->model()->index(RowOf(number), FieldName).data(Qt::ForegroundRole);
        return v.value<QBrush>().color() == QColor(0, 0, 200);
    }
    void ReplaceText(const QString& text) {
        Find<QLineEdit>(form, "GEdit")->selectAll();
        QTest::keyClicks(Find<QLineEdit>(form, "GEdit"), text);
    }
};

// The simulator on a pseudo-terminal, opened with the port button.
bool Connect(PtyDevice& dev, Window& w) {
    if (!dev.Start() || !w.Open(dev.pty.SlavePath())) return false;
    dev.device.ClearReceived();
    return true;
}

} // namespace

class TestWindowParams : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir_.Ok());
        QVERIFY(dir_.CopyDemo());
    }
    void editorPerRow();
    void editorPlacement_data();
    void editorPlacement();
    void editorFollowsTheRow();
    void keysCommit();
    void maskAndLength();
    void choiceBox();
    void doubleClickFocusesEditor();
    void clickAfterErrorOpensEditor_data();
    void clickAfterErrorOpensEditor();
    void editorInAccessibilityTree();
    void hiddenCellsAreInvisible();
    void frameLinesWhole();
    void closedChannel_data();
    void closedChannel();
    void writeChangedRows();
    void writeFailures();
    void batchWrite();
    void stopDuringWrite();
    void pageChangeAsks();
    void handlersInsideWaits();
    void engineerSession();

private:
    WorkFolder dir_;
};

void TestWindowParams::editorPerRow() {
    Window w;
    MainWindow& f = w.F();
    QVERIFY(w.Show());
    auto shown = [&] {
        return Find<QLineEdit>(f, "GEdit")->isVisible()       ? "edit"
               : Find<QComboBox>(f, "GComboBox")->isVisible() ? "choice"
                                                              : "none";
    };
    // Heading rows never get an editor, at any level; the device ID only at level 2.
    for (int level : {0, 1, 2}) {
        f.State().EngineeringLevel = level;
        for (int heading : {0, 6, 9}) {
            w.Select("0103");
            w.SelectRow(heading);
            QCOMPARE(shown(), "none");
            QVERIFY(Find<QLineEdit>(f, "GEdit")->isReadOnly());
        }
        w.Select("0101");
        w.Select("0091");
        QCOMPARE(shown(), level == 2 ? "edit" : "none");
        QCOMPARE(Find<QLineEdit>(f, "GEdit")->isReadOnly(), level < 2);
    }
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("DTU0000001"));
    w.Select("0101");
    QCOMPARE(shown(), "edit");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->maxLength(), 199);
    w.Select("0103");
    QCOMPARE(shown(), "choice");
    QCOMPARE(Find<QComboBox>(f, "GComboBox")->currentText(), QStringLiteral("TCP"));
    // "HEX:" alone: an empty box with the row's limits.
    w.Select("0301");
    QCOMPARE(shown(), "edit");
    QVERIFY(Find<QLineEdit>(f, "GEdit")->text().isEmpty());
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->maxLength(), 11);
    QCOMPARE(f.Params().Editor().AllowedChars, QStringLiteral("0123456789"));
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
    MainWindow& f = w.F();
    QVERIFY(w.Show());
    if (iface) Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(3);
    QTableView* list = w.List(iface);
    for (const QString& number : {text, choice}) {
        w.Click(number, iface);
        QWidget* editor = number == text ? static_cast<QWidget*>(Find<QLineEdit>(f, "GEdit"))
                                         : Find<QComboBox>(f, "GComboBox");
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->parentWidget(), list->viewport());
        const int row = w.RowOf(number, iface);
        QCOMPARE(editor->geometry(), QRect(left, list->rowViewportPosition(row), 180, list->rowHeight(row)));
    }
}

void TestWindowParams::editorFollowsTheRow() {
    Window w;
    MainWindow& f = w.F();
    for (int i = 0; i < 60; ++i) w.Table().Append(Row(QString::asprintf("1%03X", i), "HEX:41", {}));
    w.Table(true).Clear();
    w.Table(true).Append(Row("0A10", "HEX:41", {}));
    QVERIFY(w.Show());
    Find<QTabWidget>(f, "PageControl1")
        ->setCurrentIndex(3); // the interface list's first row is current from now on
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
    QTableView* list = w.List();
    const int row = w.RowOf("1014");
    w.SelectRow(row);
    list->verticalScrollBar()->setValue(12);
    f.TrackEditors();
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->geometry(),
             QRect(210, list->rowViewportPosition(row), 180, list->rowHeight(row)));
    // A wider name column moves the value cell; the tick follows it.
    list->setColumnWidth(FieldName, 260);
    f.TrackEditors();
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->geometry().left(), 260);
    // On the interface page the editor still open belongs to a main row: a key in it stores
    // nothing in the interface row now selected, and the next tick takes it away.
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(3);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Left);
    QVERIFY(f.State().ChangedParamList.isEmpty());
    f.TrackEditors();
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->parentWidget(), Find<QTableView>(f, "ListView2")->viewport());
    QCOMPARE(Find<QComboBox>(f, "GComboBox")->parentWidget(), Find<QTableView>(f, "ListView2")->viewport());
    QVERIFY(Find<QLineEdit>(f, "GEdit")->isHidden());
}

void TestWindowParams::keysCommit() {
    Window w;
    MainWindow& f = w.F();
    QVERIFY(w.Show());
    // Selecting a row stores nothing; a cursor key then marks it changed: blue, value as it was.
    w.Select("0104");
    QVERIFY(!w.Blue("0104"));
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Left);
    QCOMPARE(f.State().ChangedParamList, QStringList{"0104"});
    QVERIFY(w.Blue("0104") && !w.Blue("0101"));
    QCOMPARE(w.Field("0104", FieldRaw), QStringLiteral("HEX:003C"));
    w.ReplaceText("120");
    QCOMPARE(w.Field("0104", FieldRaw), QStringLiteral("HEX:0078"));
    QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("120"));
    // Deleting every character of a string row leaves "HEX:" alone.
    w.Select("0105");
    Find<QLineEdit>(f, "GEdit")->selectAll();
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Backspace);
    QCOMPARE(w.Field("0105", FieldRaw), QStringLiteral("HEX:"));
    QCOMPARE(f.State().ChangedParamList, (QStringList{"0104", "0105"}));
    w.Select("0104");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("120"));
}

void TestWindowParams::maskAndLength() {
    Window w;
    MainWindow& f = w.F();
    w.Table().Append(Row("0A01", "HEX:", "Length=8;Mask=\"01\";"));
    w.Table().Append(Row("0A02", "HEX:6162313233", "Length=4;Mask=\"0123456789\";")); // "ab123"
    QVERIFY(w.Show());
    w.Select("0A01");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->maxLength(), 8);
    QTest::keyClicks(Find<QLineEdit>(f, "GEdit"), "0123\r1");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("011"));
    // Control keys arrive as characters outside the mask: no select-all, no paste.
    QApplication::clipboard()->setText(QStringLiteral("1"));
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(!Find<QLineEdit>(f, "GEdit")->hasSelectedText());
    // Keys without a character and Backspace pass.
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Home);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), '1');
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_End);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Backspace);
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("101"));
    // A paste from the context menu keeps to the same rules.
    QApplication::clipboard()->setText(QStringLiteral("0x1"));
    Find<QLineEdit>(f, "GEdit")->paste();
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("101"));
    QApplication::clipboard()->setText(QStringLiteral("10"));
    Find<QLineEdit>(f, "GEdit")->paste();
    QTest::keyClicks(Find<QLineEdit>(f, "GEdit"), "0101010");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("10110010"));
    QCOMPARE(w.Field("0A01", FieldRaw), QStringLiteral("HEX:3130313130303130"));

    // A device value outside the mask and longer than the row allows: shown whole, and it can
    // be edited down, never up.
    w.Select("0A02");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("ab123"));
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), '4');
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Backspace);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Home);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Delete);
    QTest::keyClicks(Find<QLineEdit>(f, "GEdit"), "99");
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("9b12"));
    QApplication::clipboard()->setText(QStringLiteral("y"));
    Find<QLineEdit>(f, "GEdit")->setCursorPosition(1);
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Delete);
    Find<QLineEdit>(f, "GEdit")->paste();
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("912"));
}

void TestWindowParams::choiceBox() {
    Window w;
    MainWindow& f = w.F();
    w.Table().Append(Row("0A03", "HEX:02", "[[\"A\",\"B\"],[\"01\",\"02\"]]", "'自动'"));
    w.Table().Append(Row("0A04", "HEX:4142", "[[\"A\",\"B\"],[\"01\"]]"));
    QVERIFY(w.Show());
    w.Click("0103");
    w.PickFromList(1);
    QCOMPARE(w.Field("0103", FieldRaw), QStringLiteral("HEX:01"));
    QCOMPARE(w.Field("0103", FieldDisplay), QStringLiteral("UDP"));
    QVERIFY(w.Blue("0103"));
    // Keys and the wheel change nothing: only the mouse picks.
    w.Select("0201");
    Find<QComboBox>(f, "GComboBox")->setFocus();
    for (QWidget* target :
         {static_cast<QWidget*>(Find<QComboBox>(f, "GComboBox")), QApplication::focusWidget()}) {
        QTest::keyClicks(target, "1a ");
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_F4, Qt::Key_Return})
            QTest::keyClick(target, k);
        QTest::keyClick(target, Qt::Key_Down, Qt::AltModifier);
    }
    QWheelEvent wheel(QPointF(5, 5), Find<QComboBox>(f, "GComboBox")->mapToGlobal(QPointF(5, 5)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Find<QComboBox>(f, "GComboBox"), &wheel);
    QVERIFY(!Find<QComboBox>(f, "GComboBox")->view()->isVisible());
    QCOMPARE(Find<QComboBox>(f, "GComboBox")->currentText(), QStringLiteral("9600"));
    QCOMPARE(f.State().ChangedParamList, QStringList{"0103"});
    // The text a get hook gives is shown, also when it is none of the entries.
    w.Select("0A03");
    QCOMPARE(Find<QComboBox>(f, "GComboBox")->currentIndex(), 1);
    QCOMPARE(Find<QComboBox>(f, "GComboBox")->currentText(), QStringLiteral("自动"));
    QVERIFY(w.prompter.messages.isEmpty());
    // A list whose texts lack values is reported, and the row is edited as free text.
    w.Select("0A04");
    QCOMPARE(w.prompter.messages.size(), 1);
    QVERIFY(Find<QLineEdit>(f, "GEdit")->isVisible() && Find<QComboBox>(f, "GComboBox")->isHidden());
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("AB"));
}

void TestWindowParams::doubleClickFocusesEditor() {
    Window w;
    QVERIFY(w.Show());
    w.DoubleClick("0101");
    QVERIFY(Find<QLineEdit>(w.F(), "GEdit")->hasFocus());
    w.DoubleClick("0202");
    QVERIFY(Find<QComboBox>(w.F(), "GComboBox")->hasFocus());
}

void TestWindowParams::clickAfterErrorOpensEditor_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("get");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("combo");
    QTest::newRow("choice list not JSON: free text") << R"([["A","B"],["41","42"])" << "GetStr()"
                                                     << "选择列表格式错误：" << false;
    QTest::newRow("get hook error: choice box") << R"([["A","B"],["41","42"]])" << "NoSuch()"
                                                << "ReferenceError: " << true;
}

// A message box shown while a click is pressed keeps the release from the list: the press alone
// must leave the editor open over the clicked row, and a release that does arrive adds nothing.
void TestWindowParams::clickAfterErrorOpensEditor() {
    QFETCH(QString, list);
    QFETCH(QString, get);
    QFETCH(QString, message);
    QFETCH(bool, combo);
    Window w;
    MainWindow& f = w.F();
    w.Table().Append(Row("0A20", "HEX:41", list, get));
    QVERIFY(w.Show());
    w.Click("0101");
    QVERIFY(Find<QLineEdit>(f, "GEdit")->isVisible());
    const QPoint at = w.Centre("0A20", false);
    QTest::mousePress(w.List()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(w.prompter.messages.size(), 1);
    QVERIFY2(w.prompter.messages.at(0).startsWith(message), qPrintable(w.prompter.messages.at(0)));
    QWidget* shown =
        combo ? static_cast<QWidget*>(Find<QComboBox>(f, "GComboBox")) : Find<QLineEdit>(f, "GEdit");
    QWidget* other =
        combo ? static_cast<QWidget*>(Find<QLineEdit>(f, "GEdit")) : Find<QComboBox>(f, "GComboBox");
    const int row = w.RowOf("0A20");
    QVERIFY(shown->isVisible() && other->isHidden());
    QCOMPARE(shown->geometry().top(), w.List()->rowViewportPosition(row));
    QTest::mouseRelease(w.List()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(w.prompter.messages.size(), 1);
    QVERIFY(shown->isVisible());
    // A later click on the same row opens it afresh, as a click on the current row always does.
    w.Click("0A20");
    QCOMPARE(w.prompter.messages.size(), 2);
    QVERIFY(shown->isVisible());
    if (!combo) QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("A"));
}

// A screen reader finds the shown editor as the list's last accessible child, named after its row.
void TestWindowParams::editorInAccessibilityTree() {
    Window w;
    MainWindow& f = w.F();
    QVERIFY(w.Show());
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(w.List());
    QVERIFY(table && table->tableInterface());
    for (const auto& [number, editor] : {std::pair<QString, QWidget*>{"0101", Find<QLineEdit>(f, "GEdit")},
                                         {"0103", Find<QComboBox>(f, "GComboBox")}}) {
        w.Click(number);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->parentWidget(), w.List()->viewport()); // drawn where it always was
        const int last = table->childCount() - 1;
        QAccessibleInterface* child = table->child(last);
        QVERIFY(child && child->object() == editor);
        QCOMPARE(child->text(QAccessible::Description), w.Field(number, FieldName));
        if (editor == Find<QLineEdit>(f, "GEdit"))
            QCOMPARE(child->text(QAccessible::Name), w.Field(number, FieldName));
        QCOMPARE(table->indexOfChild(child), last);
        const QRect at(editor->mapToGlobal(QPoint(0, 0)), editor->size());
        QCOMPARE(table->childAt(at.center().x(), at.center().y()), child);
        // the cells are still there, in rows and shown columns
        QAccessibleInterface* name = table->tableInterface()->cellAt(w.RowOf(number), 0);
        QVERIFY(name && name->tableCellInterface());
        QCOMPARE(name->text(QAccessible::Name), w.Field(number, FieldName));
        QCOMPARE(table->indexOfChild(name), (w.RowOf(number) + 1) * table->tableInterface()->columnCount());
        QVERIFY(name->tableCellInterface()->isSelected());
    }
    w.SelectRow(0); // a heading: no editor, no extra child
    QVERIFY(Find<QLineEdit>(f, "GEdit")->isHidden() && Find<QComboBox>(f, "GComboBox")->isHidden());
    QCOMPARE(table->childCount(), (w.Table().Count() + 1) * table->tableInterface()->columnCount());
}

// Only what is on screen says so: a cell (a header cell, the editor) is visible when its list
// is shown and it lies in the list's viewport.
void TestWindowParams::hiddenCellsAreInvisible() {
    Window w;
    MainWindow& f = w.F();
    for (int i = 0; i < 60; ++i) w.Table().Append(Row(QString::asprintf("1%03X", i), "HEX:41", {}));
    QVERIFY(w.Show());
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(w.List());
    QAccessibleTableInterface* cells = table->tableInterface();
    const auto onScreen = [](QAccessibleInterface* c) { return !c->state().invisible && !c->state().offscreen; };
    QAccessibleInterface* header = table->child(0);
    QCOMPARE(header->role(), QAccessible::ColumnHeader);
    QAccessibleInterface* first = cells->cellAt(0, 0);
    QAccessibleInterface* last = cells->cellAt(cells->rowCount() - 1, 0);
    QVERIFY(onScreen(header) && onScreen(first));
    QVERIFY(!onScreen(last)); // below the viewport
    // The editor over a row counts while the row is in the viewport.
    w.Click("0101");
    QVERIFY(Find<QLineEdit>(f, "GEdit")->isVisible());
    const int withEditor = table->childCount();
    QCOMPARE(table->child(withEditor - 1)->object(), Find<QLineEdit>(f, "GEdit"));
    w.List()->verticalScrollBar()->setValue(w.List()->verticalScrollBar()->maximum());
    f.TrackEditors(); // the editor follows its row out of the viewport
    QVERIFY(!onScreen(first) && onScreen(last));
    QCOMPARE(table->childCount(), withEditor - 1);
    QVERIFY(table->child(withEditor - 1) == nullptr);
    w.List()->verticalScrollBar()->setValue(0);
    f.TrackEditors();
    QCOMPARE(table->childCount(), withEditor);
    // The control page: nothing of page 1's list is on screen, nor anywhere.
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(2);
    QVERIFY(!w.List()->isVisible());
    for (QAccessibleInterface* c : {header, first, last}) {
        QVERIFY(!onScreen(c));
        QVERIFY(c->rect().isEmpty());
    }
    QCOMPARE(table->childCount(), withEditor - 1);
    const QPoint chart = Find<QTabWidget>(f, "PageControl1")->currentWidget()->mapToGlobal(Find<QTabWidget>(f, "PageControl1")->currentWidget()->rect().center());
    QCOMPARE(table->childAt(chart.x(), chart.y()), nullptr);
}

// At level 1 a received frame is one line in the log, byte-exact: a read answered with a 44-byte
// and with a 4096-byte frame.
void TestWindowParams::frameLinesWhole() {
    MemoryDevice dev;
    Window w;
    MainWindow& f = w.F();
    dev.Attach(f.Session());
    f.State().EngineeringLevel = 1;
    const auto be16 = [](int v) { return QByteArray(1, char(v >> 8)) + char(v & 0xFF); };
    for (const auto& [rows, valueSize, frameSize] : {std::tuple{1, 32, 44}, std::tuple{2, 2040, 4096}}) {
        w.Table().Clear();
        w.Table().RequestList.clear();
        QByteArray items;
        for (int r = 0; r < rows; ++r) {
            const quint16 number = 0x0A01 + r;
            QByteArray value(valueSize, '\0');
            for (int i = 0; i < valueSize; ++i) value[i] = char('A' + (i + r) % 26);
            w.Table().Append(Row(QString::asprintf("%04X", number), "HEX:", {}));
            w.Table().RequestList += be16(number);
            dev.device.SetValue(Table::Main, number, value);
            items += be16(2 + valueSize) + be16(number) + value; // N counts the number and the value
        }
        // AA 55, length, F0 00, the items, the sum of the length field to the last item byte.
        const QByteArray body = be16(4 + items.size()) + QByteArray("\xF0\x00", 2) + items;
        int sum = 0;
        for (const char c : body) sum += quint8(c);
        const QByteArray reply = "\xAA\x55" + body + be16(sum & 0xFFFF);
        QCOMPARE(reply.size(), frameSize);
        Find<QPushButton>(f, "btRead")->click();
        QString line = "上行："; // each byte as "XX "
        for (const char c : reply) line += QString::asprintf("%02X ", quint8(c));
        QCOMPARE(Lines(Find<QPlainTextEdit>(f, "Memo1"), line), 1);
    }
}

void TestWindowParams::closedChannel_data() {
    QTest::addColumn<QString>("name");
    for (const char* n : {"btRead", "Button16", "btWrite", "Button17", "N7"}) QTest::newRow(n) << n;
}

void TestWindowParams::closedChannel() {
    QFETCH(QString, name);
    Window w;
    MainWindow& f = w.F();
    f.State().ChangedParamList = {"0101", "0103"};
    if (auto* button = f.findChild<QPushButton*>(name))
        button->click();
    else
        Find<QAction>(f, "N7")->trigger();
    // Once, also for the batch of every row; the changes stay.
    QCOMPARE(w.prompter.messages, QStringList{"数据通道未打开，请先打开串口或建立TCP链接"});
    QCOMPARE(f.State().ChangedParamList, (QStringList{"0101", "0103"}));
}

void TestWindowParams::writeChangedRows() {
    PtyDevice dev;
    Window w;
    MainWindow& f = w.F();
    QVERIFY(w.Show());
    dev.device.SetReadOnly({0x0101});
    QVERIFY(Connect(dev, w));
    w.Select("0101");
    w.ReplaceText("10.0.0.8");
    w.Select("0103");
    Find<QComboBox>(w.F(), "GComboBox")->setCurrentIndex(1);
    emit Find<QComboBox>(w.F(), "GComboBox")->activated(1);
    w.Select("0301");
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_Right); // "HEX:" alone: written with empty data
    f.State().ChangedParamList << "0091";    // below level 2 never written
    Find<QPushButton>(f, "btWrite")->click();
    // One request per row, from the top; a refused one is reported and the rest still go out.
    QCOMPARE(Writes(dev.device), (QStringList{"0101=31302E302E302E38", "0103=01", "0301="}));
    QCOMPARE(Lines(Find<QPlainTextEdit>(f, "Memo1"), "[参数设置失败]"), 1);
    QCOMPARE(Lines(Find<QPlainTextEdit>(f, "Memo1"), "[参数设置成功]"), 2);
    QCOMPARE(dev.device.Value(Table::Main, 0x0103), QByteArray(1, '\x01'));
    QCOMPARE(dev.device.Value(Table::Main, 0x0101), QByteArray("127.0.0.1"));
    QVERIFY(f.State().ChangedParamList.isEmpty());
    QVERIFY(!w.Blue("0101") && !w.Blue("0103"));
    QVERIFY(w.prompter.messages.isEmpty());
}

void TestWindowParams::writeFailures() {
    MemoryDevice dev;
    Window w;
    MainWindow& f = w.F();
    dev.Attach(f.Session());
    f.Session().Exchanger().SetReplyEnd(ReplyEnd::Silence); // first bytes looked for every 100 ms
    QVERIFY(w.Show());
    // No answer for one row: reported after the full wait (no real time), the rest still go out.
    dev.channel.SetUnanswered({0x0102});
    f.State().ChangedParamList = {"0103", "0101", "0102"};
    Find<QPushButton>(f, "btWrite")->click();
    QCOMPARE(Writes(dev.device, true), (QStringList{"0101", "0102", "0103"}));
    QCOMPARE(Lines(Find<QPlainTextEdit>(f, "Memo1"), "[参数设置失败，设备无响应！]"), 1);
    QCOMPARE(Lines(Find<QPlainTextEdit>(f, "Memo1"), "[参数设置成功]"), 2);
    QCOMPARE(dev.clock.Count(100), 30);
    // An answer that is no reply: the editor showing is emptied, the row keeps its value.
    dev.device.SetMode(AnswerMode::Illegal);
    w.Select("0105");
    w.ReplaceText("CMIOT");
    Find<QPushButton>(f, "btWrite")->click();
    QCOMPARE(f.Status().Result(), QStringLiteral("[参数设置失败，输入了非法内容！]"));
    QVERIFY(Find<QLineEdit>(f, "GEdit")->isVisible() && Find<QLineEdit>(f, "GEdit")->text().isEmpty());
    QCOMPARE(w.Field("0105", FieldDisplay), QStringLiteral("CMIOT"));
}

void TestWindowParams::batchWrite() {
    MemoryDevice dev;
    Window w;
    MainWindow& f = w.F();
    dev.Attach(f.Session());
    f.State().ChangedParamList = {"0103"};
    // Every parameter the device holds, from the top: no headings, no "0000", and the device ID
    // only at level 2.
    Find<QAction>(f, "N7")->trigger();
    const QStringList all = {"0101", "0102", "0103", "0104", "0105", "0201", "0202", "0301"};
    QCOMPARE(Writes(dev.device, true), all);
    QVERIFY(f.State().ChangedParamList.isEmpty());
    dev.device.ClearReceived();
    f.State().EngineeringLevel = 2;
    Find<QAction>(f, "N7")->trigger();
    QCOMPARE(Writes(dev.device, true), all + QStringList{"0091"});
    QVERIFY(w.prompter.messages.isEmpty());
}

// 设置 of 20 changed rows: the status bar's progress counts them; 停止 in the wait of the 8th
// ends the run after that exchange, the 12 rows not written stay changed (blue) and only the
// written ones are read back.
void TestWindowParams::stopDuringWrite() {
    MemoryDevice dev;
    Window w;
    MainWindow& f = w.F();
    dev.Attach(f.Session());
    f.Session().Exchanger().SetReplyEnd(ReplyEnd::Silence); // every reply wait pauses
    Find<QAction>(f, "NVerify")->setChecked(true);
    QStringList rows;
    for (int i = 0; i < 20; ++i) {
        rows << QString::asprintf("1%03X", i);
        w.Table().Append(Row(rows.last(), "HEX:41", {}));
    }
    f.State().ChangedParamList = rows;
    QVERIFY(w.Show());
    auto* bar = Find<QProgressBar>(f, "ProgressBar1");
    QVERIFY(!bar->isVisible());
    QList<int> seen; // maximum, value and the row shown at the 8th write
    dev.clock.onPause = [&](int, int) {
        if (Writes(dev.device).size() != 8 || !seen.isEmpty()) return;
        seen = {bar->isVisible(), bar->maximum(), bar->value(), bar->text().endsWith("1007")};
        Find<QPushButton>(f, "btStop")->click();
    };
    Find<QPushButton>(f, "btWrite")->click();
    QCOMPARE(seen, (QList<int>{1, 20, 7, 1}));
    QCOMPARE(Writes(dev.device, true), rows.mid(0, 8));
    QCOMPARE(f.State().ChangedParamList, rows.mid(8));
    QVERIFY(w.Blue("1008") && w.Blue("1013") && !w.Blue("1007"));
    QVERIFY(w.Logged("[已停止：12项未写入]"));
    QCOMPARE(f.Status().Result(), QStringLiteral("[回读校验成功]"));
    const ReceivedFrame& readBack = dev.device.Received().last();
    QCOMPARE(readBack.data.size(), 8 * 2); // the 8 written rows' numbers
    QVERIFY(!bar->isVisible());
    // The next 设置 writes the rest.
    dev.clock.onPause = nullptr;
    Find<QPushButton>(f, "btWrite")->click();
    QCOMPARE(Writes(dev.device, true), rows);
    QVERIFY(f.State().ChangedParamList.isEmpty());
}

void TestWindowParams::pageChangeAsks() {
    MemoryDevice dev;
    Window w;
    MainWindow& f = w.F();
    dev.Attach(f.Session());
    f.State().ChangedParamList = {"0104"};
    w.prompter.confirmAnswers = {false, false, true};
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(1); // Cancel: the list stays
    QCOMPARE(f.State().ChangedParamList, QStringList{"0104"});
    Find<QTabWidget>(f, "PageControl1")
        ->setCurrentIndex(0); // back on the first page it is emptied either way
    QVERIFY(f.State().ChangedParamList.isEmpty());
    QVERIFY(Writes(dev.device).isEmpty());
    f.State().ChangedParamList = {"0104"};
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(2); // OK: written
    QCOMPARE(Writes(dev.device), QStringList{"0104=003C"});
    QCOMPARE(w.prompter.confirms.size(), 3);
}

void TestWindowParams::handlersInsideWaits() {
    // A click, a page change or a configuration load while a reply is awaited (ASan watches).
    struct Case {
        const char* name;
        const char* button;
        std::function<void(Window&)> during;
        std::function<void(Window&, SimDevice&)> check;
    };
    const QList<Case> cases = {
        {"load during a write", "btWrite",
         [](Window& w) { w.F().Session().Config().LoadConfiguration("demo.txt"); },
         [](Window& w, SimDevice& d) {
             QCOMPARE(Writes(d, true), QStringList{"0101"}); // the rows after it are another load's
             QVERIFY(Find<QLineEdit>(w.F(), "GEdit")->isHidden());
         }},
        {"second click during a write", "btWrite",
         [](Window& w) { Find<QPushButton>(w.F(), "btWrite")->click(); },
         [](Window&, SimDevice& d) {
             for (const char* n : {"0101", "0103", "0105"})
                 QVERIFY(Writes(d, true).contains(n));
             QCOMPARE(d.Value(Table::Main, 0x0105), QByteArray("CMIOT"));
         }},
        {"row click during a write", "btWrite", [](Window& w) { w.Click("0202"); },
         [](Window&, SimDevice& d) {
             QCOMPARE(Writes(d, true), (QStringList{"0101", "0103", "0105"}));
         }},
        {"load during a read", "btRead",
         [](Window& w) { w.F().Session().Config().LoadConfiguration("demo.txt"); },
         [](Window& w, SimDevice&) { QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("120")); }},
        {"page change during a read", "btRead",
         [](Window& w) { Find<QTabWidget>(w.F(), "PageControl1")->setCurrentIndex(3); },
         [](Window& w, SimDevice&) { QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("60")); }},
    };
    for (const Case& c : cases) {
        MemoryDevice dev;
        Window w;
        MainWindow& f = w.F();
        dev.Attach(f.Session());
        // Replies end by silence, so that every exchange waits (the demo's end with their frame).
        f.Session().Exchanger().SetReplyEnd(ReplyEnd::Silence);
        dev.device.SetValue(Table::Main, 0x0104, QByteArray::fromHex("0078"));
        QVERIFY(w.Show());
        w.Select("0105");
        w.ReplaceText("CMIOT");
        f.State().ChangedParamList = {"0101", "0103", "0105"};
        bool done = false;
        dev.clock.onPause = [&](int, int) {
            if (!std::exchange(done, true)) c.during(w);
        };
        Find<QPushButton>(f, c.button)->click();
        QVERIFY2(done, c.name);
        c.check(w, dev.device);
        if (QByteArray(c.button) == "btWrite") QVERIFY2(f.State().ChangedParamList.isEmpty(), c.name);
        QVERIFY2(w.prompter.messages.isEmpty(), qPrintable(w.prompter.messages.join('|')));
    }
}

void TestWindowParams::engineerSession() {
    // The demo profile loaded from the menu, the device holding other values than the file.
    PtyDevice dev;
    Window w(false);
    MainWindow& f = w.F();
    QVERIFY(w.Show());
    w.prompter.fileAnswers = {QDir::current().absoluteFilePath("demo.txt")};
    Find<QAction>(f, "N5")->trigger();
    QCOMPARE(f.MainTable().Count(), 13);
    QVERIFY(Connect(dev, w));
    dev.device.SetValue(Table::Main, 0x0104, QByteArray::fromHex("0078"));
    dev.device.SetValue(Table::Interface, 0x0402, QByteArray::fromHex("001E"));

    Find<QPushButton>(f, "btRead")->click();
    QCOMPARE(w.Field("0104", FieldDisplay), QStringLiteral("120"));
    // A choice and a string through the editor widgets, then 设置.
    w.Click("0103");
    w.PickFromList(1);
    w.DoubleClick("0101");
    QVERIFY(Find<QLineEdit>(f, "GEdit")->hasFocus());
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Find<QLineEdit>(f, "GEdit"), "10.0.0.8");
    Find<QPushButton>(f, "btWrite")->click();
    QCOMPARE(Writes(dev.device, true), (QStringList{"0101", "0103"}));

    // The float on the interface page: the page selects channel 0, 读取 reads that table.
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(3);
    QCOMPARE(dev.device.Channel(), 0);
    Find<QPushButton>(f, "Button16")->click();
    QCOMPARE(w.Field("0402", FieldDisplay, true), QStringLiteral("30"));
    w.Click("0403", true);
    QCOMPARE(Find<QLineEdit>(f, "GEdit")->text(), QStringLiteral("1.500"));
    Find<QLineEdit>(f, "GEdit")->setFocus();
    QTest::keyClick(Find<QLineEdit>(f, "GEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Find<QLineEdit>(f, "GEdit"), "-2.25");
    Find<QPushButton>(f, "Button17")->click();
    QCOMPARE(dev.device.Value(Table::Interface, 0x0403), QByteArray::fromHex("C0100000"));

    // Both pages read again: the device holds the new values and the rows show them.
    Find<QPushButton>(f, "Button16")->click();
    QCOMPARE(w.Field("0403", FieldDisplay, true), QStringLiteral("-2.250"));
    Find<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
    QCOMPARE(dev.device.Channel(), 1);
    Find<QPushButton>(f, "btRead")->click();
    QCOMPARE(dev.device.Value(Table::Main, 0x0101), QByteArray("10.0.0.8"));
    QCOMPARE(dev.device.Value(Table::Main, 0x0103), QByteArray(1, '\x01'));
    QCOMPARE(w.Field("0101", FieldDisplay), QStringLiteral("10.0.0.8"));
    QCOMPARE(w.Field("0103", FieldDisplay), QStringLiteral("UDP"));
    QCOMPARE(Lines(Find<QPlainTextEdit>(f, "Memo1"), "[参数设置成功]"), 3);
    QVERIFY(w.prompter.messages.isEmpty());
}

QTEST_MAIN(TestWindowParams)
#include "test_window_params.moc"

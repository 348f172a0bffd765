#include "app/window/tform1.h"

#include "app/window/prompter.h"
#include "protocol/commands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

// The resources live in the static GUI library; this pulls them in (must be outside a namespace).
static void InitGuiResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

const QColor kPortClosedColour(172, 196, 213);
const QColor kPortOpenColour(180, 220, 240);
// The right-hand colour of the banner picture.
const QColor kBannerEndColour(172, 196, 213);
// Marks the one item a program put into a fixed-choice box that is not among its own choices.
constexpr int kExtraItemRole = Qt::UserRole + 1;
// Lines kept in each text box; older lines drop out at the top.
constexpr int kMaxLogLines = 10000;

template <typename W> W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QPushButton* Button(const QString& name, const QString& text, QWidget* parent) {
    return Named(new QPushButton(text, parent), name);
}

QPlainTextEdit* TextBox(const QString& name, bool readOnly, QWidget* parent) {
    auto* box = Named(new QPlainTextEdit(parent), name);
    box->setReadOnly(readOnly);
    if (readOnly) box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setMaximumBlockCount(kMaxLogLines);
    box->setAccessibleName(name);
    return box;
}

QComboBox* ChoiceBox(const QString& name, const QStringList& items, const QString& initial, QWidget* parent) {
    auto* box = Named(new QComboBox(parent), name);
    box->addItems(items);
    box->setCurrentIndex(box->findText(initial, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

QVBoxLayout* PageLayout(QWidget* page) {
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(4, 4, 4, 4);
    l->setSpacing(4);
    return l;
}

// Keys a fixed-choice box still takes: focus moves and the keys that open its list.
bool KeyStillAllowed(const QKeyEvent* k) {
    switch (k->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    case Qt::Key_F4:
        return k->modifiers() == Qt::NoModifier;
    case Qt::Key_Down:
    case Qt::Key_Up:
        return k->modifiers() == Qt::AltModifier;
    default:
        return false;
    }
}

} // namespace

TForm1::TForm1(dtu::IPrompter* prompter, QWidget* parent)
    : QMainWindow(parent), Timer1(new QTimer(this)), Timer2(new QTimer(this)), Timer3(new QTimer(this)),
      ownPrompter_(prompter ? nullptr : std::make_unique<dtu::MessageBoxPrompter>(this)),
      prompter_(prompter ? prompter : ownPrompter_.get()),
      session_(status_, *this, Timer1) {
    InitGuiResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("参数配置程序"));
    setFont(UiFont());

    BuildMenu();
    PageControl1 = Named(new QTabWidget, QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildPage1(), QStringLiteral("   通信参数设置   "));
    PageControl1->addTab(BuildPage2(), QStringLiteral("  透明传输测试  "));
    PageControl1->addTab(BuildPage3(), QStringLiteral("控制模式测试"));
    PageControl1->addTab(BuildPage4(), QStringLiteral("   接口参数设置   "));
    PageControl1->setTabVisible(3, false);
    PageControl1->setCurrentIndex(0);

    Splitter1 = Named(new QSplitter(Qt::Vertical, this), QStringLiteral("Splitter1"));
    Splitter1->addWidget(PageControl1);
    Splitter1->addWidget(BuildLogPane());
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setSizes({600, 100});
    setCentralWidget(Splitter1);
    BuildStatusBar();

    status_.Attach(StatusBar1Panel[3], Memo1, Memo4, Memo2);
    SetPortColours(false);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(10);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(100);
    Timer3->setSingleShot(true);
    connect(Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);

    resize(756, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        QRect r = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), avail);
        move(qMax(r.left(), avail.left()), qMax(r.top(), avail.top()));
    }

    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageChanged);
    WireLink();
    WireDevice();
    WireParams();
    WireProfile();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    // A missing or unreadable device script is reported; the tool still starts (every
    // exchange then fails with the engine's error text).
    QString error;
    if (!script_.LoadFile(QStringLiteral("script.js"), &error)) prompter_->Message(error);
    state_.AccessCodeAccepted = false;
    Timer2->start();
    Timer3->start();
}

QFont TForm1::UiFont() {
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"));
        return true;
    }();
    (void)substituted;
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPointSize(9);
    return f;
}

QString TForm1::BannerPath() {
    return QStringLiteral(":/banner.jpg");
}

// ---------------------------------------------------------------------------------------------
// Building the window

void TForm1::BuildMenu() {
    QMenuBar* bar = menuBar();
    N1 = Named(bar->addAction(QStringLiteral("恢复出厂默认设置")), QStringLiteral("N1"));
    N6 = Named(bar->addAction(QStringLiteral("复位设备")), QStringLiteral("N6"));
    N2 = Named(bar->addMenu(QStringLiteral("文件操作")), QStringLiteral("N2"));
    N2->setAttribute(Qt::WA_WindowPropagation); // the pop-up takes the window's font
    N5 = Named(N2->addAction(QStringLiteral("调入参数文件")), QStringLiteral("N5"));
    N7 = Named(N2->addAction(QStringLiteral("批量写参数")), QStringLiteral("N7"));
}

QLabel* TForm1::BuildBanner(const QString& name) {
    // Decoded once; a QImage (unlike a QPixmap) may outlive the application object.
    static const QImage picture = [] {
        QImageReader reader(BannerPath(), "jpeg");
        return reader.read();
    }();
    const QPixmap banner = QPixmap::fromImage(picture);
    auto* label = Named(new QLabel, name);
    label->setPixmap(banner);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Wider than the page when the window is narrowed: cut off rather than widen the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setFixedHeight(banner.isNull() ? 60 : banner.height());
    // Past the picture's right edge the label shows the colour the gradient ends in.
    QPalette p = label->palette();
    p.setColor(QPalette::Window, kBannerEndColour);
    label->setPalette(p);
    label->setAutoFillBackground(true);
    return label;
}

QTableView* TForm1::BuildParamView(dtu::ParamTable& model, const QString& name) {
    auto* view = Named(new QTableView, name);
    view->setModel(&model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    // Values are changed through the in-place editors of the window, never by the view.
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setAlternatingRowColors(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < dtu::FieldCount; ++c) {
        const int width = dtu::ColumnWidth(c, model.IsInterface());
        if (width > 0)
            view->setColumnWidth(c, width);
        else
            view->setColumnHidden(c, true);
    }
    view->setAccessibleName(name);
    return view;
}

void TForm1::MakeFixedChoice(QComboBox* box) {
    box->setEditable(false);
    box->installEventFilter(this);
}

void TForm1::SetComboText(QComboBox* box, const QString& text) {
    if (!box) return;
    int at = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0) {
        const int oldExtra = box->findData(true, kExtraItemRole);
        if (oldExtra >= 0) box->removeItem(oldExtra);
        box->addItem(text);
        at = box->count() - 1;
        box->setItemData(at, true, kExtraItemRole);
    }
    box->setCurrentIndex(at);
}

QWidget* TForm1::BuildPage1() {
    TabSheet1 = Named(new QWidget, QStringLiteral("TabSheet1"));
    QVBoxLayout* page = PageLayout(TabSheet1);
    Image1 = BuildBanner(QStringLiteral("Image1"));
    page->addWidget(Image1);

    ListView1 = BuildParamView(mainTable_, QStringLiteral("ListView1"));
    page->addWidget(ListView1, 1);
    // In-place editors, placed over the value cell of the selected row when a row is edited.
    QWidget* cells = ListView1->viewport();
    GEdit = Named(new QLineEdit(cells), QStringLiteral("GEdit"));
    GEdit->setAccessibleName(QStringLiteral("GEdit"));
    GEdit->hide();
    GComboBox = Named(new QComboBox(cells), QStringLiteral("GComboBox"));
    GComboBox->hide();
    Label2 = Named(new QLabel(QStringLiteral("参数值"), cells), QStringLiteral("Label2"));
    Label2->hide();

    // Below the table: the link groups stacked on the left (the TCP group only when shown),
    // the read/write panel on the right; the page stays 756 px wide with both groups shown.
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    page->addLayout(row);
    auto* links = new QVBoxLayout;
    links->setSpacing(4);
    row->addLayout(links);

    GroupBox2 = Named(new QGroupBox(QStringLiteral("串口设置")), QStringLiteral("GroupBox2"));
    auto* serial = new QHBoxLayout(GroupBox2);
    serial->setContentsMargins(6, 4, 6, 6);
    // The port name: any typed name stays exactly as typed (no completion, no case matching
    // against the listed ports); the list offers the ports found on this computer.
    Edit1 = Named(new QComboBox, QStringLiteral("Edit1"));
    Edit1->setEditable(true);
    Edit1->setInsertPolicy(QComboBox::NoInsert);
    Edit1->setDuplicatesEnabled(true);
    Edit1->setCompleter(nullptr);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        Edit1->addItem(info.portName());
    Edit1->setCurrentIndex(-1);
    Edit1->setEditText(QStringLiteral("COM1"));
    Edit1->setMinimumWidth(110);
    Edit1->setAccessibleName(QStringLiteral("Edit1"));
    serial->addWidget(Edit1);
    ComboBox1 = ChoiceBox(QStringLiteral("ComboBox1"),
                          {QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"),
                           QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                           QStringLiteral("14400"), QStringLiteral("19200"), QStringLiteral("28800"),
                           QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200"),
                           QStringLiteral("230400"), QStringLiteral("460800"), QStringLiteral("921600")},
                          QStringLiteral("57600"), GroupBox2);
    MakeFixedChoice(ComboBox1);
    serial->addWidget(ComboBox1);
    ComboBox6 = ChoiceBox(QStringLiteral("ComboBox6"),
                          {QStringLiteral("8N1"), QStringLiteral("8E1"), QStringLiteral("8O1"),
                           QStringLiteral("7N1"), QStringLiteral("7E1"), QStringLiteral("7O1"),
                           QStringLiteral("8N2"), QStringLiteral("8E2"), QStringLiteral("8O2"),
                           QStringLiteral("7N2"), QStringLiteral("7E2"), QStringLiteral("7O2")},
                          QStringLiteral("8N1"), GroupBox2);
    MakeFixedChoice(ComboBox6);
    serial->addWidget(ComboBox6);
    Button3 = Button(QStringLiteral("Button3"), QStringLiteral("打开串口"), GroupBox2);
    serial->addWidget(Button3);
    links->addWidget(GroupBox2);

    GroupBox16 = Named(new QGroupBox(QStringLiteral("TCP连接设置")), QStringLiteral("GroupBox16"));
    auto* tcp = new QHBoxLayout(GroupBox16);
    tcp->setContentsMargins(6, 4, 6, 6);
    Edit8 = Named(new QLineEdit(QStringLiteral("192.168.1.100"), GroupBox16), QStringLiteral("Edit8"));
    Edit8->setAccessibleName(QStringLiteral("Edit8"));
    Edit8->setMinimumWidth(120);
    tcp->addWidget(Edit8);
    Button15 = Button(QStringLiteral("Button15"), QStringLiteral("连接"), GroupBox16);
    tcp->addWidget(Button15);
    Button18 = Button(QStringLiteral("Button18"), QStringLiteral("断开"), GroupBox16);
    tcp->addWidget(Button18);
    Label10 = Named(new QLabel(GroupBox16), QStringLiteral("Label10"));
    tcp->addWidget(Label10);
    GroupBox16->hide();
    links->addWidget(GroupBox16);
    row->addStretch(1);

    Panel2 = Named(new QFrame, QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(Panel2);
    buttons->setContentsMargins(8, 8, 8, 8);
    btRead = Button(QStringLiteral("btRead"), QStringLiteral("读取"), Panel2);
    btRead->setToolTip(QStringLiteral("读取全部参数"));
    buttons->addWidget(btRead);
    btWrite = Button(QStringLiteral("btWrite"), QStringLiteral("设置"), Panel2);
    btWrite->setToolTip(QStringLiteral("设置当前选中参数"));
    buttons->addWidget(btWrite);
    row->addWidget(Panel2, 0, Qt::AlignBottom);
    return TabSheet1;
}

QWidget* TForm1::BuildPage2() {
    TabSheet2 = Named(new QWidget, QStringLiteral("TabSheet2"));
    QVBoxLayout* page = PageLayout(TabSheet2);
    Image2 = BuildBanner(QStringLiteral("Image2"));
    page->addWidget(Image2);

    GroupBox3 = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox3"));
    auto* shown = new QVBoxLayout(GroupBox3);
    Memo2 = TextBox(QStringLiteral("Memo2"), true, GroupBox3);
    shown->addWidget(Memo2);
    page->addWidget(GroupBox3, 3);

    GroupBox1 = Named(new QGroupBox(QStringLiteral("文字输入窗口")), QStringLiteral("GroupBox1"));
    auto* input = new QVBoxLayout(GroupBox1);
    Memo3 = TextBox(QStringLiteral("Memo3"), false, GroupBox1);
    input->addWidget(Memo3, 1);
    auto* controls = new QHBoxLayout;
    Label1 = Named(new QLabel(QStringLiteral("重复发送次数       "), GroupBox1), QStringLiteral("Label1"));
    controls->addWidget(Label1);
    ComboBox2 = ChoiceBox(QStringLiteral("ComboBox2"),
                          {QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("50"),
                           QStringLiteral("100"), QStringLiteral("1000"), QStringLiteral("10000")},
                          QStringLiteral("1"), GroupBox1);
    MakeFixedChoice(ComboBox2);
    controls->addWidget(ComboBox2);
    controls->addSpacing(12);
    Button8 = Button(QStringLiteral("Button8"), QStringLiteral("发送数据"), GroupBox1);
    controls->addWidget(Button8);
    controls->addSpacing(12);
    CheckBox2 =
        Named(new QCheckBox(QStringLiteral(" 显示十六进制值     "), GroupBox1), QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(false);
    controls->addWidget(CheckBox2);
    controls->addStretch(1);
    Button7 = Button(QStringLiteral("Button7"), QStringLiteral("统计清零"), GroupBox1);
    controls->addWidget(Button7);
    input->addLayout(controls);
    page->addWidget(GroupBox1, 2);

    StatusBar2 = Named(new QStatusBar, QStringLiteral("StatusBar2"));
    StatusBar2->setSizeGripEnabled(false);
    StatusBar2Panel0 = Named(new QLabel, QStringLiteral("StatusBar2Panel0"));
    StatusBar2Panel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar2->addWidget(StatusBar2Panel0, 1);
    page->addWidget(StatusBar2);
    return TabSheet2;
}

QWidget* TForm1::BuildPage3() {
    TabSheet3 = Named(new QWidget, QStringLiteral("TabSheet3"));
    QVBoxLayout* page = PageLayout(TabSheet3);
    Image3 = BuildBanner(QStringLiteral("Image3"));
    page->addWidget(Image3);

    GroupBox4 = Named(new QGroupBox(QStringLiteral("DTU状态访问")), QStringLiteral("GroupBox4"));
    auto* buttons = new QHBoxLayout(GroupBox4);
    Button9 = Button(QStringLiteral("Button9"), QStringLiteral("读DTU状态"), GroupBox4);
    Button9->setEnabled(false);
    Button6 = Button(QStringLiteral("Button6"), QStringLiteral("读取信号强度"), GroupBox4);
    Button14 = Button(QStringLiteral("Button14"), QStringLiteral("查询DTU版本号"), GroupBox4);
    Button19 = Button(QStringLiteral("Button19"), QStringLiteral("读取设备时钟"), GroupBox4);
    Button20 = Button(QStringLiteral("Button20"), QStringLiteral("设置设备时钟"), GroupBox4);
    for (QPushButton* b : {Button9, Button6, Button14, Button19, Button20})
        buttons->addWidget(b);
    buttons->addStretch(1);
    page->addWidget(GroupBox4);

    GroupBox5 = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox5"));
    auto* shown = new QVBoxLayout(GroupBox5);
    Memo4 = TextBox(QStringLiteral("Memo4"), true, GroupBox5);
    shown->addWidget(Memo4);
    page->addWidget(GroupBox5, 1);
    return TabSheet3;
}

QWidget* TForm1::BuildPage4() {
    TabSheet4 = Named(new QWidget, QStringLiteral("TabSheet4"));
    QVBoxLayout* page = PageLayout(TabSheet4);
    Image4 = BuildBanner(QStringLiteral("Image4"));
    page->addWidget(Image4);
    ListView2 = BuildParamView(interfaceTable_, QStringLiteral("ListView2"));
    page->addWidget(ListView2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button16 = Button(QStringLiteral("Button16"), QStringLiteral("读取"), TabSheet4);
    buttons->addWidget(Button16);
    Button17 = Button(QStringLiteral("Button17"), QStringLiteral("设置"), TabSheet4);
    buttons->addWidget(Button17);
    page->addLayout(buttons);
    return TabSheet4;
}

QWidget* TForm1::BuildLogPane() {
    auto* pane = new QWidget;
    auto* l = new QVBoxLayout(pane);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    // The access-code box: hidden until Ctrl+A in the log box.
    MaskEdit3 = Named(new QLineEdit(pane), QStringLiteral("MaskEdit3"));
    MaskEdit3->setEchoMode(QLineEdit::Password);
    MaskEdit3->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    MaskEdit3->setAccessibleName(QStringLiteral("MaskEdit3"));
    MaskEdit3->hide();
    connect(MaskEdit3, &QLineEdit::returnPressed, this, &TForm1::AccessCodeEntered);
    l->addWidget(MaskEdit3);
    Memo1 = TextBox(QStringLiteral("Memo1"), true, pane);
    Memo1->setFocusPolicy(Qt::StrongFocus);
    Memo1->setMinimumHeight(40);
    Memo1->installEventFilter(this);
    l->addWidget(Memo1, 1);
    return pane;
}

void TForm1::BuildStatusBar() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    const QString texts[4] = {QStringLiteral("串口状态"), QStringLiteral("串口未打开"),
                              QStringLiteral("操作结果"), QString()};
    const int widths[4] = {80, 300, 100, 100};
    for (int i = 0; i < 4; ++i) {
        auto* panel = Named(new QLabel(texts[i]), QStringLiteral("StatusBar1Panel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The last panel, the operation result, takes the rest of the bar.
        if (i < 3)
            panel->setFixedWidth(widths[i]);
        else
            panel->setMinimumWidth(widths[i]);
        StatusBar1->addWidget(panel, i < 3 ? 0 : 1);
        StatusBar1Panel[i] = panel;
    }
}

// ---------------------------------------------------------------------------------------------
// Behaviour

void TForm1::SetInterfacePageVisible(bool visible) {
    state_.InterfacePagePresent = visible;
    PageControl1->setTabVisible(3, visible);
}

void TForm1::SetPortColours(bool open) {
    const QColor colour = open ? kPortOpenColour : kPortClosedColour;
    for (QWidget* w : {static_cast<QWidget*>(GroupBox2), static_cast<QWidget*>(Panel2)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, colour);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
}

bool TForm1::Guarded(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const dtu::OperationError& e) {
        prompter_->Message(e.Text());
    } catch (const std::exception& e) {
        prompter_->Message(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QMainWindow::event(e);
}

void TForm1::FormActivate() {
    // A reply wait runs the event loop and holds Timer1 stopped until it ends; switching
    // windows during the wait must not start it early.
    if (exchange_.WaitDepth() == 0) Timer1->start();
    Button9->setEnabled(false);
    ListView1->setFont(UiFont());
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (LinkEventFilter(watched, e)) return true;
    if (ParamsEventFilter(watched, e)) return true;
    const QEvent::Type type = e->type();
    if (watched == Memo1 && type == QEvent::KeyPress) {
        // Ctrl+A opens the access-code box instead of selecting the whole log.
        const auto* k = static_cast<QKeyEvent*>(e);
        const bool ctrlA = k->text() == QString(QChar(1)) ||
                           (k->key() == Qt::Key_A && (k->modifiers() & Qt::ControlModifier) &&
                            !(k->modifiers() & (Qt::AltModifier | Qt::MetaModifier)));
        if (ctrlA) {
            ShowAccessCodeBox();
            return true;
        }
    }
    if (watched == ComboBox1 || watched == ComboBox6 || watched == ComboBox2) {
        // Fixed-choice boxes change only by a choice from their list (or by the program):
        // typed keys, arrows and the wheel are discarded.
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease)
            return !KeyStillAllowed(static_cast<QKeyEvent*>(e));
        if (type == QEvent::Wheel) return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TForm1::ShowAccessCodeBox() {
    MaskEdit3->show();
    MaskEdit3->setFocus(Qt::ShortcutFocusReason);
}

void TForm1::AccessCodeEntered() {
    const int level = dtu::ApplyAccessCode(state_, MaskEdit3->text());
    MaskEdit3->clear();
    if (level < 0) {
        MaskEdit3->setFocus(Qt::OtherFocusReason);
        return;
    }
    MaskEdit3->hide();
    Memo1->setFocus(Qt::OtherFocusReason);
}

void TForm1::closeEvent(QCloseEvent* e) {
    // Ends a reply wait that is running at its next poll.
    state_.CancelRequested = true;
    e->accept();
}

void TForm1::AskWriteChanged() {
    if (state_.ChangedParamList.isEmpty()) return;
    if (prompter_->Confirm(QStringLiteral("参数设置"), QStringLiteral("您修改了参数，请问需要写入吗？")))
        WriteChanged();
}

void TForm1::SelectFirstRow(QTableView* view, dtu::ParamTable& model) {
    if (model.Count() == 0) return;
    view->selectionModel()->setCurrentIndex(model.index(0, dtu::FieldName),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollToTop();
}

void TForm1::PageChanged(int index) {
    Guarded([&] {
        if (index < 0 || index > 3) return;
        AskWriteChanged();
        if (index == 0 || index == 3) {
            state_.ChangedParamList.clear();
            mainTable_.RefreshColours();
            interfaceTable_.RefreshColours();
        }
        if (index == 3) SelectFirstRow(ListView2, interfaceTable_);
        if (index == 0) SelectFirstRow(ListView1, mainTable_);
        const auto kind = index == 3 ? dtu::PageKind::Interface : index == 0 ? dtu::PageKind::MainParams : dtu::PageKind::Other;
        SelectParamChannel(dtu::PageChannel(state_, kind));
    });
}

void TForm1::Timer3Timer() {
    Guarded([this] { RestoreLastConfiguration(); });
}

// WriteChanged and Timer2Timer: form_params.cpp. SelectParamChannel, RestoreLastConfiguration and
// SerialOpened: form_device.cpp.

#include "app/window/tform1.h"

#include "app/window/comm_page.h"
#include "app/window/control_page.h"
#include "app/window/editoraccess.h"
#include "app/window/interface_page.h"
#include "app/window/param_pages.h"
#include "app/window/profile_actions.h"
#include "app/window/prompter.h"
#include "app/window/transparent_page.h"
#include "app/window/widgetkit.h"
#include "params/hookoperation.h"
#include "protocol/commands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
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

using kit::Named;

TForm1::TForm1(dtu::IPrompter* prompter, QWidget* parent)
    : QMainWindow(parent), ownPrompter_(prompter ? nullptr : std::make_unique<dtu::MessageBoxPrompter>(this)),
      prompter_(prompter ? prompter : ownPrompter_.get()),
      session_(status_, *this, this) {
    Timer1 = new QTimer(this); // the receive display's timer, held by every reply wait
    InitGuiResources();
    dtu::InstallListAccessibility(); // before the lists exist: they get their accessible table from it
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("参数配置程序"));
    setFont(UiFont());
    Timer2 = new QTimer(this);
    Timer3 = new QTimer(this);

    BuildMenu();
    params_ = new ParamPages(*this);
    comm_ = new CommPage(*this);
    transparent_ = new TransparentPage(*this);
    control_ = new ControlPage(*this);
    interface_ = new InterfacePage(*this);
    PageControl1 = Named(new QTabWidget, QStringLiteral("PageControl1"));
    PageControl1->addTab(comm_->Widget(), QStringLiteral("   通信参数设置   "));
    PageControl1->addTab(transparent_->Widget(), QStringLiteral("  透明传输测试  "));
    PageControl1->addTab(control_->Widget(), QStringLiteral("控制模式测试"));
    PageControl1->addTab(interface_->Widget(), QStringLiteral("   接口参数设置   "));
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
    connect(N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    params_->Wire();
    profile_ = new ProfileActions(*this);
    // Bytes that arrive outside an exchange go to the transparent-test page.
    session_.UseDataChannel();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    // A missing or unreadable device script is reported; the tool still starts (every
    // exchange then fails with the engine's error text).
    QString error;
    if (!Script().LoadFile(QStringLiteral("script.js"), &error)) prompter_->Message(error);
    State().AccessCodeAccepted = false;
    Timer2->start();
    Timer3->start();
}

QFont TForm1::UiFont() { return kit::UiFont(); }

QString TForm1::BannerPath() { return kit::BannerPath(); }

void TForm1::SetComboText(QComboBox* box, const QString& text) { kit::SetComboText(box, text); }

// ---------------------------------------------------------------------------------------------
// The frame

void TForm1::BuildMenu() {
    QMenuBar* bar = menuBar();
    N1 = Named(bar->addAction(QStringLiteral("恢复出厂默认设置")), QStringLiteral("N1"));
    N6 = Named(bar->addAction(QStringLiteral("复位设备")), QStringLiteral("N6"));
    N2 = Named(bar->addMenu(QStringLiteral("文件操作")), QStringLiteral("N2"));
    N2->setAttribute(Qt::WA_WindowPropagation); // the pop-up takes the window's font
    N5 = Named(N2->addAction(QStringLiteral("调入参数文件")), QStringLiteral("N5"));
    N7 = Named(N2->addAction(QStringLiteral("批量写参数")), QStringLiteral("N7"));
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
    auto* log = new kit::TextBox(QStringLiteral("Memo1"), true, pane);
    log->setFocusPolicy(Qt::StrongFocus);
    log->setMinimumHeight(40);
    // Ctrl+A opens the access-code box instead of selecting the whole log.
    log->CatchCtrlA();
    connect(log, &kit::TextBox::CtrlA, this, [this] {
        MaskEdit3->show();
        MaskEdit3->setFocus(Qt::ShortcutFocusReason);
    });
    Memo1 = log;
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

void TForm1::SetInterfacePageVisible(bool visible) {
    State().InterfacePagePresent = visible;
    PageControl1->setTabVisible(3, visible);
}

void TForm1::SetPortColours(bool open) { comm_->SetPortColours(open); }

bool TForm1::Guarded(const std::function<void()>& work) {
    // Clicked while a signal poll waits: runs right after the poll.
    if (signalPoll_.Defer([this, work] { Guarded(work); })) return true;
    const dtu::SignalPoll::ActionScope running(signalPoll_);
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
    if (Exchange().WaitDepth() == 0) Timer1->start();
    Button9->setEnabled(false);
    ListView1->setFont(UiFont());
}

void TForm1::AccessCodeEntered() {
    const int level = dtu::ApplyAccessCode(State(), MaskEdit3->text());
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
    State().CancelRequested = true;
    control_->StopSignalPoll();
    e->accept();
}

void TForm1::AskWriteChanged() {
    if (State().ChangedParamList.isEmpty()) return;
    if (prompter_->Confirm(QStringLiteral("参数设置"), QStringLiteral("您修改了参数，请问需要写入吗？")))
        WriteChanged();
}

void TForm1::PageChanged(int index) {
    Guarded([this, index] {
        if (index < 0 || index > 3) return;
        AskWriteChanged();
        if (index == 0 || index == 3) params_->ForgetChanges();
        if (index == 3) params_->SelectFirstRow(ListView2, InterfaceTable());
        if (index == 0) params_->SelectFirstRow(ListView1, MainTable());
        const auto kind = index == 3   ? dtu::PageKind::Interface
                          : index == 0 ? dtu::PageKind::MainParams
                                       : dtu::PageKind::Other;
        SelectParamChannel(dtu::PageChannel(State(), kind));
    });
}

void TForm1::WriteChanged() { params_->WriteChangedRows(); }

void TForm1::LoadRememberedSettings() { profile_->LoadRememberedSettings(); }

void TForm1::Timer1Timer() { transparent_->ShowReceived(); }

void TForm1::Timer2Timer() { params_->Editor().TrackEditors(); }

void TForm1::Timer3Timer() {
    Guarded([this] {
        const dtu::HookOperation hooks(Script(), &status_);
        Config().RestoreLastConfiguration();
    });
}

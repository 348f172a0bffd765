#include "app/window/mainwindow.h"

#include "app/window/comm_page.h"
#include "app/window/control_page.h"
#include "app/window/devicecommands.h"
#include "app/window/editoraccess.h"
#include "app/window/filemenu.h"
#include "app/window/interface_page.h"
#include "app/window/logpane.h"
#include "app/window/param_pages.h"
#include "app/window/progresspanel.h"
#include "app/window/prompter.h"
#include "app/window/transparent_page.h"
#include "app/window/widgetkit.h"
#include "params/hookoperation.h"
#include "protocol/commands.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

// The resources live in the static GUI library; this pulls them in (must be outside a namespace).
static void InitGuiResources() {
    Q_INIT_RESOURCE(resources);
}

MainWindow::MainWindow(dtu::IPrompter* prompter, QWidget* parent)
    : QMainWindow(parent), ownPrompter_(prompter ? nullptr : std::make_unique<dtu::MessageBoxPrompter>(this)),
      prompter_(prompter ? prompter : ownPrompter_.get()), receiveTimer_(new QTimer(this)),
      session_(status_, view_, &receiveHold_) {
    InitGuiResources();
    dtu::InstallListAccessibility(); // before the lists exist: they get their accessible table from it
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("参数配置程序"));
    setFont(kit::UiFont());

    QAction* defaults = kit::Named(menuBar()->addAction(QStringLiteral("恢复出厂默认设置")), QStringLiteral("N1"));
    QAction* reset = kit::Named(menuBar()->addAction(QStringLiteral("复位设备")), QStringLiteral("N6"));
    connect(defaults, &QAction::triggered, this, &MainWindow::RestoreFactoryDefaults);
    connect(reset, &QAction::triggered, this, &MainWindow::ResetDevice);
    fileMenu_ = new FileMenu(*this, menuBar());
    comm_ = new CommPage(*this, this);
    transparent_ = new TransparentPage(*this, this);
    control_ = new ControlPage(*this, this);
    interface_ = new InterfacePage(*this, this);
    pages_ = kit::Named(new QTabWidget, QStringLiteral("PageControl1"));
    pages_->addTab(comm_->Widget(), QStringLiteral("   通信参数设置   "));
    pages_->addTab(transparent_->Widget(), QStringLiteral("  透明传输测试  "));
    pages_->addTab(control_->Widget(), QStringLiteral("控制模式测试"));
    pages_->addTab(interface_->Widget(), QStringLiteral("   接口参数设置   "));
    pages_->setTabVisible(3, false);
    pages_->setCurrentIndex(0);
    view_.Attach(State(), this, pages_, comm_, control_);

    log_ = new LogPane(State());
    setCentralWidget(kit::VerticalSplit(QStringLiteral("Splitter1"), pages_, log_, {600, 100}, this));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    panels_ = kit::StatusPanels(statusBar(), QStringLiteral("StatusBar1Panel"),
                                {QStringLiteral("串口状态"), QStringLiteral("串口未打开"),
                                 QStringLiteral("操作结果"), QString()},
                                {80, 300, 100, 100});
    status_.Attach(panels_[3], log_->Box(), control_->DialogBox(), transparent_->DialogBox());
    comm_->SetPortColours(false);

    AddTimer(receiveTimer_, QStringLiteral("Timer1"), 100, &MainWindow::ShowReceived);
    QTimer* tick = AddTimer(new QTimer(this), QStringLiteral("Timer2"), 10, &MainWindow::TrackEditors);
    QTimer* reload =
        AddTimer(new QTimer(this), QStringLiteral("Timer3"), 100, &MainWindow::ReloadLastConfiguration);
    reload->setSingleShot(true);

    resize(756, 768);
    kit::CentreOnScreen(this);

    params_ = new ParamPages(*this, comm_->List(), interface_->List(), new ProgressPanel(this), this);
    Connect();
    // Bytes that arrive outside an exchange go to the transparent-test page.
    session_.UseDataChannel();
    // A missing or unreadable device script is reported; the tool still starts (every
    // exchange then fails with the engine's error text).
    QString error;
    if (!session_.Script().LoadFile(QStringLiteral("script.js"), &error)) prompter_->Message(error);
    State().AccessCodeAccepted = false;
    tick->start();
    reload->start();
}

MainWindow::~MainWindow() = default;

QTimer* MainWindow::AddTimer(QTimer* t, const QString& name, int ms, void (MainWindow::*tick)()) {
    t->setObjectName(name);
    t->setInterval(ms);
    connect(t, &QTimer::timeout, this, tick);
    return t;
}

// What one part does for another.
void MainWindow::Connect() {
    connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::PageChanged);
    connect(comm_, &CommPage::PortStatus, panels_[1], &QLabel::setText);
    connect(comm_, &CommPage::ReadRequested, params_, &ParamPages::ReadAllTables);
    connect(comm_, &CommPage::WriteRequested, params_, &ParamPages::WriteClicked);
    connect(interface_, &InterfacePage::ReadRequested, params_, &ParamPages::ReadInterfaceTable);
    connect(interface_, &InterfacePage::WriteRequested, params_, &ParamPages::WriteClicked);
    connect(transparent_, &TransparentPage::PortFailed, comm_, &CommPage::SerialPortLost);
    connect(fileMenu_, &FileMenu::BatchWriteRequested, params_, &ParamPages::BatchWrite);
    connect(fileMenu_, &FileMenu::ComparingTables, params_, &ParamPages::HideEditors);
    connect(fileMenu_, &FileMenu::VerifyAfterWriteChanged, params_, &ParamPages::SetVerifyAfterWrite);
    connect(fileMenu_, &FileMenu::ReconnectChanged, comm_, &CommPage::SetReconnect);
    fileMenu_->KeepLog(QStringLiteral("日志"), log_->Box());
    fileMenu_->KeepLog(QStringLiteral("控制模式测试"), control_->DialogBox());
    fileMenu_->KeepLog(QStringLiteral("透明传输测试"), transparent_->DialogBox());
}

void MainWindow::LoadRememberedSettings() { fileMenu_->LoadRememberedSettings(); }

bool MainWindow::Guarded(const std::function<void()>& work) {
    // Clicked while a signal poll waits: runs right after the poll.
    if (signalPoll_.Defer([this, work] { Guarded(work); })) return true;
    const dtu::SignalPoll::ActionScope running(signalPoll_);
    const dtu::Session::ChangeScope change(session_); // what one action changes is one operation in the journal
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

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        // A reply wait runs the event loop and holds Timer1 stopped until it ends; switching
        // windows during the wait must not start it early.
        if (session_.Exchanger().WaitDepth() == 0) receiveTimer_->start();
        control_->Activated();
        comm_->Activated();
    }
    return QMainWindow::event(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // Ends a reply wait that is running at its next poll.
    State().CancelRequested = true;
    control_->StopSignalPoll();
    e->accept();
}

void MainWindow::PageChanged(int index) {
    Guarded([this, index] {
        if (index < 0 || index > 3) return;
        if (!State().ChangedParamList.isEmpty() &&
            prompter_->Confirm(QStringLiteral("参数设置"), QStringLiteral("您修改了参数，请问需要写入吗？")))
            WriteChanged();
        params_->PageShown(index);
    });
}

void MainWindow::WriteChanged() { params_->WriteChangedRows(); }

void MainWindow::SelectParamChannel(int channel) {
    // Either link carries the selection to the device.
    dtu::SelectParamChannel(session_.Exchanger(), channel, session_.Exchanger().Channel().IsOpen());
}

void MainWindow::RestoreFactoryDefaults() {
    Guarded([this] { devicecommands::Confirmed(*this, QStringLiteral("真的要恢复出厂默认设置吗？"), &dtu::Session::FactoryDefaults); });
}

void MainWindow::ResetDevice() {
    Guarded([this] { devicecommands::Confirmed(*this, QStringLiteral("真的要复位设备吗？"), &dtu::Session::Reset); });
}

void MainWindow::ShowReceived() { transparent_->ShowReceived(); }

void MainWindow::TrackEditors() { params_->Editor().TrackEditors(); }

void MainWindow::ReloadLastConfiguration() {
    Guarded([this] {
        const dtu::HookOperation hooks(session_.Script(), &status_);
        session_.Config().RestoreLastConfiguration();
    });
}

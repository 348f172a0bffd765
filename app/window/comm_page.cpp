#include "app/window/comm_page.h"

#include "app/window/pagehost.h"
#include "app/window/portbox.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"
#include "session/session.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using kit::Named;

namespace {

const QColor kPortClosedColour(172, 196, 213);
const QColor kPortOpenColour(180, 220, 240);
constexpr int kReconnectIntervalMs = 1000;

// Whether a serial port of that name is there (a device path, or a name the system lists).
bool PortPresent(const QString& name) {
    if (name.isEmpty()) return false;
    if (QFileInfo::exists(name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name))
        return true;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName() == name || info.systemLocation() == name) return true;
    return false;
}

} // namespace

CommPage::CommPage(PageHost& host, QObject* parent) : QObject(parent), host_(host) {
    Build();
    Wire();
}

void CommPage::Build() {
    page_ = Named(new QWidget, QStringLiteral("TabSheet1"));
    QVBoxLayout* page = kit::PageLayout(page_);
    page->addWidget(kit::Banner(QStringLiteral("Image1")));

    list_ = kit::ParamView(host_.Session().MainTable(), QStringLiteral("ListView1"));
    page->addWidget(list_, 1);

    // Below the table: the link groups stacked on the left (the TCP group only when shown),
    // the read/write panel on the right; the page stays 756 px wide with both groups shown.
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    page->addLayout(row);
    auto* links = new QVBoxLayout;
    links->setSpacing(4);
    row->addLayout(links);
    links->addWidget(BuildSerialGroup());
    links->addWidget(BuildTcpGroup());
    row->addStretch(1);

    panel_ = Named(new QFrame, QStringLiteral("Panel2"));
    panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(panel_);
    buttons->setContentsMargins(8, 8, 8, 8);
    // Left of 读取/设置: "只显示已修改项".
    buttons->addWidget(kit::ChangedOnlyBox(QStringLiteral("ChangedOnly1"), list_, host_.Session().MainTable(),
                                           host_.Session().State()));
    read_ = kit::Button(QStringLiteral("btRead"), QStringLiteral("读取"), panel_);
    read_->setToolTip(QStringLiteral("读取全部参数"));
    buttons->addWidget(read_);
    write_ = kit::Button(QStringLiteral("btWrite"), QStringLiteral("设置"), panel_);
    write_->setToolTip(QStringLiteral("设置当前选中参数"));
    buttons->addWidget(write_);
    row->addWidget(panel_, 0, Qt::AlignBottom);
}

QWidget* CommPage::BuildSerialGroup() {
    serialGroup_ = Named(new QGroupBox(QStringLiteral("串口设置")), QStringLiteral("GroupBox2"));
    auto* serial = new QHBoxLayout(serialGroup_);
    serial->setContentsMargins(6, 4, 6, 6);
    // The port name: any typed name stays exactly as typed (no completion, no case matching
    // against the listed ports); the list offers the ports found on this computer.
    auto* ports = Named(new dtu::PortBox, QStringLiteral("Edit1"));
    port_ = ports;
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->setDuplicatesEnabled(true);
    port_->setCompleter(nullptr);
    ports->Refresh();
    port_->setCurrentIndex(-1);
    port_->setEditText(QStringLiteral("COM1"));
    port_->setMinimumWidth(110);
    port_->setAccessibleName(QStringLiteral("Edit1"));
    serial->addWidget(port_);
    baud_ = new kit::FixedChoiceBox(
        QStringLiteral("ComboBox1"),
        {QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"), QStringLiteral("2400"),
         QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
         QStringLiteral("28800"), QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200"),
         QStringLiteral("230400"), QStringLiteral("460800"), QStringLiteral("921600")},
        QStringLiteral("57600"), serialGroup_);
    serial->addWidget(baud_);
    format_ = new kit::FixedChoiceBox(QStringLiteral("ComboBox6"),
                                      {QStringLiteral("8N1"), QStringLiteral("8E1"), QStringLiteral("8O1"),
                                       QStringLiteral("7N1"), QStringLiteral("7E1"), QStringLiteral("7O1"),
                                       QStringLiteral("8N2"), QStringLiteral("8E2"), QStringLiteral("8O2"),
                                       QStringLiteral("7N2"), QStringLiteral("7E2"), QStringLiteral("7O2")},
                                      QStringLiteral("8N1"), serialGroup_);
    serial->addWidget(format_);
    portButton_ = kit::Button(QStringLiteral("Button3"), QStringLiteral("打开串口"), serialGroup_);
    serial->addWidget(portButton_);
    return serialGroup_;
}

QWidget* CommPage::BuildTcpGroup() {
    tcpGroup_ = Named(new QGroupBox(QStringLiteral("TCP连接设置")), QStringLiteral("GroupBox16"));
    auto* tcp = new QHBoxLayout(tcpGroup_);
    tcp->setContentsMargins(6, 4, 6, 6);
    tcpAddress_ = Named(new QLineEdit(QStringLiteral("192.168.1.100"), tcpGroup_), QStringLiteral("Edit8"));
    tcpAddress_->setAccessibleName(QStringLiteral("Edit8"));
    tcpAddress_->setMinimumWidth(120);
    tcp->addWidget(tcpAddress_);
    connect_ = kit::Button(QStringLiteral("Button15"), QStringLiteral("连接"), tcpGroup_);
    tcp->addWidget(connect_);
    disconnect_ = kit::Button(QStringLiteral("Button18"), QStringLiteral("断开"), tcpGroup_);
    tcp->addWidget(disconnect_);
    tcpState_ = Named(new QLabel(tcpGroup_), QStringLiteral("Label10"));
    tcp->addWidget(tcpState_);
    tcpGroup_->hide();
    return tcpGroup_;
}

void CommPage::Wire() {
    connect(portButton_, &QPushButton::clicked, this, &CommPage::PortButtonClicked);
    for (QComboBox* box : {baud_, format_}) {
        NoteChoice(box);
        connect(box, &QComboBox::activated, this, [this, box](int index) { ChoiceMade(box, index); });
    }
    connect(connect_, &QPushButton::clicked, this, &CommPage::ConnectTcp);
    connect(disconnect_, &QPushButton::clicked, this, &CommPage::DisconnectTcp);
    connect(read_, &QPushButton::clicked, this, &CommPage::ReadRequested);
    connect(write_, &QPushButton::clicked, this, &CommPage::WriteRequested);
    connect(&host_.Session().Tcp(), &dtu::TcpLink::StateText, tcpState_, &QLabel::setText);
    // The device went away under an open port and nobody was reading it.
    connect(&host_.Session().Serial(), &dtu::SerialLink::Lost, this, &CommPage::SerialPortLost);
    reconnectTimer_ = new QTimer(this);
    reconnectTimer_->setObjectName(QStringLiteral("ReconnectTimer"));
    reconnectTimer_->setInterval(kReconnectIntervalMs);
    connect(reconnectTimer_, &QTimer::timeout, this, &CommPage::ReconnectTick);
}

void CommPage::SetPortColours(bool open) {
    const QColor colour = open ? kPortOpenColour : kPortClosedColour;
    for (QWidget* w : {static_cast<QWidget*>(serialGroup_), static_cast<QWidget*>(panel_)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, colour);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
}

void CommPage::SetPortName(const QString& text) {
    port_->setEditText(text);
}

void CommPage::SetBaudText(const QString& text) {
    kit::SetComboText(baud_, text);
    NoteChoice(baud_);
}

void CommPage::SetFormatText(const QString& text) {
    kit::SetComboText(format_, text);
    NoteChoice(format_);
}

void CommPage::ShowTcpGroup(bool shown, const QString& address) {
    tcpGroup_->setVisible(shown);
    tcpAddress_->setText(address);
}

void CommPage::Activated() {
    list_->setFont(kit::UiFont());
}

void CommPage::NoteChoice(QComboBox* box) { lastChoice_[box] = box->currentIndex(); }

void CommPage::ChoiceMade(QComboBox* box, int index) {
    // Only a new entry acts like the port button; picking the entry already shown does not.
    if (lastChoice_[box] == index) return;
    lastChoice_[box] = index;
    PortButtonClicked();
}

void CommPage::ShowPortClosed() {
    portButton_->setText(QStringLiteral("打开串口"));
    emit PortStatus(QStringLiteral("串口未打开"));
    SetPortColours(false);
}

void CommPage::PortButtonClicked() {
    EndReconnect(); // a click ends the search for a lost port, then does what it always does
    TogglePort();
}

void CommPage::EndReconnect() {
    reconnectTimer_->stop();
    lostPort_.clear(); // PortOpened sets it again
}

void CommPage::TogglePort() {
    host_.Guarded([this] {
        dtu::AppState& state = host_.Session().State();
        dtu::SerialLink& serial = host_.Session().Serial();
        state.EngineeringLevel = 1;
        const bool closing = serial.IsOpen();
        if (!dtu::PortButtonSelects(state, closing)) {
            serial.Close();
            ShowPortClosed();
            return;
        }
        const QString port = port_->currentText();
        const QString baud = baud_->currentText();
        const QString format = format_->currentText();
        if (serial.Open(port, baud, format)) {
            emit PortStatus(dtu::OpenedText(port, baud, format));
            portButton_->setText(QStringLiteral("关闭串口"));
            SetPortColours(true);
            PortOpened(port, baud, format);
        } else {
            emit PortStatus(dtu::OpenFailedText(port));
            host_.Status().Log(serial.OpenFailure());
        }
        host_.SelectParamChannel(state.MainParamChannel);
    });
}

void CommPage::PortOpened(const QString& port, const QString& baud, const QString& format) {
    lostPort_ = port;
    lostBaud_ = baud;
    lostFormat_ = format;
    // The configuration keeps the settings the port opened with.
    const QString notSaved = host_.Session().Config().StoreSerialSettings(port, baud, format);
    if (!notSaved.isEmpty()) host_.Status().Log(notSaved);
}

void CommPage::ConnectTcp() {
    host_.Session().Tcp().Connect(tcpAddress_->text());
}

void CommPage::DisconnectTcp() {
    host_.Session().Tcp().Disconnect();
}

// ---------------------------------------------------------------------------------------------
// Finding a lost serial port again

void CommPage::SerialPortLost() {
    ShowPortClosed();
    if (reconnect_ && !lostPort_.isEmpty()) reconnectTimer_->start();
}

void CommPage::SetReconnect(bool on) {
    reconnect_ = on;
    if (!on) reconnectTimer_->stop();
}

void CommPage::ReconnectTick() {
    if (host_.Session().Serial().IsOpen()) {
        reconnectTimer_->stop();
        return;
    }
    if (!PortPresent(lostPort_)) return;
    reconnectTimer_->stop();
    // Exactly what 打开串口 does, with the settings the port had.
    SetPortName(lostPort_);
    SetBaudText(lostBaud_);
    SetFormatText(lostFormat_);
    TogglePort();
    // A click on the port button while the open waited for the device ended the search.
    if (lostPort_.isEmpty()) return;
    if (host_.Session().Serial().IsOpen()) {
        host_.Status().Log(QStringLiteral("[串口已重新打开]"));
        return;
    }
    // Not ready yet: the port still shows closed and the search goes on.
    ShowPortClosed();
    reconnectTimer_->start();
}

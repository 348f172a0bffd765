#include "app/window/comm_page.h"

#include "app/window/portbox.h"
#include "app/window/profile_actions.h"
#include "app/window/tform1.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using kit::Named;

namespace {

const QColor kPortClosedColour(172, 196, 213);
const QColor kPortOpenColour(180, 220, 240);

} // namespace

CommPage::CommPage(TForm1& form) : QObject(&form), form_(form) {
    Build();
    Wire();
}

void CommPage::Build() {
    TForm1& f = form_;
    page_ = f.TabSheet1 = Named(new QWidget, QStringLiteral("TabSheet1"));
    QVBoxLayout* page = kit::PageLayout(page_);
    f.Image1 = kit::Banner(QStringLiteral("Image1"));
    page->addWidget(f.Image1);

    f.ListView1 = kit::ParamView(f.MainTable(), QStringLiteral("ListView1"));
    page->addWidget(f.ListView1, 1);

    // Below the table: the link groups stacked on the left (the TCP group only when shown),
    // the read/write panel on the right; the page stays 756 px wide with both groups shown.
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    page->addLayout(row);
    auto* links = new QVBoxLayout;
    links->setSpacing(4);
    row->addLayout(links);

    f.GroupBox2 = Named(new QGroupBox(QStringLiteral("串口设置")), QStringLiteral("GroupBox2"));
    auto* serial = new QHBoxLayout(f.GroupBox2);
    serial->setContentsMargins(6, 4, 6, 6);
    // The port name: any typed name stays exactly as typed (no completion, no case matching
    // against the listed ports); the list offers the ports found on this computer.
    auto* ports = Named(new dtu::PortBox, QStringLiteral("Edit1"));
    f.Edit1 = ports;
    f.Edit1->setEditable(true);
    f.Edit1->setInsertPolicy(QComboBox::NoInsert);
    f.Edit1->setDuplicatesEnabled(true);
    f.Edit1->setCompleter(nullptr);
    ports->Refresh();
    f.Edit1->setCurrentIndex(-1);
    f.Edit1->setEditText(QStringLiteral("COM1"));
    f.Edit1->setMinimumWidth(110);
    f.Edit1->setAccessibleName(QStringLiteral("Edit1"));
    serial->addWidget(f.Edit1);
    f.ComboBox1 = new kit::FixedChoiceBox(
        QStringLiteral("ComboBox1"),
        {QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"), QStringLiteral("2400"),
         QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
         QStringLiteral("28800"), QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200"),
         QStringLiteral("230400"), QStringLiteral("460800"), QStringLiteral("921600")},
        QStringLiteral("57600"), f.GroupBox2);
    serial->addWidget(f.ComboBox1);
    f.ComboBox6 = new kit::FixedChoiceBox(
        QStringLiteral("ComboBox6"),
        {QStringLiteral("8N1"), QStringLiteral("8E1"), QStringLiteral("8O1"), QStringLiteral("7N1"),
         QStringLiteral("7E1"), QStringLiteral("7O1"), QStringLiteral("8N2"), QStringLiteral("8E2"),
         QStringLiteral("8O2"), QStringLiteral("7N2"), QStringLiteral("7E2"), QStringLiteral("7O2")},
        QStringLiteral("8N1"), f.GroupBox2);
    serial->addWidget(f.ComboBox6);
    f.Button3 = kit::Button(QStringLiteral("Button3"), QStringLiteral("打开串口"), f.GroupBox2);
    serial->addWidget(f.Button3);
    links->addWidget(f.GroupBox2);

    f.GroupBox16 = Named(new QGroupBox(QStringLiteral("TCP连接设置")), QStringLiteral("GroupBox16"));
    auto* tcp = new QHBoxLayout(f.GroupBox16);
    tcp->setContentsMargins(6, 4, 6, 6);
    f.Edit8 = Named(new QLineEdit(QStringLiteral("192.168.1.100"), f.GroupBox16), QStringLiteral("Edit8"));
    f.Edit8->setAccessibleName(QStringLiteral("Edit8"));
    f.Edit8->setMinimumWidth(120);
    tcp->addWidget(f.Edit8);
    f.Button15 = kit::Button(QStringLiteral("Button15"), QStringLiteral("连接"), f.GroupBox16);
    tcp->addWidget(f.Button15);
    f.Button18 = kit::Button(QStringLiteral("Button18"), QStringLiteral("断开"), f.GroupBox16);
    tcp->addWidget(f.Button18);
    f.Label10 = Named(new QLabel(f.GroupBox16), QStringLiteral("Label10"));
    tcp->addWidget(f.Label10);
    f.GroupBox16->hide();
    links->addWidget(f.GroupBox16);
    row->addStretch(1);

    f.Panel2 = Named(new QFrame, QStringLiteral("Panel2"));
    f.Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(f.Panel2);
    buttons->setContentsMargins(8, 8, 8, 8);
    f.btRead = kit::Button(QStringLiteral("btRead"), QStringLiteral("读取"), f.Panel2);
    f.btRead->setToolTip(QStringLiteral("读取全部参数"));
    buttons->addWidget(f.btRead);
    f.btWrite = kit::Button(QStringLiteral("btWrite"), QStringLiteral("设置"), f.Panel2);
    f.btWrite->setToolTip(QStringLiteral("设置当前选中参数"));
    buttons->addWidget(f.btWrite);
    row->addWidget(f.Panel2, 0, Qt::AlignBottom);
}

void CommPage::Wire() {
    TForm1& f = form_;
    connect(f.Button3, &QPushButton::clicked, this, &CommPage::Button3Click);
    for (QComboBox* box : {f.ComboBox1, f.ComboBox6}) {
        NoteChoice(box);
        connect(box, &QComboBox::activated, this, [this, box](int index) { ChoiceMade(box, index); });
    }
    connect(f.Button15, &QPushButton::clicked, this, &CommPage::Button15Click);
    connect(f.Button18, &QPushButton::clicked, this, &CommPage::Button18Click);
    connect(&f.Tcp(), &dtu::TcpLink::StateText, f.Label10, &QLabel::setText);
    // The device went away under an open port and nobody was reading it.
    connect(&f.Serial(), &dtu::SerialLink::Lost, this, [&f] { f.Profile().SerialPortLost(); });
}

void CommPage::SetPortColours(bool open) {
    const QColor colour = open ? kPortOpenColour : kPortClosedColour;
    for (QWidget* w : {static_cast<QWidget*>(form_.GroupBox2), static_cast<QWidget*>(form_.Panel2)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, colour);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
}

void CommPage::NoteChoice(QComboBox* box) { lastChoice_[box] = box->currentIndex(); }

void CommPage::ChoiceMade(QComboBox* box, int index) {
    // Only a new entry acts like the port button; picking the entry already shown does not.
    if (lastChoice_[box] == index) return;
    lastChoice_[box] = index;
    Button3Click();
}

void CommPage::ShowPortClosed() {
    form_.Button3->setText(QStringLiteral("打开串口"));
    form_.StatusBar1Panel[1]->setText(QStringLiteral("串口未打开"));
    SetPortColours(false);
}

void CommPage::Button3Click() {
    form_.Profile().EndReconnect(); // a click ends the search for a lost port, then does what it always does
    TogglePort();
}

void CommPage::TogglePort() {
    TForm1& f = form_;
    f.Guarded([this, &f] {
        dtu::AppState& state = f.State();
        dtu::SerialLink& serial = f.Serial();
        state.EngineeringLevel = 1;
        const bool closing = serial.IsOpen();
        if (!dtu::PortButtonSelects(state, closing)) {
            serial.Close();
            ShowPortClosed();
            return;
        }
        const QString port = f.Edit1->currentText();
        const QString baud = f.ComboBox1->currentText();
        const QString format = f.ComboBox6->currentText();
        if (serial.Open(port, baud, format)) {
            f.StatusBar1Panel[1]->setText(dtu::OpenedText(port, baud, format));
            f.Button3->setText(QStringLiteral("关闭串口"));
            SetPortColours(true);
            f.SerialOpened(port, baud, format);
        } else {
            f.StatusBar1Panel[1]->setText(dtu::OpenFailedText(port));
            f.Status().Log(serial.OpenFailure());
        }
        f.SelectParamChannel(state.MainParamChannel);
    });
}

void CommPage::Button15Click() { form_.Tcp().Connect(form_.Edit8->text()); }

void CommPage::Button18Click() { form_.Tcp().Disconnect(); }

// The main window's device link: the serial port button and boxes, the TCP maintenance link,
// the receive display (Timer1) and the transparent transmission page.
#include "app/window/tform1.h"

#include "protocol/commands.h"
#include "tools/transparent.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {
}

void TForm1::WireLink() {
    session_.UseDataChannel();
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    for (QComboBox* box : {ComboBox1, ComboBox6}) {
        NoteChoice(box);
        connect(box, &QComboBox::activated, this, [this, box](int index) { ChoiceMade(box, index); });
    }
    connect(Button15, &QPushButton::clicked, this, &TForm1::Button15Click);
    connect(Button18, &QPushButton::clicked, this, &TForm1::Button18Click);
    connect(&tcp_, &dtu::TcpLink::StateText, Label10, &QLabel::setText);
    // The device went away under an open port and nobody was reading it.
    connect(&serial_, &dtu::SerialLink::Lost, this, &TForm1::SerialPortLost);

    connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    connect(CheckBox2, &QCheckBox::clicked, this, &TForm1::CheckBox2Click);
    Memo3->installEventFilter(this);
}

int TForm1::ComboIndex(QComboBox* box) { return box->currentIndex(); }

void TForm1::ChoiceMade(QComboBox* box, int index) {
    // Only a new entry acts like the port button; picking the entry already shown does not.
    if (lastChoice_[box] == index) return;
    lastChoice_[box] = index;
    Button3Click();
}

void TForm1::ShowPortClosed() {
    Button3->setText(QStringLiteral("打开串口"));
    StatusBar1Panel[1]->setText(QStringLiteral("串口未打开"));
    SetPortColours(false);
}

void TForm1::Button3Click() {
    StopReconnect(); // a click ends the search for a lost port, then does what it always does
    Guarded([this] {
        state_.EngineeringLevel = 1;
        const bool closing = serial_.IsOpen();
        if (!dtu::PortButtonSelects(state_, closing)) {
            serial_.Close();
            ShowPortClosed();
            return;
        }
        const QString port = Edit1->currentText();
        const QString baud = ComboBox1->currentText();
        const QString format = ComboBox6->currentText();
        if (serial_.Open(port, baud, format)) {
            StatusBar1Panel[1]->setText(dtu::OpenedText(port, baud, format));
            Button3->setText(QStringLiteral("关闭串口"));
            SetPortColours(true);
            SerialOpened(port, baud, format);
        } else {
            StatusBar1Panel[1]->setText(dtu::OpenFailedText(port));
        }
        SelectParamChannel(state_.MainParamChannel);
    });
}

void TForm1::Button15Click() { tcp_.Connect(Edit8->text()); }

void TForm1::Button18Click() { tcp_.Disconnect(); }

void TForm1::Timer1Timer() {
    dtu::ReceiveDisplay display{state_,
                                status_,
                                lines_,
                                [this] { return CheckBox2->isChecked(); },
                                dtu::TimeText,
                                [this] {
                                    // A read error closes the port; the window says so.
                                    serial_.Close();
                                    SerialPortLost();
                                },
                                [this](const QString& text) { StatusBar2Panel0->setText(text); }};
    display.Tick(exchange_.Channel());
}

void TForm1::CheckBox2Click() {
    GroupBox1->setTitle(CheckBox2->isChecked() ? QStringLiteral("文字输入窗口[HEX模式]")
                                               : QStringLiteral("文字输入窗口(文本模式)"));
}

bool TForm1::LinkEventFilter(QObject* watched, QEvent* e) {
    if (watched != Memo3 || e->type() != QEvent::KeyPress || !CheckBox2->isChecked()) return false;
    const auto* k = static_cast<QKeyEvent*>(e);
    // Hex mode takes hex digits and backspace; keys that type nothing (cursor keys, Delete)
    // still edit the box.
    if (k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Delete) return false;
    const QString text = k->text();
    if (text.isEmpty()) return false;
    return !dtu::HexModeAccepts(text.at(0));
}

void TForm1::Button8Click() {
    Guarded([this] {
        if (!exchange_.Channel().IsOpen()) {
            prompter_->Message(dtu::ChannelClosedText());
            return;
        }
        const bool hex = CheckBox2->isChecked();
        const QString text = Memo3->toPlainText();
        const QByteArray data = hex ? dtu::HexInputBytes(text) : dtu::TextInputBytes(text);
        if (data.isEmpty()) return;
        const QString countText = ComboBox2->currentText();
        dtu::RepeatSend(exchange_, data, countText.toInt(), [] { QCoreApplication::processEvents(); });
        status_.Transparent(dtu::SendLine(dtu::TimeText(), data, hex, countText));
        Memo3->clear();
    });
}

void TForm1::Button7Click() {
    state_.SentBytes = 0;
    state_.ReceivedBytes = 0;
}

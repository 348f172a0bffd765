// The main window's device commands (menu entries and the control-mode page) and its
// configuration files (loading, the last-file record, saving the serial settings).
#include "app/window/tform1.h"

#include "protocol/commands.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

void TForm1::WireDevice() {
    connect(N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(Button14, &QPushButton::clicked, this, &TForm1::Button14Click);
    connect(Button19, &QPushButton::clicked, this, &TForm1::Button19Click);
    connect(Button20, &QPushButton::clicked, this, &TForm1::Button20Click);
}

void TForm1::SelectParamChannel(int channel) {
    // Only the serial port carries the selection to the device.
    dtu::SelectParamChannel(exchange_, channel, serial_.IsOpen());
}

void TForm1::RestoreLastConfiguration() { config_.RestoreLastConfiguration(); }

void TForm1::SerialOpened(const QString& port, const QString& baud, const QString& format) {
    NoteOpenedPort(port, baud, format);
    config_.StoreSerialSettings(port, baud, format);
}

void TForm1::N1Click() {
    Guarded([this] { dtu::ConfirmRestoreDefaults(exchange_, *prompter_, exchange_.Channel().IsOpen()); });
}

void TForm1::N6Click() {
    Guarded([this] { dtu::ConfirmReset(exchange_, *prompter_, exchange_.Channel().IsOpen()); });
}

void TForm1::N5Click() {
    Guarded([this] { config_.OpenConfigurationMenu(*prompter_); });
}

void TForm1::Button6Click() {
    Guarded([this] { dtu::ShowSignal(exchange_); });
}

void TForm1::Button14Click() {
    Guarded([this] { dtu::ShowVersion(exchange_); });
}

void TForm1::Button19Click() {
    Guarded([this] { dtu::ShowDeviceClock(exchange_); });
}

void TForm1::Button20Click() {
    Guarded([this] { dtu::SetDeviceClockNow(exchange_, Now); });
}

void TForm1::SetCaption(const QString& text) { setWindowTitle(text); }

void TForm1::SetPortName(const QString& text) { Edit1->setEditText(text); }

void TForm1::SetBaudText(const QString& text) {
    SetComboText(ComboBox1, text);
    NoteChoice(ComboBox1);
}

void TForm1::SetFormatText(const QString& text) {
    SetComboText(ComboBox6, text);
    NoteChoice(ComboBox6);
}

void TForm1::SetTcpGroup(bool shown, const QString& address) {
    GroupBox16->setVisible(shown);
    Button6->setVisible(!shown);
    Edit8->setText(address);
}

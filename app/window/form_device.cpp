// The main window's device commands of the menu and its configuration files (loading, the
// last-file record, saving the serial settings).
#include "app/window/comm_page.h"
#include "app/window/control_page.h"
#include "app/window/profile_actions.h"
#include "app/window/tform1.h"
#include "app/window/widgetkit.h"
#include "params/hookoperation.h"
#include "protocol/commands.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

void TForm1::SelectParamChannel(int channel) {
    // Either link carries the selection to the device.
    dtu::SelectParamChannel(Exchange(), channel, Exchange().Channel().IsOpen());
}

void TForm1::SerialOpened(const QString& port, const QString& baud, const QString& format) {
    profile_->NoteOpenedPort(port, baud, format);
    const QString notSaved = Config().StoreSerialSettings(port, baud, format);
    if (!notSaved.isEmpty()) status_.Log(notSaved);
}

void TForm1::N1Click() {
    Guarded([this] { dtu::ConfirmRestoreDefaults(Exchange(), *prompter_, Exchange().Channel().IsOpen()); });
}

void TForm1::N6Click() {
    Guarded([this] { dtu::ConfirmReset(Exchange(), *prompter_, Exchange().Channel().IsOpen()); });
}

void TForm1::N5Click() {
    Guarded([this] {
        const dtu::HookOperation hooks(Script(), &status_);
        Config().OpenConfigurationMenu(*prompter_);
    });
}

void TForm1::SetCaption(const QString& text) { setWindowTitle(text); }

void TForm1::SetPortName(const QString& text) { Edit1->setEditText(text); }

void TForm1::SetBaudText(const QString& text) {
    kit::SetComboText(ComboBox1, text);
    comm_->NoteChoice(ComboBox1);
}

void TForm1::SetFormatText(const QString& text) {
    kit::SetComboText(ComboBox6, text);
    comm_->NoteChoice(ComboBox6);
}

void TForm1::SetTcpGroup(bool shown, const QString& address) {
    GroupBox16->setVisible(shown);
    Button6->setVisible(!shown);
    control_->ShowSignalControls(!shown);
    Edit8->setText(address);
}

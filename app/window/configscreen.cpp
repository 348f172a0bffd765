#include "app/window/configscreen.h"

#include "app/window/comm_page.h"
#include "app/window/control_page.h"

#include <QTabWidget>

void ConfigScreen::Attach(dtu::AppState& state, QWidget* window, QTabWidget* pages, CommPage* comm,
                          ControlPage* control) {
    state_ = &state;
    window_ = window;
    pages_ = pages;
    comm_ = comm;
    control_ = control;
}

void ConfigScreen::SetInterfacePageVisible(bool visible) {
    if (!state_) return;
    state_->InterfacePagePresent = visible;
    pages_->setTabVisible(3, visible);
}

void ConfigScreen::SetCaption(const QString& text) {
    if (window_) window_->setWindowTitle(text);
}

void ConfigScreen::SetPortName(const QString& text) {
    if (comm_) comm_->SetPortName(text);
}

void ConfigScreen::SetBaudText(const QString& text) {
    if (comm_) comm_->SetBaudText(text);
}

void ConfigScreen::SetFormatText(const QString& text) {
    if (comm_) comm_->SetFormatText(text);
}

void ConfigScreen::SetTcpGroup(bool shown, const QString& address) {
    if (comm_) comm_->ShowTcpGroup(shown, address);
    if (control_) control_->ShowSignalControls(!shown);
}

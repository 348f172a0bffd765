#pragma once
// What a configuration load changes on the main window: the caption, the interface page, the
// serial settings, the TCP group (with the signal controls it replaces). The window hands the
// parts over once they exist; until then a load changes nothing on screen.
#include "config/config.h"

class CommPage;
class ControlPage;
class QTabWidget;
class QWidget;

class ConfigScreen : public dtu::IConfigView {
public:
    // The interface page is page 3 of `pages`; `state` notes whether it is there.
    void Attach(dtu::AppState& state, QWidget* window, QTabWidget* pages, CommPage* comm,
                ControlPage* control);

    void SetInterfacePageVisible(bool visible) override;
    void SetCaption(const QString& text) override;
    void SetPortName(const QString& text) override;
    void SetBaudText(const QString& text) override;
    void SetFormatText(const QString& text) override;
    void SetTcpGroup(bool shown, const QString& address) override;

private:
    dtu::AppState* state_ = nullptr;
    QWidget* window_ = nullptr;
    QTabWidget* pages_ = nullptr;
    CommPage* comm_ = nullptr;
    ControlPage* control_ = nullptr;
};

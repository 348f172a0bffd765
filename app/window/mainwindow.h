#pragma once
// The main window: the menu bar, the four pages, the log pane, the status bar and the timers.
// Each part owns its widgets and handlers and asks the window only what PageHost offers; the
// window connects what one part does for another. The device session owns everything that is
// not a widget.
#include "app/window/configscreen.h"
#include "app/window/guistatus.h"
#include "app/window/pagehost.h"
#include "app/window/timerhold.h"
#include "protocol/signalpoll.h"
#include "session/session.h"

#include <QMainWindow>
#include <memory>

class CommPage;
class ControlPage;
class FileMenu;
class InterfacePage;
class LogPane;
class ParamPages;
class QLabel;
class QTabWidget;
class QTimer;
class TransparentPage;

class MainWindow : public QMainWindow, public PageHost {
    Q_OBJECT
public:
    // prompter: message boxes and file dialogs; null for the real ones.
    explicit MainWindow(dtu::IPrompter* prompter = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    dtu::Session& Session() override { return session_; }
    dtu::GuiStatus& Status() override { return status_; }
    dtu::IPrompter& Prompter() override { return *prompter_; }
    dtu::SignalPoll& SignalPoll() override { return signalPoll_; }
    bool Guarded(const std::function<void()>& work) override;
    QDateTime PcTime() override { return Now(); }
    // The parts of the session tests and tools reach most.
    dtu::AppState& State() { return session_.State(); }
    dtu::SerialLink& Serial() { return session_.Serial(); }
    dtu::ParamTable& MainTable() { return session_.MainTable(); }
    // Makes every later exchange use this channel (normally the serial port or the TCP link).
    void SetChannel(dtu::IChannel& channel) { session_.SetChannel(channel); }
    // Puts another clock in place of the event-loop clock for every reply wait (null: back).
    void SetWaitClock(dtu::IWaitClock* clock) { session_.SetWaitClock(clock); }

    CommPage& Comm() { return *comm_; }
    ParamPages& Params() { return *params_; }
    // Ticks the remembered menu entries (at start of the tool).
    void LoadRememberedSettings();

    // What a configuration load changes on screen.
    dtu::IConfigView& View() { return view_; }

    // The PC clock for "设置设备时钟" and the log lines; tests replace it.
    std::function<QDateTime()> Now = &QDateTime::currentDateTime;

    // The two seams of the parameter pages; tests override them to record the calls.
    void WriteChanged() override;
    void SelectParamChannel(int channel) override;

public slots:
    void PageChanged(int index);
    void RestoreFactoryDefaults(); // 恢复出厂默认设置
    void ResetDevice();            // 复位设备
    // Timer1: received bytes into the transparent page (held stopped while a reply wait runs).
    void ShowReceived();
    // Timer2, every 10 ms: keeps the in-place editor over its cell.
    void TrackEditors();
    // Timer3, once after start: loads the configuration used last.
    void ReloadLastConfiguration();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void Connect();
    QTimer* AddTimer(QTimer* t, const QString& name, int ms, void (MainWindow::*tick)());

    std::unique_ptr<dtu::IPrompter> ownPrompter_;
    dtu::IPrompter* prompter_;
    QTimer* receiveTimer_;
    TimerHold receiveHold_{receiveTimer_};
    dtu::GuiStatus status_;
    ConfigScreen view_;
    dtu::Session session_;
    dtu::SignalPoll signalPoll_{session_.Exchanger()};
    QTabWidget* pages_ = nullptr;
    // The status bar's four panels (1: the port, 3: the operation result).
    QList<QLabel*> panels_;
    FileMenu* fileMenu_ = nullptr;
    CommPage* comm_ = nullptr;
    TransparentPage* transparent_ = nullptr;
    ControlPage* control_ = nullptr;
    InterfacePage* interface_ = nullptr;
    LogPane* log_ = nullptr;
    ParamPages* params_ = nullptr;
};

#pragma once
// The main window: the menu, the four pages, the log pane with the hidden access-code box, the
// status bar and the timers. The pages own their widgets and handlers; the device session owns
// everything that is not a widget.
#include "app/window/guistatus.h"
#include "app/window/widgets.h"
#include "protocol/signalpoll.h"
#include "session/session.h"

#include <QDateTime>
#include <QMainWindow>
#include <functional>
#include <memory>

class CommPage;
class ControlPage;
class InterfacePage;
class ParamPages;
class ProfileActions;
class TransparentPage;

class TForm1 : public QMainWindow, public dtu::IConfigView, public dtu::IWaitObserver, public Form1Widgets {
    Q_OBJECT
public:
    // prompter: message boxes and file dialogs; null for the real ones.
    explicit TForm1(dtu::IPrompter* prompter = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    dtu::Session& Session() { return session_; }
    dtu::AppState& State() { return session_.State(); }
    dtu::ScriptBridge& Script() { return session_.Script(); }
    dtu::Exchange& Exchange() { return session_.Exchanger(); }
    dtu::ParamTable& MainTable() { return session_.MainTable(); }
    dtu::ParamTable& InterfaceTable() { return session_.InterfaceTable(); }
    dtu::SerialLink& Serial() { return session_.Serial(); }
    dtu::TcpLink& Tcp() { return session_.Tcp(); }
    dtu::IChannel& Channel() { return session_.Channel(); }
    dtu::ConfigStore& Config() { return session_.Config(); }
    dtu::GuiStatus& Status() { return status_; }
    dtu::IPrompter& Prompter() { return *prompter_; }
    // Makes every later exchange use this channel (normally the serial port or the TCP link).
    void SetChannel(dtu::IChannel& channel) { session_.SetChannel(channel); }
    // Puts another clock in place of the event-loop clock for every reply wait (null: back).
    void SetWaitClock(dtu::IWaitClock* clock) { session_.SetWaitClock(clock); }

    CommPage& Comm() { return *comm_; }
    TransparentPage& Transparent() { return *transparent_; }
    ControlPage& Control() { return *control_; }
    ParamPages& Params() { return *params_; }
    ProfileActions& Profile() { return *profile_; }
    // Continuous signal reading; actions clicked while one of its reads waits run after it.
    dtu::SignalPoll& SignalPoll() { return signalPoll_; }
    // Ticks the remembered menu entries (at start of the tool).
    void LoadRememberedSettings();

    // What a configuration load changes on screen; a reply wait holds the receive display's timer.
    void SetInterfacePageVisible(bool visible) override;
    void SetCaption(const QString& text) override;
    void SetPortName(const QString& text) override;
    void SetBaudText(const QString& text) override;
    void SetFormatText(const QString& text) override;
    void SetTcpGroup(bool shown, const QString& address) override;
    void WaitBegins() override { Timer1->stop(); }
    void WaitEnds() override { Timer1->start(); } // restarted when the outermost wait ends
    // Background of the serial group and the read/write panel: port open or closed.
    void SetPortColours(bool open);

    // Runs device work; an OperationError or any other std::exception ends it and its text is
    // shown as a message, so that no exception reaches the event loop. Returns false then.
    bool Guarded(const std::function<void()>& work);

    static void SetComboText(QComboBox* box, const QString& text);
    static QFont UiFont();
    static QString BannerPath();

    std::function<QDateTime()> Now = &QDateTime::currentDateTime; // the PC clock; tests replace it

    // Work that may talk to the device and throw OperationError (callers run it through Guarded);
    // tests override the first two to record the calls.
    //   WriteChanged: writes the rows of State().ChangedParamList; SelectParamChannel: the channel.
    virtual void WriteChanged();
    virtual void SelectParamChannel(int channel);
    // Called after the serial port has opened with these settings (saves them).
    void SerialOpened(const QString& port, const QString& baud, const QString& format);

public slots:
    void PageChanged(int index);
    void N1Click(); // 恢复出厂默认设置
    void N6Click(); // 复位设备
    void N5Click(); // 调入参数文件
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void FormActivate();
    void BuildMenu();
    QWidget* BuildLogPane();
    void BuildStatusBar();
    void AskWriteChanged();
    void AccessCodeEntered();

    std::unique_ptr<dtu::IPrompter> ownPrompter_;
    dtu::IPrompter* prompter_;
    dtu::GuiStatus status_;
    dtu::Session session_;
    dtu::SignalPoll signalPoll_{session_.Exchanger()};
    ParamPages* params_ = nullptr;
    CommPage* comm_ = nullptr;
    TransparentPage* transparent_ = nullptr;
    ControlPage* control_ = nullptr;
    InterfacePage* interface_ = nullptr;
    ProfileActions* profile_ = nullptr;
};

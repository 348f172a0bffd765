#pragma once
// The main window: four pages (communication parameters, transparent test, control mode,
// interface parameters), the log box with the hidden access-code box, and the status bar.
// It owns the run's state, the script engine, the channel in use and the exchange over it.
#include "app/window/guistatus.h"
#include "session/session.h"
#include "params/verify.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;

class TForm1 : public QMainWindow, public dtu::IConfigView {
    Q_OBJECT
public:
    // prompter: message boxes and file dialogs; null for the real ones.
    explicit TForm1(dtu::IPrompter* prompter = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    dtu::AppState& State() { return state_; }
    dtu::ScriptBridge& Script() { return script_; }
    dtu::Exchange& Exchange() { return exchange_; }
    dtu::GuiStatus& Status() { return status_; }
    dtu::IPrompter& Prompter() { return *prompter_; }
    dtu::ParamTable& MainTable() { return mainTable_; }
    dtu::ParamTable& InterfaceTable() { return interfaceTable_; }

    // Makes every later exchange use this channel (normally the serial port or the TCP link).
    void SetChannel(dtu::IChannel& channel) { session_.SetChannel(channel); }
    dtu::SerialLink& Serial() { return serial_; }
    dtu::TcpLink& Tcp() { return tcp_; }
    dtu::IChannel& Channel() { return exchange_.Channel(); }

    // Shows or hides the page "   接口参数设置   " and records whether it is present.
    void SetInterfacePageVisible(bool visible) override;
    // What a configuration load changes on screen (form_device.cpp).
    void SetCaption(const QString& text) override;
    void SetPortName(const QString& text) override;
    void SetBaudText(const QString& text) override;
    void SetFormatText(const QString& text) override;
    void SetTcpGroup(bool shown, const QString& address) override;
    dtu::ConfigStore& Config() { return config_; }
    // Background of the serial group and the read/write panel: port open or closed.
    void SetPortColours(bool open);

    // Runs device work; an OperationError or any other std::exception ends it and its text is
    // shown as a message, so that no exception reaches the event loop. Returns false then.
    bool Guarded(const std::function<void()>& work);

    // Sets a fixed-choice box to a text. A text not among its items (a configuration may put
    // "76800" in the baud box) is added as one extra item and chosen; the box keeps at most one
    // such extra item, the previous one is dropped.
    static void SetComboText(QComboBox* box, const QString& text);

    // The window's font: "宋体", falling back to WenQuanYi Micro Hei where it is missing.
    static QFont UiFont();
    // The banner picture in the resources (JPEG).
    static QString BannerPath();

    // Widgets, named by their object names.
    QTabWidget* PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr, *TabSheet4 = nullptr;
    QLabel *Image1 = nullptr, *Image2 = nullptr, *Image3 = nullptr, *Image4 = nullptr;
    // Page 1.
    QTableView* ListView1 = nullptr;
    QLineEdit* GEdit = nullptr;
    QComboBox* GComboBox = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* Edit1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox6 = nullptr;
    QPushButton* Button3 = nullptr;
    QGroupBox* GroupBox16 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QPushButton *Button15 = nullptr, *Button18 = nullptr;
    QLabel* Label10 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton *btRead = nullptr, *btWrite = nullptr;
    // Page 2.
    QGroupBox *GroupBox3 = nullptr, *GroupBox1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr, *Memo3 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton *Button8 = nullptr, *Button7 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QStatusBar* StatusBar2 = nullptr;
    QLabel* StatusBar2Panel0 = nullptr;
    // Page 3.
    QGroupBox *GroupBox4 = nullptr, *GroupBox5 = nullptr;
    QPushButton *Button9 = nullptr, *Button6 = nullptr, *Button14 = nullptr, *Button19 = nullptr,
                *Button20 = nullptr;
    QPlainTextEdit* Memo4 = nullptr;
    // Page 4.
    QTableView* ListView2 = nullptr;
    QPushButton *Button16 = nullptr, *Button17 = nullptr;
    // Below the pages.
    QSplitter* Splitter1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLineEdit* MaskEdit3 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusBar1Panel[4] = {};
    // Menu.
    QAction *N1 = nullptr, *N6 = nullptr, *N5 = nullptr, *N7 = nullptr;
    QMenu* N2 = nullptr;
    // Timers: Timer1 shows received bytes (held stopped while a reply wait runs), Timer2 is the
    // 10 ms tick, Timer3 fires once after start-up.
    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr;

public slots:
    void PageChanged(int index);
    // Device link and transparent test (form_link.cpp).
    void Button3Click();
    void Button15Click();
    void Button18Click();
    void Button8Click();
    void Button7Click();
    void CheckBox2Click();
    // Device commands and configuration files (form_device.cpp).
    void N1Click();
    void N6Click();
    void N5Click();
    void Button6Click();
    void Button14Click();
    void Button19Click();
    void Button20Click();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();

protected:
    // Work that may talk to the device and throw OperationError; callers run it through Guarded.
    // Tests override these to record the calls.
    //   WriteChanged: writes the rows of State().ChangedParamList to the device.
    //   SelectParamChannel: makes the device use parameter channel `channel`.
    //   RestoreLastConfiguration: loads the configuration used last (Timer3, after start-up).
    virtual void WriteChanged();
    virtual void SelectParamChannel(int channel);
    void RestoreLastConfiguration();
    // Called after the serial port has opened with these settings (saves them).
    void SerialOpened(const QString& port, const QString& baud, const QString& format);

    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void FormActivate();
    void BuildMenu();
    QWidget* BuildPage1();
    QWidget* BuildPage2();
    QWidget* BuildPage3();
    QWidget* BuildPage4();
    QWidget* BuildLogPane();
    void BuildStatusBar();
    QTableView* BuildParamView(dtu::ParamTable& model, const QString& name);
    QLabel* BuildBanner(const QString& name);
    void MakeFixedChoice(QComboBox* box);
    void SelectFirstRow(QTableView* view, dtu::ParamTable& model);
    void AskWriteChanged();
    void ShowAccessCodeBox();
    void AccessCodeEntered();

    // Device link (form_link.cpp).
    void WireLink();
    bool LinkEventFilter(QObject* watched, QEvent* e);
    void ShowPortClosed();
    void ChoiceMade(QComboBox* box, int index);
    // Remembers a fixed-choice box's current entry, so that only a new choice opens/closes the port.
    void NoteChoice(QComboBox* box) { lastChoice_[box] = ComboIndex(box); }
    static int ComboIndex(QComboBox* box);
    // Device commands (form_device.cpp).
    void WireDevice();

    std::unique_ptr<dtu::IPrompter> ownPrompter_;
    dtu::IPrompter* prompter_;
    dtu::GuiStatus status_;
    // The device session; the names below are the window's short names for its parts.
    dtu::Session session_;
    dtu::AppState& state_ = session_.State();
    dtu::ScriptBridge& script_ = session_.Script();
    dtu::ParamTable& mainTable_ = session_.MainTable();
    dtu::ParamTable& interfaceTable_ = session_.InterfaceTable();
    dtu::Exchange& exchange_ = session_.Exchanger();
    dtu::SerialLink& serial_ = session_.Serial();
    dtu::TcpLink& tcp_ = session_.Tcp();
    dtu::LineAssembler& lines_ = session_.Lines();
    dtu::ConfigStore& config_ = session_.Config();
    std::map<QComboBox*, int> lastChoice_;

public:
    // The PC clock for "设置设备时钟"; tests replace it.
    std::function<QDateTime()> Now = &QDateTime::currentDateTime;

    // ---- Parameter pages: reading, the in-place editor, writing (form_params.cpp) ----------
public slots:
    // 读取 on the main page (all tables the channel selects) and on the interface page.
    void btReadClick();
    void Button16Click();
    // 设置 on both pages: writes the changed rows.
    void btWriteClick();
    // The current row of a list changed (keyboard, mouse or program).
    void ListView1Change(const QModelIndex& current);
    void ListView2Change(const QModelIndex& current);
    // A click / double click in either list.
    void ListView1Click(const QModelIndex& index);
    void ListView1DblClick(const QModelIndex& index);
    // GEdit's text changed (by the user or the program).
    void GEditChange(const QString& text);
    // The user picked an entry of GComboBox.
    void GComboBoxChange(int index);
    // 文件操作 → 批量写参数: every parameter of the shown table, from the top.
    void BatchWrite();

public:
    // Opens the editor the row at `index` of the active table gets (none, GEdit or GComboBox).
    void OpenEditor(int index);
    // Shows GEdit over the value cell of the selected row with these limits (0: no length limit;
    // empty: any character).
    void PlaceEditBox(int maxLength, const QString& allowedChars);
    // Keeps both editors over the value cell of the active list's selected row (Timer2).
    void TrackEditors();
    // Writes the selected row of the active table, unless it is a heading or protected row.
    void WriteSelected();
    // Puts another clock in place of the event-loop clock for every reply wait (null: back).
    void SetWaitClock(dtu::IWaitClock* clock) { session_.SetWaitClock(clock); }

    // Set when the editor itself changes GEdit's text: the next text change is no user edit.
    bool SuppressEditChange = false;
    // The characters GEdit takes; empty: any.
    QString AllowedChars;

private:
    class EditValidator;
    void WireParams();
    bool ParamsEventFilter(QObject* watched, QEvent* e);
    // True when the key must be discarded.
    bool GEditKeyPress(const QKeyEvent* k);
    void GEditKeyUp();
    bool ComboEventFilter(QObject* watched, QEvent* e);
    // The channel test of the parameter buttons: false, with the message, when it is closed.
    bool ParamChannelOpen();
    void ReadAllParams();
    void HideEditors();
    dtu::ParamTable* ActiveParamTable();
    // The list of the active table; null when no table is active.
    QTableView* ActiveList();
    // The current row when it is selected; -1 otherwise.
    static int SelectedRow(const QTableView* view);
    // Makes a row the selected and current one (which opens its editor).
    void SelectListRow(QTableView* view, int row);
    void ListChange(const QModelIndex& current);
    // The active table's selected row, while the editor shown belongs to that table.
    bool EditTarget(dtu::ParamTable** table, int* row);
    void WriteChangedRows(QTableView* view, dtu::ParamTable& table);
    // Empties the changed list and redraws both tables.
    void ForgetChanges();

    // The table whose row the shown editor was opened for; null while no editor is shown.
    dtu::ParamTable* editorTable_ = nullptr;
    // Counts replacements of either table's rows (a configuration load).
    quint64 tableGeneration_ = 0;
    EditValidator* editValidator_ = nullptr;
    // ---- end of the parameter pages ---------------------------------------------------------

    // ---- Configurations that travel, reconnect, saved logs (form_profile.cpp) -----------------
public slots:
    // 文件操作 → 保存参数文件 / 对比参数文件 / 保存日志.
    void SaveProfileClick();
    void CompareProfileClick();
    void SaveLogClick();

public:
    // Menu entries: NSaveProfile, NCompare, NSaveLog; the checkable NVerify (写入后回读校验) and
    // NReconnect (串口断开后自动重连).
    QAction *NSaveProfile = nullptr, *NCompare = nullptr, *NVerify = nullptr, *NReconnect = nullptr,
            *NSaveLog = nullptr;
    // "只显示已修改项" on the main and on the interface page.
    QCheckBox *ChangedOnly1 = nullptr, *ChangedOnly2 = nullptr;
    // Looks for the lost serial port once a second.
    QTimer* ReconnectTimer = nullptr;
    // Ticks NVerify and NReconnect as remembered from the last run (at start of the tool).
    void LoadRememberedSettings();
    // One look for the lost port (ReconnectTimer).
    void ReconnectTick();

protected:
    // The serial port went away without the user closing it.
    void SerialPortLost();
    // Ends a search for a lost port.
    void StopReconnect();
    // The settings the port was opened with, for a reconnect.
    void NoteOpenedPort(const QString& port, const QString& baud, const QString& format);
    // The rows a write is about to send, when they are to be read back afterwards.
    struct VerifyPlan {
        quint64 generation = 0;
        QList<dtu::WrittenValue> main, iface;
    };
    VerifyPlan PlanVerification();
    void RunVerification(const VerifyPlan& plan);

private:
    void WireProfile();
    void ApplyChangedFilter(QTableView* view, dtu::ParamTable& table, const QCheckBox* box);
    void StampLines(QPlainTextEdit* box);
    QString lostPort_, lostBaud_, lostFormat_;
    // ---- end of configurations that travel ----------------------------------------------------
};

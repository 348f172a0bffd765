#pragma once
// One device's session: the one place where a device operation happens. It holds a device's
// parts (script engine, links, tables, state) and offers what a user does with one device: open
// a target, read both tables, compare with a profile, apply it, write the changed rows, verify,
// and the device commands; each returns a result (session/results.h) and reports its progress to
// the observer the front end gives. The window owns one; the command-line program makes one per
// device, each on its own thread (a session lives on the thread that made it and is used only
// there). How waits pass the time, how questions are answered and where texts go are the front
// end's: the wait clock can be replaced, the status sink and the configuration view are given.
#include "base/appstate.h"
#include "base/frontend.h"
#include "base/waitclock.h"
#include "config/config.h"
#include "journal/undo.h"
#include "session/sessionjournal.h"
#include "link/channel.h"
#include "link/datachannel.h"
#include "link/receivedisplay.h"
#include "link/seriallink.h"
#include "link/tcplink.h"
#include "params/paramtable.h"
#include "protocol/exchange.h"
#include "script/scriptbridge.h"
#include "session/results.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace dtu {

// A TCP maintenance address "host" or "host:port" (port 1..65535; 8888 when not given).
// False when the text is no such address.
bool ParseTcpAddress(const QString& text, QString* host, quint16* port);

// How a session's run of row writes goes: past a row the device did not answer; passing over the
// rows no longer in the changed list (written or forgotten meanwhile); ending when the channel closes.
struct RowRun {
    bool pastSilentRows = false, onlyChanged = false, whileOpen = false;
};

class Session {
public:
    // waits: told when every reply wait begins and ends (the window holds its receive display
    // then; may be null).
    Session(IStatusSink& status, IConfigView& view, IWaitObserver* waits = nullptr);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    AppState& State() { return state_; }
    ScriptBridge& Script() { return script_; }
    Exchange& Exchanger() { return exchange_; }
    ParamTable& MainTable() { return mainTable_; }
    ParamTable& InterfaceTable() { return interfaceTable_; }
    SerialLink& Serial() { return serial_; }
    TcpLink& Tcp() { return tcp_; }
    // The channel the exchange uses: closed until UseDataChannel (or another channel is set).
    IChannel& Channel() { return exchange_.Channel(); }
    DataChannel& Data() { return data_; }
    ConfigStore& Config() { return config_; }
    LineAssembler& Lines() { return lines_; }
    IStatusSink& Status() { return status_; }

    // Makes every later exchange use this channel.
    void SetChannel(IChannel& channel) { exchange_.SetChannel(channel); }
    // The data channel over the serial port and the TCP link.
    void UseDataChannel() { exchange_.SetChannel(data_); }
    // Puts another clock in place of the event-loop clock for every reply wait (null: back).
    void SetWaitClock(IWaitClock* clock) { clock_.Use(clock); }

    // ---- Operations. None throws: a script or port error comes back as the result's failure.
    // Progress, stop requests and every write go to this observer (null: none).
    void SetObserver(ISessionObserver* observer) { observer_ = observer; }
    ISessionObserver* Observer() const { return observer_; }

    // Loads the device script / a configuration into the session.
    Failure LoadScript(const QString& path);
    Failure LoadConfiguration(const QString& path);

    // Opens a target: a serial port (baud and format: these, else the configuration's, else
    // 9600 8N1), or a TCP maintenance address host[:port] (the port 8888 when not given), waiting
    // up to connectTimeoutMs for the connection. Then selects the main channel as the port
    // button does. Uses the data channel.
    Failure Open(const QString& target, bool tcp, const QString& baud = {}, const QString& format = {},
                 int connectTimeoutMs = 5000);
    // Closes the serial port and the TCP link.
    void Close();

    // Reads every device parameter of both tables (each on its own channel).
    ReadResult ReadAll();
    // Reads the table the current channel selects, as the window's 读取 does ("[参数读取中，请
    // 稍候...]"); the rows a reply names fill the table active when it arrives. Its rows come back.
    ReadResult ReadShown();
    // Reads the device and compares it with a profile: afterwards the tables hold the profile's
    // values (with the overrides) and the changed list names the rows that differ.
    CompareOutcome Compare(const QString& profile, const QHash<QString, QString>& overrides = {});
    // Compare, then writes the rows that differ (each into its own table) and, with verify, reads
    // every row of the profile back. Refused rows and mismatches set the failure at the end.
    ApplyResult Apply(const QString& profile, const ApplyOptions& options = {});
    // Writes the changed rows of the table the current channel selects, as the window's 设置
    // does, then (with verify) reads the written rows back and reports the verification. A row
    // the device does not answer ends the run only without pastSilentRows; a stop ends it (the
    // log says how many rows were left) and the written rows are still read back. Afterwards the
    // changed list holds only the rows a stop left unwritten and those whose read-back differs.
    ApplyResult WriteChanged(bool verify, bool pastSilentRows = true);
    // Writes every device parameter of the table the current channel selects, from the top, as
    // the window's 批量写参数 does: past silent rows, no read-back; a channel that closes during
    // the run ends it (the failure's cause is the closed-channel message). The changed list as
    // after WriteChanged.
    ApplyResult WriteAll();

    // The device commands.
    CommandResult Version();
    CommandResult ReadClock();
    CommandResult SetClock(const QDateTime& time);
    CommandResult Signal();
    CommandResult Reset();
    CommandResult FactoryDefaults();

    // Writes back the values an operation changed (UndoPlan::restore, each row into its own
    // table, exactly the raw value read before it), as WriteChanged writes; with verify, reads
    // the rows back. The rows whose value before is unknown are left alone.
    ApplyResult Undo(const UndoPlan& plan, bool verify);

    // ---- The journal. Every row written and every command that changes the device, whoever
    // sends it over this session's exchange, is recorded with the value read before it; the
    // operations (WriteChanged, Apply, Undo, SetClock, Reset, FactoryDefaults) put their records
    // on the disk before they return. When the journal cannot be written the change still goes
    // ahead: the log says once that it is not recorded and why, and the result's notRecorded
    // holds the reason. No journal: nothing is recorded.
    void SetJournal(const Journal* journal, const QString& frontEnd) { journal_.Set(journal, frontEnd); }
    // One change as the journal sees it: the records made while the outermost scope lives are one
    // operation (a front end opens one per user action).
    class ChangeScope {
    public:
        explicit ChangeScope(Session& s, std::optional<JournalKind> kind = {}) : s_(s) { s_.journal_.Begin(kind); }
        ~ChangeScope() { s_.journal_.End(); }
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        Session& s_;
    };
    // The target the records name: the TCP link's host:port when connected, else the serial
    // port's name; `name` takes their place when not empty (a channel of the caller's own).
    QString TargetName();
    void SetTargetName(const QString& name) { targetName_ = name; }
    // What this session knows of the device on the target: the version text it read, the
    // values it read. Forgotten when the session opens a target, a link closes or the target
    // changes.
    void ForgetDevice();

    // The value this session last read from the device for a row (a read, a read-back, the
    // read before an apply); false when it read none.
    bool LastRead(bool interfaceTable, const QString& number, RowValue* value) const;

private:
    QList<ParamTable*> Tables();
    void Select(ParamTable* table);
    bool StopNow() { return observer_ && observer_->StopRequested(); }
    void Step(const QString& text) {
        if (observer_) observer_->Step(text);
    }
    void Progress(int done, int total, const QString& number = {}) {
        if (observer_) observer_->Progress(done, total, number);
    }
    void RememberRead(const ParamTable& table, int row);
    RowWrite WriteRecord(const ParamTable& table, int row) const;
    // Runs f; a script error, a port error or a lost port becomes the failure.
    Failure Guarded(const std::function<Failure()>& f);
    Failure NoAnswerFailure();
    CommandResult Command(const QString& name, const std::function<CommandResult()>& f);
    // Writes rows, each looked up again by its number after every reply wait; a configuration
    // loaded during a wait ends the run.
    void WriteRows(ApplyResult& result, const QList<std::pair<ParamTable*, int>>& rows, const RowRun& run = {});
    // WriteChanged, or with all WriteAll.
    ApplyResult WriteActive(bool verify, bool all, const RowRun& run);

    ISessionObserver* observer_ = nullptr;
    QString targetName_;
    QString scriptPath_, target_;
    bool tcpTarget_ = false;
    bool lost_ = false;
    bool answered_ = false; // an operation succeeded since the target was opened
    quint64 tableGeneration_ = 0; // counts replacements of either table's rows (a configuration load)
    QHash<QString, RowValue> lastRead_[2];
    IStatusSink& status_;
    AppState state_;
    ScriptBridge script_;
    ReplaceableClock clock_;
    ClosedChannel closedChannel_;
    // Before the links: a link closing as the session ends still finds it.
    SessionJournal journal_{status_, config_, [this] { return TargetName(); }, [this] { return exchange_.Channel().IsOpen(); }};
    ParamTable mainTable_{false};
    ParamTable interfaceTable_{true};
    Exchange exchange_;
    SerialLink serial_;
    TcpLink tcp_;
    DataChannel data_{serial_, tcp_};
    LineAssembler lines_;
    ConfigStore config_;
};

} // namespace dtu

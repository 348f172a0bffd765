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
#include <utility>

namespace dtu {

// A TCP maintenance address "host" or "host:port" (port 1..65535; 8888 when not given).
// False when the text is no such address.
bool ParseTcpAddress(const QString& text, QString* host, quint16* port);

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
    // Forgets what the session knows of the device it had open (the values it read), so that
    // the next device opened starts from nothing of it.
    void ForgetDevice();

    // Reads every device parameter of both tables (each on its own channel).
    ReadResult ReadAll();
    // Reads the device and compares it with a profile: afterwards the tables hold the profile's
    // values (with the overrides) and the changed list names the rows that differ.
    CompareOutcome Compare(const QString& profile, const QHash<QString, QString>& overrides = {});
    // Compare, then writes the rows that differ (each into its own table) and, with verify, reads
    // every row of the profile back. Refused rows and mismatches set the failure at the end.
    ApplyResult Apply(const QString& profile, const ApplyOptions& options = {});
    // Writes the changed rows of the table(s) the current channel selects, as the window's 设置
    // does, then (with verify) reads the written rows back and reports the verification.
    ApplyResult WriteChanged(bool verify);

    // The device commands.
    CommandResult Version();
    CommandResult ReadClock();
    CommandResult SetClock(const QDateTime& time);
    CommandResult Signal();
    CommandResult Reset();
    CommandResult FactoryDefaults();

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
    void WriteRows(ApplyResult& result, const QList<std::pair<ParamTable*, int>>& rows);

    ISessionObserver* observer_ = nullptr;
    QString scriptPath_, target_;
    bool tcpTarget_ = false;
    bool lost_ = false;
    bool answered_ = false; // an operation succeeded since the target was opened
    QHash<QString, RowValue> lastRead_[2];
    IStatusSink& status_;
    AppState state_;
    ScriptBridge script_;
    ReplaceableClock clock_;
    ClosedChannel closedChannel_;
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

#pragma once
// One device's session: everything a front end needs to talk to one DTU, without widgets.
// The window owns one; the command-line program makes one per device, each on its own thread
// (a session lives on the thread that made it and is used only there). How waits pass the time,
// how questions are answered and where texts go are the front end's: the wait clock can be
// replaced, the status sink and the configuration view are given.
#include "base/appstate.h"
#include "base/ui.h"
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

class QTimer;

namespace dtu {

class Session {
public:
    // rxTimer: the receive display's timer, held stopped while a reply wait runs (may be null).
    Session(IStatusSink& status, IConfigView& view, QTimer* rxTimer = nullptr);
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

private:
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

#pragma once
// Reading every parameter of a table in one exchange and decoding the reply into its rows.
#include "params/paramtable.h"
#include "protocol/exchange.h"

#include <functional>

namespace dtu {

// Finds the table replies belong to now. Looked up again after every wait: a configuration
// load during the wait may have replaced the rows.
using TableLookup = std::function<ParamTable*()>;

// The read request's command word: 7000 on a channel above 0, else GetCmd("CMD_GETPARAM");
// (which is evaluated every time). A script error throws OperationError.
quint16 ParamReadWord(Exchange& ex);
// The word whose high byte the reply must carry at offset 4: F000 on a channel above 0, else
// GetCmd("CMD_REPLYCONFIG");.
quint16 ParamReplyWord(Exchange& ex);

// Sends the read request for the list and returns whatever came within 3000 ms.
QByteArray ParamReadRequest(Exchange& ex, const QByteArray& requestList);

// Checks a parameter read reply; on success *payload holds the items. prefixSize is the size
// of the prefix sent with the request. Never reads past the received bytes.
DataFailure CheckParamReply(QByteArray r, int expectedByte, qsizetype prefixSize, QByteArray* payload);

// Calls decode(number, value) for each item of a payload; stops when decode returns false or
// the payload ends inside an item's head.
void WalkPayload(const QByteArray& payload, const std::function<bool(quint16, const QByteArray&)>& decode);

// Updates the row with that number (searching from the top): raw value and display value.
// Returns false when the walk must end (a script error setting hexinput, a list hook that is
// not a choice list).
bool DecodeItem(ParamTable& table, quint16 number, const QByteArray& value, ScriptBridge& script);
// Tells the exchange's change observer the row's value as the device returned it (after DecodeItem).
void TellRead(Exchange& ex, const ParamTable& table, quint16 number);

// One exchange for one request list, with its messages. Returns the failure, None on success.
DataFailure ReadTable(Exchange& ex, const QByteArray& requestList, const TableLookup& active);

// Reads the active table(s): "[参数读取中，请稍候...]", the tables the channel selects, then
// "[参数读取完毕]" unless an access code was accepted.
void ReadAll(Exchange& ex, ParamTable& main, ParamTable& iface);

} // namespace dtu

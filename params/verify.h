#pragma once
// Reading back what a write sent: one read request for exactly the written rows, each row's
// device value compared with the value written.
#include "base/appstate.h"
#include "base/frontend.h"
#include "params/paramtable.h"
#include "protocol/exchange.h"

#include <QList>
#include <QString>

namespace dtu {

// One row as it went out to the device.
struct WrittenValue {
    QString number, name, raw, display;
};

// The rows of a table that a write of the changed list sends (heading rows, rows the level may
// not change and rows the device does not hold are not sent or not requested), from the top, with
// their values now.
QList<WrittenValue> RowsToVerify(const AppState& state, const ParamTable& table, const QStringList& changed);

// A row whose read-back differs from what was written: the device's value (empty when the
// device did not return the row) and the message logged for it.
struct VerifyMismatch {
    WrittenValue written;
    bool returned = false;
    QString readRaw, readDisplay;
    QString message;
};

// The message of a mismatch: "[回读校验失败：name 写入=… 读回=…]", or "[回读校验失败：name 未回读]"
// for a row the device did not return.
QString VerifyFailureText(const VerifyMismatch& m);

// Sends one read request for the written rows (on the channel selected now) and decodes the reply
// into the table. Each row whose device value differs from the written one, or that the device
// does not return, is logged with VerifyFailureText; such rows get the written value back and stay
// in the changed list, so that the next write sends them again. Returns the number of such rows;
// mismatches (when given) receives them, returned (when given) the rows read back as they are
// now in the device (every returned row, matching or not).
int VerifyWritten(Exchange& ex, ParamTable& table, const QList<WrittenValue>& written,
                  QList<VerifyMismatch>* mismatches = nullptr, QList<WrittenValue>* returned = nullptr);

// The result panel after a verification: "[回读校验成功]" or "[回读校验失败，N项不一致]".
void ReportVerification(IStatusSink& status, int failures);

} // namespace dtu

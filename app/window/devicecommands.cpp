#include "app/window/devicecommands.h"

#include "app/window/pagehost.h"
#include "base/errors.h"
#include "protocol/commands.h"
#include "session/session.h"

namespace devicecommands {

namespace {

// A script or port error ends the action with its own message, as every other device action.
dtu::CommandResult Checked(dtu::CommandResult r) {
    if (!r.failure.cause.isEmpty()) throw dtu::OperationError(r.failure.cause);
    return r;
}

} // namespace

void Confirmed(PageHost& host, const QString& question, dtu::CommandResult (dtu::Session::*command)()) {
    dtu::Session& session = host.Session();
    if (!session.Channel().IsOpen()) {
        host.Prompter().Message(dtu::ChannelClosedText());
        return;
    }
    dtu::IStatusSink& status = host.Status();
    if (host.Prompter().Confirm(QStringLiteral("提示"), question)) status.SetResult(Checked((session.*command)()).message);
    status.Log(status.Result());
}

void ShowSignal(PageHost& host) {
    const dtu::CommandResult r = Checked(host.Session().Signal());
    host.Status().Dialog(r.csq < 0 ? QStringLiteral("信号读取失败") : QStringLiteral("DTU CSQ=") + QString::number(r.csq));
}

void ShowVersion(PageHost& host) {
    const dtu::CommandResult r = Checked(host.Session().Version());
    if (r.text.isEmpty()) host.Status().Dialog(QStringLiteral("DTU版本号读取失败"));
    host.Status().Dialog(QStringLiteral("DTU版本号=") + r.text);
}

void ShowClock(PageHost& host) {
    const dtu::CommandResult r = Checked(host.Session().ReadClock());
    dtu::IStatusSink& status = host.Status();
    status.SetResult(r.message);
    status.Dialog(status.Result());
    status.Dialog(r.text);
}

void SetClockNow(PageHost& host) {
    const dtu::CommandResult r = Checked(host.Session().SetClock(host.PcTime()));
    dtu::IStatusSink& status = host.Status();
    status.SetResult(r.message);
    status.Dialog(status.Result());
}

} // namespace devicecommands

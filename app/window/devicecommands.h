#pragma once
// The window's device commands, carried out by the session: what each shows in the status bar,
// the log and the control page's box, and the question the two that change the device ask first.
#include "session/results.h"

class PageHost;
namespace dtu {
class Session;
}

namespace devicecommands {

// 恢复出厂默认设置 / 复位设备: refused without an open channel; after the question, whatever the
// answer, the result panel's text goes to the log.
void Confirmed(PageHost& host, const QString& question, dtu::CommandResult (dtu::Session::*command)());
// The control page's buttons.
void ShowSignal(PageHost& host);
void ShowVersion(PageHost& host);
void ShowClock(PageHost& host);
void SetClockNow(PageHost& host);

} // namespace devicecommands

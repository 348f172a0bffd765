#include "protocol/commands.h"

#include "base/gbk.h"

namespace dtu {

void SelectParamChannel(Exchange& ex, int c, bool channelOpen) {
    AppState& s = ex.State();
    if (!s.InterfacePagePresent || (c == s.CurrentParamChannel && !s.ParamChannelUnsent)) return;
    s.CurrentParamChannel = c;
    if (!channelOpen) return;
    s.ParamChannelUnsent = false;
    const QByteArray data(1, static_cast<char>(c & 0xFF));
    ex.Send(ex.BuildRequest(kCmdSelectChannel, data));
    ex.CheckAckReply();
}

QString ReadVersion(Exchange& ex) {
    const quint16 word = ex.GetCmdWord(QStringLiteral("CMD_GETDTUVER"));
    ex.Send(ex.BuildRequest(word));
    return GbkText(ex.CheckPayloadReply());
}

static ReplyOutcome AckCommand(Exchange& ex, const QString& name) {
    const quint16 word = ex.GetCmdWord(name);
    ex.Send(ex.BuildRequest(word));
    return ex.CheckAckReply();
}

static void TellCommand(Exchange& ex, const QString& word, const QString& text, int rc, const QString& message) {
    if (IChangeObserver* changes = ex.Changes()) changes->CommandSent(word, text, rc, message);
}

ReplyOutcome ResetDevice(Exchange& ex) {
    const ReplyOutcome rc = AckCommand(ex, QStringLiteral("CMD_RESET"));
    TellCommand(ex, QStringLiteral("CMD_RESET"), {}, rc, OutcomeMessage(QStringLiteral("复位设备"), rc));
    return rc;
}

ReplyOutcome RestoreDefaults(Exchange& ex) {
    const ReplyOutcome rc = AckCommand(ex, QStringLiteral("CMD_SETDEFAULT"));
    TellCommand(ex, QStringLiteral("CMD_SETDEFAULT"), {}, rc, OutcomeMessage(QStringLiteral("参数设置"), rc));
    return rc;
}

int ReadSignal(Exchange& ex) {
    ex.Send(ex.BuildRequest(kCmdReadSignal));
    return ex.CheckSignalReply();
}

QString ReadClock(Exchange& ex) {
    ex.Send(ex.BuildRequest(kCmdReadClock));
    return GbkText(ex.CheckPayloadReply());
}

QString ClockText(const QDateTime& t) {
    const QDate d = t.date();
    const QTime h = t.time();
    return QString::asprintf("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", d.year(), d.month(), d.day(), h.hour(),
                             h.minute(), h.second());
}

ReplyOutcome SetClock(Exchange& ex, const QDateTime& t) {
    const QString text = ClockText(t);
    ex.Status().Dialog(QStringLiteral("设置设备时钟=") + text);
    ex.Send(ex.BuildRequest(kCmdSetClock, text.toLatin1()));
    const ReplyOutcome rc = ex.CheckAckReply();
    TellCommand(ex, QStringLiteral("SETCLOCK"), text, rc, ClockSetMessage(rc));
    return rc;
}

// The two confirmed commands: refused without a channel; after the question, whatever the
// answer, the panel's text goes to the log.
static void ConfirmedCommand(Exchange& ex, IPrompter& prompter, bool channelOpen, const QString& question,
                             const QString& op, ReplyOutcome (*command)(Exchange&)) {
    if (!channelOpen) {
        prompter.Message(ChannelClosedText());
        return;
    }
    IStatusSink& status = ex.Status();
    if (prompter.Confirm(QStringLiteral("提示"), question)) status.SetResult(OutcomeMessage(op, command(ex)));
    status.Log(status.Result());
}

void ConfirmRestoreDefaults(Exchange& ex, IPrompter& prompter, bool channelOpen) {
    ConfirmedCommand(ex, prompter, channelOpen, QStringLiteral("真的要恢复出厂默认设置吗？"),
                     QStringLiteral("参数设置"), &RestoreDefaults);
}

void ConfirmReset(Exchange& ex, IPrompter& prompter, bool channelOpen) {
    ConfirmedCommand(ex, prompter, channelOpen, QStringLiteral("真的要复位设备吗？"),
                     QStringLiteral("复位设备"), &ResetDevice);
}

void ShowVersion(Exchange& ex) {
    const QString t = ReadVersion(ex);
    if (t.isEmpty()) ex.Status().Dialog(QStringLiteral("DTU版本号读取失败"));
    ex.Status().Dialog(QStringLiteral("DTU版本号=") + t);
}

void ShowDeviceClock(Exchange& ex) {
    const QString t = ReadClock(ex);
    IStatusSink& status = ex.Status();
    status.SetResult(t.isEmpty() ? QStringLiteral("设备时钟读取失败") : QStringLiteral("设备时钟读取成功"));
    status.Dialog(status.Result());
    status.Dialog(t);
}

QString ClockSetMessage(int outcome) {
    if (outcome == ReplyIllegal) return QStringLiteral("[设备时钟设置失败，参数错误！]");
    return OutcomeMessage(QStringLiteral("设备时钟设置"), outcome);
}

void SetDeviceClockNow(Exchange& ex, const NowFunction& now) {
    const ReplyOutcome rc = SetClock(ex, now ? now() : QDateTime::currentDateTime());
    IStatusSink& status = ex.Status();
    status.SetResult(ClockSetMessage(rc));
    status.Dialog(status.Result());
}

void ShowSignal(Exchange& ex) {
    const int v = ReadSignal(ex);
    if (v < 0)
        ex.Status().Dialog(QStringLiteral("信号读取失败"));
    else
        ex.Status().Dialog(QStringLiteral("DTU CSQ=") + QString::number(v));
}

int PageChannel(const AppState& state, PageKind page) {
    return page == PageKind::Interface ? 0 : state.MainParamChannel;
}

void OnPageShown(Exchange& ex, PageKind page, bool channelOpen) {
    SelectParamChannel(ex, PageChannel(ex.State(), page), channelOpen);
}

bool PortButtonSelects(AppState& s, bool closedByButton) {
    s.CurrentParamChannel = s.InterfacePagePresent ? -1 : s.MainParamChannel;
    return !closedByButton;
}

void OnPortButton(Exchange& ex, bool channelOpen, bool closedByButton) {
    if (PortButtonSelects(ex.State(), closedByButton)) SelectParamChannel(ex, ex.State().MainParamChannel, channelOpen);
}

int ReadAllChannel(const AppState& state) {
    return state.CurrentParamChannel == -1 ? 1 : state.CurrentParamChannel;
}

int ReadInterfaceChannel(const AppState& state) {
    return state.CurrentParamChannel == -1 ? 1 : 0;
}

} // namespace dtu

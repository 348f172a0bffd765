#pragma once
// Device commands (channel select, version, reset, factory defaults, signal quality, clock) and
// the operations that run them with their texts. Every command: its word (from the device script or
// fixed), one request frame, one reply check. A script error throws OperationError before
// anything is sent; a port error throws LinkError.
#include "base/frontend.h"
#include "protocol/exchange.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace dtu {

// Fixed command words.
inline constexpr quint16 kCmdSelectChannel = 0xE050;
inline constexpr quint16 kCmdReadSignal = 0xE023;
inline constexpr quint16 kCmdSetClock = 0x700D;
inline constexpr quint16 kCmdReadClock = 0x700E;

// Selects parameter channel c on the device, over whichever link carries the data channel (the
// serial port or the TCP maintenance link: the device answers only the read word of the table it
// has selected, so both links need the selection). Nothing without the interface page or when c
// is selected already (unless ParamChannelUnsent). CurrentParamChannel takes c before anything is
// sent, also while the channel is closed (then nothing is sent). The acknowledgement is waited for
// and not judged.
void SelectParamChannel(Exchange& ex, int c, bool channelOpen);

// The version text (payload as GBK text); empty when the reply fails.
QString ReadVersion(Exchange& ex);
ReplyOutcome ResetDevice(Exchange& ex);
ReplyOutcome RestoreDefaults(Exchange& ex);
// Signal quality 0..255, or a negative ReplyOutcome.
int ReadSignal(Exchange& ex);
// The device clock as the device sends it; empty when the reply fails.
QString ReadClock(Exchange& ex);
// "2026-03-07 08:05:09": the 19 characters the clock-set command carries.
QString ClockText(const QDateTime& t);
// Sets the device clock to t; the text goes to the dialogue box as "设置设备时钟=..." first.
ReplyOutcome SetClock(Exchange& ex, const QDateTime& t);

// The clock a handler takes the time from; tests replace it.
using NowFunction = std::function<QDateTime()>;

// The closed-channel refusal of the commands that need an open channel.
inline constexpr const char* kChannelClosedText = "数据通道未打开，请先打开串口或建立TCP链接";
inline QString ChannelClosedText() { return QString::fromUtf8(kChannelClosedText); }

// 恢复出厂设置: asks first; the panel shows the outcome; the panel text goes to the log either way.
void ConfirmRestoreDefaults(Exchange& ex, IPrompter& prompter, bool channelOpen);
// 复位设备: the same with the reset command.
void ConfirmReset(Exchange& ex, IPrompter& prompter, bool channelOpen);
// 读版本号 (no channel test: without a channel the wait runs out).
void ShowVersion(Exchange& ex);
// 读设备时钟.
void ShowDeviceClock(Exchange& ex);
// 设置设备时钟 to the time now() gives.
void SetDeviceClockNow(Exchange& ex, const NowFunction& now = &QDateTime::currentDateTime);
// 读信号强度.
void ShowSignal(Exchange& ex);

// The clock-set panel text: like OutcomeMessage, an illegal reply meaning wrong parameters.
QString ClockSetMessage(int outcome);

// Which parameter channel goes with what the window does.
enum class PageKind { MainParams, Interface, Other };
// The channel a shown page selects: channel 0 for the interface page, the main channel for
// every other page.
int PageChannel(const AppState& state, PageKind page);
// A page was shown: selects PageChannel.
void OnPageShown(Exchange& ex, PageKind page, bool channelOpen);
// The port open/close button: the selection counts as unknown (-1) while the interface page is
// present (the main channel otherwise). Returns whether the main channel is then selected: after
// an open, or a failed open, yes; after the button closed the port, no (it stays unknown).
bool PortButtonSelects(AppState& state, bool closedByButton);
// PortButtonSelects, then the selection.
void OnPortButton(Exchange& ex, bool channelOpen, bool closedByButton = false);
// The channel the read-all button reads while the interface page is present.
int ReadAllChannel(const AppState& state);
// The channel the read-interface button reads.
int ReadInterfaceChannel(const AppState& state);

} // namespace dtu

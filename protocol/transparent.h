#pragma once
// The transparent transmission test: typed text or hex bytes sent unframed through the
// data channel, as often as asked.
#include "protocol/exchange.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace dtu {

// Hex mode: blanks removed, then pairs of digits (an odd last digit is dropped), each one byte.
QByteArray HexInputBytes(const QString& text);
// Text mode: the input box's lines joined with CR LF, in the ANSI code page.
QByteArray TextInputBytes(const QString& text);
// Whether a typed character passes the input box's filter in hex mode.
bool HexModeAccepts(QChar c);

// The dialogue line of one send: time + " 发送数据：" + hex rendering (hex mode) + data as
// characters + "[" + count text + "次]".
QString SendLine(const QString& timeText, const QByteArray& data, bool hexMode, const QString& countText);

// Sends data count times with SendRaw, adding to SentBytes each time and letting the window
// process its messages between repetitions. Stops early when the window is being closed.
// Returns the number of sends done.
int RepeatSend(Exchange& ex, const QByteArray& data, int count, const std::function<void()>& processEvents);

} // namespace dtu

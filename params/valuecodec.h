#pragma once
// Conversions between a parameter's raw hex digits and its display text that the tool does
// itself: choice lists, GetStr()/SetStr(), GetFloat()/SetFloat().
#include <QString>
#include <QStringList>

namespace dtu {

// Whether a list hook is a choice list rather than script text.
inline bool IsChoiceHook(const QString& hook) { return hook.startsWith(QLatin1String("[[")); }

// GetStr(): the value's bytes as text in the tables' character set (GB2312 / GBK), up to the
// first zero byte.
QString GetStrText(const QString& hexDigits);
// GetFloat(): up to the first four bytes as the most significant bytes of an IEEE-754 single,
// missing bytes 0, shown with three decimals.
QString GetFloatText(const QString& hexDigits);
// SetStr(): each character's byte(s) in the ANSI code page as upper-case hex digits.
QString SetStrHex(const QString& text);
// SetFloat(): a decimal number (point as separator, optional sign and exponent) stored as an
// IEEE-754 single, eight upper-case hex digits. False when the text is not a number.
bool SetFloatHex(const QString& text, QString* hex);
// Every "NAN", in any letter case, becomes "00".
QString ReplaceNan(QString hex);

inline bool HasGetStr(const QString& hook) { return hook.contains(QLatin1String("GetStr()")); }
inline bool HasGetFloat(const QString& hook) { return hook.contains(QLatin1String("GetFloat()")); }
inline bool HasSetStr(const QString& hook) { return hook.contains(QLatin1String("SetStr()")); }
inline bool HasSetFloat(const QString& hook) { return hook.contains(QLatin1String("SetFloat()")); }

} // namespace dtu

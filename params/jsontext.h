#pragma once
// Configuration values as text.
#include <QJsonValue>
#include <QString>

namespace dtu {

// A configuration value read as text: a string as it is, a number as its decimal text
// (115200 -> "115200", 1.5 -> "1.5"), true/false as such, an array or object as its compact
// JSON text, null and a missing value as the empty text.
QString JsonValueText(const QJsonValue& v);

} // namespace dtu

#pragma once
// Parameter values from a configuration file of the tool.
//
// The file is a JSON object whose "Params" member is an object or an array of rows; each row
// names a parameter by "CMDID" (four hex digits) and carries its value in "PVALUE" as
// "HEX:" followed by hex digits. The files come as GBK or UTF-8 text; only ASCII members
// are read, so any other bytes are taken leniently.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

namespace dtu::sim {

// Parameter number -> value bytes (possibly empty).
using ValueTable = QMap<quint16, QByteArray>;

// The table of a file's contents, or nothing with *error set.
// Rows with an empty CMDID (headings) and rows whose CMDID is not four hex digits are skipped;
// a PVALUE shorter than five characters gives an empty value.
std::optional<ValueTable> ParseValueFile(const QByteArray& content, QString* error = nullptr);
std::optional<ValueTable> LoadValueFile(const QString& path, QString* error = nullptr);

// "0091" -> 0x0091; nothing unless the text is exactly four hex digits.
std::optional<quint16> ParseParamNumber(const QString& text);

} // namespace dtu::sim

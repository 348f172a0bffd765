#pragma once
// Per-device values: --set ROW=VALUE and --inventory FILE (CSV: the target, then one column per
// row, headed by the row's number or name), converted as the editor converts a typed text.
#include "cli/target.h"

#include <QList>

namespace dtu {
class Session;
}

namespace dtu::cli {

// "ROW=VALUE" (the value may be empty and may hold "="). False with the reason when malformed.
bool ParseSetOption(const QString& text, ValueSetting* out, QString* error);

// Splits CSV text into records of fields ("" inside quotes is a quote; quoted fields may hold
// commas and line ends). lines[i] is the line record i starts on. False with the line of an
// unterminated quote.
bool SplitCsv(const QString& text, QList<QStringList>* records, QList<int>* lines, QString* error);

// Reads an inventory: its targets are added to `targets` (a target already given is not added
// again; one the file lists twice is an error) and its cells (empty cells give nothing) to `values`.
bool ReadInventory(const QString& path, QList<Target>& targets, QList<ValueSetting>& values, QString* error);

// Converts every value with the session's configuration and script (loaded, access code
// applied) and stores the raw texts into the targets' overrides. False with one line naming
// where the value was given, the target, the row and the value, and why it is not taken.
bool ResolveValues(Session& session, QList<Target>& targets, const QList<ValueSetting>& values, QString* error);

} // namespace dtu::cli

#pragma once
// dtucfg-cli history [--target T] [--since DATE] [--json]: the journal of changes made to devices.
#include <QStringList>

namespace dtu::cli {

// The command line names the history command (it takes other options than the device commands).
bool IsHistoryCommand(const QStringList& arguments);
// Prints the journal's records, newest first; returns the exit status (2: usage).
int RunHistory(const QStringList& arguments);

} // namespace dtu::cli

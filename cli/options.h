#pragma once
// The command line of dtucfg-cli.
#include "cli/target.h"
#include "protocol/replyend.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace dtu::cli {

enum class Command { Info, Read, Apply, Verify, Clock, Reset, Defaults, Undo };

struct Options {
    Command command = Command::Info;
    QList<Target> targets;
    QString config;     // empty: none given
    QString out;        // read --out
    QString backup;     // apply --backup: the folder the device's values are saved in first
    QString operation;  // undo --operation: the journal's operation to undo (empty: the last)
    QString baud, format;
    QString script = QStringLiteral("script.js");
    QString accessCode;
    std::optional<ReplyEnd> replyEnd; // --reply-end; unset: the configuration's
    bool json = false;
    bool yes = false;
    bool setClock = false;
    bool live = true; // one live line per device on a terminal (--no-live turns it off)
    int jobs = 16;    // devices at a time
    int retries = 0;  // further attempts for a device that did not answer or could not be reached
    bool jsonl = false;
    bool check = false; // apply --check: read and compare only, write nothing
    bool diff = false;  // apply --diff: each row that differs, the device's value and the one to write
    QList<ValueSetting> values; // --set (every device) and --inventory (per device), in that order
};

struct ParseResult {
    std::optional<Options> options;
    QString error;  // a usage error (exit 2)
    bool help = false;
    QString helpText;
};

ParseResult ParseArguments(const QStringList& arguments);
QString CommandName(Command c);
bool NeedsConfig(Command c);

} // namespace dtu::cli

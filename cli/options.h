#pragma once
// The command line of dtucfg-cli.
#include "protocol/replyend.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace dtu::cli {

enum class Command { Info, Read, Apply, Verify, Clock, Reset, Defaults };

// One device to talk to: a serial port, or a TCP maintenance address (host[:port]).
struct Target {
    QString name; // as given on the command line (without a target file's "tcp:")
    bool tcp = false;
    QString host;       // TCP: the host; serial: the port name
    quint16 port = 0;   // TCP: the maintenance port (8888 unless given)
    // Values of this device that take the place of the profile's: row number (upper case, four
    // digits as in the table) -> raw field text ("HEX:..."), from --set and --inventory.
    QHash<QString, QString> overrides;
};

// A value given for a row as a person types it, and where it was given (for error messages).
struct ValueSetting {
    QString row;   // row number or name
    QString value; // display text
    QString where; // "--set" or "FILE line N"
    QString target; // empty: every device
};

struct Options {
    Command command = Command::Info;
    QList<Target> targets;
    QString config;     // empty: none given
    QString out;        // read --out
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

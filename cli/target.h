#pragma once
// A device of a run and the values given for it: what the option parser, the target list and
// the inventory share.
#include <QHash>
#include <QString>

namespace dtu::cli {

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

} // namespace dtu::cli

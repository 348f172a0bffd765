#pragma once
// Targets of a run: parsed and checked when the options are read, before any device is touched.
#include "cli/target.h"

namespace dtu::cli {

// A serial port name, or with tcp a TCP maintenance address HOST[:PORT] (port 8888 by
// default). False with the reason when it cannot be a target.
bool ParseTarget(const QString& text, bool tcp, Target* target, QString* error);
// One target a line: "tcp:HOST[:PORT]" or a serial port; blank lines and "#" comments skipped.
// A target file line as it would be written on the command line ("tcp:..." or a port).
bool ParseTargetLine(const QString& line, Target* target, QString* error);
bool ReadTargetsFile(const QString& path, QList<Target>* targets, QString* error);
// The same device however it is written: "tcp:HOST:PORT" in lower case, or the port name.
QString TargetKey(const Target& t);
// Appends a target; false (with the reason) when the list already has that device.
bool AddTarget(QList<Target>& targets, const Target& t, QString* error);

} // namespace dtu::cli

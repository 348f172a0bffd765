#pragma once
// One device's run: its own Session (own script engine, links and tables) made and used on the
// calling thread, the command carried out, and what happened collected for the report.
#include "cli/options.h"
#include "cli/progress.h"
#include "session/results.h"

#include <QJsonObject>

namespace dtu::cli {

enum class Outcome {
    Done,        // everything the command asked for succeeded
    Failed,      // refused, no answer, verification failed, port lost
    NoPort,      // the port could not be opened (or the TCP link not made)
    ScriptError, // the device script failed during the run
    ConfigError, // the configuration could not be read on this device's run
};

struct DeviceResult {
    Outcome outcome = Outcome::Failed;
    QJsonObject report; // one entry of the report's "devices"
};

// Runs the command for options.targets[index]. Call it on the thread the device gets.
DeviceResult RunDevice(const Options& options, int index, Progress& progress);

// The file a device's configuration is saved in by read --out: the --out name itself for one
// device, with the port's name added before the suffix for several ("golden.txt" and
// "/dev/ttyUSB1" give "golden-ttyUSB1.txt").
QString OutFileFor(const QString& out, const QString& device, bool several);

// Exit status over all devices: 2 before 3 before 1.
int ExitStatus(const QList<Outcome>& outcomes);
QString OutcomeName(Outcome o);
// The outcome of a device whose run ended with this failure (Done for none).
Outcome OutcomeOf(const Failure& f);

} // namespace dtu::cli

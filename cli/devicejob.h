#pragma once
// One device's run: the command carried out with a session (the worker's, see deviceworker.h)
// and what happened collected for the report.
#include "base/frontend.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "session/results.h"

#include <QJsonObject>

namespace dtu {
class Session;
}

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

// Collects the tool's texts (log box and dialogue lines) for the report.
class CollectingStatus : public IStatusSink {
public:
    QStringList texts;
    QString result;
    void SetResult(const QString& text) override { result = text; }
    QString Result() const override { return result; }
    void Log(const QString& line) override { texts << line; }
    void Dialog(const QString& line) override { texts << line; }
    void Transparent(const QString&) override {}
};

// Runs the command for options.targets[index] with this session (opened, used, closed), whose
// texts go to status; prepared: the failure of loading the script or the configuration into
// it, reported in place of a run. Call it on the thread that made the session.
DeviceResult RunJob(const Options& options, int index, Progress& progress, Session& session, CollectingStatus& status,
                    const Failure& prepared);

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

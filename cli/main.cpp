// dtucfg-cli: the tool's core from the command line, one session per device, --jobs devices at a time.
#include "cli/devicejob.h"
#include "cli/history.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "cli/runner.h"
#include "cli/values.h"
#include "config/config.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <vector>

using namespace dtu;
using namespace dtu::cli;

namespace {

// The process's peak resident memory (VmHWM), 0 when unknown.
qint64 PeakMemoryKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

void Out(const QString& text) { std::fputs(text.toLocal8Bit().constData(), stdout); }
void Err(const QString& line) { std::fprintf(stderr, "dtucfg-cli: %s\n", line.toLocal8Bit().constData()); }

// The script and the configuration, checked once before any port is touched.
class NullStatus : public IStatusSink {
public:
    void SetResult(const QString&) override {}
    QString Result() const override { return {}; }
    void Log(const QString&) override {}
    void Dialog(const QString&) override {}
    void Transparent(const QString&) override {}
};

// Also converts the --set and --inventory values into the targets' overrides.
bool CheckInputs(Options& o) {
    QByteArray text;
    QString error;
    if (!ReadWholeFile(o.script, &text, &error)) {
        Err(o.script + QStringLiteral(": ") + error);
        return false;
    }
    NullStatus status;
    NullConfigView view;
    Session s(status, view);
    const ScriptResult r = s.Script().Eval(QString::fromUtf8(text));
    if (!r) {
        Err(o.script + QStringLiteral(": ") + r.error);
        return false;
    }
    if (o.config.isEmpty()) return true;
    const LoadResult l = s.Config().LoadConfiguration(o.config);
    if (!l) {
        Err(o.config + QStringLiteral(": ") + l.error);
        return false;
    }
    if (!o.accessCode.isEmpty()) ApplyAccessCode(s.State(), o.accessCode);
    if (!ResolveValues(s, o.targets, o.values, &error)) {
        Err(error);
        return false;
    }
    return true;
}

// A live line per device only while the devices fit on a screen.
constexpr int kMaxLiveDevices = 40;

void PrintHuman(const Options& o, const std::vector<DeviceResult>& results) {
    for (const DeviceResult& r : results) {
        const QJsonObject& d = r.report;
        const QString name = d.value(QStringLiteral("device")).toString();
        QString line = name + QStringLiteral(": ") + d.value(QStringLiteral("status")).toString();
        if (d.contains(QStringLiteral("error"))) line += QStringLiteral(" (") + d.value(QStringLiteral("error")).toString() + QLatin1Char(')');
        if (o.command == Command::Info && d.contains(QStringLiteral("version")))
            line += QStringLiteral("  version=%1  clock=%2  csq=%3")
                        .arg(d.value(QStringLiteral("version")).toString(), d.value(QStringLiteral("clock")).toString(),
                             d.value(QStringLiteral("csq")).isNull() ? QStringLiteral("-") : QString::number(d.value(QStringLiteral("csq")).toInt()));
        if (o.command == Command::Clock && d.contains(QStringLiteral("clock")))
            line += QStringLiteral("  clock=") + d.value(QStringLiteral("clock")).toString();
        if (o.command == Command::Apply && o.check)
            line += QStringLiteral("  would-write=%1 skipped=%2")
                        .arg(d.value(QStringLiteral("wouldWrite")).toArray().size())
                        .arg(d.value(QStringLiteral("skipped")).toArray().size());
        else if (o.command == Command::Apply || o.command == Command::Undo)
            line += QStringLiteral("  written=%1 refused=%2 skipped=%3 verified=%4 verify-failed=%5")
                        .arg(d.value(QStringLiteral("written")).toArray().size())
                        .arg(d.value(QStringLiteral("refused")).toArray().size())
                        .arg(d.value(QStringLiteral("skipped")).toArray().size())
                        .arg(d.value(QStringLiteral("verified")).toArray().size())
                        .arg(d.value(QStringLiteral("verifyFailed")).toArray().size());
        Out(line + QLatin1Char('\n'));
        for (const QJsonValue& v : d.value(QStringLiteral("rows")).toArray()) {
            const QJsonObject row = v.toObject();
            Out(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                    .arg(name, row.value(QStringLiteral("number")).toString(), row.value(QStringLiteral("name")).toString(),
                         row.value(QStringLiteral("raw")).toString(), row.value(QStringLiteral("value")).toString()));
        }
        // --diff: name: the device's value -> the value to write.
        for (const QJsonValue& v : d.value(QStringLiteral("diff")).toArray()) {
            const QJsonObject x = v.toObject();
            const QString row = x.value(QStringLiteral("name")).toString();
            Out(QStringLiteral("  %1: %2 \u2192 %3\n")
                    .arg(row.isEmpty() ? x.value(QStringLiteral("number")).toString() : row,
                         x.value(QStringLiteral("before")).toString(), x.value(QStringLiteral("after")).toString()));
        }
        for (const char* key : {"differences", "refused", "verifyFailed"})
            for (const QJsonValue& v : d.value(QLatin1String(key)).toArray()) {
                const QJsonObject x = v.toObject();
                Out(QStringLiteral("  %1 %2 %3 %4\n")
                        .arg(QLatin1String(key), x.value(QStringLiteral("number")).toString(), x.value(QStringLiteral("name")).toString(),
                             x.contains(QStringLiteral("message")) ? x.value(QStringLiteral("message")).toString()
                                                                   : x.value(QStringLiteral("device")).toString() + QStringLiteral(" -> ") +
                                                                         x.value(QStringLiteral("file")).toString()));
            }
        if (d.contains(QStringLiteral("saved"))) Out(QStringLiteral("  saved %1\n").arg(d.value(QStringLiteral("saved")).toString()));
        if (d.contains(QStringLiteral("backup"))) Out(QStringLiteral("  backup %1\n").arg(d.value(QStringLiteral("backup")).toString()));
        if (d.contains(QStringLiteral("journal"))) Out(QStringLiteral("  journal %1\n").arg(d.value(QStringLiteral("journal")).toString()));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dtucfg-cli"));
    if (IsHistoryCommand(app.arguments())) return RunHistory(app.arguments());
    const ParseResult parsed = ParseArguments(app.arguments());
    if (parsed.help) {
        Out(parsed.helpText);
        return 0;
    }
    if (!parsed.options) {
        Err(parsed.error);
        return 2;
    }
    Options o = *parsed.options;
    if ((o.command == Command::Reset || o.command == Command::Defaults) && !o.yes) {
        Err(QStringLiteral("%1 changes the device: add --yes to go ahead (nothing was sent)").arg(CommandName(o.command)));
        return 2;
    }
    if (!CheckInputs(o)) return 2;

    QStringList names;
    for (const Target& t : o.targets) names << t.name;
    Progress progress(names, o.live && names.size() <= kMaxLiveDevices);
    QHash<QString, int> counts;
    // --jsonl: each device's line as it finishes; its report is not kept.
    const DeviceDone done = [&](int, DeviceResult& r) {
        if (!o.jsonl) return;
        Out(QString::fromUtf8(QJsonDocument(r.report).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
        std::fflush(stdout);
        r.report = QJsonObject{{QStringLiteral("device"), r.report.value(QStringLiteral("device"))}};
    };
    std::vector<DeviceResult> results = RunAll(o, progress, done);
    progress.Finish();

    QList<Outcome> outcomes;
    QJsonArray devices;
    for (const DeviceResult& r : results) {
        outcomes << r.outcome;
        counts[OutcomeName(r.outcome)] += 1;
        if (o.json) devices.append(r.report);
    }
    const int rc = ExitStatus(outcomes);
    if (o.jsonl) {
        QJsonObject byStatus;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) byStatus.insert(it.key(), it.value());
        const QJsonObject summary{{QStringLiteral("summary"), true},
                                  {QStringLiteral("command"), CommandName(o.command)},
                                  {QStringLiteral("config"), o.config},
                                  {QStringLiteral("exitStatus"), rc},
                                  {QStringLiteral("peakMemoryKb"), PeakMemoryKb()},
                                  {QStringLiteral("deviceCount"), static_cast<int>(results.size())},
                                  {QStringLiteral("statuses"), byStatus}};
        Out(QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    } else if (o.json) {
        const QJsonObject doc{{QStringLiteral("command"), CommandName(o.command)},
                              {QStringLiteral("config"), o.config},
                              {QStringLiteral("exitStatus"), rc},
                              {QStringLiteral("peakMemoryKb"), PeakMemoryKb()},
                              {QStringLiteral("devices"), devices}};
        Out(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
    } else {
        PrintHuman(o, results);
    }
    return rc;
}

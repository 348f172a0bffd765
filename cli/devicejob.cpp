// One device's run: the session's operations called for the command, their results turned into
// the report's entry and progress lines.
#include "cli/devicejob.h"

#include "config/profile.h"
#include "session/session.h"

#include <QElapsedTimer>
#include <QJsonArray>

namespace dtu::cli {

namespace {

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

// Progress lines: the step, or rows done of rows to do.
struct ProgressObserver : ISessionObserver {
    ProgressObserver(cli::Progress& p, int i) : progress(p), index(i) {}
    void Step(const QString& text) override { progress.Step(index, text); }
    void Progress(int done, int total, const QString& number) override {
        if (!number.isEmpty()) progress.Step(index, QStringLiteral("%1/%2 rows (%3)").arg(done).arg(total).arg(number));
    }
    cli::Progress& progress;
    int index;
};

QJsonObject WriteJson(const RowWrite& w, const QString& message) {
    return {{QStringLiteral("number"), w.row.number}, {QStringLiteral("name"), w.row.name},
            {QStringLiteral("value"), w.row.raw}, {QStringLiteral("message"), message}};
}

class Job {
public:
    Job(const Options& o, int index, Progress& progress)
        : o_(o), target_(o.targets.at(index)), observer_(progress, index), session_(status_, view_) {}
    DeviceResult Run();

private:
    Failure Prepare(), Command(), Read(), Verify(), Apply();
    // A command's result: its text into the report, its message into the log.
    Failure Report(const CommandResult& r, const char* key) {
        if (key) report_.insert(QLatin1String(key), r.text);
        if (!r.message.isEmpty()) status_.Log(r.message);
        return Listed(r.failure, r.failure.kind == Failure::Kind::NoAnswer || r.failure.kind == Failure::Kind::Refused);
    }
    // A failure the report's lists or messages already show gets no "error".
    Failure Listed(const Failure& f, bool listed) {
        listed_ = listed;
        return f;
    }

    const Options& o_;
    const Target target_;
    ProgressObserver observer_;
    CollectingStatus status_;
    NullConfigView view_;
    Session session_;
    QJsonObject report_;
    bool listed_ = false;
};

Failure Job::Prepare() {
    session_.SetObserver(&observer_);
    if (Failure f = session_.LoadScript(o_.script); f.Failed()) return f;
    if (Failure f = o_.config.isEmpty() ? Failure{} : session_.LoadConfiguration(o_.config); f.Failed()) return f;
    if (o_.replyEnd) session_.Exchanger().SetReplyEnd(*o_.replyEnd);
    if (!o_.accessCode.isEmpty()) ApplyAccessCode(session_.State(), o_.accessCode);
    // The run's own frame logging stays off: level 1 only counts for what the code allows.
    if (session_.State().EngineeringLevel == 1) session_.State().EngineeringLevel = 0;
    report_.insert(QStringLiteral("replyEnd"), ReplyEndName(session_.Exchanger().ReplyEndMode()));
    return session_.Open(target_.name, target_.tcp, o_.baud, o_.format);
}

Failure Job::Command() {
    switch (o_.command) {
    case Command::Info: {
        const CommandResult v = session_.Version(), c = session_.ReadClock(), s = session_.Signal();
        report_.insert(QStringLiteral("version"), v.text);
        report_.insert(QStringLiteral("clock"), c.text);
        report_.insert(QStringLiteral("csq"), s.csq >= 0 ? QJsonValue(s.csq) : QJsonValue());
        Failure first;
        for (const CommandResult* r : {&v, &c, &s})
            if (r->failure.Failed()) status_.Log(r->failure.text), first = first.Failed() ? first : r->failure;
        return Listed(first, first.kind == Failure::Kind::NoAnswer);
    }
    case Command::Clock:
        return o_.setClock ? Report(session_.SetClock(QDateTime::currentDateTime()), nullptr)
                           : Report(session_.ReadClock(), "clock");
    case Command::Reset: return Report(session_.Reset(), nullptr);
    case Command::Defaults: return Report(session_.FactoryDefaults(), nullptr);
    case Command::Read: return Read();
    case Command::Apply: return Apply();
    case Command::Verify: return Verify();
    }
    return {};
}

Failure Job::Read() {
    const ReadResult r = session_.ReadAll();
    if (r.failure.Failed()) return r.failure;
    QJsonArray rows;
    for (const RowValue& v : r.rows)
        rows.append(QJsonObject{{QStringLiteral("number"), v.number}, {QStringLiteral("name"), v.name},
                                {QStringLiteral("raw"), v.raw}, {QStringLiteral("value"), v.display}});
    report_.insert(QStringLiteral("rows"), rows);
    if (o_.out.isEmpty()) return {};
    const QString path = OutFileFor(o_.out, target_.name, o_.targets.size() > 1);
    observer_.Step(QStringLiteral("saving ") + path);
    const ProfileSaveResult s = SaveProfile(ProfileSource::From(session_.Config()), session_.MainTable(),
                                            session_.State().InterfacePagePresent ? &session_.InterfaceTable() : nullptr, path);
    if (!s.ok) return {Failure::Kind::FileError, path + QStringLiteral(": ") + s.error};
    report_.insert(QStringLiteral("saved"), s.path);
    if (!s.exPath.isEmpty()) report_.insert(QStringLiteral("savedExtended"), s.exPath);
    return {};
}

Failure Job::Verify() {
    const CompareOutcome c = session_.Compare(o_.config);
    if (c.failure.Failed()) return c.failure;
    const auto list = [](const QList<Mismatch>& ms) {
        QJsonArray a;
        for (const Mismatch& m : ms)
            a.append(QJsonObject{{QStringLiteral("number"), m.profile.number}, {QStringLiteral("name"), m.profile.name},
                                 {QStringLiteral("device"), m.device.raw}, {QStringLiteral("file"), m.profile.raw}});
        return a;
    };
    report_.insert(QStringLiteral("differences"), list(c.differences));
    report_.insert(QStringLiteral("skipped"), list(c.skipped));
    if (c.differences.isEmpty()) return {};
    return Listed({Failure::Kind::VerifyFailed, QStringLiteral("differs")}, true);
}

Failure Job::Apply() {
    ApplyOptions options;
    options.overrides = target_.overrides;
    const ApplyResult r = session_.Apply(o_.config, options);
    QJsonArray written, refused, skipped, verified, failedRows;
    for (const RowWrite& w : r.written) written.append(WriteJson(w, w.message));
    for (const RowWrite& w : r.refused) refused.append(WriteJson(w, w.message));
    for (const RowWrite& w : r.skipped) skipped.append(WriteJson(w, QStringLiteral("skipped: needs the level-2 --access-code")));
    for (const RowValue& v : r.verified) verified.append(v.number);
    for (const Mismatch& m : r.mismatches)
        failedRows.append(QJsonObject{{QStringLiteral("number"), m.profile.number},
                                      {QStringLiteral("name"), m.profile.name}, {QStringLiteral("message"), m.message}});
    // Failed before any row went out (the read, the comparison, a port error): no lists.
    if (r.failure.Failed() && r.written.isEmpty() && r.refused.isEmpty() && r.verified.isEmpty() && r.mismatches.isEmpty())
        return r.failure;
    report_.insert(QStringLiteral("written"), written);
    report_.insert(QStringLiteral("refused"), refused);
    report_.insert(QStringLiteral("skipped"), skipped);
    report_.insert(QStringLiteral("verified"), verified);
    report_.insert(QStringLiteral("verifyFailed"), failedRows);
    report_.insert(QStringLiteral("changed"), r.Changed());
    return Listed(r.failure, r.failure.kind == Failure::Kind::Refused || r.failure.kind == Failure::Kind::VerifyFailed);
}

DeviceResult Job::Run() {
    QElapsedTimer clock;
    clock.start();
    report_.insert(QStringLiteral("device"), target_.name);
    report_.insert(QStringLiteral("link"), target_.tcp ? QStringLiteral("tcp") : QStringLiteral("serial"));
    Failure f = Prepare();
    if (!f.Failed()) f = Command();
    session_.Close();
    const Outcome outcome = OutcomeOf(f);
    // Refusals, differences and mismatches are in the lists; other failures say why.
    if (f.Failed() && !listed_) report_.insert(QStringLiteral("error"), f.text);
    report_.insert(QStringLiteral("status"), OutcomeName(outcome));
    report_.insert(QStringLiteral("messages"), QJsonArray::fromStringList(status_.texts));
    report_.insert(QStringLiteral("seconds"), clock.elapsed() / 1000.0);
    observer_.Step(OutcomeName(outcome) + (report_.contains(QStringLiteral("error"))
                                               ? QStringLiteral(": ") + report_.value(QStringLiteral("error")).toString()
                                               : QString()));
    return {outcome, report_};
}

} // namespace

DeviceResult RunDevice(const Options& options, int index, Progress& progress) {
    Job job(options, index, progress);
    return job.Run();
}

} // namespace dtu::cli

// One device's run: the session's operations called for the command, their results turned into
// the report's entry and progress lines.
#include "cli/devicejob.h"
#include "cli/journaljob.h"

#include "cli/applyreport.h"
#include "config/profile.h"
#include "session/session.h"

#include <QElapsedTimer>
#include <QJsonArray>

namespace dtu::cli {

namespace {

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

class Job {
public:
    Job(const Options& o, int index, Progress& progress, CollectingStatus& status, Session& session)
        : o_(o), target_(o.targets.at(index)), observer_(progress, index), status_(status), session_(session) {}
    DeviceResult Run(const Failure& prepared);

private:
    Failure Command(), Read(), Verify(), Apply();
    // A command's result: its text into the report, its message into the log.
    Failure Report(const CommandResult& r, const char* key) {
        NoteJournal(report_, target_.name, r.operation, r.notRecorded);
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
    CollectingStatus& status_;
    Session& session_;
    QJsonObject report_;
    bool listed_ = false;
};

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
    case Command::Undo:
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
    const ApplyResult r = ApplyOrUndo(session_, o_, target_, ApplyOptions{true, o_.check, target_.overrides}, report_);
    // Failed before any row went out (the read, the comparison, a port error): no lists.
    if (r.failure.Failed() && r.written.isEmpty() && r.refused.isEmpty() && r.verified.isEmpty() && r.mismatches.isEmpty())
        return r.failure;
    AddApplyReport(report_, r, o_.check, o_.diff);
    return Listed(r.failure, r.failure.kind == Failure::Kind::Refused || r.failure.kind == Failure::Kind::VerifyFailed);
}

DeviceResult Job::Run(const Failure& prepared) {
    QElapsedTimer clock;
    clock.start();
    report_.insert(QStringLiteral("device"), target_.name);
    report_.insert(QStringLiteral("link"), target_.tcp ? QStringLiteral("tcp") : QStringLiteral("serial"));
    report_.insert(QStringLiteral("replyEnd"), ReplyEndName(session_.Exchanger().ReplyEndMode()));
    session_.SetObserver(&observer_);
    Failure f = prepared.Failed() ? prepared : session_.Open(target_.name, target_.tcp, o_.baud, o_.format);
    if (!f.Failed()) f = Command();
    session_.Close();
    session_.SetObserver(nullptr);
    const Outcome outcome = OutcomeOf(f);
    // Refusals, differences and mismatches are in the lists; other failures say why.
    if (f.Failed() && !listed_) {
        report_.insert(QStringLiteral("error"), f.text);
        report_.insert(QStringLiteral("failure"), FailureName(f.kind));
    }
    report_.insert(QStringLiteral("status"), OutcomeName(outcome));
    report_.insert(QStringLiteral("messages"), QJsonArray::fromStringList(status_.texts));
    report_.insert(QStringLiteral("seconds"), clock.elapsed() / 1000.0);
    observer_.Step(OutcomeName(outcome) + (report_.contains(QStringLiteral("error"))
                                               ? QStringLiteral(": ") + report_.value(QStringLiteral("error")).toString()
                                               : QString()));
    return {outcome, report_};
}

} // namespace

DeviceResult RunJob(const Options& options, int index, Progress& progress, Session& session, CollectingStatus& status,
                    const Failure& prepared) {
    Job job(options, index, progress, status, session);
    return job.Run(prepared);
}

} // namespace dtu::cli

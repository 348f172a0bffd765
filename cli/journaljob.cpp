#include "cli/journaljob.h"

#include "config/profile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <cstdio>

namespace dtu::cli {

namespace {

// The file apply --backup saves a device's values in: the target and the time, in the folder.
QString BackupFile(const QString& folder, const QString& target) {
    QString tag = target;
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.]+")), QStringLiteral("-"));
    return QDir(folder).filePath(tag + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmmss-zzz")) +
                                 QStringLiteral(".txt"));
}

Failure SaveBackup(Session& s, const QString& folder, QJsonObject& report) {
    const ReadResult r = s.ReadAll();
    if (r.failure.Failed()) return r.failure;
    const QString path = BackupFile(folder, s.TargetName());
    if (!QDir().mkpath(folder)) return {Failure::Kind::FileError, folder + QStringLiteral(": cannot create the folder")};
    const ProfileSaveResult saved = SaveProfile(ProfileSource::From(s.Config()), s.MainTable(),
                                                s.State().InterfacePagePresent ? &s.InterfaceTable() : nullptr, path);
    if (!saved.ok) return {Failure::Kind::FileError, path + QStringLiteral(": ") + saved.error};
    report.insert(QStringLiteral("backup"), QFileInfo(saved.path).absoluteFilePath());
    return {};
}

ApplyResult Failed(const Failure& f) {
    ApplyResult r;
    r.failure = f;
    return r;
}

ApplyResult BackupAndApply(Session& session, const Options& o, const Target& t, const ApplyOptions& options,
                           QJsonObject& report) {
    if (!o.backup.isEmpty())
        if (const Failure f = SaveBackup(session, o.backup, report); f.Failed()) return Failed(f);
    const ApplyResult r = session.Apply(o.config, options);
    NoteJournal(report, t.name, r.operation, r.notRecorded);
    return r;
}

ApplyResult UndoLast(Session& session, const Options& o, const Target& t, QJsonObject& report) {
    QStringList warnings;
    const UndoPlan plan = PlanUndo(Journal(), session.TargetName(), o.operation, &warnings);
    for (const QString& w : warnings) session.Status().Log(w);
    if (!plan.CanUndo()) return Failed({Failure::Kind::ConfigError, plan.error});
    report.insert(QStringLiteral("undone"), plan.operation);
    QJsonArray unknown;
    for (const UndoRow& u : plan.unknown)
        unknown.append(QJsonObject{{QStringLiteral("number"), u.number}, {QStringLiteral("name"), u.name},
                                   {QStringLiteral("value"), u.written.raw}});
    report.insert(QStringLiteral("unknown"), unknown);
    if (o.config.isEmpty()) {
        if (plan.config.isEmpty())
            return Failed({Failure::Kind::ConfigError, QStringLiteral("the journal names no configuration: give --config")});
        if (const Failure f = session.LoadConfiguration(plan.config); f.Failed()) return Failed(f);
        session.Close();
        if (const Failure f = session.Open(t.name, t.tcp, o.baud, o.format); f.Failed()) return Failed(f);
    }
    // The values now: the undo's own records hold them, so that it can be undone in turn.
    if (const ReadResult now = session.ReadAll(); now.failure.Failed()) return Failed(now.failure);
    const ApplyResult r = session.Undo(plan, true);
    NoteJournal(report, t.name, r.operation, r.notRecorded);
    return r;
}

} // namespace

void UseJournal(Session& session) {
    const Journal journal;
    session.SetJournal(&journal, QStringLiteral("cli"));
}

ApplyResult ApplyOrUndo(Session& session, const Options& o, const Target& t, const ApplyOptions& options,
                        QJsonObject& report) {
    return o.command == Command::Undo ? UndoLast(session, o, t, report) : BackupAndApply(session, o, t, options, report);
}

void NoteJournal(QJsonObject& report, const QString& device, const QString& operation, const QString& notRecorded) {
    if (!operation.isEmpty()) report.insert(QStringLiteral("journal"), operation);
    if (notRecorded.isEmpty()) return;
    report.insert(QStringLiteral("journalError"), notRecorded);
    std::fprintf(stderr, "dtucfg-cli: %s: this change is not recorded in the journal: %s\n", qPrintable(device),
                 qPrintable(notRecorded));
}

} // namespace dtu::cli

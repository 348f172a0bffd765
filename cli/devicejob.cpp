#include "cli/devicejob.h"

#include "base/hex.h"
#include "cli/overrides.h"
#include "config/profile.h"
#include "params/paramops.h"
#include "params/reader.h"
#include "params/verify.h"
#include "params/writer.h"
#include "protocol/commands.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>
#include <QThread>

#include <algorithm>

namespace dtu::cli {

namespace {

// Collects the tool's texts (log box and dialogue lines) for the report; the result panel is
// kept as the last result only.
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

struct Failure {
    Outcome outcome;
    QString text;
};

QJsonObject RowJson(const ParamRow& r) {
    return {{QStringLiteral("number"), r[FieldNumber]},
            {QStringLiteral("name"), r[FieldName]},
            {QStringLiteral("raw"), r[FieldRaw]},
            {QStringLiteral("value"), r[FieldDisplay]}};
}

bool IsNumbered(const QString& number) { return !number.isEmpty() && HexToInt(number.left(4)) > 0; }

class Job {
public:
    Job(const Options& o, int index, Progress& progress)
        : o_(o), target_(o.targets.at(index)), index_(index), progress_(progress), session_(status_, view_) {}

    DeviceResult Run();

private:
    void Step(const QString& text) { progress_.Step(index_, text); }
    void Fail(Outcome o, const QString& text) { throw Failure{o, text}; }
    void Prepare();
    void Open();
    void Select(int channel) {
        if (session_.State().InterfacePagePresent) SelectParamChannel(ex(), channel, session_.Serial().IsOpen());
    }
    Exchange& ex() { return session_.Exchanger(); }
    QList<ParamTable*> Tables() {
        QList<ParamTable*> t{&session_.MainTable()};
        if (session_.State().InterfacePagePresent) t << &session_.InterfaceTable();
        return t;
    }
    int ChannelOf(ParamTable* t) { return t->IsInterface() ? 0 : session_.State().MainParamChannel; }
    // Reads every table; rows the device does not report keep an empty raw value.
    void ReadTables();
    void Info();
    void Clock();
    void ResetOrDefaults();
    void Read();
    void Apply();
    void Verify();

    const Options& o_;
    const Target target_;
    const int index_;
    Progress& progress_;
    CollectingStatus status_;
    NullConfigView view_;
    Session session_;
    QJsonObject report_;
    bool failed_ = false;
    bool lost_ = false;
};

void Job::Prepare() {
    QString error;
    if (!session_.Script().LoadFile(o_.script, &error)) Fail(Outcome::ScriptError, o_.script + QStringLiteral(": ") + error);
    if (!o_.config.isEmpty()) {
        const LoadResult r = session_.Config().LoadConfiguration(o_.config);
        if (!r) Fail(Outcome::ConfigError, o_.config + QStringLiteral(": ") + r.error);
    }
    if (o_.replyEnd) ex().SetReplyEnd(*o_.replyEnd);
    if (!o_.accessCode.isEmpty()) ApplyAccessCode(session_.State(), o_.accessCode);
    // The run's own frame logging stays off: level 1 only counts for what the code allows.
    if (session_.State().EngineeringLevel == 1) session_.State().EngineeringLevel = 0;
    report_.insert(QStringLiteral("replyEnd"), ReplyEndName(ex().ReplyEndMode()));
}

void Job::Open() {
    Step(QStringLiteral("opening"));
    session_.UseDataChannel();
    if (target_.tcp) {
        QString host = target_.name;
        const int colon = static_cast<int>(host.lastIndexOf(QLatin1Char(':')));
        if (colon > 0) {
            bool ok = false;
            const int port = host.mid(colon + 1).toInt(&ok);
            if (!ok || port <= 0 || port > 65535) Fail(Outcome::NoPort, QStringLiteral("bad TCP address ") + host);
            session_.Tcp().SetPort(static_cast<quint16>(port));
            host.truncate(colon);
        }
        session_.Tcp().Connect(host);
        QDeadlineTimer deadline(5000);
        while (!session_.Tcp().IsConnected() && !deadline.hasExpired() &&
               session_.Tcp().Socket().state() != QAbstractSocket::UnconnectedState)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20), QThread::msleep(2);
        if (!session_.Tcp().IsConnected()) Fail(Outcome::NoPort, target_.name + QStringLiteral("连接失败"));
        OnPortButton(ex(), false);
        return;
    }
    const QJsonObject& root = session_.Config().ConfigRoot;
    const QString baud = !o_.baud.isEmpty() ? o_.baud : JsonValueText(root.value(QLatin1String("Baudrate")));
    const QString format = !o_.format.isEmpty() ? o_.format : JsonValueText(root.value(QLatin1String("ComOption")));
    QString error;
    if (!session_.Serial().Open(target_.name, baud.isEmpty() ? QStringLiteral("9600") : baud,
                                format.isEmpty() ? QStringLiteral("8N1") : format, &error))
        Fail(Outcome::NoPort, OpenFailedText(target_.name) + (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    QObject::connect(&session_.Serial(), &SerialLink::Lost, [this] { lost_ = true; });
    OnPortButton(ex(), true);
}

void Job::ReadTables() {
    for (ParamTable* t : Tables()) {
        if (t->RequestList.isEmpty()) continue;
        Step(t->IsInterface() ? QStringLiteral("reading interface parameters") : QStringLiteral("reading parameters"));
        Select(ChannelOf(t));
        for (int i = 0; i < t->Count(); ++i) {
            if (!IsNumbered(t->Row(i)[FieldNumber])) continue;
            t->SetField(i, FieldRaw, QString());
            t->SetField(i, FieldDisplay, QString());
        }
        AppState& s = session_.State();
        const DataFailure f = ReadTable(ex(), t->RequestList, [&] { return ActiveTable(s, session_.MainTable(), session_.InterfaceTable()); });
        if (f != DataFailure::None) Fail(Outcome::Failed, DataFailureMessage(QStringLiteral("参数读取"), f));
    }
}

void Job::Info() {
    Step(QStringLiteral("version"));
    const QString version = ReadVersion(ex());
    Step(QStringLiteral("clock"));
    const QString clock = ReadClock(ex());
    Step(QStringLiteral("signal"));
    const int csq = ReadSignal(ex());
    report_.insert(QStringLiteral("version"), version);
    report_.insert(QStringLiteral("clock"), clock);
    report_.insert(QStringLiteral("csq"), csq >= 0 ? QJsonValue(csq) : QJsonValue());
    if (version.isEmpty()) status_.Log(QStringLiteral("DTU版本号读取失败"));
    if (clock.isEmpty()) status_.Log(QStringLiteral("设备时钟读取失败"));
    if (csq < 0) status_.Log(QStringLiteral("信号读取失败"));
    failed_ = version.isEmpty() || clock.isEmpty() || csq < 0;
}

void Job::Clock() {
    if (!o_.setClock) {
        Step(QStringLiteral("reading clock"));
        const QString clock = ReadClock(ex());
        report_.insert(QStringLiteral("clock"), clock);
        status_.Log(clock.isEmpty() ? QStringLiteral("设备时钟读取失败") : QStringLiteral("设备时钟读取成功"));
        failed_ = clock.isEmpty();
        return;
    }
    Step(QStringLiteral("setting clock"));
    const int rc = SetClock(ex(), QDateTime::currentDateTime());
    status_.Log(ClockSetMessage(rc));
    failed_ = rc != ReplyOk;
}

void Job::ResetOrDefaults() {
    const bool reset = o_.command == Command::Reset;
    Step(reset ? QStringLiteral("resetting") : QStringLiteral("restoring factory defaults"));
    const int rc = reset ? ResetDevice(ex()) : RestoreDefaults(ex());
    status_.Log(OutcomeMessage(reset ? QStringLiteral("复位设备") : QStringLiteral("参数设置"), rc));
    failed_ = rc != ReplyOk;
}

void Job::Read() {
    ReadTables();
    QJsonArray rows;
    for (ParamTable* t : Tables())
        for (int i = 0; i < t->Count(); ++i)
            if (IsNumbered(t->Row(i)[FieldNumber])) rows.append(RowJson(t->Row(i)));
    report_.insert(QStringLiteral("rows"), rows);
    if (o_.out.isEmpty()) return;
    const QString path = OutFileFor(o_.out, target_.name, o_.targets.size() > 1);
    Step(QStringLiteral("saving ") + path);
    const ProfileSaveResult r = SaveProfile(ProfileSource::From(session_.Config()), session_.MainTable(),
                                            session_.State().InterfacePagePresent ? &session_.InterfaceTable() : nullptr, path);
    if (!r.ok) Fail(Outcome::Failed, path + QStringLiteral(": ") + r.error);
    report_.insert(QStringLiteral("saved"), r.path);
    if (!r.exPath.isEmpty()) report_.insert(QStringLiteral("savedExtended"), r.exPath);
}

void Job::Verify() {
    ReadTables();
    AppState& s = session_.State();
    // What the device holds, before the comparison puts the file's values into the rows.
    QHash<QString, QString> device;
    for (ParamTable* t : Tables())
        for (int i = 0; i < t->Count(); ++i) device.insert(t->Row(i)[FieldNumber].toUpper(), t->Row(i)[FieldRaw]);
    s.ChangedParamList.clear();
    ParamTable* iface = s.InterfacePagePresent ? &session_.InterfaceTable() : nullptr;
    const CompareResult c = CompareWithFile(session_.Script(), s, session_.MainTable(), iface, o_.config);
    if (!c.ok) Fail(Outcome::ConfigError, o_.config + QStringLiteral(": ") + c.error);
    QJsonArray differences, skipped;
    for (ParamTable* t : Tables())
        for (int i : ChangedRows(*t, s.ChangedParamList)) {
            const ParamRow& r = t->Row(i);
            QJsonObject d{{QStringLiteral("number"), r[FieldNumber]},
                          {QStringLiteral("name"), r[FieldName]},
                          {QStringLiteral("device"), device.value(r[FieldNumber].toUpper())},
                          {QStringLiteral("file"), r[FieldRaw]}};
            (MayChange(s, r[FieldNumber]) ? differences : skipped).append(d);
        }
    report_.insert(QStringLiteral("differences"), differences);
    report_.insert(QStringLiteral("skipped"), skipped);
    failed_ = !differences.isEmpty();
}

void Job::Apply() {
    ReadTables();
    AppState& s = session_.State();
    s.ChangedParamList.clear();
    ParamTable* ifaceTable = s.InterfacePagePresent ? &session_.InterfaceTable() : nullptr;
    const QHash<QString, QString> held = HeldValues(Tables());
    const CompareResult c = CompareWithFile(session_.Script(), s, session_.MainTable(), ifaceTable, o_.config);
    if (!c.ok) Fail(Outcome::ConfigError, o_.config + QStringLiteral(": ") + c.error);
    ApplyOverrides(session_, Tables(), target_.overrides, held);

    QJsonArray written, refused, skipped, verified, failedRows;
    bool silent = false;
    for (ParamTable* t : Tables()) {
        const QList<int> rows = ChangedRows(*t, s.ChangedParamList);
        if (rows.isEmpty()) continue;
        Select(ChannelOf(t));
        int n = 0;
        const auto toWrite = std::count_if(rows.begin(), rows.end(), [&](int i) {
            return IsNumbered(t->Row(i)[FieldNumber]) && MayChange(s, t->Row(i)[FieldNumber]);
        });
        for (int i : rows) {
            const ParamRow r = t->Row(i);
            const QString number = r[FieldNumber];
            QJsonObject entry{{QStringLiteral("number"), number}, {QStringLiteral("name"), r[FieldName]},
                              {QStringLiteral("value"), r[FieldRaw]}};
            if (!IsNumbered(number)) continue;
            if (!MayChange(s, number)) {
                entry.insert(QStringLiteral("message"), QStringLiteral("skipped: needs the level-2 --access-code"));
                skipped.append(entry);
                continue;
            }
            Step(QStringLiteral("writing %1/%2 %3").arg(++n).arg(toWrite).arg(number));
            const int rc = WriteParam(ex(), session_.MainTable(), session_.InterfaceTable(), number);
            entry.insert(QStringLiteral("message"), WriteMessage(rc));
            (rc == ReplyOk ? written : refused).append(entry);
            if (rc == ReplyNone) {
                // A device that stopped answering is not asked again for every row.
                silent = true;
                break;
            }
        }
        if (silent) break;
    }
    if (!silent) {
        // Every row of the file is read back, not only the written ones: a device is done only
        // when it holds all of them.
        for (ParamTable* t : Tables()) {
            QList<WrittenValue> all;
            for (int i = 0; i < t->Count(); ++i) {
                const ParamRow& r = t->Row(i);
                if (IsNumbered(r[FieldNumber]) && MayChange(s, r[FieldNumber]))
                    all.append({r[FieldNumber], r[FieldName], r[FieldRaw], r[FieldDisplay]});
            }
            if (all.isEmpty()) continue;
            Step(QStringLiteral("verifying %1 rows").arg(all.size()));
            Select(ChannelOf(t));
            s.ChangedParamList.clear();
            const qsizetype from = status_.texts.size();
            VerifyWritten(ex(), *t, all);
            for (const WrittenValue& w : all) {
                QJsonObject entry{{QStringLiteral("number"), w.number}, {QStringLiteral("name"), w.name}};
                if (!InChangedList(s.ChangedParamList, w.number)) {
                    verified.append(w.number);
                    continue;
                }
                const QString head = QStringLiteral("[回读校验失败：") + w.name + QLatin1Char(' ');
                for (qsizetype k = from; k < status_.texts.size(); ++k)
                    if (status_.texts[k].startsWith(head)) entry.insert(QStringLiteral("message"), status_.texts[k]);
                failedRows.append(entry);
            }
        }
    }
    report_.insert(QStringLiteral("written"), written);
    report_.insert(QStringLiteral("refused"), refused);
    report_.insert(QStringLiteral("skipped"), skipped);
    report_.insert(QStringLiteral("verified"), verified);
    report_.insert(QStringLiteral("verifyFailed"), failedRows);
    if (silent) report_.insert(QStringLiteral("error"), lost_ ? QStringLiteral("port lost") : QStringLiteral("device stopped answering"));
    failed_ = silent || !refused.isEmpty() || !failedRows.isEmpty();
}

DeviceResult Job::Run() {
    QElapsedTimer clock;
    clock.start();
    report_.insert(QStringLiteral("device"), target_.name);
    report_.insert(QStringLiteral("link"), target_.tcp ? QStringLiteral("tcp") : QStringLiteral("serial"));
    Outcome outcome = Outcome::Done;
    try {
        Prepare();
        Open();
        switch (o_.command) {
        case Command::Info: Info(); break;
        case Command::Clock: Clock(); break;
        case Command::Reset:
        case Command::Defaults: ResetOrDefaults(); break;
        case Command::Read: Read(); break;
        case Command::Apply: Apply(); break;
        case Command::Verify: Verify(); break;
        }
        if (failed_) outcome = Outcome::Failed;
    } catch (const Failure& f) {
        outcome = f.outcome;
        report_.insert(QStringLiteral("error"), f.text);
    } catch (const LinkError& e) {
        outcome = Outcome::Failed;
        report_.insert(QStringLiteral("error"), target_.name + QStringLiteral(": ") + e.Text());
    } catch (const OperationError& e) {
        outcome = Outcome::ScriptError;
        report_.insert(QStringLiteral("error"), o_.script + QStringLiteral(": ") + e.Text());
    }
    if (lost_ && outcome == Outcome::Done) outcome = Outcome::Failed;
    session_.Serial().Close();
    session_.Tcp().Disconnect();
    report_.insert(QStringLiteral("status"), OutcomeName(outcome));
    report_.insert(QStringLiteral("messages"), QJsonArray::fromStringList(status_.texts));
    report_.insert(QStringLiteral("seconds"), clock.elapsed() / 1000.0);
    Step(OutcomeName(outcome) + (report_.contains(QStringLiteral("error"))
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

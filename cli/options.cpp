#include "cli/options.h"

#include "base/appstate.h"
#include "cli/targets.h"
#include "cli/values.h"

#include <QCommandLineParser>

namespace dtu::cli {

namespace {

const QList<QPair<QString, Command>> kCommands = {
    {QStringLiteral("info"), Command::Info},     {QStringLiteral("read"), Command::Read},
    {QStringLiteral("apply"), Command::Apply},   {QStringLiteral("verify"), Command::Verify},
    {QStringLiteral("clock"), Command::Clock},   {QStringLiteral("reset"), Command::Reset},
    {QStringLiteral("defaults"), Command::Defaults}, {QStringLiteral("undo"), Command::Undo},
};

const char* const kDescription = R"(Configures and checks DTUs from the command line, several at once.

Commands:
  info      version, clock and signal quality of each device
  read      reads both parameter tables and prints every row (--out saves a configuration)
  apply     writes the rows of --config that differ on the device, reads back and verifies
            (--check: only tells what would be written; --diff: each row before -> after)
  verify    compares the device with --config and lists the differences
  clock     reads the device clock (--set: sets it to this computer's time)
  reset     resets the device (only with --yes)
  defaults  restores the factory defaults (only with --yes)
  undo      writes back the values the device's last change (or --operation ID) replaced
  history   the journal of changes made to devices (history --help: --target, --since, --json)

Every change (apply, defaults, reset, clock --set, undo) is recorded in the journal with the
values it replaced; apply --backup DIR also saves the device's values as a configuration first.

Exit status: 0 every device succeeded, 1 a device refused, did not answer or failed
verification, 2 usage, configuration or script error, 3 a port could not be opened.

Example (a production line):
  dtucfg-cli read  --config model.txt --port /dev/ttyUSB0 --out golden.txt
  dtucfg-cli apply --config golden.txt --port /dev/ttyUSB1 --port /dev/ttyUSB2 --json > report.json

Example (devices in the field, a device number each):
  dtucfg-cli apply --config golden.txt --inventory sites.csv --jobs 64 --retries 2 --jsonl > report.jsonl)";

// "clock --set" (no value) sets the clock; "--set ROW=VALUE" gives a value. A --set whose next
// argument holds no "=" is the clock's.
QStringList SeparateClockSet(QStringList args) {
    for (qsizetype i = 1; i < args.size(); ++i)
        if (args[i] == QLatin1String("--set") && (i + 1 == args.size() || !args[i + 1].contains(QLatin1Char('='))))
            args[i] = QStringLiteral("--set-clock");
    return args;
}

bool IntValue(const QCommandLineParser& p, const QString& name, int min, int max, int* out, QString* error) {
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < min || v > max) {
        *error = QStringLiteral("--%1 takes a number %2..%3, not \"%4\"").arg(name).arg(min).arg(max).arg(p.value(name));
        return false;
    }
    *out = v;
    return true;
}

// Targets from --port, --tcp, --targets and --inventory, each parsed and checked for doubles;
// --set and the inventory's values. False with the usage error.
bool ReadTargetsAndValues(const QCommandLineParser& p, Options& o, QString* error) {
    Target t;
    for (const QString& port : p.values(QStringLiteral("port")))
        if (!ParseTarget(port, false, &t, error) || !AddTarget(o.targets, t, error)) return false;
    for (const QString& host : p.values(QStringLiteral("tcp"))) {
        if (!ParseTarget(host, true, &t, error)) {
            *error = QStringLiteral("--tcp ") + *error;
            return false;
        }
        if (!AddTarget(o.targets, t, error)) return false;
    }
    for (const QString& file : p.values(QStringLiteral("targets")))
        if (!ReadTargetsFile(file, &o.targets, error)) return false;
    for (const QString& set : p.values(QStringLiteral("set"))) {
        ValueSetting v;
        if (!ParseSetOption(set, &v, error)) return false;
        o.values.append(v);
    }
    for (const QString& file : p.values(QStringLiteral("inventory")))
        if (!ReadInventory(file, o.targets, o.values, error)) return false;
    if (!o.values.isEmpty() && o.command != Command::Apply) {
        *error = QStringLiteral("--set ROW=VALUE and --inventory go with apply only");
        return false;
    }
    return true;
}

} // namespace

QString CommandName(Command c) {
    for (const auto& p : kCommands)
        if (p.second == c) return p.first;
    return {};
}

bool NeedsConfig(Command c) { return c == Command::Read || c == Command::Apply || c == Command::Verify; }

ParseResult ParseArguments(const QStringList& givenArguments) {
    const QStringList arguments = SeparateClockSet(givenArguments);
    QCommandLineParser p;
    p.setApplicationDescription(QString::fromUtf8(kDescription));
    p.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info, read, apply, verify, clock, reset, defaults, undo or history"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    p.addOptions({
        help,
        {QStringLiteral("port"), QStringLiteral("Serial port of a device (repeat for several devices)."), QStringLiteral("PORT")},
        {QStringLiteral("tcp"), QStringLiteral("TCP maintenance address of a device, HOST or HOST:PORT (port 8888 by default; the password is sent)."), QStringLiteral("HOST")},
        {QStringLiteral("config"), QStringLiteral("Configuration file (needed by read, apply and verify)."), QStringLiteral("FILE")},
        {QStringLiteral("out"), QStringLiteral("read: save a configuration with the device's values (one file per device when several)."), QStringLiteral("FILE")},
        {QStringLiteral("baud"), QStringLiteral("Baud rate (default: the configuration's)."), QStringLiteral("RATE")},
        {QStringLiteral("format"), QStringLiteral("Frame format such as 8N1 (default: the configuration's)."), QStringLiteral("FORMAT")},
        {QStringLiteral("script"), QStringLiteral("Device script (default script.js in the current directory)."), QStringLiteral("FILE")},
        {QStringLiteral("json"), QStringLiteral("One JSON report on stdout; progress stays on stderr.")},
        {QStringLiteral("reply-end"), QStringLiteral("How a reply ends: frame or silence (default: the configuration's \"ReplyEnd\")."), QStringLiteral("MODE")},
        {QStringLiteral("access-code"), QStringLiteral("Access code; the level-2 code lets apply write the protected row 0091."), QStringLiteral("CODE")},
        {QStringLiteral("yes"), QStringLiteral("Confirms reset and defaults.")},
        {QStringLiteral("set"), QStringLiteral("clock --set: set the device clock to this computer's time. apply --set ROW=VALUE: "
                                               "the value for a row (number or name) as typed in the editor, on every device (repeatable)."), QStringLiteral("ROW=VALUE")},
        {QStringLiteral("set-clock"), QStringLiteral("clock: set the device clock (same as clock --set).")},
        {QStringLiteral("no-live"), QStringLiteral("Progress as plain lines even on a terminal.")},
        {QStringLiteral("targets"), QStringLiteral("File of targets, one a line: a serial port or tcp:HOST[:PORT]; # comments."), QStringLiteral("FILE")},
        {QStringLiteral("inventory"), QStringLiteral("CSV of per-device values (UTF-8 or GBK): the target, then one column per row headed by its number or name; its targets run too."), QStringLiteral("FILE")},
        {QStringLiteral("jobs"), QStringLiteral("Devices at a time (default 16)."), QStringLiteral("N"), QStringLiteral("16")},
        {QStringLiteral("retries"), QStringLiteral("Tries a device that did not answer or could not be reached again, up to N times, with a growing pause."), QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("jsonl"), QStringLiteral("One JSON object a line per device as it finishes, the summary last.")},
        {QStringLiteral("check"), QStringLiteral("apply: read and compare only; report the rows that would be written, write nothing.")},
        {QStringLiteral("diff"), QStringLiteral("apply: each row that differs, as the device's value -> the value to write.")},
        {QStringLiteral("backup"), QStringLiteral("apply: first save each device's values as a configuration in this folder."), QStringLiteral("DIR")},
        {QStringLiteral("operation"), QStringLiteral("undo: the journal's operation to undo (see history); default the device's last change."), QStringLiteral("ID")},
    });
    ParseResult r;
    if (!p.parse(arguments)) {
        r.error = p.errorText();
        return r;
    }
    if (p.isSet(help)) {
        r.help = true;
        r.helpText = p.helpText();
        return r;
    }
    Options o;
    const QStringList pos = p.positionalArguments();
    if (pos.size() != 1) {
        r.error = pos.isEmpty() ? QStringLiteral("no command given (see --help)")
                                : QStringLiteral("one command only, not \"%1\"").arg(pos.join(QLatin1Char(' ')));
        return r;
    }
    bool known = false;
    for (const auto& c : kCommands)
        if (c.first == pos.first()) {
            o.command = c.second;
            known = true;
        }
    if (!known) {
        r.error = QStringLiteral("unknown command \"%1\" (see --help)").arg(pos.first());
        return r;
    }
    if (!ReadTargetsAndValues(p, o, &r.error)) return r;
    if (o.targets.isEmpty()) {
        r.error = QStringLiteral("no device: give --port PORT, --tcp HOST, --targets FILE or --inventory FILE");
        return r;
    }
    if (!IntValue(p, QStringLiteral("jobs"), 1, 4096, &o.jobs, &r.error) ||
        !IntValue(p, QStringLiteral("retries"), 0, 100, &o.retries, &r.error))
        return r;
    o.jsonl = p.isSet(QStringLiteral("jsonl"));
    if (o.jsonl && p.isSet(QStringLiteral("json"))) {
        r.error = QStringLiteral("--json or --jsonl, not both");
        return r;
    }
    o.config = p.value(QStringLiteral("config"));
    if (NeedsConfig(o.command) && o.config.isEmpty()) {
        r.error = QStringLiteral("%1 needs --config FILE").arg(pos.first());
        return r;
    }
    o.out = p.value(QStringLiteral("out"));
    if (!o.out.isEmpty() && o.command != Command::Read) {
        r.error = QStringLiteral("--out goes with read only");
        return r;
    }
    o.check = p.isSet(QStringLiteral("check"));
    o.diff = p.isSet(QStringLiteral("diff"));
    if ((o.check || o.diff) && o.command != Command::Apply) {
        r.error = QStringLiteral("--check and --diff go with apply only");
        return r;
    }
    o.backup = p.value(QStringLiteral("backup"));
    if (p.isSet(QStringLiteral("backup")) && (o.command != Command::Apply || o.backup.isEmpty())) {
        r.error = QStringLiteral("--backup DIR goes with apply only");
        return r;
    }
    o.operation = p.value(QStringLiteral("operation"));
    if (p.isSet(QStringLiteral("operation")) && (o.command != Command::Undo || o.targets.size() != 1)) {
        r.error = QStringLiteral("--operation ID goes with undo and one device");
        return r;
    }
    if (p.isSet(QStringLiteral("set-clock")) && o.command != Command::Clock) {
        r.error = QStringLiteral("--set without ROW=VALUE goes with clock only");
        return r;
    }
    o.baud = p.value(QStringLiteral("baud"));
    o.format = p.value(QStringLiteral("format"));
    if (p.isSet(QStringLiteral("script"))) o.script = p.value(QStringLiteral("script"));
    o.json = p.isSet(QStringLiteral("json"));
    o.yes = p.isSet(QStringLiteral("yes"));
    o.setClock = p.isSet(QStringLiteral("set-clock"));
    o.live = !p.isSet(QStringLiteral("no-live"));
    if (p.isSet(QStringLiteral("reply-end"))) {
        const QString m = p.value(QStringLiteral("reply-end"));
        if (m != QLatin1String("frame") && m != QLatin1String("silence")) {
            r.error = QStringLiteral("--reply-end takes frame or silence, not \"%1\"").arg(m);
            return r;
        }
        o.replyEnd = ParseReplyEnd(m);
    }
    if (p.isSet(QStringLiteral("access-code"))) {
        o.accessCode = p.value(QStringLiteral("access-code"));
        AppState probe;
        if (ApplyAccessCode(probe, o.accessCode) < 0) {
            r.error = QStringLiteral("--access-code: the code is not accepted");
            return r;
        }
    }
    r.options = o;
    return r;
}

} // namespace dtu::cli

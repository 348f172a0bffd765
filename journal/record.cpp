#include "journal/record.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QTimeZone>
#include <QUuid>
#include <array>
#include <utility>

namespace dtu {

namespace {

template <typename E, size_t N>
QString TextOf(const std::array<std::pair<E, const char*>, N>& names, E value) {
    for (const auto& [e, text] : names)
        if (e == value) return QString::fromLatin1(text);
    return {};
}

template <typename E, size_t N>
std::optional<E> ValueOf(const std::array<std::pair<E, const char*>, N>& names, const QString& text) {
    for (const auto& [e, t] : names)
        if (text == QLatin1String(t)) return e;
    return std::nullopt;
}

constexpr std::array<std::pair<JournalKind, const char*>, 6> kKinds{{
    {JournalKind::Write, "write"}, {JournalKind::Apply, "apply"}, {JournalKind::Defaults, "defaults"},
    {JournalKind::Reset, "reset"}, {JournalKind::Clock, "clock"}, {JournalKind::Undo, "undo"},
}};
constexpr std::array<std::pair<JournalTable, const char*>, 3> kTables{{
    {JournalTable::None, ""}, {JournalTable::Main, "main"}, {JournalTable::Interface, "interface"},
}};
constexpr std::array<std::pair<JournalOutcome, const char*>, 4> kOutcomes{{
    {JournalOutcome::Done, "done"}, {JournalOutcome::Refused, "refused"},
    {JournalOutcome::NoAnswer, "no answer"}, {JournalOutcome::VerifyFailed, "verification failed"},
}};

QJsonObject ValueJson(const JournalValue& v) {
    return {{QStringLiteral("raw"), v.raw}, {QStringLiteral("display"), v.display}};
}
JournalValue ValueFrom(const QJsonObject& o) {
    return {o.value(QStringLiteral("raw")).toString(), o.value(QStringLiteral("display")).toString()};
}
QString Str(const QJsonObject& o, const char* key) { return o.value(QLatin1String(key)).toString(); }

} // namespace

QString KindText(JournalKind k) { return TextOf(kKinds, k); }
QString TableText(JournalTable t) { return TextOf(kTables, t); }
QString OutcomeText(JournalOutcome o) { return TextOf(kOutcomes, o); }
std::optional<JournalKind> ParseKind(const QString& text) { return ValueOf(kKinds, text); }
std::optional<JournalTable> ParseTable(const QString& text) { return ValueOf(kTables, text); }
std::optional<JournalOutcome> ParseOutcome(const QString& text) { return ValueOf(kOutcomes, text); }

QJsonObject ToJson(const JournalRecord& r) {
    // The time in its own zone's offset, so that the line says both the local time and the zone.
    const QDateTime t = r.time.toOffsetFromUtc(r.time.offsetFromUtc());
    QJsonObject o{
        {QStringLiteral("time"), t.toString(Qt::ISODateWithMs)},
        {QStringLiteral("user"), r.user},
        {QStringLiteral("host"), r.host},
        {QStringLiteral("frontEnd"), r.frontEnd},
        {QStringLiteral("target"), r.target},
        {QStringLiteral("device"), QJsonObject{{QStringLiteral("version"), r.version},
                                               {QStringLiteral("identityRow"), r.identityRow},
                                               {QStringLiteral("identity"), r.identity}}},
        {QStringLiteral("config"), r.config},
        {QStringLiteral("operation"), r.operation},
        {QStringLiteral("kind"), KindText(r.kind)},
        {QStringLiteral("written"), ValueJson(r.written)},
        {QStringLiteral("before"), r.before ? QJsonValue(ValueJson(*r.before)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("outcome"), OutcomeText(r.outcome)},
        {QStringLiteral("message"), r.message},
    };
    o.insert(QStringLiteral("row"), r.table == JournalTable::None
                                        ? QJsonValue(QJsonValue::Null)
                                        : QJsonValue(QJsonObject{{QStringLiteral("table"), TableText(r.table)},
                                                                 {QStringLiteral("number"), r.number},
                                                                 {QStringLiteral("name"), r.name}}));
    return o;
}

std::optional<JournalRecord> FromJson(const QJsonObject& o, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    for (const char* key : {"time", "target", "operation", "kind", "outcome", "written"})
        if (!o.contains(QLatin1String(key))) return fail(QStringLiteral("no \"%1\"").arg(QLatin1String(key)));
    JournalRecord r;
    r.time = QDateTime::fromString(Str(o, "time"), Qt::ISODateWithMs);
    if (!r.time.isValid()) return fail(QStringLiteral("time \"%1\" is not a date and time").arg(Str(o, "time")));
    const auto kind = ParseKind(Str(o, "kind"));
    if (!kind) return fail(QStringLiteral("unknown kind \"%1\"").arg(Str(o, "kind")));
    const auto outcome = ParseOutcome(Str(o, "outcome"));
    if (!outcome) return fail(QStringLiteral("unknown outcome \"%1\"").arg(Str(o, "outcome")));
    r.kind = *kind;
    r.outcome = *outcome;
    const QJsonObject row = o.value(QStringLiteral("row")).toObject();
    if (!row.isEmpty()) {
        const auto table = ParseTable(Str(row, "table"));
        if (!table || *table == JournalTable::None) return fail(QStringLiteral("unknown table \"%1\"").arg(Str(row, "table")));
        r.table = *table;
        r.number = Str(row, "number");
        r.name = Str(row, "name");
    }
    r.user = Str(o, "user");
    r.host = Str(o, "host");
    r.frontEnd = Str(o, "frontEnd");
    r.target = Str(o, "target");
    const QJsonObject device = o.value(QStringLiteral("device")).toObject();
    r.version = Str(device, "version");
    r.identityRow = Str(device, "identityRow");
    r.identity = Str(device, "identity");
    r.config = Str(o, "config");
    r.operation = Str(o, "operation");
    r.written = ValueFrom(o.value(QStringLiteral("written")).toObject());
    if (o.value(QStringLiteral("before")).isObject()) r.before = ValueFrom(o.value(QStringLiteral("before")).toObject());
    r.message = Str(o, "message");
    return r;
}

QString CurrentUser() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME"); // Windows
    if (user.isEmpty()) user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty()) user = QFileInfo(QDir::homePath()).fileName(); // a service without a login
    return user;
}

JournalRecord StampedRecord(const QString& frontEnd) {
    JournalRecord r;
    r.time = QDateTime::currentDateTime();
    r.user = CurrentUser();
    r.host = QSysInfo::machineHostName();
    r.frontEnd = frontEnd;
    return r;
}

QString NewOperationId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

QString IdentityRowOf(const QJsonObject& configRoot) {
    return configRoot.value(QStringLiteral("IdentityRow")).toString().trimmed();
}

std::optional<QDateTime> ParseSince(const QString& text) {
    const QString t = text.trimmed();
    const QDate day = QDate::fromString(t, Qt::ISODate);
    if (day.isValid() && t.size() == 10) return day.startOfDay();
    QString withT = t;
    if (withT.size() > 10 && withT.at(10) == QLatin1Char(' ')) withT[10] = QLatin1Char('T');
    const QDateTime at = QDateTime::fromString(withT, Qt::ISODateWithMs);
    if (at.isValid()) return at;
    return std::nullopt;
}

QString RowText(const JournalRecord& r) {
    if (r.table == JournalTable::None) return KindText(r.kind);
    const QString row = r.number + QLatin1Char(' ') + r.name;
    return r.table == JournalTable::Interface ? TableText(r.table) + QLatin1Char(' ') + row : row;
}

QString ChangeText(const JournalRecord& r) {
    auto shown = [](const JournalValue& v) { return v.display.isEmpty() ? v.raw : v.display; };
    const QString before = r.before ? shown(*r.before) : QStringLiteral("?");
    if (r.table == JournalTable::None && !r.before) return shown(r.written);
    return before + QStringLiteral(" → ") + shown(r.written);
}

QString OutcomeLine(const JournalRecord& r) {
    return r.message.isEmpty() ? OutcomeText(r.outcome) : OutcomeText(r.outcome) + QLatin1Char(' ') + r.message;
}

} // namespace dtu

#pragma once
// One journal record: one row written to a device (or one device command), with who, where,
// when, the value before when it is known, the value written and what the device answered.
// A record is one line of JSON in the journal.
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace dtu {

// What an operation did to the device.
enum class JournalKind { Write, Apply, Defaults, Reset, Clock, Undo };
// The parameter table a row belongs to; None for a device command.
enum class JournalTable { None, Main, Interface };
// The device's answer: done, refused, no answer, verification failed (the read-back differed).
enum class JournalOutcome { Done, Refused, NoAnswer, VerifyFailed };

// The texts used in the journal: "write", "main", "no answer", ...
QString KindText(JournalKind k);
QString TableText(JournalTable t);
QString OutcomeText(JournalOutcome o);
std::optional<JournalKind> ParseKind(const QString& text);
std::optional<JournalTable> ParseTable(const QString& text);
std::optional<JournalOutcome> ParseOutcome(const QString& text);

// A parameter value as the tables hold it: "HEX:..." and the display text.
struct JournalValue {
    QString raw, display;
    bool operator==(const JournalValue&) const = default;
};

struct JournalRecord {
    QDateTime time;    // written with milliseconds and the zone's offset
    QString user;      // the operating-system user
    QString host;      // the computer's name
    QString frontEnd;  // "window" or "cli"
    QString target;    // the serial port, or the TCP maintenance address host:port
    // The device's identity: its version text when the operation read it; the row named by the
    // configuration's "IdentityRow" and that row's display value when the device's values were read.
    QString version;
    QString identityRow, identity;
    QString config;    // the configuration file
    QString operation; // shared by the records of one operation
    JournalKind kind = JournalKind::Write;
    JournalTable table = JournalTable::None;
    QString number, name; // the row (empty for a device command)
    std::optional<JournalValue> before; // unset: the value before is unknown
    JournalValue written;               // a device command: what was sent (the clock: the time set)
    JournalOutcome outcome = JournalOutcome::Done;
    QString message;                    // the tool's own text for the outcome

    bool operator==(const JournalRecord&) const = default;
};

// The record as one JSON object (a line of the journal) and back. FromJson gives nothing, with
// the reason, for an object that lacks a field every record has or holds an unknown kind,
// table or outcome.
QJsonObject ToJson(const JournalRecord& r);
std::optional<JournalRecord> FromJson(const QJsonObject& o, QString* error = nullptr);

// Time, user, computer and front end of a record made now.
JournalRecord StampedRecord(const QString& frontEnd);
QString CurrentUser();
// A new operation id (a random UUID without braces).
QString NewOperationId();

// The value of the configuration's optional "IdentityRow" (a row number such as "0001"); empty
// when the configuration has none.
QString IdentityRowOf(const QJsonObject& configRoot);

// --since: a date ("2026-12-08": that day's start, local time) or a date and time
// ("2026-12-08T14:30", "2026-12-08 14:30:05", with or without a zone). Nothing for other text.
std::optional<QDateTime> ParseSince(const QString& text);

// Texts for lists: the row ("0102 服务器端口", "interface 0102 ..."; the kind for a device command), the change
// ("5000 → 5001"; "? → 5001" when the value before is unknown), the outcome with its message.
QString RowText(const JournalRecord& r);
QString ChangeText(const JournalRecord& r);
QString OutcomeLine(const JournalRecord& r);

} // namespace dtu

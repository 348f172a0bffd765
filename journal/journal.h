#pragma once
// The journal of every change made to a device: JSON Lines, one file a month ("2026-12.jsonl"),
// in one folder shared by the window and the command line. Appends hold against other threads
// and programs appending at the same time; a line torn by a crash or a full disk is skipped
// (with a warning) when the journal is read and never spoils the lines around it.
#include "journal/record.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace dtu {

struct JournalFilter {
    QString target;                 // empty: every target
    std::optional<QDateTime> since; // records at or after this time only
    QString operation;              // empty: every operation
};

struct JournalRead {
    QList<JournalRecord> records; // newest first (the order they were appended, reversed)
    QStringList warnings;         // one per line skipped: "<file> line <n>: ..."
};

class Journal {
public:
    // The journal in `folder`; DefaultFolder() when empty.
    explicit Journal(const QString& folder = QString());
    // $DTUCFG_JOURNAL_DIR when set, otherwise "dtucfg/journal" in the user's generic data folder
    // (~/.local/share on Linux, %LOCALAPPDATA% on Windows): the same for every program of the tool.
    static QString DefaultFolder();
    const QString& Folder() const { return folder_; }
    // The month file a record made at `time` goes into ("2026-12.jsonl").
    static QString FileName(const QDateTime& time);

    // Appends the records (each to its month's file; a record without a time gets the time now)
    // and, with sync, puts them on the disk before returning. False with the reason when a record
    // could not be written.
    bool Append(const QList<JournalRecord>& records, QString* error, bool sync = true) const;
    // Puts what was appended to the files of these months on the disk.
    bool Sync(const QList<QDateTime>& months, QString* error) const;

    // Every record that passes the filter, from every month, newest first.
    JournalRead Read(const JournalFilter& filter = {}) const;

private:
    QString folder_;
};

// One operation's records: every record gets the operation's common fields and is appended at
// once (so a crash of the program keeps the rows written before it); Finish() puts them on the
// disk. A record that cannot be written does not stop the operation: the failure's reason goes to
// `notRecorded` once, at the first failure, for the front end to tell the user.
class JournalOperation {
public:
    // `common`: StampedRecord(front end) with target, identity, configuration and kind filled in;
    // an empty operation id gets a new one.
    JournalOperation(const Journal& journal, JournalRecord common, std::function<void(const QString&)> notRecorded);

    // The fields every later record gets (the identity may be learned during the operation).
    JournalRecord& Common() { return common_; }
    const QString& Id() const { return common_.operation; }

    // One row written or refused: the time now and the row's fields over the common ones.
    void AddRow(JournalTable table, const QString& number, const QString& name, const std::optional<JournalValue>& before,
                const JournalValue& written, JournalOutcome outcome, const QString& message);
    // One device command (defaults, reset, clock: the kind is the common one): what was sent.
    void AddCommand(const JournalValue& sent, JournalOutcome outcome, const QString& message);
    // Syncs the operation's records to the disk; false when any record is not recorded.
    bool Finish();

    // The records added so far, oldest first; the first failure's reason (empty: none).
    const QList<JournalRecord>& Records() const { return records_; }
    const QString& Error() const { return error_; }

private:
    void Add(JournalRecord r);

    Journal journal_;
    JournalRecord common_;
    std::function<void(const QString&)> notRecorded_;
    QList<JournalRecord> records_;
    QString error_;
};

} // namespace dtu

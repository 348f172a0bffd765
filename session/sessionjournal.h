#pragma once
// A session's journal: every row written and every command that changes the device, told by
// the exchange whoever sends it (an operation of the session, a flow of the window), becomes a
// record with the value the session last read for that row on that target. The records between
// the outermost Begin and its End are one operation; records outside any are one each.
#include "config/config.h"
#include "journal/journal.h"
#include "protocol/exchange.h"

#include <QHash>
#include <functional>
#include <memory>
#include <optional>

namespace dtu {

class SessionJournal : public IChangeObserver {
public:
    // target: the target the records name now; channelOpen: whether anything can reach a device.
    SessionJournal(IStatusSink& status, const ConfigStore& config, std::function<QString()> target,
                   std::function<bool()> channelOpen);

    // The journal (null: nothing is recorded) and the front end the records name.
    void Set(const Journal* journal, const QString& frontEnd);
    // What is known of the device (values read, version) belongs to another device now.
    void Forget();
    // The version text read from the device on the current target.
    void SetVersion(const QString& version);
    // The value read last for a row on the current target.
    std::optional<JournalValue> Before(bool interfaceTable, const QString& number);

    // An operation: `kind` when the caller knows it, else the first record's (a row: a write;
    // a command: its own). The outermost End puts the records on the disk; an inner End puts
    // those so far there. operation: the id (empty when nothing was recorded); notRecorded:
    // why the journal could not record it.
    void Begin(std::optional<JournalKind> kind = {});
    void End(QString* operation = nullptr, QString* notRecorded = nullptr);

    void RowWritten(const RowSeen& row, int reply, const QString& message) override;
    void RowRead(const RowSeen& row) override;
    void RowVerifyFailed(const RowSeen& written, const QString& message) override;
    void CommandSent(const QString& word, const QString& text, int reply, const QString& message) override;

private:
    // The target now; what was known of another target is forgotten.
    QString Sync();
    // The operation records of this kind go into (a new one when none is open or it is of
    // another kind the caller did not name).
    JournalOperation* Operation(JournalKind kind);
    void Close();
    void Row(const RowSeen& row, JournalOutcome outcome, const QString& message);
    // The operation's record of this row's write (null: the operation did not write it).
    const JournalRecord* WriteOf(const RowSeen& row) const;

    IStatusSink& status_;
    const ConfigStore& config_;
    std::function<QString()> target_;
    std::function<bool()> channelOpen_;
    std::optional<Journal> journal_;
    QString frontEnd_, device_, version_;
    QHash<QString, JournalValue> read_[2];
    int depth_ = 0;
    std::optional<JournalKind> kind_;
    std::unique_ptr<JournalOperation> op_;
    QString lastOperation_, notRecorded_;
};

} // namespace dtu

#include "session/sessionjournal.h"

#include <QFileInfo>

namespace dtu {

namespace {

JournalOutcome OutcomeOfReply(int reply) {
    if (reply == ReplyOk) return JournalOutcome::Done;
    return reply == ReplyNone ? JournalOutcome::NoAnswer : JournalOutcome::Refused;
}

JournalKind KindOfCommand(const QString& word) {
    if (word == QLatin1String("CMD_RESET")) return JournalKind::Reset;
    if (word == QLatin1String("CMD_SETDEFAULT")) return JournalKind::Defaults;
    return JournalKind::Clock;
}

} // namespace

SessionJournal::SessionJournal(IStatusSink& status, const ConfigStore& config, std::function<QString()> target,
                               std::function<bool()> channelOpen)
    : status_(status), config_(config), target_(std::move(target)), channelOpen_(std::move(channelOpen)) {}

void SessionJournal::Set(const Journal* journal, const QString& frontEnd) {
    if (journal) journal_.emplace(*journal);
    else journal_.reset();
    frontEnd_ = frontEnd;
}

void SessionJournal::Forget() {
    read_[0].clear();
    read_[1].clear();
    version_.clear();
    device_.clear();
}

QString SessionJournal::Sync() {
    const QString target = target_();
    if (target != device_) {
        Forget();
        device_ = target;
    }
    return device_;
}

void SessionJournal::SetVersion(const QString& version) {
    Sync();
    version_ = version;
}

std::optional<JournalValue> SessionJournal::Before(bool interfaceTable, const QString& number) {
    Sync();
    const auto it = read_[interfaceTable ? 1 : 0].constFind(number.toUpper());
    if (it == read_[interfaceTable ? 1 : 0].constEnd()) return std::nullopt;
    return *it;
}

void SessionJournal::Begin(std::optional<JournalKind> kind) {
    if (depth_++ == 0) {
        kind_ = kind;
        lastOperation_.clear();
        notRecorded_.clear();
    } else if (!kind_ && !op_) {
        kind_ = kind;
    }
}

void SessionJournal::End(QString* operation, QString* notRecorded) {
    if (depth_ > 0) --depth_;
    if (op_) {
        op_->Finish();
        lastOperation_ = op_->Id();
    }
    if (depth_ == 0) {
        op_.reset();
        kind_.reset();
    }
    if (operation) *operation = lastOperation_;
    if (notRecorded) *notRecorded = notRecorded_;
}

JournalOperation* SessionJournal::Operation(JournalKind kind) {
    if (!journal_) return nullptr;
    if (op_ && op_->Common().kind != kind && !kind_) Close();
    if (op_) return op_.get();
    JournalRecord common = StampedRecord(frontEnd_);
    common.target = Sync();
    common.version = version_;
    common.identityRow = IdentityRowOf(config_.ConfigRoot);
    if (!common.identityRow.isEmpty()) {
        const auto it = read_[0].constFind(common.identityRow.toUpper());
        if (it != read_[0].constEnd()) common.identity = it->display;
    }
    common.config = config_.ConfigPath.isEmpty() ? QString() : QFileInfo(config_.ConfigPath).absoluteFilePath();
    common.kind = kind_.value_or(kind);
    op_ = std::make_unique<JournalOperation>(*journal_, common, [this](const QString& why) {
        notRecorded_ = why;
        status_.Log(QStringLiteral("[本次修改未记入修改记录：") + why + QLatin1Char(']'));
    });
    return op_.get();
}

// An operation of one kind ends where one of another kind starts.
void SessionJournal::Close() {
    op_->Finish();
    lastOperation_ = op_->Id();
    op_.reset();
}

void SessionJournal::Row(const RowSeen& row, JournalOutcome outcome, const QString& message) {
    const bool outside = depth_ == 0;
    if (outside) Begin();
    // A failed read-back keeps the value before of its write (the read-back has replaced it).
    const JournalRecord* write = outcome == JournalOutcome::VerifyFailed ? WriteOf(row) : nullptr;
    const std::optional<JournalValue> before = write ? write->before : Before(row.interfaceTable, row.number);
    if (JournalOperation* op = Operation(JournalKind::Write))
        op->AddRow(row.interfaceTable ? JournalTable::Interface : JournalTable::Main, row.number, row.name, before,
                   {row.raw, row.display}, outcome, message);
    if (outside) End();
}

const JournalRecord* SessionJournal::WriteOf(const RowSeen& row) const {
    if (!op_) return nullptr;
    const JournalTable table = row.interfaceTable ? JournalTable::Interface : JournalTable::Main;
    const QList<JournalRecord>& records = op_->Records();
    for (auto it = records.crbegin(); it != records.crend(); ++it)
        if (it->table == table && it->number.compare(row.number, Qt::CaseInsensitive) == 0) return &*it;
    return nullptr;
}

void SessionJournal::RowWritten(const RowSeen& row, int reply, const QString& message) {
    if (!channelOpen_()) return; // nothing went out
    Row(row, OutcomeOfReply(reply), message);
}

void SessionJournal::RowRead(const RowSeen& row) {
    Sync();
    if (!row.raw.isEmpty()) read_[row.interfaceTable ? 1 : 0].insert(row.number.toUpper(), {row.raw, row.display});
}

// Only a row this operation wrote: a read-back also covers rows it left as they were.
void SessionJournal::RowVerifyFailed(const RowSeen& written, const QString& message) {
    if (WriteOf(written)) Row(written, JournalOutcome::VerifyFailed, message);
}

void SessionJournal::CommandSent(const QString& word, const QString& text, int reply, const QString& message) {
    if (!channelOpen_()) return;
    const bool outside = depth_ == 0;
    if (outside) Begin(KindOfCommand(word));
    if (JournalOperation* op = Operation(KindOfCommand(word))) op->AddCommand({word, text}, OutcomeOfReply(reply), message);
    if (outside) End();
}

} // namespace dtu

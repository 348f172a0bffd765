#include "sim/simdevice.h"

#include "protocol/frames.h"
#include "base/hex.h"

namespace dtu::sim {

namespace {

const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr int kClockTextSize = 19;

int LengthField(const QByteArray& frame) { return ByteAt(frame, 2) * 256 + ByteAt(frame, 3); }

QString WordText(quint16 word) { return BytesToHex(WordToBytes(word)); }

} // namespace

std::optional<AnswerMode> ParseAnswerMode(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("ok")) return AnswerMode::Ok;
    if (n == QLatin1String("refuse")) return AnswerMode::Refuse;
    if (n == QLatin1String("silent")) return AnswerMode::Silent;
    if (n == QLatin1String("illegal")) return AnswerMode::Illegal;
    if (n == QLatin1String("badsum")) return AnswerMode::BadSum;
    return std::nullopt;
}

QString AnswerModeName(AnswerMode mode) {
    switch (mode) {
    case AnswerMode::Ok: return QStringLiteral("ok");
    case AnswerMode::Refuse: return QStringLiteral("refuse");
    case AnswerMode::Silent: return QStringLiteral("silent");
    case AnswerMode::Illegal: return QStringLiteral("illegal");
    case AnswerMode::BadSum: return QStringLiteral("badsum");
    }
    return {};
}

SimDevice::SimDevice(QObject* parent) : QObject(parent), now_([] { return QDateTime::currentDateTime(); }) {}

void SimDevice::CopySettingsFrom(const SimDevice& o) {
    prefix_ = o.prefix_;
    csq_ = o.csq_;
    version_ = o.version_;
    mode_ = o.mode_;
    silentAfter_ = o.silentAfter_;
    readOnly_ = o.readOnly_;
    replyDelayMs_ = o.replyDelayMs_;
    split_ = o.split_;
    echo_ = o.echo_;
    holdMs_ = o.holdMs_;
    floodRate_ = o.floodRate_;
    main_ = o.main_;
    interface_ = o.interface_;
    mainDefaults_ = o.mainDefaults_;
    interfaceDefaults_ = o.interfaceDefaults_;
}

void SimDevice::SetFloodRate(int bytesPerSecond) {
    floodRate_ = qMax(0, bytesPerSecond);
    emit FloodRateChanged(floodRate_);
}

void SimDevice::SetValue(Table table, quint16 number, const QByteArray& value) {
    current(table).insert(number, value);
    (table == Table::Interface ? interfaceDefaults_ : mainDefaults_).insert(number, value);
}

void SimDevice::SetTable(Table table, const ValueTable& values) {
    current(table) = values;
    (table == Table::Interface ? interfaceDefaults_ : mainDefaults_) = values;
}

bool SimDevice::LoadValues(Table table, const QString& path, QString* error) {
    const std::optional<ValueTable> values = LoadValueFile(path, error);
    if (!values) return false;
    SetTable(table, *values);
    return true;
}

std::optional<QByteArray> SimDevice::Value(Table table, quint16 number) const {
    const ValueTable& t = current(table);
    const auto it = t.find(number);
    if (it == t.end()) return std::nullopt;
    return *it;
}

void SimDevice::RestoreDefaults() {
    main_ = mainDefaults_;
    interface_ = interfaceDefaults_;
}

void SimDevice::SetStoredInstead(Table table, quint16 number, const std::optional<QByteArray>& value) {
    ValueTable& t = table == Table::Interface ? storedInsteadIface_ : storedInsteadMain_;
    if (value)
        t.insert(number, *value);
    else
        t.remove(number);
}

int SimDevice::CountReceived(quint16 word, const std::optional<QByteArray>& data) const {
    int n = 0;
    for (const ReceivedFrame& f : received_)
        if (f.word == word && (!data || f.data == *data)) ++n;
    return n;
}

void SimDevice::NoteLogin(bool ok) {
    if (ok) {
        ++logins_;
        Log(QStringLiteral("LOGIN ok"));
    } else {
        ++failedLogins_;
        Log(QStringLiteral("LOGIN refused"));
    }
}

bool SimDevice::IsCommandFrame(const QByteArray& frame) const {
    if (!BeginsWithHeader(frame) || frame.size() < 4) return false;
    const int L = LengthField(frame);
    return frame.size() == L + 4 && L >= 4 + prefix_.size() && LengthChecksumOk(frame);
}

QByteArray SimDevice::Answer(const QByteArray& frame) {
    if (!IsCommandFrame(frame)) return {};
    const qsizetype P = prefix_.size();
    if (frame.mid(4, P) != prefix_) {
        ++ignoredFrames_;
        Log(QStringLiteral("RX ignored, prefix %1 is not %2").arg(BytesToHex(frame.mid(4, P)), BytesToHex(prefix_)));
        return {};
    }
    const int L = LengthField(frame);
    const quint16 word = static_cast<quint16>(ByteAt(frame, 4 + P) * 256 + ByteAt(frame, 5 + P));
    const QByteArray data = frame.mid(6 + P, L - 4 - P);
    if (recordFrames_) received_.append({word, data, channel_});
    Log(QStringLiteral("RX %1 %2").arg(WordText(word), SpacedHex(data)).trimmed());
    if (silentAfter_ > 0 && ++commandFrames_ > silentAfter_) return {};
    return Shape(Respond(word, data));
}

QByteArray SimDevice::Acknowledge(bool accepted) const {
    return ComposeFrame({}, accepted ? ReplyAccept : ReplyRefuse, {});
}

QByteArray SimDevice::Respond(quint16 word, const QByteArray& data) {
    const bool refuseAll = mode_ == AnswerMode::Refuse;
    switch (word) {
    case CmdSelectChannel:
        if (refuseAll || data.size() != 1) return Acknowledge(false);
        channel_ = ByteAt(data, 0);
        return Acknowledge(true);
    case CmdSignal: return ComposeFrame({}, CmdSignal, QByteArray(1, static_cast<char>(csq_)));
    case CmdGetVersion: return ComposeFrame({}, word, version_);
    case CmdReadClock: return ComposeFrame({}, word, DeviceTime().toString(kClockFormat).toLatin1());
    case CmdSetClock: {
        if (refuseAll || data.size() != kClockTextSize) return Acknowledge(false);
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(data), kClockFormat);
        if (!t.isValid()) return Acknowledge(false);
        clockOffset_ = now_().secsTo(t);
        return Acknowledge(true);
    }
    case CmdReset:
        if (refuseAll) return Acknowledge(false);
        ++resets_;
        channel_ = kDefaultChannel; // the selection does not survive a restart
        return Acknowledge(true);
    case CmdSetDefault:
        if (refuseAll) return Acknowledge(false);
        RestoreDefaults();
        return Acknowledge(true);
    // Each table has its own read word: the device refuses the word of the table it has not
    // selected (7000 reads channels above 0, CMD_GETPARAM channel 0).
    case CmdParamRead: return channel_ > 0 ? ParamReadReply(data) : Acknowledge(false);
    case CmdGetParam: return channel_ == 0 ? ParamReadReply(data) : Acknowledge(false);
    default: break;
    }
    // A parameter write: the word is the parameter number.
    if (refuseAll || IsReadOnly(word)) return Acknowledge(false);
    const Table table = TableOfChannel(channel_);
    const ValueTable& instead = table == Table::Interface ? storedInsteadIface_ : storedInsteadMain_;
    current(table).insert(word, instead.value(word, data));
    return Acknowledge(true);
}

QByteArray SimDevice::ParamReadReply(const QByteArray& numbers) const {
    const ValueTable& table = current(TableOfChannel(channel_));
    const QSet<quint16>& unreported = channel_ == 0 ? unreportedIface_ : unreportedMain_;
    QByteArray items;
    for (qsizetype i = 0; i + 1 < numbers.size(); i += 2) {
        const quint16 number = static_cast<quint16>(ByteAt(numbers, i) * 256 + ByteAt(numbers, i + 1));
        const auto it = table.find(number);
        if (it == table.end() || unreported.contains(number)) continue;
        items += WordToBytes(static_cast<quint16>(2 + it->size()));
        items += WordToBytes(number);
        items += *it;
    }
    const quint16 replyWord = channel_ > 0 ? ReplyParams : ReplyConfig;
    // With a prefix the reply carries the prefix too, its first byte replaced by the reply's
    // command byte.
    QByteArray prefix = prefix_;
    if (!prefix.isEmpty()) prefix[0] = static_cast<char>(replyWord >> 8);
    return ComposeFrame(prefix, replyWord, items);
}

QByteArray SimDevice::Shape(QByteArray reply) const {
    switch (mode_) {
    case AnswerMode::Ok:
    case AnswerMode::Refuse: return reply;
    case AnswerMode::Silent: return {};
    case AnswerMode::Illegal: return QByteArrayLiteral("\x55\xAA\x00");
    case AnswerMode::BadSum:
        reply[reply.size() - 1] = static_cast<char>(ByteAt(reply, reply.size() - 1) + 1);
        return reply;
    }
    return reply;
}

} // namespace dtu::sim

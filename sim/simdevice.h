#pragma once
// The simulated DTU: answers complete command frames. No I/O here; the sessions of the
// endpoints cut the byte stream into frames and send the answers back.
#include "sim/valuefile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace dtu::sim {

// Command words the device answers; every other word is a parameter write.
enum Command : quint16 {
    CmdParamRead = 0x7000,      // parameter read, channels >= 1
    CmdGetVersion = 0x7005,     // CMD_GETDTUVER
    CmdReset = 0x7006,          // CMD_RESET
    CmdSetDefault = 0x7007,     // CMD_SETDEFAULT
    CmdSetClock = 0x700D,
    CmdReadClock = 0x700E,
    CmdGetParam = 0x7100,       // CMD_GETPARAM: parameter read, channel 0
    CmdSignal = 0xE023,
    CmdSelectChannel = 0xE050,
    ReplyAccept = 0x00F0,
    ReplyRefuse = 0x00F1,
    ReplyParams = 0xF000,       // parameter read reply, channels >= 1
    ReplyConfig = 0xF100,       // CMD_REPLYCONFIG: parameter read reply, channel 0
};

// How the device answers. Anything but Ok is a fault the tool must cope with.
enum class AnswerMode {
    Ok,
    Refuse,  // every command that is answered by accept/refuse is refused (and not carried out)
    Silent,  // no answer at all (commands are still carried out: the answer is lost)
    Illegal, // a garbage answer that does not begin with AA 55
    BadSum,  // the right answer with a wrong checksum
};
std::optional<AnswerMode> ParseAnswerMode(const QString& name);
QString AnswerModeName(AnswerMode mode);

// Channel 0 reads and writes the interface table, every other channel the main table.
enum class Table { Interface, Main };
inline Table TableOfChannel(int channel) { return channel == 0 ? Table::Interface : Table::Main; }

struct ReceivedFrame {
    quint16 word = 0;
    QByteArray data;
    int channel = 0; // the channel selected when the frame arrived
};

inline constexpr char kDefaultVersion[] = "DTU-SIM V1.0 2026-12";
inline constexpr int kDefaultCsq = 23;
inline constexpr int kDefaultChannel = 1;
inline constexpr int kDefaultHoldMs = 300;

class SimDevice : public QObject {
    Q_OBJECT
public:
    explicit SimDevice(QObject* parent = nullptr);

    // --- settings
    // Bytes every request carries between the length field and the command word.
    void SetPrefix(const QByteArray& prefix) { prefix_ = prefix; }
    const QByteArray& Prefix() const { return prefix_; }
    void SetCsq(quint8 csq) { csq_ = csq; }
    quint8 Csq() const { return csq_; }
    void SetVersionText(const QByteArray& text) { version_ = text; }
    const QByteArray& VersionText() const { return version_; }
    void SetMode(AnswerMode mode) { mode_ = mode; }
    AnswerMode Mode() const { return mode_; }
    // After this many command frames the device answers nothing more (a device that dies
    // mid-run; 0 = never). Frames after that point are still logged but not carried out.
    void SetSilentAfter(int frames) { silentAfter_ = qMax(0, frames); }
    int SilentAfter() const { return silentAfter_; }
    // Parameter numbers a write is refused for (0000 always is).
    void SetReadOnly(const QSet<quint16>& numbers) { readOnly_ = numbers; }
    bool IsReadOnly(quint16 number) const { return number == 0 || readOnly_.contains(number); }
    const QSet<quint16>& ReadOnly() const { return readOnly_; }
    // Takes over every setting and both tables of another device (the tables stay shared until
    // one of the devices changes a value).
    void CopySettingsFrom(const SimDevice& other);
    // Host time source; the device clock runs at an offset from it.
    void SetTimeSource(std::function<QDateTime()> now) { now_ = std::move(now); }

    // Settings of the link behaviour, applied by the sessions.
    void SetReplyDelay(int ms) { replyDelayMs_ = qMax(0, ms); }
    int ReplyDelay() const { return replyDelayMs_; }
    // Each reply goes out in two pieces a few ms apart.
    void SetSplitReplies(bool on) { split_ = on; }
    bool SplitReplies() const { return split_; }
    // Transparent mode: bytes that are not a command frame come back unchanged.
    void SetEcho(bool on) { echo_ = on; }
    bool Echo() const { return echo_; }
    // How long an incomplete frame is waited for before its bytes count as plain data.
    void SetHoldMs(int ms) { holdMs_ = qMax(1, ms); }
    int HoldMs() const { return holdMs_; }
    // Pattern bytes per second sent on every open endpoint (0 = off).
    void SetFloodRate(int bytesPerSecond);
    int FloodRate() const { return floodRate_; }

    // --- values
    // Sets a value as the current and the factory default value.
    void SetValue(Table table, quint16 number, const QByteArray& value);
    // Replaces a table (current and default) by the values of a file.
    void SetTable(Table table, const ValueTable& values);
    bool LoadValues(Table table, const QString& path, QString* error = nullptr);
    std::optional<QByteArray> Value(Table table, quint16 number) const;
    const ValueTable& Values(Table table) const { return current(table); }
    void RestoreDefaults();

    // --- faults for checking writes
    // A write of this number stores `value` instead of the data sent (and is accepted); nothing
    // undoes it.
    void SetStoredInstead(Table table, quint16 number, const std::optional<QByteArray>& value);
    // Reads leave these numbers out although the device holds them.
    void SetUnreported(Table table, const QSet<quint16>& numbers) {
        (table == Table::Interface ? unreportedIface_ : unreportedMain_) = numbers;
    }

    int Channel() const { return channel_; }
    void SelectChannel(int channel) { channel_ = channel; }
    // Device clock minus host clock, in seconds.
    qint64 ClockOffset() const { return clockOffset_; }
    QDateTime DeviceTime() const { return now_().addSecs(clockOffset_); }

    // --- frames
    // True when the bytes are one complete frame with a good checksum and room for the
    // device's prefix and a command word.
    bool IsCommandFrame(const QByteArray& frame) const;
    // Carries out a command frame (IsCommandFrame) and returns the answer as it goes on the
    // line in the current mode; empty when nothing is answered. A frame whose prefix is not
    // the device's is ignored.
    QByteArray Answer(const QByteArray& frame);

    // --- what the device saw
    const QList<ReceivedFrame>& Received() const { return received_; }
    // How many frames with this command word arrived (and, when given, with this data).
    int CountReceived(quint16 word, const std::optional<QByteArray>& data = std::nullopt) const;
    void ClearReceived() { received_.clear(); }
    // Whether Received() keeps the frames (a fleet's devices do not: memory).
    void SetRecordFrames(bool on) { recordFrames_ = on; }
    int IgnoredFrames() const { return ignoredFrames_; }
    int Resets() const { return resets_; }
    int Logins() const { return logins_; }
    int FailedLogins() const { return failedLogins_; }
    qint64 EchoedBytes() const { return echoedBytes_; }
    qint64 DroppedBytes() const { return droppedBytes_; }

    // Notes from the endpoints; each also goes to the log.
    void NoteLogin(bool ok);
    void NoteEchoed(qsizetype n) { echoedBytes_ += n; }
    void NoteDropped(qsizetype n) { droppedBytes_ += n; }
    void Log(const QString& line) { emit Logged(line); }

signals:
    // One line for the operator: frames received, logins, endpoint events.
    void Logged(const QString& line);
    void FloodRateChanged(int bytesPerSecond);

private:
    ValueTable& current(Table t) { return t == Table::Interface ? interface_ : main_; }
    const ValueTable& current(Table t) const { return t == Table::Interface ? interface_ : main_; }
    QByteArray Respond(quint16 word, const QByteArray& data);
    QByteArray Acknowledge(bool accepted) const;
    QByteArray ParamReadReply(const QByteArray& numbers) const;
    QByteArray Shape(QByteArray reply) const;

    QByteArray prefix_;
    quint8 csq_ = kDefaultCsq;
    QByteArray version_ = kDefaultVersion;
    AnswerMode mode_ = AnswerMode::Ok;
    int silentAfter_ = 0;
    int commandFrames_ = 0;
    QSet<quint16> readOnly_;
    std::function<QDateTime()> now_;
    int replyDelayMs_ = 0;
    bool split_ = false;
    bool echo_ = false;
    int holdMs_ = kDefaultHoldMs;
    int floodRate_ = 0;

    ValueTable main_, interface_, mainDefaults_, interfaceDefaults_;
    ValueTable storedInsteadMain_, storedInsteadIface_;
    QSet<quint16> unreportedMain_, unreportedIface_;
    int channel_ = kDefaultChannel;
    qint64 clockOffset_ = 0;

    QList<ReceivedFrame> received_;
    bool recordFrames_ = true;
    int ignoredFrames_ = 0;
    int resets_ = 0;
    int logins_ = 0;
    int failedLogins_ = 0;
    qint64 echoedBytes_ = 0;
    qint64 droppedBytes_ = 0;
};

} // namespace dtu::sim

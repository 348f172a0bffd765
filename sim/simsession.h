#pragma once
// One connection to the device (the pty or one TCP client): cuts the received byte stream into
// command frames and plain bytes, and sends the answers, echoes and flood bytes back in order.
//
// A stretch that begins with AA 55 is held until the frame is complete or the device's hold
// time has passed. A complete frame with a good checksum is a command; all other bytes (before
// the next AA 55, a frame that never completes or fails its checksum) are echoed in transparent
// mode and dropped otherwise.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace dtu::sim {

class SimDevice;

inline constexpr int kSplitGapMs = 5;
inline constexpr int kFloodTickMs = 20;
// Output an endpoint keeps for a slow reader before it drops more.
inline constexpr qsizetype kMaxPendingOutput = 1 << 20;

class SimSession : public QObject {
    Q_OBJECT
public:
    explicit SimSession(SimDevice& device, QObject* parent = nullptr);

    SimDevice& Device() const { return device_; }

    // Bytes from the tool.
    void Receive(const QByteArray& bytes);
    // Forgets held bytes and unsent output (the other side went away).
    void Reset();
    // Bytes received but not yet taken as a frame or as plain data.
    const QByteArray& Held() const { return buffer_; }
    // Answers and echoes waiting for their delay.
    bool HasPendingOutput() const { return !queue_.isEmpty(); }

    // Flood bytes go out only while the endpoint is open and the device's flood rate is set.
    void SetFloodActive(bool active);
    // The pattern of the flood: numbered printable lines, each ending in CR LF.
    static QByteArray FloodPattern(qint64 offset, qsizetype size);

signals:
    // Bytes for the tool.
    void Output(const QByteArray& bytes);

private:
    struct Pending {
        QByteArray bytes;
        int delayMs = 0;
    };
    void Scan();
    void Plain(qsizetype n);
    void Enqueue(const QByteArray& bytes, int delayMs);
    void Pump();
    void HoldExpired();
    void UpdateFlood();
    void FloodTick();

    SimDevice& device_;
    QByteArray buffer_;
    QTimer hold_;
    QList<Pending> queue_;
    QTimer sendTimer_;
    bool floodActive_ = false;
    QTimer floodTimer_;
    QElapsedTimer floodClock_;
    qint64 floodSent_ = 0;
    qint64 floodOffset_ = 0;
};

} // namespace dtu::sim

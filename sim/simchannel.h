#pragma once
// The simulated device behind an in-process data channel: what the tool sends is answered at
// once, with no port, no event loop and no delay, so that a reply wait on a clock that never
// sleeps takes no time. Reply delays and split replies of the device do not apply here.
#include "link/channel.h"
#include "sim/simdevice.h"

#include <QByteArray>
#include <QList>
#include <QSet>

namespace dtu::sim {

class SimChannel : public IChannel {
public:
    explicit SimChannel(SimDevice& device) : device_(device) {}

    SimDevice& Device() const { return device_; }

    bool IsOpen() const override { return open_; }
    // A command frame is carried out and its answer queued for the next Read. Other bytes come
    // back unchanged when the device echoes, and are dropped otherwise. Nothing while closed.
    void Send(const QByteArray& bytes) override;
    // Everything answered since the last Read.
    QByteArray Read() override;
    // Bytes read too early go back in front of what is pending.
    void PutBack(const QByteArray& bytes) override { pending_.prepend(bytes); }

    // Closing drops what was not yet read.
    void SetOpen(bool open);
    // Commands with these words are carried out but their answers are lost.
    void SetUnanswered(const QSet<quint16>& words) { unanswered_ = words; }
    // Bytes for the next Read, as if the device had sent them unasked.
    void Inject(const QByteArray& bytes) { pending_ += bytes; }

    // One entry per Send call while open.
    const QList<QByteArray>& Sends() const { return sends_; }
    void ClearSends() { sends_.clear(); }

private:
    SimDevice& device_;
    bool open_ = true;
    QSet<quint16> unanswered_;
    QByteArray pending_;
    QList<QByteArray> sends_;
};

} // namespace dtu::sim

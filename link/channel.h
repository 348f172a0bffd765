#pragma once
// The one data channel every device exchange uses.
#include "base/errors.h"

#include <QByteArray>
#include <QString>

namespace dtu {

class IChannel {
public:
    virtual ~IChannel() = default;
    // The channel open test: the TCP link is connected or the serial port is open.
    virtual bool IsOpen() const = 0;
    // Bytes read but not taken (what followed a reply's frame): the next Read returns them first.
    virtual void PutBack(const QByteArray& bytes) = 0;
    // Sends the whole byte text on the link in use; nothing when no link is open.
    // A serial write error throws LinkError.
    virtual void Send(const QByteArray& bytes) = 0;
    // Every byte received so far; never waits. A serial read error throws LinkError.
    virtual QByteArray Read() = 0;
    // The line rate in bits per second when the link has one (the serial port); 0 otherwise.
    virtual int BitsPerSecond() const { return 0; }
};

// A channel that is never open; in use until a port is opened.
class ClosedChannel : public IChannel {
public:
    bool IsOpen() const override { return false; }
    void PutBack(const QByteArray&) override {}
    void Send(const QByteArray&) override {}
    QByteArray Read() override { return {}; }
};

} // namespace dtu

#pragma once
// The data channel over the two links: the TCP maintenance link when it is connected,
// otherwise the serial port.
#include "link/channel.h"
#include "link/seriallink.h"
#include "link/tcplink.h"

namespace dtu {

class DataChannel : public IChannel {
public:
    DataChannel(SerialLink& serial, TcpLink& tcp) : serial_(serial), tcp_(tcp) {}
    bool IsOpen() const override { return tcp_.IsConnected() || serial_.IsOpen(); }
    void Send(const QByteArray& bytes) override;
    QByteArray Read() override;
    int BitsPerSecond() const override;
    void PutBack(const QByteArray& bytes) override { held_.prepend(bytes); }

private:
    SerialLink& serial_;
    TcpLink& tcp_;
    QByteArray held_;
};

} // namespace dtu

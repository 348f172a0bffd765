#include "link/datachannel.h"

#include <utility>

namespace dtu {

void DataChannel::Send(const QByteArray& bytes) {
    if (tcp_.IsConnected())
        tcp_.Write(bytes);
    else if (serial_.IsOpen())
        serial_.Write(bytes);
}

QByteArray DataChannel::Read() {
    QByteArray fresh;
    if (tcp_.IsConnected()) {
        fresh = tcp_.ReadAvailable();
    } else if (serial_.IsOpen()) {
        fresh = serial_.ReadAvailable();
    } else {
        held_.clear(); // the link they came on is gone
        return {};
    }
    if (held_.isEmpty()) return fresh;
    QByteArray out = std::exchange(held_, QByteArray());
    return out + fresh;
}

int DataChannel::BitsPerSecond() const {
    if (tcp_.IsConnected() || !serial_.IsOpen()) return 0;
    return serial_.BaudRate();
}

} // namespace dtu

#include "link/datachannel.h"

namespace dtu {

void DataChannel::Send(const QByteArray& bytes) {
    if (tcp_.IsConnected())
        tcp_.Write(bytes);
    else if (serial_.IsOpen())
        serial_.Write(bytes);
}

QByteArray DataChannel::Read() {
    if (tcp_.IsConnected()) return tcp_.ReadAvailable();
    if (serial_.IsOpen()) return serial_.ReadAvailable();
    return {};
}

int DataChannel::BitsPerSecond() const {
    if (tcp_.IsConnected() || !serial_.IsOpen()) return 0;
    return serial_.BaudRate();
}

} // namespace dtu

#pragma once
// The one data channel every device exchange uses.
#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace dtu {

// An error that ends the operation in progress and is shown to the user as a message.
class OperationError : public std::runtime_error {
public:
    explicit OperationError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& Text() const { return text_; }

private:
    QString text_;
};

// A port error during an exchange ("Unable to write to port.", "Unable to read from port.").
class LinkError : public OperationError {
public:
    using OperationError::OperationError;
};

class IChannel {
public:
    virtual ~IChannel() = default;
    // The channel open test: the TCP link is connected or the serial port is open.
    virtual bool IsOpen() const = 0;
    // Sends the whole byte text on the link in use; nothing when no link is open.
    // A serial write error throws LinkError.
    virtual void Send(const QByteArray& bytes) = 0;
    // Every byte received so far; never waits. A serial read error throws LinkError.
    virtual QByteArray Read() = 0;
    // The line rate in bits per second when the link has one (the serial port); 0 otherwise.
    virtual int BitsPerSecond() const { return 0; }
};

} // namespace dtu

#pragma once
// Errors that end an operation; a front end shows their text as a message.
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

} // namespace dtu

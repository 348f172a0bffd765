#pragma once
// Why a serial port did not open, as one line for the log box: the reason the port reported and,
// where the device file's permissions are the cause, what the user can do about it.
#include <QSerialPort>
#include <QString>

namespace dtu {

// The device file behind a port name ("ttyUSB0" or "/dev/ttyUSB0"); empty where ports are no
// files (Windows) or the port is not known.
QString PortDevicePath(const QString& portName);

// The reason line for a failed open of `portName`. `error`/`errorText` are what the port
// reported. `devicePath` is the port's device file (empty: none). On Linux a permission failure
// on a device file we may not read and write names the file's group and the remedy; a
// permission failure on a file we may use means another program holds the port.
QString OpenFailureReason(const QString& portName, QSerialPort::SerialPortError error,
                          const QString& errorText, const QString& devicePath);

} // namespace dtu

#include "link/seriallink.h"

#include "link/channel.h"
#include "link/openfailure.h"

#include <QDeadlineTimer>
#include <QTimer>

namespace dtu {

int BaudFromText(const QString& text) {
    static const int kRates[] = {300,   600,   1200,  2400,   4800,   9600,   14400, 19200, 28800,
                                 38400, 57600, 115200, 230400, 460800, 921600, 33600, 76800};
    for (int r : kRates)
        if (text == QString::number(r)) return r;
    return 9600;
}

FrameFormat ApplyFrameFormat(FrameFormat f, const QString& text) {
    if (text.size() > 0) {
        if (text[0] == QLatin1Char('8')) f.dataBits = QSerialPort::Data8;
        else if (text[0] == QLatin1Char('7')) f.dataBits = QSerialPort::Data7;
    }
    if (text.size() > 1) {
        if (text[1] == QLatin1Char('N')) f.parity = QSerialPort::NoParity;
        else if (text[1] == QLatin1Char('E')) f.parity = QSerialPort::EvenParity;
        else if (text[1] == QLatin1Char('O')) f.parity = QSerialPort::OddParity;
    }
    if (text.size() > 2) {
        if (text[2] == QLatin1Char('1')) f.stopBits = QSerialPort::OneStop;
        else if (text[2] == QLatin1Char('2')) f.stopBits = QSerialPort::TwoStop;
    }
    return f;
}

QString OpenedText(const QString& port, const QString& baudText, const QString& formatText) {
    return port + QStringLiteral("打开成功,BaudRate=") + baudText + QStringLiteral(",参数=") + formatText;
}

QString OpenFailedText(const QString& port) { return port + QStringLiteral("打开失败"); }

SerialLink::SerialLink(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::OnError);
}

SerialLink::~SerialLink() { Close(); }

bool SerialLink::Open(const QString& name, const QString& baudText, const QString& formatText, QString* error) {
    Close();
    readFailed_ = writeFailed_ = false;
    format_ = ApplyFrameFormat(format_, formatText);
    port_.setPortName(name);
    port_.setBaudRate(BaudFromText(baudText));
    port_.setDataBits(format_.dataBits);
    port_.setParity(format_.parity);
    port_.setStopBits(format_.stopBits);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        if (error) *error = QStringLiteral("Cannot open device %1").arg(name);
        openFailure_ = OpenFailureReason(name, port_.error(), port_.errorString(), PortDevicePath(name));
        return false;
    }
    // DTR and RTS are held inactive while the port is open. A pseudo-terminal has no modem
    // lines; the error that gives is not a failure to open.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clear(QSerialPort::AllDirections);
    port_.clearError();
    readFailed_ = writeFailed_ = false;
    return true;
}

void SerialLink::Close() {
    if (port_.isOpen()) port_.close();
}

bool SerialLink::IsOpen() const { return port_.isOpen(); }

void SerialLink::OnError(QSerialPort::SerialPortError e) {
    switch (e) {
    case QSerialPort::ReadError: readFailed_ = true; break;
    case QSerialPort::WriteError: writeFailed_ = true; break;
    case QSerialPort::ResourceError: readFailed_ = writeFailed_ = true; break;
    default: return;
    }
    if (e == QSerialPort::WriteError || closeScheduled_ || !port_.isOpen()) return;
    // A read error on a serial device does not heal: the adapter was unplugged or the other
    // side of the line went away. The next read reports it to whoever is reading (an exchange
    // shows it, the receive display closes the port); if nobody reads the port (the TCP link is
    // in use), close it here after a moment instead of letting the port signal for ever.
    closeScheduled_ = true;
    QTimer::singleShot(250, this, [this] {
        closeScheduled_ = false;
        if (port_.isOpen() && readFailed_) {
            Close();
            emit Lost();
        }
    });
}

void SerialLink::Write(const QByteArray& bytes) {
    if (!port_.isOpen()) throw LinkError(QStringLiteral("Device not opened."));
    // A port whose reads fail has lost its device: writing would only wait out the time limit.
    if (writeFailed_ || readFailed_) throw LinkError(QStringLiteral("Unable to write to port."));
    if (port_.write(bytes) != bytes.size()) throw LinkError(QStringLiteral("Unable to write to port."));
    QDeadlineTimer deadline(writeTimeoutMs_);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!port_.waitForBytesWritten(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            if (writeFailed_ || readFailed_ || port_.error() == QSerialPort::WriteError || port_.error() == QSerialPort::ResourceError)
                throw LinkError(QStringLiteral("Unable to write to port."));
        }
    }
    if (port_.bytesToWrite() > 0) {
        // Gave up after the time limit: what is still queued is dropped, as a missing reply shows.
        port_.clear(QSerialPort::Output);
    }
    if (port_.error() == QSerialPort::TimeoutError) port_.clearError();
}

QByteArray SerialLink::ReadAvailable() {
    if (!port_.isOpen()) return {};
    if (readFailed_) throw LinkError(QStringLiteral("Unable to read from port."));
    return port_.readAll();
}

} // namespace dtu

#pragma once
// The local serial port: settings from the port boxes, open/close, write with a time limit,
// read of what is queued.
#include <QObject>
#include <QSerialPort>
#include <QString>

namespace dtu {

// The baud-rate box's text as bits per second: one of the 15 listed rates or 33600 / 76800
// (which only a configuration can put into the box); anything else runs at 9600.
int BaudFromText(const QString& text);

struct FrameFormat {
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};
// Applies a frame-format text such as "7E2": data bits, parity, stop bits. A character other
// than the known ones leaves that setting as it was.
FrameFormat ApplyFrameFormat(FrameFormat current, const QString& text);

// The serial port's status text after an open attempt.
QString OpenedText(const QString& port, const QString& baudText, const QString& formatText);
QString OpenFailedText(const QString& port);

class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    // Opens the named port with the given settings; false (with the reason) when it cannot.
    bool Open(const QString& name, const QString& baudText, const QString& formatText, QString* error = nullptr);
    void Close();
    bool IsOpen() const;
    // Why the last failed Open did not open the port, as one line for the log box.
    const QString& OpenFailure() const { return openFailure_; }

    // Writes all bytes, giving up after the write time limit. Throws LinkError on a port error.
    void Write(const QByteArray& bytes);
    // Takes the bytes already received; never waits. Throws LinkError on a port error.
    QByteArray ReadAvailable();

    int BaudRate() const { return port_.baudRate(); }
    FrameFormat Format() const { return format_; }
    QSerialPort& Port() { return port_; }
    void SetWriteTimeoutMs(int ms) { writeTimeoutMs_ = ms; }

signals:
    // The device went away under an open port (adapter unplugged, peer closed) and nobody read
    // the port to find out: the port has been closed.
    void Lost();

private:
    void OnError(QSerialPort::SerialPortError e);

    QSerialPort port_;
    FrameFormat format_;
    QString openFailure_;
    bool readFailed_ = false;
    bool writeFailed_ = false;
    bool closeScheduled_ = false;
    int writeTimeoutMs_ = 5000;
};

} // namespace dtu

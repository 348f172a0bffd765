#pragma once
// The TCP maintenance link: a non-blocking client to port 8888 of the device address, which
// sends the maintenance password once, alone, after every connect.
#include <QObject>
#include <QTcpSocket>

namespace dtu {

inline constexpr const char* kMaintenancePassword = "482913";
inline constexpr quint16 kMaintenancePort = 8888;

class TcpLink : public QObject {
    Q_OBJECT
public:
    explicit TcpLink(QObject* parent = nullptr);

    // "连接": starts connecting unless a connection exists or is being made.
    void Connect(const QString& host);
    // "断开": closes the connection.
    void Disconnect();
    bool IsConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }

    void Write(const QByteArray& bytes);
    QByteArray ReadAvailable();

    // The port is fixed for the device; tests point it elsewhere.
    void SetPort(quint16 port) { port_ = port; }
    QTcpSocket& Socket() { return socket_; }

signals:
    // The link state text for Label10.
    void StateText(const QString& text);

private:
    QTcpSocket socket_;
    quint16 port_ = kMaintenancePort;
};

} // namespace dtu

#pragma once
// The device's TCP maintenance link. Every connection first sends the six-character
// maintenance password; nothing is answered before it and a wrong one ends the connection.
// After the login each connection talks to the same device, with its own receive state.
#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace dtu::sim {

class SimDevice;
class SimSession;

inline constexpr char kMaintenancePassword[] = "482913";
inline constexpr quint16 kDefaultTcpPort = 8888;

class TcpEndpoint : public QObject {
    Q_OBJECT
public:
    explicit TcpEndpoint(SimDevice& device, QObject* parent = nullptr);

    // Port 0 picks a free port; Port() then tells which.
    bool Listen(const QHostAddress& address, quint16 port, QString* error = nullptr);
    quint16 Port() const;
    // Connections open now (logged in or not).
    int Connections() const { return connections_; }

signals:
    void LoggedIn();

private:
    void OnNewConnection();

    SimDevice& device_;
    QTcpServer* server_;
    int connections_ = 0;
};

// One client connection; deletes itself when the client goes.
class TcpConnection : public QObject {
    Q_OBJECT
public:
    TcpConnection(SimDevice& device, QTcpSocket* socket, QObject* parent = nullptr);
    bool LoggedIn() const { return loggedIn_; }

signals:
    void LoginSucceeded();

private:
    void OnReadyRead();
    void Write(const QByteArray& bytes);

    SimDevice& device_;
    QTcpSocket* socket_;
    SimSession* session_;
    QByteArray password_;
    bool loggedIn_ = false;
};

} // namespace dtu::sim

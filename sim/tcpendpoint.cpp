#include "sim/tcpendpoint.h"

#include "sim/simdevice.h"
#include "sim/simsession.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace dtu::sim {

TcpEndpoint::TcpEndpoint(SimDevice& device, QObject* parent)
    : QObject(parent), device_(device), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &TcpEndpoint::OnNewConnection);
}

bool TcpEndpoint::Listen(const QHostAddress& address, quint16 port, QString* error) {
    if (server_->listen(address, port)) return true;
    if (error) *error = QStringLiteral("%1 port %2: %3").arg(address.toString()).arg(port).arg(server_->errorString());
    return false;
}

quint16 TcpEndpoint::Port() const { return server_->serverPort(); }

void TcpEndpoint::OnNewConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        ++connections_;
        device_.Log(QStringLiteral("TCP connection from %1").arg(socket->peerAddress().toString()));
        auto* c = new TcpConnection(device_, socket, this);
        connect(c, &TcpConnection::LoginSucceeded, this, &TcpEndpoint::LoggedIn);
        connect(c, &QObject::destroyed, this, [this] { --connections_; });
    }
}

TcpConnection::TcpConnection(SimDevice& device, QTcpSocket* socket, QObject* parent)
    : QObject(parent), device_(device), socket_(socket), session_(new SimSession(device, this)) {
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::readyRead, this, &TcpConnection::OnReadyRead);
    connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(session_, &SimSession::Output, this, &TcpConnection::Write);
}

void TcpConnection::OnReadyRead() {
    if (socket_->state() != QAbstractSocket::ConnectedState) return;
    QByteArray bytes = socket_->readAll();
    if (!loggedIn_) {
        const qsizetype need = qsizetype(sizeof kMaintenancePassword) - 1 - password_.size();
        password_ += bytes.left(need);
        bytes.remove(0, need);
        if (password_.size() < qsizetype(sizeof kMaintenancePassword) - 1) return;
        if (password_ != kMaintenancePassword) {
            device_.NoteLogin(false);
            socket_->disconnectFromHost();
            return;
        }
        loggedIn_ = true;
        device_.NoteLogin(true);
        session_->SetFloodActive(true);
        emit LoginSucceeded();
    }
    if (!bytes.isEmpty()) session_->Receive(bytes);
}

void TcpConnection::Write(const QByteArray& bytes) {
    if (socket_->state() != QAbstractSocket::ConnectedState) return;
    if (socket_->bytesToWrite() > kMaxPendingOutput) { // a client that does not read the flood
        device_.NoteDropped(bytes.size());
        return;
    }
    socket_->write(bytes);
}

} // namespace dtu::sim

#include "link/tcplink.h"

namespace dtu {

TcpLink::TcpLink(QObject* parent) : QObject(parent) {
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        socket_.write(kMaintenancePassword, 6);
        socket_.flush();
        emit StateText(QStringLiteral("TCP维护端口连接成功"));
    });
    connect(&socket_, &QTcpSocket::disconnected, this,
            [this] { emit StateText(QStringLiteral("TCP维护端口连接失败")); });
    // Socket errors raise no dialog. A failed attempt leaves the socket unconnected, so the
    // channel counts as closed and "连接" can try again; the label says it failed.
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            socket_.abort();
            emit StateText(QStringLiteral("TCP维护端口连接失败"));
        }
    });
}

void TcpLink::Connect(const QString& host) {
    if (socket_.state() != QAbstractSocket::UnconnectedState) return;
    emit StateText(QStringLiteral("TCP维护端口连接中..."));
    socket_.connectToHost(host.trimmed(), port_);
}

void TcpLink::Disconnect() {
    if (socket_.state() == QAbstractSocket::UnconnectedState) return;
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
}

void TcpLink::Write(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.flush();
}

QByteArray TcpLink::ReadAvailable() { return socket_.readAll(); }

} // namespace dtu

#pragma once
// The device on a pseudo-terminal: the tool opens the slave side as its serial port.
//
// The master stays open for the whole run. While no one has the slave open the master
// reports a hangup (reads fail with EIO); the endpoint then stops reading, drops its output
// and looks every few ms whether the slave has been opened again.
#include "sim/simsession.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace dtu::sim {

class SimDevice;

inline constexpr int kReopenPollMs = 20;

class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    explicit PtyEndpoint(SimDevice& device, QObject* parent = nullptr);
    ~PtyEndpoint() override;
    PtyEndpoint(const PtyEndpoint&) = delete;
    PtyEndpoint& operator=(const PtyEndpoint&) = delete;

    bool Open(QString* error = nullptr);
    // "/dev/pts/N" once open.
    const QString& SlavePath() const { return slavePath_; }
    // A symlink at path to the slave; an existing symlink there is replaced (anything else is
    // left alone and is an error). The link is removed again when the endpoint goes.
    bool MakeLink(const QString& path, QString* error = nullptr);
    const QString& LinkPath() const { return linkPath_; }
    // Whether the tool has the slave open (as far as the last look tells).
    bool SlaveOpen() const { return slaveOpen_; }
    SimSession& Session() { return session_; }
    // The device goes away as an unplugged adapter does: the pty and its link are gone, the
    // tool's open port fails. Replug() brings a new pty under the same link.
    void Unplug();
    bool Replug(QString* error = nullptr);
    bool Plugged() const { return fd_ >= 0; }

signals:
    void SlaveOpened();
    void SlaveClosed();

private:
    void OnReadable();
    void OnWritable();
    void Write(const QByteArray& bytes);
    void Flush();
    void EnterClosed();
    void CheckReopened();
    void RemoveLink();

    SimDevice& device_;
    SimSession session_;
    int fd_ = -1;
    QString slavePath_;
    QString linkPath_;
    QString unpluggedLink_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer reopenTimer_;
    QByteArray out_;
    bool slaveOpen_ = false;
};

} // namespace dtu::sim

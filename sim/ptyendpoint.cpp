#include "sim/ptyendpoint.h"

#include "sim/simdevice.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace dtu::sim {

namespace {

QString ErrnoText(const char* what) { return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno))); }

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

bool MakeRaw(int fd) {
    termios t {};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

PtyEndpoint::PtyEndpoint(SimDevice& device, QObject* parent) : QObject(parent), device_(device), session_(device) {
    connect(&session_, &SimSession::Output, this, &PtyEndpoint::Write);
    reopenTimer_.setInterval(kReopenPollMs);
    connect(&reopenTimer_, &QTimer::timeout, this, &PtyEndpoint::CheckReopened);
}

PtyEndpoint::~PtyEndpoint() {
    RemoveLink();
    if (fd_ >= 0) ::close(fd_);
}

bool PtyEndpoint::Open(QString* error) {
    if (fd_ >= 0) return true;
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        SetError(error, ErrnoText("posix_openpt"));
        return false;
    }
    char name[128];
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
        SetError(error, ErrnoText("pty setup"));
        ::close(fd);
        return false;
    }
    fd_ = fd;
    slavePath_ = QString::fromLocal8Bit(name);
    // Raw mode for the slave: no echo, no line editing, no CR/LF translation. Set from the
    // master (the line settings belong to the slave) and from the slave itself once. Opening and
    // closing the slave also puts the master into the hangup state: from here on the endpoint
    // sees when the tool opens the port.
    MakeRaw(fd_);
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0) {
        MakeRaw(slave);
        ::close(slave);
    }
    readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    readNotifier_->setEnabled(false);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyEndpoint::OnReadable);
    writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyEndpoint::OnWritable);
    reopenTimer_.start();
    CheckReopened();
    return true;
}

bool PtyEndpoint::MakeLink(const QString& path, QString* error) {
    if (fd_ < 0) {
        SetError(error, QStringLiteral("the pty is not open"));
        return false;
    }
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(p.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            SetError(error, QStringLiteral("%1 exists and is not a symlink").arg(path));
            return false;
        }
        if (::unlink(p.constData()) != 0) {
            SetError(error, ErrnoText("unlink"));
            return false;
        }
    }
    if (::symlink(QFile::encodeName(slavePath_).constData(), p.constData()) != 0) {
        SetError(error, ErrnoText("symlink"));
        return false;
    }
    RemoveLink();
    linkPath_ = path;
    return true;
}

// Removes the link unless someone has pointed it elsewhere meanwhile.
void PtyEndpoint::RemoveLink() {
    if (linkPath_.isEmpty()) return;
    if (QFile::symLinkTarget(linkPath_) == slavePath_) QFile::remove(linkPath_);
    linkPath_.clear();
}

void PtyEndpoint::Unplug() {
    if (fd_ < 0) return;
    unpluggedLink_ = linkPath_;
    RemoveLink();
    reopenTimer_.stop();
    delete readNotifier_;
    delete writeNotifier_;
    readNotifier_ = writeNotifier_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    out_.clear();
    session_.SetFloodActive(false);
    session_.Reset();
    if (slaveOpen_) emit SlaveClosed();
    slaveOpen_ = false;
    device_.Log(QStringLiteral("PTY unplugged"));
}

bool PtyEndpoint::Replug(QString* error) {
    if (!Open(error)) return false;
    if (!unpluggedLink_.isEmpty() && !MakeLink(unpluggedLink_, error)) return false;
    device_.Log(QStringLiteral("PTY replugged as %1").arg(slavePath_));
    return true;
}

void PtyEndpoint::OnReadable() {
    char buf[4096];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) {
        session_.Receive(QByteArray(buf, n));
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    EnterClosed(); // EIO: the tool closed the port
}

void PtyEndpoint::Write(const QByteArray& bytes) {
    if (!slaveOpen_) return; // no one would read it now, and the next opener must not get it
    if (out_.size() + bytes.size() > kMaxPendingOutput) {
        device_.NoteDropped(bytes.size());
        return;
    }
    out_ += bytes;
    Flush();
}

void PtyEndpoint::OnWritable() { Flush(); }

void PtyEndpoint::Flush() {
    while (!out_.isEmpty()) {
        const ssize_t n = ::write(fd_, out_.constData(), static_cast<size_t>(out_.size()));
        if (n > 0) {
            out_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        EnterClosed();
        return;
    }
    writeNotifier_->setEnabled(!out_.isEmpty());
}

void PtyEndpoint::EnterClosed() {
    if (!slaveOpen_) return;
    slaveOpen_ = false;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    out_.clear();
    session_.SetFloodActive(false);
    session_.Reset();
    // Bytes written before the close that the tool never read would greet the next opener.
    const int slave = ::open(QFile::encodeName(slavePath_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0) {
        tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
    device_.Log(QStringLiteral("PTY closed"));
    emit SlaveClosed();
    reopenTimer_.start();
}

void PtyEndpoint::CheckReopened() {
    pollfd p {fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return;
    if (p.revents & POLLHUP) {
        // The tool opened, wrote and closed between two looks: nobody is left to answer.
        char buf[4096];
        if (p.revents & POLLIN)
            while (::read(fd_, buf, sizeof buf) > 0) {
            }
        return;
    }
    reopenTimer_.stop();
    slaveOpen_ = true;
    readNotifier_->setEnabled(true);
    session_.SetFloodActive(true);
    device_.Log(QStringLiteral("PTY opened"));
    emit SlaveOpened();
}

} // namespace dtu::sim

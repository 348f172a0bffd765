#include "base/regularfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dtu {

namespace {

bool Fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

QString OpenFailure(const QString& path, const QString& why) { return QStringLiteral("无法打开文件 %1: %2").arg(path, why); }
QString ReadFailure(const QString& path, const QString& why) { return QStringLiteral("无法读取文件 %1: %2").arg(path, why); }
QString NotRegular() { return QStringLiteral("不是普通文件"); }
QString TooLarge(qint64 limit) { return QStringLiteral("文件超过%1字节").arg(limit); }

} // namespace

#ifdef Q_OS_UNIX

bool ReadRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* error) {
    if (path.isEmpty()) return Fail(error, OpenFailure(path, QStringLiteral("没有文件名")));
    // Non-blocking open: opening a FIFO for reading must not wait for a writer. The type is then
    // checked on the open descriptor, so the name cannot be swapped between check and read.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Fail(error, OpenFailure(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Fail(error, OpenFailure(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISREG(st.st_mode)) return Fail(error, OpenFailure(path, NotRegular()));
    if (st.st_size > limit) return Fail(error, ReadFailure(path, TooLarge(limit)));
    QByteArray out;
    out.reserve(static_cast<qsizetype>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(error, ReadFailure(path, QString::fromLocal8Bit(std::strerror(errno))));
        }
        if (n == 0) break;
        // The file may grow while it is read.
        if (out.size() + n > limit) return Fail(error, ReadFailure(path, TooLarge(limit)));
        out.append(buf, n);
    }
    *bytes = std::move(out);
    return true;
}

#else

bool ReadRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* error) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return Fail(error, OpenFailure(path, QStringLiteral("文件不存在")));
    if (!info.isFile()) return Fail(error, OpenFailure(path, NotRegular()));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return Fail(error, OpenFailure(path, f.errorString()));
    if (f.size() > limit) return Fail(error, ReadFailure(path, TooLarge(limit)));
    QByteArray out = f.read(limit + 1);
    if (f.error() != QFileDevice::NoError) return Fail(error, ReadFailure(path, f.errorString()));
    if (out.size() > limit) return Fail(error, ReadFailure(path, TooLarge(limit)));
    *bytes = std::move(out);
    return true;
}

#endif

} // namespace dtu

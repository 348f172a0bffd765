#include "journal/appendfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h> // posix-guarded: Windows takes the windows.h branch above
#endif

// Qt's files offer no way to sync to the disk, and its append mode is a seek to the end, not an
// append that holds against another process; both need the system's own calls.
namespace dtu {

#ifdef Q_OS_WIN

namespace {
QString LastError() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString s = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return s;
}
HANDLE Open(const QString& path, DWORD access) {
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
} // namespace

bool AppendToFile(const QString& path, const QByteArray& bytes, bool sync, QString* error) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of the file.
    const HANDLE h = Open(path, FILE_APPEND_DATA | SYNCHRONIZE);
    if (h == INVALID_HANDLE_VALUE) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, LastError());
        return false;
    }
    DWORD done = 0;
    bool ok = WriteFile(h, bytes.constData(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
              done == static_cast<DWORD>(bytes.size());
    if (!ok) *error = QStringLiteral("cannot write %1: %2").arg(path, LastError());
    if (ok && sync && !FlushFileBuffers(h)) {
        *error = QStringLiteral("cannot sync %1: %2").arg(path, LastError());
        ok = false;
    }
    CloseHandle(h);
    return ok;
}

bool SyncFile(const QString& path, QString* error) {
    const HANDLE h = Open(path, GENERIC_WRITE);
    if (h == INVALID_HANDLE_VALUE || !FlushFileBuffers(h)) {
        *error = QStringLiteral("cannot sync %1: %2").arg(path, LastError());
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return false;
    }
    CloseHandle(h);
    return true;
}

#else

namespace {
QString Reason(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}
// A new file's name is on the disk only when its folder is synced too.
void SyncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
} // namespace

bool AppendToFile(const QString& path, const QByteArray& bytes, bool sync, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    const bool existed = QFileInfo::exists(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = Reason(QStringLiteral("cannot open"), path);
        return false;
    }
    bool ok = true;
    for (qsizetype at = 0; ok && at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + at, static_cast<size_t>(bytes.size() - at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            *error = Reason(QStringLiteral("cannot write"), path);
            ok = false;
        } else {
            at += n;
        }
    }
    if (ok && sync && ::fsync(fd) != 0) {
        *error = Reason(QStringLiteral("cannot sync"), path);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *error = Reason(QStringLiteral("cannot close"), path);
        ok = false;
    }
    if (ok && sync && !existed) SyncFolder(path);
    return ok;
}

bool SyncFile(const QString& path, QString* error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        *error = Reason(QStringLiteral("cannot sync"), path);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    SyncFolder(path);
    return true;
}

#endif

} // namespace dtu

#include "base/regularfile.h"

#include <QFile>
#include <QFileInfo>

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

bool ReadRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* error) {
    // The type is checked before opening: opening a FIFO would wait for a writer, and a device
    // file (/dev/zero) never ends.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return Fail(error, OpenFailure(path, QStringLiteral("文件不存在")));
    if (!info.isFile()) return Fail(error, OpenFailure(path, NotRegular()));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return Fail(error, OpenFailure(path, f.errorString()));
    if (f.size() > limit) return Fail(error, ReadFailure(path, TooLarge(limit)));
    // In pieces: reading limit + 1 bytes at once would allocate the whole limit for every file.
    QByteArray out;
    out.reserve(qMin(f.size(), limit));
    char piece[65536];
    for (;;) {
        const qint64 n = f.read(piece, sizeof piece);
        if (n < 0) return Fail(error, ReadFailure(path, f.errorString()));
        if (n == 0) break;
        // The file may grow while it is read.
        if (out.size() + n > limit) return Fail(error, ReadFailure(path, TooLarge(limit)));
        out.append(piece, static_cast<qsizetype>(n));
    }
    *bytes = std::move(out);
    return true;
}

} // namespace dtu

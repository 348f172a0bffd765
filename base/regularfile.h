#pragma once
// Reading a file that is named by a user or by another file: only a regular file is read, and
// only up to a size limit. A FIFO, a device file (/dev/zero) or a directory would block the
// open or read without end; such a name counts as a file that cannot be read.
#include <QByteArray>
#include <QString>

namespace dtu {

// The limit used for configuration and extended-parameter files.
inline constexpr qint64 kMaxConfigFileBytes = qint64(64) << 20;
// A device script is read whole into the engine; far below this in practice.
inline constexpr qint64 kMaxScriptFileBytes = qint64(16) << 20;

// The whole file as bytes; false with the reason ("无法打开文件 ...", "无法读取文件 ...") when it
// cannot be opened, is not a regular file, is larger than `limit` bytes or cannot be read.
bool ReadRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* error);

} // namespace dtu

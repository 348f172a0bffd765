#pragma once
// Appending bytes to a file so that they survive a crash of the program (each call is one append
// at the file's end, also when another process appends to the same file) and, with sync, a crash
// of the computer: the file's data are on the disk when the call returns.
#include <QByteArray>
#include <QString>

namespace dtu {

// Appends `bytes` at the end of `path` (created when missing). False with the reason when the
// file cannot be opened, written in full or synced. A new file's folder entry is synced as well.
bool AppendToFile(const QString& path, const QByteArray& bytes, bool sync, QString* error);
// Puts a file's written data on the disk (after appends without sync).
bool SyncFile(const QString& path, QString* error);

} // namespace dtu

#include "cli/progress.h"

#include <QMutexLocker>
#include <QtGlobal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
static bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
#else
#include <unistd.h> // posix-guarded: Windows takes the io.h branch above
static bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }
#endif

namespace dtu::cli {

Progress::Progress(const QStringList& devices, bool live)
    : names_(devices), live_(live && StderrIsTerminal()) {
    for (qsizetype i = 0; i < devices.size(); ++i) lines_ << QString();
}

void Progress::Step(int device, const QString& text) {
    QMutexLocker lock(&mutex_);
    const QString line = names_.value(device) + QStringLiteral(": ") + text;
    if (!live_) {
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    lines_[device] = line;
    if (!drawn_) {
        for (const QString& l : lines_) std::fprintf(stderr, "%s\n", l.toLocal8Bit().constData());
        drawn_ = true;
    } else {
        const int up = static_cast<int>(lines_.size()) - device;
        std::fprintf(stderr, "\033[%dA\r\033[K%s\033[%dB\r", up, line.toLocal8Bit().constData(), up);
    }
    std::fflush(stderr);
}

void Progress::Finish() { std::fflush(stderr); }

} // namespace dtu::cli

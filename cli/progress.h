#pragma once
// Progress on stderr, from every device thread: one line per device per step, or on a terminal
// one live line per device that is rewritten in place.
#include <QMutex>
#include <QString>
#include <QStringList>

namespace dtu::cli {

class Progress {
public:
    Progress(const QStringList& devices, bool live);
    // The device's current step (thread-safe).
    void Step(int device, const QString& text);
    // Ends the live block so that later output starts on a line of its own.
    void Finish();

private:
    QMutex mutex_;
    QStringList names_, lines_;
    bool live_;
    bool drawn_ = false;
};

} // namespace dtu::cli

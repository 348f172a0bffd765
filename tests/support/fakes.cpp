#include "tests/support/fakes.h"

#include "base/hex.h"

#include <utility>

namespace dtu::test {

void MemoryChannel::Send(const QByteArray& bytes) {
    if (failSend) throw LinkError(QStringLiteral("Unable to write to port."));
    if (!open) return;
    sent += bytes;
    sends << bytes;
    if (onSend) onSend(bytes);
}

QByteArray MemoryChannel::Read() {
    ++reads;
    if (failRead) throw LinkError(QStringLiteral("Unable to read from port."));
    QByteArray out = std::exchange(held, QByteArray());
    for (qsizetype i = 0; i < scheduled_.size();) {
        if (scheduled_[i].first == reads) {
            out += scheduled_[i].second;
            scheduled_.removeAt(i);
        } else {
            ++i;
        }
    }
    if (!queued_.isEmpty()) out += queued_.takeFirst();
    return out;
}

void FakeClock::Pause(int ms) {
    pauses << ms;
    if (onPause) onPause(static_cast<int>(pauses.size()), ms);
}

bool ScriptedPrompter::Confirm(const QString& caption, const QString& text) {
    confirms << caption + QLatin1Char('|') + text;
    return confirmAnswers.isEmpty() ? true : confirmAnswers.takeFirst();
}

QString ScriptedPrompter::OpenFile(const QString& dir, const QString& pattern, const QString&) {
    fileRequests << dir + QLatin1Char('|') + pattern;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString ScriptedPrompter::SaveFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) {
    fileRequests << QStringLiteral("save:") + dir + QLatin1Char('|') + pattern + QLatin1Char('|') + defaultSuffix;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QByteArray Hex(const char* spaced) {
    return HexPairsToBytes(QString::fromLatin1(spaced).remove(QLatin1Char(' ')));
}

} // namespace dtu::test

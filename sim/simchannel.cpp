#include "sim/simchannel.h"

namespace dtu::sim {

void SimChannel::Send(const QByteArray& bytes) {
    if (!open_) return;
    sends_.append(bytes);
    if (!device_.IsCommandFrame(bytes)) {
        if (device_.Echo()) {
            device_.NoteEchoed(bytes.size());
            pending_ += bytes;
        } else {
            device_.NoteDropped(bytes.size());
        }
        return;
    }
    const qsizetype before = device_.Received().size();
    const QByteArray answer = device_.Answer(bytes);
    // A frame with a foreign prefix is ignored by the device and never recorded.
    if (device_.Received().size() > before && unanswered_.contains(device_.Received().last().word)) return;
    pending_ += answer;
}

QByteArray SimChannel::Read() {
    QByteArray out;
    out.swap(pending_);
    return out;
}

void SimChannel::SetOpen(bool open) {
    open_ = open;
    if (!open_) pending_.clear();
}

} // namespace dtu::sim

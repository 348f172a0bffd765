#pragma once
// What a part of the main window (a page, the log pane, the file menu) may ask of the window
// around it: the device session, where texts and questions go, the guard device work runs in and
// the two seams of the parameter pages. The parts know nothing else of the window and nothing of
// each other; what one part does for another goes through signals the window connects.
#include <QDateTime>
#include <functional>

namespace dtu {
class IPrompter;
class IStatusSink;
class Session;
class SignalPoll;
} // namespace dtu

class PageHost {
public:
    virtual dtu::Session& Session() = 0;
    // The result panel and the text boxes.
    virtual dtu::IStatusSink& Status() = 0;
    virtual dtu::IPrompter& Prompter() = 0;
    // Continuous signal reading; actions clicked while one of its reads waits run after it.
    virtual dtu::SignalPoll& SignalPoll() = 0;
    // Runs device work; an OperationError or any other std::exception ends it and its text is
    // shown as a message, so that no exception reaches the event loop. Returns false then.
    virtual bool Guarded(const std::function<void()>& work) = 0;
    // Writes the rows of the changed list to the device (may throw OperationError).
    virtual void WriteChanged() = 0;
    // Makes the device use parameter channel `channel` (may throw OperationError).
    virtual void SelectParamChannel(int channel) = 0;
    // The PC clock (for "设置设备时钟" and the times of the log lines).
    virtual QDateTime PcTime() = 0;

protected:
    ~PageHost() = default;
};

#pragma once
// The small interfaces between the core and a front end (the window, the command line): questions
// to the user, where status texts go, and the reply waits. Each has a real implementation in the
// window and a recording one in tests/support.
#include <QString>
#include <QStringList>

namespace dtu {

// Message boxes and the file dialogs.
class IPrompter {
public:
    virtual ~IPrompter() = default;
    // A plain message box (closed-channel refusal, errors that escape a handler).
    virtual void Message(const QString& text) = 0;
    // OK/Cancel; true on OK.
    virtual bool Confirm(const QString& caption, const QString& text) = 0;
    // File-open dialog starting in dir with the given file name pattern; empty when cancelled.
    virtual QString OpenFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) = 0;
    // File-save dialog (asks before replacing a file); empty when cancelled.
    virtual QString SaveFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) = 0;
};

// Where status texts go.
class IStatusSink {
public:
    virtual ~IStatusSink() = default;
    // The operation-result panel (panel 3 of the main status bar).
    virtual void SetResult(const QString& text) = 0;
    virtual QString Result() const = 0;
    // One line in the log box Memo1.
    virtual void Log(const QString& line) = 0;
    // One line in the dialogue box Memo4 of the control-mode page.
    virtual void Dialog(const QString& line) = 0;
    // One line in the dialogue box Memo2 of the transparent-test page.
    virtual void Transparent(const QString& line) = 0;

    // Panel text and the same text as a line in Memo1.
    void Report(const QString& text) {
        SetResult(text);
        Log(text);
    }
};

// Told when a reply wait begins and when it ends: the window holds its receive display while a
// wait reads the channel. Nested waits are one wait to the observer (the outermost).
class IWaitObserver {
public:
    virtual ~IWaitObserver() = default;
    virtual void WaitBegins() = 0;
    virtual void WaitEnds() = 0;
};

} // namespace dtu

#pragma once
// The progress of a long device operation in the status bar: a bar with rows done of rows to do
// and the row being written or read, and a 停止 button (Esc does the same) that ends the
// operation after the exchange in flight. Shown only while an operation runs. It is the
// observer the window gives the session's operations.
#include "session/results.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QMainWindow;
class QProgressBar;
class QPushButton;
class QShortcut;

class ProgressPanel : public QWidget, public dtu::ISessionObserver {
    Q_OBJECT
public:
    // Puts itself at the right of the window's status bar, hidden.
    explicit ProgressPanel(QMainWindow* window);

    // What the operation tells: rows done of rows to do, and the row under way.
    void Progress(int done, int total, const QString& number) override;
    // Asked between exchanges: whether 停止 or Esc was pressed since the operation began.
    bool StopRequested() override { return stop_; }
    void RequestStop();

    // One operation, from the construction to the end of the scope; runs inside one another
    // count as one (the outermost one clears a stop asked before it and hides the panel after).
    class Run {
    public:
        explicit Run(ProgressPanel* panel);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        QPointer<ProgressPanel> panel_;
    };

private:
    void End();

    QProgressBar* bar_;
    QPushButton* stopButton_;
    QShortcut* escape_;
    int depth_ = 0;
    bool stop_ = false;
};

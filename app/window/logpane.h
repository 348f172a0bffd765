#pragma once
// Below the pages: the log box (Memo1) and the access-code box (MaskEdit3), hidden until Ctrl+A
// in the log box. A code entered there sets the engineering level.
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

namespace dtu {
struct AppState;
}

class LogPane : public QWidget {
    Q_OBJECT
public:
    explicit LogPane(dtu::AppState& state, QWidget* parent = nullptr);
    QPlainTextEdit* Box() const { return log_; }

private:
    void AccessCodeEntered();

    dtu::AppState& state_;
    QLineEdit* code_;
    QPlainTextEdit* log_;
};

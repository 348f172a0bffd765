#include "app/window/guistatus.h"

#include "app/window/logbox.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace dtu {

void GuiStatus::Attach(QLabel* resultPanel, QPlainTextEdit* log, QPlainTextEdit* dialog,
                       QPlainTextEdit* transparent) {
    result_ = resultPanel;
    log_ = log;
    dialog_ = dialog;
    transparent_ = transparent;
}

void GuiStatus::SetResult(const QString& text) {
    if (result_) result_->setText(text);
}

QString GuiStatus::Result() const {
    return result_ ? result_->text() : QString();
}

// Each text one line however long (a frame line is whole for copying); the box drops its
// oldest lines past its line and character limits.
static void AppendLine(QPlainTextEdit* box, const QString& line) {
    if (box) dtu::AppendToLogBox(box, line);
}

void GuiStatus::Log(const QString& line) {
    AppendLine(log_, line);
}
void GuiStatus::Dialog(const QString& line) {
    AppendLine(dialog_, line);
}
void GuiStatus::Transparent(const QString& line) {
    AppendLine(transparent_, line);
}

} // namespace dtu

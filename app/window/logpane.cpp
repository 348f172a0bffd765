#include "app/window/logpane.h"

#include "app/window/widgetkit.h"
#include "base/appstate.h"

#include <QLineEdit>
#include <QVBoxLayout>

LogPane::LogPane(dtu::AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    code_ = kit::Named(new QLineEdit(this), QStringLiteral("MaskEdit3"));
    code_->setEchoMode(QLineEdit::Password);
    code_->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    code_->setAccessibleName(QStringLiteral("MaskEdit3"));
    code_->hide();
    connect(code_, &QLineEdit::returnPressed, this, &LogPane::AccessCodeEntered);
    l->addWidget(code_);
    auto* log = new kit::TextBox(QStringLiteral("Memo1"), true, this);
    log->setFocusPolicy(Qt::StrongFocus);
    log->setMinimumHeight(40);
    // Ctrl+A opens the access-code box instead of selecting the whole log.
    log->CatchCtrlA();
    connect(log, &kit::TextBox::CtrlA, this, [this] {
        code_->show();
        code_->setFocus(Qt::ShortcutFocusReason);
    });
    log_ = log;
    l->addWidget(log_, 1);
}

void LogPane::AccessCodeEntered() {
    const int level = dtu::ApplyAccessCode(state_, code_->text());
    code_->clear();
    if (level < 0) {
        code_->setFocus(Qt::OtherFocusReason);
        return;
    }
    code_->hide();
    log_->setFocus(Qt::OtherFocusReason);
}

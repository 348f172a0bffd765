#include "app/window/progresspanel.h"

#include <QHBoxLayout>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

ProgressPanel::ProgressPanel(QMainWindow* window)
    : bar_(new QProgressBar), stopButton_(new QPushButton(QStringLiteral("停止"))),
      escape_(new QShortcut(QKeySequence(Qt::Key_Escape), window)) {
    setObjectName(QStringLiteral("ProgressPanel1"));
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    stopButton_->setObjectName(QStringLiteral("btStop"));
    // Narrow enough to sit beside the four panels of the window at its first size.
    bar_->setFixedWidth(86);
    stopButton_->setFixedWidth(stopButton_->fontMetrics().horizontalAdvance(stopButton_->text()) + 20);
    bar_->setAccessibleName(QStringLiteral("进度"));
    stopButton_->setToolTip(QStringLiteral("在当前这一帧应答后停止 (Esc)"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(bar_);
    row->addWidget(stopButton_);
    // Esc stops only while an operation runs; otherwise it stays the editors' and dialogs' key.
    escape_->setContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(stopButton_, &QPushButton::clicked, this, &ProgressPanel::RequestStop);
    connect(escape_, &QShortcut::activated, this, &ProgressPanel::RequestStop);
    window->statusBar()->addPermanentWidget(this);
    hide();
}

void ProgressPanel::Progress(int done, int total, const QString& number) {
    if (depth_ == 0 || total <= 0) return;
    bar_->setMaximum(total);
    bar_->setValue(qBound(0, done, total));
    bar_->setFormat(number.isEmpty() ? QStringLiteral("%v/%m") : QStringLiteral("%v/%m ") + number);
    if (isHidden()) show();
}

void ProgressPanel::RequestStop() {
    if (depth_ == 0) return;
    stop_ = true;
    stopButton_->setEnabled(false); // until the exchange in flight ends
}

void ProgressPanel::End() {
    hide();
    escape_->setEnabled(false);
    stopButton_->setEnabled(true);
    bar_->reset();
    stop_ = false;
}

ProgressPanel::Run::Run(ProgressPanel* panel) : panel_(panel) {
    if (!panel_ || panel_->depth_++ > 0) return;
    panel_->stop_ = false;
    panel_->escape_->setEnabled(true);
}

ProgressPanel::Run::~Run() {
    if (panel_ && --panel_->depth_ == 0) panel_->End();
}

#include "app/window/prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace dtu {

// The buttons in the language of the window.
static void ChineseButtons(QMessageBox& box) {
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("确定"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel)) cancel->setText(QStringLiteral("取消"));
}

void MessageBoxPrompter::Message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, parent_ ? parent_->windowTitle() : QString(), text, QMessageBox::Ok,
                    parent_);
    ChineseButtons(box);
    box.exec();
}

bool MessageBoxPrompter::Confirm(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    ChineseButtons(box);
    return box.exec() == QMessageBox::Ok;
}

QString MessageBoxPrompter::OpenFile(const QString& dir, const QString& pattern,
                                     const QString& defaultSuffix) {
    QFileDialog dialog(parent_, QString(), dir, pattern);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

QString MessageBoxPrompter::SaveFile(const QString& dir, const QString& pattern,
                                     const QString& defaultSuffix) {
    QFileDialog dialog(parent_, QString(), dir, pattern);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace dtu

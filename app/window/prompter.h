#pragma once
// Message boxes and the file-open dialog of the running tool.
#include "base/frontend.h"

class QWidget;

namespace dtu {

class MessageBoxPrompter : public IPrompter {
public:
    // parent: the window the boxes are centred over (may be null).
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    void Message(const QString& text) override;
    bool Confirm(const QString& caption, const QString& text) override;
    QString OpenFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) override;
    QString SaveFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) override;

private:
    QWidget* parent_;
};

} // namespace dtu

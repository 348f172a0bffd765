#pragma once
// Status texts of the core shown on the main window: the operation-result panel and the three
// text boxes. Widgets not attached yet (or already gone) are skipped.
#include "base/frontend.h"

#include <QPointer>

class QLabel;
class QPlainTextEdit;

namespace dtu {

class GuiStatus : public IStatusSink {
public:
    void Attach(QLabel* resultPanel, QPlainTextEdit* log, QPlainTextEdit* dialog,
                QPlainTextEdit* transparent);

    void SetResult(const QString& text) override;
    QString Result() const override;
    void Log(const QString& line) override;
    void Dialog(const QString& line) override;
    void Transparent(const QString& line) override;

private:
    QPointer<QLabel> result_;
    QPointer<QPlainTextEdit> log_, dialog_, transparent_;
};

} // namespace dtu

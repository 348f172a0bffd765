#include "tests/support/windowrig.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace dtu::test {

QObject* FindNamed(const QObject* root, const QString& name, const QMetaObject& type) {
    const QList<QObject*> all = root->findChildren<QObject*>(name);
    for (QObject* o : all)
        if (type.cast(o)) return o;
    qFatal("no %s named %s", type.className(), qPrintable(name));
}

void ApplyStartup(MainWindow& form, Startup startup) {
    if (startup == Startup::Running) return;
    Find<QTimer>(form, QStringLiteral("Timer3"))->stop();
    if (startup == Startup::Reloaded) form.ReloadLastConfiguration();
}

bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

bool OpenPort(MainWindow& form, const QString& port) {
    Find<QComboBox>(form, QStringLiteral("Edit1"))->setEditText(port);
    Find<QPushButton>(form, QStringLiteral("Button3"))->click();
    return form.Serial().IsOpen();
}

bool Logged(const MainWindow& form, const QString& line) {
    return Find<QPlainTextEdit>(form, QStringLiteral("Memo1"))
        ->toPlainText()
        .split(QLatin1Char('\n'))
        .contains(line);
}

} // namespace dtu::test

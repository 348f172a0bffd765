#include "tests/support/windowrig.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace dtu::test {

WorkFolder::WorkFolder() : previous_(QDir::currentPath()) {
    ok_ = dir_.isValid() && QDir::setCurrent(dir_.path());
}

WorkFolder::~WorkFolder() {
    QDir::setCurrent(previous_);
}

QString WorkFolder::Path(const QString& name) const {
    return name.isEmpty() ? dir_.path() : dir_.filePath(name);
}

bool WorkFolder::CopyDemo(const QStringList& names) {
    for (const QString& name : names) {
        const QString to = Path(name);
        QFile::remove(to);
        if (!QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/") + name, to)) return false;
        // The source tree may be read-only; the window writes its configuration back.
        if (!QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner)) return false;
    }
    return true;
}

bool WorkFolder::Write(const QString& name, const QByteArray& text) {
    QFile f(Path(name));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

bool LoadDemoValues(sim::SimDevice& device) {
    return device.LoadValues(sim::Table::Main, QStringLiteral("demo.txt")) &&
           device.LoadValues(sim::Table::Interface, QStringLiteral("interface.txt"));
}

void MemoryDevice::Attach(TForm1& form) {
    LoadDemoValues(device);
    form.SetChannel(channel);
    form.SetWaitClock(&clock);
}

void ApplyStartup(TForm1& form, Startup startup) {
    if (startup == Startup::Running) return;
    form.Timer3->stop();
    if (startup == Startup::Reloaded) form.Timer3Timer();
}

bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

bool OpenPort(TForm1& form, const QString& port) {
    form.Edit1->setEditText(port);
    form.Button3->click();
    return form.Serial().IsOpen();
}

bool Logged(const TForm1& form, const QString& line) {
    return form.Memo1->toPlainText().split(QLatin1Char('\n')).contains(line);
}

} // namespace dtu::test

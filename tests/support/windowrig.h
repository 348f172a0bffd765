#pragma once
// The window rig, on top of the device rig (rig.h): the main window with a recording prompter,
// how much of its start-up runs, and its widgets found by their object names.
#include "app/window/mainwindow.h"
#include "tests/support/rig.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace dtu::test {

// The object a test names a window by: a reference, a pointer or the rig's unique_ptr.
inline const QObject* RootOf(const QObject& o) {
    return &o;
}
inline const QObject* RootOf(const QObject* o) {
    return o;
}
template <class W> const QObject* RootOf(const std::unique_ptr<W>& w) {
    return w.get();
}

// The child of that type and object name (widgets keep the names the tool has always given
// them); a missing one ends the test program, naming it.
QObject* FindNamed(const QObject* root, const QString& name, const QMetaObject& type);
template <class T = QWidget, class Root> T* Find(const Root& root, const QString& name) {
    return static_cast<T*>(FindNamed(RootOf(root), name, T::staticMetaObject));
}

// How much of the start-up runs: the reload 100 ms after start (Timer3) left running, stopped,
// or stopped and run at once.
enum class Startup { Running, Stopped, Reloaded };

void ApplyStartup(MainWindow& form, Startup startup);
// Shows the window and waits until it is active (keyboard focus, mouse clicks).
bool ShowActive(QWidget& window);
// Enters the port name and clicks the port button; true when the port is open.
bool OpenPort(MainWindow& form, const QString& port);
// True when the log box holds the line.
bool Logged(const MainWindow& form, const QString& line);

// The main window (or a subclass) with a recording prompter.
template <class Form = MainWindow> struct WindowRigOf {
    ScriptedPrompter prompter;
    std::unique_ptr<Form> form;

    explicit WindowRigOf(Startup startup = Startup::Stopped) : form(std::make_unique<Form>(&prompter)) {
        ApplyStartup(*form, startup);
    }
    Form& F() { return *form; }
    bool Show() { return ShowActive(*form); }
    bool Open(const QString& port) { return OpenPort(*form, port); }
    bool Logged(const QString& line) const { return test::Logged(*form, line); }
};
using WindowRig = WindowRigOf<>;

} // namespace dtu::test

#pragma once
// What the window tests share: a working folder with the demo profile, the main window with a
// recording prompter, and the simulator either on a pseudo-terminal or straight behind an
// in-process channel.
#include "app/window/tform1.h"
#include "sim/ptyendpoint.h"
#include "sim/simchannel.h"
#include "sim/simdevice.h"
#include "tests/support/fakes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace dtu::test {

// The demo profile: device values, interface values and the device script.
inline const QStringList kDemoProfile{QStringLiteral("demo.txt"), QStringLiteral("interface.txt"),
                                      QStringLiteral("script.js")};

// A temporary folder that is the current directory while it lives (the window reads script.js
// and lastfile.log there and writes its configuration files back).
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool Ok() const { return ok_; }
    QString Path(const QString& name = QString()) const;
    // Copies files of the source tree's demo/ here, writable by the owner.
    bool CopyDemo(const QStringList& names = kDemoProfile);
    bool Write(const QString& name, const QByteArray& text);

private:
    QTemporaryDir dir_;
    QString previous_;
    bool ok_ = false;
};

// The demo profile's values (demo.txt, interface.txt in the current folder) into the device.
bool LoadDemoValues(sim::SimDevice& device);

// The simulator on a pseudo-terminal.
struct PtyDevice {
    sim::SimDevice device;
    sim::PtyEndpoint pty{device};
    // Loads the demo values and opens the pseudo-terminal.
    bool Start() { return LoadDemoValues(device) && pty.Open(); }
};

// The simulator behind an in-process channel: every request is answered at once, and reply
// waits take no time (a clock that never sleeps).
struct MemoryDevice {
    sim::SimDevice device;
    sim::SimChannel channel{device};
    FakeClock clock;
    // Loads the demo values and puts the device behind the window.
    void Attach(TForm1& form);
};

// How much of the start-up runs: the reload 100 ms after start (Timer3) left running, stopped,
// or stopped and run at once.
enum class Startup { Running, Stopped, Reloaded };

void ApplyStartup(TForm1& form, Startup startup);
// Shows the window and waits until it is active (keyboard focus, mouse clicks).
bool ShowActive(QWidget& window);
// Enters the port name and clicks the port button; true when the port is open.
bool OpenPort(TForm1& form, const QString& port);
// True when the log box holds the line.
bool Logged(const TForm1& form, const QString& line);

// The main window (or a subclass) with a recording prompter.
template <class Form = TForm1> struct WindowRigOf {
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

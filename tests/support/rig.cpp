#include "tests/support/rig.h"

#include "base/hex.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <cstdio>
#include <utility>

namespace dtu::test {

void MemoryChannel::Send(const QByteArray& bytes) {
    if (failSend) throw LinkError(QStringLiteral("Unable to write to port."));
    if (!open) return;
    sent += bytes;
    sends << bytes;
    if (onSend) onSend(bytes);
}

QByteArray MemoryChannel::Read() {
    ++reads;
    if (failRead) throw LinkError(QStringLiteral("Unable to read from port."));
    QByteArray out = std::exchange(held, QByteArray());
    for (qsizetype i = 0; i < scheduled_.size();) {
        if (scheduled_[i].first == reads) {
            out += scheduled_[i].second;
            scheduled_.removeAt(i);
        } else {
            ++i;
        }
    }
    if (!queued_.isEmpty()) out += queued_.takeFirst();
    return out;
}

void FakeClock::Pause(int ms) {
    pauses << ms;
    if (onPause) onPause(static_cast<int>(pauses.size()), ms);
}

bool ScriptedPrompter::Confirm(const QString& caption, const QString& text) {
    confirms << caption + QLatin1Char('|') + text;
    return confirmAnswers.isEmpty() ? true : confirmAnswers.takeFirst();
}

QString ScriptedPrompter::OpenFile(const QString& dir, const QString& pattern, const QString&) {
    fileRequests << dir + QLatin1Char('|') + pattern;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString ScriptedPrompter::SaveFile(const QString& dir, const QString& pattern, const QString& defaultSuffix) {
    fileRequests << QStringLiteral("save:") + dir + QLatin1Char('|') + pattern + QLatin1Char('|') +
                        defaultSuffix;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QByteArray Hex(const char* spaced) {
    return HexPairsToBytes(QString::fromLatin1(spaced).remove(QLatin1Char(' ')));
}

// ---------------------------------------------------------------------------------------------
// The demo profile and the simulator

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

void MemoryDevice::Attach(Session& session) {
    LoadDemoValues(device);
    session.SetChannel(channel);
    session.SetWaitClock(&clock);
}

bool TcpDevice::Start() {
    return LoadDemoValues(device) && tcp.Listen(QHostAddress::LocalHost, 0);
}

QString SimPath() {
    const QString env = qEnvironmentVariable("DTUSIM");
    if (!env.isEmpty()) return env;
#ifdef DTUSIM_PATH
    return QStringLiteral(DTUSIM_PATH);
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/dtusim");
#endif
}

QString StartSim(QProcess& sim, const QStringList& extra) {
    sim.setProgram(SimPath());
    sim.setArguments(
        QStringList{QStringLiteral("--no-tcp"), QStringLiteral("--no-stdin"), QStringLiteral("--quiet")} +
        extra);
    sim.start();
    if (sim.waitForStarted(5000)) {
        while (sim.waitForReadyRead(5000)) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY "))) return line.mid(4);
        }
    }
    std::fprintf(stderr, "simulator did not start (%s)\n", qPrintable(SimPath()));
    return {};
}

void StopSim(QProcess& sim) {
    if (sim.state() == QProcess::NotRunning) return;
    sim.terminate();
    if (!sim.waitForFinished(3000)) sim.kill(), sim.waitForFinished(3000);
}

void TickWatch::Attach(QTimer* t) {
    if (!clock.isValid()) clock.start();
    QObject::connect(t, &QTimer::timeout, [this] {
        const qint64 now = clock.elapsed();
        if (last >= 0 && now - last > worst) {
            worst = now - last;
            worstAt = now;
        }
        last = now;
        ++ticks;
    });
}

} // namespace dtu::test

namespace dtu::test {

CliRun RunProgram(const QString& program, const QString& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    CliRun r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitCode();
    r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace dtu::test

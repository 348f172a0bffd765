#pragma once
// For the benchmark programs: the simulator in a process of its own, and a watch on the
// window's timers that records how long it did not respond.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace dtu::test {

// DTUSIM, or the simulator this build made (the build names it), or build/sim/dtusim beside
// the program's folder.
inline QString SimPath() {
    const QString env = qEnvironmentVariable("DTUSIM");
    if (!env.isEmpty()) return env;
#ifdef DTUSIM_PATH
    return QStringLiteral(DTUSIM_PATH);
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/dtusim");
#endif
}

// Starts the simulator (pty only, quiet) and returns the pty path it prints; empty (with a
// line on stderr) when it did not start.
inline QString StartSim(QProcess& sim, const QStringList& extra) {
    sim.setProgram(SimPath());
    sim.setArguments(QStringList{QStringLiteral("--no-tcp"), QStringLiteral("--no-stdin"), QStringLiteral("--quiet")} +
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

// Ends a simulator started with StartSim (SIGTERM, so it removes its link) and waits for it.
inline void StopSim(QProcess& sim) {
    if (sim.state() == QProcess::NotRunning) return;
    sim.terminate();
    if (!sim.waitForFinished(3000)) sim.kill(), sim.waitForFinished(3000);
}

// Largest gap between the ticks of the timers attached.
struct TickWatch {
    QElapsedTimer clock;
    qint64 last = -1, worst = 0, worstAt = 0;
    int ticks = 0;
    void Attach(QTimer* t) {
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
};

} // namespace dtu::test

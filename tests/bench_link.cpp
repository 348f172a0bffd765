// Benchmark of the device link, run by hand (not a test): prints numbers.
//   bench_link send   : transparent send of 10000 x 100 bytes through a pty to the simulator
//   bench_link flood  : receive display under a 1 MB/s flood for 30 s
// Both start build/sim/dtusim (path in DTUSIM or next to this program) in its own process.
#include "app/window/tform1.h"
#include "tests/support/fakes.h"
#include "tests/support/simprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

long RssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

using dtu::test::SimPath;
using dtu::test::StartSim;
using dtu::test::TickWatch;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("send");
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile script(QStringLiteral("script.js"));
    script.open(QIODevice::WriteOnly);
    script.write("function PrevCmd(){ return ''; }\n");
    script.close();

    QProcess sim;
    const QString pty = StartSim(sim, what == QLatin1String("flood")
                                          ? QStringList{QStringLiteral("--flood"), QStringLiteral("1000000")}
                                          : QStringList{});
    if (pty.isEmpty()) return 1;
    dtu::test::ScriptedPrompter prompter;
    TForm1 form(&prompter);
    form.Timer3->stop();
    form.show();
    form.Timer1->start();
    form.Edit1->setEditText(pty);
    form.Button3->click();
    if (!form.Serial().IsOpen()) {
        std::fprintf(stderr, "port did not open\n");
        return 1;
    }
    form.State().EngineeringLevel = 0; // no frame log: the numbers are the link's
    TickWatch watch;
    watch.Attach(form.Timer1);
    const long rssBefore = RssKb();

    if (what == QLatin1String("send")) {
        form.Memo3->setPlainText(QString(100, QLatin1Char('x')));
        TForm1::SetComboText(form.ComboBox2, QStringLiteral("10000"));
        QElapsedTimer t;
        t.start();
        form.Button8->click();
        const double s = t.elapsed() / 1000.0;
        std::printf("transparent send: %lld bytes in %.2f s = %.0f bytes/s; %d Timer1 ticks, largest gap %lld ms\n",
                    static_cast<long long>(form.State().SentBytes), s, form.State().SentBytes / s, watch.ticks,
                    static_cast<long long>(watch.worst));
    } else {
        QElapsedTimer t;
        t.start();
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        const double s = t.elapsed() / 1000.0;
        std::printf("receive flood: %lld bytes in %.1f s = %.0f bytes/s; %d ticks, largest gap %lld ms; "
                    "RSS %ld kB -> %ld kB; Memo2 %d lines\n",
                    static_cast<long long>(form.State().ReceivedBytes), s, form.State().ReceivedBytes / s,
                    watch.ticks, static_cast<long long>(watch.worst), rssBefore, RssKb(),
                    form.Memo2->document()->blockCount());
    }
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}

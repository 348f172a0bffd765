// Benchmark of the device link, run by hand (not a test): prints numbers.
//   bench_link send   : transparent send of 10000 x 100 bytes through a pty to the simulator
//   bench_link flood [SECONDS] : receive display under a 1 MB/s flood (60 s unless given) at
//                       engineering level 1, page 1 (Memo1) and page 2 (Memo2) shown in turn
//   bench_link frames [SECONDS] : reads answered with 4096-byte frames at full speed (60 s unless
//                       given) at engineering level 1, each frame logged as one line in Memo1
// Both start build/sim/dtusim (path in DTUSIM or next to this program) in its own process.
#include "app/window/widgetkit.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

using dtu::test::Find;

namespace {

long RssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

double CpuSeconds() {
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Counts what the window reads from the channel, to check the counter against.
class CountingChannel : public dtu::IChannel {
public:
    explicit CountingChannel(dtu::IChannel& inner) : inner_(inner) {}
    bool IsOpen() const override { return inner_.IsOpen(); }
    void Send(const QByteArray& bytes) override { inner_.Send(bytes); }
    void PutBack(const QByteArray& bytes) override { inner_.PutBack(bytes); }
    QByteArray Read() override {
        QByteArray b = inner_.Read();
        read += b.size();
        return b;
    }
    qint64 read = 0;

private:
    dtu::IChannel& inner_;
};

// The flood: level 1 (as the port button leaves it), the pages with Memo1 and Memo2 shown
// in turn every 10 s; RSS every 10 s, CPU time, the largest Timer1 gap and the longest a
// posted event (a click) waited, and the bytes read against the bytes counted.
void Flood(QApplication& app, MainWindow& form, dtu::test::TickWatch& watch, int seconds) {
    dtu::IChannel& port = form.Session().Channel();
    CountingChannel counting(port);
    form.SetChannel(counting);
    form.State().EngineeringLevel = 1;
    // Both pages painted once first: the start figure is the window as the user sees it.
    for (int page : {1, 0}) {
        Find<QTabWidget>(form, "PageControl1")->setCurrentIndex(page);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QElapsedTimer t;
    t.start();
    const double cpu0 = CpuSeconds();
    const qint64 start = watch.clock.isValid() ? watch.clock.elapsed() : 0;
    const long rss0 = RssKb();
    std::printf("flood 1 MB/s for %d s at level 1; RSS at start %ld kB\n", seconds, rss0);
    std::fflush(stdout);
    // A posted event every 50 ms: how long it waits for the window's loop.
    qint64 worstPosted = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 posted = t.elapsed();
        QMetaObject::invokeMethod(
            &app, [&, posted] { worstPosted = qMax(worstPosted, t.elapsed() - posted); }, Qt::QueuedConnection);
    });
    probe.start(50);
    QTimer every10s;
    int step = 0;
    QObject::connect(&every10s, &QTimer::timeout, [&] {
        ++step;
        std::printf("%3d s: RSS %ld kB, CPU %.1f s, page %d, Memo1 %d lines, Memo2 %d lines, counted %lld\n",
                    step * 10, RssKb(), CpuSeconds() - cpu0,
                    Find<QTabWidget>(form, "PageControl1")->currentIndex() + 1,
                    Find<QPlainTextEdit>(form, "Memo1")->document()->blockCount(),
                    Find<QPlainTextEdit>(form, "Memo2")->document()->blockCount(),
                    static_cast<long long>(form.State().ReceivedBytes));
        std::fflush(stdout);
        Find<QTabWidget>(form, "PageControl1")->setCurrentIndex(step % 2);
    });
    every10s.start(10000);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double s = t.elapsed() / 1000.0;
    const double cpu = CpuSeconds() - cpu0;
    std::printf("end: RSS %ld kB (%+ld kB); CPU %.1f s in %.1f s (%.0f %% of a core); %d Timer1 ticks, largest gap %lld ms (ending %.1f s after the start); "
                "a posted event waited at most %lld ms\n",
                RssKb(), RssKb() - rss0, cpu, s, 100 * cpu / s, watch.ticks, static_cast<long long>(watch.worst),
                (watch.worstAt - start) / 1000.0, static_cast<long long>(worstPosted));
    std::printf("bytes received %lld, counted %lld (%.0f bytes/s); Memo1 %lld chars in %d lines, Memo2 %lld "
                "chars in %d lines\n",
                static_cast<long long>(counting.read), static_cast<long long>(form.State().ReceivedBytes),
                form.State().ReceivedBytes / s,
                static_cast<long long>(Find<QPlainTextEdit>(form, "Memo1")->document()->characterCount()),
                Find<QPlainTextEdit>(form, "Memo1")->document()->blockCount(),
                static_cast<long long>(Find<QPlainTextEdit>(form, "Memo2")->document()->characterCount()),
                Find<QPlainTextEdit>(form, "Memo2")->document()->blockCount());
    form.SetChannel(port);
}

// Reads of two rows of 2040 bytes each: every answer is a 4096-byte frame, every frame a line of
// about 12300 characters in Memo1. 读取 is clicked again as soon as a read ends; RSS every 10 s,
// CPU time and the longest a posted event (a click) waited.
void Frames(QApplication& app, MainWindow& form, int seconds) {
    QPlainTextEdit* memo1 = Find<QPlainTextEdit>(form, "Memo1");
    QPushButton* read = Find<QPushButton>(form, "btRead");
    form.State().EngineeringLevel = 1;
    QElapsedTimer t;
    t.start();
    const double cpu0 = CpuSeconds();
    const long rss0 = RssKb();
    std::printf("reads answered with 4096-byte frames for %d s at level 1; RSS at start %ld kB\n", seconds, rss0);
    std::fflush(stdout);
    qint64 worstPosted = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 posted = t.elapsed();
        QMetaObject::invokeMethod(
            &app, [&, posted] { worstPosted = qMax(worstPosted, t.elapsed() - posted); }, Qt::QueuedConnection);
    });
    probe.start(50);
    int reads = 0;
    bool stop = false;
    std::function<void()> next = [&] {
        if (stop) return;
        read->click(); // returns when the read has ended
        ++reads;
        QTimer::singleShot(0, &app, next);
    };
    QTimer::singleShot(0, &app, next);
    QTimer every10s;
    int step = 0;
    QObject::connect(&every10s, &QTimer::timeout, [&] {
        std::printf("%3d s: RSS %ld kB, CPU %.1f s, %d reads, Memo1 %lld chars in %d lines\n", ++step * 10, RssKb(),
                    CpuSeconds() - cpu0, reads, static_cast<long long>(memo1->document()->characterCount()),
                    memo1->document()->blockCount());
        std::fflush(stdout);
    });
    every10s.start(10000);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, [&] {
        stop = true;
        loop.quit();
    });
    loop.exec();
    const double s = t.elapsed() / 1000.0;
    const double cpu = CpuSeconds() - cpu0;
    std::printf("end: RSS %ld kB (%+ld kB); CPU %.1f s in %.1f s (%.0f %% of a core); %d reads (%.0f frames of 4096 bytes/s); "
                "a posted event waited at most %lld ms; Memo1 %lld chars in %d lines\n",
                RssKb(), RssKb() - rss0, cpu, s, 100 * cpu / s, reads, reads / s, static_cast<long long>(worstPosted),
                static_cast<long long>(memo1->document()->characterCount()), memo1->document()->blockCount());
}

// The configuration for Frames: two rows of 2040 bytes, replies that end with the frame.
void WriteFramesConfig() {
    const QByteArray value = QByteArray(2040, 'A').toHex().toUpper();
    QFile f(QStringLiteral("frames.txt"));
    f.open(QIODevice::WriteOnly);
    f.write("{ \"Title\": \"frames\", \"Baudrate\": \"115200\", \"ComOption\": \"8N1\", \"ReplyEnd\": \"frame\",\n"
            "  \"Params\": [\n"
            "    {\"CMDID\": \"0A01\", \"PNAME\": \"a\", \"PVALUE\": \"HEX:" + value + "\", \"PNOTE\": \"\", \"ONLIST\": \"\", \"ONGET\": \"\", \"ONSET\": \"\"},\n"
            "    {\"CMDID\": \"0A02\", \"PNAME\": \"b\", \"PVALUE\": \"HEX:" + value + "\", \"PNOTE\": \"\", \"ONLIST\": \"\", \"ONGET\": \"\", \"ONSET\": \"\"}\n"
            "  ] }\n");
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

    const bool frames = what == QLatin1String("frames");
    if (frames) { // the demo's device script has the command words a read needs
        QFile::remove(QStringLiteral("script.js"));
        QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/script.js"), QStringLiteral("script.js"));
        WriteFramesConfig();
    }
    QProcess sim;
    const QString pty = StartSim(sim, what == QLatin1String("flood") ? QStringList{QStringLiteral("--flood"), QStringLiteral("1000000")}
                                      : frames ? QStringList{QStringLiteral("--values"), QStringLiteral("frames.txt")}
                                               : QStringList{});
    if (pty.isEmpty()) return 1;
    dtu::test::ScriptedPrompter prompter;
    MainWindow form(&prompter);
    Find<QTimer>(form, "Timer3")->stop();
    if (frames) form.Session().Config().LoadConfiguration(QStringLiteral("frames.txt"));
    form.show();
    Find<QTimer>(form, "Timer1")->start();
    Find<QComboBox>(form, "Edit1")->setEditText(pty);
    Find<QPushButton>(form, "Button3")->click();
    if (!form.Serial().IsOpen()) {
        std::fprintf(stderr, "port did not open\n");
        return 1;
    }
    TickWatch watch;
    watch.Attach(Find<QTimer>(form, "Timer1"));

    if (what == QLatin1String("send")) {
        form.State().EngineeringLevel = 0; // no frame log: the numbers are the link's
        Find<QPlainTextEdit>(form, "Memo3")->setPlainText(QString(100, QLatin1Char('x')));
        kit::SetComboText(Find<QComboBox>(form, "ComboBox2"), QStringLiteral("10000"));
        QElapsedTimer t;
        t.start();
        Find<QPushButton>(form, "Button8")->click();
        const double s = t.elapsed() / 1000.0;
        std::printf("transparent send: %lld bytes in %.2f s = %.0f bytes/s; %d Timer1 ticks, largest gap %lld ms\n",
                    static_cast<long long>(form.State().SentBytes), s, form.State().SentBytes / s, watch.ticks,
                    static_cast<long long>(watch.worst));
    } else if (frames) {
        Frames(app, form, argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 60);
        if (!prompter.messages.isEmpty()) std::printf("message: %s\n", qPrintable(prompter.messages.first()));
    } else {
        Flood(app, form, watch, argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 60);
    }
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}

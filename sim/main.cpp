// dtusim: a simulated DTU on a pseudo-terminal and on the TCP maintenance port.
#include "base/hex.h"
#include "sim/fleet.h"
#include "sim/ptyendpoint.h"
#include "sim/simcontrol.h"
#include "sim/simdevice.h"
#include "sim/tcpendpoint.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>

#include <csignal>
#include <functional>
#include <memory>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace dtu::sim;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

void Out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void Err(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

[[noreturn]] void Fatal(const QString& text) {
    Err(QStringLiteral("dtusim: ") + text);
    std::exit(2);
}

int IntOption(const QCommandLineParser& p, const QString& name, int min, int max) {
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < min || v > max) Fatal(QStringLiteral("--%1 takes a number %2..%3").arg(name).arg(min).arg(max));
    return v;
}

// Reads control lines from stdin; at the end of input it stops reading (the device keeps running).
class StdinControl : public QObject {
public:
    using Execute = std::function<ControlResult(const QString&)>;
    StdinControl(Execute execute, PtyEndpoint* pty, QObject* parent) : QObject(parent), execute_(std::move(execute)), pty_(pty) {
        notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &StdinControl::OnReadable);
    }

private:
    void OnReadable() {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            notifier_->setEnabled(false);
            return;
        }
        pending_.append(buf, n);
        qsizetype eol;
        while ((eol = pending_.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(pending_.left(eol)).trimmed();
            pending_.remove(0, eol + 1);
            if (pty_ && (line == QLatin1String("unplug") || line == QLatin1String("replug"))) {
                QString error;
                if (line == QLatin1String("unplug"))
                    pty_->Unplug();
                else if (!pty_->Plugged() && !pty_->Replug(&error))
                    Out(QStringLiteral("error: ") + error);
                Out(pty_->Plugged() ? QStringLiteral("PTY ") + pty_->SlavePath() : QStringLiteral("unplugged"));
                continue;
            }
            const ControlResult r = execute_(line);
            if (!r.text.isEmpty()) Out(r.ok ? r.text : QStringLiteral("error: ") + r.text);
            if (r.quit) {
                QCoreApplication::quit();
                return;
            }
        }
    }

    Execute execute_;
    PtyEndpoint* pty_;
    QSocketNotifier* notifier_;
    QByteArray pending_;
};

// Fleet control lines: "K LINE" goes to device K, "all LINE" to every device.
ControlResult FleetControl(Fleet& fleet, const QString& line) {
    if (line == QLatin1String("quit")) return {true, {}, true};
    const QString head = line.section(QLatin1Char(' '), 0, 0), rest = line.section(QLatin1Char(' '), 1).trimmed();
    bool ok = false;
    const int k = head.toInt(&ok);
    if (head == QLatin1String("all")) {
        ControlResult last;
        for (int i = 1; i <= fleet.Count() && last.ok; ++i) last = ExecuteControl(fleet.Device(i), rest);
        return last;
    }
    if (!ok || k < 1 || k > fleet.Count() || rest.isEmpty())
        return {false, QStringLiteral("fleet: K LINE (device K, 1..%1) or all LINE, e.g. \"3 mode silent\"; quit").arg(fleet.Count()), false};
    return ExecuteControl(fleet.Device(k), rest);
}

// Serves the fleet until a signal or "quit"; the device configured from the options is the model.
int RunFleet(QCoreApplication& app, const QCommandLineParser& p, const SimDevice& model) {
    FleetSetup setup;
    setup.count = IntOption(p, QStringLiteral("fleet"), 1, 1000000);
    QString error;
    if (!RaiseFileLimitFor(setup.count, &error)) Fatal(error);
    setup.base = QHostAddress(p.value(QStringLiteral("listen")));
    setup.port = static_cast<quint16>(IntOption(p, QStringLiteral("tcp-port"), 1, 65535));
    const std::optional<quint16> row = ParseParamNumber(p.value(QStringLiteral("fleet-count-row")));
    if (!row) Fatal(QStringLiteral("--fleet-count-row takes four hex digits"));
    setup.countRow = *row;
    setup.countPrefix = p.value(QStringLiteral("fleet-count-prefix"));
    setup.countWidth = IntOption(p, QStringLiteral("fleet-count-width"), 0, 30);
    setup.start = IntOption(p, QStringLiteral("fleet-start"), 0, 2000000000);
    if (!ParseFleetFaults(p.value(QStringLiteral("fleet-faults")), setup, &error)) Fatal(error);
    Fleet fleet;
    if (!fleet.Start(model, setup, &error)) Fatal(error);
    if (!p.isSet(QStringLiteral("quiet")))
        for (int k = 1; k <= fleet.Count(); ++k) {
            const QString who = fleet.Address(k).toString() + QLatin1Char(' ');
            QObject::connect(&fleet.Device(k), &SimDevice::Logged, [who](const QString& line) {
                if (!line.startsWith(QLatin1String("RX "))) Err(who + line);
            });
        }
    Out(QStringLiteral("FLEET %1 %2-%3 TCP %4")
            .arg(fleet.Count())
            .arg(fleet.Address(1).toString(), fleet.Address(fleet.Count()).toString())
            .arg(setup.port));
    if (!p.isSet(QStringLiteral("no-stdin")))
        new StdinControl([&fleet](const QString& line) { return FleetControl(fleet, line); }, nullptr, &app);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    // A fleet watches thousands of sockets: the plain poll dispatcher, not the GLib one (which
    // walks every notifier to remove one and spends a sixth of a 10,000-device run on it).
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--fleet") == 0 && qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dtusim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated DTU for dtucfg. Serves a pseudo-terminal (its path is printed as \"PTY /dev/pts/N\")\n"
        "and the TCP maintenance port (password first). Control lines on stdin: \"help\" lists them."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("prefix"), QStringLiteral("Request prefix bytes after the length field (hex)."), QStringLiteral("HEX")},
        {QStringLiteral("csq"), QStringLiteral("Signal quality, decimal (default 23)."), QStringLiteral("N"), QString::number(kDefaultCsq)},
        {QStringLiteral("dtu-version"), QStringLiteral("Version text of the device."), QStringLiteral("TEXT"), QString::fromLatin1(kDefaultVersion)},
        {QStringLiteral("mode"), QStringLiteral("Answer mode: ok, refuse, silent, illegal, badsum."), QStringLiteral("MODE"), QStringLiteral("ok")},
        {QStringLiteral("delay"), QStringLiteral("Reply delay."), QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("split"), QStringLiteral("Send each reply in two pieces a few ms apart.")},
        {QStringLiteral("echo"), QStringLiteral("Transparent mode: echo bytes that are not a command frame.")},
        {QStringLiteral("hold"), QStringLiteral("Wait for the rest of an incomplete frame (default 300)."), QStringLiteral("MS"), QString::number(kDefaultHoldMs)},
        {QStringLiteral("flood"), QStringLiteral("Send a stream of pattern bytes on every open endpoint."), QStringLiteral("BYTES_PER_SEC"), QStringLiteral("0")},
        {QStringLiteral("values"), QStringLiteral("Configuration file with the main parameter values (channels >= 1)."), QStringLiteral("FILE")},
        {QStringLiteral("ex-values"), QStringLiteral("Configuration file with the interface parameter values (channel 0)."), QStringLiteral("FILE")},
        {QStringLiteral("readonly"), QStringLiteral("Parameter numbers whose writes are refused, e.g. 0091,00A0 (0000 always is)."), QStringLiteral("LIST")},
        {QStringLiteral("no-pty"), QStringLiteral("No pseudo-terminal.")},
        {QStringLiteral("link"), QStringLiteral("Symlink to the pty slave (an existing symlink is replaced)."), QStringLiteral("PATH")},
        {QStringLiteral("no-tcp"), QStringLiteral("No TCP maintenance port.")},
        {QStringLiteral("tcp-port"), QStringLiteral("TCP port (default 8888; 0 = any free port)."), QStringLiteral("N"), QString::number(kDefaultTcpPort)},
        {QStringLiteral("listen"), QStringLiteral("TCP address (default 127.0.0.1)."), QStringLiteral("ADDR"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("no-stdin"), QStringLiteral("Do not read control lines from stdin.")},
        {QStringLiteral("quiet"), QStringLiteral("Do not log every received frame.")},
        {QStringLiteral("fleet"), QStringLiteral("Serve N devices on N consecutive addresses from --listen (TCP only)."), QStringLiteral("N")},
        {QStringLiteral("fleet-count-row"), QStringLiteral("Fleet: the row that counts up per device (default 0091)."), QStringLiteral("NUM"), QStringLiteral("0091")},
        {QStringLiteral("fleet-count-prefix"), QStringLiteral("Fleet: text before the count (default DTU)."), QStringLiteral("TEXT"), QStringLiteral("DTU")},
        {QStringLiteral("fleet-count-width"), QStringLiteral("Fleet: digits of the count, zero-padded (default 7)."), QStringLiteral("N"), QStringLiteral("7")},
        {QStringLiteral("fleet-start"), QStringLiteral("Fleet: the count of the first device (default 1)."), QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("fleet-faults"), QStringLiteral("Fleet: faulty devices, e.g. silent:3,refuse:5-7,down:/100."), QStringLiteral("LIST")},
        {QStringLiteral("silent-after"), QStringLiteral("Answer nothing after this many command frames (0 = never)."), QStringLiteral("N"), QStringLiteral("0")},
    });
    p.process(app);

    SimDevice device;
    if (p.isSet(QStringLiteral("prefix"))) {
        const QString hex = p.value(QStringLiteral("prefix")).remove(QLatin1Char(' '));
        if (hex.size() % 2) Fatal(QStringLiteral("--prefix takes hex digit pairs"));
        device.SetPrefix(dtu::HexPairsToBytes(hex));
    }
    device.SetCsq(static_cast<quint8>(IntOption(p, QStringLiteral("csq"), 0, 255)));
    device.SetVersionText(p.value(QStringLiteral("dtu-version")).toLatin1());
    const std::optional<AnswerMode> mode = ParseAnswerMode(p.value(QStringLiteral("mode")));
    if (!mode) Fatal(QStringLiteral("unknown --mode %1").arg(p.value(QStringLiteral("mode"))));
    device.SetMode(*mode);
    device.SetReplyDelay(IntOption(p, QStringLiteral("delay"), 0, 600000));
    device.SetSplitReplies(p.isSet(QStringLiteral("split")));
    device.SetEcho(p.isSet(QStringLiteral("echo")));
    device.SetSilentAfter(IntOption(p, QStringLiteral("silent-after"), 0, 100000000));
    device.SetHoldMs(IntOption(p, QStringLiteral("hold"), 1, 600000));
    device.SetFloodRate(IntOption(p, QStringLiteral("flood"), 0, 100000000));
    if (p.isSet(QStringLiteral("readonly"))) {
        const std::optional<QSet<quint16>> numbers = ParseNumberList(p.value(QStringLiteral("readonly")));
        if (!numbers) Fatal(QStringLiteral("--readonly takes four-digit hex numbers, comma separated"));
        device.SetReadOnly(*numbers);
    }
    QString error;
    if (p.isSet(QStringLiteral("values")) && !device.LoadValues(Table::Main, p.value(QStringLiteral("values")), &error))
        Fatal(error);
    if (p.isSet(QStringLiteral("ex-values")) &&
        !device.LoadValues(Table::Interface, p.value(QStringLiteral("ex-values")), &error))
        Fatal(error);

    const bool quiet = p.isSet(QStringLiteral("quiet"));
    QObject::connect(&device, &SimDevice::Logged, [quiet](const QString& line) {
        if (!quiet || !line.startsWith(QLatin1String("RX "))) Err(line);
    });

    const bool fleetMode = p.isSet(QStringLiteral("fleet"));
    // SIGINT/SIGTERM/SIGHUP end the event loop, so the symlink is removed on the way out.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) Fatal(QStringLiteral("socketpair failed"));
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &sa, nullptr);

    if (fleetMode) return RunFleet(app, p, device);

    std::unique_ptr<PtyEndpoint> pty;
    if (!p.isSet(QStringLiteral("no-pty"))) {
        pty = std::make_unique<PtyEndpoint>(device);
        if (!pty->Open(&error)) Fatal(error);
        Out(QStringLiteral("PTY ") + pty->SlavePath());
        if (p.isSet(QStringLiteral("link"))) {
            if (!pty->MakeLink(p.value(QStringLiteral("link")), &error)) Fatal(error);
            Out(QStringLiteral("LINK ") + pty->LinkPath());
        }
    }
    std::unique_ptr<TcpEndpoint> tcp;
    if (!p.isSet(QStringLiteral("no-tcp"))) {
        tcp = std::make_unique<TcpEndpoint>(device);
        const QHostAddress address(p.value(QStringLiteral("listen")));
        if (address.isNull()) Fatal(QStringLiteral("--listen takes an IP address"));
        if (!tcp->Listen(address, static_cast<quint16>(IntOption(p, QStringLiteral("tcp-port"), 0, 65535)), &error))
            Fatal(error);
        Out(QStringLiteral("TCP %1").arg(tcp->Port()));
    }
    if (!pty && !tcp) Fatal(QStringLiteral("neither pty nor TCP: nothing to serve"));

    if (!p.isSet(QStringLiteral("no-stdin"))) new StdinControl([&device](const QString& line) { return ExecuteControl(device, line); }, pty.get(), &app);

    const int rc = app.exec();
    tcp.reset();
    pty.reset();
    return rc;
}

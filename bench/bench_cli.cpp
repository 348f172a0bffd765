// Benchmark of dtucfg-cli against simulators (prints numbers; not a test):
//  - 100 changed rows written and verified, the reply ending by silence and by the frame;
//  - apply of a 100-row profile to 8 simulators at once against 1 (wall-time ratio);
//  - peak memory of the program with 1 and with 8 devices, and per device.
#include "tests/support/rig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

using namespace dtu::test;

namespace {

constexpr int kRows = 100;

// A configuration of kRows text rows 1001.., each value "A" + n or "B" + n.
void WriteProfile(const QString& path, char tag, const QString& replyEnd) {
    QJsonObject params;
    for (int i = 0; i < kRows; ++i) {
        const QString number = QStringLiteral("%1").arg(0x1001 + i, 4, 16, QLatin1Char('0')).toUpper();
        const QByteArray value = QByteArray(1, tag) + QByteArray::number(i).rightJustified(3, '0');
        params.insert(QString::number(i), QJsonObject{{"CMDID", number}, {"PNAME", "p" + number},
                                                      {"PVALUE", "HEX:" + QString::fromLatin1(value.toHex().toUpper())},
                                                      {"PNOTE", ""}, {"ONLIST", ""}, {"ONGET", "GetStr()"}, {"ONSET", "SetStr()"}});
    }
    QJsonObject root{{"Title", "bench"}, {"Baudrate", "115200"}, {"ComOption", "8N1"}, {"Params", params}};
    if (!replyEnd.isEmpty()) root.insert("ReplyEnd", replyEnd);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    f.write(QJsonDocument(root).toJson());
}

struct Run {
    double seconds = 0;
    int exitCode = -1;
    QJsonObject json;
};

Run Apply(const QString& dir, const QString& profile, const QStringList& ports, const QString& replyEnd) {
    QStringList args{"apply", "--config", profile, "--json", "--reply-end", replyEnd};
    for (const QString& p : ports) args << "--port" << p;
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationDirPath() + "/../dtucfg-cli", args);
    p.waitForFinished(-1);
    Run r;
    r.seconds = t.elapsed() / 1000.0;
    r.exitCode = p.exitCode();
    r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    return r;
}

int Count(const Run& r, const char* key) {
    int n = 0;
    for (const QJsonValue& d : r.json.value("devices").toArray()) n += static_cast<int>(d.toObject().value(key).toArray().size());
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!QFile::copy(QStringLiteral(DEMO_DIR "/script.js"), dir.filePath("script.js"))) qFatal("no demo script");
    WriteProfile(dir.filePath("a.txt"), 'A', {});
    WriteProfile(dir.filePath("b.txt"), 'B', {});

    struct Sims : std::vector<std::unique_ptr<QProcess>> {
        ~Sims() {
            for (auto& p : *this) StopSim(*p);
        }
    };
    auto startSims = [&](int n, Sims& sims) {
        QStringList ports;
        for (int i = 0; i < n; ++i) {
            sims.push_back(std::make_unique<QProcess>());
            const QString pty = StartSim(*sims.back(), {"--values", dir.filePath("a.txt")});
            if (pty.isEmpty()) qFatal("simulator did not start");
            ports << pty;
        }
        return ports;
    };

    std::printf("%d changed rows written and verified, one device:\n", kRows);
    for (const char* mode : {"silence", "frame"}) {
        Sims sims;
        const QStringList ports = startSims(1, sims);
        const Run r = Apply(dir.path(), "b.txt", ports, mode);
        std::printf("  reply end %-8s %7.2f s  (exit %d, written %d, verified %d)\n", mode, r.seconds, r.exitCode,
                    Count(r, "written"), Count(r, "verified"));
    }

    std::printf("apply of a %d-row profile, reply end frame:\n", kRows);
    double one = 0;
    qint64 mem1 = 0;
    for (int n : {1, 8}) {
        Sims sims;
        const QStringList ports = startSims(n, sims);
        const Run r = Apply(dir.path(), "b.txt", ports, "frame");
        const qint64 mem = r.json.value("peakMemoryKb").toInteger();
        if (n == 1) {
            one = r.seconds;
            mem1 = mem;
        }
        std::printf("  %d device(s): %6.2f s wall (exit %d, written %d)  peak memory %lld KiB\n", n, r.seconds,
                    r.exitCode, Count(r, "written"), static_cast<long long>(mem));
        if (n == 8) {
            std::printf("  wall ratio 8 : 1 = %.2f\n", one > 0 ? r.seconds / one : 0.0);
            std::printf("  peak memory per added device: %lld KiB\n", static_cast<long long>((mem - mem1) / 7));
        }
    }
    return 0;
}

// What the journal adds to a 100-row apply: Session::Apply of a 100-row profile against the
// in-process simulator (which answers at once, so the journal's share is as large as it gets),
// with the journal on the disk and without a journal, side by side. Each apply reads the device,
// writes the 100 rows that differ and reads them back. The journal goes to a scratch folder, or
// to $DTUCFG_JOURNAL_DIR to measure another disk.
#include "session/session.h"
#include "sim/simchannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace dtu;

namespace {

constexpr int kRows = 100;
constexpr int kRuns = 15;

// kRows text rows 1001.., each value tag + n.
void WriteProfile(const QString& path, char tag) {
    QJsonObject params;
    for (int i = 0; i < kRows; ++i) {
        const QString number = QStringLiteral("%1").arg(0x1001 + i, 4, 16, QLatin1Char('0')).toUpper();
        const QByteArray value = QByteArray(1, tag) + QByteArray::number(i).rightJustified(3, '0');
        params.insert(QString::number(i), QJsonObject{{"CMDID", number}, {"PNAME", "p" + number},
                                                      {"PVALUE", "HEX:" + QString::fromLatin1(value.toHex().toUpper())},
                                                      {"PNOTE", ""}, {"ONLIST", ""}, {"ONGET", "GetStr()"}, {"ONSET", "SetStr()"}});
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    f.write(QJsonDocument(QJsonObject{{"Title", "bench"}, {"IdentityRow", "1001"}, {"Params", params}}).toJson());
}

class Quiet : public IStatusSink {
public:
    void SetResult(const QString&) override {}
    QString Result() const override { return {}; }
    void Log(const QString&) override {}
    void Dialog(const QString&) override {}
    void Transparent(const QString&) override {}
};

class NoWait : public IWaitClock {
public:
    void Pause(int) override {}
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/script.js"), dir.filePath("script.js"))) qFatal("no demo script");
    WriteProfile(dir.filePath("a.txt"), 'A');
    WriteProfile(dir.filePath("b.txt"), 'B');
    const QString folder = qEnvironmentVariable("DTUCFG_JOURNAL_DIR", dir.filePath(QStringLiteral("journal")));
    const Journal journal(folder);

    Quiet status;
    NullConfigView view;
    Session session(status, view);
    sim::SimDevice device;
    sim::SimChannel link(device);
    NoWait clock;
    if (session.LoadScript(dir.filePath("script.js")).Failed() || session.LoadConfiguration(dir.filePath("a.txt")).Failed())
        qFatal("cannot load the script or the profile");
    if (!device.LoadValues(sim::Table::Main, dir.filePath("a.txt"))) qFatal("cannot load the device's values");
    session.SetChannel(link);
    session.SetWaitClock(&clock);
    session.SetTargetName(QStringLiteral("bench"));

    std::vector<double> with, without;
    QElapsedTimer t;
    int written = 0, recorded = 0;
    for (int run = 0; run < 2 * kRuns; ++run) {
        const bool journaled = run % 2 == 0;
        session.SetJournal(journaled ? &journal : nullptr, QStringLiteral("cli"));
        t.start();
        const ApplyResult r = session.Apply(dir.filePath(run % 4 < 2 ? "b.txt" : "a.txt"));
        (journaled ? with : without).push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (r.failure.Failed()) qFatal("apply failed: %s", qPrintable(r.failure.text));
        written += static_cast<int>(r.written.size());
        recorded += !r.operation.isEmpty();
    }
    std::printf("Session::Apply of a %d-row profile (read, %d rows written, read back), in-process simulator,\n"
                "median of %d runs each; journal in %s\n",
                kRows, kRows, kRuns, qPrintable(folder));
    std::printf("  without the journal  %8.2f ms\n", Median(without));
    std::printf("  with the journal     %8.2f ms  (+%.2f ms, %.1f%%)\n", Median(with), Median(with) - Median(without),
                100.0 * (Median(with) - Median(without)) / Median(without));
    std::printf("  rows written %d in %d applies, %d applies journaled\n", written, 2 * kRuns, recorded);
    return written == 2 * kRuns * kRows && recorded == kRuns ? 0 : 1;
}

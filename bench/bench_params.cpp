// Benchmark of the parameter pages, run by hand (not a test): prints numbers.
//   read  : a table of 500 rows; the time from the complete reply to every row decoded and the
//           list repainted (the window shown on the offscreen platform, the simulated device
//           behind an in-process channel, reply waits on a clock that does not sleep)
//   write : the same table read from build/sim/dtusim (its own process, over its pty), then 100
//           changed rows written to it with the real reply waits; the largest gap between ticks
//           of Timer1 or Timer2 while the write runs
// Without an argument both run.
#include "params/editor.h"
#include "params/rows.h"
#include "params/changes.h"
#include "sim/simchannel.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using dtu::test::Find;
using dtu::test::SimPath;
using dtu::test::StartSim;
using dtu::test::TickWatch;

namespace {

constexpr int kRows = 500;
constexpr int kWrites = 100;

// A configuration of kRows rows, one per line: a heading every 50 rows, the others in turn a
// string, a choice, a two-byte number and a float.
bool WriteConfiguration(const QString& path) {
    QByteArray text = "{\"Title\": \"bench\", \"Comport\": \"x\", \"Params\": {\n";
    for (int i = 0; i < kRows; ++i) {
        QString number, raw, list, get, set;
        if (i % 50 != 0) {
            number = QString::asprintf("%04X", 0x1000 + i);
            switch (i % 4) {
            case 0:
                raw = QStringLiteral("HEX:") + QString::fromLatin1(QByteArray("value").toHex().toUpper()) +
                      QString::asprintf("%04X", i);
                get = "GetStr()", set = "SetStr()";
                break;
            case 1:
                raw = "HEX:02", list = R"([[\"A\",\"B\",\"C\",\"D\"],[\"00\",\"01\",\"02\",\"03\"]])";
                break;
            case 2:
                raw = QString::asprintf("HEX:%04X", i), get = "GetWord()", set = "SetWord()";
                break;
            default:
                raw = "HEX:3FC00000", get = "GetFloat()", set = "SetFloat()";
            }
        }
        text += QString::asprintf("\"%d\": {\"CMDID\": \"%s\", \"PNAME\": \"参数%d\", \"PVALUE\": \"%s\", "
                                  "\"PNOTE\": \"\", \"ONLIST\": \"%s\", \"ONGET\": \"%s\", \"ONSET\": \"%s\"}%s\n",
                                  i, qPrintable(number), i, qPrintable(raw), qPrintable(list), qPrintable(get),
                                  qPrintable(set), i + 1 < kRows ? "," : "")
                    .toUtf8();
    }
    text += "}}\n";
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int BenchRead() {
    dtu::sim::SimDevice device;
    if (!device.LoadValues(dtu::sim::Table::Main, QStringLiteral("bench.txt"))) return 1;
    dtu::sim::SimChannel channel(device);
    dtu::test::FakeClock clock;
    QElapsedTimer t;
    qint64 replyRead = -1;
    // The first pause after the request: the whole reply has been read by then.
    clock.onPause = [&](int index, int) {
        if (index == 1) replyRead = t.nsecsElapsed();
    };
    dtu::test::ScriptedPrompter prompter;
    MainWindow form(&prompter);
    Find<QTimer>(form, "Timer3")->stop();
    form.Session().Config().LoadConfiguration(QStringLiteral("bench.txt"));
    form.SetChannel(channel);
    form.SetWaitClock(&clock);
    form.show();
    QCoreApplication::processEvents();
    const int rows = form.MainTable().Count();

    std::vector<double> decode, paint;
    for (int run = 0; run < 20; ++run) {
        // Every value differs from what the rows hold, so every row is redrawn.
        const dtu::sim::ValueTable values = device.Values(dtu::sim::Table::Main);
        for (auto it = values.begin(); it != values.end(); ++it) {
            QByteArray v = it.value();
            if (!v.isEmpty()) v[v.size() - 1] = char(v.at(v.size() - 1) ^ 1);
            device.SetValue(dtu::sim::Table::Main, it.key(), v);
        }
        clock.pauses.clear();
        t.start();
        Find<QPushButton>(form, "btRead")->click();
        const qint64 decoded = t.nsecsElapsed();
        QCoreApplication::processEvents();
        Find<QTableView>(form, "ListView1")->viewport()->repaint();
        const qint64 shown = t.nsecsElapsed();
        decode.push_back((decoded - replyRead) / 1e6);
        paint.push_back((shown - decoded) / 1e6);
    }
    // Every requested row holds the device's value now.
    int wrong = 0;
    for (int i = 0; i < rows; ++i) {
        const dtu::ParamRow& r = form.MainTable().Row(i);
        if (r[dtu::FieldNumber].isEmpty()) continue;
        const auto v = device.Value(dtu::sim::Table::Main, quint16(r[dtu::FieldNumber].toUShort(nullptr, 16)));
        if (!v || r[dtu::FieldRaw] != QStringLiteral("HEX:") + QString::fromLatin1(v->toHex().toUpper())) ++wrong;
    }
    std::printf("read %d rows (%d requested): reply -> rows decoded %.2f ms, -> list repainted %.2f ms more; "
                "total %.2f ms (median of 20; the 410 ms quiet time that ends a reply is not counted); "
                "%d rows differ from the device\n",
                rows, int(form.MainTable().RequestList.size() / 2), Median(decode), Median(paint),
                Median(decode) + Median(paint), wrong);
    std::fflush(stdout);
    return prompter.messages.isEmpty() && wrong == 0 ? 0 : 1;
}

int BenchWrite() {
    QProcess sim;
    const QString pty = StartSim(sim, {QStringLiteral("--values"), QStringLiteral("bench.txt")});
    if (pty.isEmpty()) return 1;
    dtu::test::ScriptedPrompter prompter;
    MainWindow form(&prompter);
    Find<QTimer>(form, "Timer3")->stop();
    form.Session().Config().LoadConfiguration(QStringLiteral("bench.txt"));
    form.show();
    Find<QComboBox>(form, "Edit1")->setEditText(pty);
    Find<QPushButton>(form, "Button3")->click();
    if (!form.Serial().IsOpen()) {
        std::fprintf(stderr, "port did not open\n");
        return 1;
    }
    form.State().EngineeringLevel = 0; // no frame log
    QElapsedTimer read;
    read.start();
    Find<QPushButton>(form, "btRead")->click();
    std::printf("read %d rows from dtusim over its pty: %lld ms from the click, the reply wait included\n",
                form.MainTable().Count(), static_cast<long long>(read.elapsed()));
    // 100 two-byte numbers changed, as the editor stores them.
    dtu::ParamTable& table = form.MainTable();
    int changed = 0;
    for (int i = 0; i < table.Count() && changed < kWrites; ++i) {
        if (table.Row(i)[dtu::FieldGet] != QLatin1String("GetWord()")) continue;
        dtu::CommitEditText(table, i, QString::number(1000 + i), form.State(), form.Session().Script());
        ++changed;
    }
    Find<QPlainTextEdit>(form, "Memo1")->clear();
    TickWatch timer1, timer2;
    timer1.Attach(Find<QTimer>(form, "Timer1"));
    timer2.Attach(Find<QTimer>(form, "Timer2"));
    Find<QTimer>(form, "Timer1")->start();
    QElapsedTimer t;
    t.start();
    timer1.clock.start();
    timer2.clock.start();
    Find<QPushButton>(form, "btWrite")->click();
    const double s = t.elapsed() / 1000.0;
    const int ok =
        int(Find<QPlainTextEdit>(form, "Memo1")->toPlainText().count(QStringLiteral("[参数设置成功]")));
    std::printf("write %d changed rows to dtusim: %.2f s, %.0f ms per row, %d accepted; largest gap: "
                "Timer2 %lld ms (%d ticks), Timer1 %lld ms (%d ticks, held stopped while a reply is awaited)\n",
                changed, s, 1000 * s / changed, ok, static_cast<long long>(timer2.worst), timer2.ticks,
                static_cast<long long>(timer1.worst), timer1.ticks);
    sim.terminate();
    sim.waitForFinished(3000);
    return ok == changed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    if (!QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/script.js"), QStringLiteral("script.js")) ||
        !WriteConfiguration(QStringLiteral("bench.txt"))) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
    int rc = 0;
    if (what.isEmpty() || what == QLatin1String("read")) rc |= BenchRead();
    if (what.isEmpty() || what == QLatin1String("write")) rc |= BenchWrite();
    return rc;
}

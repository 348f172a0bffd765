// Benchmark of the window's 设置, run by hand (not a test): prints numbers. 100 changed rows
// written to dtusim (its own process, over its pty, real reply waits) by the main window, with
// 文件操作 → 应答完整即结束 unticked (each reply ends after 0.41 s of silence) and ticked (each
// ends with its frame), then ticked with 写入后回读校验. The configuration names no "ReplyEnd".
#include "params/editor.h"
#include "tests/support/windowrig.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using dtu::test::Find;
using dtu::test::StartSim;

namespace {

constexpr int kRows = 100;

// kRows two-byte numbers, no heading, no "ReplyEnd".
bool WriteConfiguration(const QString& path) {
    QByteArray text = "{\"Title\": \"bench\", \"Comport\": \"x\", \"Params\": {\n";
    for (int i = 0; i < kRows; ++i)
        text += QString::asprintf("\"%d\": {\"CMDID\": \"%04X\", \"PNAME\": \"参数%d\", \"PVALUE\": \"HEX:%04X\", "
                                  "\"PNOTE\": \"\", \"ONLIST\": \"\", \"ONGET\": \"GetWord()\", "
                                  "\"ONSET\": \"SetWord()\"}%s\n",
                                  i, 0x1000 + i, i, i, i + 1 < kRows ? "," : "")
                    .toUtf8();
    text += "}}\n";
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// Changes every row (as the editor stores a typed value), clicks 设置 and times it; the largest
// maximum the progress bar showed and how many rows it counted comes back too.
struct Run {
    double seconds = 0;
    int accepted = 0, barMaximum = 0, barLast = 0;
};

Run WriteAll(MainWindow& form, int value) {
    dtu::ParamTable& table = form.MainTable();
    for (int i = 0; i < table.Count(); ++i)
        dtu::CommitEditText(table, i, QString::number(value + i), form.State(), form.Session().Script());
    Find<QPlainTextEdit>(form, "Memo1")->clear();
    Run run;
    auto* bar = Find<QProgressBar>(form, "ProgressBar1");
    QTimer watch; // samples the bar while the write runs
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!bar->isVisible()) return;
        run.barMaximum = qMax(run.barMaximum, bar->maximum());
        run.barLast = qMax(run.barLast, bar->value());
    });
    watch.start(5);
    QElapsedTimer t;
    t.start();
    Find<QPushButton>(form, "btWrite")->click();
    run.seconds = t.elapsed() / 1000.0;
    run.accepted = int(Find<QPlainTextEdit>(form, "Memo1")->toPlainText().count(QStringLiteral("[参数设置成功]")));
    return run;
}

void Print(const char* what, const Run& r) {
    std::printf("%-36s %7.2f s  %6.0f ms/row  %3d of %d accepted  (bar: maximum %d, up to %d)\n", what, r.seconds,
                1000 * r.seconds / kRows, r.accepted, kRows, r.barMaximum, r.barLast);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // The ticks are remembered in the scratch folder, never in the user's settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    if (!QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/script.js"), QStringLiteral("script.js")) ||
        !WriteConfiguration(QStringLiteral("bench.txt"))) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
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
    auto* frame = Find<QAction>(form, "NReplyFrame");
    auto* verify = Find<QAction>(form, "NVerify");
    std::printf("设置 of %d changed rows by the window, dtusim over its pty:\n", kRows);
    frame->setChecked(false);
    verify->setChecked(false);
    const Run silence = WriteAll(form, 2000);
    Print("应答完整即结束 unticked", silence);
    frame->setChecked(true);
    const Run byFrame = WriteAll(form, 3000);
    Print("应答完整即结束 ticked", byFrame);
    verify->setChecked(true);
    const Run verified = WriteAll(form, 4000);
    Print("ticked, 写入后回读校验 ticked", verified);
    std::printf("ticked / unticked: %.1f times as fast\n", silence.seconds / qMax(0.001, byFrame.seconds));
    sim.terminate();
    sim.waitForFinished(3000);
    return silence.accepted == kRows && byFrame.accepted == kRows && verified.accepted == kRows ? 0 : 1;
}

// Load time of large configurations whose every row runs a get hook of the demo script:
// 2,000 and 20,000 rows, into bare tables and into tables shown by list views.
// Run from anywhere: bench_config [rows...]
#include "app/window/paramtablemodel.h"
#include "config/config.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

using namespace dtu;

namespace {

QByteArray Generate(int rows) {
    static const char* hooks[][2] = {{"HEX:3132372E302E302E31", "GetStr()"},
                                     {"HEX:1388", "GetPort()"},
                                     {"HEX:3FC00000", "GetFloat()"},
                                     {"HEX:003C", "GetHeartbeat()"}};
    QByteArray out = "{\r\n\"Title\": \"bench\",\r\n\"ExParamFile\": \"iface.txt\",\r\n\"Params\": {\r\n";
    for (int i = 0; i < rows; ++i) {
        const auto& h = hooks[i % 4];
        out += QStringLiteral("\"%1\": {\"CMDID\": \"%2\", \"PNAME\": \"参数%1\", \"PVALUE\": \"%3\", \"PNOTE\": \"说明\", "
                              "\"ONLIST\": \"\", \"ONGET\": \"%4\", \"ONSET\": \"\"}%5\r\n")
                   .arg(i)
                   .arg(i % 0xFFFF + 1, 4, 16, QLatin1Char('0'))
                   .arg(QLatin1String(h[0]), QLatin1String(h[1]), i + 1 < rows ? QStringLiteral(",") : QString())
                   .toUtf8();
    }
    return out + "}\r\n}\r\n";
}

double LoadMs(int rows, bool withViews, int* loaded) {
    AppState state;
    ScriptBridge script;
    script.LoadFile(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/script.js"), nullptr);
    ParamTable main(false), iface(true);
    std::unique_ptr<QTableView> v1, v2;
    if (withViews) {
        v1 = std::make_unique<QTableView>();
        v2 = std::make_unique<QTableView>();
        v1->setModel(new ParamTableModel(main, v1.get()));
        v2->setModel(new ParamTableModel(iface, v2.get()));
        v1->show();
        v2->show();
        QApplication::processEvents();
    }
    NullConfigView view;
    ConfigStore store(state, script, main, iface, view);
    QFile f(QStringLiteral("bench.txt"));
    f.open(QIODevice::WriteOnly);
    f.write(Generate(rows));
    f.close();
    QFile g(QStringLiteral("iface.txt"));
    g.open(QIODevice::WriteOnly);
    g.write(Generate(rows / 10));
    g.close();
    QElapsedTimer t;
    t.start();
    store.LoadConfiguration(QStringLiteral("bench.txt"));
    if (withViews) QApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    *loaded = main.Count() + iface.Count();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {2000, 20000};
    for (int rows : sizes)
        for (bool views : {false, true}) {
            int loaded = 0;
            const double ms = LoadMs(rows, views, &loaded);
            std::printf("%6d rows (+%d interface rows)%s: %9.1f ms, %6d rows loaded, %.1f us/row\n", rows, rows / 10,
                        views ? " shown in list views" : "                    ", ms, loaded, ms * 1000 / loaded);
        }
    return 0;
}

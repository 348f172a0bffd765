// Configurations that travel, on the demo profile: saving the tables as a configuration (and its
// extended file) and loading it back, comparing the tables with a file, reading back a write.
#include "config/config.h"
#include "params/rows.h"
#include "params/changes.h"
#include "config/profile.h"
#include "params/verify.h"
#include "sim/simchannel.h"
#include "tests/support/rig.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu;
using namespace dtu::test;

namespace {

// The demo configuration loaded from the current directory.
struct Loaded {
    AppState state;
    ScriptBridge script;
    ParamTable main{false}, iface{true};
    NullConfigView view;
    ConfigStore store{state, script, main, iface, view};
    bool Load(const QString& path) { return script.LoadFile("script.js", nullptr) && store.LoadConfiguration(path); }
    // A row gets another raw value, shown as a load shows it.
    void Set(ParamTable& t, const QString& number, const QString& raw) {
        const int row = FindRow(t, number);
        QString display;
        QVERIFY(LoadDisplayText(script, number, raw, t.Row(row)[FieldList], t.Row(row)[FieldGet], &display));
        t.SetField(row, FieldRaw, raw);
        t.SetField(row, FieldDisplay, display);
    }
    QString Field(const ParamTable& t, const QString& number, int field) { return t.Row(FindRow(t, number))[field]; }
};

QStringList Rows(const ParamTable& t) {
    QStringList out;
    for (int i = 0; i < t.Count(); ++i) out << QStringList(t.Row(i).f.begin(), t.Row(i).f.end()).join('|');
    return out;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A copy of a demo file with some members of rows replaced: {"0102": "HEX:0050", ...}; a number
// mapped to "" is left out.
bool Variant(const QString& from, const QString& to, const QMap<QString, QString>& values, const QString& exName = {}) {
    QJsonObject root = QJsonDocument::fromJson(Read(from)).object();
    QJsonObject params = root.value("Params").toObject();
    for (const QString& key : params.keys()) {
        QJsonObject row = params.value(key).toObject();
        const QString n = row.value("CMDID").toString();
        if (!values.contains(n)) continue;
        if (values[n].isEmpty())
            params.remove(key);
        else
            row.insert("PVALUE", values[n]), params.insert(key, row);
    }
    root.insert("Params", params);
    if (!exName.isEmpty()) root.insert("ExParamFile", exName);
    return Write(to, QJsonDocument(root).toJson());
}

} // namespace

class TestProfile : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QDir::setCurrent(dir_.path()));
        for (const char* f : {"demo.txt", "interface.txt", "script.js"})
            QVERIFY(QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/") + f, f));
    }

    void saveRoundTrip_data() {
        QTest::addColumn<bool>("gbk");
        QTest::newRow("utf-8") << false;
        QTest::newRow("gbk") << true;
    }
    // Saved values come back exactly on a load, both tables, every other member kept, in the
    // encoding the configuration was read in, the extended file found from the working directory.
    void saveRoundTrip() {
        QFETCH(bool, gbk);
        QJsonObject root = QJsonDocument::fromJson(Read("demo.txt")).object();
        root.insert("Vendor", "自定义");
        QString text = QString::fromUtf8(QJsonDocument(root).toJson()).replace("\n", "\r\n");
        QVERIFY(Write("source.txt", gbk ? EncodeText(text, TextEncoding::Gbk) : text.toUtf8()));
        Loaded a;
        QVERIFY(a.Load("source.txt"));
        QCOMPARE(a.store.Encoding(), gbk ? TextEncoding::Gbk : TextEncoding::Utf8);
        a.Set(a.main, "0101", "HEX:31302E302E302E39");  // 10.0.0.9
        a.Set(a.main, "0103", "HEX:01");                // UDP
        a.Set(a.main, "0301", "HEX:3133383030303030303030");
        a.Set(a.iface, "0403", "HEX:40200000");         // 2.5
        QCOMPARE(a.Field(a.main, "0103", FieldDisplay), "UDP");

        QVERIFY(QDir().mkpath("out"));
        const ProfileSaveResult r = SaveProfile(ProfileSource::From(a.store), a.main, &a.iface, "out/clone.txt");
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.exPath, "out/clone_ex.txt");
        const QByteArray bytes = Read("out/clone.txt");
        QCOMPARE(bytes.contains("\r\n"), true);
        QCOMPARE(bytes.contains("\"Vendor\""), true);
        QCOMPARE(DecodeText(bytes).encoding, gbk ? TextEncoding::Gbk : TextEncoding::Utf8);
        QCOMPARE(DecodeText(Read("out/clone_ex.txt")).encoding, gbk ? TextEncoding::Gbk : TextEncoding::Utf8);

        Loaded b;
        QVERIFY(b.Load("out/clone.txt"));
        QCOMPARE(Rows(b.main), Rows(a.main));
        QCOMPARE(Rows(b.iface), Rows(a.iface));
        QCOMPARE(b.main.RequestList, a.main.RequestList);
        QCOMPARE(b.store.ConfigRoot.value("Vendor").toString(), "自定义");
        QCOMPARE(b.store.ConfigRoot.value("Title").toString(), "演示DTU");
        QCOMPARE(b.store.ConfigRoot.value("ExParamFile").toString(), "out/clone_ex.txt");
    }

    // Differences take the file's value (display as a load shows it) and enter the changed list;
    // rows missing on either side are listed; the extended file is found beside the file.
    void compare() {
        QVERIFY(QDir().mkpath("cmp"));
        QVERIFY(Variant("interface.txt", "cmp/iface_b.txt", {{"0401", "HEX:02"}, {"0402", "hex:000a"}}));
        QVERIFY(Variant("demo.txt", "cmp/b.txt",
                        {{"0101", "HEX:31302E302E302E39"}, {"0103", "HEX:01"}, {"0105", ""},
                         {"0102", "HEX:1388"}, {"0201", "HEX:XY"}},
                        "iface_b.txt"));
        // A row only the file has.
        QJsonObject root = QJsonDocument::fromJson(Read("cmp/b.txt")).object();
        QJsonObject params = root.value("Params").toObject();
        params.insert("13", QJsonObject{{"CMDID", "0999"}, {"PNAME", "x"}, {"PVALUE", "HEX:01"}});
        root.insert("Params", params);
        QVERIFY(Write("cmp/b.txt", QJsonDocument(root).toJson()));

        Loaded a;
        QVERIFY(a.Load("demo.txt"));
        a.state.ChangedParamList = {"0104"};
        const CompareResult r = CompareWithFile(a.script, a.state, a.main, &a.iface, "cmp/b.txt");
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.differing, 3); // 0101, 0103 and 0401; 0402 differs only in letter case
        QCOMPARE(a.state.ChangedParamList, QStringList({"0104", "0101", "0103", "0401"}));
        QCOMPARE(a.Field(a.main, "0101", FieldDisplay), "10.0.0.9");
        QCOMPARE(a.Field(a.main, "0103", FieldDisplay), "UDP");
        QCOMPARE(a.Field(a.iface, "0401", FieldDisplay), "4-20mA");
        QCOMPARE(a.Field(a.main, "0201", FieldRaw), "HEX:03"); // an invalid value is not taken
        QCOMPARE(r.missingInFile, QStringList{"APN"});
        QCOMPARE(r.missingInTable, QStringList{"0999"});
        QCOMPARE(r.invalid, QStringList{"0201"});

        RecordingStatus status;
        ReportComparison(r, status);
        QCOMPARE(status.result, "[对比完成：3项不同]");
        QVERIFY(status.log.contains("文件中无此参数：APN"));
        QVERIFY(status.log.contains("表中无此参数：0999"));

        // A file that cannot be read changes nothing.
        const CompareResult bad = CompareWithFile(a.script, a.state, a.main, &a.iface, "cmp/none.txt");
        QVERIFY(!bad.ok);
        QCOMPARE(a.state.ChangedParamList.size(), 4);
    }

    // The read-back after a write: a device that stores another value and one that leaves a row
    // out of its answer; those rows get the written value back and stay changed.
    void verify() {
        FakeExchange fx;
        QVERIFY(fx.script.LoadFile("script.js", nullptr));
        fx.state.MainParamChannel = fx.state.CurrentParamChannel = 1;
        ParamTable main(false), iface(true);
        NullConfigView view;
        ConfigStore store(fx.state, fx.script, main, iface, view);
        QVERIFY(store.LoadConfiguration("demo.txt"));
        sim::SimDevice device;
        QVERIFY(device.LoadValues(sim::Table::Main, "demo.txt"));
        sim::SimChannel link(device);
        fx.ex.SetChannel(link);

        auto set = [&](const QString& n, const QString& raw, const QString& display) {
            main.SetField(FindRow(main, n), FieldRaw, raw);
            main.SetField(FindRow(main, n), FieldDisplay, display);
        };
        set("0102", "HEX:0050", "80");
        set("0105", "HEX:4E4554", "NET");
        set("0103", "HEX:01", "UDP");
        fx.state.ChangedParamList = {"0102", "0105", "0103", "0091"}; // 0091: not written at level 0
        const QList<WrittenValue> written = RowsToVerify(fx.state, main, fx.state.ChangedParamList);
        QCOMPARE(written.size(), 3);
        // What the write did: 0102 taken, 0105 stored as "X", 0103 taken but not reported.
        device.SetValue(sim::Table::Main, 0x0102, QByteArray::fromHex("0050"));
        device.SetValue(sim::Table::Main, 0x0105, "X");
        device.SetValue(sim::Table::Main, 0x0103, QByteArray::fromHex("01"));
        device.SetUnreported(sim::Table::Main, {0x0103});
        fx.state.ChangedParamList.clear();

        const int failures = VerifyWritten(fx.ex, main, written);
        QCOMPARE(failures, 2);
        QCOMPARE(link.Sends().size(), 1); // one request for exactly the written rows
        QVERIFY(link.Sends().first().contains(QByteArray::fromHex("010201030105")));
        QCOMPARE(fx.status.log,
                 QStringList({"[回读校验失败：工作模式 未回读]", "[回读校验失败：APN 写入=NET 读回=X]"}));
        QCOMPARE(fx.state.ChangedParamList, QStringList({"0103", "0105"}));
        QCOMPARE(main.Row(FindRow(main, "0105"))[FieldRaw], "HEX:4E4554");
        QCOMPARE(main.Row(FindRow(main, "0105"))[FieldDisplay], "NET");
        ReportVerification(fx.status, failures);
        QCOMPARE(fx.status.result, "[回读校验失败，2项不一致]");
        ReportVerification(fx.status, 0);
        QCOMPARE(fx.status.result, "[回读校验成功]");

        // No answer: every written row counts as not read back.
        device.SetMode(sim::AnswerMode::Silent);
        fx.status.log.clear();
        QCOMPARE(VerifyWritten(fx.ex, main, written.mid(0, 1)), 1);
        QCOMPARE(fx.status.log.last(), "[回读校验失败：服务器端口 未回读]");
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "test_profile.moc"

// Configuration and extended-parameter files: what a load puts in the tables and on screen,
// the menu and the restore at start, saving in the file's own encoding, damaged files.
// Every test runs in a fresh temporary directory as the current directory.
#include "base/regularfile.h"
#include "config/config.h"
#include "session/session.h"
#include "params/rows.h"
#include "params/changes.h"
#include "base/hex.h"
#include "tests/support/rig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dtu;
using namespace dtu::test;

namespace {

const char* kScript = R"(
var hexinput = "", calls = 0;
function Count() { calls++; return "got" + hexinput; })";

struct View : IConfigView {
    QString caption = "unset", port = "unset", baud = "unset", format = "unset", address = "unset";
    int page = -1, tcp = -1, tcpCalls = 0;
    void SetCaption(const QString& t) override { caption = t; }
    void SetPortName(const QString& t) override { port = t; }
    void SetBaudText(const QString& t) override { baud = t; }
    void SetFormatText(const QString& t) override { format = t; }
    void SetInterfacePageVisible(bool v) override { page = v; }
    void SetTcpGroup(bool shown, const QString& a) override {
        tcp = shown;
        address = a;
        ++tcpCalls;
    }
};

struct Rig {
    AppState state;
    ScriptBridge script;
    ParamTable main{false}, iface{true};
    View view;
    ScriptedPrompter prompter;
    ConfigStore store{state, script, main, iface, view};
    Rig() { script.Eval(kScript); }
    int Calls() { return script.Eval("calls").text.toInt(); }
};

QStringList Column(const ParamTable& t, int field) {
    QStringList out;
    for (int i = 0; i < t.Count(); ++i) out << t.Row(i)[field];
    return out;
}

// One parameter member on one line: "key": {...}.
QString P(const QString& key, const QString& cmd, const QString& value = "HEX:01", const QString& get = "Count()",
          const QString& list = {}, const QString& name = {}) {
    const QJsonObject o{{"CMDID", cmd}, {"PNAME", name.isEmpty() ? "n" + cmd : name}, {"PVALUE", value},
                        {"PNOTE", "note"}, {"ONLIST", list}, {"ONGET", get}, {"ONSET", "Set()"}};
    return '"' + key + "\": " + QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// A configuration text, one member per line, CR LF.
QString Cfg(const QStringList& top, const QStringList& params) {
    QStringList lines{"{"};
    for (const QString& t : top) lines << t + ",";
    lines << "\"Params\": {" << params.join(",\r\n") << "}" << "}";
    return lines.join("\r\n") + "\r\n";
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
void Write(const QString& path, const QString& text) { Write(path, text.toUtf8()); }

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kIface = "iface.txt";

} // namespace

class TestConfig : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString home_ = QDir::currentPath();

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
        Write(kIface, Cfg({}, {P("0", "0401"), P("1", "0402")}));
    }
    void cleanup() { QDir::setCurrent(home_); }

    // "ReplyEnd" reaches the session's exchange at every load; a profile without it goes back
    // to the silence rule.
    void replyEndKey() {
        RecordingStatus status;
        NullConfigView view;
        Session session(status, view);
        Write("frame.txt", Cfg({"\"ReplyEnd\": \" Frame\""}, {P("0", "0101")}));
        Write("plain.txt", Cfg({}, {P("0", "0101")}));
        QVERIFY(session.Config().LoadConfiguration("frame.txt"));
        QCOMPARE(session.Exchanger().ReplyEndMode(), ReplyEnd::Frame);
        QVERIFY(session.Config().LoadConfiguration("plain.txt"));
        QCOMPARE(session.Exchanger().ReplyEndMode(), ReplyEnd::Silence);
    }

    void mainRows_data() {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QString>("requests");
        QTest::addColumn<int>("bare"); // the row left with fields 0..2 only
        QTest::newRow("0,1,3 in index order") << QStringList{P("3", "0104"), P("0", "0101"), P("1", "0102")}
                                               << QStringList{"0101", "0102", "0104"} << "010101020104" << -1;
        QTest::newRow("names that are no index") << QStringList{P("01", "0101"), P("x", "0102"), P("1", "0103")}
                                                 << QStringList{"0103"} << "0103" << -1;
        QTest::newRow("heading and 0000 not requested") << QStringList{P("0", "", ""), P("1", "0000"), P("2", "0091")}
                                                        << QStringList{"", "0000", "0091"} << "0091" << -1;
        QTest::newRow("member no object ends the rows")
            << QStringList{P("0", "0101"), P("1", "0102"), "\"2\": \"x\"", P("3", "0104")}
            << QStringList{"0101", "0102"} << "01010102" << -1;
        QTest::newRow("failing hook stops at its row")
            << QStringList{P("0", "0101"), P("1", "0102", "HEX:01", "NoSuch()"), P("2", "0103")}
            << QStringList{"0101", "0102"} << "0101" << 1;
        QTest::newRow("hook that throws") << QStringList{P("0", "0101", "HEX:01", "throw 1"), P("1", "0102")}
                                          << QStringList{"0101"} << "" << 0;
        QTest::newRow("list script with digits loads by ONGET")
            << QStringList{P("0", "0101"), P("1", "0102", "HEX:01", "Count()", "Length=2;"), P("2", "0103")}
            << QStringList{"0101", "0102", "0103"} << "010101020103" << -1;
        QTest::newRow("broken choice list with digits stops")
            << QStringList{P("0", "0101"), P("1", "0102", "HEX:01", "", "[[\"a\"]"), P("2", "0103")}
            << QStringList{"0101", "0102"} << "0101" << 1;
        QTest::newRow("list script without digits loads")
            << QStringList{P("0", "0101", "HEX:", "", "Length=2;"), P("1", "0102")} << QStringList{"0101", "0102"}
            << "01010102" << -1;
    }
    void mainRows() {
        QFETCH(QStringList, params);
        QFETCH(QStringList, numbers);
        QFETCH(QString, requests);
        QFETCH(int, bare);
        Rig r;
        Write("c.txt", Cfg({"\"TcpConfigIP\": \"1.2.3.4\""}, params));
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(Column(r.main, FieldNumber), numbers);
        QCOMPARE(BytesToHex(r.main.RequestList), requests);
        for (int i = 0; i < r.main.Count(); ++i) {
            QCOMPARE(r.main.Row(i)[FieldRaw].isEmpty(), numbers.at(i).isEmpty());
            QCOMPARE(r.main.Row(i)[FieldNote].isEmpty(), i == bare);
        }
        QCOMPARE(r.view.address, "1.2.3.4"); // the rows end silently; the load goes on
    }

    void lineCountBoundsRows() {
        Rig r;
        const QString rows = P("0", "0101") + "," + P("1", "0102") + "," + P("5", "0106");
        Write("one.txt", "{\"Params\": {" + rows + "}}");
        QVERIFY(r.store.LoadConfiguration("one.txt"));
        QCOMPARE(Column(r.main, FieldNumber), QStringList{"0101"});
        Write("four.txt", "{\"Params\": {\r\n" + rows + "}\r\n\r\n}"); // 4 lines, no line end at the end
        QVERIFY(r.store.LoadConfiguration("four.txt"));
        QCOMPARE(r.store.ConfigLineCount, 4);
        QCOMPARE(Column(r.main, FieldNumber), (QStringList{"0101", "0102"}));
        Write("arr.txt", QString("{\"Params\": [\r\n{\"CMDID\": 257},\r\n7,\r\n{}]}"));
        QVERIFY(r.store.LoadConfiguration("arr.txt"));
        QCOMPARE(Column(r.main, FieldNumber), QStringList{"257"}); // a number as its decimal text
        for (const auto& [text, lines] : {std::pair{"", 0}, {"a", 1}, {"a\r\n", 1}, {"a\r\nb", 2}, {"a\n\rb\r", 3}})
            QCOMPARE(CountLines(text), lines);
    }

    void settings_data() {
        QTest::addColumn<QStringList>("top");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<int>("mainChannel");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("tcp");
        const QString ex = "\"ExParamFile\": \"iface.txt\"";
        QTest::newRow("all") << QStringList{"\"Title\": \"T\"", "\"Baudrate\": 115200", ex, "\"ExParamChannel\": 3",
                                            "\"TcpConfigIP\": \"10.0.0.1\""}
                             << "参数配置程序 T" << "115200" << 3 << 1 << "10.0.0.1";
        QTest::newRow("channel missing") << QStringList{ex} << "unset" << "unset" << 0 << 1 << "";
        QTest::newRow("channel out of range") << QStringList{ex, "\"ExParamChannel\": 300"} << "unset" << "unset" << 0
                                              << 1 << "";
        QTest::newRow("no extended file") << QStringList{"\"ExParamChannel\": 3"} << "unset" << "unset" << 1 << 0 << "";
        QTest::newRow("empty texts count as missing")
            << QStringList{"\"Title\": \"\"", "\"Baudrate\": \"\"", "\"TcpConfigIP\": \"\""} << "unset" << "unset"
            << 1 << 0 << "";
    }
    void settings() {
        QFETCH(QStringList, top);
        QFETCH(QString, caption);
        QFETCH(QString, baud);
        QFETCH(int, mainChannel);
        QFETCH(int, page);
        QFETCH(QString, tcp);
        Rig r;
        r.state.CurrentParamChannel = -1;
        Write("c.txt", Cfg(top, {P("0", "0101")}));
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(r.view.caption, caption);
        QCOMPARE(r.view.baud, baud);
        QCOMPARE(r.state.MainParamChannel, mainChannel);
        QCOMPARE(r.state.CurrentParamChannel, mainChannel);
        QCOMPARE(r.view.page, page);
        QCOMPARE(r.state.InterfacePagePresent, page == 1);
        QCOMPARE(r.iface.Count(), page == 1 ? 2 : 0);
        QCOMPARE(r.view.tcp, tcp.isEmpty() ? 0 : 1);
        QCOMPARE(r.view.address, tcp);
    }

    void secondLoadReplaces() {
        Rig r;
        r.state.ChangedParamList = QStringList{"0101"};
        Write("a.txt", Cfg({"\"Title\": \"A\"", "\"Comport\": \"COM9\"", "\"ExParamFile\": \"iface.txt\"",
                            "\"TcpConfigIP\": \"1.1.1.1\""},
                           {P("0", "0101"), P("1", "0102")}));
        Write("b.txt", Cfg({}, {P("0", "0201")}));
        for (int i = 0; i < 2; ++i) {
            r.prompter.fileAnswers = {"a.txt"};
            r.store.OpenConfigurationMenu(r.prompter);
            QCOMPARE(r.main.Count(), 2);
            QCOMPARE(r.iface.Count(), 2);
            QCOMPARE(r.main.RequestList.size() + r.iface.RequestList.size(), 8);
        }
        QVERIFY(r.store.LoadConfiguration("b.txt"));
        QCOMPARE(Column(r.main, FieldNumber), QStringList{"0201"});
        QCOMPARE(r.view.caption + r.view.port, "参数配置程序 ACOM9"); // left out: kept
        QCOMPARE(r.view.page + r.view.tcp, 0);                     // always set anew
        QVERIFY(r.iface.Count() == 0 && r.iface.RequestList.isEmpty());
        QCOMPARE(r.state.ChangedParamList, QStringList{"0101"});
        QVERIFY(r.prompter.messages.isEmpty());
    }

    void displayValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("display");
        const QString dup = R"([["A","B","C"],["01","02","02"]])";
        QTest::newRow("digits: get hook") << "HEX:0A0B" << "" << 1 << "got0A0B";
        QTest::newRow("HEX: alone skips the script") << "HEX:" << "" << 0 << "";
        QTest::newRow("empty skips the script") << "" << "" << 0 << "";
        QTest::newRow("duplicate choice: first text") << "HEX:02" << dup << 0 << "B";
        QTest::newRow("no choice matches") << "HEX:0102" << dup << 0 << "";
    }
    void displayValue() {
        QFETCH(QString, value);
        QFETCH(QString, list);
        QFETCH(int, calls);
        QFETCH(QString, display);
        Rig r;
        r.script.Eval("hexinput = 'before'");
        Write("c.txt", Cfg({}, {P("0", "0101", value, "Count()", list)}));
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(r.Calls(), calls);
        QCOMPARE(r.main.Row(0)[FieldDisplay], display);
        QCOMPARE(r.script.Eval("hexinput").text, value.size() > 4 ? value.mid(4) : "before");
    }

    void badFileFromMenu_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not JSON") << QByteArray("Params = 1\r\n");
        QTest::newRow("not an object") << QByteArray("[1, 2]");
        QTest::newRow("missing") << QByteArray();
    }
    void badFileFromMenu() {
        QFETCH(QByteArray, content);
        const QString bad = QDir::current().filePath("bad.txt");
        if (!content.isEmpty()) Write(bad, content);
        Rig r;
        Write("good.txt", Cfg({}, {P("0", "0101")}));
        QVERIFY(r.store.LoadConfiguration("good.txt"));
        r.prompter.fileAnswers = {bad};
        r.store.OpenConfigurationMenu(r.prompter);
        QCOMPARE(Read(kLastFileName), bad.toUtf8());
        QCOMPARE(r.prompter.messages.size(), 1);
        QVERIFY(r.prompter.messages.at(0).contains(bad));
        QVERIFY(r.main.Count() == 0 && r.main.RequestList.isEmpty() && r.store.ConfigRoot.isEmpty());
        r.store.StoreSerialSettings("COM3", "9600", "8E1"); // must not write the earlier configuration here
        QCOMPARE(Read(bad), content);

        Rig next; // the next start
        next.store.RestoreLastConfiguration();
        QCOMPARE(next.main.Count() + next.iface.Count(), 0);
        QCOMPARE(next.view.caption, "unset");
        QCOMPARE(next.store.ConfigPath, bad);
    }

    // Names that are not regular files are refused at once, as unreadable files are: a FIFO
    // (open would wait for a writer), /dev/zero (read would never end), a directory.
    void specialFilesRefused() {
        QVERIFY(::mkfifo("fifo.txt", 0600) == 0);
        QElapsedTimer t;
        t.start();
        for (const QString& name : {QString("fifo.txt"), QString("/dev/zero"), QDir::currentPath()}) {
            Rig r;
            r.prompter.fileAnswers = {name};
            r.store.OpenConfigurationMenu(r.prompter);
            QCOMPARE(r.prompter.messages.size(), 1);
            QVERIFY2(r.prompter.messages.at(0).startsWith("无法打开文件 " + name), qPrintable(r.prompter.messages.at(0)));
            Rig next; // lastfile.log names it now: the start is silent
            next.store.RestoreLastConfiguration();
            QVERIFY(!next.store.Loaded() && next.prompter.messages.isEmpty());
            Write("c.txt", Cfg({"\"ExParamFile\": \"" + name + "\""}, {P("0", "0101")}));
            const LoadResult ex = r.store.LoadConfiguration("c.txt");
            QVERIFY(!ex && ex.error.contains(name));
            QCOMPARE(r.main.Count(), 1);
        }
        QVERIFY(t.elapsed() < 5000);
        // Larger than the limit: refused before reading.
        QFile big("big.txt");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kMaxConfigFileBytes + 1));
        big.close();
        QByteArray bytes;
        QString error;
        QVERIFY(!ReadWholeFile("big.txt", &bytes, &error));
        QVERIFY2(error.startsWith("无法读取文件 big.txt"), qPrintable(error));
    }

    void menuAndRestore() {
        Rig r;
        r.store.OpenConfigurationMenu(r.prompter); // cancelled
        QCOMPARE(r.prompter.fileRequests, QStringList{QCoreApplication::applicationDirPath() + "|*.txt"});
        QVERIFY(!QFile::exists(kLastFileName));
        r.store.RestoreLastConfiguration(); // no lastfile.log: nothing
        QVERIFY(r.store.ConfigPath.isEmpty());

        Write("c.txt", Cfg({"\"Title\": \"C\""}, {P("0", "0101")}));
        Write(kLastFileName, QByteArray("c.txt"));
        r.store.RestoreLastConfiguration();
        QCOMPARE(r.view.caption, "参数配置程序 C");
        Write("c.txt", Cfg({}, {}));
        r.store.RestoreLastConfiguration(); // a configuration is loaded already
        QCOMPARE(r.main.Count(), 1);
    }

    void extendedFile() {
        Rig r;
        Write(kIface, Cfg({}, {P("b1", "b1"), P("a2", "a2"), P("a10", "a10"), P("2", "2"), P("10", "10")}));
        QDir().mkdir("sub");
        Write("sub/iface.txt", Cfg({}, {P("0", "0999")}));
        Write("sub/c.txt", Cfg({"\"ExParamFile\": \"iface.txt\""}, {}));
        QVERIFY(r.store.LoadConfiguration("sub/c.txt")); // relative to the current directory
        QCOMPARE(Column(r.iface, FieldNumber), (QStringList{"10", "2", "a10", "a2", "b1"}));
        Write(kIface, QString("{\"Params\": [" + P("x", "0402").mid(5) + "," + P("x", "0401").mid(5) + "]}"));
        QVERIFY(r.store.LoadExtendedParams(kIface));
        QCOMPARE(Column(r.iface, FieldNumber), (QStringList{"0402", "0401"}));
        QCOMPARE(BytesToHex(r.iface.RequestList), "04020401");

        for (const QByteArray& broken : {QByteArray("{\"Params\": "), QByteArray()}) {
            QFile::remove(kIface);
            if (!broken.isEmpty()) Write(kIface, broken);
            r.view.tcpCalls = 0;
            const LoadResult res = r.store.LoadConfiguration("sub/c.txt");
            QVERIFY(!res && res.error.contains(kIface));
            QCOMPARE(r.view.tcpCalls, 0); // the TCP group is not set after a failed extended file
            QCOMPARE(r.iface.Count(), 0);
            QCOMPARE(r.view.page, 1);
        }
    }

    void storeSerialSettingsKeepsContent() {
        Rig r;
        const QString text = Cfg({"\"Title\": \"T\"", "\"Comport\": \"COM1\"", "\"Baudrate\": 57600",
                                  "\"Extra\": {\"k\": [1, 2.5, null]}"},
                                 {P("0", "0101"), P("1", "0102")});
        Write("c.txt", text);
        r.prompter.fileAnswers = {"c.txt"};
        r.store.OpenConfigurationMenu(r.prompter);
        r.store.StoreSerialSettings("COM3", "9600", "8E1");
        const QByteArray saved = Read("c.txt");
        QVERIFY(!saved.isEmpty() && !saved.contains("\r\r") && saved.count('\n') == saved.count("\r\n"));
        QJsonObject expected = QJsonDocument::fromJson(text.toUtf8()).object();
        expected["Comport"] = "COM3";
        expected["Baudrate"] = "9600";
        expected["ComOption"] = "8E1";
        QCOMPARE(QJsonDocument::fromJson(saved).object(), expected);
    }

    void encodingRoundTrip_data() {
        QTest::addColumn<int>("encoding");
        QTest::newRow("GBK") << int(TextEncoding::Gbk);
        QTest::newRow("UTF-8") << int(TextEncoding::Utf8);
        QTest::newRow("UTF-8 with BOM") << int(TextEncoding::Utf8Bom);
    }
    void encodingRoundTrip() {
        QFETCH(int, encoding);
        const auto enc = TextEncoding(encoding);
        const QString name = "服务器端口", title = "演示设备"; // as UTF-8 not GBK (an odd byte run)
        Write("c.txt", EncodeText(Cfg({"\"Title\": \"" + title + "\""}, {P("0", "0101", "HEX:01", "", "", name)}), enc));
        Rig r;
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(r.store.Encoding(), enc);
        QCOMPARE(r.main.Row(0)[FieldName], name);
        QCOMPARE(r.view.caption, "参数配置程序 " + title);
        r.store.StoreSerialSettings("COM3", "9600", "8E1");
        const QByteArray saved = Read("c.txt");
        const auto plain = enc == TextEncoding::Gbk ? enc : TextEncoding::Utf8;
        QVERIFY(saved.contains(EncodeText(name, plain)) && saved.contains(EncodeText(title, plain)));
        QCOMPARE(saved.startsWith("\xEF\xBB\xBF"), enc == TextEncoding::Utf8Bom);
        QCOMPARE(DecodeText(saved).encoding, enc);
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(r.main.Row(0)[FieldName], name);
    }

    // Files are GBK; UTF-8 only when they cannot be GBK. Short GBK texts are often valid UTF-8 too.
    void gbkFirst_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        const auto file = [](const QString& title, const QString& name) {
            return Cfg({"\"Title\": \"" + title + "\""}, {P("0", "0101", "HEX:01", "", "", name)});
        };
        const auto gbk = [](const QString& t) { return EncodeText(t, TextEncoding::Gbk); };
        for (const char* name : {"统一", "模式", "停止"})
            QTest::newRow(name) << gbk(file("实时模式", QString::fromUtf8(name))) << int(TextEncoding::Gbk) << "实时模式"
                                << QString::fromUtf8(name);
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + file("实时模式", "统一").toUtf8()
                                        << int(TextEncoding::Utf8Bom) << "实时模式" << "统一";
        QTest::newRow("UTF-8 that is not GBK") << file("实时模式", "服务器端口").toUtf8() << int(TextEncoding::Utf8)
                                               << "实时模式" << "服务器端口";
    }
    void gbkFirst() {
        QFETCH(QByteArray, file);
        QFETCH(int, encoding);
        QFETCH(QString, title);
        QFETCH(QString, name);
        Write("c.txt", file);
        Rig r;
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(int(r.store.Encoding()), encoding);
        QCOMPARE(r.view.caption, "参数配置程序 " + title);
        QCOMPARE(r.main.Row(0)[FieldName], name);
        QVERIFY(r.store.StoreSerialSettings("COM3", "9600", "8E1").isEmpty());
        const QByteArray saved = Read("c.txt");
        const QByteArray stored = EncodeText(name, encoding == int(TextEncoding::Gbk) ? TextEncoding::Gbk : TextEncoding::Utf8);
        QVERIFY(file.contains(stored) && saved.contains(stored)); // the same bytes, not re-encoded
        QCOMPARE(saved.startsWith("\xEF\xBB\xBF"), encoding == int(TextEncoding::Utf8Bom));
    }

    // Saving the serial settings changes nothing else: a character GBK lacks stays a \u escape in a
    // GBK file; a file whose bytes did not all decode is not rewritten, and the caller learns why.
    void saveKeepsOtherBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("rewritten");
        QTest::addColumn<QString>("title");
        // The file as the writer lays it out, so that only the three settings may differ.
        const QJsonObject row{{"CMDID", "0101"}, {"PNAME", "@N@"}, {"PVALUE", "HEX:01"}, {"PNOTE", "统一"},
                              {"ONLIST", ""}, {"ONGET", ""}, {"ONSET", ""}};
        const QJsonObject root{{"Title", "@T@ 实时模式"}, {"Comport", "COM1"}, {"Baudrate", "57600"},
                               {"ComOption", "8N1"}, {"Params", QJsonObject{{"0", row}}}};
        const QString text = QString::fromUtf8(QJsonDocument(root).toJson()).replace("\n", "\r\n");
        QString escaped = text;
        escaped.replace("@T@", "\\ud55c\\uad6d\\ud83d\\ude00").replace("@N@", "\\u0151");
        QTest::newRow("characters GBK lacks") << EncodeText(escaped, TextEncoding::Gbk) << true
                                              << QString::fromUtf8("한국😀 实时模式");
        // (the row's name is ő: also a character GBK lacks)
        QByteArray broken = EncodeText(text, TextEncoding::Gbk);
        broken.replace("@N@", QByteArray("\x81\x20\xFF\xFE\x80", 5));
        QTest::newRow("bytes that do not decode") << broken << false << "@T@ 实时模式";
    }
    void saveKeepsOtherBytes() {
        QFETCH(QByteArray, file);
        QFETCH(bool, rewritten);
        QFETCH(QString, title);
        Write("c.txt", file);
        Rig r;
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(r.view.caption, "参数配置程序 " + title);
        QCOMPARE(r.main.Count(), 1); // a file with undecodable bytes still loads
        const QString why = r.store.StoreSerialSettings("COM3", "9600", "8E1");
        QCOMPARE(why.isEmpty(), rewritten);
        QByteArray expected = file;
        if (rewritten) expected.replace("COM1", "COM3").replace("57600", "9600").replace("8N1", "8E1");
        else QVERIFY(why.contains("c.txt"));
        QCOMPARE(Read("c.txt"), expected);
        QVERIFY(r.store.LoadConfiguration("c.txt"));
        QCOMPARE(r.view.caption, "参数配置程序 " + title);
        QCOMPARE(r.store.Encoding(), TextEncoding::Gbk);
    }

    void damagedFilesNeverCrash() {
        const QByteArray good = Cfg({"\"Title\": \"T\"", "\"ExParamFile\": \"iface.txt\""},
                                    {P("0", "0101"), P("1", "0102", "HEX:0102", "", R"([["A"],["0102"]])")})
                                    .toUtf8();
        QList<QByteArray> files;
        for (qsizetype n = 0; n < good.size(); n += 3) files << good.left(n);
        QRandomGenerator rng(7);
        for (int i = 0; i < 100; ++i) {
            QByteArray b(rng.bounded(1, 400), '\0');
            for (char& c : b) c = char(rng.bounded(256));
            files << b << good.left(40) + b;
        }
        files << QByteArray(100000, '[') << "{\"Params\": 1e999}" << "{\"Params\": {\"0\": []}}"
              << QByteArray("{\"Params\"\0:{}}", 14);
        Rig r;
        for (const QByteArray& f : files) {
            Write("x.txt", f);
            const LoadResult res = r.store.LoadConfiguration("x.txt");
            QVERIFY(res || !res.error.isEmpty());
            if (!r.store.Loaded()) QCOMPARE(r.main.Count(), 0);
        }
    }

    void saveIsAtomic() {
        Rig r;
        Write("c.txt", Cfg({"\"Title\": \"T\""}, {P("0", "0101")}));
        r.prompter.fileAnswers = {"c.txt"};
        r.store.OpenConfigurationMenu(r.prompter);
        const QByteArray before = Read("c.txt");
        // A full disk: writes beyond the file size limit fail (also for root).
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = before.size() + 10;
        setrlimit(RLIMIT_FSIZE, &small);
        r.store.StoreSerialSettings(QString(200, 'P'), "9600", "8E1");
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(Read("c.txt"), before);
        QCOMPARE(QDir().entryList(QDir::Files).size(), 3); // c.txt, iface.txt, lastfile.log: no leftovers
        if (geteuid() != 0) { // a read-only directory stops everyone but root
            QFile::setPermissions(".", QFile::ReadOwner | QFile::ExeOwner);
            QVERIFY(!r.store.SaveConfiguration());
            QFile::setPermissions(".", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(Read("c.txt"), before);
        }
        QVERIFY(r.store.SaveConfiguration());
    }

    // A load evaluates the same hook texts on row after row; from the second use on they run
    // compiled. Every use must give what evaluating the text gives.
    void repeatedHooks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("result");
        QTest::newRow("call") << "Twice(hexinput)" << true << "0A0B0A0B";
        QTest::newRow("trailing semicolons") << "Twice('x');; " << true << "xx";
        QTest::newRow("comma expression assigns globals") << "g = 5, g + 1" << true << "6";
        QTest::newRow("block, not an object") << "{ 7 }" << true << "7";
        QTest::newRow("two statements") << "g = 2; g * 3" << true << "6";
        QTest::newRow("throws a number") << "Throw()" << false << "1";
        QTest::newRow("unknown name") << "NoSuch()" << false << "ReferenceError: NoSuch is not defined";
        QTest::newRow("not a script by itself") << "Twice('a')) + (Twice('b')" << false << "";
        QTest::newRow("eval declares globals") << "eval('var q = 4'), q" << true << "4";
        QTest::newRow("this is the global object") << "this.hexinput" << true << "0A0B";
        QTest::newRow("undefined is empty") << "void 0" << true << "";
    }
    void repeatedHooks() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, result);
        ScriptBridge s;
        s.Eval("let hexinput = ''; function Twice(x) { return x + x; } function Throw() { throw 1; }");
        for (int use = 0; use < 3; ++use) {
            QVERIFY(s.SetHexInput("0A0B"));
            const ScriptResult r = s.Eval(text);
            QCOMPARE(r.ok, ok);
            if (!result.isEmpty()) QCOMPARE(ok ? r.text : r.error, result);
        }
        QCOMPARE(s.Eval("hexinput").text, "0A0B"); // the script's own (let) variable
        s.Eval("Twice = function () { return 'new'; }");
        if (ok && text.startsWith("Twice(")) QCOMPARE(s.Eval(text).text, "new");
    }
    void repeatedHookTimeLimit() {
        ScriptBridge s;
        s.Eval("function Twice(x) { return x + x; }");
        QThread::msleep(20); // the watchdog now sleeps until the deadline of the default limit
        s.Eval("Twice(1)");
        s.SetTimeLimitMs(10);
        s.Eval("function Loop() { for (;;) {} }");
        QElapsedTimer t;
        t.start();
        for (int use = 0; use < 2; ++use) QCOMPARE(s.Eval("Loop()").error, "脚本执行超时");
        QVERIFY(t.elapsed() < 2000); // the shorter limit counts at once, not after the earlier one
        s.SetTimeLimitMs(5000);
        QCOMPARE(s.Eval("Twice(2)").text, "4"); // the engine runs again after an interruption
    }

    void demoProfile() {
        for (const char* f : {"script.js", "demo.txt", "interface.txt"})
            QVERIFY(QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/") + f, f));
        Rig r;
        QVERIFY(r.script.LoadFile("script.js", nullptr));
        QVERIFY(r.store.LoadConfiguration("demo.txt"));
        QCOMPARE(r.view.baud + r.view.format + r.view.address, "576008N1");
        QCOMPARE(r.state.MainParamChannel, 1);
        const QStringList shown = Column(r.main, FieldDisplay) + Column(r.iface, FieldDisplay);
        QCOMPARE(shown.join('|'), "|127.0.0.1|5000|TCP|60|CMNET||9600|8N1|||DTU0000001|1.2|"
                                  "|RS485|10|1.500|-0.100");
        QCOMPARE(BytesToHex(r.main.RequestList), "010101020103010401050201020203010091");
        const int phone = FindRow(r.main, "0301");
        QVERIFY(r.script.Eval(r.main.Row(phone)[FieldList]));
        QCOMPARE(r.script.Eval("Length + Mask").text, "110123456789");
        // every set hook gives back the digits its get hook read
        for (const ParamTable* t : {&r.main, &r.iface})
            for (int i = 0; i < t->Count(); ++i) {
                const ParamRow& row = t->Row(i);
                if (row[FieldSet].isEmpty() || row[FieldDisplay].isEmpty()) continue;
                r.script.SetAscInput(row[FieldDisplay]);
                QCOMPARE(r.script.Eval(row[FieldSet]).text, RowHexDigits(row));
            }
        for (const auto& [hook, input] : {std::pair{"SetPort()", "0"}, {"SetPort()", "70000"}, {"SetStr()", "中"},
                                          {"SetFloat()", "abc"}, {"SetHeartbeat()", "5"}}) {
            r.script.SetAscInput(QString::fromUtf8(input));
            QVERIFY2(!r.script.Eval(hook), input);
        }
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "test_config.moc"

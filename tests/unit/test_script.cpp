// The device-script bridge: one persistent global scope, errors as results, input variables,
// loading script files in either encoding, and the time limit on a hook that never returns.
#include "script/scriptbridge.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu;

namespace {

// "信号强度" in GBK.
const QByteArray kGbkSignalText("\xD0\xC5\xBA\xC5\xC7\xBF\xB6\xC8");

class ScriptDir {
public:
    ScriptDir() { QVERIFY(dir_.isValid()); }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private:
    QTemporaryDir dir_;
};

} // namespace

class TestScript : public QObject {
    Q_OBJECT
private slots:
    void globalsPersistBetweenEvaluations();
    void fileDefinitionsCallableLater();
    void errorsComeBackAsResults_data();
    void errorsComeBackAsResults();
    void completionValueText_data();
    void completionValueText();
    void evalInt();

    void hexInput();
    void ascInputIsExactlyTheText_data();
    void ascInputIsExactlyTheText();
    void ascInputCannotRunCode_data();
    void ascInputCannotRunCode();

    void loadMissingFile();
    void loadFileWithSyntaxError();
    void loadFileWhoseTopLevelThrows();
    void loadFileEncodings_data();
    void loadFileEncodings();

    void endlessHookIsInterrupted();
    void endlessConversionIsInterrupted();
};

void TestScript::globalsPersistBetweenEvaluations() {
    ScriptBridge s;
    QVERIFY(s.Eval(QStringLiteral("var x = 1")));
    QCOMPARE(s.Eval(QStringLiteral("x + 1")).text, QStringLiteral("2"));
    QVERIFY(s.Eval(QStringLiteral("x = x * 10;")));
    QVERIFY(s.Eval(QStringLiteral("function Twice(v) { return 2 * v; }")));
    QCOMPARE(s.Eval(QStringLiteral("Twice(x)")).text, QStringLiteral("20"));
}

void TestScript::fileDefinitionsCallableLater() {
    ScriptDir dir;
    const QString path = dir.Write(QStringLiteral("script.js"), R"(
var counter = 0;
var Commands = { CMD_RESET: "7006" };
function Bump() { return ++counter; }
function GetCmd(name) { return Commands[name]; }
)");
    ScriptBridge s;
    QVERIFY(!s.Loaded());
    QString error;
    QVERIFY(s.LoadFile(path, &error));
    QVERIFY(s.Loaded());
    QCOMPARE(s.Eval(QStringLiteral("GetCmd(\"CMD_RESET\");")).text, QStringLiteral("7006"));
    QCOMPARE(s.Eval(QStringLiteral("Bump()")).text, QStringLiteral("1"));
    QCOMPARE(s.Eval(QStringLiteral("Bump()")).text, QStringLiteral("2"));
    QCOMPARE(s.Eval(QStringLiteral("counter")).text, QStringLiteral("2"));
}

void TestScript::errorsComeBackAsResults_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("errorContains");
    QTest::newRow("reference error") << "noSuchName + 1" << "ReferenceError";
    QTest::newRow("syntax error") << "var = ;" << "SyntaxError";
    QTest::newRow("type error") << "null.x" << "TypeError";
    QTest::newRow("throw plain string") << "throw \"plain\"" << "plain";
    QTest::newRow("throw error object") << "throw new Error(\"boom\")" << "boom";
    QTest::newRow("error inside a hook") << "Hook()" << "inside hook";
    QTest::newRow("throw number") << "throw 42" << "42";
}

void TestScript::errorsComeBackAsResults() {
    QFETCH(QString, text);
    QFETCH(QString, errorContains);
    ScriptBridge s;
    QVERIFY(s.Eval(QStringLiteral("var kept = 7; function Hook() { throw new Error('inside hook'); }")));
    ScriptResult r;
    try {
        r = s.Eval(text);
    } catch (...) {
        QFAIL("Eval threw");
    }
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(errorContains), qPrintable(r.error));
    // The engine and its globals survive the error.
    QCOMPARE(s.Eval(QStringLiteral("kept + 1")).text, QStringLiteral("8"));
}

void TestScript::completionValueText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::newRow("undefined") << "undefined" << "";
    QTest::newRow("void") << "void 0" << "";
    QTest::newRow("null") << "null" << "";
    QTest::newRow("function without return") << "(function() {})()" << "";
    QTest::newRow("var statement") << "var y = 3;" << "";
    QTest::newRow("string") << "'E023'" << "E023";
    QTest::newRow("number") << "6 * 7" << "42";
    QTest::newRow("boolean") << "1 < 2" << "true";
    QTest::newRow("last statement") << "var z = 5; z * 2;" << "10";
}

void TestScript::completionValueText() {
    QFETCH(QString, text);
    QFETCH(QString, value);
    ScriptBridge s;
    const ScriptResult r = s.Eval(text);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.text, value);
}

void TestScript::evalInt() {
    ScriptBridge s;
    QVERIFY(s.Eval(QStringLiteral("var Length = 12;")));
    int v = -1;
    QVERIFY(s.EvalInt(QStringLiteral("Length"), &v));
    QCOMPARE(v, 12);
    QVERIFY(s.Eval(QStringLiteral("Length = \"250\";")));
    QVERIFY(s.EvalInt(QStringLiteral("Length"), &v));
    QCOMPARE(v, 250);

    QString error;
    v = 99;
    QVERIFY(!s.EvalInt(QStringLiteral("NoSuchLength"), &v, &error));
    QVERIFY(error.contains(QLatin1String("ReferenceError")));
    QCOMPARE(v, 99);
}

void TestScript::hexInput() {
    ScriptBridge s;
    QVERIFY(s.SetHexInput(QStringLiteral("0A1B")));
    QCOMPARE(s.Eval(QStringLiteral("hexinput")).text, QStringLiteral("0A1B"));
    QCOMPARE(s.Eval(QStringLiteral("typeof hexinput")).text, QStringLiteral("string"));
    QVERIFY(s.SetHexInput(QString()));
    QCOMPARE(s.Eval(QStringLiteral("hexinput.length")).text, QStringLiteral("0"));
}

void TestScript::ascInputIsExactlyTheText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "AT+CSQ";
    QTest::newRow("empty") << "";
    QTest::newRow("double quotes") << "say \"hi\"";
    QTest::newRow("single quotes") << "it's";
    QTest::newRow("backslashes") << "C:\\dir\\new";
    QTest::newRow("trailing backslash") << "abc\\";
    QTest::newRow("escape-like text") << "\\u0041\\x41\\n";
    QTest::newRow("CR LF") << "line1\r\nline2\r\n";
    QTest::newRow("lone CR and LF") << "a\rb\nc";
    QTest::newRow("tab") << "a\tb";
    QTest::newRow("Chinese") << "中文测试：信号强度";
    QTest::newRow("line and paragraph separators") << QString::fromUtf16(u"a\u2028b\u2029c");
    QTest::newRow("everything") << "\"\\\r\n中'\\\"";
}

void TestScript::ascInputIsExactlyTheText() {
    QFETCH(QString, text);
    ScriptBridge s;
    const ScriptResult r = s.SetAscInput(text);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(s.Eval(QStringLiteral("ascinput")).text, text);
    QCOMPARE(s.Eval(QStringLiteral("ascinput.length")).text, QString::number(text.size()));
}

void TestScript::ascInputCannotRunCode_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("close quote") << "\"; x=666; \"";
    QTest::newRow("escaped quote") << "\\\"; x=666; \\\"";
    QTest::newRow("backslash then quote") << "\\\\\"; x=666; //";
    QTest::newRow("new line") << "\nx=666;//";
    QTest::newRow("line separator") << QString::fromUtf16(u"\u2028x=666;//");
}

void TestScript::ascInputCannotRunCode() {
    QFETCH(QString, text);
    ScriptBridge s;
    QVERIFY(s.Eval(QStringLiteral("var x = 1;")));
    s.SetAscInput(text);
    QCOMPARE(s.Eval(QStringLiteral("x")).text, QStringLiteral("1"));
    QCOMPARE(s.Eval(QStringLiteral("ascinput")).text, text);
}

void TestScript::loadMissingFile() {
    ScriptDir dir;
    ScriptBridge s;
    QString error;
    QVERIFY(!s.LoadFile(dir.Write(QStringLiteral("other.js"), "").append(QStringLiteral(".missing")), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!s.Loaded());
    QCOMPARE(s.Eval(QStringLiteral("1 + 1")).text, QStringLiteral("2"));
}

void TestScript::loadFileWithSyntaxError() {
    ScriptDir dir;
    const QString path = dir.Write(QStringLiteral("script.js"), "function PrevCmd() { return \"\"; }\nvar = ;\n");
    ScriptBridge s;
    QString error;
    QVERIFY(s.LoadFile(path, &error));
    QVERIFY(s.Loaded());
    QCOMPARE(s.Eval(QStringLiteral("2 + 2")).text, QStringLiteral("4"));
}

void TestScript::loadFileWhoseTopLevelThrows() {
    // The hooks of a script whose start-up code fails are still there (declarations are hoisted).
    ScriptDir dir;
    const QString path = dir.Write(QStringLiteral("script.js"),
                                   "var before = 1;\nthrow new Error('start-up');\nvar after = 2;\n"
                                   "function PrevCmd() { return \"0102\"; }\n");
    ScriptBridge s;
    QVERIFY(s.LoadFile(path, nullptr));
    QCOMPARE(s.Eval(QStringLiteral("before")).text, QStringLiteral("1"));
    QCOMPARE(s.Eval(QStringLiteral("PrevCmd();")).text, QStringLiteral("0102"));
}

void TestScript::loadFileEncodings_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray utf8 = QStringLiteral("信号强度").toUtf8();
    QTest::newRow("GBK") << "// " + kGbkSignalText + "\nvar label = \"" + kGbkSignalText + "\";\n";
    QTest::newRow("UTF-8") << "// " + utf8 + "\nvar label = \"" + utf8 + "\";\n";
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBFvar label = \"" + utf8 + "\";\n";
}

void TestScript::loadFileEncodings() {
    QFETCH(QByteArray, file);
    ScriptDir dir;
    ScriptBridge s;
    QVERIFY(s.LoadFile(dir.Write(QStringLiteral("script.js"), file), nullptr));
    QCOMPARE(s.Eval(QStringLiteral("label")).text, QStringLiteral("信号强度"));
    QCOMPARE(s.Eval(QStringLiteral("label.length")).text, QStringLiteral("4"));
}

void TestScript::endlessHookIsInterrupted() {
    ScriptDir dir;
    const QString path = dir.Write(QStringLiteral("script.js"),
                                   "var n = 0;\nfunction Hang() { while (true) { n++; } }\n"
                                   "function PrevCmd() { return \"\"; }\n");
    ScriptBridge s;
    s.SetTimeLimitMs(200);
    QVERIFY(s.LoadFile(path, nullptr));

    QElapsedTimer t;
    t.start();
    const ScriptResult r = s.Eval(QStringLiteral("Hang();"));
    QVERIFY(!r.ok);
    QVERIFY(!r.error.isEmpty());
    QVERIFY2(t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));

    // Works afterwards, and a second endless call is stopped as well.
    QCOMPARE(s.Eval(QStringLiteral("PrevCmd();")).ok, true);
    QCOMPARE(s.Eval(QStringLiteral("1 + 2")).text, QStringLiteral("3"));
    QVERIFY(!s.Eval(QStringLiteral("Hang();")).ok);
    int v = 0;
    QString error;
    QVERIFY(!s.EvalInt(QStringLiteral("Hang(); 5"), &v, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(s.EvalInt(QStringLiteral("n > 0 ? 5 : 0"), &v));
    QCOMPARE(v, 5);
}

// Turning a result into text runs script code too: an object whose toString or valueOf never
// returns is stopped by the same limit, on the first use of a text and on the compiled later ones.
void TestScript::endlessConversionIsInterrupted() {
    ScriptBridge s;
    s.Eval(QStringLiteral("var loop = { toString: function () { for (;;) {} }, valueOf: function () { for (;;) {} } };"
                          "function GetNum() { return loop; } function Throws() { throw loop; }"));
    s.SetTimeLimitMs(100);
    QElapsedTimer t;
    t.start();
    for (int use = 0; use < 3; ++use) {
        for (const char* text : {"GetNum()", "Throws()"}) {
            const ScriptResult r = s.Eval(QString::fromLatin1(text));
            QVERIFY2(!r && r.timedOut, text);
        }
    }
    int n = 0;
    QString error;
    QVERIFY(!s.EvalInt(QStringLiteral("loop"), &n, &error));
    QCOMPARE(error, QStringLiteral("脚本执行超时"));
    QVERIFY(t.elapsed() < 3000); // seven limits of 100 ms
    s.SetTimeLimitMs(5000);
    QCOMPARE(s.Eval(QStringLiteral("1 + 1")).text, QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(TestScript)
#include "test_script.moc"

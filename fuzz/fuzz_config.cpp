// Configuration loading from a file of any content: text decoding (GBK, UTF-8, byte-order
// marks), the JSON, the rows and their hooks, and encoding the text back.
#include "config/config.h"
#include "fuzz/fuzzsupport.h"

#include <QFile>
#include <QTemporaryDir>

using namespace dtu;

namespace {

struct World {
    QTemporaryDir dir;
    AppState state;
    ScriptBridge script;
    ParamTable main{false}, iface{true};
    NullConfigView view;
    ConfigStore store{state, script, main, iface, view};
    QString path;
    World() {
        path = dir.filePath(QStringLiteral("c.txt"));
        script.Eval(QStringLiteral("function GetStr() { return 's' + hexinput; }"
                                   "function GetFloat() { return 'f' + hexinput; }"
                                   "function Count() { return hexinput.length; }"));
        script.SetTimeLimitMs(200);
    }
};

World& TheWorld() {
    static World* w = [] {
        fuzz::EnsureApp();
        return new World;
    }();
    return *w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = TheWorld();
    const QByteArray bytes = fuzz::Bytes(data, size);

    const DecodedText decoded = DecodeText(bytes);
    (void)EncodeText(decoded.text, decoded.encoding);
    (void)CountLines(decoded.text);

    {
        QFile f(w.path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) return 0;
    }
    const LoadResult r = w.store.LoadConfiguration(w.path);
    if (r) FUZZ_CHECK(w.store.Loaded());
    FUZZ_CHECK(w.main.RequestList.size() <= 2 * w.main.Count());
    FUZZ_CHECK(w.main.Count() <= w.store.ConfigLineCount);
    return 0;
}

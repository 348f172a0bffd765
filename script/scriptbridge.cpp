#include "script/scriptbridge.h"

#include "base/gbk.h"
#include "base/regularfile.h"

#include <QFile>
#include <QHash>
#include <QJSEngine>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace dtu {

namespace {

// Interrupts the engine when one evaluation runs longer than the limit, so that a hook
// that never returns cannot freeze the window for good. One thread for the whole run;
// arming and disarming cost a lock each.
class Watchdog {
public:
    explicit Watchdog(QJSEngine* engine) : engine_(engine), thread_([this] { Run(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }
    // Wakes the thread only when it sleeps without a deadline or past the new one: while
    // evaluations follow one another, the thread sleeps until the deadline it knows and then
    // looks again, so arming costs no thread switch (a notify on every evaluation made a load of
    // a long configuration spend much of its time switching threads).
    void Arm(int ms) {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = ms > 0;
        fired_ = false;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        if (armed_ && (idle_ || deadline_ < sleepsUntil_)) cv_.notify_one();
    }
    // Returns whether the evaluation was interrupted.
    bool Disarm() {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
        const bool fired = fired_;
        if (fired) engine_->setInterrupted(false);
        fired_ = false;
        return fired;
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!quit_) {
            if (!armed_) {
                idle_ = true;
                cv_.wait(lock);
                idle_ = false;
                continue;
            }
            sleepsUntil_ = deadline_;
            cv_.wait_until(lock, sleepsUntil_);
            // The deadline may have moved on meanwhile (a later evaluation armed it again).
            if (armed_ && std::chrono::steady_clock::now() >= deadline_) {
                fired_ = true;
                armed_ = false;
                engine_->setInterrupted(true);
            }
        }
    }

    QJSEngine* engine_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool quit_ = false;
    bool armed_ = false;
    bool fired_ = false;
    bool idle_ = false;
    std::chrono::steady_clock::time_point sleepsUntil_;
    std::chrono::steady_clock::time_point deadline_;
    std::thread thread_;
};

// Texts evaluated again and again (a get hook such as GetStr() on every row of a long
// configuration, hexinput=... before each) cost a full compilation per evaluation; that
// compilation, not the hook, was most of a load's time. A text that is one plain expression is
// compiled once, on its second use, into a function returning its value, and later uses call
// that function. Calling it finds every name the way evaluating the text finds it (sloppy mode,
// global scope), so the result is the same. Texts for which that could differ take the
// evaluation every time: several statements, braces, line breaks, and the names that mean
// something else inside a function (arguments, eval, new.target, ...).
class HookCache {
public:
    static constexpr int kMaxText = 256;
    static constexpr int kMaxEntries = 4096;

    // The compiled function for the text, or an undefined value when it is to be evaluated.
    QJSValue Lookup(QJSEngine& engine, const QString& text) {
        if (text.size() > kMaxText) return {};
        auto it = entries_.find(text);
        if (it == entries_.end()) {
            if (entries_.size() >= kMaxEntries) entries_.clear();
            entries_.insert(text, Entry{});
            return {};
        }
        Entry& e = *it;
        if (e.tried) return e.fn;
        e.tried = true;
        e.fn = Compile(engine, text);
        return e.fn;
    }

    // The function that assigns its argument to a global (hexinput, ascinput) the way
    // name="..." does, returning the value assigned.
    QJSValue Setter(QJSEngine& engine, const QString& name) {
        QJSValue& fn = setters_[name];
        if (fn.isUndefined()) fn = Wrap(engine, name + QLatin1String(" = arguments[0]"));
        return fn;
    }

private:
    struct Entry {
        bool tried = false;
        QJSValue fn;
    };

    static QJSValue Wrap(QJSEngine& engine, const QString& expression) {
        QStringList trace;
        QJSValue fn = engine.evaluate(QLatin1String("(function () { try { return { ok: true, v: (\n") + expression +
                                          QLatin1String("\n) }; } catch (e) { return { ok: false, e: e }; } })"),
                                      QString(), 1, &trace);
        return fn.isCallable() && trace.isEmpty() ? fn : QJSValue();
    }

    static QJSValue Compile(QJSEngine& engine, QString text) {
        while (!text.isEmpty() && (text.back() == QLatin1Char(';') || text.back().isSpace())) text.chop(1);
        if (text.isEmpty() || !Plain(text)) return {};
        // It must be a valid script by itself too (a text such as "a) + (b" is not).
        QStringList trace;
        const QJSValue body = engine.evaluate(QLatin1String("(function () {\n") + text + QLatin1String("\n})"),
                                              QString(), 1, &trace);
        if (!body.isCallable() || !trace.isEmpty()) return {};
        return Wrap(engine, text);
    }

    static bool Plain(const QString& text) {
        static const QStringList kNames{
            QStringLiteral("arguments"), QStringLiteral("eval"),  QStringLiteral("new"),   QStringLiteral("let"),
            QStringLiteral("var"),       QStringLiteral("const"), QStringLiteral("return"), QStringLiteral("function"),
            QStringLiteral("class"),     QStringLiteral("yield"), QStringLiteral("await"), QStringLiteral("import"),
            QStringLiteral("super")};
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n;) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('{') || c == QLatin1Char('}') || c == QLatin1Char(';') || c == QLatin1Char('`') ||
                c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029))
                return false;
            auto word = [](QChar ch) { return ch.isLetterOrNumber() || ch == QLatin1Char('_') || ch == QLatin1Char('$'); };
            if (!word(c)) {
                ++i;
                continue;
            }
            qsizetype j = i;
            while (j < n && word(text.at(j))) ++j;
            if (kNames.contains(text.mid(i, j - i))) return false;
            i = j;
        }
        return true;
    }

    QHash<QString, Entry> entries_;
    QHash<QString, QJSValue> setters_;
};

} // namespace

struct ScriptBridge::Guard {
    explicit Guard(QJSEngine* e) : dog(e) {}
    Watchdog dog;
    HookCache hooks;
};

static ScriptResult TimedOut() {
    ScriptResult r;
    r.error = QStringLiteral("脚本执行超时");
    r.timedOut = true;
    return r;
}

ScriptResult ScriptBridge::Finish(ScriptResult r) {
    if (r.timedOut && opDepth_ > 0 && !stopped_) {
        stopped_ = true;
        stoppedRow_ = inRow_ ? row_ : QString();
    }
    return r;
}

ScriptBridge::Operation::Operation(ScriptBridge& script) : script_(script), outermost_(script.opDepth_++ == 0) {
    if (outermost_) {
        script_.stopped_ = false;
        script_.stoppedRow_.clear();
    }
}

ScriptBridge::Operation::~Operation() {
    if (--script_.opDepth_ == 0) {
        script_.stopped_ = false;
        script_.stoppedRow_.clear();
    }
}

ScriptBridge::RowHooks::RowHooks(ScriptBridge& script, const QString& number)
    : script_(script), previous_(script.row_), wasInRow_(script.inRow_) {
    script_.row_ = number;
    script_.inRow_ = true;
}

ScriptBridge::RowHooks::~RowHooks() {
    script_.row_ = previous_;
    script_.inRow_ = wasInRow_;
}

ScriptBridge::ScriptBridge()
    : engine_(std::make_unique<QJSEngine>()), guard_(std::make_unique<Guard>(engine_.get())) {}
ScriptBridge::~ScriptBridge() = default;

bool ScriptBridge::LoadFile(const QString& path, QString* error) {
    // Only a regular file of sensible size: a FIFO named script.js must not hang the start.
    QByteArray raw;
    if (!ReadRegularFile(path, kMaxScriptFileBytes, &raw, error)) return false;
    // Device scripts are ANSI (GBK) text; a UTF-8 script with only ASCII reads the same.
    QString text;
    if (!DecodeUtf8Exactly(raw, &text)) text = GbkText(raw);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    Eval(text); // errors while evaluating the script are swallowed
    loaded_ = true;
    return true;
}

// Turning a result into text runs script code too (toString or valueOf of an object a hook
// returns or throws), so the watchdog stays armed until the text is made.

// Calls a function made by HookCache: { ok, v } on completion, { ok: false, e } when the text threw.
static ScriptResult CallWrapped(Watchdog& dog, int limitMs, const QJSValue& fn, const QJSValueList& args) {
    ScriptResult r;
    dog.Arm(limitMs);
    const QJSValue out = QJSValue(fn).call(args);
    if (out.isError() || !out.isObject()) {
        r.error = out.toString();
    } else if (!out.property(QStringLiteral("ok")).toBool()) {
        r.error = out.property(QStringLiteral("e")).toString();
    } else {
        r.ok = true;
        const QJSValue v = out.property(QStringLiteral("v"));
        if (!v.isUndefined() && !v.isNull()) r.text = v.toString();
    }
    if (dog.Disarm()) return TimedOut();
    if (!r.ok && r.error.isEmpty()) r.error = QStringLiteral("脚本错误");
    return r;
}

ScriptResult ScriptBridge::Eval(const QString& text) {
    if (SkipsHooks()) return TimedOut();
    const QJSValue hook = guard_->hooks.Lookup(*engine_, text);
    if (hook.isCallable()) return Finish(CallWrapped(guard_->dog, timeLimitMs_, hook, {}));
    ScriptResult r;
    QStringList trace;
    guard_->dog.Arm(timeLimitMs_);
    const QJSValue v = engine_->evaluate(text, QString(), 1, &trace);
    if (v.isError() || !trace.isEmpty()) {
        r.error = v.toString();
        if (r.error.isEmpty()) r.error = QStringLiteral("脚本错误");
    } else {
        r.ok = true;
        if (!v.isUndefined() && !v.isNull()) r.text = v.toString();
    }
    if (guard_->dog.Disarm()) return Finish(TimedOut());
    return r;
}

bool ScriptBridge::EvalInt(const QString& text, int* value, QString* error) {
    if (SkipsHooks()) {
        if (error) *error = TimedOut().error;
        return false;
    }
    QStringList trace;
    guard_->dog.Arm(timeLimitMs_);
    const QJSValue v = engine_->evaluate(text, QString(), 1, &trace);
    const bool failed = v.isError() || !trace.isEmpty();
    const QString failure = failed ? v.toString() : QString();
    const int n = failed ? 0 : v.toInt();
    if (guard_->dog.Disarm()) {
        if (error) *error = Finish(TimedOut()).error;
        return false;
    }
    if (failed) {
        if (error) *error = failure;
        return false;
    }
    *value = n;
    return true;
}

// The same as evaluating the statements below, without compiling one text per value.
ScriptResult ScriptBridge::SetHexInput(const QString& hexDigits) {
    const QJSValue set = guard_->hooks.Setter(*engine_, QStringLiteral("hexinput"));
    if (SkipsHooks()) return TimedOut();
    if (set.isCallable()) return Finish(CallWrapped(guard_->dog, timeLimitMs_, set, {QJSValue(hexDigits)}));
    return Eval(HexInputStatement(hexDigits));
}

ScriptResult ScriptBridge::SetAscInput(const QString& text) {
    const QJSValue set = guard_->hooks.Setter(*engine_, QStringLiteral("ascinput"));
    if (SkipsHooks()) return TimedOut();
    if (set.isCallable()) return Finish(CallWrapped(guard_->dog, timeLimitMs_, set, {QJSValue(text)}));
    return Eval(AscInputStatement(text));
}

QString JsStringLiteral(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case 0x2028: out += QLatin1String("\\u2028"); break;
        case 0x2029: out += QLatin1String("\\u2029"); break;
        default: out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// Valid hex digits come out exactly as hexinput="0A1B"; anything else a file put there is still
// quoted safely.
QString HexInputStatement(const QString& hexDigits) { return QStringLiteral("hexinput=") + JsStringLiteral(hexDigits); }

QString AscInputStatement(const QString& text) {
    return QStringLiteral("ascinput=") + JsStringLiteral(text) + QLatin1Char(';');
}

} // namespace dtu

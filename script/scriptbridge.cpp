#include "script/scriptbridge.h"

#include <QFile>
#include <QJSEngine>
#include <QStringDecoder>

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
    void Arm(int ms) {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = ms > 0;
        fired_ = false;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        cv_.notify_one();
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
                cv_.wait(lock);
                continue;
            }
            if (cv_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ &&
                std::chrono::steady_clock::now() >= deadline_) {
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
    std::chrono::steady_clock::time_point deadline_;
    std::thread thread_;
};

} // namespace

struct ScriptBridge::Guard {
    explicit Guard(QJSEngine* e) : dog(e) {}
    Watchdog dog;
};

ScriptBridge::ScriptBridge()
    : engine_(std::make_unique<QJSEngine>()), guard_(std::make_unique<Guard>(engine_.get())) {}
ScriptBridge::~ScriptBridge() = default;

bool ScriptBridge::LoadFile(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("无法打开文件 %1: %2").arg(path, f.errorString());
        return false;
    }
    const QByteArray raw = f.readAll();
    // Device scripts are ANSI (GBK) text; a UTF-8 script with only ASCII reads the same.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(raw);
    if (utf8.hasError()) {
        QStringDecoder gbk("GBK");
        text = gbk.isValid() ? gbk(raw) : QString::fromLatin1(raw);
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    Eval(text); // errors while evaluating the script are swallowed
    loaded_ = true;
    return true;
}

ScriptResult ScriptBridge::Eval(const QString& text) {
    ScriptResult r;
    QStringList trace;
    QJSValue v;
    bool interrupted = false;
    guard_->dog.Arm(timeLimitMs_);
    v = engine_->evaluate(text, QString(), 1, &trace);
    interrupted = guard_->dog.Disarm();
    if (interrupted) {
        r.error = QStringLiteral("脚本执行超时");
        return r;
    }
    if (v.isError() || !trace.isEmpty()) {
        r.error = v.toString();
        if (r.error.isEmpty()) r.error = QStringLiteral("脚本错误");
        return r;
    }
    r.ok = true;
    if (!v.isUndefined() && !v.isNull()) r.text = v.toString();
    return r;
}

bool ScriptBridge::EvalInt(const QString& text, int* value, QString* error) {
    QStringList trace;
    QJSValue v;
    guard_->dog.Arm(timeLimitMs_);
    v = engine_->evaluate(text, QString(), 1, &trace);
    if (guard_->dog.Disarm()) {
        if (error) *error = QStringLiteral("脚本执行超时");
        return false;
    }
    if (v.isError() || !trace.isEmpty()) {
        if (error) *error = v.toString();
        return false;
    }
    *value = v.toInt();
    return true;
}

ScriptResult ScriptBridge::SetHexInput(const QString& hexDigits) { return Eval(HexInputStatement(hexDigits)); }

ScriptResult ScriptBridge::SetAscInput(const QString& text) { return Eval(AscInputStatement(text)); }

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

#pragma once
// The device script: one JavaScript engine for the whole run, one global scope.
// The whole script.js is evaluated once at start; every later text is evaluated in the
// same scope, so the script's globals persist between calls.
#include <QString>
#include <memory>

class QJSEngine;

namespace dtu {

struct ScriptResult {
    bool ok = false;
    QString text;  // completion value as text ("" for undefined and null)
    QString error; // the engine's error text when !ok
    bool timedOut = false; // stopped by the time limit, or skipped after a stopped hook
    explicit operator bool() const { return ok; }
};

class ScriptBridge {
public:
    ScriptBridge();
    ~ScriptBridge();
    ScriptBridge(const ScriptBridge&) = delete;
    ScriptBridge& operator=(const ScriptBridge&) = delete;

    // Reads the whole file and evaluates it; errors while evaluating are swallowed.
    // Returns false with the error text when the file cannot be read.
    bool LoadFile(const QString& path, QString* error);
    bool Loaded() const { return loaded_; }

    // Never throws: an error comes back in the result.
    ScriptResult Eval(const QString& text);
    // Evaluates and reads the result as an integer (for Length).
    bool EvalInt(const QString& text, int* value, QString* error = nullptr);

    // hexinput="<digits>"   (no semicolon)
    ScriptResult SetHexInput(const QString& hexDigits);
    // ascinput="<text>";   the text is escaped so that it reaches the script exactly as typed
    ScriptResult SetAscInput(const QString& text);

    // Upper bound on one evaluation, turning its result into text included; a hook that loops
    // forever is interrupted after it.
    void SetTimeLimitMs(int ms) { timeLimitMs_ = ms; }

    // One operation over rows (a load, a read, a write, building an editor). Within it, once a
    // row's hook has been stopped by the time limit, every later hook call of the operation (an
    // evaluation inside RowHooks) fails at once as timed out instead of running, so a script
    // with a looping hook on every row costs one time limit, not one per row. Operations nest;
    // the outermost one holds the state.
    class Operation {
    public:
        explicit Operation(ScriptBridge& script);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        bool Outermost() const { return outermost_; }

    private:
        ScriptBridge& script_;
        bool outermost_;
    };
    // Marks the evaluations while it lives as the hook calls of the row with this number.
    class RowHooks {
    public:
        RowHooks(ScriptBridge& script, const QString& number);
        ~RowHooks();
        RowHooks(const RowHooks&) = delete;
        RowHooks& operator=(const RowHooks&) = delete;

    private:
        ScriptBridge& script_;
        QString previous_;
        bool wasInRow_;
    };
    // The number of the row whose hook was stopped in the running operation; empty when none.
    const QString& StoppedRow() const { return stoppedRow_; }
    bool HookStopped() const { return stopped_; }

private:
    bool SkipsHooks() const { return opDepth_ > 0 && stopped_ && inRow_; }
    // Notes a timeout for the running operation; returns r.
    ScriptResult Finish(ScriptResult r);

    struct Guard;
    std::unique_ptr<QJSEngine> engine_;
    std::unique_ptr<Guard> guard_;
    bool loaded_ = false;
    int timeLimitMs_ = 5000;
    int opDepth_ = 0;
    bool stopped_ = false;
    bool inRow_ = false;
    QString row_;
    QString stoppedRow_;
};

// The statements the tool builds, in one place.
QString HexInputStatement(const QString& hexDigits);
QString AscInputStatement(const QString& text);
// A JavaScript string literal (double-quoted) holding exactly this text.
QString JsStringLiteral(const QString& text);

} // namespace dtu

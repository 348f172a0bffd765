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

    // Upper bound on one evaluation; a hook that loops forever is interrupted after it.
    void SetTimeLimitMs(int ms) { timeLimitMs_ = ms; }

private:
    struct Guard;
    std::unique_ptr<QJSEngine> engine_;
    std::unique_ptr<Guard> guard_;
    bool loaded_ = false;
    int timeLimitMs_ = 5000;
};

// The statements the tool builds, in one place.
QString HexInputStatement(const QString& hexDigits);
QString AscInputStatement(const QString& text);
// A JavaScript string literal (double-quoted) holding exactly this text.
QString JsStringLiteral(const QString& text);

} // namespace dtu

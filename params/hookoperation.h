#pragma once
// One operation over parameter rows (a load, a read, a write, building an editor) as far as
// hooks go: after the first hook stopped by the time limit the operation's remaining hook calls
// are skipped (values stay as they were), and the outermost operation says once in the log
// which row's hook was stopped.
#include "base/frontend.h"
#include "script/scriptbridge.h"

namespace dtu {

// "[参数<number>的脚本执行超时，已停止；本次操作的其余脚本未执行]"
QString HookStoppedText(const QString& number);

class HookOperation {
public:
    // status may be null: the operation skips, an enclosing one reports.
    HookOperation(ScriptBridge& script, IStatusSink* status) : script_(script), op_(script), status_(status) {}
    ~HookOperation();
    HookOperation(const HookOperation&) = delete;
    HookOperation& operator=(const HookOperation&) = delete;

private:
    ScriptBridge& script_;
    ScriptBridge::Operation op_;
    IStatusSink* status_;
};

} // namespace dtu

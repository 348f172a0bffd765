#include "params/hookoperation.h"

namespace dtu {

QString HookStoppedText(const QString& number) {
    return QStringLiteral("[参数%1的脚本执行超时，已停止；本次操作的其余脚本未执行]").arg(number);
}

HookOperation::~HookOperation() {
    if (op_.Outermost() && status_ && script_.HookStopped()) status_->Log(HookStoppedText(script_.StoppedRow()));
}

} // namespace dtu

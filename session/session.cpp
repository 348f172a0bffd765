#include "session/session.h"

namespace dtu {

Session::Session(IStatusSink& status, IConfigView& view, QTimer* rxTimer)
    : status_(status), exchange_(state_, script_, closedChannel_, clock_, status_, rxTimer),
      config_(state_, script_, mainTable_, interfaceTable_, view) {
    mainTable_.SetChangedList(&state_.ChangedParamList);
    interfaceTable_.SetChangedList(&state_.ChangedParamList);
    config_.OnReplyEnd = [this](ReplyEnd mode) { exchange_.SetReplyEnd(mode); };
}

} // namespace dtu

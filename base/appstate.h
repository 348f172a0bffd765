#pragma once
// Application-wide state, owned by the main window for the whole run.
#include <QStringList>

namespace dtu {

struct AppState {
    // 0 normal; 1 frame logging (also after every use of the port button); 2 row 0091 editable.
    int EngineeringLevel = 0;
    // Set once an access code has been accepted; never cleared.
    bool AccessCodeAccepted = false;
    // Set when the main window is being closed; ends every reply wait at its next poll.
    bool CancelRequested = false;

    // Parameter channels: the main table's channel (from the configuration) and the channel
    // the tool believes is selected on the device (-1: unknown, must be sent).
    int MainParamChannel = 0;
    int CurrentParamChannel = 0;
    // A new TCP connection does not tell the tool which channel the device has selected: the next
    // selection is sent even when CurrentParamChannel names it already.
    bool ParamChannelUnsent = false;
    // The interface page ("   接口参数设置   ") is present: a configuration named an extended file.
    bool InterfacePagePresent = false;

    // Row numbers edited but not yet written, each once, in the order of first change.
    QStringList ChangedParamList;

    // Transparent-test byte counters.
    qint64 SentBytes = 0;
    qint64 ReceivedBytes = 0;
};

// The two stored access codes of the hidden password box.
inline constexpr const char* kLevel2Code = "mintcastle";
inline constexpr const char* kLevel1Code = "grape";

// Applies an entered code; returns the new level, or -1 when the code is wrong (nothing changes).
inline int ApplyAccessCode(AppState& s, const QString& code) {
    if (code == QLatin1String(kLevel2Code)) {
        s.AccessCodeAccepted = true;
        s.EngineeringLevel = 2;
        return 2;
    }
    if (code == QLatin1String(kLevel1Code)) {
        s.AccessCodeAccepted = true;
        s.EngineeringLevel = 1;
        return 1;
    }
    return -1;
}

} // namespace dtu

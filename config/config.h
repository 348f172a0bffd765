#pragma once
// Configuration files: the main configuration (serial settings, caption, the main parameter
// rows, the extended-parameter file and the TCP maintenance address) and the extended-parameter
// file with the rows of the interface page.
//
// Files are text in the ANSI code page (GBK) with CR LF line ends. A file is read as UTF-8 only
// when it cannot be GBK: it starts with a UTF-8 byte-order mark, or it is not GBK but is valid
// UTF-8. A configuration is written back in the encoding it was read in (GBK files stay GBK, a
// character GBK lacks becoming a JSON \u escape); one whose bytes did not all decode is never
// rewritten.
#include "base/appstate.h"
#include "base/frontend.h"
#include "config/textfile.h"
#include "params/paramtable.h"
#include "protocol/replyend.h"
#include "script/scriptbridge.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <functional>

namespace dtu {

// What a load changes on screen.
class IConfigView {
public:
    virtual ~IConfigView() = default;
    virtual void SetCaption(const QString& text) = 0;
    virtual void SetPortName(const QString& text) = 0;
    virtual void SetBaudText(const QString& text) = 0;
    virtual void SetFormatText(const QString& text) = 0;
    // Shows or hides the interface page ("   接口参数设置   ").
    virtual void SetInterfacePageVisible(bool visible) = 0;
    // Shows or hides the TCP maintenance group; the signal-strength button is hidden exactly
    // while the group is shown. The address box gets the address in both cases.
    virtual void SetTcpGroup(bool shown, const QString& address) = 0;
};

// A configuration view that shows nothing (a front end without serial boxes or pages).
class NullConfigView : public IConfigView {
public:
    void SetCaption(const QString&) override {}
    void SetPortName(const QString&) override {}
    void SetBaudText(const QString&) override {}
    void SetFormatText(const QString&) override {}
    void SetInterfacePageVisible(bool) override {}
    void SetTcpGroup(bool, const QString&) override {}
};

// The outcome of a load: a failure that ended it early carries the text to show.
struct LoadResult {
    bool ok = true;
    QString error;
    explicit operator bool() const { return ok; }
    static LoadResult Failure(const QString& text) { return {false, text}; }
};


// The seven members of one parameter row in a configuration, as texts.
struct ParamEntry {
    QString cmdId, name, value, note, list, get, set;
    static ParamEntry FromJson(const QJsonObject& o);
};

// Appends one row: fields 0..2 from the entry, the display value (see below), fields 4..7 :=
// ONLIST, ONGET, ONSET, PNOTE, then the number enters the request list.
// Display value: empty for a raw value without hex digits (the script is not called); otherwise
// hexinput is set to the digits and the value is the text of the first choice whose "HEX:" +
// digits equals the raw value (ONLIST a choice list; empty when none) or the text ONGET evaluates to
// (ONLIST empty or script text setting Length/Mask).
// When that step fails (script error, a "[[" list that is no choice list) the row stays with fields 0..2,
// is not requested, and false comes back with the reason.
bool AddParamRow(ScriptBridge& script, ParamTable& table, const ParamEntry& entry, QString* error = nullptr);
// The display value a load gives a raw value with these hooks (see AddParamRow); false with the
// reason when the script or the choice list fails.
bool LoadDisplayText(ScriptBridge& script, const QString& cmdId, const QString& raw, const QString& list,
                     const QString& get, QString* display, QString* error = nullptr);
// The same with the row's hook kinds worked out already.
bool LoadDisplayText(ScriptBridge& script, const QString& cmdId, const QString& raw, const HookKinds& kinds,
                     const QString& get, QString* display, QString* error = nullptr);

// The last configuration file used, in the current directory.
inline constexpr const char* kLastFileName = "lastfile.log";
// The configuration's serial settings.
inline constexpr const char* kBaudrateKey = "Baudrate";
inline constexpr const char* kComOptionKey = "ComOption";

class ConfigStore {
public:
    ConfigStore(AppState& state, ScriptBridge& script, ParamTable& main, ParamTable& iface, IConfigView& view)
        : state_(state), script_(script), main_(main), iface_(iface), view_(view) {}

    // The loaded configuration (empty when the last load could not read or parse its file).
    QJsonObject ConfigRoot;
    QString ConfigPath;
    // Lines of the configuration text; rows with an index at or above it are not loaded.
    int ConfigLineCount = 0;
    // "ReplyEnd" of the configuration read last ("frame"; any other text is Silence) or, when it
    // names none, the default below; who is told at every load that reads a configuration and
    // whenever the default changes what holds.
    ReplyEnd ReplyEndMode = ReplyEnd::Silence;
    std::function<void(ReplyEnd)> OnReplyEnd;
    // How replies end under a configuration without "ReplyEnd" (a setting of the computer).
    void SetDefaultReplyEnd(ReplyEnd mode);
    // The serial settings the loaded configuration names ("Baudrate", "ComOption"); empty when
    // it names none.
    QString ConfiguredBaud() const;
    QString ConfiguredFormat() const;

    // Reads a configuration and applies it (caption, serial boxes, main rows, the extended file,
    // the TCP group). A failure that ends the load early comes back with its text; rows that
    // cannot be loaded end the row loading silently, keeping the rows before them.
    LoadResult LoadConfiguration(const QString& path);
    // Reads the extended-parameter file into the interface table (emptied first).
    LoadResult LoadExtendedParams(const QString& path);

    // 文件操作 → 调入参数文件: asks for a configuration in the program folder, records it in
    // lastfile.log and loads it; a failure that ends the load early is shown as a message.
    void OpenConfigurationMenu(IPrompter& prompter);
    // The configuration named in lastfile.log, once at start (nothing when one is loaded already);
    // every failure is silent.
    void RestoreLastConfiguration();

    // Writes the configuration back (indented JSON, CR LF, its own encoding) through a temporary
    // file renamed over the original. False, silently, when nothing is loaded, the file did not
    // decode exactly (its undecodable bytes would be lost) or it cannot be written.
    bool SaveConfiguration();
    // The serial boxes' texts into "Comport", "Baudrate", "ComOption", then saved. A file that
    // did not decode exactly is left as it is: the text coming back says why (for the log box);
    // it is empty otherwise, also when nothing is loaded or the write fails.
    QString StoreSerialSettings(const QString& port, const QString& baud, const QString& format);

    // A configuration was read and parsed (ConfigRoot belongs to ConfigPath).
    bool Loaded() const { return loaded_; }
    TextEncoding Encoding() const { return encoding_; }

private:
    // Rows of a "Params" value into the table, in index order; stops at the first row that fails.
    void LoadMainRows(const QJsonValue& params);
    void LoadExtendedRows(const QJsonValue& params);
    bool LoadRow(ParamTable& table, const QJsonValue& member);

    AppState& state_;
    ScriptBridge& script_;
    ParamTable& main_;
    ParamTable& iface_;
    IConfigView& view_;
    bool loaded_ = false;
    TextEncoding encoding_ = TextEncoding::Gbk;
    bool exact_ = true;
    // The configuration read last names a "ReplyEnd"; the mode of one that names none.
    bool replyEndNamed_ = false;
    ReplyEnd defaultReplyEnd_ = ReplyEnd::Silence;
};


} // namespace dtu

#include "config/config.h"

#include "base/gbk.h"
#include "base/regularfile.h"
#include "params/rows.h"
#include "params/changes.h"
#include "params/jsontext.h"
#include "params/valuecodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <utility>
#include <vector>

namespace dtu {

namespace {

// A top-level setting as text; an empty text counts as missing.
QString Setting(const QJsonObject& root, const char* key) {
    return JsonValueText(root.value(QLatin1String(key)));
}

// The main table's channel: a whole number 0..255 (it is sent as one byte); anything else is 0.
int ChannelNumber(const QJsonValue& v) {
    qint64 n = -1;
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (d >= 0 && d <= 255 && d == static_cast<double>(static_cast<int>(d))) n = static_cast<int>(d);
    } else if (v.isString()) {
        bool ok = false;
        const int i = v.toString().trimmed().toInt(&ok);
        if (ok) n = i;
    }
    return (n >= 0 && n <= 255) ? static_cast<int>(n) : 0;
}

QString ParseErrorText(const QString& path, const QJsonParseError& e) {
    return QStringLiteral("文件 %1 不是有效的JSON：%2（位置 %3）").arg(path, e.errorString()).arg(e.offset);
}

// Parses a configuration text; false with the reason when it is not a JSON object.
bool ParseObject(const QString& path, const QString& text, QJsonObject* root, QString* error) {
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &e);
    if (e.error != QJsonParseError::NoError) {
        *error = ParseErrorText(path, e);
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("文件 %1 不是有效的参数文件：内容不是JSON对象").arg(path);
        return false;
    }
    *root = doc.object();
    return true;
}

// The index a member name stands for: its canonical decimal form ("0", "17"; not "01", "+1").
int MemberIndex(const QString& name) {
    if (name.isEmpty() || name.size() > 9) return -1;
    if (name.size() > 1 && name.at(0) == QLatin1Char('0')) return -1;
    int v = 0;
    for (QChar c : name) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
        v = v * 10 + (c.unicode() - '0');
    }
    return v;
}

} // namespace

ParamEntry ParamEntry::FromJson(const QJsonObject& o) {
    ParamEntry e;
    e.cmdId = JsonValueText(o.value(QLatin1String("CMDID")));
    e.name = JsonValueText(o.value(QLatin1String("PNAME")));
    e.value = JsonValueText(o.value(QLatin1String("PVALUE")));
    e.note = JsonValueText(o.value(QLatin1String("PNOTE")));
    e.list = JsonValueText(o.value(QLatin1String("ONLIST")));
    e.get = JsonValueText(o.value(QLatin1String("ONGET")));
    e.set = JsonValueText(o.value(QLatin1String("ONSET")));
    return e;
}

bool LoadDisplayText(ScriptBridge& script, const QString& cmdId, const QString& raw, const QString& list,
                     const QString& get, QString* display, QString* error) {
    return LoadDisplayText(script, cmdId, raw, HookKinds::Of(list, get), get, display, error);
}

bool LoadDisplayText(ScriptBridge& script, const QString& cmdId, const QString& raw, const HookKinds& kinds,
                     const QString& get, QString* display, QString* error) {
    display->clear();
    if (raw.size() < 5) return true;
    const ScriptResult in = script.SetHexInput(raw.mid(4));
    if (!in) {
        if (error) *error = in.error;
        return false;
    }
    // A list hook that is script text (Length/Mask of the editor) says nothing about the display:
    // ONGET gives it, as a read does. Such a row with a value (a saved configuration) loads.
    if (kinds.choiceHook) {
        if (!kinds.choicesValid) {
            if (error) *error = QStringLiteral("参数%1的选择列表无效").arg(cmdId);
            return false;
        }
        *display = kinds.choices.TextForRaw(raw);
    } else if (!get.isEmpty()) {
        const ScriptResult got = script.Eval(get);
        if (!got) {
            if (error) *error = got.error;
            return false;
        }
        *display = got.text;
    }
    return true;
}

bool AddParamRow(ScriptBridge& script, ParamTable& table, const ParamEntry& entry, QString* error) {
    ParamRow row;
    row[FieldNumber] = entry.cmdId;
    row[FieldName] = entry.name;
    row[FieldRaw] = entry.value;

    QString display;
    const ScriptBridge::RowHooks hooks(script, entry.cmdId);
    // The hook kinds are worked out once here and go into the table with the row.
    const auto kinds = std::make_shared<const HookKinds>(HookKinds::Of(entry.list, entry.get));
    if (!LoadDisplayText(script, entry.cmdId, entry.value, *kinds, entry.get, &display, error)) {
        table.Append(row); // the row stays with its number, name and raw value only
        return false;
    }
    row[FieldDisplay] = display;
    row[FieldList] = entry.list;
    row[FieldGet] = entry.get;
    row[FieldSet] = entry.set;
    row.hooks = kinds;
    row[FieldNote] = entry.note;
    table.Append(row);
    AddToRequestList(table, entry.cmdId);
    return true;
}

bool ConfigStore::LoadRow(ParamTable& table, const QJsonValue& member) {
    if (!member.isObject()) return false;
    return AddParamRow(script_, table, ParamEntry::FromJson(member.toObject()));
}

void ConfigStore::LoadMainRows(const QJsonValue& params) {
    // Indices 0 .. ConfigLineCount-1 in ascending order, each once when the file has it. Only the
    // members that stand for such an index are visited, so a long file costs no empty look-ups.
    std::vector<std::pair<int, QJsonValue>> rows;
    if (params.isObject()) {
        const QJsonObject o = params.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            const int i = MemberIndex(it.key());
            if (i >= 0 && i < ConfigLineCount) rows.emplace_back(i, it.value());
        }
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    } else if (params.isArray()) {
        const QJsonArray a = params.toArray();
        const qsizetype n = std::min<qsizetype>(a.size(), ConfigLineCount);
        for (qsizetype i = 0; i < n; ++i)
            rows.emplace_back(static_cast<int>(i), a.at(i));
    }
    for (const auto& r : rows)
        if (!LoadRow(main_, r.second)) return;
}

void ConfigStore::LoadExtendedRows(const QJsonValue& params) {
    // Object members come in ascending name order by character code ("10" before "2").
    if (params.isObject()) {
        const QJsonObject o = params.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!LoadRow(iface_, it.value())) return;
    } else if (params.isArray()) {
        const QJsonArray a = params.toArray();
        for (const QJsonValue& v : a)
            if (!LoadRow(iface_, v)) return;
    }
}

void ConfigStore::SetDefaultReplyEnd(ReplyEnd mode) {
    defaultReplyEnd_ = mode;
    if (replyEndNamed_) return; // the configuration's own key wins
    ReplyEndMode = mode;
    if (OnReplyEnd) OnReplyEnd(ReplyEndMode);
}

LoadResult ConfigStore::LoadConfiguration(const QString& path) {
    const ScriptBridge::Operation hooks(script_); // one looping hook stops the load's other hooks
    // Whatever happens below, the previous configuration is gone: saving must never write it
    // under another file's name.
    ConfigRoot = QJsonObject();
    loaded_ = false;
    ConfigPath = path;
    // Emptied before reading, so that a file that cannot be read leaves no request for rows
    // that are no longer there.
    ConfigLineCount = 0;
    main_.RequestList.clear();
    main_.Clear();

    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(path, &bytes, &error)) return LoadResult::Failure(error);
    const DecodedText decoded = DecodeText(bytes);
    ConfigLineCount = CountLines(decoded.text);

    QJsonObject root;
    if (!ParseObject(path, decoded.text, &root, &error)) return LoadResult::Failure(error);
    ConfigRoot = root;
    encoding_ = decoded.encoding;
    exact_ = decoded.exact;
    loaded_ = true;
    const QString replyEnd = Setting(root, "ReplyEnd");
    replyEndNamed_ = !replyEnd.trimmed().isEmpty();
    ReplyEndMode = replyEndNamed_ ? ParseReplyEnd(replyEnd) : defaultReplyEnd_;
    if (OnReplyEnd) OnReplyEnd(ReplyEndMode);

    const QJsonValue params = root.value(QLatin1String("Params"));
    const QString title = Setting(root, "Title");
    const QString exFile = Setting(root, "ExParamFile");
    state_.MainParamChannel =
        exFile.isEmpty() ? 1 : ChannelNumber(root.value(QLatin1String("ExParamChannel")));
    const QString port = Setting(root, "Comport");
    const QString baud = Setting(root, kBaudrateKey);
    const QString format = Setting(root, kComOptionKey);
    const QString tcp = Setting(root, "TcpConfigIP");

    if (!title.isEmpty()) view_.SetCaption(QStringLiteral("参数配置程序 ") + title);
    if (!port.isEmpty()) view_.SetPortName(port);
    if (!baud.isEmpty()) view_.SetBaudText(baud);
    if (!format.isEmpty()) view_.SetFormatText(format);

    LoadMainRows(params);

    if (!exFile.isEmpty()) {
        state_.CurrentParamChannel = state_.MainParamChannel;
        state_.InterfacePagePresent = true;
        view_.SetInterfacePageVisible(true);
        const LoadResult ex = LoadExtendedParams(exFile);
        if (!ex) return ex;
    } else {
        // No interface page: the main table is the one answers belong to, and the interface
        // table keeps no rows of an earlier configuration.
        state_.CurrentParamChannel = state_.MainParamChannel;
        state_.InterfacePagePresent = false;
        view_.SetInterfacePageVisible(false);
        iface_.RequestList.clear();
        iface_.Clear();
    }

    view_.SetTcpGroup(!tcp.isEmpty(), tcp);
    return {};
}

LoadResult ConfigStore::LoadExtendedParams(const QString& path) {
    const ScriptBridge::Operation hooks(script_);
    // Emptied before reading: a file that cannot be read must not leave an earlier
    // configuration's rows on the page.
    iface_.RequestList.clear();
    iface_.Clear();
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(path, &bytes, &error)) return LoadResult::Failure(error);
    QJsonObject root;
    if (!ParseObject(path, DecodeText(bytes).text, &root, &error)) return LoadResult::Failure(error);
    LoadExtendedRows(root.value(QLatin1String("Params")));
    return {};
}

static QString ReadLastFile() {
    QByteArray bytes;
    if (!ReadWholeFile(QLatin1String(kLastFileName), &bytes, nullptr)) return {};
    QString path = DecodeText(bytes).text;
    while (path.endsWith(QLatin1Char('\n')) || path.endsWith(QLatin1Char('\r')))
        path.chop(1);
    return path;
}

static void WriteLastFile(const QString& path) {
    WriteFileAtomically(QLatin1String(kLastFileName), EncodeText(path, TextEncoding::Gbk));
}

void ConfigStore::OpenConfigurationMenu(IPrompter& prompter) {
    const QString chosen = prompter.OpenFile(QCoreApplication::applicationDirPath(), QStringLiteral("*.txt"),
                                             QStringLiteral("txt"));
    if (chosen.isEmpty()) return;
    ConfigPath = chosen;
    WriteLastFile(ConfigPath);
    main_.Clear();
    const LoadResult r = LoadConfiguration(ConfigPath);
    if (!r) prompter.Message(r.error);
}

void ConfigStore::RestoreLastConfiguration() {
    if (!ConfigPath.isEmpty()) return;
    const QString path = ReadLastFile();
    if (path.isEmpty()) return;
    ConfigPath = path;
    main_.Clear();
    LoadConfiguration(ConfigPath);
}

bool ConfigStore::SaveConfiguration() {
    // A file that did not decode exactly would lose the bytes that did not decode.
    if (!loaded_ || !exact_ || ConfigPath.isEmpty()) return false;
    QString text = QString::fromUtf8(QJsonDocument(ConfigRoot).toJson(QJsonDocument::Indented));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return WriteFileAtomically(ConfigPath, EncodeJsonText(text, encoding_));
}

QString ConfigStore::StoreSerialSettings(const QString& port, const QString& baud, const QString& format) {
    // Without a loaded configuration there is nothing to add to: writing only these three
    // settings would replace a file that could not be parsed.
    if (!loaded_) return {};
    if (!exact_)
        return QStringLiteral("串口设置未保存到 %1：文件中有无法按GBK或UTF-8解码的字节，改写会丢失它们")
            .arg(ConfigPath);
    ConfigRoot.insert(QLatin1String("Comport"), port);
    ConfigRoot.insert(QLatin1String(kBaudrateKey), baud);
    ConfigRoot.insert(QLatin1String(kComOptionKey), format);
    SaveConfiguration();
    return {};
}

QString ConfigStore::ConfiguredBaud() const { return Setting(ConfigRoot, kBaudrateKey); }
QString ConfigStore::ConfiguredFormat() const { return Setting(ConfigRoot, kComOptionKey); }

} // namespace dtu

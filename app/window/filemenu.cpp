#include "app/window/filemenu.h"

#include "app/window/journalentries.h"
#include "app/window/pagehost.h"
#include "config/profile.h"
#include "params/hookoperation.h"
#include "session/session.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>

namespace {

const char kVerifyKey[] = "verifyAfterWrite";
const char kReconnectKey[] = "reconnectSerial";
const char kReplyFrameKey[] = "replyEndFrame";

// The tool's remembered settings (per user).
QSettings& Remembered() {
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("dtucfg"),
                              QStringLiteral("dtucfg"));
    return settings;
}

// The time a line of a text box was added.
class LineTime : public QTextBlockUserData {
public:
    explicit LineTime(QDateTime at) : at_(std::move(at)) {}
    const QDateTime& At() const { return at_; }

private:
    QDateTime at_;
};

} // namespace

FileMenu::FileMenu(PageHost& host, QMenuBar* bar) : QObject(bar), host_(host) {
    menu_ = bar->addMenu(QStringLiteral("文件操作"));
    menu_->setObjectName(QStringLiteral("N2"));
    menu_->setAttribute(Qt::WA_WindowPropagation); // the pop-up takes the window's font
    connect(Add(QStringLiteral("调入参数文件"), QStringLiteral("N5")), &QAction::triggered, this,
            &FileMenu::LoadConfiguration);
    connect(Add(QStringLiteral("保存参数文件"), QStringLiteral("NSaveProfile")), &QAction::triggered, this,
            &FileMenu::SaveProfile);
    connect(Add(QStringLiteral("对比参数文件"), QStringLiteral("NCompare")), &QAction::triggered, this,
            &FileMenu::CompareProfile);
    connect(Add(QStringLiteral("批量写参数"), QStringLiteral("N7")), &QAction::triggered, this,
            &FileMenu::BatchWriteRequested);
    new JournalEntries(host_, menu_, [this] { return verify_->isChecked(); });
    menu_->addSeparator();
    verify_ = Add(QStringLiteral("写入后回读校验"), QStringLiteral("NVerify"));
    reconnect_ = Add(QStringLiteral("串口断开后自动重连"), QStringLiteral("NReconnect"));
    replyFrame_ = Add(QStringLiteral("应答完整即结束"), QStringLiteral("NReplyFrame"));
    menu_->addSeparator();
    connect(Add(QStringLiteral("保存日志"), QStringLiteral("NSaveLog")), &QAction::triggered, this,
            &FileMenu::SaveLog);
    for (QAction* a : {verify_, reconnect_, replyFrame_})
        a->setCheckable(true);
    connect(verify_, &QAction::toggled, this, [this](bool on) {
        Remembered().setValue(kVerifyKey, on);
        emit VerifyAfterWriteChanged(on);
    });
    connect(reconnect_, &QAction::toggled, this, [this](bool on) {
        Remembered().setValue(kReconnectKey, on);
        emit ReconnectChanged(on);
    });
    // A reply ends with its frame, unless the configuration names how its replies end.
    connect(replyFrame_, &QAction::toggled, this, [this](bool on) {
        Remembered().setValue(kReplyFrameKey, on);
        host_.Session().Config().SetDefaultReplyEnd(on ? dtu::ReplyEnd::Frame : dtu::ReplyEnd::Silence);
    });
}

QAction* FileMenu::Add(const QString& text, const QString& name) {
    QAction* a = menu_->addAction(text);
    a->setObjectName(name);
    return a;
}

void FileMenu::LoadRememberedSettings() {
    {
        const QSignalBlocker b1(verify_), b2(reconnect_), b3(replyFrame_);
        verify_->setChecked(Remembered().value(kVerifyKey, false).toBool());
        reconnect_->setChecked(Remembered().value(kReconnectKey, false).toBool());
        replyFrame_->setChecked(Remembered().value(kReplyFrameKey, false).toBool());
    }
    host_.Session().Config().SetDefaultReplyEnd(replyFrame_->isChecked() ? dtu::ReplyEnd::Frame
                                                                         : dtu::ReplyEnd::Silence);
    emit VerifyAfterWriteChanged(verify_->isChecked());
    emit ReconnectChanged(reconnect_->isChecked());
}

void FileMenu::LoadConfiguration() {
    host_.Guarded([this] {
        const dtu::HookOperation hooks(host_.Session().Script(), &host_.Status());
        host_.Session().Config().OpenConfigurationMenu(host_.Prompter());
    });
}

// ---------------------------------------------------------------------------------------------
// Saving and comparing

void FileMenu::SaveProfile() {
    host_.Guarded([this] {
        dtu::Session& s = host_.Session();
        const QString path =
            host_.Prompter().SaveFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        const dtu::ProfileSaveResult r =
            dtu::SaveProfile(dtu::ProfileSource::From(s.Config()), s.MainTable(),
                             s.State().InterfacePagePresent ? &s.InterfaceTable() : nullptr, path);
        if (!r.ok) {
            host_.Prompter().Message(r.error);
            return;
        }
        host_.Status().Report(QStringLiteral("[参数文件已保存：") + path + QLatin1Char(']'));
    });
}

void FileMenu::CompareProfile() {
    host_.Guarded([this] {
        dtu::Session& s = host_.Session();
        const QString path =
            host_.Prompter().OpenFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        emit ComparingTables();
        const dtu::CompareResult r =
            dtu::CompareWithFile(s.Script(), s.State(), s.MainTable(),
                                 s.State().InterfacePagePresent ? &s.InterfaceTable() : nullptr, path);
        dtu::ReportComparison(r, host_.Status());
        if (!r.ok) host_.Prompter().Message(r.error);
    });
}

// ---------------------------------------------------------------------------------------------
// Saving the logs

void FileMenu::KeepLog(const QString& title, QPlainTextEdit* box) {
    logs_.append({title, box});
    QTextDocument* doc = box->document();
    connect(doc, &QTextDocument::contentsChange, this, [this, doc](int position, int, int added) {
        const QTextBlock last = doc->findBlock(position + added);
        for (QTextBlock b = doc->findBlock(position); b.isValid(); b = b.next()) {
            if (!b.userData()) b.setUserData(new LineTime(host_.PcTime()));
            if (b == last) break;
        }
    });
}

void FileMenu::SaveLog() {
    host_.Guarded([this] {
        const QString path =
            host_.Prompter().SaveFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        QString text;
        for (const auto& [title, box] : logs_) {
            text += QStringLiteral("==== ") + title + QStringLiteral(" ====\r\n");
            const QTextDocument* doc = box->document();
            if (doc->isEmpty()) continue;
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
                const auto* t = static_cast<const LineTime*>(b.userData());
                const QDateTime at = t ? t->At() : QDateTime();
                text += at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char(' ') + b.text() +
                        QStringLiteral("\r\n");
            }
        }
        QString error;
        if (!dtu::WriteFileAtomically(path, text.toUtf8(), &error)) {
            host_.Prompter().Message(QStringLiteral("无法写入文件 %1: %2").arg(path, error));
            return;
        }
        host_.Status().SetResult(QStringLiteral("[日志已保存：") + path + QLatin1Char(']'));
    });
}

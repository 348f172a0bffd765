// The main window's travelling configurations: saving the tables as a configuration file,
// comparing them with one (and showing only the changed rows), reading back what a write sent,
// finding a lost serial port again, and saving the three text boxes with the time of each line.
#include "app/window/tform1.h"

#include "config/profile.h"
#include "params/verify.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {

const char kVerifyKey[] = "verifyAfterWrite";
const char kReconnectKey[] = "reconnectSerial";
constexpr int kReconnectIntervalMs = 1000;

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

// Whether a serial port of that name is there (a device path, or a name the system lists).
bool PortPresent(const QString& name) {
    if (name.isEmpty()) return false;
    if (QFileInfo::exists(name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name)) return true;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName() == name || info.systemLocation() == name) return true;
    return false;
}

// The box layout that holds the widget, searched from a page's layout down.
QBoxLayout* LayoutHolding(QLayout* layout, QWidget* w) {
    if (!layout) return nullptr;
    if (layout->indexOf(w) >= 0) return qobject_cast<QBoxLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i)
        if (QBoxLayout* found = LayoutHolding(layout->itemAt(i)->layout(), w)) return found;
    return nullptr;
}

QCheckBox* ChangedOnlyBox(const QString& name) {
    auto* box = new QCheckBox(QStringLiteral("只显示已修改项"));
    box->setObjectName(name);
    return box;
}

} // namespace

void TForm1::WireProfile() {
    auto add = [this](const QString& text, const QString& name, QAction* before) {
        auto* a = new QAction(text, N2);
        a->setObjectName(name);
        N2->insertAction(before, a);
        return a;
    };
    NSaveProfile = add(QStringLiteral("保存参数文件"), QStringLiteral("NSaveProfile"), N7);
    NCompare = add(QStringLiteral("对比参数文件"), QStringLiteral("NCompare"), N7);
    N2->addSeparator();
    NVerify = add(QStringLiteral("写入后回读校验"), QStringLiteral("NVerify"), nullptr);
    NReconnect = add(QStringLiteral("串口断开后自动重连"), QStringLiteral("NReconnect"), nullptr);
    N2->addSeparator();
    NSaveLog = add(QStringLiteral("保存日志"), QStringLiteral("NSaveLog"), nullptr);
    for (QAction* a : {NVerify, NReconnect}) a->setCheckable(true);
    connect(NSaveProfile, &QAction::triggered, this, &TForm1::SaveProfileClick);
    connect(NCompare, &QAction::triggered, this, &TForm1::CompareProfileClick);
    connect(NSaveLog, &QAction::triggered, this, &TForm1::SaveLogClick);
    connect(NVerify, &QAction::toggled, this, [](bool on) { Remembered().setValue(kVerifyKey, on); });
    connect(NReconnect, &QAction::toggled, this, [this](bool on) {
        Remembered().setValue(kReconnectKey, on);
        if (!on) StopReconnect();
    });

    ReconnectTimer = new QTimer(this);
    ReconnectTimer->setObjectName(QStringLiteral("ReconnectTimer"));
    ReconnectTimer->setInterval(kReconnectIntervalMs);
    connect(ReconnectTimer, &QTimer::timeout, this, &TForm1::ReconnectTick);

    // The filter boxes: left of 读取/设置 on the main page, left of the buttons on the interface page.
    ChangedOnly1 = ChangedOnlyBox(QStringLiteral("ChangedOnly1"));
    if (auto* l = qobject_cast<QHBoxLayout*>(Panel2->layout())) l->insertWidget(0, ChangedOnly1);
    ChangedOnly2 = ChangedOnlyBox(QStringLiteral("ChangedOnly2"));
    if (QBoxLayout* l = LayoutHolding(TabSheet4->layout(), Button16)) l->insertWidget(0, ChangedOnly2);
    const std::pair<QTableView*, QCheckBox*> pages[] = {{ListView1, ChangedOnly1}, {ListView2, ChangedOnly2}};
    for (const auto& [view, box] : pages) {
        auto* table = static_cast<dtu::ParamTable*>(view->model());
        auto apply = [this, view, table, box] { ApplyChangedFilter(view, *table, box); };
        connect(box, &QCheckBox::toggled, this, apply);
        auto follow = [apply, box] {
            if (box->isChecked()) apply();
        };
        connect(table, &QAbstractItemModel::dataChanged, this, follow);
        connect(table, &QAbstractItemModel::rowsInserted, this, follow);
        connect(table, &QAbstractItemModel::modelReset, this, follow);
    }

    for (QPlainTextEdit* box : {Memo1, Memo4, Memo2}) StampLines(box);
}

void TForm1::LoadRememberedSettings() {
    const QSignalBlocker b1(NVerify), b2(NReconnect);
    NVerify->setChecked(Remembered().value(kVerifyKey, false).toBool());
    NReconnect->setChecked(Remembered().value(kReconnectKey, false).toBool());
}

// ---------------------------------------------------------------------------------------------
// Saving and comparing

void TForm1::SaveProfileClick() {
    Guarded([this] {
        const QString path = prompter_->SaveFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        const dtu::ProfileSaveResult r =
            dtu::SaveProfile(dtu::ProfileSource::From(config_), mainTable_,
                             state_.InterfacePagePresent ? &interfaceTable_ : nullptr, path);
        if (!r.ok) {
            prompter_->Message(r.error);
            return;
        }
        status_.Report(QStringLiteral("[参数文件已保存：") + path + QLatin1Char(']'));
    });
}

void TForm1::CompareProfileClick() {
    Guarded([this] {
        const QString path = prompter_->OpenFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        HideEditors(); // an open editor would show the value before the comparison
        const dtu::CompareResult r =
            dtu::CompareWithFile(script_, state_, mainTable_,
                                 state_.InterfacePagePresent ? &interfaceTable_ : nullptr, path);
        dtu::ReportComparison(r, status_);
        if (!r.ok) prompter_->Message(r.error);
    });
}

void TForm1::ApplyChangedFilter(QTableView* view, dtu::ParamTable& table, const QCheckBox* box) {
    const bool only = box->isChecked();
    for (int i = 0; i < table.Count(); ++i) {
        const QString& number = table.Row(i)[dtu::FieldNumber];
        const bool changed = !number.isEmpty() && state_.ChangedParamList.contains(number, Qt::CaseInsensitive);
        view->setRowHidden(i, only && !changed);
    }
}

// ---------------------------------------------------------------------------------------------
// Reading back after a write

TForm1::VerifyPlan TForm1::PlanVerification() {
    VerifyPlan plan;
    if (!NVerify->isChecked()) return plan;
    plan.generation = tableGeneration_;
    const QStringList& changed = state_.ChangedParamList;
    if (state_.CurrentParamChannel == state_.MainParamChannel)
        plan.main = dtu::RowsToVerify(state_, mainTable_, changed);
    if (state_.CurrentParamChannel == 0) plan.iface = dtu::RowsToVerify(state_, interfaceTable_, changed);
    return plan;
}

void TForm1::RunVerification(const VerifyPlan& plan) {
    if (plan.main.isEmpty() && plan.iface.isEmpty()) return;
    HideEditors();
    int failures = 0;
    const std::pair<dtu::ParamTable*, const QList<dtu::WrittenValue>*> parts[] = {{&mainTable_, &plan.main},
                                                                                  {&interfaceTable_, &plan.iface}};
    for (const auto& [table, rows] : parts) {
        if (rows->isEmpty()) continue;
        // Rows replaced by a load, or another table active now: nothing of that write to read.
        if (tableGeneration_ != plan.generation || ActiveParamTable() != table) continue;
        failures += dtu::VerifyWritten(exchange_, *table, *rows);
    }
    dtu::ReportVerification(status_, failures);
}

// ---------------------------------------------------------------------------------------------
// Finding a lost serial port again

void TForm1::NoteOpenedPort(const QString& port, const QString& baud, const QString& format) {
    lostPort_ = port;
    lostBaud_ = baud;
    lostFormat_ = format;
}

void TForm1::SerialPortLost() {
    ShowPortClosed();
    if (NReconnect->isChecked() && !lostPort_.isEmpty()) ReconnectTimer->start();
}

void TForm1::StopReconnect() { ReconnectTimer->stop(); }

void TForm1::ReconnectTick() {
    if (serial_.IsOpen()) {
        StopReconnect();
        return;
    }
    if (!PortPresent(lostPort_)) return;
    StopReconnect();
    // Exactly what 打开串口 does, with the settings the port had.
    SetPortName(lostPort_);
    SetBaudText(lostBaud_);
    SetFormatText(lostFormat_);
    Button3Click();
    if (serial_.IsOpen()) {
        status_.Log(QStringLiteral("[串口已重新打开]"));
        return;
    }
    // Not ready yet: the port still shows closed and the search goes on.
    ShowPortClosed();
    ReconnectTimer->start();
}

// ---------------------------------------------------------------------------------------------
// Saving the logs

void TForm1::StampLines(QPlainTextEdit* box) {
    QTextDocument* doc = box->document();
    connect(doc, &QTextDocument::contentsChange, this, [this, doc](int position, int, int added) {
        const QTextBlock last = doc->findBlock(position + added);
        for (QTextBlock b = doc->findBlock(position); b.isValid(); b = b.next()) {
            if (!b.userData()) b.setUserData(new LineTime(Now()));
            if (b == last) break;
        }
    });
}

void TForm1::SaveLogClick() {
    Guarded([this] {
        const QString path = prompter_->SaveFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        const std::pair<QString, QPlainTextEdit*> sections[] = {{QStringLiteral("日志"), Memo1},
                                                                {QStringLiteral("控制模式测试"), Memo4},
                                                                {QStringLiteral("透明传输测试"), Memo2}};
        QString text;
        for (const auto& [title, box] : sections) {
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
            prompter_->Message(QStringLiteral("无法写入文件 %1: %2").arg(path, error));
            return;
        }
        status_.SetResult(QStringLiteral("[日志已保存：") + path + QLatin1Char(']'));
    });
}

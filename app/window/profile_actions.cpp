#include "app/window/profile_actions.h"

#include "app/window/comm_page.h"
#include "app/window/param_pages.h"
#include "app/window/paramtablemodel.h"
#include "app/window/tform1.h"
#include "config/profile.h"
#include "params/rows.h"
#include "params/changes.h"

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

ProfileActions::ProfileActions(TForm1& form) : QObject(&form), form_(form) {
    auto add = [this](const QString& text, const QString& name, QAction* before) {
        auto* a = new QAction(text, form_.N2);
        a->setObjectName(name);
        form_.N2->insertAction(before, a);
        return a;
    };
    form_.NSaveProfile = add(QStringLiteral("保存参数文件"), QStringLiteral("NSaveProfile"), form_.N7);
    form_.NCompare = add(QStringLiteral("对比参数文件"), QStringLiteral("NCompare"), form_.N7);
    form_.N2->addSeparator();
    form_.NVerify = add(QStringLiteral("写入后回读校验"), QStringLiteral("NVerify"), nullptr);
    form_.NReconnect = add(QStringLiteral("串口断开后自动重连"), QStringLiteral("NReconnect"), nullptr);
    form_.N2->addSeparator();
    form_.NSaveLog = add(QStringLiteral("保存日志"), QStringLiteral("NSaveLog"), nullptr);
    for (QAction* a : {form_.NVerify, form_.NReconnect}) a->setCheckable(true);
    connect(form_.NSaveProfile, &QAction::triggered, this, &ProfileActions::SaveProfileClick);
    connect(form_.NCompare, &QAction::triggered, this, &ProfileActions::CompareProfileClick);
    connect(form_.NSaveLog, &QAction::triggered, this, &ProfileActions::SaveLogClick);
    connect(form_.NVerify, &QAction::toggled, this, [](bool on) { Remembered().setValue(kVerifyKey, on); });
    connect(form_.NReconnect, &QAction::toggled, this, [this](bool on) {
        Remembered().setValue(kReconnectKey, on);
        if (!on) StopReconnect();
    });

    form_.ReconnectTimer = new QTimer(this);
    form_.ReconnectTimer->setObjectName(QStringLiteral("ReconnectTimer"));
    form_.ReconnectTimer->setInterval(kReconnectIntervalMs);
    connect(form_.ReconnectTimer, &QTimer::timeout, this, &ProfileActions::ReconnectTick);

    // The filter boxes: left of 读取/设置 on the main page, left of the buttons on the interface page.
    form_.ChangedOnly1 = ChangedOnlyBox(QStringLiteral("ChangedOnly1"));
    if (auto* l = qobject_cast<QHBoxLayout*>(form_.Panel2->layout())) l->insertWidget(0, form_.ChangedOnly1);
    form_.ChangedOnly2 = ChangedOnlyBox(QStringLiteral("ChangedOnly2"));
    if (QBoxLayout* l = LayoutHolding(form_.TabSheet4->layout(), form_.Button16)) l->insertWidget(0, form_.ChangedOnly2);
    const std::pair<QTableView*, QCheckBox*> pages[] = {{form_.ListView1, form_.ChangedOnly1}, {form_.ListView2, form_.ChangedOnly2}};
    for (const auto& [view, box] : pages) {
        auto* model = static_cast<ParamTableModel*>(view->model());
        dtu::ParamTable* table = &model->Table();
        auto apply = [this, view, table, box] { ApplyChangedFilter(view, *table, box); };
        connect(box, &QCheckBox::toggled, this, apply);
        auto follow = [apply, box] {
            if (box->isChecked()) apply();
        };
        connect(model, &QAbstractItemModel::dataChanged, this, follow);
        connect(model, &QAbstractItemModel::rowsInserted, this, follow);
        connect(model, &QAbstractItemModel::modelReset, this, follow);
    }

    for (QPlainTextEdit* box : {form_.Memo1, form_.Memo4, form_.Memo2}) StampLines(box);
}

void ProfileActions::LoadRememberedSettings() {
    const QSignalBlocker b1(form_.NVerify), b2(form_.NReconnect);
    form_.NVerify->setChecked(Remembered().value(kVerifyKey, false).toBool());
    form_.NReconnect->setChecked(Remembered().value(kReconnectKey, false).toBool());
}

// ---------------------------------------------------------------------------------------------
// Saving and comparing

void ProfileActions::SaveProfileClick() {
    form_.Guarded([this] {
        const QString path = form_.Prompter().SaveFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        const dtu::ProfileSaveResult r =
            dtu::SaveProfile(dtu::ProfileSource::From(form_.Config()), form_.MainTable(),
                             form_.State().InterfacePagePresent ? &form_.InterfaceTable() : nullptr, path);
        if (!r.ok) {
            form_.Prompter().Message(r.error);
            return;
        }
        form_.Status().Report(QStringLiteral("[参数文件已保存：") + path + QLatin1Char(']'));
    });
}

void ProfileActions::CompareProfileClick() {
    form_.Guarded([this] {
        const QString path = form_.Prompter().OpenFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        form_.Params().Editor().HideEditors(); // an open editor would show the value before the comparison
        const dtu::CompareResult r =
            dtu::CompareWithFile(form_.Script(), form_.State(), form_.MainTable(),
                                 form_.State().InterfacePagePresent ? &form_.InterfaceTable() : nullptr, path);
        dtu::ReportComparison(r, form_.Status());
        if (!r.ok) form_.Prompter().Message(r.error);
    });
}

void ProfileActions::ApplyChangedFilter(QTableView* view, dtu::ParamTable& table, const QCheckBox* box) {
    const bool only = box->isChecked();
    for (int i = 0; i < table.Count(); ++i) {
        const QString& number = table.Row(i)[dtu::FieldNumber];
        const bool changed = dtu::InChangedList(form_.State().ChangedParamList, number);
        view->setRowHidden(i, only && !changed);
    }
}

// ---------------------------------------------------------------------------------------------
// Reading back after a write

ProfileActions::VerifyPlan ProfileActions::PlanVerification() {
    VerifyPlan plan;
    if (!form_.NVerify->isChecked()) return plan;
    plan.generation = form_.Params().Generation();
    const QStringList& changed = form_.State().ChangedParamList;
    if (form_.State().CurrentParamChannel == form_.State().MainParamChannel)
        plan.main = dtu::RowsToVerify(form_.State(), form_.MainTable(), changed);
    if (form_.State().CurrentParamChannel == 0) plan.iface = dtu::RowsToVerify(form_.State(), form_.InterfaceTable(), changed);
    return plan;
}

void ProfileActions::RunVerification(const VerifyPlan& plan) {
    if (plan.main.isEmpty() && plan.iface.isEmpty()) return;
    form_.Params().Editor().HideEditors();
    int failures = 0;
    const std::pair<dtu::ParamTable*, const QList<dtu::WrittenValue>*> parts[] = {{&form_.MainTable(), &plan.main},
                                                                                  {&form_.InterfaceTable(), &plan.iface}};
    for (const auto& [table, rows] : parts) {
        if (rows->isEmpty()) continue;
        // Rows replaced by a load, or another table active now: nothing of that write to read.
        if (form_.Params().Generation() != plan.generation || form_.Params().ActiveParamTable() != table) continue;
        failures += dtu::VerifyWritten(form_.Exchange(), *table, *rows);
    }
    dtu::ReportVerification(form_.Status(), failures);
}

// ---------------------------------------------------------------------------------------------
// Finding a lost serial port again

void ProfileActions::NoteOpenedPort(const QString& port, const QString& baud, const QString& format) {
    lostPort_ = port;
    lostBaud_ = baud;
    lostFormat_ = format;
}

void ProfileActions::SerialPortLost() {
    form_.Comm().ShowPortClosed();
    if (form_.NReconnect->isChecked() && !lostPort_.isEmpty()) form_.ReconnectTimer->start();
}

void ProfileActions::StopReconnect() { form_.ReconnectTimer->stop(); }

void ProfileActions::ReconnectTick() {
    if (form_.Serial().IsOpen()) {
        StopReconnect();
        return;
    }
    if (!PortPresent(lostPort_)) return;
    StopReconnect();
    // Exactly what 打开串口 does, with the settings the port had.
    form_.SetPortName(lostPort_);
    form_.SetBaudText(lostBaud_);
    form_.SetFormatText(lostFormat_);
    form_.Comm().Button3Click();
    if (form_.Serial().IsOpen()) {
        form_.Status().Log(QStringLiteral("[串口已重新打开]"));
        return;
    }
    // Not ready yet: the port still shows closed and the search goes on.
    form_.Comm().ShowPortClosed();
    form_.ReconnectTimer->start();
}

// ---------------------------------------------------------------------------------------------
// Saving the logs

void ProfileActions::StampLines(QPlainTextEdit* box) {
    QTextDocument* doc = box->document();
    connect(doc, &QTextDocument::contentsChange, this, [this, doc](int position, int, int added) {
        const QTextBlock last = doc->findBlock(position + added);
        for (QTextBlock b = doc->findBlock(position); b.isValid(); b = b.next()) {
            if (!b.userData()) b.setUserData(new LineTime(form_.Now()));
            if (b == last) break;
        }
    });
}

void ProfileActions::SaveLogClick() {
    form_.Guarded([this] {
        const QString path = form_.Prompter().SaveFile(QDir::currentPath(), QStringLiteral("*.txt"), QStringLiteral("txt"));
        if (path.isEmpty()) return;
        const std::pair<QString, QPlainTextEdit*> sections[] = {{QStringLiteral("日志"), form_.Memo1},
                                                                {QStringLiteral("控制模式测试"), form_.Memo4},
                                                                {QStringLiteral("透明传输测试"), form_.Memo2}};
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
            form_.Prompter().Message(QStringLiteral("无法写入文件 %1: %2").arg(path, error));
            return;
        }
        form_.Status().SetResult(QStringLiteral("[日志已保存：") + path + QLatin1Char(']'));
    });
}

#include "app/window/control_page.h"

#include "app/window/devicecommands.h"
#include "app/window/pagehost.h"
#include "app/window/signalgraph.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"
#include "protocol/signalpoll.h"
#include "session/session.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using kit::Named;

ControlPage::ControlPage(PageHost& host, QObject* parent) : QObject(parent), host_(host) {
    page_ = Named(new QWidget, QStringLiteral("TabSheet3"));
    QVBoxLayout* page = kit::PageLayout(page_);
    page->addWidget(kit::Banner(QStringLiteral("Image3")));

    auto* group = Named(new QGroupBox(QStringLiteral("DTU状态访问")), QStringLiteral("GroupBox4"));
    auto* buttons = new QHBoxLayout(group);
    status_ = kit::Button(QStringLiteral("Button9"), QStringLiteral("读DTU状态"), group);
    status_->setEnabled(false);
    signal_ = kit::Button(QStringLiteral("Button6"), QStringLiteral("读取信号强度"), group);
    auto* version = kit::Button(QStringLiteral("Button14"), QStringLiteral("查询DTU版本号"), group);
    auto* readClock = kit::Button(QStringLiteral("Button19"), QStringLiteral("读取设备时钟"), group);
    auto* setClock = kit::Button(QStringLiteral("Button20"), QStringLiteral("设置设备时钟"), group);
    for (QPushButton* b : {status_, signal_, version, readClock, setClock})
        buttons->addWidget(b);
    poll_ = Named(new QCheckBox(QStringLiteral("连续读取信号")), QStringLiteral("CheckBox3"));
    poll_->setToolTip(QStringLiteral("每2秒读取一次信号强度，显示最近10分钟"));
    buttons->insertWidget(buttons->indexOf(signal_) + 1, poll_);
    buttons->addStretch(1);
    page->addWidget(group);
    graph_ = new dtu::SignalGraph;
    page->addWidget(graph_);

    auto* shown = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox5"));
    auto* box = new QVBoxLayout(shown);
    dialog_ = new kit::TextBox(QStringLiteral("Memo4"), true, shown);
    box->addWidget(dialog_);
    page->addWidget(shown, 1);

    connect(signal_, &QPushButton::clicked, this, &ControlPage::ReadSignal);
    connect(version, &QPushButton::clicked, this, &ControlPage::ReadVersion);
    connect(readClock, &QPushButton::clicked, this, &ControlPage::ReadClock);
    connect(setClock, &QPushButton::clicked, this, &ControlPage::SetClock);
    connect(poll_, &QCheckBox::clicked, this, &ControlPage::ToggleSignalPoll);
    connect(&host_.SignalPoll(), &dtu::SignalPoll::Sampled, this, &ControlPage::SignalSampled);
    connect(&host_.SignalPoll(), &dtu::SignalPoll::ChannelClosed, this, [this] { poll_->setChecked(false); });
}

void ControlPage::ToggleSignalPoll() {
    if (!poll_->isChecked()) {
        host_.SignalPoll().Stop();
        return;
    }
    if (!host_.Session().Channel().IsOpen()) {
        poll_->setChecked(false);
        host_.Prompter().Message(dtu::ChannelClosedText());
        return;
    }
    host_.SignalPoll().Start();
}

void ControlPage::SignalSampled() {
    graph_->Show(host_.SignalPoll().History(), host_.SignalPoll().NowMs());
}

void ControlPage::StopSignalPoll() {
    host_.SignalPoll().Stop();
    host_.SignalPoll().DropDeferred();
    poll_->setChecked(false);
}

void ControlPage::ShowSignalControls(bool shown) {
    signal_->setVisible(shown);
    poll_->setVisible(shown);
    if (shown) return;
    host_.SignalPoll().Stop();
    poll_->setChecked(false);
}

void ControlPage::Activated() {
    status_->setEnabled(false);
}

void ControlPage::ReadSignal() {
    host_.Guarded([this] { devicecommands::ShowSignal(host_); });
}

void ControlPage::ReadVersion() {
    host_.Guarded([this] { devicecommands::ShowVersion(host_); });
}

void ControlPage::ReadClock() {
    host_.Guarded([this] { devicecommands::ShowClock(host_); });
}

void ControlPage::SetClock() {
    host_.Guarded([this] { devicecommands::SetClockNow(host_); });
}

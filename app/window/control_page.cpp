#include "app/window/control_page.h"

#include "app/window/signalgraph.h"
#include "app/window/tform1.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using kit::Named;

ControlPage::ControlPage(TForm1& form) : QObject(&form), form_(form) {
    TForm1& f = form_;
    page_ = f.TabSheet3 = Named(new QWidget, QStringLiteral("TabSheet3"));
    QVBoxLayout* page = kit::PageLayout(page_);
    f.Image3 = kit::Banner(QStringLiteral("Image3"));
    page->addWidget(f.Image3);

    f.GroupBox4 = Named(new QGroupBox(QStringLiteral("DTU状态访问")), QStringLiteral("GroupBox4"));
    auto* buttons = new QHBoxLayout(f.GroupBox4);
    f.Button9 = kit::Button(QStringLiteral("Button9"), QStringLiteral("读DTU状态"), f.GroupBox4);
    f.Button9->setEnabled(false);
    f.Button6 = kit::Button(QStringLiteral("Button6"), QStringLiteral("读取信号强度"), f.GroupBox4);
    f.Button14 = kit::Button(QStringLiteral("Button14"), QStringLiteral("查询DTU版本号"), f.GroupBox4);
    f.Button19 = kit::Button(QStringLiteral("Button19"), QStringLiteral("读取设备时钟"), f.GroupBox4);
    f.Button20 = kit::Button(QStringLiteral("Button20"), QStringLiteral("设置设备时钟"), f.GroupBox4);
    for (QPushButton* b : {f.Button9, f.Button6, f.Button14, f.Button19, f.Button20})
        buttons->addWidget(b);
    f.CheckBox3 = Named(new QCheckBox(QStringLiteral("连续读取信号")), QStringLiteral("CheckBox3"));
    f.CheckBox3->setToolTip(QStringLiteral("每2秒读取一次信号强度，显示最近10分钟"));
    buttons->insertWidget(buttons->indexOf(f.Button6) + 1, f.CheckBox3);
    buttons->addStretch(1);
    page->addWidget(f.GroupBox4);
    f.SignalGraph1 = new dtu::SignalGraph;
    page->addWidget(f.SignalGraph1);

    f.GroupBox5 = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox5"));
    auto* shown = new QVBoxLayout(f.GroupBox5);
    f.Memo4 = new kit::TextBox(QStringLiteral("Memo4"), true, f.GroupBox5);
    shown->addWidget(f.Memo4);
    page->addWidget(f.GroupBox5, 1);

    connect(f.Button6, &QPushButton::clicked, this, &ControlPage::Button6Click);
    connect(f.Button14, &QPushButton::clicked, this, &ControlPage::Button14Click);
    connect(f.Button19, &QPushButton::clicked, this, &ControlPage::Button19Click);
    connect(f.Button20, &QPushButton::clicked, this, &ControlPage::Button20Click);
    connect(f.CheckBox3, &QCheckBox::clicked, this, &ControlPage::CheckBox3Click);
    connect(&f.SignalPoll(), &dtu::SignalPoll::Sampled, this, &ControlPage::SignalSampled);
    connect(&f.SignalPoll(), &dtu::SignalPoll::ChannelClosed, this, [&f] { f.CheckBox3->setChecked(false); });
}

void ControlPage::CheckBox3Click() {
    TForm1& f = form_;
    if (!f.CheckBox3->isChecked()) {
        f.SignalPoll().Stop();
        return;
    }
    if (!f.Exchange().Channel().IsOpen()) {
        f.CheckBox3->setChecked(false);
        f.Prompter().Message(dtu::ChannelClosedText());
        return;
    }
    f.SignalPoll().Start();
}

void ControlPage::SignalSampled() {
    form_.SignalGraph1->Show(form_.SignalPoll().History(), form_.SignalPoll().NowMs());
}

void ControlPage::StopSignalPoll() {
    form_.SignalPoll().Stop();
    form_.SignalPoll().DropDeferred();
    if (form_.CheckBox3) form_.CheckBox3->setChecked(false);
}

void ControlPage::ShowSignalControls(bool shown) {
    form_.CheckBox3->setVisible(shown);
    if (shown) return;
    form_.SignalPoll().Stop();
    form_.CheckBox3->setChecked(false);
}

void ControlPage::Button6Click() {
    form_.Guarded([this] { dtu::ShowSignal(form_.Exchange()); });
}

void ControlPage::Button14Click() {
    form_.Guarded([this] { dtu::ShowVersion(form_.Exchange()); });
}

void ControlPage::Button19Click() {
    form_.Guarded([this] { dtu::ShowDeviceClock(form_.Exchange()); });
}

void ControlPage::Button20Click() {
    form_.Guarded([this] { dtu::SetDeviceClockNow(form_.Exchange(), form_.Now); });
}

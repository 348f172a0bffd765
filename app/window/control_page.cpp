#include "app/window/control_page.h"

#include "app/window/tform1.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"

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
    buttons->addStretch(1);
    page->addWidget(f.GroupBox4);

    f.GroupBox5 = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox5"));
    auto* shown = new QVBoxLayout(f.GroupBox5);
    f.Memo4 = new kit::TextBox(QStringLiteral("Memo4"), true, f.GroupBox5);
    shown->addWidget(f.Memo4);
    page->addWidget(f.GroupBox5, 1);

    connect(f.Button6, &QPushButton::clicked, this, &ControlPage::Button6Click);
    connect(f.Button14, &QPushButton::clicked, this, &ControlPage::Button14Click);
    connect(f.Button19, &QPushButton::clicked, this, &ControlPage::Button19Click);
    connect(f.Button20, &QPushButton::clicked, this, &ControlPage::Button20Click);
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

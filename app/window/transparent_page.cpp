#include "app/window/transparent_page.h"

#include "app/window/pagehost.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"
#include "protocol/transparent.h"
#include "session/session.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

using kit::Named;

TransparentPage::TransparentPage(PageHost& host, QObject* parent) : QObject(parent), host_(host) {
    page_ = Named(new QWidget, QStringLiteral("TabSheet2"));
    QVBoxLayout* page = kit::PageLayout(page_);
    page->addWidget(kit::Banner(QStringLiteral("Image2")));

    auto* shownGroup = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox3"));
    auto* shown = new QVBoxLayout(shownGroup);
    dialog_ = new kit::TextBox(QStringLiteral("Memo2"), true, shownGroup);
    shown->addWidget(dialog_);
    page->addWidget(shownGroup, 3);

    inputGroup_ = Named(new QGroupBox(QStringLiteral("文字输入窗口")), QStringLiteral("GroupBox1"));
    auto* input = new QVBoxLayout(inputGroup_);
    auto* memo3 = new kit::InputBox(QStringLiteral("Memo3"), false, inputGroup_);
    memo3->hexMode = [this] { return hex_->isChecked(); };
    input_ = memo3;
    input->addWidget(input_, 1);
    auto* controls = new QHBoxLayout;
    controls->addWidget(
        Named(new QLabel(QStringLiteral("重复发送次数       "), inputGroup_), QStringLiteral("Label1")));
    repeat_ =
        new kit::FixedChoiceBox(QStringLiteral("ComboBox2"),
                                {QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("50"),
                                 QStringLiteral("100"), QStringLiteral("1000"), QStringLiteral("10000")},
                                QStringLiteral("1"), inputGroup_);
    controls->addWidget(repeat_);
    controls->addSpacing(12);
    auto* send = kit::Button(QStringLiteral("Button8"), QStringLiteral("发送数据"), inputGroup_);
    controls->addWidget(send);
    controls->addSpacing(12);
    hex_ = Named(new QCheckBox(QStringLiteral(" 显示十六进制值     "), inputGroup_),
                 QStringLiteral("CheckBox2"));
    hex_->setChecked(false);
    controls->addWidget(hex_);
    controls->addStretch(1);
    auto* clear = kit::Button(QStringLiteral("Button7"), QStringLiteral("统计清零"), inputGroup_);
    controls->addWidget(clear);
    input->addLayout(controls);
    page->addWidget(inputGroup_, 2);

    auto* bar = Named(new QStatusBar, QStringLiteral("StatusBar2"));
    bar->setSizeGripEnabled(false);
    counters_ = Named(new QLabel, QStringLiteral("StatusBar2Panel0"));
    counters_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(counters_, 1);
    page->addWidget(bar);

    connect(send, &QPushButton::clicked, this, &TransparentPage::SendData);
    connect(clear, &QPushButton::clicked, this, &TransparentPage::ClearCounters);
    connect(hex_, &QCheckBox::clicked, this, &TransparentPage::ShowInputMode);
}

void TransparentPage::ShowReceived() {
    dtu::Session& s = host_.Session();
    dtu::ReceiveDisplay display{s.State(),
                                host_.Status(),
                                s.Lines(),
                                [this] { return hex_->isChecked(); },
                                dtu::TimeText,
                                [this, &s] {
                                    // A read error closes the port; the window says so.
                                    s.Serial().Close();
                                    emit PortFailed();
                                },
                                [this](const QString& text) { counters_->setText(text); }};
    display.Tick(s.Channel());
}

void TransparentPage::ShowInputMode() {
    inputGroup_->setTitle(hex_->isChecked() ? QStringLiteral("文字输入窗口[HEX模式]")
                                            : QStringLiteral("文字输入窗口(文本模式)"));
}

void TransparentPage::SendData() {
    host_.Guarded([this] {
        dtu::Session& s = host_.Session();
        if (!s.Channel().IsOpen()) {
            host_.Prompter().Message(dtu::ChannelClosedText());
            return;
        }
        const bool hex = hex_->isChecked();
        const QString text = input_->toPlainText();
        const QByteArray data = hex ? dtu::HexInputBytes(text) : dtu::TextInputBytes(text);
        if (data.isEmpty()) return;
        const QString countText = repeat_->currentText();
        dtu::RepeatSend(s.Exchanger(), data, countText.toInt(), [] { QCoreApplication::processEvents(); });
        host_.Status().Transparent(dtu::SendLine(dtu::TimeText(), data, hex, countText));
        input_->clear();
    });
}

void TransparentPage::ClearCounters() {
    host_.Session().State().SentBytes = 0;
    host_.Session().State().ReceivedBytes = 0;
}

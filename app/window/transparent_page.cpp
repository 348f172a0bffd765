#include "app/window/transparent_page.h"

#include "app/window/comm_page.h"
#include "app/window/profile_actions.h"
#include "app/window/tform1.h"
#include "app/window/widgetkit.h"
#include "protocol/commands.h"
#include "protocol/transparent.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

using kit::Named;

TransparentPage::TransparentPage(TForm1& form) : QObject(&form), form_(form) {
    TForm1& f = form_;
    page_ = f.TabSheet2 = Named(new QWidget, QStringLiteral("TabSheet2"));
    QVBoxLayout* page = kit::PageLayout(page_);
    f.Image2 = kit::Banner(QStringLiteral("Image2"));
    page->addWidget(f.Image2);

    f.GroupBox3 = Named(new QGroupBox(QStringLiteral("对话显示窗口")), QStringLiteral("GroupBox3"));
    auto* shown = new QVBoxLayout(f.GroupBox3);
    f.Memo2 = new kit::TextBox(QStringLiteral("Memo2"), true, f.GroupBox3);
    shown->addWidget(f.Memo2);
    page->addWidget(f.GroupBox3, 3);

    f.GroupBox1 = Named(new QGroupBox(QStringLiteral("文字输入窗口")), QStringLiteral("GroupBox1"));
    auto* input = new QVBoxLayout(f.GroupBox1);
    auto* memo3 = new kit::InputBox(QStringLiteral("Memo3"), false, f.GroupBox1);
    memo3->hexMode = [this] { return form_.CheckBox2->isChecked(); };
    f.Memo3 = memo3;
    input->addWidget(f.Memo3, 1);
    auto* controls = new QHBoxLayout;
    f.Label1 = Named(new QLabel(QStringLiteral("重复发送次数       "), f.GroupBox1), QStringLiteral("Label1"));
    controls->addWidget(f.Label1);
    f.ComboBox2 = new kit::FixedChoiceBox(QStringLiteral("ComboBox2"),
                                          {QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("50"),
                                           QStringLiteral("100"), QStringLiteral("1000"), QStringLiteral("10000")},
                                          QStringLiteral("1"), f.GroupBox1);
    controls->addWidget(f.ComboBox2);
    controls->addSpacing(12);
    f.Button8 = kit::Button(QStringLiteral("Button8"), QStringLiteral("发送数据"), f.GroupBox1);
    controls->addWidget(f.Button8);
    controls->addSpacing(12);
    f.CheckBox2 =
        Named(new QCheckBox(QStringLiteral(" 显示十六进制值     "), f.GroupBox1), QStringLiteral("CheckBox2"));
    f.CheckBox2->setChecked(false);
    controls->addWidget(f.CheckBox2);
    controls->addStretch(1);
    f.Button7 = kit::Button(QStringLiteral("Button7"), QStringLiteral("统计清零"), f.GroupBox1);
    controls->addWidget(f.Button7);
    input->addLayout(controls);
    page->addWidget(f.GroupBox1, 2);

    f.StatusBar2 = Named(new QStatusBar, QStringLiteral("StatusBar2"));
    f.StatusBar2->setSizeGripEnabled(false);
    f.StatusBar2Panel0 = Named(new QLabel, QStringLiteral("StatusBar2Panel0"));
    f.StatusBar2Panel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f.StatusBar2->addWidget(f.StatusBar2Panel0, 1);
    page->addWidget(f.StatusBar2);

    connect(f.Button8, &QPushButton::clicked, this, &TransparentPage::Button8Click);
    connect(f.Button7, &QPushButton::clicked, this, &TransparentPage::Button7Click);
    connect(f.CheckBox2, &QCheckBox::clicked, this, &TransparentPage::CheckBox2Click);
}

void TransparentPage::ShowReceived() {
    TForm1& f = form_;
    dtu::ReceiveDisplay display{f.State(),
                                f.Status(),
                                f.Session().Lines(),
                                [&f] { return f.CheckBox2->isChecked(); },
                                dtu::TimeText,
                                [&f] {
                                    // A read error closes the port; the window says so.
                                    f.Serial().Close();
                                    f.Profile().SerialPortLost();
                                },
                                [&f](const QString& text) { f.StatusBar2Panel0->setText(text); }};
    display.Tick(f.Exchange().Channel());
}

void TransparentPage::CheckBox2Click() {
    form_.GroupBox1->setTitle(form_.CheckBox2->isChecked() ? QStringLiteral("文字输入窗口[HEX模式]")
                                                           : QStringLiteral("文字输入窗口(文本模式)"));
}

void TransparentPage::Button8Click() {
    TForm1& f = form_;
    f.Guarded([&f] {
        if (!f.Exchange().Channel().IsOpen()) {
            f.Prompter().Message(dtu::ChannelClosedText());
            return;
        }
        const bool hex = f.CheckBox2->isChecked();
        const QString text = f.Memo3->toPlainText();
        const QByteArray data = hex ? dtu::HexInputBytes(text) : dtu::TextInputBytes(text);
        if (data.isEmpty()) return;
        const QString countText = f.ComboBox2->currentText();
        dtu::RepeatSend(f.Exchange(), data, countText.toInt(), [] { QCoreApplication::processEvents(); });
        f.Status().Transparent(dtu::SendLine(dtu::TimeText(), data, hex, countText));
        f.Memo3->clear();
    });
}

void TransparentPage::Button7Click() {
    form_.State().SentBytes = 0;
    form_.State().ReceivedBytes = 0;
}

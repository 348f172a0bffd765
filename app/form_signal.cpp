// The main window's continuous signal reading: the check box beside the signal button, the
// graph below the control page's buttons, and the poll behind them.
#include "app/tform1.h"

#include "app/signalgraph.h"
#include "protocol/commands.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QPushButton>

void TForm1::BuildSignalGraph(QBoxLayout* buttons, QBoxLayout* page) {
    CheckBox3 = new QCheckBox(QStringLiteral("连续读取信号"));
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox3->setToolTip(QStringLiteral("每2秒读取一次信号强度，显示最近10分钟"));
    buttons->insertWidget(buttons->indexOf(Button6) + 1, CheckBox3);
    SignalGraph1 = new dtu::SignalGraph;
    page->addWidget(SignalGraph1);
}

void TForm1::WireSignal() {
    connect(CheckBox3, &QCheckBox::clicked, this, &TForm1::CheckBox3Click);
    connect(&signalPoll_, &dtu::SignalPoll::Sampled, this, &TForm1::SignalSampled);
    connect(&signalPoll_, &dtu::SignalPoll::ChannelClosed, this, &TForm1::SignalChannelClosed);
}

void TForm1::CheckBox3Click() {
    if (!CheckBox3->isChecked()) {
        signalPoll_.Stop();
        return;
    }
    if (!exchange_.Channel().IsOpen()) {
        CheckBox3->setChecked(false);
        prompter_->Message(QString::fromUtf8(dtu::kChannelClosedText));
        return;
    }
    signalPoll_.Start();
}

void TForm1::SignalSampled() { SignalGraph1->Show(signalPoll_.History(), signalPoll_.NowMs()); }

void TForm1::SignalChannelClosed() { CheckBox3->setChecked(false); }

void TForm1::StopSignalPoll() {
    signalPoll_.Stop();
    signalPoll_.DropDeferred();
    if (CheckBox3) CheckBox3->setChecked(false);
}

void TForm1::ShowSignalControls(bool shown) {
    CheckBox3->setVisible(shown);
    if (shown) return;
    signalPoll_.Stop();
    CheckBox3->setChecked(false);
}

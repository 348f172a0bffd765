#pragma once
// Page "控制模式测试": signal quality, version and the device clock, with their dialogue box.
#include <QObject>

class PageHost;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace dtu {
class SignalGraph;
}

class ControlPage : public QObject {
    Q_OBJECT
public:
    ControlPage(PageHost& host, QObject* parent);
    QWidget* Widget() const { return page_; }
    // The dialogue box (Memo4).
    QPlainTextEdit* DialogBox() const { return dialog_; }

    // Shows or hides the signal button and its continuous-reading box; hiding stops the poll.
    void ShowSignalControls(bool shown);
    void StopSignalPoll();
    // The window became active.
    void Activated();

public slots:
    // 连续读取信号.
    void ToggleSignalPoll();
    void ReadSignal();  // 读取信号强度
    void ReadVersion(); // 查询DTU版本号
    void ReadClock();   // 读取设备时钟
    void SetClock();    // 设置设备时钟

private:
    void SignalSampled();
    PageHost& host_;
    QWidget* page_ = nullptr;
    QPushButton *status_ = nullptr, *signal_ = nullptr;
    QCheckBox* poll_ = nullptr;
    dtu::SignalGraph* graph_ = nullptr;
    QPlainTextEdit* dialog_ = nullptr;
};

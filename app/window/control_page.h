#pragma once
// Page "控制模式测试": signal quality, version and the device clock, with their dialogue box.
#include <QObject>

class QWidget;
class TForm1;

class ControlPage : public QObject {
    Q_OBJECT
public:
    explicit ControlPage(TForm1& form);
    QWidget* Widget() const { return page_; }

    // Shows or hides the continuous-reading box with the signal button; hiding it stops the poll.
    void ShowSignalControls(bool shown);
    void StopSignalPoll();

public slots:
    // 连续读取信号.
    void CheckBox3Click();
    void Button6Click();  // 读取信号强度
    void Button14Click(); // 查询DTU版本号
    void Button19Click(); // 读取设备时钟
    void Button20Click(); // 设置设备时钟

private:
    void SignalSampled();
    TForm1& form_;
    QWidget* page_ = nullptr;
};

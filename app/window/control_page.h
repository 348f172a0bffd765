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

public slots:
    void Button6Click();  // 读取信号强度
    void Button14Click(); // 查询DTU版本号
    void Button19Click(); // 读取设备时钟
    void Button20Click(); // 设置设备时钟

private:
    TForm1& form_;
    QWidget* page_ = nullptr;
};

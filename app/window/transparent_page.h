#pragma once
// Page "  透明传输测试  ": the dialogue box of received and sent data, the input box, the repeat
// count and the byte counters.
#include <QObject>

class QWidget;
class TForm1;

class TransparentPage : public QObject {
    Q_OBJECT
public:
    explicit TransparentPage(TForm1& form);
    QWidget* Widget() const { return page_; }
    // One tick of the receive display (Timer1): received bytes into the dialogue box, counters.
    void ShowReceived();

public slots:
    // 发送数据.
    void Button8Click();
    // 统计清零.
    void Button7Click();
    // 显示十六进制值.
    void CheckBox2Click();

private:
    TForm1& form_;
    QWidget* page_ = nullptr;
};

#pragma once
// Page "  透明传输测试  ": the dialogue box of received and sent data, the input box, the repeat
// count and the byte counters.
#include <QObject>

class PageHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QWidget;

class TransparentPage : public QObject {
    Q_OBJECT
public:
    TransparentPage(PageHost& host, QObject* parent);
    QWidget* Widget() const { return page_; }
    // The dialogue box (Memo2).
    QPlainTextEdit* DialogBox() const { return dialog_; }
    // One tick of the receive display (Timer1): received bytes into the dialogue box, counters.
    void ShowReceived();

signals:
    // A read error closed the serial port.
    void PortFailed();

public slots:
    // 发送数据.
    void SendData();
    // 统计清零.
    void ClearCounters();
    // 显示十六进制值.
    void ShowInputMode();

private:
    PageHost& host_;
    QWidget* page_ = nullptr;
    QGroupBox* inputGroup_ = nullptr;
    QPlainTextEdit *dialog_ = nullptr, *input_ = nullptr;
    QComboBox* repeat_ = nullptr;
    QCheckBox* hex_ = nullptr;
    QLabel* counters_ = nullptr;
};

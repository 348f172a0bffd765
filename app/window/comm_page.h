#pragma once
// Page "   通信参数设置   ": the main parameter list, the serial group with the port button, the
// TCP maintenance group and the read/write panel.
#include <QObject>
#include <map>

class QComboBox;
class QWidget;
class TForm1;

class CommPage : public QObject {
    Q_OBJECT
public:
    explicit CommPage(TForm1& form);
    QWidget* Widget() const { return page_; }
    // Background of the serial group and the read/write panel: port open or closed.
    void SetPortColours(bool open);
    void ShowPortClosed();
    // Remembers a fixed-choice box's current entry, so that only a new choice opens/closes the port.
    void NoteChoice(QComboBox* box);

public slots:
    // 打开串口 / 关闭串口 clicked (or a new port setting chosen): ends a search for a lost port,
    // then toggles the port.
    void Button3Click();
    // Opens the port with the boxes' settings, or closes it when open.
    void TogglePort();
    // 连接 / 断开 of the TCP maintenance link.
    void Button15Click();
    void Button18Click();

private:
    void Build();
    void Wire();
    void ChoiceMade(QComboBox* box, int index);

    TForm1& form_;
    QWidget* page_ = nullptr;
    std::map<QComboBox*, int> lastChoice_;
};

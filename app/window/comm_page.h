#pragma once
// Page "   通信参数设置   ": the main parameter list, the serial group with the port button, the
// TCP maintenance group and the read/write panel. It also finds a lost serial port again.
#include <QObject>
#include <map>

class PageHost;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class QWidget;

class CommPage : public QObject {
    Q_OBJECT
public:
    CommPage(PageHost& host, QObject* parent);
    QWidget* Widget() const { return page_; }
    // The main parameter list (ListView1), for the parameter pages.
    QTableView* List() const { return list_; }
    // Background of the serial group and the read/write panel: port open or closed.
    void SetPortColours(bool open);
    void ShowPortClosed();
    // What a configuration load puts in the serial and TCP groups.
    void SetPortName(const QString& text);
    void SetBaudText(const QString& text);
    void SetFormatText(const QString& text);
    void ShowTcpGroup(bool shown, const QString& address);
    // The window became active.
    void Activated();

signals:
    // 读取 / 设置 of the read/write panel.
    void ReadRequested();
    void WriteRequested();
    // The port panel of the status bar.
    void PortStatus(const QString& text);

public slots:
    // 打开串口 / 关闭串口 clicked (or a new port setting chosen): ends a search for a lost port,
    // then toggles the port.
    void PortButtonClicked();
    // Opens the port with the boxes' settings, or closes it when open.
    void TogglePort();
    // 连接 / 断开 of the TCP maintenance link.
    void ConnectTcp();
    void DisconnectTcp();
    // The serial port went away without the user closing it.
    void SerialPortLost();
    // 串口断开后自动重连 ticked or not; off ends a search.
    void SetReconnect(bool on);

private:
    void Build();
    QWidget* BuildSerialGroup();
    QWidget* BuildTcpGroup();
    void Wire();
    void ChoiceMade(QComboBox* box, int index);
    // Remembers a fixed-choice box's current entry, so that only a new choice opens/closes the port.
    void NoteChoice(QComboBox* box);
    // One look for the lost port (ReconnectTimer).
    void ReconnectTick();
    // Stops the search and forgets the lost port until the user opens one.
    void EndReconnect();
    void PortOpened(const QString& port, const QString& baud, const QString& format);

    PageHost& host_;
    QWidget* page_ = nullptr;
    QTableView* list_ = nullptr;
    QGroupBox *serialGroup_ = nullptr, *tcpGroup_ = nullptr;
    QComboBox *port_ = nullptr, *baud_ = nullptr, *format_ = nullptr;
    QPushButton *portButton_ = nullptr, *connect_ = nullptr, *disconnect_ = nullptr;
    QPushButton *read_ = nullptr, *write_ = nullptr;
    QLineEdit* tcpAddress_ = nullptr;
    QLabel* tcpState_ = nullptr;
    QFrame* panel_ = nullptr;
    std::map<QComboBox*, int> lastChoice_;
    // Finding a lost port: the settings it was opened with, the search's timer.
    bool reconnect_ = false;
    QString lostPort_, lostBaud_, lostFormat_;
    QTimer* reconnectTimer_ = nullptr;
};

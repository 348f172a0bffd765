#pragma once
// The main window's widgets by their object names. The pages create and own them; the window
// publishes them here so that its frame, its pages and its tests reach each one by name.
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class QWidget;

namespace dtu {
class SignalGraph;
}

struct Form1Widgets {
    QTabWidget* PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr, *TabSheet4 = nullptr;
    QLabel *Image1 = nullptr, *Image2 = nullptr, *Image3 = nullptr, *Image4 = nullptr;
    // Communication parameters.
    QTableView* ListView1 = nullptr;
    QLineEdit* GEdit = nullptr;
    QComboBox* GComboBox = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* Edit1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox6 = nullptr;
    QPushButton* Button3 = nullptr;
    QGroupBox* GroupBox16 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QPushButton *Button15 = nullptr, *Button18 = nullptr;
    QLabel* Label10 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton *btRead = nullptr, *btWrite = nullptr;
    // Transparent test.
    QGroupBox *GroupBox3 = nullptr, *GroupBox1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr, *Memo3 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton *Button8 = nullptr, *Button7 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QStatusBar* StatusBar2 = nullptr;
    QLabel* StatusBar2Panel0 = nullptr;
    // Control mode.
    QGroupBox *GroupBox4 = nullptr, *GroupBox5 = nullptr;
    QPushButton *Button9 = nullptr, *Button6 = nullptr, *Button14 = nullptr, *Button19 = nullptr,
                *Button20 = nullptr;
    QPlainTextEdit* Memo4 = nullptr;
    // "连续读取信号" beside "读取信号强度", and the graph below the buttons.
    QCheckBox* CheckBox3 = nullptr;
    dtu::SignalGraph* SignalGraph1 = nullptr;
    // Interface parameters.
    QTableView* ListView2 = nullptr;
    QPushButton *Button16 = nullptr, *Button17 = nullptr;
    // Below the pages.
    QSplitter* Splitter1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLineEdit* MaskEdit3 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusBar1Panel[4] = {};
    // Menu.
    QAction *N1 = nullptr, *N6 = nullptr, *N5 = nullptr, *N7 = nullptr;
    QMenu* N2 = nullptr;
    // 保存参数文件, 对比参数文件, 保存日志; the checkable 写入后回读校验 and 串口断开后自动重连.
    QAction *NSaveProfile = nullptr, *NCompare = nullptr, *NVerify = nullptr, *NReconnect = nullptr,
            *NSaveLog = nullptr;
    // "只显示已修改项" on the main and on the interface page.
    QCheckBox *ChangedOnly1 = nullptr, *ChangedOnly2 = nullptr;
    // Looks for a lost serial port once a second.
    QTimer* ReconnectTimer = nullptr;
    // Timers: Timer1 shows received bytes (held stopped while a reply wait runs), Timer2 is the
    // 10 ms tick, Timer3 fires once after start-up.
    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr;
};

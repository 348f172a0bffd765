#pragma once
// The menu 文件操作 (N2): loading a configuration, saving the tables as one and comparing them
// with one, the batch write, the remembered switches (写入后回读校验, 串口断开后自动重连,
// 应答完整即结束: replies end with their frame unless the configuration says otherwise) and
// saving the text boxes with the time of each line.
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class PageHost;
class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

class FileMenu : public QObject {
    Q_OBJECT
public:
    FileMenu(PageHost& host, QMenuBar* bar);

    // Ticks the switches as remembered from the last run (at start of the tool).
    void LoadRememberedSettings();
    // A text box 保存日志 writes, under a title; its lines are stamped with their time from now on.
    void KeepLog(const QString& title, QPlainTextEdit* box);

signals:
    // 批量写参数: every parameter of the shown table, from the top.
    void BatchWriteRequested();
    // The tables are about to be compared with a file (an open editor would show an old value).
    void ComparingTables();
    // The state of the switches, when it changes and after LoadRememberedSettings.
    void VerifyAfterWriteChanged(bool on);
    void ReconnectChanged(bool on);

public slots:
    void LoadConfiguration(); // 调入参数文件
    void SaveProfile();       // 保存参数文件
    void CompareProfile();    // 对比参数文件
    void SaveLog();           // 保存日志

private:
    QAction* Add(const QString& text, const QString& name);

    PageHost& host_;
    QMenu* menu_;
    QAction *verify_ = nullptr, *reconnect_ = nullptr, *replyFrame_ = nullptr;
    QList<QPair<QString, QPlainTextEdit*>> logs_;
};

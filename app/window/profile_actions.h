#pragma once
// The window's travelling configurations: saving the tables as a configuration file, comparing
// them with one (and showing only the changed rows), reading back what a write sent, finding a
// lost serial port again, and saving the three text boxes with the time of each line.
#include "params/verify.h"

#include <QList>
#include <QObject>
#include <QString>

class QCheckBox;
class QPlainTextEdit;
class QTableView;
class TForm1;

class ProfileActions : public QObject {
    Q_OBJECT
public:
    explicit ProfileActions(TForm1& form);

    // Ticks NVerify and NReconnect as remembered from the last run (at start of the tool).
    void LoadRememberedSettings();
    // One look for the lost port (ReconnectTimer).
    void ReconnectTick();
    // The serial port went away without the user closing it.
    void SerialPortLost();
    // Stops the search for a lost port (NReconnect unticked).
    void StopReconnect();
    // The user clicked the port button: the search is over, and none starts again before the
    // user has opened a port.
    void EndReconnect();
    // The settings the port was opened with, for a reconnect.
    void NoteOpenedPort(const QString& port, const QString& baud, const QString& format);
    // The rows a write is about to send, when they are to be read back afterwards.
    struct VerifyPlan {
        quint64 generation = 0;
        QList<dtu::WrittenValue> main, iface;
    };
    VerifyPlan PlanVerification();
    void RunVerification(const VerifyPlan& plan);

public slots:
    // 文件操作 → 保存参数文件 / 对比参数文件 / 保存日志.
    void SaveProfileClick();
    void CompareProfileClick();
    void SaveLogClick();

private:
    void ApplyChangedFilter(QTableView* view, dtu::ParamTable& table, const QCheckBox* box);
    void StampLines(QPlainTextEdit* box);

    TForm1& form_;
    QString lostPort_, lostBaud_, lostFormat_;
};

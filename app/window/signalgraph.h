#pragma once
// The signal-quality graph of the control page: the last 10 minutes as a line, 0-31 on the
// value axis, unknown values (99) and failed reads as gaps, and the last value as text beside it.
#include "protocol/signalpoll.h"

#include <QWidget>

class QLabel;
class QChart;
class QChartView;
class QValueAxis;

namespace dtu {

class SignalGraph : public QWidget {
    Q_OBJECT
public:
    explicit SignalGraph(QWidget* parent = nullptr);

    // Draws the history as it stands at nowMs (same clock as the samples).
    void Show(const SignalHistory& history, qint64 nowMs);
    // The text beside the graph for the last value: "CSQ 23", "CSQ 99 (未知)", "读取失败", "--".
    static QString ValueText(const SignalHistory& history);
    QString LastText() const;
    // The drawn lines (one per run of known values), for tests.
    int LineCount() const;

private:
    QChart* chart_;
    QChartView* view_;
    QValueAxis* time_;
    QValueAxis* value_;
    QLabel* last_;
};

} // namespace dtu

#include "app/window/signalgraph.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>

namespace dtu {

SignalGraph::SignalGraph(QWidget* parent)
    : QWidget(parent), chart_(new QChart), view_(new QChartView(chart_, this)), time_(new QValueAxis),
      value_(new QValueAxis), last_(new QLabel(this)) {
    setObjectName(QStringLiteral("SignalGraph1"));
    chart_->legend()->hide();
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    time_->setRange(-10, 0);
    time_->setTickCount(11);
    time_->setLabelFormat(QStringLiteral("%d"));
    time_->setTitleText(QStringLiteral("分钟"));
    value_->setRange(0, 31);
    value_->setTickCount(5); // dynamic ticks of 5 leave no room for the labels
    value_->setLabelFormat(QStringLiteral("%d"));
    value_->setTitleText(QStringLiteral("CSQ"));
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(value_, Qt::AlignLeft);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumHeight(180);

    last_->setObjectName(QStringLiteral("SignalValue"));
    last_->setAlignment(Qt::AlignCenter);
    last_->setMinimumWidth(110);
    QFont big = last_->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    last_->setFont(big);
    last_->setText(QStringLiteral("--"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(view_, 1);
    row->addWidget(last_);
}

QString SignalGraph::ValueText(const SignalHistory& history) {
    if (history.Samples().isEmpty()) return QStringLiteral("--");
    const int v = history.Samples().last().value;
    if (v < 0) return QStringLiteral("读取失败");
    if (!KnownSignal(v)) return QStringLiteral("CSQ %1\n(未知)").arg(v);
    return QStringLiteral("CSQ %1").arg(v);
}

QString SignalGraph::LastText() const { return last_->text(); }

int SignalGraph::LineCount() const { return static_cast<int>(chart_->series().size()); }

void SignalGraph::Show(const SignalHistory& history, qint64 nowMs) {
    // At most 300 samples: drawing the runs afresh is cheaper than keeping series in step.
    chart_->removeAllSeries();
    const QPen pen(QColor(0, 110, 190), 2);
    for (const QList<SignalSample>& run : history.Runs()) {
        auto* line = new QLineSeries;
        line->setPen(pen);
        line->setPointsVisible(run.size() == 1); // a lone value shows as a dot
        for (const SignalSample& s : run) line->append(double(s.ms - nowMs) / 60000.0, s.value);
        chart_->addSeries(line);
        line->attachAxis(time_);
        line->attachAxis(value_);
    }
    last_->setText(ValueText(history));
}

} // namespace dtu

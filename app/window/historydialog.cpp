#include "app/window/historydialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dtu {

HistoryDialog::HistoryDialog(const Journal& journal, const QString& target, QWidget* parent)
    : QDialog(parent), journal_(journal), target_(target) {
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("修改记录"));
    resize(900, 480);
    auto* layout = new QVBoxLayout(this);

    cbAllDevices_ = new QCheckBox(QStringLiteral("所有设备"), this);
    cbAllDevices_->setObjectName(QStringLiteral("cbAllDevices"));
    cbAllDevices_->setChecked(target_.isEmpty());
    cbAllDevices_->setEnabled(!target_.isEmpty());
    layout->addWidget(cbAllDevices_);

    lvHistory_ = new QTableWidget(0, ColCount, this);
    lvHistory_->setObjectName(QStringLiteral("lvHistory"));
    lvHistory_->setHorizontalHeaderLabels(
        {QStringLiteral("时间"), QStringLiteral("用户"), QStringLiteral("设备"), QStringLiteral("参数"),
         QStringLiteral("修改前 → 修改后"), QStringLiteral("结果")});
    lvHistory_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvHistory_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvHistory_->verticalHeader()->hide();
    lvHistory_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(lvHistory_);

    lbJournalWarnings_ = new QLabel(this);
    lbJournalWarnings_->setObjectName(QStringLiteral("lbJournalWarnings"));
    lbJournalWarnings_->setWordWrap(true);
    layout->addWidget(lbJournalWarnings_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(cbAllDevices_, &QCheckBox::toggled, this, &HistoryDialog::Reload);
    Reload();
}

void HistoryDialog::Reload() {
    JournalFilter filter;
    const bool all = cbAllDevices_->isChecked();
    if (!all) filter.target = target_;
    const JournalRead read = journal_.Read(filter);
    lvHistory_->setRowCount(0);
    lvHistory_->setRowCount(static_cast<int>(read.records.size()));
    for (int i = 0; i < read.records.size(); ++i) {
        const JournalRecord& r = read.records.at(i);
        const QString user = r.host.isEmpty() ? r.user : r.user + QLatin1Char('@') + r.host;
        const QStringList cells{r.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), user, r.target,
                                RowText(r), ChangeText(r), OutcomeLine(r)};
        for (int c = 0; c < ColCount; ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setToolTip(QStringLiteral("%1 %2 (%3)").arg(KindText(r.kind), r.operation, r.frontEnd));
            lvHistory_->setItem(i, c, item);
        }
    }
    lvHistory_->setColumnHidden(ColTarget, !all);
    lvHistory_->resizeColumnsToContents();
    lbJournalWarnings_->setText(read.warnings.isEmpty()
                                    ? QString()
                                    : QStringLiteral("%1 条记录损坏，已跳过").arg(read.warnings.size()));
    lbJournalWarnings_->setToolTip(read.warnings.join(QLatin1Char('\n')));
    lbJournalWarnings_->setVisible(!read.warnings.isEmpty());
}

} // namespace dtu

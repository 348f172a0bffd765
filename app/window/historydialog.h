#pragma once
// 修改记录: the journal of changes for the open target, newest first (time, user, row,
// before → after, outcome), or for every device with 所有设备 ticked.
#include "journal/journal.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QTableWidget;

namespace dtu {

class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    // Columns of lvHistory.
    enum Column { ColTime, ColUser, ColTarget, ColRow, ColChange, ColOutcome, ColCount };

    // `target`: the open port or TCP address; empty: no target, every device is shown.
    HistoryDialog(const Journal& journal, const QString& target, QWidget* parent = nullptr);

    // Reads the journal again and fills the list.
    void Reload();

private:
    Journal journal_;
    QString target_;
    QCheckBox* cbAllDevices_;
    QTableWidget* lvHistory_;
    QLabel* lbJournalWarnings_;
};

} // namespace dtu

// 修改记录: the journal for the open target newest first, every device with 所有设备 ticked,
// torn lines counted.
#include "app/window/historydialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu;

class TestHistoryDialog : public QObject {
    Q_OBJECT

private slots:
    void showsTargetThenAllDevices() {
        QTemporaryDir dir;
        const Journal journal(dir.filePath(QStringLiteral("journal")));
        QList<JournalRecord> records;
        const char* const rows[][3] = {{"COM3", "0101", "2026-12-08T09:00:00.000Z"},
                                       {"10.0.0.7:8888", "0102", "2026-12-08T10:00:00.000Z"},
                                       {"COM3", "0103", "2026-12-08T11:00:00.000Z"}};
        for (const auto& row : rows) {
            JournalRecord r = StampedRecord(QStringLiteral("window"));
            r.target = QString::fromLatin1(row[0]);
            r.operation = NewOperationId();
            r.table = JournalTable::Main;
            r.number = QString::fromLatin1(row[1]);
            r.time = QDateTime::fromString(QString::fromLatin1(row[2]), Qt::ISODateWithMs);
            r.written = {QStringLiteral("HEX:01"), QStringLiteral("1")};
            r.outcome = JournalOutcome::Refused;
            records << r;
        }
        QString error;
        QVERIFY(journal.Append(records, &error));
        QFile f(journal.Folder() + QStringLiteral("/2026-12.jsonl"));
        QVERIFY(f.open(QIODevice::Append));
        f.write("{\"time\":");
        f.close();

        HistoryDialog dialog(journal, QStringLiteral("COM3"));
        auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("lvHistory"));
        auto* all = dialog.findChild<QCheckBox*>(QStringLiteral("cbAllDevices"));
        auto* warnings = dialog.findChild<QLabel*>(QStringLiteral("lbJournalWarnings"));
        QVERIFY(list && all && warnings);
        QCOMPARE(list->rowCount(), 2);
        QVERIFY(list->item(0, HistoryDialog::ColRow)->text().startsWith(QStringLiteral("0103")));
        QCOMPARE(list->item(0, HistoryDialog::ColChange)->text(), QStringLiteral("? → 1"));
        QCOMPARE(list->item(0, HistoryDialog::ColOutcome)->text(), QStringLiteral("refused"));
        QVERIFY(list->isColumnHidden(HistoryDialog::ColTarget));
        QVERIFY(!warnings->isHidden());

        all->setChecked(true);
        QCOMPARE(list->rowCount(), 3);
        QCOMPARE(list->item(1, HistoryDialog::ColTarget)->text(), QStringLiteral("10.0.0.7:8888"));
        QVERIFY(!list->isColumnHidden(HistoryDialog::ColTarget));
    }
};

QTEST_MAIN(TestHistoryDialog)
#include "test_history_dialog.moc"

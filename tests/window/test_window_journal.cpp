// The window's journal: 设置 after 读取 records each row with the value read before it, and
// 文件操作 → 撤销上次写入 shows what it restores, asks once and puts it back on the device.
#include "app/window/mainwindow.h"
#include "journal/journal.h"
#include "params/rows.h"
#include "tests/support/windowrig.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace dtu;
using namespace dtu::test;

class TestWindowJournal : public QObject {
    Q_OBJECT
    WorkFolder dir_;
    QTemporaryDir journalDir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.Ok());
        QVERIFY(dir_.CopyDemo());
        qputenv("DTUCFG_JOURNAL_DIR", journalDir_.path().toLocal8Bit());
    }

    void writeThenUndo() {
        MemoryDevice dev;
        WindowRig w;
        MainWindow& f = w.F();
        QVERIFY(!f.Session().LoadConfiguration(QStringLiteral("demo.txt")).Failed());
        dev.Attach(f.Session());
        f.Session().SetTargetName(QStringLiteral("COM7"));
        QAction* undo = Find<QAction>(f, "NUndo");
        QVERIFY(!undo->isEnabled());

        Find<QPushButton>(f, "btRead")->click();
        ParamTable& table = f.MainTable();
        const int row = FindRow(table, "0102");
        table.SetField(row, FieldRaw, "HEX:1389");
        table.SetField(row, FieldDisplay, "5001");
        f.State().ChangedParamList = {"0102"};
        Find<QPushButton>(f, "btWrite")->click();
        QCOMPARE(dev.device.Value(sim::Table::Main, 0x0102), QByteArray::fromHex("1389"));

        const Journal journal(journalDir_.path());
        const JournalRead written = journal.Read({"COM7", {}, {}});
        QCOMPARE(written.records.size(), 1);
        const JournalRecord& r = written.records.first();
        QCOMPARE(r.frontEnd, QStringLiteral("window"));
        QCOMPARE(r.kind, JournalKind::Write);
        QCOMPARE(r.before, (JournalValue{"HEX:1388", "5000"}));
        QCOMPARE(r.written, (JournalValue{"HEX:1389", "5001"}));
        QCOMPARE(r.outcome, JournalOutcome::Done);

        Find<QMenu>(f, "N2")->aboutToShow();
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(w.prompter.confirms.size(), 1);
        QVERIFY2(w.prompter.confirms.first().contains("0102 服务器端口：5001 → 5000"), qPrintable(w.prompter.confirms.first()));
        QCOMPARE(dev.device.Value(sim::Table::Main, 0x0102), QByteArray::fromHex("1388"));
        const JournalRead after = journal.Read({"COM7", {}, {}});
        QCOMPARE(after.records.size(), 2);
        QCOMPARE(after.records.first().kind, JournalKind::Undo);
        QCOMPARE(after.records.first().frontEnd, QStringLiteral("window"));
    }
};

QTEST_MAIN(TestWindowJournal)
#include "test_window_journal.moc"

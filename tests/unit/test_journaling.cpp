// The session's journal against the simulated device: an apply's records with the values before
// it, its undo putting them back, and a journal that cannot be written.
#include "session/session.h"
#include "sim/simchannel.h"
#include "tests/support/rig.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace dtu;
using namespace dtu::test;

namespace {

// The demo configuration naming its device-number row, with some values replaced.
bool Profile(const QString& to, const QHash<QString, QString>& values) {
    QFile in(QStringLiteral("demo.txt"));
    if (!in.open(QIODevice::ReadOnly)) return false;
    QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
    QJsonObject params = root.value("Params").toObject();
    for (const QString& key : params.keys()) {
        QJsonObject row = params.value(key).toObject();
        if (values.contains(row.value("CMDID").toString())) row.insert("PVALUE", values.value(row.value("CMDID").toString()));
        params.insert(key, row);
    }
    root.insert("Params", params);
    root.insert("IdentityRow", "0091");
    root.remove("ExParamFile");
    QFile out(to);
    return out.open(QIODevice::WriteOnly) && out.write(QJsonDocument(root).toJson()) > 0;
}

struct Rig {
    RecordingStatus status;
    NullConfigView view;
    Session session{status, view};
    sim::SimDevice device;
    sim::SimChannel link{device};
    FakeClock clock;
    Rig(const QString& journalDir) {
        QVERIFY(!session.LoadScript("script.js").Failed());
        QVERIFY(!session.LoadConfiguration("golden.txt").Failed());
        QVERIFY(device.LoadValues(sim::Table::Main, "demo.txt"));
        session.SetChannel(link);
        session.SetWaitClock(&clock);
        session.SetTargetName("sim0");
        const Journal journal(journalDir);
        session.SetJournal(&journal, "cli");
    }
    QByteArray Held(quint16 number) const { return device.Value(sim::Table::Main, number).value_or("?"); }
};

} // namespace

class TestJournaling : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        for (const char* f : {"script.js", "demo.txt"})
            QVERIFY(QFile::copy(QStringLiteral(DTUCFG_SOURCE_DIR "/demo/") + f, dir_.filePath(f)));
        QVERIFY(QDir::setCurrent(dir_.path()));
        QVERIFY(Profile("golden.txt", {{"0102", "HEX:1389"}, {"0104", "HEX:001E"}}));
    }

    // An apply records each row with the value the device held, the device's number and one
    // operation id; undoing it writes exactly those values back and is journaled as an undo.
    void applyThenUndo() {
        Rig r(dir_.filePath("journal"));
        const ApplyResult applied = r.session.Apply("golden.txt");
        QVERIFY2(!applied.failure.Failed(), qPrintable(applied.failure.text));
        QCOMPARE(r.Held(0x0102), QByteArray::fromHex("1389"));
        QVERIFY(!applied.operation.isEmpty() && applied.notRecorded.isEmpty());

        const Journal journal(dir_.filePath("journal"));
        const JournalRead read = journal.Read({"sim0", {}, applied.operation});
        QVERIFY(read.warnings.isEmpty());
        QCOMPARE(read.records.size(), 2);
        const JournalRecord& first = read.records.last(); // oldest
        QCOMPARE(first.kind, JournalKind::Apply);
        QCOMPARE(first.frontEnd, QStringLiteral("cli"));
        QCOMPARE(first.number, QStringLiteral("0102"));
        QCOMPARE(first.before, (JournalValue{"HEX:1388", "5000"}));
        QCOMPARE(first.written, (JournalValue{"HEX:1389", "5001"}));
        QCOMPARE(first.outcome, JournalOutcome::Done);
        QCOMPARE(first.identityRow, QStringLiteral("0091"));
        QCOMPARE(first.identity, QStringLiteral("DTU0000001"));
        QVERIFY(first.config.endsWith("/golden.txt"));

        const UndoPlan plan = PlanUndo(journal, "sim0");
        QVERIFY2(plan.CanUndo(), qPrintable(plan.error));
        const ApplyResult undone = r.session.Undo(plan, true);
        QVERIFY2(!undone.failure.Failed(), qPrintable(undone.failure.text));
        QCOMPARE(undone.verified.size(), 2);
        QCOMPARE(r.Held(0x0102), QByteArray::fromHex("1388"));
        QCOMPARE(r.Held(0x0104), QByteArray::fromHex("003C"));
        const JournalRead after = journal.Read({"sim0", {}, undone.operation});
        QCOMPARE(after.records.size(), 2);
        QCOMPARE(after.records.first().kind, JournalKind::Undo);
        QCOMPARE(after.records.first().before->raw, QStringLiteral("HEX:001E")); // the read-back after the apply
        // The undo is itself undoable: the last change now is the undo.
        QCOMPARE(PlanUndo(journal, "sim0").operation, undone.operation);
    }

    // A journal that cannot be written: the write still happens, and the log says once why it
    // is not recorded.
    void unwritableJournal() {
        QFile blocker(dir_.filePath("not-a-folder"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Rig r(dir_.filePath("not-a-folder/journal"));
        const ApplyResult applied = r.session.Apply("golden.txt");
        QCOMPARE(applied.written.size(), 2);
        QCOMPARE(r.Held(0x0102), QByteArray::fromHex("1389"));
        QVERIFY(applied.notRecorded.contains("cannot be written"));
        QCOMPARE(r.status.log.filter("[本次修改未记入修改记录：").size(), 1);
    }
};

QTEST_MAIN(TestJournaling)
#include "test_journaling.moc"

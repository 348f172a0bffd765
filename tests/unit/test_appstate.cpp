// The hidden access codes and the engineering level they select.
#include "base/appstate.h"

#include <QTest>

using namespace dtu;

class TestAppState : public QObject {
    Q_OBJECT
private slots:
    void codesSelectTheLevel();
    void wrongCodeChangesNothing_data();
    void wrongCodeChangesNothing();
};

void TestAppState::codesSelectTheLevel() {
    AppState s;
    QCOMPARE(ApplyAccessCode(s, QStringLiteral("mintcastle")), 2);
    QCOMPARE(s.EngineeringLevel, 2);
    QVERIFY(s.AccessCodeAccepted);
    QCOMPARE(ApplyAccessCode(s, QStringLiteral("grape")), 1);
    QCOMPARE(s.EngineeringLevel, 1);
    QVERIFY(s.AccessCodeAccepted);
    QCOMPARE(ApplyAccessCode(s, QStringLiteral("mintcastle")), 2);
    QCOMPARE(s.EngineeringLevel, 2);
}

void TestAppState::wrongCodeChangesNothing_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("startLevel");
    QTest::addColumn<bool>("startAccepted");
    QTest::newRow("wrong, fresh") << "letmein" << 0 << false;
    QTest::newRow("wrong case, fresh") << "Grape" << 0 << false;
    QTest::newRow("upper case, fresh") << "MINTCASTLE" << 0 << false;
    QTest::newRow("empty, fresh") << "" << 0 << false;
    QTest::newRow("trailing blank, fresh") << "grape " << 0 << false;
    QTest::newRow("prefix of a code, fresh") << "mint" << 0 << false;
    QTest::newRow("wrong case, at level 2") << "Grape" << 2 << true;
    QTest::newRow("wrong, at level 1") << "mintcastle!" << 1 << true;
}

void TestAppState::wrongCodeChangesNothing() {
    QFETCH(QString, code);
    QFETCH(int, startLevel);
    QFETCH(bool, startAccepted);
    AppState s;
    s.EngineeringLevel = startLevel;
    s.AccessCodeAccepted = startAccepted;
    QCOMPARE(ApplyAccessCode(s, code), -1);
    QCOMPARE(s.EngineeringLevel, startLevel);
    QCOMPARE(s.AccessCodeAccepted, startAccepted);
}

QTEST_GUILESS_MAIN(TestAppState)
#include "test_appstate.moc"

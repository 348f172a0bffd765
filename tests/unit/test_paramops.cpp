// Parameter-table operations: the table answers belong to, row search for reading and writing,
// raw digits, the request list, the changed list, choice lists.
#include "params/rows.h"
#include "params/changes.h"

#include <QTest>
#include <memory>

using namespace dtu;

static std::unique_ptr<ParamTable> Table(const QStringList& numbers) {
    auto t = std::make_unique<ParamTable>(false);
    for (const QString& n : numbers) {
        ParamRow r;
        r[FieldNumber] = n;
        t->Append(r);
    }
    return t;
}

class TestParamOps : public QObject {
    Q_OBJECT
private slots:
    void activeTable_data() {
        QTest::addColumn<int>("mainChannel");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("expected");
        QTest::newRow("interface selected") << 1 << 0 << "iface";
        QTest::newRow("main selected") << 3 << 3 << "main";
        QTest::newRow("main channel 0: interface wins") << 0 << 0 << "iface";
        QTest::newRow("unknown selection") << 1 << -1 << "none";
        QTest::newRow("another channel") << 1 << 2 << "none";
    }
    void activeTable() {
        QFETCH(int, mainChannel);
        QFETCH(int, current);
        QFETCH(QString, expected);
        AppState s;
        s.MainParamChannel = mainChannel;
        s.CurrentParamChannel = current;
        ParamTable main(false), iface(true);
        ParamTable* t = ActiveTable(s, main, iface);
        QCOMPARE(t == &main ? "main" : t == &iface ? "iface" : t ? "other" : "none", expected);
    }

    void findRow_data() {
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("read");
        QTest::addColumn<int>("write");
        const QStringList dup{"0101", "0102", "0101", "ABCD"};
        QTest::newRow("duplicate: read first, write later") << dup << "0101" << 0 << 2;
        QTest::newRow("letters case-insensitive") << dup << "abcd" << 3 << 3;
        QTest::newRow("missing") << dup << "0200" << -1 << -1;
        QTest::newRow("only the first row matches: wraps") << QStringList{"0200", "0101"} << "0200" << 0 << 0;
        QTest::newRow("three alike: write takes the second") << QStringList{"03", "03", "03"} << "03" << 0 << 1;
        QTest::newRow("empty table") << QStringList{} << "0101" << -1 << -1;
        QTest::newRow("empty number finds no heading") << QStringList{"", "0101"} << "" << -1 << -1;
    }
    void findRow() {
        QFETCH(QStringList, numbers);
        QFETCH(QString, number);
        QFETCH(int, read);
        QFETCH(int, write);
        const auto t = Table(numbers);
        QCOMPARE(FindRow(*t, number), read);
        QCOMPARE(FindRowForWrite(*t, number), write);
    }

    void rawDigits() {
        const auto t = Table({"0101"});
        for (const auto& [raw, digits] : {std::pair{"HEX:1388", "1388"}, {"HEX:0", "0"}, {"HEX:", ""}, {"", ""}}) {
            t->SetField(0, FieldRaw, QString::fromLatin1(raw));
            QCOMPARE(RowHexDigits(t->Row(0)), QString::fromLatin1(digits));
        }
        SetRawValue(*t, 0, QStringLiteral("00FF"));
        QCOMPARE(t->Row(0)[FieldRaw], QStringLiteral("HEX:00FF"));
    }

    void requestList() {
        ParamTable t(false);
        for (const char* n : {"0101", "", "0000", "abcd", "000001", "0091"}) AddToRequestList(t, QString::fromLatin1(n));
        QCOMPARE(t.RequestList, QByteArray("\x01\x01\xAB\xCD\x00\x91", 6));
    }

    void markChanged() {
        AppState s;
        for (const char* n : {"0102", "00ab", "0102", "00AB", "", "0101"}) MarkChanged(s, QString::fromLatin1(n));
        QCOMPARE(s.ChangedParamList, (QStringList{"0102", "00ab", "0101"}));
        QVERIFY(!MayChange(s, QStringLiteral("0091")));
        s.EngineeringLevel = 2;
        QVERIFY(MayChange(s, QStringLiteral("0091")));
    }

    void choiceList_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        const QString dup = R"([["A","B","C"],["01","02","02"]])";
        QTest::newRow("duplicate digits: first text") << dup << "HEX:02" << true << "B";
        QTest::newRow("exact match only") << dup << "HEX:0102" << true << "";
        QTest::newRow("digits compared exactly") << R"([["X"],["0a"]])" << "HEX:0A" << true << "";
        QTest::newRow("numbers taken as text") << R"([[1200, 9600],["00","03"]])" << "HEX:03" << true << "9600";
        QTest::newRow("more digits than texts") << R"([["A"],["01","02"]])" << "HEX:02" << true << "";
        QTest::newRow("script is no list") << R"(Length=11;Mask="0123";)" << "HEX:01" << false << "";
        QTest::newRow("one list") << R"([["A","B"]])" << "HEX:01" << false << "";
        QTest::newRow("nested entry") << R"([["A",["B"]],["00","01"]])" << "HEX:00" << false << "";
        QTest::newRow("truncated") << R"([["A","B"],["00",)" << "HEX:00" << false << "";
    }
    void choiceList() {
        QFETCH(QString, list);
        QFETCH(QString, raw);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        ChoiceList c;
        QCOMPARE(ParseChoiceList(list, &c), ok);
        QCOMPARE(c.TextForRaw(raw), text);
    }
};

QTEST_GUILESS_MAIN(TestParamOps)
#include "test_paramops.moc"

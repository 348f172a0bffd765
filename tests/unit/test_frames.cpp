// Hex helpers, frame composition, the pure reply checks and the status texts.
#include "protocol/frames.h"
#include "base/hex.h"
#include "tests/support/rig.h"

#include <QTest>

#include <cstring>
#include <memory>

using namespace dtu;
using dtu::test::Hex;

namespace {

// A byte text whose storage is exactly its bytes, with no terminator or spare capacity behind
// them: under AddressSanitizer any read past the last byte is reported.
class ExactBytes {
public:
    explicit ExactBytes(const QByteArray& bytes) : size_(bytes.size()), data_(new char[size_ > 0 ? size_ : 1]) {
        if (size_ > 0) std::memcpy(data_.get(), bytes.constData(), static_cast<size_t>(size_));
    }
    QByteArray View() const { return QByteArray::fromRawData(data_.get(), size_); }

private:
    qsizetype size_;
    std::unique_ptr<char[]> data_;
};

} // namespace

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void byteToHex_data();
    void byteToHex();
    void bytesToHex();
    void hexToInt_data();
    void hexToInt();
    void wordToBytes();
    void hexPairsToBytes_data();
    void hexPairsToBytes();
    void spacedHex();

    void composeFrame_data();
    void composeFrame();
    void checksumWrapsAt16Bits();
    void composedFramesPassTheirOwnChecks_data();
    void composedFramesPassTheirOwnChecks();

    void ackReply_data();
    void ackReply();
    void signalReply_data();
    void signalReply();
    void payloadReply_data();
    void payloadReply();
    void truncatedRepliesAreNotReadPastTheirEnd_data();
    void truncatedRepliesAreNotReadPastTheirEnd();

    void outcomeMessage_data();
    void outcomeMessage();
    void dataFailureMessage_data();
    void dataFailureMessage();
};

void TestFrames::byteToHex_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("hex");
    QTest::newRow("zero") << 0x00 << "00";
    QTest::newRow("low digit letter") << 0x0A << "0A";
    QTest::newRow("high digit only") << 0x90 << "90";
    QTest::newRow("letters upper-case") << 0xAB << "AB";
    QTest::newRow("max") << 0xFF << "FF";
}

void TestFrames::byteToHex() {
    QFETCH(int, byte);
    QFETCH(QString, hex);
    QCOMPARE(ByteToHex(static_cast<quint8>(byte)), hex);
}

void TestFrames::bytesToHex() {
    QCOMPARE(BytesToHex(QByteArray("\xAA\x55\x00\x0F\xE0", 5)), QStringLiteral("AA55000FE0"));
    QCOMPARE(BytesToHex(QByteArray()), QString());
}

void TestFrames::hexToInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("lower-case") << "e0" << 224;
    QTest::newRow("upper-case") << "E0" << 224;
    QTest::newRow("mixed case word") << "e0Ab" << 0xE0AB;
    QTest::newRow("leading blank is digit 0") << " 5" << 5;
    QTest::newRow("trailing blank is digit 0") << "5 " << 0x50;
    QTest::newRow("blanks only") << "  " << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("single digit") << "7" << 7;
    QTest::newRow("non-hex counts 0") << "g1" << 1;
    QTest::newRow("parameter row") << "0092" << 0x92;
    // Upper case beyond ASCII can make two letters of one character.
    QTest::newRow("ligature") << QString(QChar(0xFB00)) + "1" << 0xFF1;
}

void TestFrames::hexToInt() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(HexToInt(text), value);
}

void TestFrames::wordToBytes() {
    QCOMPARE(WordToBytes(0x1234), QByteArray("\x12\x34", 2));
    QCOMPARE(WordToBytes(0x00F0), QByteArray("\x00\xF0", 2));
    QCOMPARE(WordToBytes(0xFF00), QByteArray("\xFF\x00", 2));
}

void TestFrames::hexPairsToBytes_data() {
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("two pairs") << "0102" << QByteArray("\x01\x02", 2);
    QTest::newRow("odd last digit ignored") << "01023" << QByteArray("\x01\x02", 2);
    QTest::newRow("one digit") << "1" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("lower-case") << "aBcd" << QByteArray("\xAB\xCD", 2);
    QTest::newRow("zero bytes kept") << "000000" << QByteArray(3, '\0');
}

void TestFrames::hexPairsToBytes() {
    QFETCH(QString, hex);
    QFETCH(QByteArray, bytes);
    QCOMPARE(HexPairsToBytes(hex), bytes);
}

void TestFrames::spacedHex() {
    QCOMPARE(SpacedHex(QByteArray("\xAA\x55\x00\x04", 4)), QStringLiteral("AA 55 00 04 "));
    QCOMPARE(SpacedHex(QByteArray()), QString());
    QCOMPARE(HexRendering(QByteArray("AB")), QStringLiteral("{41 42 }"));
}

void TestFrames::composeFrame_data() {
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("no prefix") << QByteArray() << 0x1234 << Hex("41 42") << Hex("AA 55 00 06 12 34 41 42 00 CF");
    QTest::newRow("prefix counted in length and sum")
        << Hex("01 02") << 0x1234 << Hex("41 42") << Hex("AA 55 00 08 01 02 12 34 41 42 00 D4");
    QTest::newRow("no prefix, no data") << QByteArray() << 0x1234 << QByteArray() << Hex("AA 55 00 04 12 34 00 4A");
    QTest::newRow("E050 one data byte") << QByteArray() << 0xE050 << Hex("00") << Hex("AA 55 00 05 E0 50 00 01 35");
    QTest::newRow("E023 signal request") << QByteArray() << 0xE023 << QByteArray() << Hex("AA 55 00 04 E0 23 01 07");
    QTest::newRow("700E") << QByteArray() << 0x700E << QByteArray() << Hex("AA 55 00 04 70 0E 00 82");
    QTest::newRow("700D clock text")
        << QByteArray() << 0x700D << QByteArray("2026-03-07 08:05:09")
        << Hex("AA 55 00 17 70 0D 32 30 32 36 2D 30 33 2D 30 37 20 30 38 3A 30 35 3A 30 39 04 4C");
    QTest::newRow("7000 parameter read")
        << QByteArray() << 0x7000 << Hex("00 91 00 92") << Hex("AA 55 00 08 70 00 00 91 00 92 01 9B");
    QTest::newRow("0092 parameter write") << QByteArray() << 0x0092 << Hex("05") << Hex("AA 55 00 05 00 92 05 00 9C");
}

void TestFrames::composeFrame() {
    QFETCH(QByteArray, prefix);
    QFETCH(int, command);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, frame);
    QCOMPARE(ComposeFrame(prefix, static_cast<quint16>(command), data), frame);
}

void TestFrames::checksumWrapsAt16Bits() {
    // 300 bytes FF: length 0x0130 (high byte used), sum 0x01+0x30+0x12+0x34+300*0xFF = 0x12B4B.
    const QByteArray data(300, static_cast<char>(0xFF));
    const QByteArray f = ComposeFrame({}, 0x1234, data);
    QCOMPARE(f.size(), 2 + 2 + 2 + 300 + 2);
    QCOMPARE(f.left(6), Hex("AA 55 01 30 12 34"));
    QCOMPARE(f.right(2), Hex("2B 4B"));
    QCOMPARE(EvalPayloadReply(f), data);
}

void TestFrames::composedFramesPassTheirOwnChecks_data() {
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("one byte") << QByteArray() << Hex("05");
    QTest::newRow("text") << QByteArray() << QByteArray("APN=cmnet");
    QTest::newRow("with prefix") << Hex("01 02") << Hex("00 91");
    QTest::newRow("all byte values") << QByteArray() << [] {
        QByteArray b;
        for (int i = 0; i < 256; ++i) b.append(static_cast<char>(i));
        return b;
    }();
}

void TestFrames::composedFramesPassTheirOwnChecks() {
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, data);
    const QByteArray f = ComposeFrame(prefix, 0x7100, data);
    QVERIFY(BeginsWithHeader(f));
    QVERIFY(LengthChecksumOk(f));
    if (prefix.isEmpty()) QCOMPARE(EvalPayloadReply(f), data);
    // Any single flipped bit in the summed bytes or the checksum is caught.
    for (qsizetype i = 4; i < f.size(); ++i) {
        QByteArray bad = f;
        bad[i] = static_cast<char>(bad[i] ^ 0x01);
        QVERIFY2(!LengthChecksumOk(bad), qPrintable(QStringLiteral("byte %1").arg(i)));
    }
}

void TestFrames::ackReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("outcome");
    QTest::newRow("accept") << Hex("AA 55 00 04 00 F0 00 F4") << int(ReplyOk);
    QTest::newRow("refuse") << Hex("AA 55 00 04 00 F1 00 F5") << int(ReplyRefused);
    QTest::newRow("stray CR LF before accept") << Hex("0D 0A AA 55 00 04 00 F0 00 F4") << int(ReplyOk);
    QTest::newRow("stray AA before accept") << Hex("AA 00 AA 55 00 04 00 F0 00 F4") << int(ReplyOk);
    QTest::newRow("nothing") << QByteArray() << int(ReplyNone);
    QTest::newRow("no header") << Hex("55 AA 00 04 00 F0 00 F4") << int(ReplyIllegal);
    QTest::newRow("text") << QByteArray("OK\r\n") << int(ReplyIllegal);
    QTest::newRow("bad checksum") << Hex("AA 55 00 04 00 F0 00 F5") << int(ReplyChecksumError);
    QTest::newRow("length 5, well formed") << Hex("AA 55 00 05 00 F0 00 00 F5") << int(ReplyNone);
    QTest::newRow("length 4, word 00F2") << Hex("AA 55 00 04 00 F2 00 F6") << int(ReplyIllegal);
    QTest::newRow("length 4, word E023") << Hex("AA 55 00 04 E0 23 01 07") << int(ReplyIllegal);
    QTest::newRow("length 4, word F000") << Hex("AA 55 00 04 F0 00 00 F4") << int(ReplyIllegal);
    QTest::newRow("checksum missing") << Hex("AA 55 00 04 00 F0") << int(ReplyChecksumError);
    QTest::newRow("header only") << Hex("AA 55") << int(ReplyChecksumError);
}

void TestFrames::ackReply() {
    QFETCH(QByteArray, reply);
    QFETCH(int, outcome);
    QCOMPARE(int(EvalAckReply(reply)), outcome);
}

void TestFrames::signalReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("badCommandWord");
    QTest::newRow("quality 20") << Hex("AA 55 00 05 E0 23 14 01 1C") << 20 << false;
    QTest::newRow("quality 23") << Hex("AA 55 00 05 E0 23 17 01 1F") << 23 << false;
    QTest::newRow("quality 0") << Hex("AA 55 00 05 E0 23 00 01 08") << 0 << false;
    QTest::newRow("quality 255") << Hex("AA 55 00 05 E0 23 FF 02 07") << 255 << false;
    QTest::newRow("nothing") << QByteArray() << int(ReplyNone) << false;
    QTest::newRow("10 bytes, checksum right") << Hex("AA 55 00 06 E0 23 14 00 01 1D") << int(ReplyNone) << false;
    QTest::newRow("length 4 and a stray byte") << Hex("AA 55 00 04 E0 23 01 07 00") << int(ReplyNone) << false;
    QTest::newRow("stray CR LF not skipped") << Hex("0D 0A AA 55 00 05 E0 23 14 01 1C") << int(ReplyIllegal)
                                             << false;
    QTest::newRow("other command word") << Hex("AA 55 00 05 E0 24 14 01 1D") << int(ReplyIllegal) << true;
    QTest::newRow("accept instead of signal") << Hex("AA 55 00 04 00 F0 00 F4") << int(ReplyIllegal) << true;
    QTest::newRow("bad checksum") << Hex("AA 55 00 05 E0 23 14 01 1D") << int(ReplyChecksumError) << false;
    QTest::newRow("checksum missing") << Hex("AA 55 00 05 E0 23 14") << int(ReplyChecksumError) << false;
}

void TestFrames::signalReply() {
    QFETCH(QByteArray, reply);
    QFETCH(int, result);
    QFETCH(bool, badCommandWord);
    bool bad = !badCommandWord; // must be written in every case
    QCOMPARE(EvalSignalReply(reply, &bad), result);
    QCOMPARE(bad, badCommandWord);
    QCOMPARE(EvalSignalReply(reply), result);
}

void TestFrames::payloadReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("three bytes") << Hex("AA 55 00 07 71 00 41 42 43 01 3E") << QByteArray("ABC");
    QTest::newRow("one zero byte") << Hex("AA 55 00 05 E0 50 00 01 35") << Hex("00");
    QTest::newRow("no payload") << Hex("AA 55 00 04 00 F0 00 F4") << QByteArray();
    QTest::newRow("nothing") << QByteArray() << QByteArray();
    QTest::newRow("stray CR LF not skipped") << Hex("0D 0A AA 55 00 07 71 00 41 42 43 01 3E") << QByteArray();
    QTest::newRow("bad checksum") << Hex("AA 55 00 07 71 00 41 42 43 01 3F") << QByteArray();
    QTest::newRow("no header") << Hex("AA 54 00 07 71 00 41 42 43 01 3E") << QByteArray();
    QTest::newRow("length claims more") << Hex("AA 55 00 09 71 00 41 42 43 01 3E") << QByteArray();
}

void TestFrames::payloadReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, payload);
    QCOMPARE(EvalPayloadReply(reply), payload);
}

void TestFrames::truncatedRepliesAreNotReadPastTheirEnd_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("length 4, checksum missing") << Hex("AA 55 00 04 00 F0");
    QTest::newRow("length 4, one checksum byte") << Hex("AA 55 00 04 00 F0 00");
    QTest::newRow("length 64 claimed") << Hex("AA 55 00 40 00 F0 00 F4");
    QTest::newRow("length FFFF claimed") << Hex("AA 55 FF FF 00 F0 00 F4");
    QTest::newRow("length field cut") << Hex("AA 55 00");
    QTest::newRow("header only") << Hex("AA 55");
    QTest::newRow("signal cut") << Hex("AA 55 00 05 E0 23 14 01");
    QTest::newRow("payload cut") << Hex("AA 55 00 07 71 00 41 42 43 01");
}

void TestFrames::truncatedRepliesAreNotReadPastTheirEnd() {
    QFETCH(QByteArray, reply);
    const ExactBytes exact(reply);
    const QByteArray r = exact.View();
    QVERIFY(!LengthChecksumOk(r));
    QCOMPARE(int(EvalAckReply(r)), int(ReplyChecksumError));
    QVERIFY(EvalSignalReply(r) < 0);
    QCOMPARE(EvalPayloadReply(r), QByteArray());
}

void TestFrames::outcomeMessage_data() {
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");
    QTest::newRow("ok") << int(ReplyOk) << "[复位设备成功]";
    QTest::newRow("refused") << int(ReplyRefused) << "[复位设备失败]";
    QTest::newRow("none") << int(ReplyNone) << "[复位设备失败，设备无响应！]";
    QTest::newRow("illegal") << int(ReplyIllegal) << "[复位设备失败，非法的返回串！]";
    QTest::newRow("checksum") << int(ReplyChecksumError) << "[复位设备失败，返回帧校验错误！]";
}

void TestFrames::outcomeMessage() {
    QFETCH(int, outcome);
    QFETCH(QString, message);
    QCOMPARE(OutcomeMessage(QStringLiteral("复位设备"), outcome), message);
}

void TestFrames::dataFailureMessage_data() {
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("no response") << int(DataFailure::NoResponse) << "[参数读取失败，设备无响应！]";
    QTest::newRow("bad header") << int(DataFailure::BadHeader) << "[参数读取失败，返回数据包头非法！]";
    QTest::newRow("bad command word") << int(DataFailure::BadCommandWord) << "[参数读取失败，返回数据包命令字非法！]";
    QTest::newRow("bad checksum") << int(DataFailure::BadChecksum) << "[参数读取失败，返回数据包校验错！]";
}

void TestFrames::dataFailureMessage() {
    QFETCH(int, failure);
    QFETCH(QString, message);
    QCOMPARE(DataFailureMessage(QStringLiteral("参数读取"), static_cast<DataFailure>(failure)), message);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "test_frames.moc"

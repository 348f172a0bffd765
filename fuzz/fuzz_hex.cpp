// The hex helpers: hex text of any bytes turns back into the same bytes; texts of any content
// (odd lengths, non-digits, characters outside Latin-1) never crash the parsers.
#include "fuzz/fuzzsupport.h"
#include "base/hex.h"

#include <cstdio>
#include <cstdlib>

using namespace dtu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);

    const QString hex = BytesToHex(bytes);
    FUZZ_CHECK(hex.size() == 2 * bytes.size());
    FUZZ_CHECK(HexPairsToBytes(hex) == bytes);
    FUZZ_CHECK(HexPairsToBytes(hex.toLower()) == bytes);
    FUZZ_CHECK(SpacedHex(bytes).size() == 3 * bytes.size());
    FUZZ_CHECK(HexRendering(bytes).size() == 3 * bytes.size() + 2);
    for (qsizetype i = 0; i < qMin<qsizetype>(bytes.size(), 4); ++i)
        FUZZ_CHECK(HexToInt(ByteToHex(static_cast<quint8>(bytes.at(i)))) == ByteAt(bytes, i));
    if (bytes.size() >= 2) {
        const quint16 w = static_cast<quint16>(ByteAt(bytes, 0) * 256 + ByteAt(bytes, 1));
        FUZZ_CHECK(WordToBytes(w) == bytes.left(2));
    }
    quint32 sum = 0;
    for (char c : bytes) sum += static_cast<quint8>(c);
    FUZZ_CHECK(Sum16(bytes, 0, bytes.size()) == static_cast<quint16>(sum));
    FUZZ_CHECK(Sum16(bytes, -5, bytes.size() + 5) == static_cast<quint16>(sum));

    // The same bytes as text (UTF-8, possibly invalid): parsed as hex digits.
    const QString text = QString::fromUtf8(bytes);
    (void)HexToInt(text);
    const QByteArray parsed = HexPairsToBytes(text);
    FUZZ_CHECK(parsed.size() == text.size() / 2);
    return 0;
}

// The editor's encoders and the conversions the tool does itself: any text the user types and
// any raw digits a device or file sends. What SetStr()/SetFloat() produce is read back by
// GetStr()/GetFloat() and gives hex digits only.
#include "fuzz/fuzzsupport.h"
#include "params/valuecodec.h"
#include "base/hex.h"

#include <cstdio>
#include <cstdlib>

using namespace dtu;

static bool AllHex(const QString& s) {
    for (QChar c : s)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnsureApp();
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString text = QString::fromUtf8(bytes);

    const QString str = SetStrHex(text);
    FUZZ_CHECK(str.size() % 2 == 0 && AllHex(str));
    (void)GetStrText(str);

    QString flt;
    if (SetFloatHex(text, &flt)) {
        FUZZ_CHECK(flt.size() == 8 && AllHex(flt));
        FUZZ_CHECK(!GetFloatText(flt).isEmpty());
    }
    (void)ReplaceNan(text);
    FUZZ_CHECK(!ReplaceNan(text).contains(QLatin1String("nan"), Qt::CaseInsensitive));

    // Raw digits as a device or a file may send them: any text.
    (void)GetStrText(text);
    (void)GetFloatText(text);
    (void)GetStrText(BytesToHex(bytes));
    (void)GetFloatText(BytesToHex(bytes));
    (void)IsChoiceHook(text);
    return 0;
}

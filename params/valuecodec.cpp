#include "params/valuecodec.h"

#include "base/gbk.h"
#include "base/hex.h"

#include <QLocale>
#include <cmath>
#include <cstring>
#include <limits>

namespace dtu {

QString GetStrText(const QString& hexDigits) {
    QByteArray bytes = HexPairsToBytes(hexDigits);
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) bytes.truncate(zero);
    return GbkText(bytes);
}

QString GetFloatText(const QString& hexDigits) {
    QByteArray b = HexPairsToBytes(hexDigits).left(4);
    while (b.size() < 4) b.append('\0');
    const quint32 bits = (quint32(quint8(b[0])) << 24) | (quint32(quint8(b[1])) << 16) |
                         (quint32(quint8(b[2])) << 8) | quint32(quint8(b[3]));
    float f;
    static_assert(sizeof f == sizeof bits);
    std::memcpy(&f, &bits, sizeof f);
    return QString::asprintf("%.3f", static_cast<double>(f));
}

QString SetStrHex(const QString& text) { return BytesToHex(GbkBytes(text)); }

bool SetFloatHex(const QString& text, QString* hex) {
    bool ok = false;
    const double d = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok) return false;
    // Beyond the single's range the stored value is an infinity, as the device would read it.
    const float f = std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()
                        ? std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(d > 0 ? 1 : -1))
                        : static_cast<float>(d);
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    *hex = QStringLiteral("%1").arg(bits, 8, 16, QLatin1Char('0')).toUpper();
    return true;
}

QString ReplaceNan(QString hex) { return hex.replace(QLatin1String("NAN"), QLatin1String("00"), Qt::CaseInsensitive); }

} // namespace dtu

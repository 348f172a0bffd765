#include "base/gbk.h"

#include <QStringEncoder>

#include <algorithm>

namespace dtu {

namespace {

QStringDecoder GbkDecoder() { return QStringDecoder("GBK", QStringDecoder::Flag::Stateless); }
QStringEncoder GbkEncoder() { return QStringEncoder("GBK", QStringEncoder::Flag::Stateless); }

bool IsAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<quint8>(c) < 0x80; });
}

} // namespace

GbkStream::GbkStream() : decoder_("GBK") {}

QString GbkStream::Decode(const QByteArray& bytes) {
    if (!decoder_.isValid()) return QString::fromLatin1(bytes);
    return decoder_.decode(bytes);
}

// GBK keeps the bytes below 0x80 as ASCII: such text needs no codec (whose making costs more
// than a short value's decoding).
QString GbkText(const QByteArray& bytes) {
    if (IsAscii(bytes)) return QString::fromLatin1(bytes);
    QStringDecoder d = GbkDecoder();
    if (!d.isValid()) return QString::fromLatin1(bytes);
    return d.decode(bytes);
}

QByteArray GbkBytes(const QString& text) {
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) return text.toLatin1();
    QStringEncoder e("GBK");
    if (!e.isValid()) return text.toLatin1();
    return e.encode(text);
}

bool DecodeGbkExactly(const QByteArray& bytes, QString* text) {
    QStringDecoder d = GbkDecoder();
    if (!d.isValid()) {
        *text = QString::fromLatin1(bytes);
        return IsAscii(bytes);
    }
    *text = d.decode(bytes);
    if (d.hasError()) return false;
    QStringEncoder e = GbkEncoder();
    const QByteArray back = e.encode(*text);
    return !e.hasError() && back == bytes;
}

bool EncodeGbkExactly(const QString& text, QByteArray* bytes) {
    QStringEncoder e = GbkEncoder();
    if (!e.isValid()) return false;
    QByteArray b = e.encode(text);
    if (e.hasError()) return false;
    QStringDecoder d = GbkDecoder();
    if (d.decode(b) != text || d.hasError()) return false;
    *bytes = std::move(b);
    return true;
}

bool DecodeUtf8Exactly(const QByteArray& bytes, QString* text) {
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString t = d.decode(bytes);
    if (d.hasError()) return false;
    *text = std::move(t);
    return true;
}

} // namespace dtu

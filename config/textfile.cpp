#include "config/textfile.h"

#include "base/gbk.h"
#include "base/regularfile.h"

#include <QSaveFile>

#include <utility>

namespace dtu {

namespace {

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// GBK bytes of a JSON text; a character without a GBK form becomes a \u escape (two for a
// character beyond the BMP). Valid because non-ASCII characters occur in JSON only inside strings.
QByteArray EncodeGbkJson(const QString& text) {
    QByteArray out;
    if (EncodeGbkExactly(text, &out)) return out;
    out.reserve(text.size() * 2);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out.append(char(c.unicode()));
            ++i;
            continue;
        }
        const qsizetype len = (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QString ch = text.mid(i, len);
        QByteArray b;
        if (EncodeGbkExactly(ch, &b)) {
            out.append(b);
        } else {
            for (QChar u : ch) out.append(QByteArray("\\u") + QByteArray::number(u.unicode(), 16).rightJustified(4, '0'));
        }
        i += len;
    }
    return out;
}

} // namespace

DecodedText DecodeText(const QByteArray& bytes) {
    DecodedText out;
    if (bytes.startsWith(kUtf8Bom)) {
        const QByteArray rest = bytes.mid(kUtf8Bom.size());
        out.encoding = TextEncoding::Utf8Bom;
        out.exact = DecodeUtf8Exactly(rest, &out.text);
        if (!out.exact) out.text = QString::fromUtf8(rest);
        return out;
    }
    out.exact = DecodeGbkExactly(bytes, &out.text);
    if (out.exact) return out;
    QString utf8;
    if (DecodeUtf8Exactly(bytes, &utf8)) {
        out.text = std::move(utf8);
        out.encoding = TextEncoding::Utf8;
        out.exact = true;
    }
    return out;
}

QByteArray EncodeText(const QString& text, TextEncoding encoding, TextEncoding* used) {
    if (encoding == TextEncoding::Gbk) {
        QByteArray b;
        if (EncodeGbkExactly(text, &b)) {
            if (used) *used = TextEncoding::Gbk;
            return b;
        }
        encoding = TextEncoding::Utf8Bom;
    }
    if (used) *used = encoding;
    return encoding == TextEncoding::Utf8Bom ? kUtf8Bom + text.toUtf8() : text.toUtf8();
}

QByteArray EncodeJsonText(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Gbk) return EncodeGbkJson(text);
    return EncodeText(text, encoding);
}

int CountLines(const QString& text) {
    int lines = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            ++lines;
            if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('\n')) {
            ++lines;
        }
    }
    if (n > 0 && text.at(n - 1) != QLatin1Char('\n') && text.at(n - 1) != QLatin1Char('\r')) ++lines;
    return lines;
}

bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error) {
    return ReadRegularFile(path, kMaxConfigFileBytes, bytes, error);
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    if (path.isEmpty()) {
        if (error) *error = QStringLiteral("没有文件名");
        return false;
    }
    // Unbuffered: a short write (disk full, file size limit) shows in write()'s count. With a
    // write buffer the failure would only come at commit(), which does not report a failed flush
    // and would rename a truncated file over the original.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || f.write(bytes) != bytes.size() ||
        !f.flush() || f.size() != bytes.size() || !f.commit()) {
        if (error) *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    return true;
}

} // namespace dtu

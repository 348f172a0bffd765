#include "sim/valuefile.h"

#include "base/hex.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace dtu::sim {

namespace {

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

// Replaces every non-ASCII character of a GBK text by '?'. A GBK character is a lead byte
// 81..FE and a trail byte 40..FE; the trail may be an ASCII code such as '\' and must go with
// its lead, or it would turn the closing quote of a JSON string into an escape.
QByteArray GbkToAscii(const QByteArray& bytes) {
    QByteArray out = bytes;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const int b = ByteAt(out, i);
        if (b < 0x80) continue;
        out[i] = '?';
        if (b >= 0x81 && b <= 0xFE && i + 1 < out.size()) {
            const int trail = ByteAt(out, i + 1);
            if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) out[++i] = '?';
        }
    }
    return out;
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

} // namespace

std::optional<quint16> ParseParamNumber(const QString& text) {
    if (text.size() != 4) return std::nullopt;
    for (QChar c : text)
        if (!c.isDigit() && !(c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')))
            return std::nullopt;
    return static_cast<quint16>(HexToInt(text));
}

std::optional<ValueTable> ParseValueFile(const QByteArray& content, QString* error) {
    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    if (!IsValidUtf8(bytes)) bytes = GbkToAscii(bytes);

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (doc.isNull()) {
        SetError(error, QStringLiteral("not a JSON text: %1 at offset %2")
                            .arg(parseError.errorString())
                            .arg(parseError.offset));
        return std::nullopt;
    }
    if (!doc.isObject()) {
        SetError(error, QStringLiteral("not a JSON object"));
        return std::nullopt;
    }
    const QJsonValue params = doc.object().value(QLatin1String("Params"));
    QJsonArray rows;
    if (params.isArray()) {
        rows = params.toArray();
    } else if (params.isObject()) {
        const QJsonObject o = params.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) rows.append(it.value());
    } else {
        SetError(error, QStringLiteral("no \"Params\" member"));
        return std::nullopt;
    }

    ValueTable table;
    for (const QJsonValue& row : rows) {
        const QJsonObject r = row.toObject();
        const std::optional<quint16> number = ParseParamNumber(r.value(QLatin1String("CMDID")).toString().trimmed());
        if (!number) continue;
        const QString value = r.value(QLatin1String("PVALUE")).toString().trimmed();
        table.insert(*number, value.size() < 5 ? QByteArray() : HexPairsToBytes(value.mid(4)));
    }
    return table;
}

std::optional<ValueTable> LoadValueFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QString why;
    std::optional<ValueTable> table = ParseValueFile(file.readAll(), &why);
    if (!table) SetError(error, QStringLiteral("%1: %2").arg(path, why));
    return table;
}

} // namespace dtu::sim

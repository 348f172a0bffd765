#pragma once
// The one GBK codec of the tool: the ANSI code page its files, device texts and received data
// are in. Where the system lacks the codec, bytes map to Latin-1 one for one.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace dtu {

// Decodes received chunks; a character split across two chunks is carried over and shown
// whole with the later chunk.
class GbkStream {
public:
    GbkStream();
    QString Decode(const QByteArray& bytes);

private:
    QStringDecoder decoder_;
};

// GBK text of bytes, no state carried; undecodable bytes become replacement characters.
QString GbkText(const QByteArray& bytes);
// GBK bytes of a text; a character without a GBK form becomes the codec's substitute.
QByteArray GbkBytes(const QString& text);

// The text when the bytes are GBK throughout and encode back to themselves; otherwise false
// with the best text that can be had (undecodable bytes as replacement characters).
bool DecodeGbkExactly(const QByteArray& bytes, QString* text);
// GBK bytes for exactly this text; false when some character has no GBK form (or the codec
// would map it to another one).
bool EncodeGbkExactly(const QString& text, QByteArray* bytes);
// The text when the bytes are valid UTF-8 throughout (a byte-order mark in them is a character).
bool DecodeUtf8Exactly(const QByteArray& bytes, QString* text);

} // namespace dtu

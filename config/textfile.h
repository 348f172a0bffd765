#pragma once
// Configuration files as bytes and text: which encoding a file is in, writing it back in the
// same one, and replacing a file so that it is either the old or the complete new one.
#include <QByteArray>
#include <QString>

namespace dtu {

enum class TextEncoding { Gbk, Utf8, Utf8Bom };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Gbk;
    // Every byte decoded, and the text encodes back to the same bytes. When false, the text
    // holds replacement characters where bytes did not decode.
    bool exact = true;
};

// A text starting with a UTF-8 byte-order mark is UTF-8 (the mark is not part of the text).
// Otherwise it is GBK, unless it is not GBK (a byte sequence GBK does not decode, or one that
// would not encode back to itself) but is valid UTF-8.
DecodedText DecodeText(const QByteArray& bytes);
// The text in the given encoding, with a byte-order mark for Utf8Bom. A text GBK cannot hold
// exactly is written as UTF-8 with a byte-order mark instead of losing characters; *used tells
// which one was written. For texts that are not JSON (the last-file record).
QByteArray EncodeText(const QString& text, TextEncoding encoding, TextEncoding* used = nullptr);
// A JSON text in the given encoding. GBK stays GBK: a character it lacks is written as a \u
// escape (a surrogate pair beyond the BMP), which reads back as the same character.
QByteArray EncodeJsonText(const QString& text, TextEncoding encoding);
// Lines as a text editor counts them: each CR LF, LF or CR ends one; a last line without a line
// end counts too, the empty text has none.
int CountLines(const QString& text);

// The whole file as bytes; false with the reason when it cannot be read. Only a regular file of
// at most kMaxConfigFileBytes is read (a FIFO or a device file counts as unreadable).
bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error);
// Writes bytes through a temporary file renamed over the target: the target is either the old
// file or the complete new one. False with the reason when it fails.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace dtu

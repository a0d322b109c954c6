// Text codec for the program's own text files (account, list and lock files).
//
// Files are written as UTF-8. Reading accepts UTF-8, and any byte that is not part
// of a valid UTF-8 sequence is read as its Windows-1252 character, so files written
// in that code page by earlier versions still load and nothing is dropped.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace halvex {

// Decodes bytes: valid UTF-8 sequences as UTF-8, every other byte as Windows-1252
// (the five bytes that code page leaves undefined map to the same code point).
QString decode_text(QByteArrayView bytes);

// Encodes text as UTF-8; a lone surrogate becomes U+FFFD.
QByteArray encode_text(QStringView text);

// The Windows-1252 character of one byte.
char16_t windows1252_char(unsigned char byte);

}  // namespace halvex

// Turns 8-bit text from outside (command-line arguments) into a QString: valid UTF-8 is
// decoded as such, and every byte that is not part of a valid UTF-8 sequence is read as its
// Windows-1252 character, so raw Latin-1 text still reads right and nothing is dropped.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace halvex::alert {

QString decode_text(QByteArrayView bytes);

}  // namespace halvex::alert

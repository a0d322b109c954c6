// Reading a number from the text a user typed into a settings box.
//
// The number is the leading number of the text, blanks before it skipped: an optional
// sign, digits, optionally "." and more digits. A fraction is rounded to the nearest
// whole number, a half to the even neighbour (2.5 gives 2, 3.5 gives 4). Values beyond
// the 32-bit range are held at its ends.
#pragma once

#include <QStringView>
#include <optional>

namespace halvex {

// The leading number, or nothing when the text does not begin with one.
std::optional<qint32> leading_number(QStringView text);

// The number read from a text box: the leading number, or 0 when there is none.
qint32 number_from_text(QStringView text);

}  // namespace halvex

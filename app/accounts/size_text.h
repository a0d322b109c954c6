// Reading a size limit as people write it: "100000", "100 000", "5 MB", "1.5mb",
// "64 KB", "2 G", "1500 bytes".
//
// The size is the leading number of the text (blanks before it skipped, an optional
// sign, digits with blanks between them ignored, optionally "." and a fraction), then,
// after optional blanks, an optional unit: K/KB/KiB/kilobyte(s) = 1024 bytes, M/MB/...
// = 1024 K, G/GB/... = 1024 M, B/byte(s) = 1, any letter case. Other text after the
// number is ignored. The result is rounded to the nearest byte, a half to the even
// one; a negative size gives 0 and one beyond the 32-bit range its largest value.
#pragma once

#include <QStringView>
#include <optional>

namespace halvex {

inline constexpr qint32 kOneKilobyte = 1024;

// The size in bytes, or nothing when the text does not begin with a number.
std::optional<qint32> read_size(QStringView text);

}  // namespace halvex

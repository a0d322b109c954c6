// Size limits as people type them: blanks between digits, units, fractions, limits.
#include "accounts/size_text.h"

#include <QString>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace halvex {
namespace {

constexpr qint32 kMax = std::numeric_limits<qint32>::max();

struct SizeRow {
  const char* name;
  const char* text;  // UTF-8
  std::optional<qint32> bytes;
};

class ReadSize : public testing::TestWithParam<SizeRow> {};

TEST_P(ReadSize, Bytes) {
  EXPECT_EQ(read_size(QString::fromUtf8(GetParam().text)), GetParam().bytes) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadSize,
    testing::Values(
        // What the account dialog always read.
        SizeRow{"plain", "100000", 100000}, SizeRow{"bytes_word", "1500 bytes", 1500},
        SizeRow{"half_to_even_down", "2.5", 2}, SizeRow{"half_to_even_up", "3.5", 4},
        SizeRow{"negative", "-10", 0}, SizeRow{"letters", "abc", std::nullopt},
        SizeRow{"empty", "", std::nullopt}, SizeRow{"blanks_only", "   ", std::nullopt},
        SizeRow{"leading_blanks", "  42", 42}, SizeRow{"beyond_32_bits", "99999999999", kMax},
        // Blanks between digits are ignored, blanks before a word are not digits.
        SizeRow{"grouped_by_blank", "100 000", 100000}, SizeRow{"grouped_twice", "1 000 000", 1000000},
        SizeRow{"grouped_by_tab", "100\t000", 100000},
        SizeRow{"no_break_space", "100\u00a0000", 100000},
        SizeRow{"narrow_no_break_space", "100\u202f000", 100000},
        SizeRow{"grouped_then_bytes", "1 500 bytes", 1500},
        SizeRow{"grouped_fraction", "1 000.5", 1000},
        // Units, 1 KB = 1024 bytes, any case, with or without a blank.
        SizeRow{"kb", "64 KB", 65536}, SizeRow{"kb_glued", "64KB", 65536},
        SizeRow{"k_lower", "64k", 65536}, SizeRow{"kib", "64 KiB", 65536},
        SizeRow{"kilobytes", "2 kilobytes", 2048},
        SizeRow{"mb", "5 MB", 5242880}, SizeRow{"mb_lower_glued", "5mb", 5242880},
        SizeRow{"m_mixed_case", "5 Mb", 5242880}, SizeRow{"megabyte", "1 megabyte", 1048576},
        SizeRow{"mb_fraction", "1.5 MB", 1572864}, SizeRow{"gb", "1 GB", 1073741824},
        SizeRow{"g_beyond_32_bits", "3 G", kMax}, SizeRow{"b", "512 B", 512},
        SizeRow{"grouped_kb", "1 024 KB", 1048576},
        SizeRow{"fraction_kb_rounds", "0.001 KB", 1},  // 1.024 bytes
        SizeRow{"exact_byte_of_kb", "0.0009765625 KB", 1},
        SizeRow{"half_byte_of_kb_to_even", "0.00048828125 KB", 0},
        SizeRow{"byte_and_a_half_of_kb_to_even", "0.00146484375 KB", 2},
        SizeRow{"unknown_word_is_bytes", "5 minutes", 5},
        SizeRow{"unit_after_word_ignored", "5 big MB", 5},
        // A comma is not a decimal point or a group mark: the number ends there.
        SizeRow{"comma_ends_number", "100,000", 100}, SizeRow{"european_fraction", "2,5 MB", 2},
        SizeRow{"negative_mb", "-5 MB", 0}, SizeRow{"plus", "+7 K", 7168},
        SizeRow{"fraction_only", ".5 KB", 512}, SizeRow{"point_alone", ".", std::nullopt},
        SizeRow{"many_zeros_first", "0000000000000000042", 42},
        SizeRow{"long_fraction_tie", "2.50000000000000000000001", 3},
        SizeRow{"huge_with_unit", "99999999999999999999 GB", kMax}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex

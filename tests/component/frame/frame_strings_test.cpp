// Strings and containers that cross the interface: BSTR layout, the UTF-8 rules, VARIANT copies.
#include <gtest/gtest.h>

#include "frame/text.h"
#include "frame/variant.h"

namespace {

TEST(Bstr, CountsCharactersNotBytesAndKeepsEmbeddedNul) {
    const char16_t text[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(text, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    EXPECT_EQ(s[3], 0);  // terminated
    SysFreeString(s);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

struct Utf8Row {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

class Utf8ToUtf16 : public testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8ToUtf16, ReadsValidUtf8AndFallsBackToWindows1252PerByte) {
    EXPECT_EQ(velmo::utf8_to_utf16(GetParam().utf8), GetParam().utf16);
    // to_bstr converts in place, without utf8_to_utf16: the same text either way.
    BSTR b = velmo::to_bstr(GetParam().utf8);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), GetParam().utf16);
    SysFreeString(b);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Utf8ToUtf16,
    testing::Values(Utf8Row{"ascii", "Hello", u"Hello"},
                    Utf8Row{"two_byte", "Caf\xC3\xA9", u"Caf\u00E9"},
                    Utf8Row{"astral", "\xF0\x9F\x98\x80", u"\U0001F600"},
                    Utf8Row{"latin1_byte", "Caf\xE9", u"Caf\u00E9"},
                    Utf8Row{"cp1252_euro", "\x80", u"\u20AC"},
                    Utf8Row{"cp1252_undefined_stays", "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
                    Utf8Row{"truncated_sequence", "a\xC3", u"a\u00C3"},
                    Utf8Row{"overlong_slash", "\xC0\xAF", u"\u00C0\u00AF"},
                    Utf8Row{"encoded_surrogate", "\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},
                    Utf8Row{"nul_kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)}),
    [](const auto& info) { return info.param.name; });

TEST(Utf16ToUtf8, IsExactAndMapsLoneSurrogatesToReplacement) {
    EXPECT_EQ(velmo::utf16_to_utf8(u"Caf\u00E9 \U0001F600"), "Caf\xC3\xA9 \xF0\x9F\x98\x80");
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00};
    EXPECT_EQ(velmo::utf16_to_utf8(std::u16string_view(lone, 4)), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(Utf8RoundTrip, EveryValidTextSurvives) {
    std::string text = "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9F\x93\xA7";
    BSTR b = velmo::to_bstr(text);
    EXPECT_EQ(velmo::to_utf8(b), text);
    SysFreeString(b);
    EXPECT_EQ(velmo::to_utf8(nullptr), "");
}

TEST(Variant, CopyDuplicatesStringsAndArraysAndClearFreesThem) {
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_BSTR;
    a.bstrVal = velmo::to_bstr("text");
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_EQ(velmo::to_utf8(b.bstrVal), "text");
    VariantClear(&a);
    EXPECT_EQ(a.vt, VT_EMPTY);

    VARIANT arr;
    VariantInit(&arr);
    arr.vt = VT_ARRAY | VT_UI1;
    arr.parray = SafeArrayCreateVector(VT_UI1, 0, 3);
    ASSERT_NE(arr.parray, nullptr);
    static_cast<unsigned char*>(arr.parray->pvData)[2] = 7;
    ASSERT_EQ(VariantCopy(&b, &arr), S_OK);  // also frees the string b held
    LONG lo = -1, hi = -1;
    EXPECT_EQ(SafeArrayGetLBound(b.parray, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(b.parray, 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 2);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(b.parray, &data), S_OK);
    EXPECT_EQ(static_cast<unsigned char*>(data)[2], 7);
    SafeArrayUnaccessData(b.parray);
    VariantClear(&arr);
    VariantClear(&b);
}

TEST(SafeArray, OnlyByteVectorsAndEmptyOnesHaveNoElements) {
    EXPECT_EQ(SafeArrayCreateVector(VT_I4, 0, 3), nullptr);
    SAFEARRAY* empty = SafeArrayCreateVector(VT_UI1, 0, 0);
    ASSERT_NE(empty, nullptr);
    LONG hi = 0;
    SafeArrayGetUBound(empty, 1, &hi);
    EXPECT_EQ(hi, -1);
    EXPECT_EQ(SafeArrayGetUBound(empty, 2, &hi), DISP_E_BADINDEX);
    SafeArrayDestroy(empty);
}

}  // namespace

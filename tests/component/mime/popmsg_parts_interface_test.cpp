// POPMSG's body, attachment and file members through IPOPMSG and through Invoke by name:
// results, the per-load caches, byte arrays and their "false" status out of range, saving
// into a temporary folder and reading the bytes back, and HtmlToText.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bstr_arg.h"
#include "frame/automation.h"

namespace {

namespace fs = std::filesystem;
using velmo::ComPtr;

using mime_test::Bstr;

std::string utf8(BSTR s) { return s ? velmo::utf16_to_utf8(std::u16string_view(s, SysStringLen(s))) : std::string(); }

const std::string kPdfBytes = std::string("%PDF-1.4 fake pdf bytes") + std::string("\0\1\2", 3);
const std::string kMixed =
    "Subject: report\r\nContent-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
    "--m\r\nContent-Type: multipart/alternative; boundary=alt\r\n\r\n"
    "--alt\r\nContent-Type: text/plain\r\n\r\nplain text\r\n"
    "--alt\r\nContent-Type: text/html\r\n\r\n<p>html text</p>\r\n--alt--\r\n"
    "--m\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\nContent-ID: <pdf.1>\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQgZmFrZSBwZGYgYnl0ZXMAAQI=\r\n"
    "--m\r\nContent-Type: text/x; name=\"../../escape.txt\"\r\n\r\nclimber\r\n--m--\r\n";

class PopMsgParts : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VelmoCreateInstance(u"Velmo.POPMSG", IID_IPOPMSG, msg_.put_void()), S_OK);
        std::string pattern = (fs::temp_directory_path() / "popmsg-parts-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    void load(const std::string& text) { ASSERT_EQ(msg_->put_RawContent(Bstr(text)), S_OK); }
    template <class Call>
    std::string text(Call&& call) {
        BSTR out = nullptr;
        EXPECT_EQ(call(&out), S_OK);
        std::string s = utf8(out);
        SysFreeString(out);
        return s;
    }
    template <class Call>
    LONG number(Call&& call) {
        LONG out = -7;
        EXPECT_EQ(call(&out), S_OK);
        return out;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string bytes_of(const VARIANT& v) {
        EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
        if (v.vt != (VT_ARRAY | VT_UI1) || !v.parray) return "<not an array>";
        LONG lower = -1, upper = -2;
        EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
        EXPECT_EQ(SafeArrayGetLBound(v.parray, 1, &lower), S_OK);
        EXPECT_EQ(SafeArrayGetUBound(v.parray, 1, &upper), S_OK);
        EXPECT_EQ(lower, 0);
        void* data = nullptr;
        EXPECT_EQ(SafeArrayAccessData(v.parray, &data), S_OK);
        std::string s(static_cast<const char*>(data), static_cast<std::size_t>(upper - lower + 1));
        SafeArrayUnaccessData(v.parray);
        return s;
    }

    ComPtr<IPOPMSG> msg_;
    fs::path root_;
};

TEST_F(PopMsgParts, BodiesFormatAndAttachments) {
    load(kMixed);
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetBodyText(o); }), "<p>html text</p>\r\n");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetAltBody(o); }), "plain text\r\n");
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetBodyFormat(o); }), 2);
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetAttachmentCount(o); }), 2);
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetAttachmentName(1, o); }), "a.pdf");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetAttachmentName(2, o); }), "../../escape.txt");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetContentType(1, o); }), "application/pdf");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetContentID(1, o); }), "pdf.1");
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetAttachmentSize(1, o); }), static_cast<LONG>(kPdfBytes.size()));
    for (INT out_of_range : {0, 3, -1}) {
        SCOPED_TRACE(out_of_range);
        EXPECT_EQ(text([&](BSTR* o) { return msg_->GetAttachmentName(out_of_range, o); }), "");
        EXPECT_EQ(text([&](BSTR* o) { return msg_->GetContentType(out_of_range, o); }), "");
        EXPECT_EQ(text([&](BSTR* o) { return msg_->GetContentID(out_of_range, o); }), "");
        EXPECT_EQ(number([&](LONG* o) { return msg_->GetAttachmentSize(out_of_range, o); }), 0);
    }
}

TEST_F(PopMsgParts, ChunksAreByteArraysAndFalseOutOfRange) {
    load(kMixed);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(msg_->GetAttachmentChunk(1, &v), S_OK);
    EXPECT_EQ(bytes_of(v), kPdfBytes);
    VariantClear(&v);
    for (INT out_of_range : {0, 3}) {
        VARIANT untouched;
        untouched.vt = VT_I4;
        untouched.lVal = 42;
        EXPECT_EQ(msg_->GetAttachmentChunk(out_of_range, &untouched), S_FALSE);
        EXPECT_EQ(untouched.vt, VT_I4);
        EXPECT_EQ(untouched.lVal, 42);
    }
    ASSERT_EQ(msg_->GetMsgChunk(&v), S_OK);
    EXPECT_EQ(bytes_of(v), kMixed);
    VariantClear(&v);
    // The raw content ends at its first NUL; nothing loaded gives an empty array.
    ComPtr<IPOPMSG> fresh;
    ASSERT_EQ(VelmoCreateInstance(u"Velmo.POPMSG", IID_IPOPMSG, fresh.put_void()), S_OK);
    ASSERT_EQ(fresh->GetMsgChunk(&v), S_OK);
    EXPECT_EQ(bytes_of(v), "");
    VariantClear(&v);
    EXPECT_EQ(msg_->GetMsgChunk(nullptr), E_POINTER);
    EXPECT_EQ(msg_->GetAttachmentChunk(1, nullptr), E_POINTER);
}

TEST_F(PopMsgParts, CachedAnswersFollowEveryLoad) {
    load(kMixed);
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetAttachmentCount(o); }), 2);
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetBodyFormat(o); }), 2);
    load("Subject: plain\r\n\r\njust text\r\n");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetBodyText(o); }), "just text\r\n");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetAltBody(o); }), "just text\r\n");
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetBodyFormat(o); }), 0);
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetAttachmentCount(o); }), 0);
    // A file load counts as a load too.
    const fs::path file = root_ / "m.eml";
    std::ofstream(file, std::ios::binary) << kMixed;
    EXPECT_EQ(number([&](LONG* o) { return msg_->ImportFile(Bstr(file.string()), o); }), 0);
    EXPECT_EQ(number([&](LONG* o) { return msg_->GetAttachmentCount(o); }), 2);
    EXPECT_EQ(text([&](BSTR* o) { return msg_->GetBodyText(o); }), "<p>html text</p>\r\n");
}

TEST_F(PopMsgParts, SavingWritesTheDecodedBytesInsideTheFolder) {
    load(kMixed);
    const fs::path out = root_ / "out";
    fs::create_directory(out);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachment(Bstr(out.string()), 1, o); }), 0);
    EXPECT_EQ(read(out / "a.pdf"), kPdfBytes);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachment(Bstr(out.string() + "/"), 2, o); }), 0);
    EXPECT_EQ(read(out / "escape.txt"), "climber\r\n");
    EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachment(Bstr(out.string()), 3, o); }), 1);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachment(Bstr(""), 1, o); }), 1);

    fs::remove_all(out);
    fs::create_directory(out);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAllAttachments(Bstr(out.string()), o); }), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAllAttachments(Bstr((root_ / "missing").string()), o); }), 0);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAllAttachments(nullptr, o); }), 0);

    const fs::path exact = root_ / "exact name.pdf";
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachmentAs(Bstr(exact.string()), 1, o); }), 0);
    EXPECT_EQ(read(exact), kPdfBytes);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachmentAs(Bstr(exact.string()), 0, o); }), 1);
    EXPECT_EQ(number([&](LONG* o) { return msg_->SaveAttachmentAs(Bstr(std::string(5000, 'p')), 1, o); }), 1);

    EXPECT_EQ(number([&](LONG* o) { return msg_->DeleteFile(Bstr(exact.string()), o); }), 0);
    EXPECT_FALSE(fs::exists(exact));
    EXPECT_EQ(number([&](LONG* o) { return msg_->DeleteFile(Bstr(exact.string()), o); }), 1);
    EXPECT_EQ(number([&](LONG* o) { return msg_->DeleteFile(nullptr, o); }), 1);
    EXPECT_EQ(msg_->DeleteFile(nullptr, nullptr), E_POINTER);
}

// Regression: an 8-bit Latin-1 body given as a string (as OnRetrieved delivers it) read "cafÃ©",
// converted a second time. From a file and from a string it now reads the same, and right.
TEST_F(PopMsgParts, EightBitMailReadsTheSameFromAFileAndFromAString) {
    const std::string bytes =
        "Subject: =?iso-8859-1?Q?caf=E9?=\r\nContent-Type: multipart/alternative; boundary=\"a\"\r\n\r\n"
        "--a\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "caf\xe9 \x93" "cr\xe8" "me\x94\r\n"
        "--a\r\nContent-Type: text/html; charset=windows-1252\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
        "<p>caf=E9 =80 cr\xe8" "me</p>\r\n--a--\r\n";
    const fs::path file = root_ / "latin.eml";
    std::ofstream(file, std::ios::binary) << bytes;
    struct Reading {
        std::string body, alt, subject;
    };
    auto reading = [&] {
        return Reading{text([&](BSTR* o) { return msg_->GetBodyText(o); }),
                       text([&](BSTR* o) { return msg_->GetAltBody(o); }),
                       text([&](BSTR* o) { return msg_->GetSubject(o); })};
    };
    EXPECT_EQ(number([&](LONG* o) { return msg_->ImportFile(Bstr(file.string()), o); }), 0);
    const Reading from_file = reading();
    load(bytes);  // the interface reads each byte that is not UTF-8 as Windows-1252
    const Reading from_string = reading();
    EXPECT_EQ(from_file.alt, "caf\xc3\xa9 \xe2\x80\x9c" "cr\xc3\xa8me\xe2\x80\x9d\r\n");
    EXPECT_EQ(from_file.body, "<p>caf\xc3\xa9 \xe2\x82\xac cr\xc3\xa8me</p>\r\n");
    EXPECT_EQ(from_file.subject, "caf\xc3\xa9");
    EXPECT_EQ(from_string.alt, from_file.alt);
    EXPECT_EQ(from_string.body, from_file.body);
    EXPECT_EQ(from_string.subject, from_file.subject);
}

TEST_F(PopMsgParts, HtmlToTextNeedsNoMessage) {
    EXPECT_EQ(text([&](BSTR* o) {
                  return msg_->HtmlToText(Bstr("<html><head><title>T</title></head><body>Hi<br>there</body></html>"), o);
              }),
              "Hi\r\nthere");
    EXPECT_EQ(text([&](BSTR* o) { return msg_->HtmlToText(nullptr, o); }), "");
}

// Late binding: every body and attachment member answers through Invoke by its name.
class LateBoundParts : public PopMsgParts {
protected:
    void SetUp() override {
        PopMsgParts::SetUp();
        ASSERT_EQ(msg_->QueryInterface(IID_IDispatch, disp_.put_void()), S_OK);
    }
    static VARIANT i4(LONG v) {
        VARIANT r;
        VariantInit(&r);
        r.vt = VT_I4;
        r.lVal = v;
        return r;
    }
    static VARIANT str(const std::string& s) {
        VARIANT r;
        VariantInit(&r);
        r.vt = VT_BSTR;
        r.bstrVal = velmo::to_bstr(s);
        return r;
    }
    // Invokes a method with the arguments in call order; the status goes to *status.
    VARIANT call(const char16_t* name, std::vector<VARIANT> args, HRESULT expected = S_OK) {
        std::u16string wide = name;
        LPOLESTR names[] = {wide.data()};
        DISPID id = -1;
        EXPECT_EQ(disp_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << utf8_of(name);
        std::reverse(args.begin(), args.end());
        DISPPARAMS dp{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        VARIANT r;
        VariantInit(&r);
        EXPECT_EQ(disp_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, &r, nullptr, nullptr), expected) << utf8_of(name);
        for (VARIANT& v : args) VariantClear(&v);
        return r;
    }
    static std::string utf8_of(const char16_t* s) { return velmo::utf16_to_utf8(s); }
    std::string string_result(const char16_t* name, std::vector<VARIANT> args = {}) {
        VARIANT r = call(name, std::move(args));
        EXPECT_EQ(r.vt, VT_BSTR) << utf8_of(name);
        std::string s = r.vt == VT_BSTR ? utf8(r.bstrVal) : "";
        VariantClear(&r);
        return s;
    }
    LONG long_result(const char16_t* name, std::vector<VARIANT> args = {}) {
        VARIANT r = call(name, std::move(args));
        EXPECT_EQ(r.vt, VT_I4) << utf8_of(name);
        return r.lVal;
    }

    ComPtr<IDispatch> disp_;
};

TEST_F(LateBoundParts, EveryMemberAnswersByName) {
    load(kMixed);
    EXPECT_EQ(string_result(u"GetBodyText"), "<p>html text</p>\r\n");
    EXPECT_EQ(string_result(u"getaltbody"), "plain text\r\n");
    EXPECT_EQ(long_result(u"GetBodyFormat"), 2);
    EXPECT_EQ(long_result(u"GetAttachmentCount"), 2);
    EXPECT_EQ(string_result(u"GetAttachmentName", {i4(1)}), "a.pdf");
    EXPECT_EQ(string_result(u"GetContentType", {i4(1)}), "application/pdf");
    EXPECT_EQ(string_result(u"GetContentID", {i4(1)}), "pdf.1");
    EXPECT_EQ(long_result(u"GetAttachmentSize", {i4(1)}), static_cast<LONG>(kPdfBytes.size()));
    VARIANT chunk = call(u"GetAttachmentChunk", {i4(1)});
    EXPECT_EQ(bytes_of(chunk), kPdfBytes);
    VariantClear(&chunk);
    VARIANT none = call(u"GetAttachmentChunk", {i4(9)}, S_FALSE);
    EXPECT_EQ(none.vt, VT_EMPTY);
    VARIANT raw = call(u"GetMsgChunk", {});
    EXPECT_EQ(bytes_of(raw), kMixed);
    VariantClear(&raw);

    const fs::path out = root_ / "late";
    fs::create_directory(out);
    EXPECT_EQ(long_result(u"SaveAttachment", {str(out.string()), i4(1)}), 0);
    EXPECT_EQ(read(out / "a.pdf"), kPdfBytes);
    EXPECT_EQ(long_result(u"SaveAttachmentAs", {str((out / "b.bin").string()), i4(2)}), 0);
    EXPECT_EQ(read(out / "b.bin"), "climber\r\n");
    EXPECT_EQ(long_result(u"SaveAllAttachments", {str(out.string())}), 2);
    EXPECT_EQ(long_result(u"DeleteFile", {str((out / "b.bin").string())}), 0);
    EXPECT_FALSE(fs::exists(out / "b.bin"));
    EXPECT_EQ(string_result(u"HtmlToText", {str("<p>one</p><p>two</p>")}), "one\r\ntwo\r\n");
}

}  // namespace

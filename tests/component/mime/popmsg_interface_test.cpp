// POPMSG through IPOPMSG and through late binding: loading, files, header questions,
// recipients and the per-load subject cache.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bstr_arg.h"
#include "frame/automation.h"

namespace {

using velmo::ComPtr;

ComPtr<IPOPMSG> new_popmsg() {
    ComPtr<IPOPMSG> msg;
    EXPECT_EQ(VelmoCreateInstance(u"Velmo.POPMSG", IID_IPOPMSG, msg.put_void()), S_OK);
    return msg;
}

// Calls a BSTR-returning member and hands back its text as UTF-16.
template <class Call>
std::u16string text_of(Call&& call) {
    BSTR out = nullptr;
    EXPECT_EQ(call(&out), S_OK);
    std::u16string s = out ? std::u16string(out, SysStringLen(out)) : std::u16string();
    SysFreeString(out);
    return s;
}

using mime_test::Bstr;

void load(IPOPMSG* msg, std::string_view raw) { ASSERT_EQ(msg->put_RawContent(Bstr(raw)), S_OK); }

LONG long_of(HRESULT (IPOPMSG::*fn)(LONG*), IPOPMSG* msg) {
    LONG v = -7;
    EXPECT_EQ((msg->*fn)(&v), S_OK);
    return v;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "popmsg-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : "";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const char* name) const { return (std::filesystem::path(path_) / name).string(); }

private:
    std::string path_;
};

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void write_all(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PopMsg, ANewObjectHasNoContent) {
    auto msg = new_popmsg();
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->get_RawContent(o); }), u"");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetHeader(o); }), u"");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientAddr(1, o); }), u"");
    EXPECT_EQ(long_of(&IPOPMSG::GetMessageSize, msg.get()), 0);
    EXPECT_EQ(long_of(&IPOPMSG::GetRecipientCount, msg.get()), 0);
    TempDir dir;
    LONG result = -1;
    EXPECT_EQ(msg->ExportFile(Bstr(dir.file("never.eml")), &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.eml")));
}

TEST(PopMsg, HeaderAndItemsOfASmallMessage) {
    auto msg = new_popmsg();
    load(msg.get(), "Subject: Hi\r\nFrom: ann\r\n\r\nbody");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetHeader(o); }), u"Subject: Hi\r\nFrom: ann");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetHeaderItem(Bstr("SUBJECT"), o); }), u"Hi");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetHeaderItem(Bstr("subject"), o); }), u"Hi");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetHeaderItem(nullptr, o); }), u"");
    EXPECT_EQ(long_of(&IPOPMSG::GetMessageSize, msg.get()), 30);
}

TEST(PopMsg, SizeCountsBytesAndContentEndsAtTheFirstNul) {
    auto msg = new_popmsg();
    load(msg.get(), "Subject: caf\xc3\xa9");  // é is two bytes inside
    EXPECT_EQ(long_of(&IPOPMSG::GetMessageSize, msg.get()), 14);
    std::u16string with_nul = u"Subject: a";
    with_nul.push_back(u'\0');
    with_nul += u"tail";
    BSTR b = SysAllocStringLen(with_nul.data(), static_cast<UINT>(with_nul.size()));
    ASSERT_EQ(msg->put_RawContent(b), S_OK);
    SysFreeString(b);
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->get_RawContent(o); }), u"Subject: a");
    EXPECT_EQ(long_of(&IPOPMSG::GetMessageSize, msg.get()), 10);
}

struct SenderRow {
    const char* name;
    const char* message;
    std::u16string from, from_address, reply_to;
};
std::string sender_name(const testing::TestParamInfo<SenderRow>& info) { return info.param.name; }

class Senders : public testing::TestWithParam<SenderRow> {};
TEST_P(Senders, NameAddressAndReplyAddress) {
    auto msg = new_popmsg();
    load(msg.get(), GetParam().message);
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetFrom(o); }), GetParam().from);
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetFromAddress(o); }), GetParam().from_address);
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetReplyTo(o); }), GetParam().reply_to);
}
INSTANTIATE_TEST_SUITE_P(
    PopMsg, Senders,
    testing::Values(
        SenderRow{"NameAndAddress", "From: Ann Lee <ann.lee>\r\n\r\n", u"Ann Lee", u"ann.lee", u"ann.lee"},
        SenderRow{"QuotedName", "From: \"Lee, Ann\" <ann.lee>\r\n\r\n", u"Lee, Ann", u"ann.lee", u"ann.lee"},
        SenderRow{"OnlyAngle", "From: <ann.lee>\r\n\r\n", u"ann.lee", u"ann.lee", u"ann.lee"},
        SenderRow{"NoSpaceBeforeAngle", "From: Ann<ann.lee>\r\n\r\n", u"An", u"ann.lee", u"ann.lee"},
        SenderRow{"UnclosedAngle", "From: Ann <ann.lee\r\n\r\n", u"", u"", u""},
        SenderRow{"Bare", "From: ann.lee\r\n\r\n", u"ann.lee", u"ann.lee", u"ann.lee"},
        SenderRow{"QuotedEncodedNameDecoded", "From: \"=?iso-8859-1?Q?J=F6rg?=\" <j.box>\r\n\r\n", u"J\u00f6rg",
                  u"j.box", u"j.box"},
        SenderRow{"ReplyToWins", "From: a <a.box>\r\nReply-To: r <r.box>\r\n\r\n", u"a", u"a.box", u"r.box"},
        SenderRow{"SenderWhenNoFrom", "Sender: s <s.box>\r\n\r\n", u"", u"", u"s.box"},
        SenderRow{"ReturnPathLast", "Return-Path: <bounce.box>\r\n\r\n", u"", u"", u"bounce.box"},
        SenderRow{"EmptyReplyToSkipped", "Reply-To:  \r\nFrom: f.box\r\n\r\n", u"f.box", u"f.box", u"f.box"}),
    sender_name);

TEST(PopMsg, RecipientPiecesCountFromOne) {
    auto msg = new_popmsg();
    load(msg.get(), "To: amy, Bob <bob.box>,\r\nCc: \"Lee, Ann\" <ann.lee>\r\n\r\nbody");
    EXPECT_EQ(long_of(&IPOPMSG::GetRecipientCount, msg.get()), 3);
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientAddr(1, o); }), u"amy");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientAddr(2, o); }), u"bob.box");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientName(2, o); }), u" Bob");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientAddr(3, o); }), u"");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientName(0, o); }), u"");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetRecipientName(4, o); }), u"");
    // The comma inside the quoted name cuts too.
    EXPECT_EQ(long_of(&IPOPMSG::GetCCCount, msg.get()), 2);
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetCCAddr(1, o); }), u"\"Lee");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetCCAddr(2, o); }), u"ann.lee");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetCCName(-1, o); }), u"");
}

TEST(PopMsg, EveryLoadReplacesTheAnswersAndTheCachedSubject) {
    auto msg = new_popmsg();
    load(msg.get(), "Subject: =?iso-8859-1?Q?Re:_Caf=E9?=\r\nTo: a, b\r\nDate: Mon, 1 Jan 2024\r\n\r\n");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"Re: Caf\u00e9");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetDate(o); }), u"Mon, 1 Jan 2024");
    EXPECT_EQ(long_of(&IPOPMSG::GetRecipientCount, msg.get()), 2);
    load(msg.get(), "Subject: second\r\n\r\n");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"second");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetDate(o); }), u"");
    EXPECT_EQ(long_of(&IPOPMSG::GetRecipientCount, msg.get()), 0);
    load(msg.get(), "");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"");
}

TEST(PopMsg, TheDesignedLatinExampleReadsRightAtTheInterface) {
    auto msg = new_popmsg();
    load(msg.get(), "Subject: Re: =?iso-8859-1?Q?Caf=E9?=\r\n\r\n");
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"Re: Caf\u00e9");
}

TEST(PopMsgFiles, ImportKeepsEveryByteAndExportWritesThemBack) {
    TempDir dir;
    const std::string bytes = "Subject: caf\xe9\r\nFrom: x <y>\r\n\r\nbody \x80\r\n";
    write_all(dir.file("in.eml"), bytes);
    auto msg = new_popmsg();
    LONG result = -1;
    ASSERT_EQ(msg->ImportFile(Bstr(dir.file("in.eml")), &result), S_OK);
    EXPECT_EQ(result, 0);
    // Raw Latin-1 reads as its Windows-1252 characters at the interface.
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"caf\u00e9");
    EXPECT_EQ(long_of(&IPOPMSG::GetMessageSize, msg.get()), static_cast<LONG>(bytes.size()));
    ASSERT_EQ(msg->ExportFile(Bstr(dir.file("out.eml")), &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_all(dir.file("out.eml")), bytes);
}

TEST(PopMsgFiles, ExportStopsAtTheFirstNulAndTruncatesAnOldFile) {
    TempDir dir;
    write_all(dir.file("in.eml"), std::string("Subject: a\r\n\r\nxy\0zz", 19));
    write_all(dir.file("out.eml"), std::string(1000, 'o'));
    auto msg = new_popmsg();
    LONG result = -1;
    ASSERT_EQ(msg->ImportFile(Bstr(dir.file("in.eml")), &result), S_OK);
    EXPECT_EQ(long_of(&IPOPMSG::GetMessageSize, msg.get()), 16);
    ASSERT_EQ(msg->ExportFile(Bstr(dir.file("out.eml")), &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read_all(dir.file("out.eml")), "Subject: a\r\n\r\nxy");
}

TEST(PopMsgFiles, FailuresGiveOneAndKeepTheContent) {
    TempDir dir;
    auto msg = new_popmsg();
    load(msg.get(), "Subject: kept\r\n\r\n");
    LONG result = -1;
    for (std::string bad : {dir.file("missing.eml"), dir.file(""), std::string()}) {
        ASSERT_EQ(msg->ImportFile(Bstr(bad), &result), S_OK);
        EXPECT_EQ(result, 1) << bad;
    }
    EXPECT_EQ(text_of([&](BSTR* o) { return msg->GetSubject(o); }), u"kept");
    ASSERT_EQ(msg->ExportFile(Bstr(dir.file("no/such/folder.eml")), &result), S_OK);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(msg->ExportFile(nullptr, &result), S_OK);
    EXPECT_EQ(result, 1);
}

TEST(PopMsgFiles, AnEmptyLoadCountsAsLoaded) {
    TempDir dir;
    auto msg = new_popmsg();
    load(msg.get(), "");
    LONG result = -1;
    ASSERT_EQ(msg->ExportFile(Bstr(dir.file("empty.eml")), &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.eml")), 0u);
}

TEST(PopMsg, NullResultPointersAreRefused) {
    auto msg = new_popmsg();
    EXPECT_EQ(msg->GetSubject(nullptr), E_POINTER);
    EXPECT_EQ(msg->GetMessageSize(nullptr), E_POINTER);
    EXPECT_EQ(msg->ImportFile(nullptr, nullptr), E_POINTER);
}

// Late binding: every header member answers through Invoke by its name.
class LateBound : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VelmoCreateInstance(u"Velmo.POPMSG", IID_IDispatch, disp_.put_void()), S_OK);
    }
    DISPID id_of(const char16_t* name) {
        std::u16string wide = name;
        LPOLESTR names[] = {wide.data()};
        DISPID id = -1;
        EXPECT_EQ(disp_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        return id;
    }
    // Invokes a method with the arguments given in call order; returns the result.
    VARIANT call(const char16_t* name, std::initializer_list<VARIANT> args = {}) {
        std::vector<VARIANT> reversed(args.begin(), args.end());
        std::reverse(reversed.begin(), reversed.end());
        DISPPARAMS dp{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VARIANT r;
        VariantInit(&r);
        EXPECT_EQ(disp_->Invoke(id_of(name), IID_NULL, 0, DISPATCH_METHOD, &dp, &r, nullptr, nullptr), S_OK) << velmo::utf16_to_utf8(name);
        for (VARIANT& v : reversed) VariantClear(&v);
        return r;
    }
    std::u16string string_result(const char16_t* name, std::initializer_list<VARIANT> args = {}) {
        VARIANT r = call(name, args);
        EXPECT_EQ(r.vt, VT_BSTR) << velmo::utf16_to_utf8(name);
        std::u16string s = r.vt == VT_BSTR && r.bstrVal ? std::u16string(r.bstrVal, SysStringLen(r.bstrVal)) : u"";
        VariantClear(&r);
        return s;
    }
    LONG long_result(const char16_t* name) {
        VARIANT r = call(name);
        EXPECT_EQ(r.vt, VT_I4) << velmo::utf16_to_utf8(name);
        return r.lVal;
    }
    static VARIANT str(std::string_view s) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = velmo::to_bstr(s);
        return v;
    }
    static VARIANT num(INT n) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = n;
        return v;
    }
    ComPtr<IDispatch> disp_;
};

TEST_F(LateBound, EveryHeaderMemberAnswersByName) {
    const std::string text =
        "Subject: Late\r\nFrom: Ann <ann.box>\r\nReply-To: <r.box>\r\nTo: t1, T2 <t2.box>\r\n"
        "Cc: C <c.box>\r\nDate: today\r\n\r\nbody";
    VARIANT content = str(text);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&content, &named, 1, 1};
    ASSERT_EQ(disp_->Invoke(id_of(u"RawContent"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
              S_OK);
    VariantClear(&content);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT raw;
    VariantInit(&raw);
    ASSERT_EQ(disp_->Invoke(id_of(u"RawContent"), IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &raw, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(SysStringLen(raw.bstrVal), text.size());
    VariantClear(&raw);

    EXPECT_EQ(string_result(u"GetSubject"), u"Late");
    EXPECT_EQ(string_result(u"GetDate"), u"today");
    EXPECT_EQ(string_result(u"GetFrom"), u"Ann");
    EXPECT_EQ(string_result(u"GetFromAddress"), u"ann.box");
    EXPECT_EQ(string_result(u"GetReplyTo"), u"r.box");
    EXPECT_EQ(string_result(u"GetHeaderItem", {str("cc")}), u"C <c.box>");
    EXPECT_EQ(string_result(u"GetHeader").substr(0, 14), u"Subject: Late\r");
    EXPECT_EQ(long_result(u"GetMessageSize"), static_cast<LONG>(text.size()));
    EXPECT_EQ(long_result(u"GetRecipientCount"), 2);
    EXPECT_EQ(long_result(u"GetCCCount"), 1);
    EXPECT_EQ(string_result(u"GetRecipientName", {num(2)}), u" T2");
    EXPECT_EQ(string_result(u"GetRecipientAddr", {num(2)}), u"t2.box");
    EXPECT_EQ(string_result(u"GetCCName", {num(1)}), u"C");
    EXPECT_EQ(string_result(u"GetCCAddr", {num(1)}), u"c.box");
}

TEST_F(LateBound, FilesByName) {
    TempDir dir;
    write_all(dir.file("a.eml"), "Subject: from file\r\n\r\n");
    VARIANT r = call(u"ImportFile", {str(dir.file("a.eml"))});
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 0);
    EXPECT_EQ(string_result(u"GetSubject"), u"from file");
    r = call(u"ExportFile", {str(dir.file("b.eml"))});
    EXPECT_EQ(r.lVal, 0);
    EXPECT_EQ(read_all(dir.file("b.eml")), "Subject: from file\r\n\r\n");
}

}  // namespace

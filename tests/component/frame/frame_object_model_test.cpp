// The object model: class factories, identity, reference counts, unload counting, and late
// binding by name and by dispatch identifier.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/automation.h"
#include "frame/com_object.h"

namespace {

using velmo::ComPtr;

// A dual interface of the test's own, to pin down the dispatch conventions exactly.
constexpr IID IID_IProbe = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
struct IProbe : IDispatch {
    static constexpr IID iid = IID_IProbe;
    virtual HRESULT Join(BSTR a, LONG n, BSTR b, BSTR* out) = 0;
    virtual HRESULT get_Value(LONG* v) = 0;
    virtual HRESULT put_Value(LONG v) = 0;
    virtual HRESULT Fails(LONG* v) = 0;
    virtual HRESULT Flag(VARIANT_BOOL* v) = 0;
};

class Probe final : public velmo::ComObject<IProbe> {
public:
    HRESULT Join(BSTR a, LONG n, BSTR b, BSTR* out) override {
        return velmo::put_bstr(out, velmo::to_utf8(a) + "|" + std::to_string(n) + "|" + velmo::to_utf8(b));
    }
    HRESULT get_Value(LONG* v) override { return *v = value, S_OK; }
    HRESULT put_Value(LONG v) override { return value = v, S_OK; }
    HRESULT Fails(LONG* v) override {
        *v = 99;  // written, but status 1 means the caller must not see it
        return S_FALSE;
    }
    HRESULT Flag(VARIANT_BOOL* v) override { return *v = VARIANT_TRUE, S_OK; }
    LONG value = 5;
};

}  // namespace

namespace velmo {
template <>
const DispatchTable& dispatch_table_of<IProbe>() {
    static constexpr DispMember members[] = {
        disp_method<&IProbe::Join>(1, "Join"),
        disp_property<&IProbe::get_Value, &IProbe::put_Value>(2, "Value"),
        disp_method<&IProbe::Fails>(3, "Fails"),
        disp_get<&IProbe::Flag>(4, "Flag"),
    };
    static const DispatchTable table{members};
    return table;
}
}  // namespace velmo

namespace {

VARIANT v_i4(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}
VARIANT v_str(const char* s) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = velmo::to_bstr(s);
    return v;
}

TEST(Dispatch, PassesArgumentsInReverseOrderAndReturnsTheResult) {
    ComPtr<IProbe> p = ComPtr<IProbe>::adopt(new Probe);
    VARIANT args[3] = {v_str("last"), v_i4(42), v_str("first")};
    DISPPARAMS dp{args, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(p->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(velmo::to_utf8(result.bstrVal), "first|42|last");
    VariantClear(&result);
    for (VARIANT& a : args) VariantClear(&a);
}

TEST(Dispatch, RejectsWrongCountsTypesAndUnknownMembers) {
    ComPtr<IProbe> p = ComPtr<IProbe>::adopt(new Probe);
    VARIANT args[3] = {v_str("x"), v_str("not a number"), v_str("y")};
    DISPPARAMS three{args, nullptr, 3, 0};
    DISPPARAMS two{args, nullptr, 2, 0};
    VARIANT r;
    VariantInit(&r);
    EXPECT_EQ(p->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &three, &r, nullptr, nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(p->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &two, &r, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(p->Invoke(77, IID_NULL, 0, DISPATCH_METHOD, &two, &r, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(r.vt, VT_EMPTY);
    for (VARIANT& a : args) VariantClear(&a);
}

TEST(Dispatch, PropertyPutNeedsTheNamedArgumentAndReadOnlyHasNoPut) {
    ComPtr<IProbe> p = ComPtr<IProbe>::adopt(new Probe);
    VARIANT arg = v_i4(17);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&arg, &named, 1, 1};
    ASSERT_EQ(p->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT r;
    VariantInit(&r);
    ASSERT_EQ(p->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 17);
    EXPECT_EQ(p->Invoke(4, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(p->Invoke(4, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, -1);
}

TEST(Dispatch, StatusOneLeavesTheResultEmpty) {
    ComPtr<IProbe> p = ComPtr<IProbe>::adopt(new Probe);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT r;
    VariantInit(&r);
    EXPECT_EQ(p->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &none, &r, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(r.vt, VT_EMPTY);
}

TEST(ObjectIdentity, QueryInterfaceGivesOneIUnknownAndCountsReferencesExactly) {
    Probe* raw = new Probe;
    EXPECT_EQ(raw->ref_count(), 1u);
    IUnknown* u1 = nullptr;
    IUnknown* u2 = nullptr;
    IDispatch* d = nullptr;
    ASSERT_EQ(raw->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&u1)), S_OK);
    ASSERT_EQ(raw->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)), S_OK);
    ASSERT_EQ(d->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&u2)), S_OK);
    EXPECT_EQ(u1, u2);
    EXPECT_EQ(raw->ref_count(), 4u);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(raw->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(u1->Release(), 3u);
    EXPECT_EQ(u2->Release(), 2u);
    EXPECT_EQ(d->Release(), 1u);
    EXPECT_EQ(raw->Release(), 0u);
}

struct ClassRow {
    const char* name;
    CLSID clsid;
    IID iid;
    const char* clsid_text;
    const char* iid_text;
    const char16_t* prog_id;
    const char16_t* prog_id_versionless;
    std::vector<std::pair<const char*, DISPID>> members;
    std::vector<DISPID> unassigned;
};

std::vector<ClassRow> class_rows() {
    return {
        {"POPMAIN", CLSID_POPMAIN, IID_IPOPMAIN, "{24919A8D-2502-49CA-B37B-C348EE6E708C}",
         "{4CA564D7-4F81-4C2C-9429-6609A57D26A5}", u"Velmo.POPMAIN.1", u"velmo.popmain",
         {{"ServerPort", 0x02}, {"Connect", 0x03}, {"GetTotalOfMails", 0x04}, {"GetSizeOfMails", 0x05},
          {"Timeout", 0x06}, {"Close", 0x07}, {"Delete", 0x08}, {"Retrieve", 0x09},
          {"GetMsgHeader", 0x0A}, {"GetMsgSize", 0x0B}, {"GetMsgID", 0x0C}, {"NOOP", 0x0D},
          {"Reset", 0x0E}, {"LogFileName", 0x0F}, {"Version", 0x10}, {"Connected", 0x11},
          {"SecureConnect", 0x12}, {"Asynchronous", 0x13}, {"Terminate", 0x15}},
         {0x01, 0x14}},
        {"POPMSG", CLSID_POPMSG, IID_IPOPMSG, "{F9B424D4-51A1-40E0-8EB1-1B9097AF9811}",
         "{897B5A9B-25C7-4C20-BD6A-C13EA4397A6A}", u"Velmo.POPMSG.1", u"Velmo.POPMSG",
         {{"RawContent", 0x01}, {"ImportFile", 0x02}, {"ExportFile", 0x03}, {"GetSubject", 0x04},
          {"GetDate", 0x05}, {"GetReplyTo", 0x06}, {"GetAttachmentCount", 0x07}, {"GetFrom", 0x08},
          {"GetFromAddress", 0x09}, {"GetBodyText", 0x0A}, {"GetAltBody", 0x0B},
          {"GetBodyFormat", 0x0C}, {"SaveAttachment", 0x0D}, {"SaveAttachmentAs", 0x0E},
          {"GetAttachmentName", 0x0F}, {"GetRecipientCount", 0x10}, {"GetCCCount", 0x11},
          {"GetRecipientName", 0x12}, {"GetRecipientAddr", 0x13}, {"GetCCName", 0x14},
          {"GetCCAddr", 0x15}, {"GetAttachmentChunk", 0x16}, {"GetHeaderItem", 0x17},
          {"GetAttachmentSize", 0x18}, {"GetMessageSize", 0x19}, {"GetHeader", 0x1A},
          {"GetMsgChunk", 0x1C}, {"GetContentID", 0x1D}, {"GetContentType", 0x1E},
          {"SaveAllAttachments", 0x1F}, {"DeleteFile", 0x20}, {"HtmlToText", 0x21}},
         {0x1B}},
        {"MSGSTORE", CLSID_MSGSTORE, IID_IMSGSTORE, "{3A041F1F-A2AC-4453-A057-829C89692083}",
         "{67A0279B-3337-4BC2-AA79-56C802EAA72F}", u"Velmo.MSGSTORE.1", u"Velmo.MSGSTORE",
         {{"CreateMailBox", 0x01}, {"DeleteMailBox", 0x02}, {"ClearMailBox", 0x03},
          {"IsMailBoxExisted", 0x04}, {"GetMailBoxPath", 0x05}, {"GetMailBoxCount", 0x06},
          {"GetMailBoxName", 0x07}, {"GetEmailCount", 0x08}, {"GetEmailId", 0x09},
          {"IsEmailExisted", 0x0A}, {"DeleteEmail", 0x0B}, {"DeleteEmailById", 0x0C},
          {"GetEmail", 0x0D}, {"GetEmailById", 0x0E}, {"SaveEmail", 0x0F}, {"SaveEmailById", 0x10}},
         {0x00, 0x11}},
    };
}

class ComponentClass : public testing::TestWithParam<ClassRow> {};

TEST_P(ComponentClass, IdentifiersReadAsPublished) {
    EXPECT_EQ(velmo::guid_to_string(GetParam().clsid), GetParam().clsid_text);
    EXPECT_EQ(velmo::guid_to_string(GetParam().iid), GetParam().iid_text);
}

TEST_P(ComponentClass, FactoryCreatesTheObjectWithItsInterface) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(GetParam().clsid, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the factory reference holds the library
    ComPtr<IDispatch> obj;
    ASSERT_EQ(factory->CreateInstance(nullptr, GetParam().iid, obj.put_void()), S_OK);
    ComPtr<IUnknown> outer;
    void* none = nullptr;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(obj.get()), GetParam().iid, &none),
              CLASS_E_NOAGGREGATION);
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the object is alive
    obj.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_P(ComponentClass, CreatedByEitherProgIdOrClassIdText) {
    for (std::u16string name : {std::u16string(GetParam().prog_id), std::u16string(GetParam().prog_id_versionless),
                                velmo::utf8_to_utf16(GetParam().clsid_text)}) {
        ComPtr<IDispatch> obj;
        EXPECT_EQ(VelmoCreateInstance(name.c_str(), IID_IDispatch, obj.put_void()), S_OK)
            << velmo::utf16_to_utf8(name);
        EXPECT_TRUE(obj);
    }
}

TEST_P(ComponentClass, EveryMemberIsFoundByNameInAnyCaseAndNoneAtUnassignedIds) {
    ComPtr<IDispatch> obj;
    ASSERT_EQ(VelmoCreateInstance(GetParam().prog_id, IID_IDispatch, obj.put_void()), S_OK);
    for (auto [name, id] : GetParam().members) {
        for (std::string spelling : {std::string(name), [&] {
                 std::string lower = name;
                 for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                 return lower;
             }()}) {
            std::u16string wide = velmo::utf8_to_utf16(spelling);
            LPOLESTR names[] = {wide.data()};
            DISPID got = 0;
            EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &got), S_OK) << spelling;
            EXPECT_EQ(got, id) << spelling;
        }
    }
    std::u16string bogus = u"NoSuchMember";
    LPOLESTR names[] = {bogus.data()};
    DISPID got = 0;
    EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, names, 1, 0, &got), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(got, DISPID_UNKNOWN);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    for (DISPID id : GetParam().unassigned)
        EXPECT_EQ(obj->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
                  DISP_E_MEMBERNOTFOUND)
            << id;
}

INSTANTIATE_TEST_SUITE_P(Classes, ComponentClass, testing::ValuesIn(class_rows()),
                         [](const auto& info) { return info.param.name; });

TEST(ClassFactory, UnknownClassIsNotAvailableAndCreatesNothing) {
    constexpr CLSID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(other, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(VelmoCreateInstance(u"Velmo.NOTHING", IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
}

TEST(ClassFactory, LockServerHoldsTheLibrary) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_POPMSG, IID_IClassFactory, factory.put_void()), S_OK);
    factory->LockServer(TRUE);
    IClassFactory* raw = factory.get();
    factory.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    raw->LockServer(FALSE);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(Events, NamesAndIdsMatchTheEventInterface) {
    EXPECT_EQ(velmo::guid_to_string(DIID__IEventThreadObjEvents), "{9B739684-14D2-447F-865E-28E21576139A}");
    EXPECT_EQ(velmo::event_id("ongetmsgheader"), 0x0C);
    EXPECT_EQ(velmo::event_id("OnError"), 0x0D);
    EXPECT_EQ(velmo::event_name(0x05), nullptr);
    EXPECT_STREQ(velmo::event_name(0x09), "OnGetTotalOfMails");
}

}  // namespace

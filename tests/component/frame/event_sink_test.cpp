// EventSink: each event id reaches its handler with its arguments in declared order; ids and
// arguments that do not fit are refused with the dispatch errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/com_ptr.h"
#include "frame/event_sink.h"
#include "frame/text.h"

namespace {

class Log final : public velmo::EventSink {
public:
    std::vector<std::string> seen;
    void OnConnected() override { seen.push_back("connected"); }
    void OnClosed() override { seen.push_back("closed"); }
    void OnReceiving(LONG b, LONG m) override { seen.push_back("receiving " + n(b) + " " + n(m)); }
    void OnDeleted(LONG m) override { seen.push_back("deleted " + n(m)); }
    void OnGetMsgID(const std::string& id, LONG m) override { seen.push_back("id " + id + " " + n(m)); }
    void OnGetMsgSize(LONG s, LONG m) override { seen.push_back("size " + n(s) + " " + n(m)); }
    void OnGetSizeOfMails(LONG s) override { seen.push_back("total size " + n(s)); }
    void OnGetTotalOfMails(LONG c) override { seen.push_back("count " + n(c)); }
    void OnRetrieve(LONG m) override { seen.push_back("retrieve " + n(m)); }
    void OnRetrieved(const std::string& d, LONG m) override { seen.push_back("retrieved " + d + " " + n(m)); }
    void OnGetMsgHeader(const std::string& d, LONG m) override { seen.push_back("header " + d + " " + n(m)); }
    void OnError(LONG e, const std::string& d) override { seen.push_back("error " + n(e) + " " + d); }

private:
    static std::string n(LONG v) { return std::to_string(v); }
};

// Arguments in declared order: a number, or a text when it starts with "'".
using Arg = std::string;

struct Call {
    std::vector<VARIANT> argv;
    explicit Call(const std::vector<Arg>& args) : argv(args.size()) {
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANT& v = argv[args.size() - 1 - i];
            VariantInit(&v);
            if (!args[i].empty() && args[i][0] == '\'') {
                v.vt = VT_BSTR;
                v.bstrVal = velmo::to_bstr(args[i].substr(1));
            } else {
                v.vt = VT_I4;
                v.lVal = std::stoi(args[i]);
            }
        }
    }
    ~Call() {
        for (VARIANT& v : argv) VariantClear(&v);
    }
    HRESULT invoke(IDispatch* sink, DISPID id) {
        DISPPARAMS p{argv.empty() ? nullptr : argv.data(), nullptr, static_cast<UINT>(argv.size()), 0};
        VARIANT result;
        VariantInit(&result);
        return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &p, &result, nullptr, nullptr);
    }
};

struct RouteRow {
    const char* name;
    DISPID id;
    std::vector<Arg> args;
    const char* expected;
};

class SinkRoutes : public testing::TestWithParam<RouteRow> {};

TEST_P(SinkRoutes, EventReachesItsHandler) {
    auto sink = velmo::ComPtr<Log>::adopt(new Log);
    Call call(GetParam().args);
    EXPECT_EQ(call.invoke(sink.get(), GetParam().id), S_OK);
    EXPECT_EQ(sink->seen, std::vector<std::string>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Events, SinkRoutes,
    testing::Values(RouteRow{"OnConnected", DISPID_OnConnected, {}, "connected"},
                    RouteRow{"OnClosed", DISPID_OnClosed, {}, "closed"},
                    RouteRow{"OnReceiving", DISPID_OnReceiving, {"812", "1"}, "receiving 812 1"},
                    RouteRow{"OnDeleted", DISPID_OnDeleted, {"4"}, "deleted 4"},
                    RouteRow{"OnGetMsgID", DISPID_OnGetMsgID, {"'abc", "2"}, "id abc 2"},
                    RouteRow{"OnGetMsgSize", DISPID_OnGetMsgSize, {"320", "2"}, "size 320 2"},
                    RouteRow{"OnGetSizeOfMails", DISPID_OnGetSizeOfMails, {"640"}, "total size 640"},
                    RouteRow{"OnGetTotalOfMails", DISPID_OnGetTotalOfMails, {"2"}, "count 2"},
                    RouteRow{"OnRetrieve", DISPID_OnRetrieve, {"1"}, "retrieve 1"},
                    RouteRow{"OnRetrieved", DISPID_OnRetrieved, {"'+OK", "1"}, "retrieved +OK 1"},
                    RouteRow{"OnGetMsgHeader", DISPID_OnGetMsgHeader, {"'From: a", "3"}, "header From: a 3"},
                    RouteRow{"OnError", DISPID_OnError, {"0", "'Error with connecting server."},
                             "error 0 Error with connecting server."}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefuseRow {
    const char* name;
    DISPID id;
    std::vector<Arg> args;
    HRESULT expected;
};

class SinkRefuses : public testing::TestWithParam<RefuseRow> {};

TEST_P(SinkRefuses, CallThatDoesNotFitAnEvent) {
    auto sink = velmo::ComPtr<Log>::adopt(new Log);
    Call call(GetParam().args);
    EXPECT_EQ(call.invoke(sink.get(), GetParam().id), GetParam().expected);
    EXPECT_TRUE(sink->seen.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Misfits, SinkRefuses,
    testing::Values(RefuseRow{"unassigned_id_5", 5, {}, DISP_E_MEMBERNOTFOUND},
                    RefuseRow{"id_beyond_the_table", 0x0E, {}, DISP_E_MEMBERNOTFOUND},
                    RefuseRow{"too_few_arguments", DISPID_OnGetMsgSize, {"1"}, DISP_E_BADPARAMCOUNT},
                    RefuseRow{"too_many_arguments", DISPID_OnClosed, {"1"}, DISP_E_BADPARAMCOUNT},
                    RefuseRow{"number_for_text", DISPID_OnGetMsgHeader, {"1", "1"}, DISP_E_TYPEMISMATCH},
                    RefuseRow{"text_for_number", DISPID_OnDeleted, {"'x"}, DISP_E_TYPEMISMATCH}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventSink, AnswersTheEventInterfaceAndLooksUpEventNames) {
    auto sink = velmo::ComPtr<Log>::adopt(new Log);
    velmo::ComPtr<IDispatch> as_events;
    EXPECT_EQ(sink->QueryInterface(DIID__IEventThreadObjEvents, as_events.put_void()), S_OK);
    EXPECT_EQ(sink->AddRef(), 3u);
    sink->Release();
    std::u16string name = u"onGETmsgHEADER";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, DISPID_OnGetMsgHeader);
    std::u16string bad = u"OnNothing";
    names[0] = bad.data();
    EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
}

}  // namespace

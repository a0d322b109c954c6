#include "pop3/popmain.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "frame/class_table.h"
#include "frame/enumerator.h"
#include "frame/text.h"
#include "pop3/server_address.h"

namespace velmo {

namespace {

// A property's value through its out pointer.
template <class T>
HRESULT put_value(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

LONG clamp_long(std::uint32_t value) {
    return static_cast<LONG>(std::min<std::uint32_t>(value, std::numeric_limits<LONG>::max()));
}

// Text results: written only on success; S_FALSE leaves the result untouched.
HRESULT text_result(bool ok, const std::string& text, BSTR* pVal) {
    if (!ok) return S_FALSE;
    return put_bstr(pVal, text);
}

}  // namespace

// A standing session ends with QUIT; its reply is awaited for at most two seconds, so the
// release of an object whose server went silent does not hang the releasing thread.
PopMain::~PopMain() {
    // First stop and join the workers: nothing else may touch the session while one runs.
    // This also ends a standing session with QUIT, its reply awaited at most a second.
    workers_.shutdown();
    if (!session_.connected()) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    session_.set_stop_predicate([deadline] { return std::chrono::steady_clock::now() > deadline; });
    session_.CloseSession();
}

HRESULT PopMain::queue_job(std::int32_t kind, std::int32_t argument) {
    queue_.push(kind, argument);
    return S_OK;
}

HRESULT PopMain::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return Enumerator<IEnumConnectionPoints, IConnectionPoint*>::create({&events_}, 0, ppEnum);
}

HRESULT PopMain::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    if (riid != DIID__IEventThreadObjEvents) return CONNECT_E_NOCONNECTION;
    events_.AddRef();
    *ppCP = &events_;
    return S_OK;
}

HRESULT PopMain::get_LastFailureKind(LONG* pVal) {
    return put_value<LONG>(pVal, static_cast<LONG>(session_.last_failure().kind));
}

HRESULT PopMain::get_LastFailure(BSTR* pVal) { return put_bstr(pVal, session_.last_failure().text); }

HRESULT PopMain::get_BytesReceived(LONG* pVal) {
    return put_value<LONG>(pVal, static_cast<LONG>(session_.bytes_received() & 0x7FFFFFFFu));
}

HRESULT PopMain::get_MaxMessageSize(LONG* pVal) {
    return put_value<LONG>(pVal, clamp_long(session_.max_message_size()));
}

HRESULT PopMain::put_MaxMessageSize(LONG newVal) {
    session_.set_max_message_size(newVal > 0 ? static_cast<std::uint32_t>(newVal) : Pop3Session::kDefaultMaxMessageSize);
    return S_OK;
}

HRESULT PopMain::get_ServerPort(LONG* pVal) { return put_value<LONG>(pVal, server_port_); }

HRESULT PopMain::put_ServerPort(LONG newVal) {
    server_port_ = newVal;
    return S_OK;
}

HRESULT PopMain::get_Timeout(LONG* pVal) {
    return put_value<LONG>(pVal, static_cast<LONG>(session_.timeout_ms() / 1000u));
}

HRESULT PopMain::put_Timeout(LONG newVal) {
    session_.set_timeout_ms(static_cast<std::uint32_t>(newVal) * 1000u);
    return S_OK;
}

HRESULT PopMain::get_LogFileName(BSTR* pVal) {
    return put_bstr(pVal, session_.log_file_name());
}

HRESULT PopMain::put_LogFileName(BSTR newVal) {
    session_.set_log_file_name(to_utf8(newVal));
    return S_OK;
}

HRESULT PopMain::get_Version(BSTR* pVal) { return put_bstr(pVal, kVersionText); }

HRESULT PopMain::get_Connected(VARIANT_BOOL* pVal) {
    return put_value<VARIANT_BOOL>(pVal, session_.connected() ? VARIANT_TRUE : VARIANT_FALSE);
}

HRESULT PopMain::get_Pipelining(LONG* pVal) {
    return put_value<LONG>(pVal, session_.pipelining_allowed() ? 1 : 0);
}

HRESULT PopMain::put_Pipelining(LONG newVal) {
    session_.set_pipelining_allowed(newVal != 0);
    return S_OK;
}

HRESULT PopMain::get_Asynchronous(LONG* pVal) { return put_value<LONG>(pVal, asynchronous_); }

HRESULT PopMain::put_Asynchronous(LONG newVal) {
    asynchronous_ = newVal == 1 ? 1 : 0;
    return S_OK;
}

HRESULT PopMain::put_AccessToken(BSTR token) {
    access_token_ = to_utf8(token);
    return S_OK;
}

HRESULT PopMain::get_ConnectionKind(BSTR* pVal) { return put_bstr(pVal, session_.connection_kind()); }

HRESULT PopMain::get_SignInKind(BSTR* pVal) { return put_bstr(pVal, session_.sign_in_kind()); }

HRESULT PopMain::RunLogin(Login kind, BSTR Server, BSTR User, BSTR Password, LONG* pVal) {
    if (!pVal) return E_POINTER;
    std::string server = to_utf8(Server), user = to_utf8(User), password = to_utf8(Password);
    // Too long for the login fields: refused whole rather than cut, and like any failed login
    // it leaves no session standing.
    if (server.size() > kLoginFieldMax || user.size() > kLoginFieldMax ||
        password.size() > kLoginFieldMax) {
        if (asynchronous()) {
            WorkerLogin refused;
            refused.refusal = "login field longer than " + std::to_string(kLoginFieldMax) + " characters";
            refused.acceptable = false;
            workers_.start(std::move(refused));
            return S_OK;
        }
        session_.CloseSession();
        session_.SetFailure(FailureKind::Refused,
                            "login field longer than " + std::to_string(kLoginFieldMax) + " characters");
        *pVal = 1;
        return S_OK;
    }
    login_server_ = std::move(server);
    login_user_ = std::move(user);
    login_password_ = std::move(password);
    if (asynchronous()) {
        // The worker reads ServerPort when it logs in; SecureConnect logs in with APOP.
        WorkerLogin login{login_server_, login_user_, login_password_, server_port_.load()};
        login.apop = kind == Login::Apop;
        login.access_token = access_token_;
        workers_.start(std::move(login));
        return S_OK;
    }
    ServerAddress address = parse_server_address(login_server_, server_port_.load());
    kept_.reset();
    session_.BeginRequest();
    session_.set_access_token(access_token_);
    bool ok = kind == Login::Apop
                  ? session_.LoginApop(address.host, login_user_, login_password_, address.port)
                  : session_.LoginUserPass(address.host, login_user_, login_password_, address.port);
    *pVal = session_.EndRequest(ok) ? 0 : 1;
    return S_OK;
}

HRESULT PopMain::Connect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) {
    return RunLogin(Login::UserPass, Server, User, Password, pVal);
}

HRESULT PopMain::SecureConnect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) {
    return RunLogin(Login::Apop, Server, User, Password, pVal);
}

HRESULT PopMain::GetTotalOfMails(LONG* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobTotalOfMails);
    std::int32_t count = 0, size = 0;
    session_.BeginRequest();
    if (!session_.Stat(count, size)) return S_FALSE;
    *pVal = count;
    return S_OK;
}

HRESULT PopMain::GetSizeOfMails(LONG* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobSizeOfMails);
    std::int32_t count = 0, size = 0;
    session_.BeginRequest();
    if (!session_.Stat(count, size)) return S_FALSE;
    *pVal = size;
    return S_OK;
}

HRESULT PopMain::Close() {
    if (asynchronous()) return queue_job(kJobClose);
    session_.BeginRequest();
    kept_.set_quit_confirmed(session_.CloseSession());
    return S_OK;
}

HRESULT PopMain::Delete(LONG nMsg, LONG* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobDelete, nMsg);
    session_.BeginRequest();
    bool ok;
    if (kept_.ask_ids()) {
        std::string id;
        ok = session_.DeleAskingId(nMsg, id);
        kept_.set_unique_id(nMsg, std::move(id));
    } else {
        ok = session_.Dele(nMsg);
    }
    *pVal = session_.EndRequest(ok) ? 0 : 1;
    return S_OK;
}

HRESULT PopMain::Retrieve(LONG nMsg, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobRetrieve, nMsg);
    session_.BeginRequest();
    if (!kept_.keep()) {
        std::string text;
        bool ok = session_.EndRequest(session_.Retr(nMsg, text));
        return text_result(ok, text, pVal);
    }
    // The reply is kept for IPOPRAW; the result is its text after the status line, as Retr
    // gives it.
    kept_.forget_retrieved();
    std::string reply;
    if (!session_.EndRequest(session_.RetrReply(nMsg, reply))) return S_FALSE;
    const auto shared = std::make_shared<const std::string>(std::move(reply));
    kept_.keep_retrieved(nMsg, shared);
    const std::string_view whole = *shared;
    const std::size_t status_end = whole.find("\r\n");
    const std::string_view text =
        status_end == std::string_view::npos ? std::string_view() : whole.substr(status_end + 2);
    return put_bstr(pVal, text);
}

HRESULT PopMain::get_KeepRetrieved(LONG* pVal) { return put_value<LONG>(pVal, kept_.keep() ? 1 : 0); }

HRESULT PopMain::put_KeepRetrieved(LONG newVal) {
    kept_.set_keep(newVal != 0);
    if (newVal == 0) kept_.forget_retrieved();
    return S_OK;
}

HRESULT PopMain::get_RetrievedMsg(LONG* pVal) { return put_value<LONG>(pVal, kept_.retrieved_msg()); }

HRESULT PopMain::get_RetrievedSize(LONG* pVal) {
    const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(kept_.retrieved_size(), UINT32_MAX));
    return put_value<LONG>(pVal, clamp_long(size));
}

HRESULT PopMain::CopyRetrieved(unsigned char* buffer, LONG size, LONG* copied) {
    if (!copied) return E_POINTER;
    *copied = 0;
    if (kept_.retrieved_msg() == 0) return S_FALSE;
    if (!buffer || size < 0 || static_cast<std::size_t>(size) < kept_.retrieved_size()) return E_INVALIDARG;
    std::size_t n = 0;
    if (!kept_.copy_retrieved(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size), n)) return S_FALSE;
    *copied = static_cast<LONG>(n);
    return S_OK;
}

HRESULT PopMain::ForgetRetrieved() {
    kept_.forget_retrieved();
    return S_OK;
}

HRESULT PopMain::get_AskUniqueIds(LONG* pVal) { return put_value<LONG>(pVal, kept_.ask_ids() ? 1 : 0); }

HRESULT PopMain::put_AskUniqueIds(LONG newVal) {
    kept_.set_ask_ids(newVal != 0);
    return S_OK;
}

HRESULT PopMain::get_DeleteAhead(LONG* pVal) { return put_value<LONG>(pVal, kept_.delete_ahead() ? 1 : 0); }

HRESULT PopMain::put_DeleteAhead(LONG newVal) {
    kept_.set_delete_ahead(newVal != 0);
    return S_OK;
}

HRESULT PopMain::GetUniqueId(LONG nMsg, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    const std::optional<std::string> id = kept_.unique_id(nMsg);
    const HRESULT hr = put_bstr(pVal, id.value_or(std::string()));
    return FAILED(hr) ? hr : id ? S_OK : S_FALSE;
}

HRESULT PopMain::get_QuitConfirmed(LONG* pVal) {
    return put_value<LONG>(pVal, kept_.quit_confirmed() ? 1 : 0);
}

HRESULT PopMain::GetMsgHeader(LONG nMsg, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobMsgHeader, nMsg);
    std::string header;
    session_.BeginRequest();
    bool ok = session_.EndRequest(session_.Top(nMsg, header));
    return text_result(ok, header, pVal);
}

HRESULT PopMain::GetMsgSize(LONG nMsg, LONG* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobMsgSize, nMsg);
    std::uint32_t size = 0;
    session_.BeginRequest();
    if (!session_.EndRequest(session_.LookupSize(nMsg, size))) return S_FALSE;
    *pVal = clamp_long(size);
    return S_OK;
}

HRESULT PopMain::GetMsgID(LONG nMsg, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    if (asynchronous()) return queue_job(kJobMsgId, nMsg);
    std::string id;
    session_.BeginRequest();
    bool ok = session_.EndRequest(session_.LookupUniqueId(nMsg, id));
    return text_result(ok, id, pVal);
}

HRESULT PopMain::NOOP() {
    if (asynchronous()) return queue_job(kJobNoop);
    session_.BeginRequest();
    session_.EndRequest(session_.Noop());
    return S_OK;
}

HRESULT PopMain::Reset() {
    if (asynchronous()) return queue_job(kJobReset);
    session_.BeginRequest();
    session_.EndRequest(session_.Rset());
    return S_OK;
}

// Stop request to the worker and an empty queue, in either mode; waits for nothing.
HRESULT PopMain::Terminate() {
    workers_.terminate();
    return S_OK;
}

HRESULT create_popmain(REFIID riid, void** ppv) { return create_instance<PopMain>(riid, ppv); }

}  // namespace velmo

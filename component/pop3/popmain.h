// POPMAIN: the POP3 client object. Properties and the synchronous operations run the object's
// Pop3Session on the caller's thread; in asynchronous mode the operations are left to the worker.
// Beside IPOPMAIN it offers IPOPSTATUS, the cause of the last failure, IPOPOPTIONS, the
// pipelining switch, IPOPSIGNIN, the access token of an OAuth2 sign-in, and IPOPRAW, the bytes
// of retrieved messages and unique ids.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "frame/com_object.h"
#include "frame/connection_point.h"
#include "frame/ipopmain.h"
#include "pop3/ipopstatus.h"
#include "pop3/ipopoptions.h"
#include "frame/ipopsignin.h"
#include "pop3/ipopraw.h"
#include "pop3/kept_message.h"
#include "pop3/job_queue.h"
#include "pop3/pop3_session.h"
#include "pop3/worker.h"

namespace velmo {

class PopMain final
    : public ComObject<IPOPMAIN, IConnectionPointContainer, IPOPSTATUS, IPOPOPTIONS, IPOPSIGNIN, IPOPRAW> {
public:
    static constexpr std::int32_t kDefaultPort = 110;
    // The login fields hold at most 259 characters; longer text fails the login whole.
    static constexpr std::size_t kLoginFieldMax = 259;

    HRESULT get_ServerPort(LONG* pVal) override;
    HRESULT put_ServerPort(LONG newVal) override;
    HRESULT Connect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) override;
    HRESULT GetTotalOfMails(LONG* pVal) override;
    HRESULT GetSizeOfMails(LONG* pVal) override;
    HRESULT get_Timeout(LONG* pVal) override;
    HRESULT put_Timeout(LONG newVal) override;
    HRESULT Close() override;
    HRESULT Delete(LONG nMsg, LONG* pVal) override;
    HRESULT Retrieve(LONG nMsg, BSTR* pVal) override;
    HRESULT GetMsgHeader(LONG nMsg, BSTR* pVal) override;
    HRESULT GetMsgSize(LONG nMsg, LONG* pVal) override;
    HRESULT GetMsgID(LONG nMsg, BSTR* pVal) override;
    HRESULT NOOP() override;
    HRESULT Reset() override;
    HRESULT get_LogFileName(BSTR* pVal) override;
    HRESULT put_LogFileName(BSTR newVal) override;
    HRESULT get_Version(BSTR* pVal) override;
    HRESULT get_Connected(VARIANT_BOOL* pVal) override;
    HRESULT SecureConnect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) override;
    HRESULT get_Asynchronous(LONG* pVal) override;
    HRESULT put_Asynchronous(LONG newVal) override;
    HRESULT Terminate() override;

    // IConnectionPointContainer: the one connection point, for _IEventThreadObjEvents.
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // IPOPSTATUS
    HRESULT get_LastFailureKind(LONG* pVal) override;
    HRESULT get_LastFailure(BSTR* pVal) override;
    HRESULT get_BytesReceived(LONG* pVal) override;
    HRESULT get_MaxMessageSize(LONG* pVal) override;
    HRESULT put_MaxMessageSize(LONG newVal) override;
    // IPOPOPTIONS
    HRESULT get_Pipelining(LONG* pVal) override;
    HRESULT put_Pipelining(LONG newVal) override;
    // IPOPSIGNIN: the access token of the next login, and how the last login went.
    HRESULT put_AccessToken(BSTR token) override;
    HRESULT get_ConnectionKind(BSTR* pVal) override;
    HRESULT get_SignInKind(BSTR* pVal) override;
    // IPOPRAW
    HRESULT get_KeepRetrieved(LONG* pVal) override;
    HRESULT put_KeepRetrieved(LONG newVal) override;
    HRESULT get_RetrievedMsg(LONG* pVal) override;
    HRESULT get_RetrievedSize(LONG* pVal) override;
    HRESULT CopyRetrieved(unsigned char* buffer, LONG size, LONG* copied) override;
    HRESULT ForgetRetrieved() override;
    HRESULT get_AskUniqueIds(LONG* pVal) override;
    HRESULT put_AskUniqueIds(LONG newVal) override;
    HRESULT get_DeleteAhead(LONG* pVal) override;
    HRESULT put_DeleteAhead(LONG newVal) override;
    HRESULT GetUniqueId(LONG nMsg, BSTR* pVal) override;
    HRESULT get_QuitConfirmed(LONG* pVal) override;

protected:
    ~PopMain() override;

private:
    enum class Login { UserPass, Apop };
    HRESULT RunLogin(Login kind, BSTR Server, BSTR User, BSTR Password, LONG* pVal);
    bool asynchronous() const { return asynchronous_ == 1; }
    // Asynchronous mode: the job for the worker; the call returns at once.
    HRESULT queue_job(std::int32_t kind, std::int32_t argument = 0);

    Pop3Session session_;
    std::atomic<std::int32_t> server_port_{kDefaultPort};  // the worker reads it at its login
    std::int32_t asynchronous_ = 0;
    std::string login_server_;  // as given, "host:port" included
    std::string login_user_;
    std::string login_password_;
    std::string access_token_;  // for the next login; empty: the password
    // The asynchronous half; the worker control goes first, so no worker outlives the rest.
    JobQueue queue_;
    EventConnectionPoint events_{this};
    KeptMessage kept_;
    WorkerControl workers_{{session_, queue_, events_, &server_port_, &kept_}};
};

}  // namespace velmo

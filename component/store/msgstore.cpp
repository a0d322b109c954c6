#include "store/msgstore.h"

#include <optional>
#include <string>

#include "frame/class_table.h"
#include "frame/text.h"
#include "store/store_paths.h"

namespace velmo {
namespace {

constexpr LONG kSuccess = 0;
constexpr LONG kFailure = 1;

// Each result helper checks the result pointer before the operation runs, so a call that
// cannot report its result changes nothing.
template <class Op>
HRESULT put_status(LONG* out, Op op) {
    if (!out) return E_POINTER;
    *out = op() ? kSuccess : kFailure;
    return S_OK;
}

template <class Op>
HRESULT put_count(LONG* out, Op op) {
    if (!out) return E_POINTER;
    *out = op();
    return S_OK;
}

template <class Op>
HRESULT put_text(BSTR* out, Op op) {
    if (!out) return E_POINTER;
    std::optional<std::string> text = op();
    return put_bstr(out, text ? std::string_view(*text) : std::string_view());
}

bool all_given(std::initializer_list<BSTR> args) {
    for (BSTR a : args)
        if (!a) return false;
    return true;
}

}  // namespace

MsgStore::MsgStore() : folders_(store::resolve_store_root()) {}

HRESULT MsgStore::CreateMailBox(BSTR MailBox, LONG* pVal) {
    return put_status(pVal, [&] { return MailBox && folders_.create_mailbox(to_utf8(MailBox)); });
}

HRESULT MsgStore::DeleteMailBox(BSTR MailBox, LONG* pVal) {
    return put_status(pVal, [&] { return MailBox && folders_.delete_mailbox(to_utf8(MailBox)); });
}

HRESULT MsgStore::ClearMailBox(BSTR MailBox, LONG* pVal) {
    return put_status(pVal, [&] { return MailBox && folders_.clear_mailbox(to_utf8(MailBox)); });
}

HRESULT MsgStore::IsMailBoxExisted(BSTR MailBox, LONG* pVal) {
    return put_status(pVal, [&] { return MailBox && folders_.mailbox_exists(to_utf8(MailBox)); });
}

HRESULT MsgStore::GetMailBoxPath(BSTR MailBox, BSTR* pVal) {
    return put_text(pVal, [&] { return MailBox ? folders_.mailbox_path(to_utf8(MailBox)) : std::nullopt; });
}

HRESULT MsgStore::GetMailBoxCount(LONG* pVal) {
    return put_count(pVal, [&] { return folders_.mailbox_count(); });
}

HRESULT MsgStore::GetMailBoxName(LONG Index, BSTR* pVal) {
    return put_text(pVal, [&] { return folders_.mailbox_name(Index); });
}

HRESULT MsgStore::GetEmailCount(BSTR MailBox, LONG* pVal) {
    return put_count(pVal, [&] { return MailBox ? folders_.email_count(to_utf8(MailBox)) : 0; });
}

HRESULT MsgStore::GetEmailId(BSTR MailBox, LONG Index, BSTR* pVal) {
    return put_text(pVal,
                    [&] { return MailBox ? folders_.email_id(to_utf8(MailBox), Index) : std::nullopt; });
}

HRESULT MsgStore::IsEmailExisted(BSTR MailBox, BSTR MsgId, LONG* pVal) {
    return put_status(pVal, [&] {
        return all_given({MailBox, MsgId}) && folders_.email_exists(to_utf8(MailBox), to_utf8(MsgId));
    });
}

HRESULT MsgStore::DeleteEmail(BSTR MailBox, LONG Index, LONG* pVal) {
    return put_status(pVal, [&] { return MailBox && folders_.delete_email(to_utf8(MailBox), Index); });
}

HRESULT MsgStore::DeleteEmailById(BSTR MailBox, BSTR MsgId, LONG* pVal) {
    return put_status(pVal, [&] {
        return all_given({MailBox, MsgId}) && folders_.delete_email_by_id(to_utf8(MailBox), to_utf8(MsgId));
    });
}

HRESULT MsgStore::GetEmail(BSTR MailBox, LONG Index, BSTR* pVal) {
    return put_text(pVal, [&] { return MailBox ? folders_.email(to_utf8(MailBox), Index) : std::nullopt; });
}

HRESULT MsgStore::GetEmailById(BSTR MailBox, BSTR MsgId, BSTR* pVal) {
    return put_text(pVal, [&] {
        return all_given({MailBox, MsgId}) ? folders_.email_by_id(to_utf8(MailBox), to_utf8(MsgId))
                                           : std::nullopt;
    });
}

HRESULT MsgStore::SaveEmail(BSTR MailBox, BSTR Raw, LONG* pVal) {
    return put_status(pVal, [&] {
        return all_given({MailBox, Raw}) && folders_.save_email(to_utf8(MailBox), to_utf8(Raw));
    });
}

HRESULT MsgStore::SaveEmailById(BSTR MailBox, BSTR Raw, BSTR MsgId, LONG* pVal) {
    return put_status(pVal, [&] {
        return all_given({MailBox, Raw, MsgId}) &&
               folders_.save_email_by_id(to_utf8(MailBox), to_utf8(Raw), to_utf8(MsgId));
    });
}

HRESULT MsgStore::SaveEmailBytesById(BSTR MailBox, const unsigned char* Raw, LONG Size, BSTR MsgId, LONG* pVal) {
    return put_status(pVal, [&] {
        if (!all_given({MailBox, MsgId}) || Size < 0 || (!Raw && Size > 0)) return false;
        const std::string_view bytes(Raw ? reinterpret_cast<const char*>(Raw) : "", static_cast<std::size_t>(Size));
        return folders_.save_email_by_id(to_utf8(MailBox), bytes, to_utf8(MsgId), byte_saves_);
    });
}

HRESULT MsgStore::DeferSync(VARIANT_BOOL Defer) {
    byte_saves_ = Defer ? store::SyncMode::deferred : store::SyncMode::now;
    return S_OK;
}

HRESULT create_msgstore(REFIID riid, void** ppv) { return create_instance<MsgStore>(riid, ppv); }

}  // namespace velmo

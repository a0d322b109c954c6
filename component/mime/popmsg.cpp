#include "mime/popmsg.h"

#include "frame/class_table.h"
#include "frame/text.h"
#include "mime/file_bytes.h"
#include "mime/popmsg_calls.h"

namespace velmo {
namespace {

using List = MimeMessage::RecipientList;

using popmsg_calls::argument;
using popmsg_calls::guarded;
using popmsg_calls::put_long;

}  // namespace

void PopMsg::load(std::string text, TextOrigin origin) {
    spare_ = message_.LoadContent(std::move(text), origin);
    // Keep the old storage only while it is not much larger than what is loaded now.
    if (spare_.capacity() > (1u << 20) && spare_.capacity() / 4 > message_.text().size()) spare_ = std::string();
}

HRESULT PopMsg::get_RawContent(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.text()); });
}

HRESULT PopMsg::put_RawContent(BSTR newVal) {
    return guarded([&] {
        // The interface's string is Unicode: its text is UTF-8 here, whatever charset the
        // message names.
        load(argument(newVal), TextOrigin::Unicode);
        return S_OK;
    });
}

HRESULT PopMsg::ImportFile(BSTR FileName, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        if (!read_file_bytes(argument(FileName), spare_)) return put_long(pVal, 1);
        load(std::move(spare_), TextOrigin::Bytes);
        return put_long(pVal, 0);
    });
}

HRESULT PopMsg::ExportFile(BSTR FileName, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        bool ok = message_.loaded() && write_file_bytes(argument(FileName), message_.text());
        return put_long(pVal, ok ? 0 : 1);
    });
}

HRESULT PopMsg::GetMessageSize(LONG* pVal) {
    return guarded([&] { return put_long(pVal, message_.text().size()); });
}
HRESULT PopMsg::GetHeader(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetHeaderBlock()); });
}
HRESULT PopMsg::GetHeaderItem(BSTR sItem, BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetField(argument(sItem))); });
}
HRESULT PopMsg::GetSubject(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetSubject()); });
}
HRESULT PopMsg::GetDate(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetDate()); });
}
HRESULT PopMsg::GetReplyTo(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetReplyTo()); });
}
HRESULT PopMsg::GetFrom(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetFrom()); });
}
HRESULT PopMsg::GetFromAddress(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetFromAddress()); });
}

HRESULT PopMsg::GetRecipientCount(LONG* pVal) {
    return guarded([&] { return put_long(pVal, message_.recipient_count(List::To)); });
}
HRESULT PopMsg::GetCCCount(LONG* pVal) {
    return guarded([&] { return put_long(pVal, message_.recipient_count(List::Cc)); });
}
HRESULT PopMsg::GetRecipientName(INT nCount, BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.recipient_name(List::To, nCount)); });
}
HRESULT PopMsg::GetRecipientAddr(INT nCount, BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.recipient_addr(List::To, nCount)); });
}
HRESULT PopMsg::GetCCName(INT nCount, BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.recipient_name(List::Cc, nCount)); });
}
HRESULT PopMsg::GetCCAddr(INT nCount, BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.recipient_addr(List::Cc, nCount)); });
}

HRESULT create_popmsg(REFIID riid, void** ppv) { return create_instance<PopMsg>(riid, ppv); }

}  // namespace velmo

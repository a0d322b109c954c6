#include "mime/popmsg.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "frame/class_table.h"
#include "frame/text.h"
#include "mime/file_bytes.h"

namespace velmo {
namespace {

using List = MimeMessage::RecipientList;

HRESULT put_long(LONG* out, std::size_t value) {
    if (!out) return E_POINTER;
    *out = static_cast<LONG>(std::min<std::size_t>(value, INT32_MAX));
    return S_OK;
}

// Runs one member; running out of memory is answered with E_OUTOFMEMORY, never thrown
// through the interface.
template <class Body>
HRESULT guarded(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Interface text ends at its first NUL character, as the 8-bit text inside does.
std::string argument(BSTR text) {
    std::string s = to_utf8(text);
    std::size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

}  // namespace

void PopMsg::load(std::string text) {
    spare_ = message_.LoadContent(std::move(text));
    // Keep the old storage only while it is not much larger than what is loaded now.
    if (spare_.capacity() > (1u << 20) && spare_.capacity() / 4 > message_.text().size()) spare_ = std::string();
}

HRESULT PopMsg::get_RawContent(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.text()); });
}

HRESULT PopMsg::put_RawContent(BSTR newVal) {
    return guarded([&] {
        load(argument(newVal));
        return S_OK;
    });
}

HRESULT PopMsg::ImportFile(BSTR FileName, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        if (!read_file_bytes(argument(FileName), spare_)) return put_long(pVal, 1);
        load(std::move(spare_));
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

// Bodies, attachments and HTML to text are not built yet.
HRESULT PopMsg::GetAttachmentCount(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetBodyText(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAltBody(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetBodyFormat(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::SaveAttachment(BSTR, INT, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::SaveAttachmentAs(BSTR, INT, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentName(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentChunk(INT, VARIANT*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentSize(INT, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetMsgChunk(VARIANT*) { return E_NOTIMPL; }
HRESULT PopMsg::GetContentID(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetContentType(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::SaveAllAttachments(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::DeleteFile(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::HtmlToText(BSTR, BSTR*) { return E_NOTIMPL; }

HRESULT create_popmsg(REFIID riid, void** ppv) { return create_instance<PopMsg>(riid, ppv); }

}  // namespace velmo

// POPMSG's body, attachment and file members, and HtmlToText: thin conversions between the
// interface and the message's parts. Every member answers S_OK, except the two array members,
// which answer S_FALSE and leave their result untouched when there is nothing to deliver.
#include <optional>
#include <vector>

#include "mime/attachment_files.h"
#include "mime/attachment_saving.h"
#include "mime/attachments.h"
#include "mime/byte_variant.h"
#include "mime/html_to_text.h"
#include "mime/popmsg.h"
#include "mime/popmsg_calls.h"

namespace velmo {
namespace {

using popmsg_calls::argument;
using popmsg_calls::guarded;
using popmsg_calls::put_long;

// 0 for success and 1 for failure, as the interface reports it.
HRESULT put_status(LONG* out, bool ok) { return put_long(out, ok ? 0 : 1); }

}  // namespace

// An attachment number is checked against the cached count before any part is walked.
bool PopMsg::in_range(INT nCount) { return nCount >= 1 && nCount <= message_.GetAttachmentCount(); }

HRESULT PopMsg::GetBodyText(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetBodyText()); });
}
HRESULT PopMsg::GetAltBody(BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, message_.GetAltBody()); });
}
HRESULT PopMsg::GetBodyFormat(LONG* pVal) {
    return guarded([&] { return put_long(pVal, static_cast<std::size_t>(message_.GetBodyFormat())); });
}
HRESULT PopMsg::GetAttachmentCount(LONG* pVal) {
    return guarded([&] { return put_long(pVal, static_cast<std::size_t>(message_.GetAttachmentCount())); });
}

HRESULT PopMsg::GetAttachmentName(INT nCount, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        return put_bstr(pVal, in_range(nCount) ? attachment_name(message_.parts(), nCount) : std::string());
    });
}

HRESULT PopMsg::GetContentType(INT nCount, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        return put_bstr(pVal, in_range(nCount) ? attachment_content_type(message_.parts(), nCount) : std::string());
    });
}

HRESULT PopMsg::GetContentID(INT nCount, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        return put_bstr(pVal, in_range(nCount) ? attachment_content_id(message_.parts(), nCount) : std::string());
    });
}

// Out of range the size is 0 and nothing is decoded.
HRESULT PopMsg::GetAttachmentSize(INT nCount, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        std::size_t size = 0;
        if (in_range(nCount))
            if (std::optional<std::vector<unsigned char>> bytes = attachment_bytes(message_.parts(), nCount))
                size = bytes->size();
        return put_long(pVal, size);
    });
}

HRESULT PopMsg::GetAttachmentChunk(INT nCount, VARIANT* pVal) {
    if (!pVal) return E_POINTER;
    try {
        if (!in_range(nCount)) return S_FALSE;
        std::optional<std::vector<unsigned char>> bytes = attachment_bytes(message_.parts(), nCount);
        return bytes ? put_byte_array(pVal, *bytes) : S_FALSE;
    } catch (const std::bad_alloc&) {
        return S_FALSE;  // the array cannot be built
    }
}

HRESULT PopMsg::GetMsgChunk(VARIANT* pVal) {
    std::string_view text = message_.text();
    return put_byte_array(pVal, {reinterpret_cast<const unsigned char*>(text.data()), text.size()});
}

HRESULT PopMsg::SaveAttachment(BSTR sPath, INT nCount, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        return put_status(pVal, in_range(nCount) && save_attachment(message_.parts(), argument(sPath), nCount));
    });
}

HRESULT PopMsg::SaveAttachmentAs(BSTR sFile, INT nCount, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        return put_status(pVal, in_range(nCount) && save_attachment_as(message_.parts(), argument(sFile), nCount));
    });
}

HRESULT PopMsg::SaveAllAttachments(BSTR sPath, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] {
        return put_long(pVal, static_cast<std::size_t>(save_all_attachments(message_.parts(), argument(sPath))));
    });
}

HRESULT PopMsg::DeleteFile(BSTR sFile, LONG* pVal) {
    if (!pVal) return E_POINTER;
    return guarded([&] { return put_status(pVal, delete_file(argument(sFile))); });
}

HRESULT PopMsg::HtmlToText(BSTR Html, BSTR* pVal) {
    return guarded([&] { return put_bstr(pVal, html_to_text(argument(Html))); });
}

}  // namespace velmo

// The dispatch tables of the three dual interfaces: every member under its name and
// dispatch identifier, in table order.
#include "frame/dispatch.h"
#include "frame/imsgstore.h"
#include "frame/ipopmain.h"
#include "frame/ipopmsg.h"

namespace velmo {

namespace {

using M = IPOPMAIN;
constexpr DispMember kPopMain[] = {
    disp_property<&M::get_ServerPort, &M::put_ServerPort>(0x02, "ServerPort"),
    disp_method<&M::Connect>(0x03, "Connect"),
    disp_method<&M::GetTotalOfMails>(0x04, "GetTotalOfMails"),
    disp_method<&M::GetSizeOfMails>(0x05, "GetSizeOfMails"),
    disp_property<&M::get_Timeout, &M::put_Timeout>(0x06, "Timeout"),
    disp_method<&M::Close>(0x07, "Close"),
    disp_method<&M::Delete>(0x08, "Delete"),
    disp_method<&M::Retrieve>(0x09, "Retrieve"),
    disp_method<&M::GetMsgHeader>(0x0A, "GetMsgHeader"),
    disp_method<&M::GetMsgSize>(0x0B, "GetMsgSize"),
    disp_method<&M::GetMsgID>(0x0C, "GetMsgID"),
    disp_method<&M::NOOP>(0x0D, "NOOP"),
    disp_method<&M::Reset>(0x0E, "Reset"),
    disp_property<&M::get_LogFileName, &M::put_LogFileName>(0x0F, "LogFileName"),
    disp_get<&M::get_Version>(0x10, "Version"),
    disp_get<&M::get_Connected>(0x11, "Connected"),
    disp_method<&M::SecureConnect>(0x12, "SecureConnect"),
    disp_property<&M::get_Asynchronous, &M::put_Asynchronous>(0x13, "Asynchronous"),
    disp_method<&M::Terminate>(0x15, "Terminate"),
};

using G = IPOPMSG;
constexpr DispMember kPopMsg[] = {
    disp_property<&G::get_RawContent, &G::put_RawContent>(0x01, "RawContent"),
    disp_method<&G::ImportFile>(0x02, "ImportFile"),
    disp_method<&G::ExportFile>(0x03, "ExportFile"),
    disp_method<&G::GetSubject>(0x04, "GetSubject"),
    disp_method<&G::GetDate>(0x05, "GetDate"),
    disp_method<&G::GetReplyTo>(0x06, "GetReplyTo"),
    disp_method<&G::GetAttachmentCount>(0x07, "GetAttachmentCount"),
    disp_method<&G::GetFrom>(0x08, "GetFrom"),
    disp_method<&G::GetFromAddress>(0x09, "GetFromAddress"),
    disp_method<&G::GetBodyText>(0x0A, "GetBodyText"),
    disp_method<&G::GetAltBody>(0x0B, "GetAltBody"),
    disp_method<&G::GetBodyFormat>(0x0C, "GetBodyFormat"),
    disp_method<&G::SaveAttachment>(0x0D, "SaveAttachment"),
    disp_method<&G::SaveAttachmentAs>(0x0E, "SaveAttachmentAs"),
    disp_method<&G::GetAttachmentName>(0x0F, "GetAttachmentName"),
    disp_method<&G::GetRecipientCount>(0x10, "GetRecipientCount"),
    disp_method<&G::GetCCCount>(0x11, "GetCCCount"),
    disp_method<&G::GetRecipientName>(0x12, "GetRecipientName"),
    disp_method<&G::GetRecipientAddr>(0x13, "GetRecipientAddr"),
    disp_method<&G::GetCCName>(0x14, "GetCCName"),
    disp_method<&G::GetCCAddr>(0x15, "GetCCAddr"),
    disp_method<&G::GetAttachmentChunk>(0x16, "GetAttachmentChunk"),
    disp_method<&G::GetHeaderItem>(0x17, "GetHeaderItem"),
    disp_method<&G::GetAttachmentSize>(0x18, "GetAttachmentSize"),
    disp_method<&G::GetMessageSize>(0x19, "GetMessageSize"),
    disp_method<&G::GetHeader>(0x1A, "GetHeader"),
    disp_method<&G::GetMsgChunk>(0x1C, "GetMsgChunk"),
    disp_method<&G::GetContentID>(0x1D, "GetContentID"),
    disp_method<&G::GetContentType>(0x1E, "GetContentType"),
    disp_method<&G::SaveAllAttachments>(0x1F, "SaveAllAttachments"),
    disp_method<&G::DeleteFile>(0x20, "DeleteFile"),
    disp_method<&G::HtmlToText>(0x21, "HtmlToText"),
};

using S = IMSGSTORE;
constexpr DispMember kMsgStore[] = {
    disp_method<&S::CreateMailBox>(0x01, "CreateMailBox"),
    disp_method<&S::DeleteMailBox>(0x02, "DeleteMailBox"),
    disp_method<&S::ClearMailBox>(0x03, "ClearMailBox"),
    disp_method<&S::IsMailBoxExisted>(0x04, "IsMailBoxExisted"),
    disp_method<&S::GetMailBoxPath>(0x05, "GetMailBoxPath"),
    disp_method<&S::GetMailBoxCount>(0x06, "GetMailBoxCount"),
    disp_method<&S::GetMailBoxName>(0x07, "GetMailBoxName"),
    disp_method<&S::GetEmailCount>(0x08, "GetEmailCount"),
    disp_method<&S::GetEmailId>(0x09, "GetEmailId"),
    disp_method<&S::IsEmailExisted>(0x0A, "IsEmailExisted"),
    disp_method<&S::DeleteEmail>(0x0B, "DeleteEmail"),
    disp_method<&S::DeleteEmailById>(0x0C, "DeleteEmailById"),
    disp_method<&S::GetEmail>(0x0D, "GetEmail"),
    disp_method<&S::GetEmailById>(0x0E, "GetEmailById"),
    disp_method<&S::SaveEmail>(0x0F, "SaveEmail"),
    disp_method<&S::SaveEmailById>(0x10, "SaveEmailById"),
};

}  // namespace

template <>
const DispatchTable& dispatch_table_of<IPOPMAIN>() {
    static const DispatchTable table{kPopMain};
    return table;
}
template <>
const DispatchTable& dispatch_table_of<IPOPMSG>() {
    static const DispatchTable table{kPopMsg};
    return table;
}
template <>
const DispatchTable& dispatch_table_of<IMSGSTORE>() {
    static const DispatchTable table{kMsgStore};
    return table;
}

}  // namespace velmo

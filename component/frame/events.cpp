#include "frame/events.h"

#include <strings.h>

namespace velmo {

namespace {
struct EventName {
    DISPID id;
    const char* name;
};
constexpr EventName kEvents[] = {
    {DISPID_OnConnected, "OnConnected"},       {DISPID_OnClosed, "OnClosed"},
    {DISPID_OnReceiving, "OnReceiving"},       {DISPID_OnDeleted, "OnDeleted"},
    {DISPID_OnGetMsgID, "OnGetMsgID"},         {DISPID_OnGetMsgSize, "OnGetMsgSize"},
    {DISPID_OnGetSizeOfMails, "OnGetSizeOfMails"}, {DISPID_OnGetTotalOfMails, "OnGetTotalOfMails"},
    {DISPID_OnRetrieve, "OnRetrieve"},         {DISPID_OnRetrieved, "OnRetrieved"},
    {DISPID_OnGetMsgHeader, "OnGetMsgHeader"}, {DISPID_OnError, "OnError"},
};
}  // namespace

const char* event_name(DISPID id) {
    for (const EventName& e : kEvents)
        if (e.id == id) return e.name;
    return nullptr;
}

DISPID event_id(const char* name) {
    if (!name) return DISPID_UNKNOWN;
    for (const EventName& e : kEvents)
        if (strcasecmp(e.name, name) == 0) return e.id;
    return DISPID_UNKNOWN;
}

}  // namespace velmo

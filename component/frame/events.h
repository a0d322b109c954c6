// _IEventThreadObjEvents: the events a POPMAIN object raises, by dispatch identifier.
// The interface is dispatch-only: listeners implement IDispatch and answer the ids they handle.
#pragma once

#include "frame/identifiers.h"
#include "frame/unknown.h"

// 0x05 is not assigned.
enum PopMainEventId : DISPID {
    DISPID_OnConnected = 0x01,       // ()
    DISPID_OnClosed = 0x02,          // ()
    DISPID_OnReceiving = 0x03,       // (long lBytes, long lCount)
    DISPID_OnDeleted = 0x04,         // (long lMsg)
    DISPID_OnGetMsgID = 0x06,        // (BSTR sMsgID, long lMsg)
    DISPID_OnGetMsgSize = 0x07,      // (long lSize, long lMsg)
    DISPID_OnGetSizeOfMails = 0x08,  // (long lSize)
    DISPID_OnGetTotalOfMails = 0x09, // (long lCount)
    DISPID_OnRetrieve = 0x0A,        // (long lCount)
    DISPID_OnRetrieved = 0x0B,       // (BSTR sData, long lCount)
    DISPID_OnGetMsgHeader = 0x0C,    // (BSTR sData, long lMsg)
    DISPID_OnError = 0x0D,           // (long lError, BSTR ErrDescription)
};

namespace velmo {
// Name of an event by its dispatch identifier, or null when the id is not an event.
const char* event_name(DISPID id);
// Dispatch identifier of an event by name (case ignored), or DISPID_UNKNOWN.
DISPID event_id(const char* name);
}  // namespace velmo

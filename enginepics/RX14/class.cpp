// The class TQZRX14 of the RX14 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx14, "RX14",
                       "{15369508-D182-469F-9002-F006E4C99FD3}",   // class
                       "{848336DC-0E0E-4110-B618-50220B7DECDA}",   // interface _TQZRX14
                       "{733DDEDB-B558-4D04-A7CB-00EC87D0136B}")   // type library TQZResource

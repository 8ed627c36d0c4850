// The class TQZRX16 of the RX16 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx16, "RX16",
                       "{CA996CB2-A652-4C9A-8D48-C32E84BDEA92}",   // class
                       "{598966C5-279F-4F49-A44D-A91D768A3D58}",   // interface _TQZRX16
                       "{78982C34-A9FD-4928-ABD6-367015833C6C}")   // type library TQZResource

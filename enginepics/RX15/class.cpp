// The class TQZRX15 of the RX15 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx15, "RX15",
                       "{13677545-7564-4B70-9DC3-AEBCE9A994C5}",   // class
                       "{2D7F90A8-B8F7-46D2-BA2A-9C2FA63E0D84}",   // interface _TQZRX15
                       "{576A0CE4-6D10-4004-BC98-F0B01484EF09}")   // type library TQZResource

// The class TQZRX13 of the RX13 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx13, "RX13",
                       "{25A48A3F-A7A8-4481-9BDD-66ED85B6174E}",   // class
                       "{B59F09E4-E0A5-4A1C-A77A-DC392B797B34}",   // interface _TQZRX13
                       "{E59F67B1-445A-41CC-962B-79F021891289}")   // type library TQZResource

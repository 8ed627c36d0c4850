// The class TQZRX11 of the RX11 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx11, "RX11",
                       "{17F35682-D144-42B6-8E0C-7548F31BAD78}",   // class
                       "{7DF2BBB8-BB2E-404D-8D17-B147A3709296}",   // interface _TQZRX11
                       "{2299844B-E3D4-433E-B99F-1C28A80D6B0A}")   // type library TQZResource

// The class TQZRX17 of the RX17 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx17, "RX17",
                       "{AAF72817-7DB0-4F68-962F-8D3D983A8AD1}",   // class
                       "{7EC44E5B-2F38-4ACD-BDC8-30A5F6724D7D}",   // interface _TQZRX17
                       "{EAED9F46-8C9D-4061-A858-C68B0A77E9FB}")   // type library TQZResource

// The class TQZRX12 of the RX12 library: class, interface and type
// library identifiers.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_INFO(rx12, "RX12",
                       "{9F90004E-E91B-4AB8-8061-4A1D4B23766B}",   // class
                       "{E7F7CD5E-9C42-44CE-82B3-0099B8887DF1}",   // interface _TQZRX12
                       "{0CE56880-44A2-4669-9D0B-BD5DA1F5C789}")   // type library TQZResource

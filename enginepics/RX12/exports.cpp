// The in-process server exports of the RX12 library.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_EXPORTS(vlm::enginepics::rx12::kServer)

// The in-process server exports of the RX11 library.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_EXPORTS(vlm::enginepics::rx11::kServer)

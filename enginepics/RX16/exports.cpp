// The in-process server exports of the RX16 library.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_EXPORTS(vlm::enginepics::rx16::kServer)

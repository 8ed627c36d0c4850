// The in-process server exports of the RX13 library.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_EXPORTS(vlm::enginepics::rx13::kServer)

// The in-process server exports of the RX14 library.
#include "enginepics/common/server.h"

VLM_ENGINE_SERVER_EXPORTS(vlm::enginepics::rx14::kServer)

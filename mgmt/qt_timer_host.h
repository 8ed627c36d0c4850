// The timer host of libXLPNMIF.so: timers and tasks run by the Qt event loop
// of the thread that makes the host.
//
// What a caller may rely on, beyond mgmt/timer_host.h:
// - The host lives in a QObject of the calling thread; ticks and tasks are
//   delivered while that thread runs a Qt event loop (a thread without one
//   never ticks, and its posted tasks wait).
// - No Qt type appears in this header.
#pragma once

#include <memory>

#include "mgmt/timer_host.h"

namespace vlm::mgmt {

std::unique_ptr<TimerHost> MakeQtTimerHost(TimerHost::TickHandler onTick);

}  // namespace vlm::mgmt

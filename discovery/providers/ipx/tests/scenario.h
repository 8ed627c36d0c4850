// libSeekIPXScenario.so: the SeekIPX provider built from the same core as
// libSeekIPX.so, with one more export, VlmSeekIpxScenario, through which an
// end-to-end test sets the stand-ins of the platform layers inside the
// library (which keeps its own copies of them) before the discovery manager
// loads it by its registered path.
//
// VlmSeekIpxScenario(key, value) adds to the scenario; 0 when taken, 1 for
// an unknown key or a value that does not parse:
//   "platform"  "nt" or "9x": the platform family
//   "provider"  a name-space provider's identifier (the SAP name space is a
//               scripted one as soon as a provider or service is given)
//   "service"   an IPX address text the SAP look-up returns, in order
//   "map"       "ipx=udp": the loopback map of the SNMP layer's IPX backend
//   "client"    the NetWare client library to bind
//   "printer"   "name<TAB>port name": an installed local printer of the
//               in-memory spooler (which replaces CUPS at the first printer)
#pragma once

#include <cstdint>

extern "C" {
using SeekIpxScenarioFn = std::int32_t (*)(const char* key, const char* value);
}

// Simulated printers: the objects an snmpd agent serves for a printer of the
// manufacturer, for the demo and the tests that run the whole monitor.
#pragma once

#include <string>
#include <vector>

#include "tests/support/snmpd_agent.h"

namespace vlm::testing {

struct DemoPrinter {
  std::string name;   // the printer's name, also its CUPS queue's description
  std::string queue;  // the CUPS queue name for an installed printer
  std::vector<FixtureObject> objects;
};

// The demo's three printers, in address order: a tandem printer, a printer
// with alerts and full trays, and a single-engine printer (the one the demo
// silences after a while).
std::vector<DemoPrinter> DemoPrinters();

}  // namespace vlm::testing

// Simulated printers: the objects an snmpd agent serves for a printer of the
// manufacturer, for the demo and the tests that run the whole monitor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/snmpd_agent.h"

namespace vlm::testing {

// One engine of a simulated printer.
struct Engine_Spec {
  int type = 11;  // engine type code 11..17 (picks the engine picture library)
  std::string name, resolution, finisher;
  int state = 3;              // machine state code (3 ready, 5 printing, 11 warming up)
  std::int32_t options = 0;   // the option word
  int trays = 2;              // input trays (at most 6 are shown)
  int bins = 1;               // output bins (at most 4 are shown)
  int tray_status = 3;        // every tray's status (3 available, 4 empty)
  std::vector<std::string> alerts;  // alert descriptions, in the engine's alert table
  int counters[7] = {0, 0, 0, 0, 0, 0, 0};  // printer, copier, fax, scanner, total, ...
  int memory[3] = {3, 64, 32};               // type, size, available of the one memory unit
};

// The controller of a simulated printer and its engines (two for a tandem).
struct Printer_Spec {
  std::string controller_name, location, controller_version, mib_version, snmp_version;
  int product_type = 3, status = 3, spool_mode = 3, banner = 4, hd_installed = 3, languages = 5;
  int tandem_code = 1;  // 3 for a tandem pair
  int disk[3] = {3, 4000, 1500};  // type, size, available
  std::vector<Engine_Spec> engines;
};

// The agent's objects for a printer: system group, controller blocks,
// engine rows, trays, bins, alerts, memory, firmware and disk.
std::vector<FixtureObject> Printer_Objects(const Printer_Spec& printer);

struct DemoPrinter {
  std::string name;   // the printer's name, also its CUPS queue's description
  std::string queue;  // the CUPS queue name for an installed printer
  std::vector<FixtureObject> objects;
};

// The demo's three printers, in address order: a tandem printer, a printer
// with alerts and every tray and bin present, and a single-engine printer
// (the one the demo silences after a while).
std::vector<DemoPrinter> DemoPrinters();

}  // namespace vlm::testing

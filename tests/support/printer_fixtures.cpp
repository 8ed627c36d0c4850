#include "tests/support/printer_fixtures.h"

namespace vlm::testing {

std::vector<DemoPrinter> DemoPrinters() {
  auto base = [](const std::string& model) {
    return std::vector<FixtureObject>{{"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false},
                                      {"1.3.6.1.2.1.1.5.0", "octet_str", model, false}};
  };
  return {{"Tandem TQ-9200", "tandem", base("TQ-9200")},
          {"Office TQ-4100", "office", base("TQ-4100")},
          {"Lobby TQ-2100", "lobby", base("TQ-2100")}};
}

}  // namespace vlm::testing

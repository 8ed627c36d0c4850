#include "tests/support/printer_fixtures.h"

#include <map>

namespace vlm::testing {

namespace {

// The columns and scalars the monitor reads, by the network manager's ids.
const std::map<int, std::string> kOid = {
    {35, "1.3.6.1.4.1.2364.1.2.3.1.1.1.1"},  {36, "1.3.6.1.4.1.2364.1.2.3.1.1.1.2"},
    {37, "1.3.6.1.4.1.2364.1.2.3.1.1.1.3"},  {46, "1.3.6.1.2.1.43.9.2.1.7"},
    {64, "1.3.6.1.4.1.2364.1.2.3.2.1.1.1"},  {77, "1.3.6.1.4.1.2364.1.1.1.1.1.2"},
    {78, "1.3.6.1.4.1.2364.1.1.1.1.1.3"},    {79, "1.3.6.1.4.1.2364.1.1.1.1.1.4"},
    {80, "1.3.6.1.4.1.2364.1.1.1.1.1.5"},    {81, "1.3.6.1.4.1.2364.1.1.1.1.1.6"},
    {85, "1.3.6.1.4.1.2364.1.1.2.1.1.2"},    {86, "1.3.6.1.4.1.2364.1.1.2.1.1.3"},
    {107, "1.3.6.1.4.1.2364.1.2.3.2.2.1.2"}, {108, "1.3.6.1.4.1.2364.1.2.3.2.2.1.3"},
    {109, "1.3.6.1.4.1.2364.1.2.3.2.2.1.4"}, {110, "1.3.6.1.4.1.2364.1.2.3.2.2.1.5"},
    {111, "1.3.6.1.4.1.2364.1.2.3.2.2.1.6"}, {126, "1.3.6.1.4.1.2364.1.2.3.4.1.1.2"},
    {127, "1.3.6.1.4.1.2364.1.2.3.4.1.1.3"}, {128, "1.3.6.1.4.1.2364.1.2.3.4.1.1.4"},
    {133, "1.3.6.1.4.1.2364.1.2.3.5.1.1.2"}, {134, "1.3.6.1.4.1.2364.1.2.3.5.1.1.3"},
    {135, "1.3.6.1.4.1.2364.1.2.3.5.1.1.4"}, {139, "1.3.6.1.4.1.2364.1.2.3.6.1.1.2"},
    {140, "1.3.6.1.4.1.2364.1.2.3.6.1.1.3"}, {141, "1.3.6.1.4.1.2364.1.2.3.6.1.1.4"},
    {151, "1.3.6.1.4.1.2364.1.2.3.8.1.1.2"}, {152, "1.3.6.1.4.1.2364.1.2.3.8.1.1.3"},
    {153, "1.3.6.1.4.1.2364.1.2.3.8.1.1.4"}, {155, "1.3.6.1.4.1.2364.1.2.3.8.1.1.6"},
    {156, "1.3.6.1.4.1.2364.1.2.3.8.1.1.7"}, {157, "1.3.6.1.4.1.2364.1.2.3.8.1.1.8"},
    {158, "1.3.6.1.4.1.2364.1.2.3.8.1.1.9"}, {162, "1.3.6.1.4.1.2364.1.2.4.1.1.2"},
    {163, "1.3.6.1.4.1.2364.1.2.4.1.1.3"},   {178, "1.3.6.1.4.1.2364.1.2.6.1.1.2"},
    {179, "1.3.6.1.4.1.2364.1.2.6.1.1.3"},   {180, "1.3.6.1.4.1.2364.1.2.6.1.1.4"},
    {181, "1.3.6.1.4.1.2364.1.2.6.1.1.5"},   {183, "1.3.6.1.4.1.2364.1.2.6.1.1.7"},
    {186, "1.3.6.1.4.1.2364.1.2.3.8.1.1.10"}, {187, "1.3.6.1.4.1.2364.1.2.3.1.1.1.4"},
    {188, "1.3.6.1.4.1.2364.1.2.3.1.1.1.5"}, {189, "1.3.6.1.4.1.2364.1.1.1.1.1.7"},
    {196, "1.3.6.1.4.1.2364.1.1.1.1.1.9"},   {197, "1.3.6.1.4.1.2364.1.1.1.1.1.10"},
    {206, "1.3.6.1.4.1.2364.1.2.3.8.1.1.11"}, {207, "1.3.6.1.4.1.2364.1.2.3.8.1.1.12"},
    {208, "1.3.6.1.4.1.2364.1.2.3.5.1.1.5"}, {209, "1.3.6.1.4.1.2364.1.1.1.1.1.12"},
    {216, "1.3.6.1.4.1.2364.1.2.3.1.1.1.6"}, {217, "1.3.6.1.4.1.2364.1.1.1.1.1.8"},
};

// The counters in the order of Engine_Spec::counters.
constexpr int kCounterIds[7] = {157, 155, 158, 156, 207, 162, 163};

struct Builder {
  std::vector<FixtureObject> objects;
  static std::string Suffix(int a, int b) {
    std::string s(1, '.');
    s += std::to_string(a);
    s += '.';
    s += std::to_string(b);
    return s;
  }
  void Int(int id, int a, int b, long long value) {
    objects.push_back({kOid.at(id) + Suffix(a, b), "integer", std::to_string(value), false});
  }
  void Text(int id, int a, int b, const std::string& value) {
    objects.push_back({kOid.at(id) + Suffix(a, b), "octet_str", value, false});
  }
};

}  // namespace

std::vector<FixtureObject> Printer_Objects(const Printer_Spec& p) {
  Builder b;
  b.objects = {{"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false},
               {"1.3.6.1.2.1.1.5.0", "octet_str", p.controller_name, false}};
  for (std::size_t i = 0; i < p.engines.size(); ++i) {
    const Engine_Spec& e = p.engines[i];
    const int n = static_cast<int>(i) + 1;
    // The engine's data row and its finisher row: suffix engine.1.
    b.Text(189, n, 1, p.controller_name);
    b.Text(78, n, 1, p.location);
    b.Text(151, n, 1, e.resolution);
    b.Text(152, n, 1, e.name);
    b.Int(153, n, 1, e.type);
    b.Int(186, n, 1, e.state);
    b.Int(206, n, 1, e.options);
    b.Int(209, n, 1, p.languages);
    for (int k = 0; k < 7; ++k) b.Int(kCounterIds[k], n, 1, e.counters[k]);
    for (int id : {107, 108, 109, 110}) b.Int(id, n, 1, 3);
    b.Text(111, n, 1, e.finisher);
    // The controller block: suffix engine.engine.
    b.Text(77, n, n, p.controller_name);
    b.Int(79, n, n, p.product_type);
    b.Text(80, n, n, p.controller_version);
    b.Int(81, n, n, p.status);
    b.Text(85, n, n, p.mib_version);
    b.Text(86, n, n, p.snmp_version);
    b.Int(196, n, n, p.spool_mode);
    b.Int(197, n, n, p.banner);
    b.Int(208, n, n, p.hd_installed);
    if (n != 1) b.Int(209, n, n, p.languages);
    b.Int(217, n, n, p.tandem_code);
    // Input trays: type, size, feed direction, media type (the table's
    // index column), status, wide size.
    for (int t = 1; t <= e.trays; ++t) {
      b.Int(35, n, t, 3);
      b.Int(36, n, t, 4 + t);
      b.Int(37, n, t, 3 + t % 2);
      b.Int(187, n, t, t);
      b.Int(188, n, t, e.tray_status);
      b.Int(216, n, t, 0);
    }
    for (int k = 1; k <= e.bins; ++k) {
      b.Int(64, n, k, k + 2);
      b.Text(46, n, k, "Bin " + std::to_string(k));
    }
    for (std::size_t a = 0; a < e.alerts.size(); ++a) {
      const int row = static_cast<int>(a) + 1;
      b.Int(178, n, row, 4);
      b.Int(179, n, row, 1);
      b.Int(180, n, row, 100 * n + row);
      b.Text(181, n, row, e.alerts[a]);
      b.Text(183, n, row, "2026-12-10 09:" + std::to_string(10 + row));
    }
    b.Int(126, n, 1, e.memory[0]);
    b.Int(127, n, 1, e.memory[1]);
    b.Int(128, n, 1, e.memory[2]);
    b.Int(139, n, 1, 5);
    b.Text(140, n, 1, "engine" + std::to_string(n));
    b.Text(141, n, 1, "V" + std::to_string(n) + ".0" + std::to_string(e.type % 10));
  }
  for (int k = 0; k < 3; ++k) b.Int(133 + k, 1, 1, p.disk[k]);
  return b.objects;
}

namespace {
Printer_Spec Controller(std::string name, std::string location, std::string version,
                        std::string mib) {
  Printer_Spec p;
  p.controller_name = std::move(name);
  p.location = std::move(location);
  p.controller_version = std::move(version);
  p.mib_version = std::move(mib);
  p.snmp_version = "SNMPv1";
  return p;
}
}  // namespace

std::vector<DemoPrinter> DemoPrinters() {
  Printer_Spec tandem = Controller("Tandem TQ-9200", "Print room", "V 3.00", "2.2");
  tandem.product_type = 6;
  tandem.tandem_code = 3;
  tandem.disk[1] = 8000;
  tandem.disk[2] = 7000;
  tandem.engines = {
      {13, "Left engine", "400/600 dpi", "Booklet", 5, 0x100, 4, 2, 3, {}, {2001, 20, 0, 4, 9000, 1, 30}, {3, 128, 100}},
      {16, "Right engine", "1200 dpi", "Folder", 3, 0x40000, 3, 2, 3, {}, {3001, 30, 0, 2, 9500, 0, 0}, {3, 256, 200}}};

  Printer_Spec office = Controller("Office TQ-4100", "Second floor", "V 2.10", "2.1");
  office.engines = {{12, "Office engine", "600 dpi", "Stapler", 3, 0x6080, 6, 4, 3,
                     {"Paper Jam", "Toner Low", "Stapler Empty"},
                     {1001, 1002, 0, 104, 5000, 2, 90}, {3, 64, 32}}};

  Printer_Spec lobby = Controller("Lobby TQ-2100", "Entrance hall", "V 1.40", "2.0");
  lobby.engines = {{11, "Lobby engine", "300 dpi", "None", 3, 0, 2, 1, 3, {}, {420, 0, 0, 0, 420, 0, 0}, {3, 32, 16}}};

  return {{"Tandem TQ-9200", "tandem", Printer_Objects(tandem)},
          {"Office TQ-4100", "office", Printer_Objects(office)},
          {"Lobby TQ-2100", "lobby", Printer_Objects(lobby)}};
}

}  // namespace vlm::testing

// The main window's menus.
#include "monitor/mainwin/mainwin.h"

#include <string>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor {
namespace {

// Whether a text is a dotted IPv4 address: four decimal segments 0..255.
bool Is_Dotted_Quad(const std::string& text) {
  int segments = 0;
  std::size_t i = 0;
  while (i <= text.size()) {
    std::size_t j = i;
    int value = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && j - i < 3) {
      value = value * 10 + (text[j] - '0');
      ++j;
    }
    if (j == i || value > 255) return false;
    ++segments;
    if (j == text.size()) return segments == 4;
    if (text[j] != '.') return false;
    i = j + 1;
  }
  return false;
}

}  // namespace

void Tqz_Main::Command_Click() { window_.Set_Web_Enabled(Flag("IP_Enabled") != "No"); }

void Tqz_Main::StartDoc(const std::string& document) { window_.Open_Document(document); }

void Tqz_Main::Web_Click() {
  Trapped({5, 91, 400, 35601}, [&] {
    window_.Set_Hourglass(true);
    if (Discovered_Count > 0) {
      const VbInteger kind = Selected_List_Kind;
      const VbInteger device = Selected_Device;
      const std::string address = Device_Address(kind, device);
      // Only a TCP/IP device has a web page, and only a real address makes
      // one ("http:///" would open whatever the desktop makes of it).
      if (Device_Protocol(kind, device) == Decode_Protocol(1) && Is_Dotted_Quad(address))
        StartDoc("http://" + address + "/");
    }
    window_.Set_Hourglass(false);
  });
}

void Tqz_Main::Content_Click() {
  Trapped({5, 91, 400, 35601}, [&] {
    window_.Set_Hourglass(true);
    // The help file without the topic that follows "::".
    std::string file = Help_File.substr(0, Help_File.find("::"));
    if (!file.empty()) StartDoc("file://" + file);
    window_.Set_Hourglass(false);
  });
}

void Tqz_Main::Options_Click() {
  window_.Set_Timer_Enabled(1, false);
  window_.Show_Options();
}

void Tqz_Main::About_Click() { window_.Show_About(); }

void Tqz_Main::Context_Help_Click() {
  window_.Enter_Whats_This_Mode();
  window_.Set_Timer_Enabled(3, true);
}

void Tqz_Main::Exit_System_Click() {
  Trapped({5, 91, 400, 35601}, [&] {
    window_.Unload_Window();
  });
}

void Tqz_Main::IconView_Click() { window_.lvwIPs_Set_View(0); }
void Tqz_Main::SmallIcon_Click() { window_.lvwIPs_Set_View(1); }
void Tqz_Main::ListView_Click() { window_.lvwIPs_Set_View(2); }

}  // namespace vlm::monitor

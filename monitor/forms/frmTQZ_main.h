// The main window's discovery, printer list, selection, polling timers,
// view refresh and menus, wired into frmTQZ: the window's ports of
// Tqz_Main implemented with its real controls, and its events connected.
//
// What a caller may rely on:
// - Constructing a frmTQZ_Main on a frmTQZ connects Timer1..Timer5, the
//   menus (but Exit_System and the tray menu, which the window connects
//   itself), lvwIPs' item clicks, the ComboPrinter boxes, SSTab1's tab
//   changes (each followed by SSTab1_GotFocus) and Picture1's clicks, and
//   About opens the About box; it makes the window's load run the discovery
//   steps. It lives as long as the window.
// - lvwIPs items carry their status image (1..5) in Qt::UserRole and show
//   the matching icon of the five status pictures.
// - Documents (the printer's web page, the help file) open through
//   QDesktopServices, so a URL handler installed for "http" or "file" sees
//   them.
#pragma once

#include <QIcon>

#include <memory>

#include "monitor/mainwin/mainwin.h"

namespace vlm::monitor {

class frmTQZ;

class frmTQZ_Main {
 public:
  explicit frmTQZ_Main(frmTQZ& form, Tqz_Readers& readers = Device_Readers());
  ~frmTQZ_Main();
  Tqz_Main& Procedures();

 private:
  struct Ports;
  std::unique_ptr<Ports> ports_;
  QObject* picture_click_ = nullptr;  // Picture1's clicks, a child of Picture1
};

// The status picture of an image number 1..5 (the icons of imgIcon).
QIcon Status_Picture(int image);

}  // namespace vlm::monitor

// The printers installed on this workstation, as both transports list them
// before matching them with devices.
//
// What a caller may rely on:
// - ListInstalledPrinters lists the spooler's printers of the given
//   enumeration flags (EnumPrintersA, level 2) as copies that do not point
//   into any buffer. It returns 0, ERROR_NOT_ENOUGH_MEMORY when the listing's
//   buffer cannot be had, or the spooler's error; on failure the list is
//   empty. Printers added while it lists are retried a bounded number of
//   times. Nothing throws.
#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/types.h"

namespace vlm::discovery {

struct InstalledPrinter {
  std::string name;
  std::string port;
  std::string comment;
};

LONG ListInstalledPrinters(DWORD flags, std::vector<InstalledPrinter>& out);

}  // namespace vlm::discovery

#include "discovery/providers/installed_printers.h"

#include <cstdint>
#include <new>

#include "platform/spooler/spooler.h"
#include "platform/sync/sync.h"

namespace vlm::discovery {

namespace {

// A bounded number of tries when printers are added between the size query
// and the listing.
constexpr int kEnumerationTries = 8;

}  // namespace

LONG ListInstalledPrinters(DWORD flags, std::vector<InstalledPrinter>& out) {
  out.clear();
  try {
    DWORD needed = 0, returned = 0;
    std::vector<std::uint64_t> buffer;  // aligned for the records
    BOOL ok = EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &returned);
    DWORD error = ok ? 0 : GetLastError();
    for (int tries = 0; !ok && error == static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) && tries < kEnumerationTries;
         ++tries) {
      try {
        buffer.assign((needed + 7) / 8, 0);
      } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
      }
      ok = EnumPrintersA(flags, nullptr, 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &returned);
      error = ok ? 0 : GetLastError();
    }
    if (!ok) return static_cast<LONG>(error);
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    for (DWORD i = 0; i < returned && !buffer.empty(); ++i)
      out.push_back({text(info[i].pPrinterName), text(info[i].pPortName), text(info[i].pComment)});
    return 0;
  } catch (const std::bad_alloc&) {
    out.clear();
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

}  // namespace vlm::discovery

// The print spooler: the installed printers of this workstation, with the
// calls and records of the desktop platform that the monitor's libraries
// were written against.
//
// What a caller may rely on:
// - EnumPrintersA(flags, name, 2, buffer, size, &needed, &returned) lists the
//   printers of the current backend as PRINTER_INFO_2A records followed by
//   their texts, all inside the caller's buffer. PRINTER_ENUM_LOCAL selects
//   the printers of this workstation, PRINTER_ENUM_CONNECTIONS the printers
//   it reaches on other servers; both flags give both sets, locals first;
//   other flags add nothing. A name other than null or "" gives
//   ERROR_INVALID_NAME, a level other than 2 ERROR_INVALID_LEVEL, a null
//   `needed` or `returned` ERROR_INVALID_PARAMETER.
// - When the records do not fit (a null buffer included) the call fails with
//   ERROR_INSUFFICIENT_BUFFER, sets `needed` to the size they take and
//   `returned` to 0, and writes nothing to the buffer. With no printer it
//   succeeds with `needed` 0. The buffer must be aligned for a pointer.
//   Failures return FALSE and leave the reason for vlm::GetLastError()
//   (platform/sync/sync.h); a spooler that cannot be reached gives
//   RPC_S_SERVER_UNAVAILABLE.
// - Each record's texts are NUL-terminated and never null (an absent text is
//   ""): pPrinterName, the printer's name; pPortName, where it prints (see
//   PortNameFromDeviceUri for the CUPS backend); pComment, its description.
// - The current backend is process-wide: the CUPS backend (libcups, the
//   server libcups is configured for) unless SetBackend installed another.
//   MemorySpooler is the backend for tests. Backends and these functions are
//   thread-safe and throw nothing.
//
// The print-job calls (GetPrinterA, EnumJobsA, SetJobA) join this header
// beside EnumPrintersA, on the same backends.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/types.h"

namespace vlm {

inline constexpr DWORD PRINTER_ENUM_LOCAL = 0x00000002;
inline constexpr DWORD PRINTER_ENUM_CONNECTIONS = 0x00000004;

inline constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr LONG ERROR_INVALID_NAME = 123;
inline constexpr LONG ERROR_INVALID_LEVEL = 124;
inline constexpr LONG RPC_S_SERVER_UNAVAILABLE = 1722;

// The level-2 printer record, with the fields this system reads.
struct PRINTER_INFO_2A {
  char* pPrinterName;
  char* pPortName;
  char* pComment;
};

BOOL EnumPrintersA(DWORD flags, const char* name, DWORD level, BYTE* buffer, DWORD bufferSize,
                   DWORD* needed, DWORD* returned);

namespace spooler {

// One installed printer as a backend reports it.
struct Printer {
  std::string name;
  std::string portName;
  std::string comment;
  bool connection = false;  // reached on another server (else local)
};

class Backend {
 public:
  virtual ~Backend() = default;
  // Every printer (local and connections); 0 or a platform error code.
  virtual LONG ListPrinters(std::vector<Printer>& out) = 0;
};

// A spooler in memory: printers are added by the test.
class MemorySpooler : public Backend {
 public:
  void AddPrinter(Printer printer);
  void Clear();
  // Every later listing fails with `error` (0: listings succeed again).
  void FailListings(LONG error);
  LONG ListPrinters(std::vector<Printer>& out) override;

 private:
  std::mutex lock_;
  std::vector<Printer> printers_;
  LONG failure_ = 0;
};

// The CUPS scheduler, asked over IPP (CUPS-Get-Printers) on each listing. An
// empty server means the one libcups is configured for ($CUPS_SERVER, the
// client configuration, or the local scheduler); otherwise a socket path or
// "host:port". Local printers are the queues that are not remote; the port
// name comes from the queue's "device-uri", the comment from "printer-info".
class CupsSpooler : public Backend {
 public:
  explicit CupsSpooler(std::string server = {});
  LONG ListPrinters(std::vector<Printer>& out) override;

 private:
  std::string server_;
};

// The port name of a CUPS device URI: the host of socket, lpd, ipp, ipps,
// http and https URIs (without port or brackets); "FILE:" for file:,
// "LPT1:" for parallel:, "COM1:" for serial:, "\\host\queue" for
// smb://host/queue (user and password left out, further '/' becoming '\');
// any other URI as it stands.
std::string PortNameFromDeviceUri(std::string_view uri);

// Installs the process-wide backend; null restores the CUPS backend.
void SetBackend(std::shared_ptr<Backend> backend);
std::shared_ptr<Backend> CurrentBackend();

}  // namespace spooler
}  // namespace vlm

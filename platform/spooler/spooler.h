// The print spooler: the installed printers of this workstation and their
// job queues, with the calls and records of the desktop platform that the
// monitor's libraries were written against.
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
// - OpenPrinterA(name, &printer, null) gives a handle on one printer of the
//   current backend (the backend stays with the handle); an empty or unknown
//   name gives ERROR_INVALID_PRINTER_NAME, an unreachable spooler
//   RPC_S_SERVER_UNAVAILABLE. ClosePrinter ends it. Handles are opaque values
//   that are never reused: a closed or made-up handle gives
//   ERROR_INVALID_HANDLE, never a crash.
// - GetPrinterA(printer, 2, buffer, size, &needed) gives one PRINTER_INFO_2A
//   with the printer's Status (PRINTER_STATUS_* bits) and cJobs (its jobs not
//   yet completed), its texts after the record, under the same buffer rules
//   as EnumPrintersA.
// - EnumJobsA(printer, first, count, 2, buffer, size, &needed, &returned)
//   gives the jobs at 0-based queue positions first .. first + count - 1
//   that exist (none past the end: success, `needed` 0) as JOB_INFO_2A
//   records followed by their texts. pUserName and pDocument are never null;
//   pStatus is null when the spooler has no status text for the job. Position
//   is the job's 1-based place in the queue; Submitted is UTC.
// - SetJobA(printer, jobId, 0, null, command) pauses, resumes, cancels or
//   restarts the printer's job with that id (JOB_CONTROL_*). Job id 0, an
//   unknown command, a job that is not the printer's or a command that the
//   job's state does not allow fail (ERROR_INVALID_PARAMETER); a level other
//   than 0 gives ERROR_INVALID_LEVEL. These three calls share the failure
//   rules of EnumPrintersA.
#pragma once

#include <cstdint>
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
inline constexpr LONG ERROR_INVALID_PRINTER_NAME = 1801;

// Printer status bits (PRINTER_INFO_2A::Status).
inline constexpr DWORD PRINTER_STATUS_PAUSED = 0x00000001;
inline constexpr DWORD PRINTER_STATUS_PRINTING = 0x00000400;

// Job status bits (JOB_INFO_2A::Status).
inline constexpr DWORD JOB_STATUS_PAUSED = 0x00000001;
inline constexpr DWORD JOB_STATUS_ERROR = 0x00000002;
inline constexpr DWORD JOB_STATUS_DELETING = 0x00000004;
inline constexpr DWORD JOB_STATUS_SPOOLING = 0x00000008;
inline constexpr DWORD JOB_STATUS_PRINTING = 0x00000010;
inline constexpr DWORD JOB_STATUS_PRINTED = 0x00000080;

// SetJobA commands.
inline constexpr DWORD JOB_CONTROL_PAUSE = 1;
inline constexpr DWORD JOB_CONTROL_RESUME = 2;
inline constexpr DWORD JOB_CONTROL_CANCEL = 3;
inline constexpr DWORD JOB_CONTROL_RESTART = 4;

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// The level-2 printer record, with the fields this system reads.
struct PRINTER_INFO_2A {
  char* pPrinterName;
  char* pPortName;
  char* pComment;
  DWORD Status;
  DWORD cJobs;
};

// The level-2 job record, with the fields this system reads.
struct JOB_INFO_2A {
  DWORD JobId;
  char* pUserName;
  char* pDocument;
  char* pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
};

// An open printer of the spooler.
struct PrinterHandle;

BOOL EnumPrintersA(DWORD flags, const char* name, DWORD level, BYTE* buffer, DWORD bufferSize,
                   DWORD* needed, DWORD* returned);
BOOL OpenPrinterA(const char* name, PrinterHandle** printer, void* defaults);
BOOL ClosePrinter(PrinterHandle* printer);
BOOL GetPrinterA(PrinterHandle* printer, DWORD level, BYTE* buffer, DWORD bufferSize, DWORD* needed);
BOOL EnumJobsA(PrinterHandle* printer, DWORD firstJob, DWORD jobCount, DWORD level, BYTE* buffer,
               DWORD bufferSize, DWORD* needed, DWORD* returned);
BOOL SetJobA(PrinterHandle* printer, DWORD jobId, DWORD level, BYTE* job, DWORD command);

namespace spooler {

// One installed printer as a backend reports it.
struct Printer {
  std::string name;
  std::string portName;
  std::string comment;
  bool connection = false;  // reached on another server (else local)
  DWORD status = 0;         // PRINTER_STATUS_* bits
  DWORD jobs = 0;           // jobs not yet completed
};

// One job of a printer's queue as a backend reports it, in queue order.
struct Job {
  DWORD id = 0;
  std::string user;
  std::string document;
  std::string statusText;  // empty: the spooler has none
  DWORD status = 0;        // JOB_STATUS_* bits
  DWORD priority = 0;
  DWORD totalPages = 0;
  DWORD pagesPrinted = 0;
  SYSTEMTIME submitted{};  // UTC
};

// The backends' results are 0 or a platform error code. Printer names
// compare without regard to case.
class Backend {
 public:
  virtual ~Backend() = default;
  // Every printer (local and connections).
  virtual LONG ListPrinters(std::vector<Printer>& out) = 0;
  // One printer with its status and job count; ERROR_INVALID_PRINTER_NAME
  // when there is no such printer.
  virtual LONG GetPrinter(const std::string& name, Printer& out) = 0;
  // The printer's jobs that are not yet completed, in queue order.
  virtual LONG ListJobs(const std::string& printer, std::vector<Job>& out) = 0;
  // Applies a JOB_CONTROL_* command to the printer's job `jobId` (above 0).
  virtual LONG ControlJob(const std::string& printer, DWORD jobId, DWORD command) = 0;
};

// A spooler in memory: printers and jobs are added by the test. A printer's
// job count is the number of its jobs unless the test sets one. Commands act
// as a spooler would: pause sets JOB_STATUS_PAUSED, resume clears it, cancel
// removes the job, restart clears the error and the pages printed.
class MemorySpooler : public Backend {
 public:
  enum class Call { GetPrinter, ListJobs, ControlJob };
  struct Control {
    std::string printer;
    DWORD jobId;
    DWORD command;
    friend bool operator==(const Control&, const Control&) = default;
  };

  void AddPrinter(Printer printer);
  void Clear();
  // Every later listing fails with `error` (0: listings succeed again).
  void FailListings(LONG error);
  // Every later call of that kind fails with `error` (0: succeeds again).
  void FailCalls(Call call, LONG error);
  // Adds a job at the end of a printer's queue; a job id of 0 takes the
  // next free one. Returns the id.
  DWORD AddJob(const std::string& printer, Job job);
  void RemoveJob(DWORD jobId);
  // The count GetPrinter reports for a printer from now on (-1: its jobs).
  void SetReportedJobCount(const std::string& printer, std::int64_t count);
  std::vector<Job> JobsOf(const std::string& printer);
  // Every command that reached the spooler, accepted or not.
  std::vector<Control> Controls();

  LONG ListPrinters(std::vector<Printer>& out) override;
  LONG GetPrinter(const std::string& name, Printer& out) override;
  LONG ListJobs(const std::string& printer, std::vector<Job>& out) override;
  LONG ControlJob(const std::string& printer, DWORD jobId, DWORD command) override;

 private:
  struct Queued {
    std::string printer;
    Job job;
  };
  struct Entry {
    Printer printer;
    std::int64_t reportedJobs = -1;
  };
  Entry* Find(const std::string& name);
  LONG Failure(Call call) const;

  std::mutex lock_;
  std::vector<Entry> printers_;
  std::vector<Queued> jobs_;
  std::vector<Control> controls_;
  DWORD nextJobId_ = 1;
  LONG failure_ = 0;
  LONG callFailures_[3] = {};
};

// The CUPS scheduler, asked over IPP on each call, on a connection of its
// own. An empty server means the one libcups is configured for
// ($CUPS_SERVER, the client configuration, or the local scheduler);
// otherwise a socket path or "host:port". Local printers are the queues
// that are not remote; the port name comes from the queue's "device-uri",
// the comment from "printer-info". A printer's status is PRINTER_STATUS_PAUSED
// when the queue is stopped and PRINTER_STATUS_PRINTING while it prints; its
// job count is "queued-job-count". Jobs are the queue's not-completed jobs
// (Get-Jobs), asked in the name of this process's user so that the
// scheduler shows their owners and names; job states map to status bits as
// pending 0, held JOB_STATUS_PAUSED, processing JOB_STATUS_PRINTING, stopped
// and aborted JOB_STATUS_ERROR, canceled JOB_STATUS_DELETING, completed
// JOB_STATUS_PRINTED. Pause, resume, cancel and restart are Hold-Job,
// Release-Job, Cancel-Job and Restart-Job, sent only for a job of that queue.
// It never asks for a password: a server that wants a login refuses the call
// with ERROR_ACCESS_DENIED.
class CupsSpooler : public Backend {
 public:
  explicit CupsSpooler(std::string server = {});
  LONG ListPrinters(std::vector<Printer>& out) override;
  LONG GetPrinter(const std::string& name, Printer& out) override;
  LONG ListJobs(const std::string& printer, std::vector<Job>& out) override;
  LONG ControlJob(const std::string& printer, DWORD jobId, DWORD command) override;

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

// The platform's spooler calls over the process-wide backend, and the
// in-memory backend.
#include "platform/spooler/spooler.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>

#include "platform/spooler/internal.h"
#include "platform/sync/sync.h"

namespace vlm {
namespace spooler {

namespace {

struct BackendSlot {
  std::mutex lock;
  std::shared_ptr<Backend> backend;
};

// Never destroyed, so that the spooler works from other static destructors
// and from threads that outlive them.
BackendSlot& Slot() {
  static BackendSlot* slot = new BackendSlot;
  return *slot;
}

}  // namespace

// ---------------------------------------------------------------------------
// The in-memory backend

void MemorySpooler::AddPrinter(Printer printer) {
  std::lock_guard<std::mutex> guard(lock_);
  printers_.push_back({std::move(printer), -1});
}

void MemorySpooler::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  printers_.clear();
  jobs_.clear();
}

void MemorySpooler::FailListings(LONG error) {
  std::lock_guard<std::mutex> guard(lock_);
  failure_ = error;
}

void MemorySpooler::FailCalls(Call call, LONG error) {
  std::lock_guard<std::mutex> guard(lock_);
  callFailures_[static_cast<int>(call)] = error;
}

LONG MemorySpooler::Failure(Call call) const { return callFailures_[static_cast<int>(call)]; }

MemorySpooler::Entry* MemorySpooler::Find(const std::string& name) {
  for (Entry& e : printers_)
    if (EqualNoCase(e.printer.name, name)) return &e;
  return nullptr;
}

DWORD MemorySpooler::AddJob(const std::string& printer, Job job) {
  std::lock_guard<std::mutex> guard(lock_);
  if (job.id == 0) job.id = nextJobId_;
  nextJobId_ = std::max(nextJobId_, job.id + 1);
  jobs_.push_back({printer, std::move(job)});
  return jobs_.back().job.id;
}

void MemorySpooler::RemoveJob(DWORD jobId) {
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(jobs_, [&](const Queued& q) { return q.job.id == jobId; });
}

void MemorySpooler::SetReportedJobCount(const std::string& printer, std::int64_t count) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Entry* e = Find(printer)) e->reportedJobs = count;
}

std::vector<Job> MemorySpooler::JobsOf(const std::string& printer) {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<Job> out;
  for (const Queued& q : jobs_)
    if (EqualNoCase(q.printer, printer)) out.push_back(q.job);
  return out;
}

std::vector<MemorySpooler::Control> MemorySpooler::Controls() {
  std::lock_guard<std::mutex> guard(lock_);
  return controls_;
}

LONG MemorySpooler::ListPrinters(std::vector<Printer>& out) {
  std::lock_guard<std::mutex> guard(lock_);
  if (failure_ != 0) return failure_;
  out.clear();
  for (const Entry& e : printers_) out.push_back(e.printer);
  return ERROR_SUCCESS;
}

LONG MemorySpooler::GetPrinter(const std::string& name, Printer& out) {
  std::lock_guard<std::mutex> guard(lock_);
  if (LONG error = Failure(Call::GetPrinter)) return error;
  const Entry* e = Find(name);
  if (!e) return ERROR_INVALID_PRINTER_NAME;
  out = e->printer;
  std::int64_t count = e->reportedJobs;
  if (count < 0)
    count = std::count_if(jobs_.begin(), jobs_.end(),
                          [&](const Queued& q) { return EqualNoCase(q.printer, name); });
  out.jobs = static_cast<DWORD>(std::min<std::int64_t>(count, 0xFFFFFFFF));
  return ERROR_SUCCESS;
}

LONG MemorySpooler::ListJobs(const std::string& printer, std::vector<Job>& out) {
  std::lock_guard<std::mutex> guard(lock_);
  if (LONG error = Failure(Call::ListJobs)) return error;
  if (!Find(printer)) return ERROR_INVALID_PRINTER_NAME;
  out.clear();
  for (const Queued& q : jobs_)
    if (EqualNoCase(q.printer, printer)) out.push_back(q.job);
  return ERROR_SUCCESS;
}

LONG MemorySpooler::ControlJob(const std::string& printer, DWORD jobId, DWORD command) {
  std::lock_guard<std::mutex> guard(lock_);
  controls_.push_back({printer, jobId, command});
  if (LONG error = Failure(Call::ControlJob)) return error;
  if (!Find(printer)) return ERROR_INVALID_PRINTER_NAME;
  auto it = std::find_if(jobs_.begin(), jobs_.end(), [&](const Queued& q) {
    return q.job.id == jobId && EqualNoCase(q.printer, printer);
  });
  if (it == jobs_.end()) return ERROR_INVALID_PARAMETER;
  Job& job = it->job;
  switch (command) {
    case JOB_CONTROL_PAUSE: job.status |= JOB_STATUS_PAUSED; break;
    case JOB_CONTROL_RESUME: job.status &= ~JOB_STATUS_PAUSED; break;
    case JOB_CONTROL_CANCEL: jobs_.erase(it); break;
    case JOB_CONTROL_RESTART:
      job.status &= ~JOB_STATUS_ERROR;
      job.pagesPrinted = 0;
      break;
    default: return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// The process-wide backend

void SetBackend(std::shared_ptr<Backend> backend) {
  BackendSlot& slot = Slot();
  std::lock_guard<std::mutex> guard(slot.lock);
  slot.backend = std::move(backend);
}

std::shared_ptr<Backend> CurrentBackend() {
  BackendSlot& slot = Slot();
  std::lock_guard<std::mutex> guard(slot.lock);
  if (!slot.backend) slot.backend = std::make_shared<CupsSpooler>();
  return slot.backend;
}

}  // namespace spooler

namespace {

BOOL Fail(LONG error) {
  SetLastError(static_cast<DWORD>(error));
  return 0;
}

BOOL Succeed() {
  SetLastError(0);
  return 1;
}

// Records followed by their texts in a caller's buffer: `count` records of
// `recordSize` bytes, then each placed text with its NUL.
class Packing {
 public:
  Packing(std::size_t count, std::size_t recordSize) : records_(count * recordSize) {}
  void Count(const std::string& text) { texts_ += text.size() + 1; }
  std::size_t Size() const { return records_ + texts_; }

  // The two-call rule: FALSE with ERROR_INSUFFICIENT_BUFFER (and nothing
  // written) when the buffer does not hold Size() bytes; `needed` is set
  // either way.
  bool Fits(BYTE* buffer, DWORD bufferSize, DWORD* needed, LONG* error) {
    if (Size() > 0xFFFFFFFFu) {
      *error = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    *needed = static_cast<DWORD>(Size());
    if (Size() > 0 && (!buffer || bufferSize < Size())) {
      *error = ERROR_INSUFFICIENT_BUFFER;
      return false;
    }
    next_ = reinterpret_cast<char*>(buffer) + records_;
    return true;
  }
  char* Place(const std::string& text) {
    char* at = next_;
    std::memcpy(at, text.c_str(), text.size() + 1);
    next_ += text.size() + 1;
    return at;
  }

 private:
  std::size_t records_;
  std::size_t texts_ = 0;
  char* next_ = nullptr;
};

template <typename Record>
void Store(BYTE* buffer, std::size_t index, const Record& record) {
  std::memcpy(buffer + index * sizeof record, &record, sizeof record);
}

// Open printers: opaque numbers that are never reused, each with the backend
// it was opened on. Never destroyed, like the backend slot.
struct OpenPrinter {
  std::string name;
  std::shared_ptr<spooler::Backend> backend;
};

struct PrinterTable {
  std::mutex lock;
  std::map<std::uintptr_t, OpenPrinter> open;
  std::uintptr_t next = 1;
};

PrinterTable& Printers() {
  static PrinterTable* table = new PrinterTable;
  return *table;
}

bool Lookup(PrinterHandle* handle, OpenPrinter* out) {
  PrinterTable& table = Printers();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = table.open.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == table.open.end()) return false;
  *out = it->second;
  return true;
}

}  // namespace

BOOL EnumPrintersA(DWORD flags, const char* name, DWORD level, BYTE* buffer, DWORD bufferSize,
                   DWORD* needed, DWORD* returned) {
  try {
    if (!needed || !returned) return Fail(ERROR_INVALID_PARAMETER);
    if (name && *name) return Fail(ERROR_INVALID_NAME);
    if (level != 2) return Fail(ERROR_INVALID_LEVEL);

    std::vector<spooler::Printer> all;
    if (LONG rc = spooler::CurrentBackend()->ListPrinters(all); rc != ERROR_SUCCESS) return Fail(rc);

    // Locals first, then connections, each in the backend's order.
    std::vector<const spooler::Printer*> chosen;
    for (bool connections : {false, true}) {
      DWORD wanted = connections ? PRINTER_ENUM_CONNECTIONS : PRINTER_ENUM_LOCAL;
      if (!(flags & wanted)) continue;
      for (const spooler::Printer& p : all)
        if (p.connection == connections) chosen.push_back(&p);
    }

    Packing packing(chosen.size(), sizeof(PRINTER_INFO_2A));
    for (const spooler::Printer* p : chosen) {
      packing.Count(p->name);
      packing.Count(p->portName);
      packing.Count(p->comment);
    }
    *returned = 0;
    LONG error = 0;
    if (!packing.Fits(buffer, bufferSize, needed, &error)) return Fail(error);
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      PRINTER_INFO_2A record{};
      record.pPrinterName = packing.Place(chosen[i]->name);
      record.pPortName = packing.Place(chosen[i]->portName);
      record.pComment = packing.Place(chosen[i]->comment);
      record.Status = chosen[i]->status;
      record.cJobs = chosen[i]->jobs;
      Store(buffer, i, record);
    }
    *returned = static_cast<DWORD>(chosen.size());
    return Succeed();
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(RPC_S_SERVER_UNAVAILABLE);
  }
}

BOOL OpenPrinterA(const char* name, PrinterHandle** printer, void*) {
  try {
    if (!printer) return Fail(ERROR_INVALID_PARAMETER);
    *printer = nullptr;
    if (!name || !*name) return Fail(ERROR_INVALID_PRINTER_NAME);
    std::shared_ptr<spooler::Backend> backend = spooler::CurrentBackend();
    spooler::Printer found;
    if (LONG rc = backend->GetPrinter(name, found); rc != ERROR_SUCCESS) return Fail(rc);

    PrinterTable& table = Printers();
    std::lock_guard<std::mutex> guard(table.lock);
    std::uintptr_t id = table.next++;
    table.open.emplace(id, OpenPrinter{found.name.empty() ? name : found.name, std::move(backend)});
    *printer = reinterpret_cast<PrinterHandle*>(id);
    return Succeed();
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(RPC_S_SERVER_UNAVAILABLE);
  }
}

BOOL ClosePrinter(PrinterHandle* printer) {
  PrinterTable& table = Printers();
  std::lock_guard<std::mutex> guard(table.lock);
  if (table.open.erase(reinterpret_cast<std::uintptr_t>(printer)) == 0)
    return Fail(ERROR_INVALID_HANDLE);
  return Succeed();
}

BOOL GetPrinterA(PrinterHandle* printer, DWORD level, BYTE* buffer, DWORD bufferSize, DWORD* needed) {
  try {
    OpenPrinter open;
    if (!Lookup(printer, &open)) return Fail(ERROR_INVALID_HANDLE);
    if (!needed) return Fail(ERROR_INVALID_PARAMETER);
    if (level != 2) return Fail(ERROR_INVALID_LEVEL);
    spooler::Printer p;
    if (LONG rc = open.backend->GetPrinter(open.name, p); rc != ERROR_SUCCESS) return Fail(rc);

    Packing packing(1, sizeof(PRINTER_INFO_2A));
    packing.Count(p.name);
    packing.Count(p.portName);
    packing.Count(p.comment);
    LONG error = 0;
    if (!packing.Fits(buffer, bufferSize, needed, &error)) return Fail(error);
    PRINTER_INFO_2A record{};
    record.pPrinterName = packing.Place(p.name);
    record.pPortName = packing.Place(p.portName);
    record.pComment = packing.Place(p.comment);
    record.Status = p.status;
    record.cJobs = p.jobs;
    Store(buffer, 0, record);
    return Succeed();
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(RPC_S_SERVER_UNAVAILABLE);
  }
}

BOOL EnumJobsA(PrinterHandle* printer, DWORD firstJob, DWORD jobCount, DWORD level, BYTE* buffer,
               DWORD bufferSize, DWORD* needed, DWORD* returned) {
  try {
    OpenPrinter open;
    if (!Lookup(printer, &open)) return Fail(ERROR_INVALID_HANDLE);
    if (!needed || !returned) return Fail(ERROR_INVALID_PARAMETER);
    if (level != 2) return Fail(ERROR_INVALID_LEVEL);
    *returned = 0;
    std::vector<spooler::Job> all;
    if (LONG rc = open.backend->ListJobs(open.name, all); rc != ERROR_SUCCESS) return Fail(rc);

    const std::size_t first = std::min<std::size_t>(firstJob, all.size());
    const std::size_t end = first + std::min<std::size_t>(jobCount, all.size() - first);
    Packing packing(end - first, sizeof(JOB_INFO_2A));
    for (std::size_t i = first; i < end; ++i) {
      packing.Count(all[i].user);
      packing.Count(all[i].document);
      if (!all[i].statusText.empty()) packing.Count(all[i].statusText);
    }
    LONG error = 0;
    if (!packing.Fits(buffer, bufferSize, needed, &error)) return Fail(error);
    for (std::size_t i = first; i < end; ++i) {
      const spooler::Job& j = all[i];
      JOB_INFO_2A record{};
      record.JobId = j.id;
      record.pUserName = packing.Place(j.user);
      record.pDocument = packing.Place(j.document);
      record.pStatus = j.statusText.empty() ? nullptr : packing.Place(j.statusText);
      record.Status = j.status;
      record.Priority = j.priority;
      record.Position = static_cast<DWORD>(i + 1);
      record.TotalPages = j.totalPages;
      record.PagesPrinted = j.pagesPrinted;
      record.Submitted = j.submitted;
      Store(buffer, i - first, record);
    }
    *returned = static_cast<DWORD>(end - first);
    return Succeed();
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(RPC_S_SERVER_UNAVAILABLE);
  }
}

BOOL SetJobA(PrinterHandle* printer, DWORD jobId, DWORD level, BYTE*, DWORD command) {
  try {
    OpenPrinter open;
    if (!Lookup(printer, &open)) return Fail(ERROR_INVALID_HANDLE);
    if (level != 0) return Fail(ERROR_INVALID_LEVEL);
    // A spooler may take job 0 as "the job printing now": never send it.
    if (jobId == 0 || command < JOB_CONTROL_PAUSE || command > JOB_CONTROL_RESTART)
      return Fail(ERROR_INVALID_PARAMETER);
    if (LONG rc = open.backend->ControlJob(open.name, jobId, command); rc != ERROR_SUCCESS) return Fail(rc);
    return Succeed();
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(RPC_S_SERVER_UNAVAILABLE);
  }
}

}  // namespace vlm

// EnumPrintersA over the process-wide backend, and the in-memory backend.
#include "platform/spooler/spooler.h"

#include <cstring>
#include <new>

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

void MemorySpooler::AddPrinter(Printer printer) {
  std::lock_guard<std::mutex> guard(lock_);
  printers_.push_back(std::move(printer));
}

void MemorySpooler::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  printers_.clear();
}

void MemorySpooler::FailListings(LONG error) {
  std::lock_guard<std::mutex> guard(lock_);
  failure_ = error;
}

LONG MemorySpooler::ListPrinters(std::vector<Printer>& out) {
  std::lock_guard<std::mutex> guard(lock_);
  if (failure_ != 0) return failure_;
  out = printers_;
  return ERROR_SUCCESS;
}

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

    std::size_t size = chosen.size() * sizeof(PRINTER_INFO_2A);
    for (const spooler::Printer* p : chosen)
      size += p->name.size() + p->portName.size() + p->comment.size() + 3;
    if (size > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *returned = 0;
    *needed = static_cast<DWORD>(size);
    if (size == 0) {
      SetLastError(0);
      return 1;
    }
    if (!buffer || bufferSize < size) return Fail(ERROR_INSUFFICIENT_BUFFER);

    char* text = reinterpret_cast<char*>(buffer) + chosen.size() * sizeof(PRINTER_INFO_2A);
    auto place = [&text](const std::string& s) {
      char* at = text;
      std::memcpy(at, s.c_str(), s.size() + 1);
      text += s.size() + 1;
      return at;
    };
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      PRINTER_INFO_2A record{};
      record.pPrinterName = place(chosen[i]->name);
      record.pPortName = place(chosen[i]->portName);
      record.pComment = place(chosen[i]->comment);
      std::memcpy(buffer + i * sizeof record, &record, sizeof record);
    }
    *returned = static_cast<DWORD>(chosen.size());
    SetLastError(0);
    return 1;
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(RPC_S_SERVER_UNAVAILABLE);
  }
}

}  // namespace vlm

// The job control map, the job status texts and the job reader of the
// platform spooler.
#include "mgmt/job_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "platform/sync/sync.h"

namespace vlm::mgmt {

std::int32_t JobControlCommand(std::int32_t scalarValue) {
  switch (scalarValue) {
    case 0: return JOB_CONTROL_CANCEL;
    case 1: return JOB_CONTROL_PAUSE;
    case 2: return JOB_CONTROL_RESUME;
    case 3: return JOB_CONTROL_RESTART;
    default: return JOB_CONTROL_NONE;
  }
}

const char* JobStatusText(std::int32_t status) {
  switch (status) {
    case JOB_STATUS_PAUSED: return "Paused";
    case JOB_STATUS_ERROR: return "Error";
    case JOB_STATUS_DELETING: return "Deleting";
    case JOB_STATUS_SPOOLING: return "Spooling";
    case JOB_STATUS_PRINTING: return "Printing";
    default: return "";
  }
}

namespace {

// How often a listing is asked again when it grew between the size call and
// the call with the buffer.
constexpr int kSizedTries = 3;

// The platform's two-call pattern: `call(buffer, size, &needed)` without a
// buffer, then with a zeroed, pointer-aligned buffer of the size asked. On
// success `buffer` holds the answer (empty when there was nothing).
template <typename Call>
bool CallSized(std::vector<std::uint64_t>& buffer, Call call) {
  DWORD needed = 0;
  buffer.clear();
  if (call(nullptr, 0, &needed)) return true;
  for (int tries = 0; tries < kSizedTries && GetLastError() == static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER);
       ++tries) {
    if (needed == 0) return false;
    buffer.assign((std::size_t{needed} + 7) / 8, 0);
    if (call(reinterpret_cast<BYTE*>(buffer.data()), needed, &needed)) return true;
  }
  return false;
}

std::int32_t ToInt32(DWORD v) { return static_cast<std::int32_t>(std::min<DWORD>(v, INT32_MAX)); }

// Copies a text into a 256-byte field, zero-terminated, cut at 255 bytes
// without splitting a UTF-8 sequence; null is stored empty.
void CopyText(char (&field)[256], const char* text) {
  std::memset(field, 0, sizeof field);
  if (!text) return;
  std::size_t n = strnlen(text, sizeof field);
  if (n == sizeof field) {
    n = sizeof field - 1;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(field, text, n);
}

}  // namespace

std::unique_ptr<SpoolerJobs> SpoolerJobs::Open(const std::string& printerName) {
  PrinterHandle* printer = nullptr;
  if (!OpenPrinterA(printerName.c_str(), &printer, nullptr)) return nullptr;
  std::unique_ptr<SpoolerJobs> reader(new (std::nothrow) SpoolerJobs(printer));
  if (!reader) ClosePrinter(printer);
  return reader;
}

SpoolerJobs::~SpoolerJobs() { ClosePrinter(printer_); }

bool SpoolerJobs::RefreshJobList(std::int32_t* count) {
  if (!count) return false;
  try {
    std::vector<std::uint64_t> buffer;
    if (!CallSized(buffer, [this](BYTE* b, DWORD size, DWORD* needed) {
          return GetPrinterA(printer_, 2, b, size, needed);
        }) ||
        buffer.empty())
      return false;
    PRINTER_INFO_2A info;
    std::memcpy(&info, buffer.data(), sizeof info);

    // The table keeps the ids of the first jobs when the queue holds more.
    const DWORD wanted = std::min<DWORD>(info.cJobs, kMaxJobIds);
    std::array<std::int32_t, kMaxJobIds> ids{};
    if (wanted > 0) {
      DWORD returned = 0;
      if (!CallSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return EnumJobsA(printer_, 0, wanted, 2, b, size, needed, &returned);
          }))
        return false;
      // Fewer jobs than counted leave ids of 0, which are never controlled.
      const auto* jobs = reinterpret_cast<const JOB_INFO_2A*>(buffer.data());
      for (DWORD i = 0; i < std::min(returned, wanted) && !buffer.empty(); ++i)
        ids[i] = ToInt32(jobs[i].JobId);
    }
    jobIds_ = ids;
    jobCount_ = ToInt32(info.cJobs);
    printerStatus_ = static_cast<std::int32_t>(info.Status);
    *count = jobCount_;
    return true;
  } catch (...) {
    return false;
  }
}

bool SpoolerJobs::GetJobInfo(std::int32_t position, JobRecord* record) {
  if (!record || position < 0) return false;
  try {
    std::vector<std::uint64_t> buffer;
    DWORD returned = 0;
    if (!CallSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
          return EnumJobsA(printer_, static_cast<DWORD>(position), 1, 2, b, size, needed, &returned);
        }) ||
        returned == 0 || buffer.empty())
      return false;
    JOB_INFO_2A job;
    std::memcpy(&job, buffer.data(), sizeof job);

    JobRecord r;
    std::memset(&r, 0, sizeof r);
    CopyText(r.userName, job.pUserName);
    CopyText(r.document, job.pDocument);
    const std::int32_t status = static_cast<std::int32_t>(job.Status);
    CopyText(r.statusText, job.pStatus && *job.pStatus ? job.pStatus : JobStatusText(status));
    r.status = status;
    r.priority = ToInt32(job.Priority);
    r.position = ToInt32(job.Position);
    r.totalPages = ToInt32(job.TotalPages);
    r.pagesPrinted = ToInt32(job.PagesPrinted);
    r.submitted = job.Submitted;
    *record = r;
    return true;
  } catch (...) {
    return false;
  }
}

std::int32_t SpoolerJobs::ControlJob(std::int32_t position, std::int32_t command) {
  if (position < 0 || position >= std::min(jobCount_, kMaxJobIds)) return -1;
  const std::int32_t id = jobIds_[static_cast<std::size_t>(position)];
  if (id <= 0) return -1;
  return SetJobA(printer_, static_cast<DWORD>(id), 0, nullptr, static_cast<DWORD>(command)) ? 0 : -1;
}

JobReaderFactory SpoolerJobReaders() {
  return [](const std::string& name) -> std::unique_ptr<JobReader> { return SpoolerJobs::Open(name); };
}

}  // namespace vlm::mgmt

// The print-job side of a VectorItem object: the job record kept per handle
// and the reader of the local spooler's queue for the device last opened as
// an installed printer.
//
// What a caller may rely on:
// - JobRecord has the 804-byte layout of the spooler's level-2 job fields
//   that the job scalars are taken from.
// - A JobReader answers for one printer queue. RefreshJobList and GetJobInfo
//   return false on any failure and then leave their out values as they
//   were; ControlJob returns the error code to report (0 for success).
// - NullJobReader is the reader in force before any installed printer was
//   opened, and the default when no spooler is plugged in: it has no jobs
//   and refuses nothing.
// - SpoolerJobs is the reader of one printer of the platform spooler
//   (platform/spooler/spooler.h): RefreshJobList takes the printer's job
//   count and the ids of its first 256 jobs; GetJobInfo reads the job at a
//   position afresh; ControlJob sends a command only for a position below
//   the latest count whose job id is above 0, and gives -1 when it sends
//   none or the spooler refuses it. Its methods throw nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/spooler/spooler.h"
#include "platform/types.h"

namespace vlm::mgmt {

struct JobRecord {
  char userName[256];
  char document[256];
  char statusText[256];
  std::int32_t status;  // spooler status word
  std::int32_t priority;
  std::int32_t position;
  std::int32_t totalPages;
  std::int32_t pagesPrinted;
  SYSTEMTIME submitted;
};
static_assert(sizeof(JobRecord) == 804);
static_assert(offsetof(JobRecord, document) == 256);
static_assert(offsetof(JobRecord, statusText) == 512);
static_assert(offsetof(JobRecord, status) == 768);
static_assert(offsetof(JobRecord, pagesPrinted) == 784);
static_assert(offsetof(JobRecord, submitted) == 788);

// No job control command (the spooler's commands are JOB_CONTROL_PAUSE,
// _RESUME, _CANCEL and _RESTART).
inline constexpr std::int32_t JOB_CONTROL_NONE = 0;

// The command that SetScalarIntegerValue's value selects on a job handle:
// 0 cancel, 1 pause, 2 resume, 3 restart, anything else none.
std::int32_t JobControlCommand(std::int32_t scalarValue);

// The status text of a job's status word: "Paused", "Error", "Deleting",
// "Spooling" or "Printing" for exactly one of those bits, else "".
const char* JobStatusText(std::int32_t status);

class JobReader {
 public:
  virtual ~JobReader() = default;
  // The queue's job ids and count afresh.
  virtual bool RefreshJobList(std::int32_t* count) = 0;
  // The job at a 0-based queue position of the latest refresh.
  virtual bool GetJobInfo(std::int32_t position, JobRecord* record) = 0;
  // Applies a JOB_CONTROL_* command to the job at that position.
  virtual std::int32_t ControlJob(std::int32_t position, std::int32_t command) = 0;
};

class NullJobReader final : public JobReader {
 public:
  bool RefreshJobList(std::int32_t*) override { return false; }
  bool GetJobInfo(std::int32_t, JobRecord*) override { return false; }
  std::int32_t ControlJob(std::int32_t, std::int32_t) override { return 0; }
};

// Makes the reader for the printer queue of a spooler name (null: none).
using JobReaderFactory = std::function<std::unique_ptr<JobReader>(const std::string& spoolerName)>;

class SpoolerJobs final : public JobReader {
 public:
  static constexpr std::int32_t kMaxJobIds = 256;

  // The reader of the spooler's printer of that name; null when the spooler
  // does not know the printer or cannot be reached.
  static std::unique_ptr<SpoolerJobs> Open(const std::string& printerName);
  ~SpoolerJobs() override;
  SpoolerJobs(const SpoolerJobs&) = delete;
  SpoolerJobs& operator=(const SpoolerJobs&) = delete;

  bool RefreshJobList(std::int32_t* count) override;
  bool GetJobInfo(std::int32_t position, JobRecord* record) override;
  std::int32_t ControlJob(std::int32_t position, std::int32_t command) override;

  // The printer's status word of the latest refresh.
  std::int32_t PrinterStatus() const { return printerStatus_; }

 private:
  explicit SpoolerJobs(PrinterHandle* printer) : printer_(printer) {}

  std::array<std::int32_t, kMaxJobIds> jobIds_{};
  std::int32_t printerStatus_ = 0;
  std::int32_t jobCount_ = 0;
  PrinterHandle* printer_;
};

// The factory of SpoolerJobs readers, the library's own.
JobReaderFactory SpoolerJobReaders();

}  // namespace vlm::mgmt

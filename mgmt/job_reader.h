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
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/types.h"

namespace vlm::mgmt {

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

// The spooler's job control commands.
enum : std::int32_t {
  JOB_CONTROL_NONE = 0,
  JOB_CONTROL_PAUSE = 1,
  JOB_CONTROL_RESUME = 2,
  JOB_CONTROL_CANCEL = 3,
  JOB_CONTROL_RESTART = 4,
};

// The command that SetScalarIntegerValue's value selects on a job handle:
// 0 cancel, 1 pause, 2 resume, 3 restart, anything else none.
std::int32_t JobControlCommand(std::int32_t scalarValue);

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

}  // namespace vlm::mgmt

// The job control map.
#include "mgmt/job_reader.h"

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

}  // namespace vlm::mgmt

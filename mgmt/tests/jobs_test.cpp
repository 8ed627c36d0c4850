// The print-job vectors over SpoolerJobs and the in-memory spooler: the job
// list, each job's values, job control and the handles' edge cases.
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "mgmt/tests/fixture.h"
#include "platform/spooler/spooler.h"

namespace vlm::mgmt::testing {
namespace {

using namespace xlpnmif;
using spooler::MemorySpooler;

constexpr const char* kFirst = "queue-127.0.0.5";
constexpr const char* kSecond = "queue-127.0.0.6";

// A job's values as a client reads them: group 1030, then both lists.
struct JobValues {
  LONG error = -99;
  std::vector<std::string> texts;  // status, user, document
  std::vector<std::int32_t> ints;  // position, pages printed, priority, total pages
};

class JobsTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    memory = std::make_shared<MemorySpooler>();
    memory->AddPrinter({kFirst, "127.0.0.5", "", false});
    memory->AddPrinter({kSecond, "127.0.0.6", "", false});
    spooler::SetBackend(memory);
    env.makeJobReader = SpoolerJobReaders();
    item = Make();
    net = FakeNetMgr::last;
    // Two installed printers and one whose queue the spooler does not know.
    ASSERT_EQ(Discover({{"127.0.0.5", 1}, {"127.0.0.6", 1}, {"127.0.0.7", 1}}), 0);
  }
  void TearDown() override {
    ItemTest::TearDown();
    spooler::SetBackend(nullptr);
  }

  // Adds jobs "doc<i>" by "user<i>" to a queue.
  std::vector<DWORD> AddJobs(const char* printer, int count) {
    std::vector<DWORD> ids;
    for (int i = 0; i < count; ++i) {
      spooler::Job job;
      job.user = "user" + std::to_string(i);
      job.document = "doc" + std::to_string(i);
      job.priority = static_cast<DWORD>(i + 1);
      job.totalPages = static_cast<DWORD>(10 + i);
      job.pagesPrinted = static_cast<DWORD>(i);
      ids.push_back(memory->AddJob(printer, job));
    }
    return ids;
  }
  // Opens an installed printer as the monitor does, and the job list.
  LONG OpenList(LONG device) {
    const LONG root = Root(kInstalledPrinter, device);
    EXPECT_GE(root, 0);
    item->ReleaseHandle(root);
    return Root(kPrintJobs);
  }
  std::int32_t JobCount(LONG list) {
    EXPECT_EQ(Read(list, kJobListGroup), 0);
    ValueLists l = Ints(list);
    EXPECT_EQ(l.Ids(), std::vector<std::int32_t>{kJobCount});
    return l.count == 1 ? l.IntValues()[0] : -1;
  }
  JobValues ReadJob(LONG job) {
    JobValues v;
    v.error = Read(job, kJobGroup);
    v.texts = Texts(job).TextValues();
    v.ints = Ints(job).IntValues();
    return v;
  }
  LONG Control(LONG job, LONG value) {
    LONG error = -99;
    EXPECT_EQ(item->SetScalarIntegerValue(job, 0, value, &error), S_OK);
    return error;
  }

  std::shared_ptr<MemorySpooler> memory;
};

TEST_F(JobsTest, EachJobsValuesAndStatusTexts) {
  const struct {
    DWORD status;
    const char* own;  // the spooler's status text of the job
    const char* shown;
  } cases[] = {
      {JOB_STATUS_PAUSED, "", "Paused"},
      {JOB_STATUS_PAUSED | JOB_STATUS_PRINTING, "", ""},  // a combination has no text
      {JOB_STATUS_ERROR, "", "Error"},
      {JOB_STATUS_DELETING, "", "Deleting"},
      {JOB_STATUS_SPOOLING, "", "Spooling"},
      {JOB_STATUS_PRINTING, "", "Printing"},
      {JOB_STATUS_PRINTED, "", ""},
      {0, "", ""},
      {JOB_STATUS_PAUSED, "Toner low", "Toner low"},  // the job's own text wins
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    spooler::Job job;
    job.user = "user" + std::to_string(i);
    job.document = "doc" + std::to_string(i);
    job.statusText = cases[i].own;
    job.status = cases[i].status;
    job.priority = static_cast<DWORD>(i + 1);
    job.totalPages = static_cast<DWORD>(10 + i);
    job.pagesPrinted = static_cast<DWORD>(i);
    memory->AddJob(kFirst, job);
  }

  const LONG list = OpenList(0);
  ASSERT_EQ(JobCount(list), static_cast<std::int32_t>(std::size(cases)));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const LONG job = Child(list, kPrintJob, static_cast<LONG>(i));
    ASSERT_GE(job, 0);
    const JobValues v = ReadJob(job);
    EXPECT_EQ(v.error, 0);
    const std::int32_t n = static_cast<std::int32_t>(i);
    EXPECT_EQ(v.texts, (std::vector<std::string>{cases[i].shown, "user" + std::to_string(i),
                                                 "doc" + std::to_string(i)}));
    EXPECT_EQ(v.ints, (std::vector<std::int32_t>{n + 1, n, n + 1, 10 + n}));
    item->ReleaseHandle(job);
  }
}

TEST_F(JobsTest, LongTextsAreCutWithoutSplittingACharacter) {
  spooler::Job job;
  job.user = std::string(300, 'u');
  job.document = std::string(254, 'd') + "\xC3\xA9" + "tail";  // é across the 255th byte
  memory->AddJob(kFirst, job);
  const LONG list = OpenList(0);
  ASSERT_EQ(JobCount(list), 1);
  const JobValues v = ReadJob(Child(list, kPrintJob, 0));
  ASSERT_EQ(v.texts.size(), 3u);
  EXPECT_EQ(v.texts[1], std::string(255, 'u'));
  EXPECT_EQ(v.texts[2], std::string(254, 'd'));
}

TEST_F(JobsTest, ControlValuesReachTheJobAtTheHandlesPosition) {
  const std::vector<DWORD> ids = AddJobs(kFirst, 3);
  const LONG list = OpenList(0);
  ASSERT_EQ(JobCount(list), 3);
  const LONG job = Child(list, kPrintJob, 1);
  ASSERT_GE(job, 0);

  const struct {
    LONG value;
    DWORD command;  // 0: none reaches the spooler
    LONG error;
  } steps[] = {
      {7, 0, 0},
      {-1, 0, 0},
      {1, JOB_CONTROL_PAUSE, 0},
      {2, JOB_CONTROL_RESUME, 0},
      {3, JOB_CONTROL_RESTART, 0},
      {0, JOB_CONTROL_CANCEL, 0},
      // The list is not refreshed by a command: the cancelled job is still
      // the handle's, and the spooler refuses to restart it.
      {3, JOB_CONTROL_RESTART, -1},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.value);
    const std::size_t before = memory->Controls().size();
    EXPECT_EQ(Control(job, s.value), s.error);
    const std::vector<MemorySpooler::Control> controls = memory->Controls();
    if (s.command == 0) {
      EXPECT_EQ(controls.size(), before);
    } else {
      ASSERT_EQ(controls.size(), before + 1);
      EXPECT_EQ(controls.back(), (MemorySpooler::Control{kFirst, ids[1], s.command}));
    }
  }
  EXPECT_EQ(memory->JobsOf(kFirst).size(), 2u);
}

TEST_F(JobsTest, OnlyListedJobsAreControlled) {
  AddJobs(kFirst, 2);
  // The spooler counts a third job that its listing does not give.
  memory->SetReportedJobCount(kFirst, 3);
  const LONG list = OpenList(0);
  ASSERT_EQ(JobCount(list), 3);
  const LONG jobs[] = {Child(list, kPrintJob, 0), Child(list, kPrintJob, 1), Child(list, kPrintJob, 2)};
  for (LONG j : jobs) ASSERT_GE(j, 0);

  // The list handle answers as the list group and controls nothing.
  EXPECT_EQ(Read(list, kJobGroup), 0);
  EXPECT_EQ(Ints(list).Ids(), std::vector<std::int32_t>{kJobCount});
  EXPECT_EQ(Control(list, 0), 0);

  // The uncounted job has id 0, which a spooler may take as "the job
  // printing now": it is neither read nor controlled.
  EXPECT_EQ(ReadJob(jobs[2]).error, kErrJobPastEnd);
  EXPECT_EQ(Control(jobs[2], 0), -1);

  // A refresh that finds one job leaves position 1 past the list.
  memory->SetReportedJobCount(kFirst, -1);
  memory->RemoveJob(memory->JobsOf(kFirst)[1].id);
  EXPECT_EQ(ReadJob(jobs[1]).error, kErrJobPastEnd);
  EXPECT_EQ(Control(jobs[1], 1), -1);
  EXPECT_TRUE(memory->Controls().empty());

  // A command the spooler refuses reports -1.
  memory->FailCalls(MemorySpooler::Call::ControlJob, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Control(jobs[0], 1), -1);
  EXPECT_EQ(memory->Controls().size(), 1u);
  memory->FailCalls(MemorySpooler::Call::ControlJob, 0);
  EXPECT_EQ(Control(jobs[0], 1), 0);
}

TEST_F(JobsTest, AReadThatFindsNoJobGives101AndKeepsOrClearsTheRecord) {
  AddJobs(kFirst, 3);
  const LONG list = OpenList(0);
  ASSERT_EQ(JobCount(list), 3);
  const LONG last = Child(list, kPrintJob, 2);
  JobValues before = ReadJob(last);
  ASSERT_EQ(before.error, 0);
  ASSERT_EQ(before.texts[2], "doc2");

  // Fewer jobs: past the list, the former job's values stay.
  memory->RemoveJob(memory->JobsOf(kFirst)[0].id);
  JobValues after = ReadJob(last);
  EXPECT_EQ(after.error, kErrJobPastEnd);
  EXPECT_EQ(after.texts, before.texts);
  EXPECT_EQ(after.ints, before.ints);

  // A spooler that fails to list the jobs: the count stays, the read fails.
  const LONG first = Child(list, kPrintJob, 0);
  ASSERT_EQ(ReadJob(first).error, 0);
  item->ReleaseHandle(first);
  memory->FailCalls(MemorySpooler::Call::ListJobs, RPC_S_SERVER_UNAVAILABLE);
  EXPECT_EQ(JobCount(list), 2);
  // A new handle in the released entry does not show the job read there.
  const LONG again = Child(list, kPrintJob, 0);
  ASSERT_EQ(again, first);
  JobValues failed = ReadJob(again);
  EXPECT_EQ(failed.error, kErrJobPastEnd);
  EXPECT_EQ(failed.texts, (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(failed.ints, (std::vector<std::int32_t>{0, 0, 0, 0}));

  // The printer itself failing keeps the count as well.
  memory->FailCalls(MemorySpooler::Call::GetPrinter, RPC_S_SERVER_UNAVAILABLE);
  EXPECT_EQ(JobCount(list), 2);
}

TEST_F(JobsTest, AQueueLongerThanTheIdTable) {
  const std::vector<DWORD> ids = AddJobs(kFirst, 300);
  const LONG list = OpenList(0);
  ASSERT_EQ(JobCount(list), 300);
  const LONG past = Child(list, kPrintJob, 299);
  const LONG inside = Child(list, kPrintJob, 255);
  ASSERT_GE(past, 0);
  ASSERT_GE(inside, 0);
  // Every counted job can be read; only the first 256 have ids to control.
  const JobValues v = ReadJob(past);
  EXPECT_EQ(v.error, 0);
  EXPECT_EQ(v.texts[2], "doc299");
  EXPECT_EQ(v.ints[0], 300);
  EXPECT_EQ(Control(past, 1), -1);
  EXPECT_EQ(Control(inside, 1), 0);
  EXPECT_EQ(memory->Controls(), (std::vector<MemorySpooler::Control>{{kFirst, ids[255], JOB_CONTROL_PAUSE}}));
}

TEST_F(JobsTest, EachInstalledPrinterOpenSwitchesTheQueue) {
  AddJobs(kFirst, 2);
  const DWORD second = AddJobs(kSecond, 1)[0];

  LONG list = OpenList(0);
  EXPECT_EQ(JobCount(list), 2);
  const LONG held = Child(list, kPrintJob, 1);
  ASSERT_GE(held, 0);
  item->ReleaseHandle(list);

  list = OpenList(1);
  EXPECT_EQ(JobCount(list), 1);
  EXPECT_EQ(Child(list, kPrintJob, 1), -1);
  const LONG job = Child(list, kPrintJob, 0);
  EXPECT_EQ(ReadJob(job).texts[2], "doc0");
  EXPECT_EQ(Control(job, 0), 0);
  EXPECT_EQ(memory->Controls(), (std::vector<MemorySpooler::Control>{{kSecond, second, JOB_CONTROL_CANCEL}}));
  // A handle of the former queue now answers for this one.
  EXPECT_EQ(ReadJob(held).error, kErrJobPastEnd);
  item->ReleaseHandle(list);

  // A printer the spooler does not know has no jobs, whatever the former
  // queue held.
  AddJobs(kSecond, 1);
  list = Root(kPrintJobs);
  ASSERT_EQ(JobCount(list), 1);
  item->ReleaseHandle(list);
  list = OpenList(2);
  EXPECT_EQ(JobCount(list), 0);
  EXPECT_EQ(Child(list, kPrintJob, 0), -1);
  EXPECT_EQ(ReadJob(job).error, kErrJobPastEnd);
}

}  // namespace
}  // namespace vlm::mgmt::testing

// The CUPS backend against a private scheduler on loopback.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/spooler/spooler.h"
#include "platform/sync/sync.h"
#include "tests/support/cupsd_harness.h"

namespace vlm {
namespace {

using spooler::CupsSpooler;
using spooler::Printer;
using testing::CupsdHarness;

const Printer* Find(const std::vector<Printer>& list, const std::string& name) {
  auto it = std::find_if(list.begin(), list.end(), [&](const Printer& p) { return p.name == name; });
  return it == list.end() ? nullptr : &*it;
}

TEST(CupsSpooler, ListsTheQueuesWithPortNamesAndComments) {
  CupsdHarness cupsd;
  CupsSpooler backend(cupsd.socketPath());

  std::vector<Printer> none;
  ASSERT_EQ(backend.ListPrinters(none), ERROR_SUCCESS);
  EXPECT_TRUE(none.empty());

  cupsd.AddQueue("raw9100", "socket://127.3.4.5:9100", "Second floor laser");
  cupsd.AddQueue("lpdq", "lpd://127.3.4.6/queue");
  cupsd.AddQueue("ippq", "ipp://127.3.4.7:631/ipp/print", "Copier");
  // A queue that feeds a queue of another CUPS server is a remote one.
  cupsd.AddQueue("remoteq", "ipp://127.3.4.10:631/printers/x", "Shared");
  cupsd.AddQueue("fileq", "file:///dev/null");
  cupsd.AddQueue("smbq", "smb://127.3.4.8/share");
  cupsd.AddQueue("lptq", "parallel:/dev/lp0");

  std::vector<Printer> list;
  ASSERT_EQ(backend.ListPrinters(list), ERROR_SUCCESS);
  ASSERT_EQ(list.size(), 7u);
  const struct {
    const char* name;
    const char* port;
    const char* comment;
    bool connection;
  } expected[] = {
      {"raw9100", "127.3.4.5", "Second floor laser", false},
      {"lpdq", "127.3.4.6", "lpdq", false},  // CUPS's own default description
      {"ippq", "127.3.4.7", "Copier", false},
      {"remoteq", "127.3.4.10", "Shared", true},
      {"fileq", "FILE:", "fileq", false},
      {"smbq", "\\\\127.3.4.8\\share", "smbq", false},
      {"lptq", "LPT1:", "lptq", false},
  };
  for (const auto& e : expected) {
    const Printer* p = Find(list, e.name);
    ASSERT_NE(p, nullptr) << e.name;
    EXPECT_EQ(p->portName, e.port) << e.name;
    EXPECT_EQ(p->comment, e.comment) << e.name;
    EXPECT_EQ(p->connection, e.connection) << e.name;
  }

  cupsd.RemoveQueue("lpdq");
  ASSERT_EQ(backend.ListPrinters(list), ERROR_SUCCESS);
  EXPECT_EQ(list.size(), 6u);
  EXPECT_EQ(Find(list, "lpdq"), nullptr);
}

TEST(CupsSpooler, EnumPrintersThroughTheConfiguredServer) {
  CupsdHarness cupsd;
  cupsd.AddQueue("laser", "socket://127.3.4.9:9100", "Front desk");
  cupsd.UseForThisProcess();  // the default backend follows $CUPS_SERVER
  spooler::SetBackend(nullptr);

  DWORD needed = 0, returned = 0;
  ASSERT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<std::uint64_t> buffer((needed + 7) / 8);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, reinterpret_cast<BYTE*>(buffer.data()), needed,
                            &needed, &returned));
  ASSERT_EQ(returned, 1u);
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  EXPECT_STREQ(info->pPrinterName, "laser");
  EXPECT_STREQ(info->pPortName, "127.3.4.9");
  EXPECT_STREQ(info->pComment, "Front desk");

  // Local queues are not connections.
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(returned, 0u);
}

TEST(CupsSpooler, AStoppedSchedulerIsUnavailable) {
  CupsdHarness cupsd;
  std::string socket = cupsd.socketPath();
  cupsd.Stop();
  CupsSpooler backend(socket);
  std::vector<Printer> list;
  EXPECT_EQ(backend.ListPrinters(list), RPC_S_SERVER_UNAVAILABLE);
  Printer printer;
  EXPECT_EQ(backend.GetPrinter("laser", printer), RPC_S_SERVER_UNAVAILABLE);
  std::vector<spooler::Job> jobs;
  EXPECT_EQ(backend.ListJobs("laser", jobs), RPC_S_SERVER_UNAVAILABLE);
  EXPECT_EQ(backend.ControlJob("laser", 1, JOB_CONTROL_CANCEL), RPC_S_SERVER_UNAVAILABLE);
}

// A stopped queue with three held jobs from two documents, and a held job on
// a second queue.
class CupsJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cupsd.AddQueue("laser", "socket://127.3.4.11:9100", "Front desk");
    cupsd.AddQueue("annex", "socket://127.3.4.12:9100");
    cupsd.StopQueue("laser");
    cupsd.StopQueue("annex");
    const std::string report = cupsd.WriteFile("report.txt", "quarterly\n");
    const std::string memo = cupsd.WriteFile("memo.txt", "memo\n");
    ids = {cupsd.SubmitHeld("laser", report), cupsd.SubmitHeld("laser", memo),
           cupsd.SubmitHeld("laser", report, "Report, second copy")};
    annexJob = cupsd.SubmitHeld("annex", memo);
  }
  std::vector<spooler::Job> List(const std::string& queue) {
    std::vector<spooler::Job> jobs;
    EXPECT_EQ(backend.ListJobs(queue, jobs), ERROR_SUCCESS);
    return jobs;
  }

  CupsdHarness cupsd;
  CupsSpooler backend{cupsd.socketPath()};
  std::vector<int> ids;
  int annexJob = 0;
};

TEST_F(CupsJobsTest, PrinterStatusJobCountAndJobs) {
  Printer printer;
  ASSERT_EQ(backend.GetPrinter("laser", printer), ERROR_SUCCESS);
  EXPECT_EQ(printer.name, "laser");
  EXPECT_EQ(printer.portName, "127.3.4.11");
  EXPECT_EQ(printer.comment, "Front desk");
  EXPECT_EQ(printer.status, PRINTER_STATUS_PAUSED);  // the queue is stopped
  EXPECT_EQ(printer.jobs, 3u);
  EXPECT_EQ(backend.GetPrinter("missing", printer), ERROR_INVALID_PRINTER_NAME);
  std::vector<spooler::Job> none;
  EXPECT_EQ(backend.ListJobs("missing", none), ERROR_INVALID_PRINTER_NAME);

  const std::vector<spooler::Job> jobs = List("laser");
  ASSERT_EQ(jobs.size(), 3u);
  const char* documents[] = {"report.txt", "memo.txt", "Report, second copy"};
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(jobs[i].id, static_cast<DWORD>(ids[i]));
    // Asked in this user's name, the scheduler shows owners and names.
    EXPECT_EQ(jobs[i].user, cupsUser());
    EXPECT_EQ(jobs[i].document, documents[i]);
    EXPECT_EQ(jobs[i].status, JOB_STATUS_PAUSED);
    EXPECT_EQ(jobs[i].statusText, "");
    EXPECT_EQ(jobs[i].priority, 50u);
    EXPECT_GE(jobs[i].submitted.wYear, 2024);
    EXPECT_GE(jobs[i].submitted.wMonth, 1);
  }
  EXPECT_EQ(List("annex").size(), 1u);
}

TEST_F(CupsJobsTest, CommandsChangeTheJobInTheScheduler) {
  const DWORD job = static_cast<DWORD>(ids[2]);
  const struct {
    DWORD command;
    int state;           // in the scheduler afterwards
    std::size_t listed;  // not-completed jobs of the queue afterwards
    DWORD status;        // of the job in the listing
  } steps[] = {
      {JOB_CONTROL_RESUME, IPP_JSTATE_PENDING, 3, 0},
      {JOB_CONTROL_PAUSE, IPP_JSTATE_HELD, 3, JOB_STATUS_PAUSED},
      {JOB_CONTROL_CANCEL, IPP_JSTATE_CANCELED, 2, 0},
      {JOB_CONTROL_RESTART, IPP_JSTATE_PENDING, 3, 0},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.command);
    ASSERT_EQ(backend.ControlJob("laser", job, s.command), ERROR_SUCCESS);
    EXPECT_EQ(cupsd.Job(ids[2]).state, s.state);
    const std::vector<spooler::Job> jobs = List("laser");
    ASSERT_EQ(jobs.size(), s.listed);
    if (s.listed == 3) {
      EXPECT_EQ(jobs[2].status, s.status);
    }
  }

  // Refused: restarting a job that has not ended, a job of another queue,
  // job 0 (the scheduler's "current job") and an unknown job. Nothing moves.
  const struct {
    DWORD job, command;
  } refused[] = {{static_cast<DWORD>(ids[0]), JOB_CONTROL_RESTART},
                 {static_cast<DWORD>(annexJob), JOB_CONTROL_CANCEL},
                 {0, JOB_CONTROL_CANCEL},
                 {9999, JOB_CONTROL_RESUME}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.job);
    EXPECT_EQ(backend.ControlJob("laser", r.job, r.command), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(cupsd.Job(ids[0]).state, IPP_JSTATE_HELD);
  EXPECT_EQ(cupsd.Job(ids[1]).state, IPP_JSTATE_HELD);
  EXPECT_EQ(cupsd.Job(annexJob).state, IPP_JSTATE_HELD);
}

TEST(CupsdHarness, LeavesNoSchedulerRunning) {
  pid_t pid = -1;
  {
    CupsdHarness cupsd;
    pid = cupsd.pid();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0);
  }
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

TEST(CupsdHarness, RefusesDeviceUrisOutsideLoopback) {
  EXPECT_TRUE(testing::DeviceUriIsLoopback("socket://127.0.0.9:9100"));
  EXPECT_TRUE(testing::DeviceUriIsLoopback("file:///dev/null"));
  EXPECT_FALSE(testing::DeviceUriIsLoopback("socket://printer.example:9100"));
  EXPECT_FALSE(testing::DeviceUriIsLoopback("ipp://[::1]/x"));
}

}  // namespace
}  // namespace vlm

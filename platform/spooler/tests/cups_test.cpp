// The CUPS backend against a private scheduler on loopback.
#include <arpa/inet.h>
#include <cups/cups.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
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

// A web server on 127.0.0.1 that wants a login for everything: each request
// is answered 401 with a Basic challenge. The socket listens from the
// constructor on; Serve() starts answering, on a thread of its own.
class LoginWall {
 public:
  LoginWall() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      ADD_FAILURE() << "cannot listen on 127.0.0.1: " << errno;
    port_ = ntohs(a.sin_port);
  }
  ~LoginWall() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
  }
  LoginWall(const LoginWall&) = delete;
  LoginWall& operator=(const LoginWall&) = delete;

  int listener() const { return listener_; }
  int port() const { return port_; }
  int requests() const { return requests_; }
  void Serve() {
    thread_ = std::thread([this] {
      while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) Answer(fd);
      }
    });
  }

 private:
  // Waits for the request's head, refuses it and reads on until the client
  // hangs up, so that the client never writes into a closed connection.
  void Answer(int fd) {
    std::string head;
    char buf[4096];
    bool answered = false;
    for (int idle = 0; !stop_ && idle < 100;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) {
        ++idle;
        continue;
      }
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      if (answered) continue;
      head.append(buf, static_cast<std::size_t>(n));
      if (head.find("\r\n\r\n") == std::string::npos) continue;
      ++requests_;
      static const char kRefusal[] =
          "HTTP/1.1 401 Unauthorized\r\n"
          "WWW-Authenticate: Basic realm=\"CUPS\"\r\n"
          "Content-Length: 0\r\n"
          "Connection: close\r\n\r\n";
      if (::send(fd, kRefusal, sizeof kRefusal - 1, MSG_NOSIGNAL) < 0) break;
      answered = true;
    }
    ::close(fd);
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

// The calls of each kind against a server that wants a login, made on a
// fresh thread of a process whose controlling terminal is a pseudo-terminal,
// as when the monitor is started from a shell. No call may ask the terminal
// for a password: each fails at once as access denied, and nothing was
// typed.
TEST(CupsSpooler, AServerThatWantsALoginIsAccessDeniedWithoutAskingTheTerminal) {
  LoginWall wall;
  const std::string server = "127.0.0.1:" + std::to_string(wall.port());
  constexpr int kCalls = 4;
  const char* const names[kCalls] = {"EnumPrintersA", "OpenPrinterA", "ListJobs", "ControlJob"};
  int results[2];
  ASSERT_EQ(::pipe2(results, O_CLOEXEC), 0);

  int terminal = -1;
  pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Forked before the server thread started: the process is single-threaded.
    ::close(results[0]);
    ::close(wall.listener());
    ::setenv("CUPS_SERVER", server.c_str(), 1);  // read by each new thread's libcups
    // The backend is made here and used on another thread.
    auto backend = std::make_shared<CupsSpooler>();
    spooler::SetBackend(backend);
    LONG got[kCalls] = {};
    std::thread worker([&] {
      DWORD needed = 0, returned = 0;
      got[0] = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned)
                   ? ERROR_SUCCESS
                   : static_cast<LONG>(GetLastError());
      PrinterHandle* printer = nullptr;
      got[1] = OpenPrinterA("laser", &printer, nullptr) ? ERROR_SUCCESS : static_cast<LONG>(GetLastError());
      std::vector<spooler::Job> jobs;
      got[2] = backend->ListJobs("laser", jobs);
      got[3] = backend->ControlJob("laser", 1, JOB_CONTROL_CANCEL);
    });
    worker.join();
    ssize_t written = ::write(results[1], got, sizeof got);
    ::_exit(written == static_cast<ssize_t>(sizeof got) ? 0 : 1);
  }
  ::close(results[1]);
  wall.Serve();

  // Everything the child writes to its terminal, until it ends. A child that
  // is still running after 20 s waits for a password and is killed.
  std::string shown;
  int status = 0;
  bool ended = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!ended && std::chrono::steady_clock::now() < deadline) {
    pollfd p{terminal, POLLIN, 0};
    if (::poll(&p, 1, 100) > 0) {
      char buf[256];
      ssize_t n = ::read(terminal, buf, sizeof buf);
      if (n > 0) shown.append(buf, static_cast<std::size_t>(n));
    }
    ended = ::waitpid(child, &status, WNOHANG) == child;
  }
  if (!ended) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  for (;;) {  // what is left after the end
    pollfd p{terminal, POLLIN, 0};
    char buf[256];
    ssize_t n = ::poll(&p, 1, 0) > 0 ? ::read(terminal, buf, sizeof buf) : 0;
    if (n <= 0) break;
    shown.append(buf, static_cast<std::size_t>(n));
  }
  ::close(terminal);
  LONG got[kCalls] = {};
  ssize_t n = ::read(results[0], got, sizeof got);
  ::close(results[0]);

  ASSERT_TRUE(ended) << "the calls still waited after 20 s; the terminal shows: " << shown;
  EXPECT_EQ(shown.find("assword"), std::string::npos) << "the terminal shows: " << shown;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  ASSERT_EQ(n, static_cast<ssize_t>(sizeof got));
  for (int i = 0; i < kCalls; ++i) EXPECT_EQ(got[i], ERROR_ACCESS_DENIED) << names[i];
  // The refusals came from the server, not from a connection that failed.
  EXPECT_GE(wall.requests(), kCalls);
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

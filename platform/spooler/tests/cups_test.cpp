// The CUPS backend against a private scheduler on loopback.
#include <gtest/gtest.h>

#include <algorithm>
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
}

TEST(CupsdHarness, RefusesDeviceUrisOutsideLoopback) {
  EXPECT_TRUE(testing::DeviceUriIsLoopback("socket://127.0.0.9:9100"));
  EXPECT_TRUE(testing::DeviceUriIsLoopback("file:///dev/null"));
  EXPECT_FALSE(testing::DeviceUriIsLoopback("socket://printer.example:9100"));
  EXPECT_FALSE(testing::DeviceUriIsLoopback("ipp://[::1]/x"));
}

}  // namespace
}  // namespace vlm

// The NetWare and SAP layer: its Linux defaults, the service class
// identifiers, and binding the NetWare client library at run time.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/netware/netware.h"
#include "platform/netware/tests/fake_nwclient.h"

namespace vlm::netware {
namespace {

TEST(PlatformFamily, IsTheNtFamilyUnlessReplaced) {
  EXPECT_EQ(CurrentPlatformFamily(), PlatformFamily::WindowsNt);
  EXPECT_TRUE(IsNtFamily());
  SetPlatformFamily(PlatformFamily::Windows9x);
  EXPECT_FALSE(IsNtFamily());
  SetPlatformFamily(std::nullopt);
  EXPECT_TRUE(IsNtFamily());
}

TEST(SapNameSpace, ServiceClassIdentifiersFollowTheNetWareRule) {
  const struct {
    WORD type;
    DWORD data1;
  } cases[] = {{0x0414, 0x000B0414u}, {0x0071, 0x000B0071u}, {0xFFFF, 0x000BFFFFu}};
  const BYTE tail[8] = {0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  for (const auto& c : cases) {
    ServiceClassId id = SapServiceClassId(c.type);
    EXPECT_EQ(id.data1, c.data1) << c.type;
    EXPECT_EQ(id.data2, 0);
    EXPECT_EQ(id.data3, 0);
    EXPECT_EQ(std::memcmp(id.data4, tail, 8), 0);
  }
  EXPECT_FALSE(SapServiceClassId(0x0414) == SapServiceClassId(0x0071));
}

TEST(SapNameSpace, TheLinuxDefaultHasNoProvidersAndFindsNothing) {
  auto ns = CurrentNameSpace();
  ASSERT_NE(ns, nullptr);
  std::vector<NameSpaceProvider> providers{{"left over"}};
  EXPECT_EQ(ns->EnumProviders(providers), 0);
  EXPECT_TRUE(providers.empty());
  EXPECT_EQ(ns->InstallServiceClass({SapServiceClassId(0x0414), "SAP Service", {}}), WSAEINVAL);
  std::vector<IpxSocketAddress> found(1);
  EXPECT_EQ(ns->LookupService({SapServiceClassId(0x0414), std::nullopt, NS_ALL, LUP_RETURN_ALL}, found),
            WSASERVICE_NOT_FOUND);
  EXPECT_TRUE(found.empty());

  // A replacement serves until it is taken away again.
  auto scripted = std::make_shared<ScriptedNameSpace>();
  SetNameSpace(scripted);
  EXPECT_EQ(CurrentNameSpace(), scripted);
  EXPECT_EQ(CurrentNameSpace()->InstallServiceClass({SapServiceClassId(0x0414), "SAP Service", {}}), 0);
  EXPECT_EQ(CurrentNameSpace()->InstallServiceClass({SapServiceClassId(0x0414), "SAP Service", {}}), WSAEALREADY);
  SetNameSpace(nullptr);
  EXPECT_NE(CurrentNameSpace(), scripted);
}

TEST(NetWareClient, TheDefaultClientIsAbsentOnLinux) {
  ::unsetenv("VLM_NETWARE_CLIENT");
  NetWareApi api = BindNetWareApi();
  EXPECT_EQ(api.library, nullptr);
  EXPECT_EQ(api.attachToFileServer, nullptr);
  EXPECT_EQ(api.scanObject, nullptr);
  EXPECT_EQ(api.scanProperty, nullptr);
  EXPECT_EQ(api.readPropertyValue, nullptr);
  EXPECT_EQ(api.getObjectName, nullptr);

  // A library that loads but is no client binds no call.
  SetNetWareClientLibrary("libc.so.6");
  api = BindNetWareApi();
  EXPECT_NE(api.library, nullptr);
  EXPECT_EQ(api.scanObject, nullptr);
  EXPECT_EQ(api.attachToFileServer, nullptr);
  SetNetWareClientLibrary("");
}

TEST(NetWareClient, AConfiguredClientIsLoadedAndItsFiveCallsBoundByName) {
  // The environment names the library; the setter wins over it.
  ::setenv("VLM_NETWARE_CLIENT", VLM_FAKE_NWCLIENT, 1);
  NetWareApi fromEnvironment = BindNetWareApi();
  ::unsetenv("VLM_NETWARE_CLIENT");
  ASSERT_NE(fromEnvironment.library, nullptr);
  SetNetWareClientLibrary(VLM_FAKE_NWCLIENT);
  NetWareApi api = BindNetWareApi();
  SetNetWareClientLibrary("");
  ASSERT_EQ(api.library, fromEnvironment.library);
  ASSERT_TRUE(api.attachToFileServer && api.scanObject && api.scanProperty && api.readPropertyValue &&
              api.getObjectName);

  // The calls reach the library's bindery (the one the test scripts).
  auto control = reinterpret_cast<testing::FakeNetWareControlFn>(::dlsym(api.library, "VlmFakeNetWareControl"));
  ASSERT_NE(control, nullptr);
  testing::FakeNetWareControl* fake = control();
  fake->Reset();
  fake->AddServer("FS1");
  const std::uint8_t address[12] = {0, 0, 0xa1, 0xb2, 0, 0, 0x1b, 0x2c, 0x3d, 0x4e, 0x90, 0x0f};
  fake->AddObject("FS1", "PRINTER_A", 0x0414, true, address, sizeof address);

  std::uint32_t connection = 0;
  EXPECT_EQ(api.attachToFileServer("NOSUCH", 0, &connection), kNwServerUnknown);
  ASSERT_EQ(api.attachToFileServer("fs1", 0, &connection), kNwSuccess);
  std::uint32_t id = kNwScanStart;
  char name[kNwObjectNameSize];
  std::uint16_t type = 0;
  std::uint8_t hasProperties = 0, flags = 0, security = 0;
  ASSERT_EQ(api.scanObject(connection, "*", htons(0x0414), &id, name, sizeof name, &type, &hasProperties, &flags,
                           &security),
            kNwSuccess);
  EXPECT_STREQ(name, "PRINTER_A");
  std::uint8_t segment[kNwSegmentSize];
  std::uint8_t more = 0;
  ASSERT_EQ(api.readPropertyValue(connection, name, type, "NET_ADDRESS", 1, segment, sizeof segment, &more, &flags),
            kNwSuccess);
  EXPECT_EQ(std::memcmp(segment, address, sizeof address), 0);
  EXPECT_EQ(api.scanObject(connection, "*", htons(0x0414), &id, name, sizeof name, &type, &hasProperties, &flags,
                           &security),
            kNwNoSuchObject);
}

}  // namespace
}  // namespace vlm::netware

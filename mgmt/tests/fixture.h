// A VectorItem made with a fake network manager (injected as the class
// CLSID_VlmNetMgr) and a fake discovery manager, with short forms of the
// calls a client makes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "mgmt/tests/fakes.h"
#include "mgmt/vector_item.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"

namespace vlm::mgmt::testing {

class ItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EmptyRegistry();
    CoInitialize(nullptr);
    ComPtr<ClassFactory<FakeNetMgr>> factory = MakeComObject<ClassFactory<FakeNetMgr>>();
    ASSERT_EQ(CoRegisterClassObject(CLSID_VlmNetMgr, factory.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
    env.makeDiscoveryManager = [this] { return &dm; };
    env.freeDiscoveryManager = [this](discovery::DiscoveryManager*) { dm.freed = true; };
    item = Make();
    ASSERT_TRUE(item);
    net = FakeNetMgr::last;
  }
  void TearDown() override {
    item = nullptr;
    dm.Join();
    RevokeNetMgr();
    CoUninitialize();
  }
  void RevokeNetMgr() {
    if (cookie_) CoRevokeClassObject(cookie_);
    cookie_ = 0;
  }
  // Nothing is registered: only injected classes can be created.
  static void EmptyRegistry() {
    static const vlm::testing::TempFolder folder("vlm-mgmt-reg");
    static const std::string root = [] {
      std::string dir = folder.path();
      ::setenv("VLM_REGISTRY_ROOT", dir.c_str(), 1);
      registry::ResetForTests();
      return dir;
    }();
  }

  ComPtr<IVectorItem> Make() {
    ComPtr<IVectorItem> p;
    CreateVectorItem(env, IID_IVectorItem, reinterpret_cast<void**>(p.ReleaseAndGetAddressOf()));
    return p;
  }
  VectorItem& Core() { return static_cast<VectorItem&>(*item.Get()); }

  LONG Root(LONG vector, LONG instance = 0) {
    LONG h = -5;
    EXPECT_EQ(item->GetRootHandle(vector, instance, &h), S_OK);
    return h;
  }
  LONG Child(LONG parent, LONG vector, LONG instance) {
    LONG h = -5;
    EXPECT_EQ(item->GetHandle(parent, vector, instance, &h), S_OK);
    return h;
  }
  LONG Read(LONG handle, LONG group, LONG mode = 0, LONG mechanism = 0) {
    LONG error = -99;
    EXPECT_EQ(item->GetGroupValues(handle, group, mode, mechanism, &error), S_OK);
    return error;
  }
  ValueLists Ints(LONG handle) {
    ValueLists l(false);
    EXPECT_EQ(item->GetCurrentIntegerValueList(handle, &l.ids, &l.values, &l.descrs, &l.count), S_OK);
    return l;
  }
  ValueLists Texts(LONG handle) {
    ValueLists l(true);
    EXPECT_EQ(item->GetCurrentStringValueList(handle, &l.ids, &l.values, &l.descrs, &l.count), S_OK);
    return l;
  }
  LONG Group(const std::vector<SHORT>& ids) {
    LONG g = -5;
    EXPECT_EQ(item->CreateCustomGroup(ShortArray(ids), &g), S_OK);
    return g;
  }
  // A run that finds these devices (address, installed).
  LONG Discover(const std::vector<std::pair<std::string, int>>& devices, bool installed = true) {
    dm.devices.clear();
    for (const auto& [address, inst] : devices) dm.devices.push_back(FakeDiscovery::At(address, inst));
    return Root(installed ? xlpnmif::kInstalledPrinters : xlpnmif::kOtherDevices);
  }

  Environment env;
  FakeDiscovery dm;
  ComPtr<IVectorItem> item;
  FakeNetMgr* net = nullptr;
  DWORD cookie_ = 0;
};

}  // namespace vlm::mgmt::testing

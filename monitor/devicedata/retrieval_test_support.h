// Fixture of the retrieval procedures' tests: a fake VectorItem, the main
// window and the message dialog recorded, the English not-responding
// phrases, and the check after every procedure that it left no handle or
// custom group open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"

namespace vlm::monitor::test_support {

class RetrievalTest : public DeviceDataTest {
 protected:
  void SetUp() override {
    DeviceDataTest::SetUp();
    item_ = MakeComObject<Fake_Vector_Item>();
    Main_Window = &window_;
    Message_Box = &dialog_;
    Not_Responding_Phrase = "The Selected Printer is not Responding";
    Error_Code_Phrase = "Error Code";
  }
  void TearDown() override {
    Job_Root_Handle = Job_Root{};
    DeviceDataTest::TearDown();
  }

  // The selection, and the paths of its device and engine in the fake.
  void Select(VbInteger kind, VbInteger device, VbInteger engine) {
    Selected_List_Kind = kind;
    Selected_Device = device;
    Selected_Engine = engine;
  }
  static std::string Device_Path(VbInteger kind, VbInteger device) {
    return std::string(kind == 0 ? "5002." : "5004.") + std::to_string(device);
  }
  std::string Device_Path() const { return Device_Path(Selected_List_Kind, Selected_Device); }
  std::string Engine_Path(VbInteger engine) const {
    return Device_Path() + "/0." + std::to_string(engine + 1);
  }
  std::string Engine_Path() const { return Engine_Path(Selected_Engine); }

  // Runs a procedure on the fake; afterwards no handle or group may be
  // open but the job list root that Get_Print_Jobs keeps.
  void Run(const std::function<void(IVectorItem*)>& procedure) { Run(item_.Get(), procedure); }
  void Run(Fake_Vector_Item* item, const std::function<void(IVectorItem*)>& procedure) {
    procedure(item);
    std::set<LONG> kept;
    if (Job_Root_Handle.Item.Get() == item && Job_Root_Handle.Handle != -1)
      kept.insert(Job_Root_Handle.Handle);
    item->Expect_Nothing_Left(kept);
  }

  ComPtr<Fake_Vector_Item> item_;
  Fake_Main_Window window_;
  Fake_Message_Box dialog_;
};

}  // namespace vlm::monitor::test_support

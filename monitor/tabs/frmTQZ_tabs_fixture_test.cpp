// Every tab of a single-engine and of a tandem printer, filled through the
// real device data readers from a fake VectorItem holding the printer's
// tree, as a printer selection and the view refresh run them: labels, list
// rows and pictures show the fixture's values.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "monitor/tabs/frmTQZ_pictures_test_support.h"
#include "monitor/tabs/frmTQZ_tabs_test_support.h"
#include "platform/registry/registry.h"

namespace vlm::monitor {
namespace {

using test_support::Fake_Vector_Item;
using test_support::TabsTest;
using Table = std::vector<std::vector<std::string>>;

// A scratch registry where the engine library of type 11 has registered
// itself and is mapped as the installation maps it.
const auto* const kRegistry = ::testing::AddGlobalTestEnvironment(
    new test_support::Scratch_Registry(VLM_RX11_PATH, "11", "TQZResource.TQZRX11"));

// One engine of the fixture printer.
struct Engine_Fixture {
  const char* model;
  LONG type;     // 11..17
  LONG options;  // scalar 206
  const char* finisher;
  LONG state;    // scalar 186
  LONG remaining_jobs;
};

constexpr const char* kDevice = "5002.1";

void Build_Printer(Fake_Vector_Item& item, const std::vector<Engine_Fixture>& engines) {
  item.Set(kDevice, 77, "Velmar 7000");
  for (std::size_t e = 0; e < engines.size(); ++e) {
    const Engine_Fixture& f = engines[e];
    const std::string engine = std::string(kDevice) + "/0." + std::to_string(e + 1);
    const std::string info = engine + "/148.1";
    item.Set(info, 152, f.model);
    item.Set(info, 153, f.type);
    item.Set(info, 186, f.state);
    item.Set(info, 206, f.options);
    item.Set(info, 111, f.finisher);
    item.Set(info, 162, f.remaining_jobs);
    item.Set(info, 163, "00:01:30");
    item.Set(info, 155, LONG{1000 + static_cast<LONG>(e)});
    item.Set(info, 156, LONG{2000});
    item.Set(info, 157, LONG{3000});
    item.Set(info, 158, LONG{4000});
    item.Set(info, 207, LONG{5000});
    item.Set(info, 78, "Room 12");
    item.Set(info, 189, f.model);
    item.Set(engine + "/104.1", 111, f.finisher);
    // The controller block of the engine: 217 is 3 for a tandem pair.
    const std::string controller = engine + "/74." + std::to_string(e + 1);
    item.Set(controller, 217, LONG{engines.size() == 2 ? 3 : 1});
    item.Set(controller, 80, "V 2.10");
    item.Set(controller, 208, LONG{3});
    item.Set(engine + "/130.1", 133, LONG{3});
    item.Set(engine + "/130.1", 134, LONG{4000});
    item.Set(engine + "/130.1", 135, LONG{1500});
    for (LONG t = 1; t <= 3; ++t) {
      const std::string tray = engine + "/8." + std::to_string(t);
      item.Set(tray, 35, LONG{3});
      item.Set(tray, 36, LONG{4});
      item.Set(tray, 37, LONG{1});
      item.Set(tray, 187, LONG{1});
      item.Set(tray, 188, LONG{1});
      item.Set(tray, 216, LONG{t == 2 ? 1 : 0});
    }
    item.Set(engine + "/38.1", 64, LONG{3});
    item.Set(engine + "/38.1", 46, "Main");
    const std::string alert = engine + "/175.1";
    item.Set(alert, 180, LONG{40});
    item.Set(alert, 178, LONG{3});
    item.Set(alert, 179, LONG{1});
    item.Set(alert, 181, "Paper jam");
    item.Set(alert, 183, "12:00");
    item.Set(engine + "/136.1", 139, LONG{2});
    item.Set(engine + "/136.1", 140, "Boot");
    item.Set(engine + "/136.1", 141, "3.2");
    item.Set(engine + "/123.1", 126, LONG{2});
    item.Set(engine + "/123.1", 127, LONG{64});
    item.Set(engine + "/123.1", 128, LONG{32});
    item.Set(engine, 8013, LONG{1});
    item.Set(engine + "/210.1", 213, LONG{3});
    item.Set(engine + "/210.1", 214, "LU-201");
    item.Set(engine + "/210.1", 215, LONG{1});
  }
  item.Set(std::string(kDevice) + "/7001.0/7003.0", 7004, "alice");
  item.Set(std::string(kDevice) + "/7001.0/7003.0", 7005, "report.pdf");
}

class FixtureTest : public TabsTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    TabsTest::SetUp();
    item_ = MakeComObject<Fake_Vector_Item>();
    tabs_.Objects[0] = item_.Get();
    for (auto& [b, box] : tabs_.Boxes) box.Image = QImage(175, 127, QImage::Format_RGB32);
    Selected_List_Kind = 0;
    Selected_Device = 1;
    Selected_Row = 1;
    Discovered_Printers(0, 0) = 0;
    Discovered_Printers(0, 1) = 1;
    Device_List_Fields(0, 1, 5) = std::string("Queue-7000");
    engines_ = {{"Engine-A", 11, 0x6802, "QN-748", 3, 2}};
    if (GetParam()) engines_.push_back({"Engine-B", 11, 0x6802, "QN-752", 5, 0});
    Build_Printer(*item_, engines_);
    Get_Device_Flag(item_.Get(), 0, 1, 1);
  }

  ComPtr<Fake_Vector_Item> item_;
  std::vector<Engine_Fixture> engines_;
};

TEST_P(FixtureTest, EveryTabShowsThePrinter) {
  const bool tandem = GetParam();
  ASSERT_EQ(Field_Text(Device_List_Fields(0, 1, 6)), tandem ? "1" : "0");
  IVectorItem* item = item_.Get();
  // QuickView, as a selection fills it.
  Get_Printer_Identity(item, 0);
  Get_Summary_Info(item, 0);
  Get_Finisher_Model(item);
  UpdateQuickView(item);
  EXPECT_EQ(Caption("lblIPEngine1Name"), "Engine-A");
  EXPECT_EQ(Caption("lblIPStatus"), Decode_Machine_State(3));
  EXPECT_EQ(Caption("lblIPFinisher1Name"), "QN-748");
  EXPECT_EQ(Caption("Label12"), "Printer/Scanner/Fax");
  EXPECT_EQ(Caption("lblIPInstalled"), "Installed");
  EXPECT_EQ(Caption("lblIPSpoolName"), "Queue-7000");
  EXPECT_EQ(window_.Visible["lblIPEngine2Name"], tandem);
  if (tandem) {
    EXPECT_EQ(Caption("lblIPEngine2Name"), "Engine-B");
    EXPECT_EQ(Caption("lblIPEngine2Status"), Decode_Machine_State(5));
    EXPECT_EQ(Caption("lblIPFinisher2Name"), "QN-752");
  }
  window_.Tab = 1;
  UpdateIPController(item);
  EXPECT_EQ(Caption("lblIPVersion"), "V 2.10");
  EXPECT_EQ(Caption("lblIPHardDiskSize"), "4000");
  EXPECT_EQ(Caption("lblIPHardDiskSpace"), "1500");
  EXPECT_EQ(Caption("lblIPMemInstalled"), "64");
  // Every engine's Printer, Status, Input and Output tabs.
  for (VbInteger e = 0; e < static_cast<VbInteger>(engines_.size()); ++e) {
    SCOPED_TRACE(e);
    const Engine_Fixture& f = engines_[static_cast<std::size_t>(e)];
    Selected_Engine = e;
    window_.Tab = 2;
    Get_Engine_Counters(item, e);
    UpdatePrinter(item);
    EXPECT_EQ(Caption("lblEngineModel"), f.model);
    EXPECT_EQ(Caption("lblEngineStatus"), Decode_Machine_State(f.state));
    EXPECT_EQ(Caption("lblEngineRemainJobs"), std::to_string(f.remaining_jobs));
    EXPECT_EQ(Caption("lblengineDeveloperCount"), std::to_string(1000 + e));
    EXPECT_EQ(Caption("lblEngineTotalCount"), "5000");
    EXPECT_EQ(Caption("lblEngineFinisherModel"), f.finisher);
    EXPECT_EQ(tabs_.Table(Tab_List::lvwEngineFirmware),
              (Table{{Decode_Firmware_Component(2), "Boot", "3.2"}}));

    window_.Tab = 3;
    UpdateAlertError(item);
    ASSERT_EQ(tabs_.Table(Tab_List::lvwEngineAlert).size(), 1u);
    EXPECT_EQ(tabs_.Table(Tab_List::lvwEngineAlert)[0][2], "Paper jam");
    EXPECT_EQ(tabs_.Table(Tab_List::lvwEngineAlert)[0][3], "40");

    window_.Tab = 4;
    UpdatePaperInput(item);
    const Table trays = tabs_.Table(Tab_List::lvwInputTray);
    ASSERT_EQ(trays.size(), 3u);
    Paper_Size_Suffix.clear();
    EXPECT_EQ(trays[1], (std::vector<std::string>{"Universal Tray", Decode_Paper_Size(4) + "W",
                                                  Decode_Media_Type(1), Decode_Tray_Status(1),
                                                  Decode_Feed_Direction(1), Decode_Input_Type(3)}));
    EXPECT_EQ(trays[2][1], Decode_Paper_Size(4));

    Draw_Input_Picture(item);
    window_.Tab = 5;
    UpdatePaperOutput(item);
    Fill_Output_Trays(item);
    EXPECT_EQ(Caption("lblFinisherModel"), f.finisher);
    EXPECT_EQ(tabs_.Table(Tab_List::lvwOutputTray), (Table{{"Output Tray 1", Decode_Output_Type(3)}}));
    Draw_Output_Picture(item);
    for (Picture_Box b : {Picture_Box::Picture1, Picture_Box::Picture2, Picture_Box::Picture3}) {
      const auto& box = tabs_.Boxes[b];
      EXPECT_TRUE(box.Visible);
      EXPECT_NE(box.Image.pixel(87, 63), test_support::Fake_Tabs_Window::kBackColour);
    }
    EXPECT_EQ(Installed_Option_Records(0, 1, e).Option_Count, 1);
  }
  UpdateJobs(item);
  EXPECT_EQ(tabs_.Table(Tab_List::lvwJobs)[0][0], "alice");
  EXPECT_EQ(tabs_.Table(Tab_List::lvwJobs)[0][1], "report.pdf");
  EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
  Release_Job_Root_Handle();
  item_->Expect_Nothing_Left();
}

INSTANTIATE_TEST_SUITE_P(Printers, FixtureTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Tandem" : "SingleEngine"; });

}  // namespace
}  // namespace vlm::monitor

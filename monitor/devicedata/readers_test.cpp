// The controller, installed options, identity, finisher name, counter,
// summary and device flag readers against the fake VectorItem.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::Fake_Main_Window;
using test_support::Fake_Message_Box;
using test_support::Fake_Vector_Item;

constexpr const char* kEngine0Data = "5002.0/0.1/148.1";
constexpr const char* kEngine1Data = "5002.0/0.2/148.1";
constexpr const char* kController0 = "5002.0/0.1/74.1";
constexpr const char* kFinisher0 = "5002.0/0.1/104.1";
constexpr const char* kFinisher1 = "5002.0/0.2/104.1";

// The main window's fake with one window of ours (handle 1) whose title the
// test sets; every other handle is another program's window.
class Window_With_Title : public Fake_Main_Window {
 public:
  std::string Title;
  std::string Window_Text(VbLong window) override { return window == 1 ? Title : std::string(); }
};

class ReadersTest : public test_support::DeviceDataTest {
 protected:
  void SetUp() override {
    DeviceDataTest::SetUp();
    Main_Window = &window_;
    Message_Box = &dialog_;
    item_ = MakeComObject<Fake_Vector_Item>();
    Not_Responding_Phrase = "The Selected Printer is not Responding";
    Error_Code_Phrase = "Error Code";
  }
  void TearDown() override {
    item_->Expect_Nothing_Left();
    EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    DeviceDataTest::TearDown();
  }
  std::string Caption(const std::string& key) { return window_.Captions[key]; }
  static std::string Field_Of(const Field& f) { return Field_Text(f); }

  Window_With_Title window_;
  Fake_Message_Box dialog_;
  ComPtr<Fake_Vector_Item> item_;
};

// ---- Installed options and the function flags ----

struct Option_Label {
  int bit;
  const char* label;
};
constexpr Option_Label kOptionLabels[] = {
    {7, "LCTPaperInput"},          {8, "Label6"},           {8, "TrimmerPaperOutput"},
    {9, "Label8"},                 {9, "PunchPaperOutput"}, {10, "Label10"},
    {10, "SheetFeederPaperInput"}, {18, "CenterFoldPaperOutput"},
    {19, "ZFoldPaperOutput"},      {20, "DMFoldPaperOutput"},
};

// Option words read one after another from the same device, so that each
// row also shows that the previous word's flags are gone.
TEST_F(ReadersTest, OptionWordsGiveFlagsCaptionsAndDeviceTypeWithAndWithoutALibrary) {
  const struct {
    VbLong word;
    const char* english_type;
    const char* localised_type;
  } rows[] = {
      {0x6000, "Printer/Scanner/Fax", "#312#448#450"},
      {-1, "Printer/Scanner/Copier/Fax", "#312#448#449#450"},
      {0, "Printer", "#312"},
      {0x80, "Printer", "#312"},
      {VbLong(0x80000000u), "Printer/Copier", "#312#449"},
      {VbLong(0x80006000u), "Printer/Scanner/Copier/Fax", "#312#448#449#450"},
  };
  for (bool localised : {false, true}) {
    if (localised) Start_Localised(Echo_Catalogue());
    for (const auto& r : rows) {
      SCOPED_TRACE(testing::Message() << std::hex << r.word << (localised ? " localised" : ""));
      item_->Set(kEngine0Data, 206, LONG{r.word});
      Get_Installed_Options(item_.Get(), 0);
      EXPECT_EQ(Engine_Options(0), r.word);
      for (int k = 0; k < 31; ++k)
        EXPECT_EQ(Option_Flags[static_cast<std::size_t>(k)], r.word & (VbLong{1} << k)) << k;
      EXPECT_EQ(Option_Flags[31], r.word < 0 ? 1 : 0);
      EXPECT_EQ(Scanner_Flag, r.word & 16384);
      EXPECT_EQ(Fax_Flag, r.word & 8192);
      EXPECT_EQ(Copier_Flag, r.word < 0 ? 1 : 0);
      for (const Option_Label& o : kOptionLabels) {
        const bool set = (r.word & (VbLong{1} << o.bit)) != 0;
        EXPECT_EQ(Caption(o.label), set ? (localised ? "#397" : "YES") : (localised ? "#269" : "No"))
            << o.label;
      }

      // The device-type text of both readers of the word.
      for (auto reader : {+[](IVectorItem* i) { Get_Device_Functions(i, 0); },
                          +[](IVectorItem* i) { Get_Summary_Info(i, 0); }}) {
        window_.Captions.erase("Label12");
        window_.Captions.erase("lblIPType");
        Scanner_Flag = Copier_Flag = Fax_Flag = 0;
        Discovered_Printers(0, 0) = 0;
        Selected_Row = 1;
        reader(item_.Get());
        const char* type = localised ? r.localised_type : r.english_type;
        EXPECT_EQ(Caption("Label12"), type);
        EXPECT_EQ(Caption("lblIPType"), type);
        EXPECT_EQ(Scanner_Flag, r.word & 16384);
        EXPECT_EQ(Copier_Flag, r.word < 0 ? 1 : 0);
      }
    }
  }
}

TEST_F(ReadersTest, InstalledOptionsFillTheEngineFields) {
  Selected_Device = 2;
  const std::string engine = "5002.2/0.2", data = engine + "/148.1";
  const struct {
    LONG id;
    LONG value;
    int field;
  } counts[] = {{153, 12, 0}, {157, 1001, 7}, {155, 1002, 4}, {158, 1003, 6},
                {156, 1004, 5}, {207, 5000, 12}, {162, 7, 2},   {163, 90, 3}};
  for (const auto& c : counts) item_->Set(data, c.id, c.value);
  item_->Set(data, 186, LONG{3});
  item_->Set(data, 206, LONG{0x100});
  item_->Set(data, 152, "Colour engine");
  item_->Set(data, 151, "600 dpi");
  item_->Add_Node(engine);
  for (int t = 1; t <= 6; ++t) item_->Add_Node(engine + "/8." + std::to_string(t));

  Get_Installed_Options(item_.Get(), 1);
  for (const auto& c : counts) EXPECT_EQ(Field_Of(Engine_Fields(0, 2, 1, c.field)), std::to_string(c.value));
  EXPECT_EQ(Field_Of(Engine_Fields(0, 2, 1, 1)), "Ready");
  EXPECT_EQ(Field_Of(Engine_Fields(0, 2, 1, 8)), "YES");
  EXPECT_EQ(Field_Of(Engine_Fields(0, 2, 1, 9)), "True");
  EXPECT_EQ(Field_Of(Engine_Fields(0, 2, 1, 10)), "Colour engine");
  EXPECT_EQ(Engine_Options(1), 0x100);
  EXPECT_EQ(Caption("Label14"), "600 dpi");
  EXPECT_EQ(Caption("TrimmerPaperOutput"), "YES");
  EXPECT_EQ(item_->Log_Of({"CreateCustomGroup", "GetGroupValues", "DeleteCustomGroup"}),
            (std::vector<std::string>{
                "CreateCustomGroup {153,157,155,158,156,186,152,206,207,162,163,151} -> 2001",
                "CreateCustomGroup {8001} -> 2002",
                "GetGroupValues 5002.2/0.2 {8001} mode 0 mechanism 0 -> 0",
                "GetGroupValues 5002.2/0.2/148.1 {153,157,155,158,156,186,152,206,207,162,163,151} "
                "mode 0 mechanism 0 -> 0",
                "DeleteCustomGroup {153,157,155,158,156,186,152,206,207,162,163,151}",
                "DeleteCustomGroup {8001}"}));

  // Five input units are not more than five.
  item_->Remove_Subtree(engine + "/8.6");
  Get_Installed_Options(item_.Get(), 1);
  EXPECT_EQ(Field_Of(Engine_Fields(0, 2, 1, 8)), "NO");
}

// Failed reads apply nothing: the device's fields keep the last good read.
// The option word, its flags and the captions are no device's: they show no
// options rather than those of the read before.
// The same printer failing keeps what its good read gave: fields, option
// word and flags, option captions and resolution.
TEST_F(ReadersTest, InstalledOptionsOfAFailedReadKeepWhatThePrinterGaveLast) {
  item_->Set(kEngine0Data, 206, LONG{0x80});
  item_->Set(kEngine0Data, 157, LONG{1001});
  item_->Set(kEngine0Data, 152, "Colour engine");
  item_->Set(kEngine0Data, 151, "600 dpi");
  Get_Installed_Options(item_.Get(), 0);
  ASSERT_EQ(Caption("LCTPaperInput"), "YES");

  item_->Set(kEngine0Data, 206, LONG{0x400});
  item_->Set(kEngine0Data, 157, LONG{2002});
  for (LONG code : {-1, -2, -9, -11, -12}) {
    SCOPED_TRACE(code);
    item_->Set_All_Error_Code(code);
    Get_Installed_Options(item_.Get(), 0);
    EXPECT_EQ(Engine_Options(0), 0x80);
    for (std::size_t k = 0; k < Option_Flags.size(); ++k) EXPECT_EQ(Option_Flags[k], k == 7 ? 0x80 : 0) << k;
    EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 0, 7)), "1001");
    EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 0, 10)), "Colour engine");
    for (const Option_Label& o : kOptionLabels)
      EXPECT_EQ(Caption(o.label), std::string(o.label) == "LCTPaperInput" ? "YES" : "No") << o.label;
    EXPECT_EQ(Caption("Label14"), "600 dpi");
    EXPECT_EQ(Comm_Error_On, code <= -11 ? "On" : "");
  }
  EXPECT_EQ(Comm_Error_Text, "The Selected Printer is not Responding (Error Code -12)");
}

TEST_F(ReadersTest, ControllerInfoGathersTheBlockTheDiskAndTheMemory) {
  Selected_Engine = 1;
  const std::string controller = "5002.0/0.2/74.2";
  item_->Set(controller, 79, LONG{3});
  item_->Set(controller, 80, "V 2.10");
  item_->Set(controller, 196, LONG{3});
  item_->Set(controller, 197, LONG{4});
  item_->Set(controller, 208, LONG{5});
  item_->Set(controller, 209, LONG{5});
  // The disk is always engine 1's; the memory is the selected engine's.
  item_->Set("5002.0/0.1/130.1", 133, LONG{3});
  item_->Set("5002.0/0.1/130.1", 134, LONG{4000});
  item_->Set("5002.0/0.1/130.1", 135, LONG{1500});
  item_->Set("5002.0/0.2/123.1", 126, LONG{3});
  item_->Set("5002.0/0.2/123.1", 127, LONG{64});
  item_->Set("5002.0/0.2/123.1", 128, LONG{32});
  window_.Tab = 1;

  Get_Controller_Info(item_.Get());
  const struct {
    int field;
    const char* value;
  } fields[] = {{4, "No"},  {5, "Yes"},    {8, "64"},      {9, "32"},    {10, "3"},
                {11, "4000"}, {12, "1500"}, {13, "V 2.10"}, {14, "Printer"}, {15, "True"},
                {18, "Not Present"}, {19, "PCL, PS"}};
  for (const auto& f : fields) EXPECT_EQ(Field_Of(Controller_Fields(0, 0, f.field)), f.value) << f.field;
  EXPECT_EQ(Caption("lblIPPDL"), "PCL, PS");

  // A controller that stops answering keeps its fields.
  item_->Set(controller, 80, "V 3.00");
  item_->Set_Error_Code(controller, -11);
  Get_Controller_Info(item_.Get());
  EXPECT_EQ(Field_Of(Controller_Fields(0, 0, 13)), "V 2.10");
  EXPECT_EQ(Comm_Error_On, "On");
}

// ---- Identity, status, MIB version, window caption ----

TEST_F(ReadersTest, IdentityShowsTheNameEverywhereAndStoresTheLocation) {
  Selected_List_Kind = 1;
  Selected_Device = 4;
  const std::string data = "5004.4/0.1/148.1";
  item_->Set(data, 189, "Front desk controller");
  item_->Set(data, 78, "Second floor");
  Get_Printer_Identity(item_.Get(), 0);
  EXPECT_EQ(Caption("lblIPModel"), "Front desk controller");
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(Caption("lblIPName(" + std::to_string(n) + ")"), "Front desk controller");
  EXPECT_EQ(Caption("lblIPLocation"), "Second floor");
  EXPECT_EQ(Field_Of(Device_List_Fields(1, 4, 3)), "Second floor");

  // An answer with the location only changes the location.
  item_->Remove_Subtree(data);
  item_->Set(data, 78, "Annex");
  Get_Printer_Identity(item_.Get(), 0);
  EXPECT_EQ(Caption("lblIPModel"), "Front desk controller");
  EXPECT_EQ(Field_Of(Device_List_Fields(1, 4, 3)), "Annex");

  // A failed read keeps the device's field and what the window shows of it.
  item_->Set(data, 78, "Basement");
  item_->Set_Error_Code(data, -9);
  Get_Printer_Identity(item_.Get(), 0);
  EXPECT_EQ(Caption("lblIPLocation"), "Annex");
  EXPECT_EQ(Caption("lblIPModel"), "Front desk controller");
  EXPECT_EQ(Field_Of(Device_List_Fields(1, 4, 3)), "Annex");
}

TEST_F(ReadersTest, StatusAndMibVersionOfTheSelectedEngine) {
  Selected_Engine = 1;
  item_->Set("5002.0/0.2/74.2", 81, LONG{9});
  item_->Set("5002.0/0.2/74.2", 85, "2.1");
  item_->Set("5002.0/0.2/74.2", 86, "SNMPv1");
  Get_Device_Status(item_.Get());
  Get_MIB_Version(item_.Get());
  EXPECT_EQ(Caption("Label4"), "Warning");
  EXPECT_EQ(Caption("lblIPMIBVersion"), "2.1");
  EXPECT_EQ(Field_Of(Controller_Fields(0, 0, 16)), "2.1");
  EXPECT_EQ(Field_Of(Controller_Fields(0, 0, 17)), "SNMPv1");
}

TEST_F(ReadersTest, WindowCaptionIsOursUpToTheFirstDash) {
  const struct {
    VbLong window;
    std::string title;
    std::string caption;
    VbLong length;
  } rows[] = {
      {1, "Velmar Printer Monitor - Laser 5", "Velmar Printer Monitor ", 32},
      {1, "  Velmar Printer Monitor  ", "Velmar Printer Monitor", 26},
      {1, "  - Options", "", 11},
      {1, "", "", 0},
      {1, std::string(255, 'T'), std::string(254, 'T'), 254},
      {1, std::string(300, 'T') + " - x", std::string(254, 'T'), 254},
      {2, "Another program - Editor", "", 0},
      {0, "", "", 0},
  };
  for (const auto& r : rows) {
    window_.Title = r.title;
    Window_Caption_Text = "stale";
    EXPECT_EQ(Get_Window_Caption(r.window), "");
    EXPECT_EQ(Window_Caption_Text, r.caption) << r.title;
    EXPECT_EQ(Caption_Length, r.length) << r.title;
    EXPECT_EQ(Caption_Buffer_Size, 255);
  }
  // No main window yet: no window of ours is active.
  Main_Window = nullptr;
  Get_Window_Caption(1);
  EXPECT_EQ(Window_Caption_Text, "");
}

// ---- Finisher names ----

TEST_F(ReadersTest, FinisherNamesOfTheSelectedAndTheGivenEngine) {
  item_->Set(kFinisher0, 111, "Stapler");
  item_->Set(kFinisher1, 111, "");
  Get_Finisher_Model(item_.Get());
  EXPECT_EQ(Caption("lblEngineFinisherModel"), "Stapler");
  EXPECT_EQ(Field_Of(Finisher_Fields(0, 0, 0, 0)), "Stapler");
  EXPECT_EQ(item_->Log_Of({"GetGroupValues"}),
            (std::vector<std::string>{"GetGroupValues 5002.0/0.1/104.1 {107,108,109,110,111} mode 1 mechanism 0 -> 0"}));

  Get_Finisher_Strings(item_.Get(), 1);
  EXPECT_TRUE(std::holds_alternative<std::string>(Finisher_Fields(0, 0, 1, 0)));
  EXPECT_EQ(Field_Of(Finisher_Fields(0, 0, 1, 0)), "");
  EXPECT_EQ(Field_Of(Finisher_Fields(0, 0, 1, 5)), "True");
  EXPECT_TRUE(Is_Empty(Finisher_Fields(0, 0, 0, 5)));
  EXPECT_EQ(Caption("lblEngineFinisherModel"), "Stapler");

  // A failed read marks nothing as read.
  item_->Set("5002.0/0.3/104.1", 111, "Trimmer");
  item_->Set_Error_Code("5002.0/0.3/104.1", -9);
  Get_Finisher_Strings(item_.Get(), 2);
  EXPECT_TRUE(Is_Empty(Finisher_Fields(0, 0, 2, 0)));
  EXPECT_TRUE(Is_Empty(Finisher_Fields(0, 0, 2, 5)));

  // Other devices are read under their own root, 5004.
  Selected_List_Kind = 1;
  Selected_Engine = 1;
  item_->Set("5004.0/0.2/104.1", 111, "Folder");
  Get_Finisher_Model(item_.Get());
  EXPECT_EQ(Field_Of(Finisher_Fields(1, 0, 1, 0)), "Folder");
}

// ---- Counters and summary ----

TEST_F(ReadersTest, EngineCountersFillFieldsAndCaptionsThenTheFinisher) {
  const struct {
    LONG id;
    LONG value;
    int field;
    const char* label;
  } counters[] = {{156, 11, 5, "lblEnginePMCount"},       {157, 22, 7, "lblEnginePrinterCount"},
                  {155, 33, 4, "lblengineDeveloperCount"}, {158, 44, 6, "lblEngineServiceCount"},
                  {207, 55, 12, "lblEngineTotalCount"},    {162, 2, 2, "lblEngineRemainJobs"},
                  {163, -1, 3, "lblEngineRemainTimes"}};
  for (const auto& c : counters) item_->Set(kEngine0Data, c.id, c.value);
  item_->Set(kEngine0Data, 186, LONG{5});
  item_->Set(kEngine0Data, 152, "Mono engine");
  item_->Set(kFinisher0, 111, "Booklet");
  Get_Engine_Counters(item_.Get(), 0);
  for (const auto& c : counters) {
    EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 0, c.field)), std::to_string(c.value));
    EXPECT_EQ(Caption(c.label), std::to_string(c.value));
  }
  EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 0, 1)), "Printing");
  EXPECT_EQ(Caption("lblEngineStatus"), "Printing");
  EXPECT_EQ(Caption("lblEngineModel"), "Mono engine");
  EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 0, 10)), "Mono engine");
  EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 0, 9)), "True");
  EXPECT_EQ(Caption("lblEngineFinisherModel"), "Booklet");
}

// The fault this guards against: the second pass of a tandem pair wrote 1
// into the caller's engine, so that with the first engine chosen every
// later view read the second one.
TEST_F(ReadersTest, SummaryOfATandemPairLeavesTheCallersEngineUntouched) {
  Device_List_Fields(0, 0, 6) = VbLong{1};
  Device_List_Fields(0, 0, 5) = std::string("laser");
  Discovered_Printers(0, 0) = 0;
  Selected_Row = 1;
  Installed_Text = "Installed";
  item_->Set(kEngine0Data, 186, LONG{3});
  item_->Set(kEngine0Data, 152, "Engine A");
  item_->Set(kEngine0Data, 206, LONG{0x4000});
  item_->Set(kEngine0Data, 209, LONG{1});
  item_->Set(kEngine1Data, 186, LONG{5});
  item_->Set(kEngine1Data, 152, "Engine B");
  item_->Set(kEngine1Data, 206, LONG{0x2000});
  item_->Set(kEngine1Data, 209, LONG{4});
  item_->Set(kFinisher0, 111, "Finisher A");
  item_->Set(kFinisher1, 111, "Finisher B");

  Selected_Engine = 0;
  Get_Summary_Info(item_.Get(), Selected_Engine);
  EXPECT_EQ(Selected_Engine, 0);
  EXPECT_EQ(Caption("lblIPStatus"), "Ready");
  EXPECT_EQ(Caption("lblIPEngine1Name"), "Engine A");
  EXPECT_EQ(Caption("lblIPFinisher1Name"), "Finisher A");
  EXPECT_EQ(Caption("lblIPEngine2Status"), "Printing");
  EXPECT_EQ(Caption("lblIPEngine2Name"), "Engine B");
  EXPECT_EQ(Caption("lblIPFinisher2Name"), "Finisher B");
  for (const char* key : {"lblIPEngine2Name", "lblIPEngine2Status", "lblIPFinisher2Name",
                          "Engine2NameLabel(8)", "Engine2StatusLabel(9)", "Finisher2Label(11)"})
    EXPECT_TRUE(window_.Visible[key]) << key;
  // The last pass's values stand.
  EXPECT_EQ(Caption("lblIPPDL"), "PS");
  EXPECT_EQ(Caption("Label12"), "Printer/Fax");
  EXPECT_EQ(Engine_Options(0), 0x4000);
  EXPECT_EQ(Engine_Options(1), 0x2000);
  EXPECT_EQ(Caption("lblIPInstalled"), "Installed");
  EXPECT_EQ(Caption("lblIPSpoolName"), "laser");

  // So the Status tab's finisher is still the first engine's.
  Get_Finisher_Model(item_.Get());
  EXPECT_EQ(Caption("lblEngineFinisherModel"), "Finisher A");
}

TEST_F(ReadersTest, SummaryOfASingleEngineHidesTheSecondAndShowsAnOtherDevice) {
  Selected_List_Kind = 1;
  Discovered_Printers(2, 0) = 1;
  Selected_Row = 3;
  Not_Installed_Text = "Not Installed";
  Not_Applicable_Text = "N/A";
  window_.Captions["lblIPEngine2Name"] = "old engine";
  item_->Set("5004.0/0.1/148.1", 152, "Engine C");
  Get_Summary_Info(item_.Get(), 0);
  EXPECT_EQ(Caption("lblIPEngine1Name"), "Engine C");
  EXPECT_EQ(Caption("lblIPEngine2Name"), "");
  for (const char* key : {"lblIPEngine2Name", "lblIPEngine2Status", "lblIPFinisher2Name",
                          "Engine2NameLabel(8)", "Engine2StatusLabel(9)", "Finisher2Label(11)"})
    EXPECT_FALSE(window_.Visible[key]) << key;
  EXPECT_EQ(item_->Log_Of({"GetRootHandle"}).size(), 1u);
  EXPECT_EQ(Caption("lblIPInstalled"), "Not Installed");
  EXPECT_EQ(Caption("lblIPSpoolName"), "N/A");
}

// ---- Device flag, status and options, engine type ----

TEST_F(ReadersTest, DeviceFlagIsOneForTandemCodeThreeOnly) {
  const std::string vector = "5004.7/0.1/74.1";
  for (const auto& [code, flag] : std::vector<std::pair<LONG, const char*>>{{3, "1"}, {1, "0"}, {2, "0"}, {3, "1"}}) {
    item_->Set(vector, 217, code);
    window_.Mouse_Pointer = 11;
    Get_Device_Flag(item_.Get(), 1, 7, 5);
    EXPECT_EQ(Field_Of(Device_List_Fields(1, 7, 6)), flag) << code;
    EXPECT_EQ(window_.Mouse_Pointer, 0);
  }
  EXPECT_TRUE(Is_Empty(Device_List_Fields(0, 7, 6)));
  // Absent from the answer: the flag stays.
  item_->Remove_Subtree(vector);
  item_->Add_Node(vector);
  Get_Device_Flag(item_.Get(), 1, 7, 5);
  EXPECT_EQ(Field_Of(Device_List_Fields(1, 7, 6)), "1");
  // Handles first, the group last.
  const std::vector<std::string> log = item_->Log_Of({"ReleaseHandle", "DeleteCustomGroup"});
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{"ReleaseHandle 5004.7", "ReleaseHandle 5004.7/0.1",
                                      "ReleaseHandle 5004.7/0.1/74.1", "DeleteCustomGroup {217}"}));
}

TEST_F(ReadersTest, StatusAndOptionsReadBothEnginesOfATandemPair) {
  Device_List_Fields(0, 0, 6) = VbLong{1};
  item_->Set(kController0, 81, LONG{3});
  item_->Set(kController0, 77, "Laser 5");
  item_->Set(kEngine0Data, 206, LONG{0x80});
  item_->Set(kEngine1Data, 206, LONG{0x100});
  Get_Status_And_Options(item_.Get());
  EXPECT_EQ(Field_Of(Device_List_Fields(0, 0, 4)), "Ready");
  EXPECT_EQ(Field_Of(Device_List_Fields(0, 0, 0)), "True");
  EXPECT_EQ(Engine_Options(0), 0x80);
  EXPECT_EQ(Engine_Options(1), 0x100);
  EXPECT_EQ(Option_Flags[7], 0);  // engine 1's flags stand
  EXPECT_EQ(Option_Flags[8], 0x100);
  EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 1, 9)), "True");
}

TEST_F(ReadersTest, EngineTypeOfTheGivenEngine) {
  item_->Set(kEngine1Data, 153, LONG{17});
  Get_Engine_Type(item_.Get(), 1);
  EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 1, 0)), "17");
  EXPECT_TRUE(Is_Empty(Engine_Fields(0, 0, 0, 0)));
  item_->Set_Error_Code(kEngine1Data, -12);
  item_->Set(kEngine1Data, 153, LONG{11});
  Get_Engine_Type(item_.Get(), 1);
  Get_Engine_Counters(item_.Get(), 1);
  Get_Installed_Options(item_.Get(), 1);
  EXPECT_EQ(Field_Of(Engine_Fields(0, 0, 1, 0)), "17");
  EXPECT_TRUE(Is_Empty(Engine_Fields(0, 0, 1, 9)));  // nothing was read
  EXPECT_EQ(Comm_Error_Text, "The Selected Printer is not Responding (Error Code -12)");
}

}  // namespace
}  // namespace vlm::monitor

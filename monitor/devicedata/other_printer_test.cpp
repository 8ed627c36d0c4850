// Every reader, read well and then failing in each way a read fails:
// - the same printer: everything its good read put on the window
//   (captions, colours), the option word and its flags stay as they were;
// - after a printer switch (B read well, then A, then B failing): nothing
//   of A shows for B, B's tables keep B's last good values, and the window
//   shows B's own kept values where its tables keep them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/retrieval_test_support.h"
#include "monitor/devicedata/tagged_printer_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::Device_Tables;
using test_support::Fake_Vector_Item;
using test_support::Fill_Printer;

struct Reader {
  const char* name;
  std::function<void(IVectorItem*)> run;
  bool checked;  // applies the not-responding check
  // Captions whose values the reader keeps in the device's tables: a failed
  // read of the printer shows its last good value there, never "".
  std::vector<std::string> kept = {};
};

const Reader kReaders[] = {
    {"Get_Engine_Model", [](IVectorItem* i) { Get_Engine_Model(i, 0); }, true},
    {"Get_Printer_State", [](IVectorItem* i) { Get_Printer_State(i, 0); }, false},
    {"Get_Input_Trays", Get_Input_Trays, true},
    {"Get_Output_Trays", Get_Output_Trays, true},
    {"Get_Alerts", Get_Alerts, true, {"Label13"}},
    {"Get_Memory_Table", Get_Memory_Table, true},
    {"Get_Disk_Info", Get_Disk_Info, true},
    {"Get_Firmware_Table", Get_Firmware_Table, true},
    {"Get_Finisher_Options", Get_Finisher_Options, true},
    {"Get_Print_Jobs", Get_Print_Jobs, false},
    {"Get_Controller_Info", Get_Controller_Info, true, {"lblIPPDL", "lblIPLanguages"}},
    {"Get_Installed_Options", [](IVectorItem* i) { Get_Installed_Options(i, 0); }, true},
    {"Get_Printer_Identity", [](IVectorItem* i) { Get_Printer_Identity(i, 0); }, true, {"lblIPLocation"}},
    {"Get_Device_Status", [](IVectorItem* i) { Get_Device_Status(i); }, true, {"Label4"}},
    {"Get_Device_Functions", [](IVectorItem* i) { Get_Device_Functions(i, 0); }, true},
    {"Get_MIB_Version", [](IVectorItem* i) { Get_MIB_Version(i); }, true, {"lblIPMIBVersion"}},
    {"Get_Finisher_Model", [](IVectorItem* i) { Get_Finisher_Model(i); }, true, {"lblEngineFinisherModel"}},
    {"Get_Finisher_Strings", [](IVectorItem* i) { Get_Finisher_Strings(i, 0); }, true},
    {"Get_Engine_Counters", [](IVectorItem* i) { Get_Engine_Counters(i, 0); }, true,
     {"lblEnginePMCount", "lblEnginePrinterCount", "lblengineDeveloperCount", "lblEngineServiceCount",
      "lblEngineTotalCount", "lblEngineRemainJobs", "lblEngineRemainTimes", "lblEngineStatus", "lblEngineModel",
      "lblEngineFinisherModel"}},
    {"Get_Summary_Info", [](IVectorItem* i) { Get_Summary_Info(i, 0); }, true, {"lblIPInstalled", "lblIPSpoolName"}},
    {"Get_Device_Flag",
     [](IVectorItem* i) { Get_Device_Flag(i, Selected_List_Kind, Selected_Device, Selected_Row); }, true},
    {"Get_Status_And_Options", [](IVectorItem* i) { Get_Status_And_Options(i); }, true},
    {"Get_Engine_Type", [](IVectorItem* i) { Get_Engine_Type(i, 0); }, true},
};

struct Failure {
  const char* name;
  LONG code;  // every read's ErrorCode; 0: the device's root handle is -1
};
const Failure kFailures[] = {{"-9", -9}, {"-11", -11}, {"-12", -12}, {"handle -1", 0}};

// A's option word sets some of the installed-option bits, and the scanner
// and copier functions; B's sets none.
constexpr LONG kOptionsA = LONG(0x80144280u);

class OtherPrinterTest : public test_support::RetrievalTest {
 protected:
  // The module values, the window and the dialog as at start-up, with the
  // two printers listed.
  void Start_Afresh() {
    test_support::Reset_Module_Values();
    window_ = test_support::Fake_Main_Window();
    dialog_ = test_support::Fake_Message_Box();
    Main_Window = &window_;
    Message_Box = &dialog_;
    Not_Responding_Phrase = "The Selected Printer is not Responding";
    Error_Code_Phrase = "Error Code";
    Installed_Text = "Installed";
    Not_Installed_Text = "Not Installed";
    Not_Applicable_Text = "N/A";
    // Row 1: printer A, installed printer 0; row 2: printer B, other device 1.
    Discovered_Printers(0, 0) = 0;
    Discovered_Printers(0, 1) = 0;
    Discovered_Printers(1, 0) = 1;
    Discovered_Printers(1, 1) = 1;
    Device_List_Fields(0, 0, 5) = std::string("A-queue");
  }
  void Select_A() {
    Select(0, 0, 0);
    Selected_Row = 1;
  }
  void Select_B() {
    Select(1, 1, 0);
    Selected_Row = 2;
  }
  // Start_Afresh, with printer A (installed printer 0) and printer B (other
  // device 1) on objects of their own.
  std::pair<ComPtr<Fake_Vector_Item>, ComPtr<Fake_Vector_Item>> Start_With_Two_Printers() {
    Start_Afresh();
    ComPtr<Fake_Vector_Item> a = MakeComObject<Fake_Vector_Item>();
    ComPtr<Fake_Vector_Item> b = MakeComObject<Fake_Vector_Item>();
    Fill_Printer(*a, "5002.0", "A", kOptionsA, "Paper Jam");
    Fill_Printer(*b, "5004.1", "B", 0, "Ready to Print");
    return {a, b};
  }
  // Makes every read of the printer fail as `f` says.
  static void Fail(Fake_Vector_Item& item, const std::string& device, const Failure& f) {
    if (f.code == 0) {
      item.Fail_Handle(device);
    } else {
      item.Set_All_Error_Code(f.code);
    }
  }
  void Expect_Not_Responding_Text(const Reader& r, const Failure& f) {
    const bool not_responding = r.checked && (f.code == -11 || f.code == -12);
    EXPECT_EQ(Comm_Error_Text, not_responding ? "The Selected Printer is not Responding (Error Code " +
                                                    std::to_string(f.code) + ")"
                                              : "");
  }
};

TEST_F(OtherPrinterTest, APrinterThatMissesAReadKeepsWhatItsLastGoodReadShowed) {
  for (const Reader& r : kReaders) {
    for (const Failure& f : kFailures) {
      SCOPED_TRACE(std::string(r.name) + " " + f.name);
      const auto [a, b] = Start_With_Two_Printers();
      Select_A();
      Run(a.Get(), r.run);
      ASSERT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
      const std::map<std::string, std::string> captions = window_.Captions;
      const std::map<std::string, VbLong> colours = window_.Back_Colours;
      const std::string tables = Device_Tables(0, 0);
      std::array<VbLong, 3> options{};
      for (int e = 0; e <= 2; ++e) options[static_cast<std::size_t>(e)] = Engine_Options(e);
      const std::array<VbLong, 32> flags = Option_Flags;

      Fail(*a, "5002.0", f);
      Comm_Error_On = "Off";
      Comm_Error_Text.clear();
      Run(a.Get(), r.run);
      Release_Job_Root_Handle();

      EXPECT_EQ(window_.Captions, captions);
      EXPECT_EQ(window_.Back_Colours, colours);
      for (int e = 0; e <= 2; ++e) EXPECT_EQ(Engine_Options(e), options[static_cast<std::size_t>(e)]) << e;
      EXPECT_EQ(Option_Flags, flags);
      EXPECT_EQ(Device_Tables(0, 0), tables);
      Expect_Not_Responding_Text(r, f);
      EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    }
  }
}

// A good answer that lacks a value: the printer on screen keeps what it
// showed; for another printer the caption shows that printer's kept value
// (B was read well before A), or nothing, never A's.
TEST_F(OtherPrinterTest, AnAnswerThatLacksAValueKeepsThisPrintersAndShowsNoneOfAnothers) {
  const struct {
    const char* reader;
    std::function<void(IVectorItem*)> run;
    const char* node;  // below the device
    LONG id;
    const char* control;
    const char* of_a;     // A's good read
    const char* other;    // B lacking it after A was shown
  } cases[] = {
      {"Get_Printer_Identity", [](IVectorItem* i) { Get_Printer_Identity(i, 0); }, "/0.1/148.1", 189,
       "lblIPModel", "A-controller", ""},
      {"Get_Engine_Counters", [](IVectorItem* i) { Get_Engine_Counters(i, 0); }, "/0.1/148.1", 157,
       "lblEnginePrinterCount", "257", "357"},
      {"Get_Finisher_Model", [](IVectorItem* i) { Get_Finisher_Model(i); }, "/0.1/104.1", 111,
       "lblEngineFinisherModel", "A-finisher", "B-finisher"},
      {"Get_Installed_Options", [](IVectorItem* i) { Get_Installed_Options(i, 0); }, "/0.1/148.1", 206,
       "LCTPaperInput", "YES", ""},
  };
  for (const auto& c : cases) {
    for (bool same : {true, false}) {
      SCOPED_TRACE(std::string(c.reader) + (same ? " same printer" : " another printer"));
      const auto [a, b] = Start_With_Two_Printers();
      Select_B();
      Run(b.Get(), c.run);
      Select_A();
      Run(a.Get(), c.run);
      ASSERT_EQ(window_.Captions[c.control], c.of_a);
      Fake_Vector_Item& lacking = same ? *a : *b;
      lacking.Remove(std::string(same ? "5002.0" : "5004.1") + c.node, c.id);
      if (!same) Select_B();
      Run(&lacking, c.run);
      EXPECT_EQ(window_.Captions[c.control], same ? c.of_a : c.other);
      if (std::string(c.reader) == "Get_Installed_Options") {
        EXPECT_EQ(Engine_Options(0), same ? kOptionsA : 0);
        EXPECT_EQ(Option_Flags[7], same ? 0x80 : 0);
      }
      EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    }
  }
}

TEST_F(OtherPrinterTest, NothingOfTheFirstPrinterShowsForOneWhoseReadFails) {
  for (const Reader& r : kReaders) {
    for (const Failure& f : kFailures) {
      SCOPED_TRACE(std::string(r.name) + " " + f.name);
      const auto [a, b] = Start_With_Two_Printers();

      // B read well once, then A.
      Select_B();
      Run(b.Get(), r.run);
      const std::string b_tables = Device_Tables(1, 1);
      const std::map<std::string, std::string> b_captions = window_.Captions;
      const std::map<std::string, VbLong> b_colours = window_.Back_Colours;
      Select_A();
      window_.Captions.clear();
      window_.Back_Colours.clear();
      Run(a.Get(), r.run);
      const std::map<std::string, std::string> a_captions = window_.Captions;
      const std::map<std::string, VbLong> a_colours = window_.Back_Colours;
      ASSERT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;

      // Now B fails.
      Fail(*b, "5004.1", f);
      Comm_Error_On = "Off";
      Comm_Error_Text.clear();
      Select_B();
      Run(b.Get(), r.run);
      Release_Job_Root_Handle();
      a->Expect_Nothing_Left();

      for (const auto& [control, caption] : a_captions) {
        if (!caption.empty()) {
          EXPECT_NE(window_.Captions[control], caption) << control;
        }
      }
      for (const auto& [control, colour] : a_colours) {
        if (colour != 0xE0E0E0) {
          EXPECT_NE(window_.Back_Colours[control], colour) << control;
        }
      }
      // Every caption A's read drew shows B's own value: its last good one
      // where B's tables keep it, else B's or nothing.
      for (const auto& [control, caption] : a_captions) {
        const std::string now = window_.Captions[control];
        if (std::find(r.kept.begin(), r.kept.end(), control) != r.kept.end()) {
          EXPECT_EQ(now, b_captions.at(control)) << control;
          EXPECT_FALSE(now.empty()) << control;
        } else if (!now.empty()) {
          EXPECT_EQ(now, b_captions.count(control) ? b_captions.at(control) : "") << control;
        }
      }
      for (const auto& [control, colour] : a_colours) {
        if (std::find(r.kept.begin(), r.kept.end(), control) != r.kept.end()) {
          EXPECT_EQ(window_.Back_Colours[control], b_colours.at(control)) << control;
        }
      }
      for (int e = 0; e <= 2; ++e) EXPECT_EQ(Engine_Options(e), 0) << e;
      for (std::size_t k = 0; k < Option_Flags.size(); ++k) EXPECT_EQ(Option_Flags[k], 0) << k;
      EXPECT_EQ(Device_Tables(1, 1), b_tables);
      Expect_Not_Responding_Text(r, f);
      EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    }
  }
}

}  // namespace
}  // namespace vlm::monitor

// Every reader after a printer switch: printer A is read well, then printer
// B, whose read fails in each way a read fails. Nothing that A's read put on
// the window (captions, colours), in the option word or in its flags shows
// for B, and B's own tables keep B's last good values.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

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
};

const Reader kReaders[] = {
    {"Get_Engine_Model", [](IVectorItem* i) { Get_Engine_Model(i, 0); }, true},
    {"Get_Printer_State", [](IVectorItem* i) { Get_Printer_State(i, 0); }, false},
    {"Get_Input_Trays", Get_Input_Trays, true},
    {"Get_Output_Trays", Get_Output_Trays, true},
    {"Get_Alerts", Get_Alerts, true},
    {"Get_Memory_Table", Get_Memory_Table, true},
    {"Get_Disk_Info", Get_Disk_Info, true},
    {"Get_Firmware_Table", Get_Firmware_Table, true},
    {"Get_Finisher_Options", Get_Finisher_Options, true},
    {"Get_Print_Jobs", Get_Print_Jobs, false},
    {"Get_Controller_Info", Get_Controller_Info, true},
    {"Get_Installed_Options", [](IVectorItem* i) { Get_Installed_Options(i, 0); }, true},
    {"Get_Printer_Identity", [](IVectorItem* i) { Get_Printer_Identity(i, 0); }, true},
    {"Get_Device_Status", [](IVectorItem* i) { Get_Device_Status(i); }, true},
    {"Get_Device_Functions", [](IVectorItem* i) { Get_Device_Functions(i, 0); }, true},
    {"Get_MIB_Version", [](IVectorItem* i) { Get_MIB_Version(i); }, true},
    {"Get_Finisher_Model", [](IVectorItem* i) { Get_Finisher_Model(i); }, true},
    {"Get_Finisher_Strings", [](IVectorItem* i) { Get_Finisher_Strings(i, 0); }, true},
    {"Get_Engine_Counters", [](IVectorItem* i) { Get_Engine_Counters(i, 0); }, true},
    {"Get_Summary_Info", [](IVectorItem* i) { Get_Summary_Info(i, 0); }, true},
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
};

TEST_F(OtherPrinterTest, NothingOfTheFirstPrinterShowsForOneWhoseReadFails) {
  // A's option word sets some of the installed-option bits, and the
  // scanner and copier functions; B's sets none.
  constexpr LONG kOptionsA = LONG(0x80144280u);
  for (const Reader& r : kReaders) {
    for (const Failure& f : kFailures) {
      SCOPED_TRACE(std::string(r.name) + " " + f.name);
      Start_Afresh();
      ComPtr<Fake_Vector_Item> a = MakeComObject<Fake_Vector_Item>();
      ComPtr<Fake_Vector_Item> b = MakeComObject<Fake_Vector_Item>();
      Fill_Printer(*a, "5002.0", "A", kOptionsA, "Paper Jam");
      Fill_Printer(*b, "5004.1", "B", 0, "Ready to Print");

      // B read well once, then A.
      Select_B();
      Run(b.Get(), r.run);
      const std::string b_tables = Device_Tables(1, 1);
      Select_A();
      window_.Captions.clear();
      window_.Back_Colours.clear();
      Run(a.Get(), r.run);
      const std::map<std::string, std::string> a_captions = window_.Captions;
      const std::map<std::string, VbLong> a_colours = window_.Back_Colours;
      ASSERT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;

      // Now B fails.
      if (f.code == 0) {
        b->Fail_Handle("5004.1");
      } else {
        b->Set_All_Error_Code(f.code);
      }
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
      for (int e = 0; e <= 2; ++e) EXPECT_EQ(Engine_Options(e), 0) << e;
      for (std::size_t k = 0; k < Option_Flags.size(); ++k) EXPECT_EQ(Option_Flags[k], 0) << k;
      EXPECT_EQ(Device_Tables(1, 1), b_tables);
      const bool not_responding = r.checked && (f.code == -11 || f.code == -12);
      EXPECT_EQ(Comm_Error_Text, not_responding ? "The Selected Printer is not Responding (Error Code " +
                                                      std::to_string(f.code) + ")"
                                                : "");
      EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    }
  }
}

}  // namespace
}  // namespace vlm::monitor

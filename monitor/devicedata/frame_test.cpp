// The retrieval frame: the general error report, the traps and their quiet
// sets, the tables' bounds and the release of a call's groups and handles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {
namespace {

using test_support::Fake_Main_Window;
using test_support::Fake_Message_Box;
using test_support::Fake_Vector_Item;

class FrameTest : public test_support::DeviceDataTest {
 protected:
  void SetUp() override {
    DeviceDataTest::SetUp();
    Main_Window = &window_;
    Message_Box = &dialog_;
  }
  Fake_Main_Window window_;
  Fake_Message_Box dialog_;
};

TEST_F(FrameTest, ErrorReportLaysOutCodeFifteen) {
  Last_Error_Number = 9;
  Last_Error_Description = "Subscript out of range";
  Report_Error();
  EXPECT_EQ(dialog_.Log, (std::vector<std::string>{
                             "Command1.Visible=False", "Command2.Visible=False", "Command3.Left=1365",
                             "Command3.Caption=Ok", "Message_Box.Caption=               Velmar Printer Monitor",
                             "Text3.Text=9    Subscript out of range", "Show"}));
  EXPECT_EQ(Program_Title, "Velmar Printer Monitor");
  EXPECT_EQ(Message_Code, "");  // the answer of Command3

  dialog_.Log.clear();
  Start_Localised(Echo_Catalogue());
  Report_Error();
  EXPECT_EQ(dialog_.Log[3], "Command3.Caption=#276");
  EXPECT_EQ(dialog_.Log[4], "Message_Box.Caption=" + std::string(15, ' ') + "#235");
  EXPECT_EQ(Program_Title, "#235");
}

TEST_F(FrameTest, ErrorReportShowsTheVbTextOfEachNumberTheProgramRaises) {
  const std::pair<VbLong, const char*> kTexts[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {7, "Out of memory"},
      {9, "Subscript out of range"},
      {11, "Division by zero"},
      {13, "Type mismatch"},
      {51, "Internal error"},
      {53, "File not found"},
      {91, "Object variable or With block variable not set"},
      {380, "Invalid property value"},
      {400, "Form already displayed; can't show modally"},
      {401, "Can't show non-modal form when modal form is displayed"},
      {424, "Object required"},
      {429, "ActiveX component can't create object"},
      {438, "Object doesn't support this property or method"},
      {35600, "Index out of bounds"},
      {35601, "Element not found"},
      {35602, "Key is not unique in collection"},
      {1000, "Application-defined or object-defined error"},
  };
  for (const auto& [number, text] : kTexts) {
    dialog_.Log.clear();
    retrieval::Trapped({}, [&] { Raise_Vb_Error(number); });
    ASSERT_EQ(dialog_.Log.size(), 7u) << number;
    EXPECT_EQ(dialog_.Log[5], "Text3.Text=" + std::to_string(number) + "    " + text);
  }
  EXPECT_EQ(VbErrorDescription(340, 3), "Control array element '3' doesn't exist");
}

TEST_F(FrameTest, TrapsKeepTheErrorResetThePointerAndReportUnlessQuiet) {
  const struct {
    VbLong number;
    bool input_tray_set;
    bool reported;
  } rows[] = {
      {5, false, false},  {91, false, false},  {400, false, false}, {35601, false, false},
      {9, false, true},   {13, false, true},   {35600, false, true}, {9, true, false},
      {53, true, false},  {35600, true, false}, {91, true, true},   {35601, true, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.number);
    dialog_.Shown = 0;
    window_.Mouse_Pointer = 11;
    retrieval::Trapped(r.input_tray_set ? std::span<const VbLong>(kInputTrayQuietSet)
                                        : std::span<const VbLong>(kUsualQuietSet),
                       [&] { Raise_Vb_Error(r.number); });
    EXPECT_EQ(Last_Error_Number, r.number);
    EXPECT_EQ(Last_Error_Description, VbErrorDescription(r.number));
    EXPECT_EQ(window_.Mouse_Pointer, 0);
    EXPECT_EQ(dialog_.Shown, r.reported ? 1 : 0);
  }
}

TEST_F(FrameTest, TablesRaiseSubscriptErrorsOutsideTheirBounds) {
  EXPECT_NO_THROW(Engine_Fields(2, 64, 2, 14) = VbLong{1});
  for (auto store : std::vector<std::function<void()>>{
           [] { Engine_Fields(3, 0, 0, 0) = VbLong{1}; },
           [] { Engine_Fields(0, 65, 0, 0) = VbLong{1}; },
           [] { Engine_Fields(0, 0, 3, 0) = VbLong{1}; },
           [] { Engine_Fields(0, 0, 0, 15) = VbLong{1}; },
           [] { Engine_Fields(-1, 0, 0, 0) = VbLong{1}; },
           [] { Alert_Table(0, 0, 0).Alerts(21).Code = VbLong{1}; },
           [] { Alert_Table(0, 0, 0).Alerts(0).Code = VbLong{1}; },
           [] { Disk_Table(0, 0).Disks(3).First = VbLong{1}; },
       }) {
    try {
      store();
      ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), 9);
    }
  }
}

TEST_F(FrameTest, FailedCallsRaiseTheirVbErrorAndTheCallStillReleasesAll) {
  auto item = MakeComObject<Fake_Vector_Item>();
  item->Fail_Method("GetGroupValues", DISP_E_OVERFLOW);
  retrieval::Trapped(kUsualQuietSet, [&] {
    retrieval::Call call(item.Get());
    call.Create_Group({8001});
    call.Create_Group({216});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, 0);
    call.Read(engine, 1003);
  });
  EXPECT_EQ(Last_Error_Number, 6);
  EXPECT_EQ(dialog_.Shown, 1);
  item->Expect_Nothing_Left();
  EXPECT_EQ(item->Log_Of({"Delete", "Release"}),
            (std::vector<std::string>{"DeleteCustomGroup {8001}", "DeleteCustomGroup {216}",
                                      "ReleaseHandle 5002.0/0.1", "ReleaseHandle 5002.0"}));

  Last_Error_Number = 0;
  retrieval::Trapped(kUsualQuietSet, [&] { retrieval::Call call(nullptr); });
  EXPECT_EQ(Last_Error_Number, 91);
}

TEST_F(FrameTest, NotRespondingCheckComposesTheTextForMinusElevenAndTwelveOnly) {
  Not_Responding_Phrase = "The Selected Printer is not Responding";
  Error_Code_Phrase = "Error Code";
  for (LONG code : {0, -1, -2, -3, -9, 101}) retrieval::Check_Not_Responding(code);
  EXPECT_EQ(Comm_Error_On, "");
  EXPECT_FALSE(window_.Timer4_Enabled);
  retrieval::Check_Not_Responding(-11);
  EXPECT_EQ(Comm_Error_On, "On");
  EXPECT_TRUE(window_.Timer4_Enabled);
  EXPECT_EQ(Comm_Error_Text, "The Selected Printer is not Responding (Error Code -11)");
  retrieval::Check_Not_Responding(-12);
  EXPECT_EQ(Comm_Error_Text, "The Selected Printer is not Responding (Error Code -12)");
}

}  // namespace
}  // namespace vlm::monitor

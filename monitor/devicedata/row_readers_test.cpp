// The engine model, printer state, tray, alert, memory, disk, firmware,
// finisher and job readers on a fake VectorItem: the paths and groups each
// reads, the values stored for single and tandem engines, the capacities,
// the alert banner, the memory filter, and failed reads that leave the
// records as they were.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/records_dump.h"
#include "monitor/devicedata/retrieval_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::Dump;
using test_support::Fake_Vector_Item;

// A printer in the fake: engine instance i (1 or 2) differs from the other
// in every value, so that a store under the wrong engine shows.
void Fill_Engine(Fake_Vector_Item& item, const std::string& engine, int i, int trays = 2) {
  item.Set(engine + "/148.1", 152, "Engine " + std::to_string(i));
  item.Set(engine + "/148.1", 186, i == 1 ? 3 : 5);
  item.Set(engine + "/74.1", 77, "Product " + std::to_string(i));
  for (int n = 1; n <= trays; ++n) {
    const std::string t = engine + "/8." + std::to_string(n);
    item.Set(t, 35, 3);
    item.Set(t, 36, 4 + n + 10 * i);
    item.Set(t, 37, 1);
    item.Set(t, 187, n);
    item.Set(t, 188, 4);
    item.Set(t, 216, n == 2 ? 1 : 0);
  }
  item.Set(engine + "/38.1", 64, i == 1 ? 4 : 9);
  item.Set(engine + "/38.1", 46, "Bin " + std::to_string(i));
  item.Set(engine + "/175.1", 180, 100 + i);
  item.Set(engine + "/175.1", 178, 4);
  item.Set(engine + "/175.1", 181, i == 1 ? "Toner Low" : "Paper Jam");
  item.Set(engine + "/175.1", 183, "12:0" + std::to_string(i));
  item.Set(engine + "/123.1", 126, 6);
  item.Set(engine + "/123.1", 127, 1000 * i);
  item.Set(engine + "/123.1", 128, 500 * i);
  item.Set(engine + "/136.1", 139, 5);
  item.Set(engine + "/136.1", 140, "Main " + std::to_string(i));
  item.Set(engine + "/136.1", 141, "V1." + std::to_string(i));
  item.Set(engine + "/104.1", 107, 3);
  item.Set(engine + "/104.1", 108, 4);
  item.Set(engine + "/104.1", 109, i == 1 ? 3 : 1);
  item.Set(engine + "/104.1", 110, 1);
  item.Set(engine + "/104.1", 111, "Finisher " + std::to_string(i));
}

void Fill_Device(Fake_Vector_Item& item, const std::string& device, bool tandem) {
  Fill_Engine(item, device + "/0.1", 1);
  if (tandem) Fill_Engine(item, device + "/0.2", 2);
  item.Set(device + "/0.1/130.1", 133, 1);
  item.Set(device + "/0.1/130.1", 134, 2000);
  item.Set(device + "/0.1/130.1", 135, 1500);
  for (int n = 0; n < 2; ++n) {
    const std::string job = device + "/7001.0/7003." + std::to_string(n);
    item.Set(job, 7004, "user" + std::to_string(n));
    item.Set(job, 7005, "doc" + std::to_string(n));
    item.Set(job, 7006, "Printing");
    item.Set(job, 7008, 1);
    item.Set(job, 7009, n);
    item.Set(job, 7010, 10 + n);
    item.Set(job, 7012, n);
  }
}

struct Procedure {
  const char* name;
  std::function<void(IVectorItem*)> run;
  // What the procedure stored for the selection, as a text.
  std::function<std::string()> stored;
  bool checked;  // applies the not-responding check
};

std::string Finisher_Text() {
  std::string s;
  for (int f = 0; f <= 6; ++f)
    s += Field_Text(Finisher_Fields(Selected_List_Kind, Selected_Device, Selected_Engine, f)) + ";";
  return s;
}

const std::vector<Procedure>& Procedures() {
  static const std::vector<Procedure> all = {
      {"Get_Engine_Model", [](IVectorItem* i) { Get_Engine_Model(i, Selected_Engine); }, nullptr, true},
      {"Get_Printer_State", [](IVectorItem* i) { Get_Printer_State(i, Selected_Engine); },
       [] {
         return Field_Text(Device_List_Fields(Selected_List_Kind, Selected_Device, 1)) + ";" +
                Field_Text(Engine_Fields(Selected_List_Kind, Selected_Device, Selected_Engine, 1));
       },
       false},
      {"Get_Input_Trays", Get_Input_Trays,
       [] { return Dump(Input_Tray_Table(Selected_List_Kind, Selected_Device, Selected_Engine)); }, true},
      {"Get_Output_Trays", Get_Output_Trays,
       [] { return Dump(Output_Tray_Table(Selected_List_Kind, Selected_Device, Selected_Engine)); }, true},
      {"Get_Alerts", Get_Alerts,
       [] { return Dump(Alert_Table(Selected_List_Kind, Selected_Device, Selected_Engine)); }, true},
      {"Get_Memory_Table", Get_Memory_Table,
       [] { return Dump(Memory_Table(Selected_List_Kind, Selected_Device, Selected_Engine)); }, true},
      {"Get_Disk_Info", Get_Disk_Info, [] { return Dump(Disk_Table(Selected_List_Kind, Selected_Device)); },
       true},
      {"Get_Firmware_Table", Get_Firmware_Table,
       [] { return Dump(Firmware_Table(Selected_List_Kind, Selected_Device, Selected_Engine)); }, true},
      {"Get_Finisher_Options", Get_Finisher_Options, Finisher_Text, true},
      {"Get_Print_Jobs", Get_Print_Jobs, [] { return Dump(Job_Table(Selected_List_Kind, Selected_Device)); },
       false},
  };
  return all;
}

class RowReaders : public test_support::RetrievalTest {
 protected:
  // The engine-model labels as one text.
  std::string Model_Labels() {
    return window_.Captions["lblEngineNamePaperInput(7)"] + ";" +
           window_.Captions["lblEngineNamePaperOutput(8)"] + ";" + window_.Captions["lblEngineModel"];
  }
  std::string Stored(const Procedure& p) { return p.stored ? p.stored() : Model_Labels(); }
  // The banner as another printer (one of no list here) left it.
  void Banner_Of_Another_Printer(const std::string& caption, VbLong colour) {
    window_.Captions["Label13"] = caption;
    window_.Back_Colours["Label13"] = colour;
    Mark_Drawn(Printer_Key{2, 64, 2}, "Label13");
  }
};

// ---- One path table: what each procedure opens and reads, in order ----

TEST_F(RowReaders, PathTableOfEveryProcedureOnATandemOtherDevice) {
  Select(1, 2, 1);
  const std::string d = "5004.2", e = "5004.2/0.2";
  const auto read = [](const std::string& path, const std::string& ids) {
    return "GetGroupValues " + path + " {" + ids + "} mode 0 mechanism 0 -> 0";
  };
  const std::map<std::string, std::vector<std::string>> expected = {
      {"Get_Engine_Model",
       {"CreateCustomGroup {152} -> 2001", "GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1",
        "GetHandle 5004.2/0.2 148.1 -> 2", read(e + "/148.1", "152"), "DeleteCustomGroup {152}",
        "ReleaseHandle " + e + "/148.1", "ReleaseHandle " + e, "ReleaseHandle " + d}},
      {"Get_Printer_State",
       {"GetRootHandle 5004.2 -> 0", "CreateCustomGroup {77} -> 2001", "GetHandle 5004.2 0.2 -> 1",
        "GetHandle 5004.2/0.2 74.1 -> 2", read(e + "/74.1", "77"), "CreateCustomGroup {186} -> 2002",
        "GetHandle 5004.2/0.2 148.1 -> 3", read(e + "/148.1", "186"), "DeleteCustomGroup {77}",
        "DeleteCustomGroup {186}", "ReleaseHandle " + e + "/148.1", "ReleaseHandle " + e,
        "ReleaseHandle " + d, "ReleaseHandle " + e + "/74.1"}},
      {"Get_Input_Trays",
       {"CreateCustomGroup {8001} -> 2001", "CreateCustomGroup {36,187,188,35,37} -> 2002",
        "CreateCustomGroup {216} -> 2003", "GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1",
        read(e, "8001"), "GetHandle 5004.2/0.2 8.1 -> 2", read(e + "/8.1", "36,187,188,35,37"),
        read(e + "/8.1", "216"), "ReleaseHandle " + e + "/8.1", "DeleteCustomGroup {8001}",
        "DeleteCustomGroup {36,187,188,35,37}", "DeleteCustomGroup {216}", "ReleaseHandle " + e,
        "ReleaseHandle " + d}},
      {"Get_Output_Trays",
       {"CreateCustomGroup {8002} -> 2001", "GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1",
        read(e, "8002"), "GetHandle 5004.2/0.2 38.1 -> 2", read(e + "/38.1", "46,64"),
        "ReleaseHandle " + e + "/38.1", "DeleteCustomGroup {8002}", "ReleaseHandle " + e,
        "ReleaseHandle " + d}},
      {"Get_Alerts",
       {"CreateCustomGroup {8004} -> 2001", "CreateCustomGroup {180,178,179,181,183} -> 2002",
        "GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1", read(e, "8004"),
        "GetHandle 5004.2/0.2 175.1 -> 2", read(e + "/175.1", "180,178,179,181,183"),
        "ReleaseHandle " + e + "/175.1", "DeleteCustomGroup {8004}",
        "DeleteCustomGroup {180,178,179,181,183}", "ReleaseHandle " + e, "ReleaseHandle " + d}},
      {"Get_Memory_Table",
       {"CreateCustomGroup {8009} -> 2001", "GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1",
        read(e, "8009"), "GetHandle 5004.2/0.2 123.1 -> 2", read(e + "/123.1", "126,127,128"),
        "ReleaseHandle " + e + "/123.1", "DeleteCustomGroup {8009}", "ReleaseHandle " + e,
        "ReleaseHandle " + d}},
      {"Get_Disk_Info",
       {"GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.1 -> 1", "GetHandle 5004.2/0.1 130.1 -> 2",
        read(d + "/0.1/130.1", "133,134,135"), "ReleaseHandle 5004.2/0.1/130.1",
        "ReleaseHandle 5004.2/0.1", "ReleaseHandle " + d}},
      {"Get_Firmware_Table",
       {"CreateCustomGroup {8012} -> 2001", "GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1",
        read(e, "8012"), "GetHandle 5004.2/0.2 136.1 -> 2", read(e + "/136.1", "139,140,141"),
        "ReleaseHandle " + e + "/136.1", "DeleteCustomGroup {8012}", "ReleaseHandle " + e,
        "ReleaseHandle " + d}},
      {"Get_Finisher_Options",
       {"GetRootHandle 5004.2 -> 0", "GetHandle 5004.2 0.2 -> 1", "GetHandle 5004.2/0.2 104.1 -> 2",
        read(e + "/104.1", "107,108,109,110,111"), "ReleaseHandle " + e + "/104.1",
        "ReleaseHandle " + e, "ReleaseHandle " + d}},
      {"Get_Print_Jobs",
       {"GetRootHandle 5004.2 -> 0", "GetRootHandle 7001.0 -> 1", read(d + "/7001.0", "7002"),
        "GetHandle 5004.2/7001.0 7003.0 -> 2", read(d + "/7001.0/7003.0", "7004,7005,7006,7008,7009,7010,7012"),
        "ReleaseHandle 5004.2/7001.0/7003.0", "ReleaseHandle " + d}},
  };
  for (const Procedure& p : Procedures()) {
    SCOPED_TRACE(p.name);
    item_ = MakeComObject<Fake_Vector_Item>();
    // One row of every table.
    Fill_Engine(*item_, e, 2, 1);
    item_->Set(d + "/0.1/130.1", 133, 1);
    item_->Set(d + "/7001.0", 7002, 1);
    item_->Set(d + "/7001.0/7003.0", 7004, "user");
    Release_Job_Root_Handle();
    Run(p.run);
    EXPECT_EQ(item_->Log_Of({"Create", "Delete", "GetRootHandle", "GetHandle", "GetGroupValues", "Release"}),
              expected.at(p.name));
    EXPECT_EQ(dialog_.Shown, 0);
  }
}

TEST_F(RowReaders, InstalledPrintersOpenRootVector5002) {
  Select(0, 4, 0);
  for (const Procedure& p : Procedures()) {
    SCOPED_TRACE(p.name);
    item_ = MakeComObject<Fake_Vector_Item>();
    Fill_Device(*item_, "5002.4", false);
    Release_Job_Root_Handle();
    Run(p.run);
    const auto roots = item_->Log_Of({"GetRootHandle 500"});
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots[0], "GetRootHandle 5002.4 -> 0");
  }
}

// ---- Values of single and tandem engines ----

TEST_F(RowReaders, EachEngineOfATandemPairIsStoredUnderItsOwnNumber) {
  Select(0, 3, 0);
  Fill_Device(*item_, "5002.3", true);
  for (VbInteger engine : {0, 1}) {
    Selected_Engine = engine;
    for (const Procedure& p : Procedures()) Run(p.run);
  }
  EXPECT_EQ(dialog_.Shown, 0);
  EXPECT_EQ(Comm_Error_On, "");

  const struct {
    VbInteger engine;
    const char* state;
    const char* trays;
    const char* bins;
    const char* alerts;
    const char* memory;
    const char* firmware;
    const char* finisher;
  } rows[] = {
      {0, "Product 2;Ready",
       "-1 2 | 3,15,1,1,4,0, | 3,16,1,2,4,1, | ,,,,,, | ,,,,,, | ,,,,,, | ,,,,,,",
       "-1 1 | Fixed bin,Bin 1,, | ,,, | ,,, | ,,,",
       "-1 1 | 101,Warning,Workgroup Manager,12:01,Toner Low",
       "-1 1 | ERDH,1000,500", "-1 1 | Engine,Main 1,V1.1", "Finisher 1;YES;YES;NO;NO;True;;"},
      {1, "Product 2;Printing",
       "-1 2 | 3,25,1,1,4,0, | 3,26,1,2,4,1, | ,,,,,, | ,,,,,, | ,,,,,, | ,,,,,,",
       "-1 1 | Offset/Staple,Bin 2,, | ,,, | ,,, | ,,,",
       "-1 1 | 102,Warning,Any User,12:02,Paper Jam",
       "-1 1 | ERDH,2000,1000", "-1 1 | Engine,Main 2,V1.2", "Finisher 2;YES;NO;NO;NO;True;;"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.engine);
    Selected_Engine = r.engine;
    EXPECT_EQ(Field_Text(Device_List_Fields(0, 3, 1)) + ";" + Field_Text(Engine_Fields(0, 3, r.engine, 1)),
              r.state);
    EXPECT_EQ(Dump(Input_Tray_Table(0, 3, r.engine)), r.trays);
    EXPECT_EQ(Dump(Output_Tray_Table(0, 3, r.engine)), r.bins);
    EXPECT_EQ(Dump(Alert_Table(0, 3, r.engine)).substr(0, std::string(r.alerts).size()), r.alerts);
    EXPECT_EQ(Dump(Memory_Table(0, 3, r.engine)).substr(0, std::string(r.memory).size()), r.memory);
    EXPECT_EQ(Dump(Firmware_Table(0, 3, r.engine)).substr(0, std::string(r.firmware).size()), r.firmware);
    EXPECT_EQ(Finisher_Text(), r.finisher);
  }
  // The engine-model labels show the engine read last; the disk and the
  // jobs are per device.
  EXPECT_EQ(Model_Labels(), "Engine 2;Engine 2;Engine 2");
  EXPECT_EQ(Dump(Disk_Table(0, 3)), "-1 | 1,2000,1500 | ,, | ,,");
  EXPECT_EQ(Dump(Job_Table(0, 3)).substr(0, 39), "0 2 | user0 doc0 Printing  1 0 10  0  |");
  EXPECT_EQ(Field_Text(Job_Table(0, 3).Jobs(2).Values(0)), "user1");
  // Nothing was stored under another device or list kind.
  EXPECT_EQ(Input_Tray_Table(1, 3, 0).Valid, 0);
  EXPECT_EQ(Input_Tray_Table(0, 2, 0).Valid, 0);
}

TEST_F(RowReaders, AMissingIdLeavesItsTargetAsItWas) {
  Select(0, 0, 0);
  Fill_Device(*item_, "5002.0", false);
  Run(Get_Finisher_Options);
  Run([](IVectorItem* i) { Get_Engine_Model(i, 0); });
  // A fresh read of the same printer whose engine lacks its model, whose
  // finisher lacks all but the offset mode, and whose first tray lacks all
  // but its paper size.
  item_ = MakeComObject<Fake_Vector_Item>();
  Fill_Device(*item_, "5002.0", false);
  item_->Remove_Subtree("5002.0/0.1/148.1");
  item_->Add_Node("5002.0/0.1/148.1");
  item_->Remove_Subtree("5002.0/0.1/104.1");
  item_->Set("5002.0/0.1/104.1", 107, 1);
  item_->Remove_Subtree("5002.0/0.1/8.1");
  item_->Set("5002.0/0.1/8.1", 36, 5);
  window_.Log.clear();
  Run([](IVectorItem* i) { Get_Engine_Model(i, 0); });
  Run(Get_Finisher_Options);
  Run(Get_Input_Trays);
  EXPECT_TRUE(window_.Log.empty());
  EXPECT_EQ(Model_Labels(), "Engine 1;Engine 1;Engine 1");
  EXPECT_EQ(Finisher_Text(), "Finisher 1;No;YES;NO;NO;True;;");
  EXPECT_EQ(Dump(Input_Tray_Table(0, 0, 0)).substr(0, 33), "-1 2 | ,5,,,,, | 3,16,1,2,4,1, | ");
}

// ---- Capacities ----

TEST_F(RowReaders, CountsAtAndOverTheCapacityStoreTheFirstEntries) {
  Select(0, 0, 0);
  const std::string e = "5002.0/0.1";
  const struct {
    const char* name;
    void (*run)(IVectorItem*);
    LONG vector;
    LONG count_id;
    int capacity;
    std::function<std::string()> count_and_last;
  } rows[] = {
      {"trays", Get_Input_Trays, 8, 8001, 6,
       [] {
         const auto& r = Input_Tray_Table(0, 0, 0);
         return std::to_string(r.Tray_Count) + ":" + Field_Text(r.Trays(r.Tray_Count).Paper_Size);
       }},
      {"bins", Get_Output_Trays, 38, 8002, 4,
       [] {
         const auto& r = Output_Tray_Table(0, 0, 0);
         return std::to_string(r.Bin_Count) + ":" + Field_Text(r.Bins(r.Bin_Count).Bin_Name);
       }},
      {"alerts", Get_Alerts, 175, 8004, 20,
       [] {
         const auto& r = Alert_Table(0, 0, 0);
         const VbLong n = std::get<VbLong>(r.Count);
         return std::to_string(n) + ":" + Field_Text(r.Alerts(n).Time);
       }},
      {"memory", Get_Memory_Table, 123, 8009, 10,
       [] {
         const auto& r = Memory_Table(0, 0, 0);
         const VbLong n = std::get<VbLong>(r.Memory_Count);
         return std::to_string(n) + ":" + Field_Text(r.Memory(n).Second);
       }},
      {"firmware", Get_Firmware_Table, 136, 8012, 10,
       [] {
         const auto& r = Firmware_Table(0, 0, 0);
         return std::to_string(r.Firmware_Count) + ":" + Field_Text(r.Firmware(r.Firmware_Count).Third);
       }},
  };
  for (const auto& r : rows) {
    for (int extra : {0, 1, 30}) {
      SCOPED_TRACE(std::string(r.name) + " +" + std::to_string(extra));
      item_ = MakeComObject<Fake_Vector_Item>();
      const int units = r.capacity + extra;
      for (int n = 1; n <= units; ++n) {
        const std::string path = e + "/" + std::to_string(r.vector) + "." + std::to_string(n);
        item_->Set(path, 36, n);     // tray paper size
        item_->Set(path, 46, "b" + std::to_string(n));
        item_->Set(path, 183, "t" + std::to_string(n));
        item_->Set(path, 126, 6);
        item_->Set(path, 127, n);
        item_->Set(path, 141, "v" + std::to_string(n));
      }
      Run(r.run);
      const std::string last = std::to_string(r.capacity);
      const std::string expected_last = r.vector == 8 ? last : r.vector == 38 ? "b" + last
                                      : r.vector == 175 ? "t" + last : r.vector == 123 ? last : "v" + last;
      EXPECT_EQ(r.count_and_last(), last + ":" + expected_last);
      EXPECT_EQ(dialog_.Shown, 0);
      // Units past the capacity are not even opened.
      EXPECT_TRUE(item_->Log_Of({("GetHandle " + e + " " + std::to_string(r.vector) + "." +
                                  std::to_string(r.capacity + 1)).c_str()})
                      .empty());
    }
  }
}

TEST_F(RowReaders, JobsZeroTwentyFiveAndTwentySix) {
  Select(0, 0, 0);
  for (int jobs : {0, 25, 26}) {
    SCOPED_TRACE(jobs);
    item_ = MakeComObject<Fake_Vector_Item>();
    item_->Add_Node("5002.0/7001.0");
    for (int n = 0; n < jobs; ++n) item_->Set("5002.0/7001.0/7003." + std::to_string(n), 7009, n);
    Job_Root_Handle = Job_Root{};
    Run(Get_Print_Jobs);
    const Job_Record& r = Job_Table(0, 0);
    EXPECT_EQ(r.Job_Count, std::min(jobs, 25));
    if (jobs > 0) {
      EXPECT_EQ(Field_Text(r.Jobs(25).Values(5)), "24");
    }
    EXPECT_TRUE(Is_Empty(r.Jobs(1).Values(3)));
    EXPECT_EQ(dialog_.Shown, 0);
    // The job list stays open on the object that made it.
    ASSERT_EQ(item_->Open_Handles().size(), 1u);
    EXPECT_EQ(item_->Open_Handles().begin()->second, "5002.0/7001.0");
    EXPECT_EQ(Job_Root_Handle.Item.Get(), item_.Get());
  }
}

// A job printed between the count and its read leaves the list at once;
// the jobs around it are listed.
TEST_F(RowReaders, AJobGoneBetweenTheCountAndItsReadIsLeftOut) {
  Select(0, 0, 0);
  for (bool no_handle : {false, true}) {
    SCOPED_TRACE(no_handle ? "handle -1" : "ErrorCode 101");
    item_ = MakeComObject<Fake_Vector_Item>();
    for (int n = 0; n < 3; ++n) item_->Set("5002.0/7001.0/7003." + std::to_string(n), 7004, "user" + std::to_string(n));
    Release_Job_Root_Handle();
    Run(Get_Print_Jobs);
    ASSERT_EQ(Job_Table(0, 0).Job_Count, 3);

    // The count still says three; the second job is gone when it is read.
    item_->Set("5002.0/7001.0", 7002, 3);
    if (no_handle) {
      item_->Fail_Handle("5002.0/7001.0/7003.1");
    } else {
      item_->Set_Error_Code("5002.0/7001.0/7003.1", xlpnmif::kErrJobPastEnd);
    }
    Release_Job_Root_Handle();
    Run(Get_Print_Jobs);
    const Job_Record& r = Job_Table(0, 0);
    EXPECT_EQ(r.Job_Count, 2);
    EXPECT_EQ(Field_Text(r.Jobs(1).Values(0)), "user0");
    EXPECT_EQ(Field_Text(r.Jobs(2).Values(0)), "user2");
    EXPECT_TRUE(Is_Empty(r.Jobs(3).Values(0)));
    EXPECT_EQ(dialog_.Shown, 0);
  }
}

TEST_F(RowReaders, TheJobListIsReleasedOnlyOnTheObjectThatMadeIt) {
  auto installed = MakeComObject<Fake_Vector_Item>();
  auto other = MakeComObject<Fake_Vector_Item>();
  installed->Set("5002.0/7001.0", 7002, 0);
  other->Set("5004.0/7001.0", 7002, 0);
  EXPECT_EQ(Job_Root_Handle.Handle, -1);  // none before the first read
  Select(0, 0, 0);
  Run(installed.Get(), Get_Print_Jobs);
  Select(1, 0, 0);
  Run(other.Get(), Get_Print_Jobs);
  installed->Expect_Nothing_Left();
  EXPECT_EQ(other->Open_Handles().size(), 1u);
  EXPECT_TRUE(other->Log_Of({"ReleaseHandle 5002"}).empty());
  EXPECT_EQ(installed->Log_Of({"ReleaseHandle 5002.0/7001.0"}).size(), 1u);
  Release_Job_Root_Handle();
  EXPECT_EQ(Job_Root_Handle.Handle, -1);
  EXPECT_EQ(Job_Root_Handle.Item.Get(), nullptr);
}

// ---- Alerts and the banner ----

TEST_F(RowReaders, AlertClassificationIsExactAndTheLastAlertWins) {
  const struct {
    std::vector<const char*> descriptions;  // instances 1..n; null: no description
    VbLong colour;
    const char* caption;
    std::vector<const char*> parties;
  } rows[] = {
      {{"Toner Low", "Paper Jam", "Ready to Print"}, 0xE0E0E0, "IDLE", {"Workgroup Manager", "Any User", "None"}},
      {{"Waiting for restart"}, 0xFFFF, "OFF LINE", {"Any User"}},
      {{"Waiting for Restart"}, 0xE0E0E0, "IDLE", {"None"}},
      {{"paper jam"}, 0xE0E0E0, "IDLE", {"None"}},
      {{"Printing"}, 0xC000, "PRINTING", {"None"}},
      {{"Fatal Error", "Processing data"}, 0xC000, "PRINTING", {"Service Tech", "None"}},
      {{"Paper Out", nullptr}, 0xFF, "ERROR", {"Any User", ""}},
      {{"Memory Full", "Communication Error"}, 0xFF, "ERROR", {"Workgroup Manager", "System Manager"}},
  };
  Select(0, 0, 0);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.caption + std::string(" ") + (r.descriptions[0] ? r.descriptions[0] : ""));
    item_ = MakeComObject<Fake_Vector_Item>();
    for (std::size_t i = 0; i < r.descriptions.size(); ++i) {
      const std::string path = "5002.0/0.1/175." + std::to_string(i + 1);
      item_->Set(path, 180, 1);
      if (r.descriptions[i]) item_->Set(path, 181, r.descriptions[i]);
    }
    Run(Get_Alerts);
    EXPECT_EQ(window_.Back_Colours["Label13"], r.colour);
    EXPECT_EQ(window_.Captions["Label13"], r.caption);
    const Alert_Record& record = Alert_Table(0, 0, 0);
    for (std::size_t i = 0; i < r.parties.size(); ++i)
      EXPECT_EQ(Field_Text(record.Alerts(static_cast<int>(i + 1)).Party), r.parties[i]);
  }
}

TEST_F(RowReaders, TheBannerStartsFromStatusAtEveryGoodRead) {
  // The first printer has an error; the next has no alerts, then one
  // without a description: the banner does not keep the first one's.
  Select(0, 0, 0);
  item_->Set("5002.0/0.1/175.1", 181, "Paper Jam");
  item_->Set("5002.1/0.1/175.1", 180, 7);
  item_->Add_Node("5002.2/0.1");
  Run(Get_Alerts);
  EXPECT_EQ(window_.Captions["Label13"], "ERROR");
  for (VbInteger device : {2, 1}) {
    SCOPED_TRACE(device);
    Selected_Device = device;
    window_.Captions["Label13"] = "ERROR";
    Run(Get_Alerts);
    EXPECT_EQ(window_.Captions["Label13"], "Status");
    EXPECT_EQ(window_.Back_Colours["Label13"], 0xE0E0E0);
    EXPECT_EQ(Alert_Table(0, device, 0).Valid, -1);
  }
  EXPECT_EQ(Dump(Alert_Table(0, 2, 0)).substr(0, 12), "-1 0 | ,,,, ");
  // A failed read after another printer's error shows this printer's own
  // kept list's banner: "Status" for no alerts.
  Banner_Of_Another_Printer("ERROR", 0xFF);
  item_->Set_All_Error_Code(-11);
  Run(Get_Alerts);
  EXPECT_EQ(window_.Captions["Label13"], "Status");
  EXPECT_EQ(window_.Back_Colours["Label13"], 0xE0E0E0);
}

// The previous printer showed a red "ERROR". An alert row whose read fails
// is left out, the banner is that of the rows read, and a printer without
// an alert read shows "Status": never "ERROR" over an empty list.
TEST_F(RowReaders, AFailedAlertRowIsLeftOutAndTheBannerIsThatOfTheRowsRead) {
  const struct {
    const char* name;
    LONG code;  // 0: the row's handle is -1
  } failures[] = {{"handle -1", 0}, {"-2", -2}, {"-9", -9}};
  const struct {
    std::vector<const char*> alerts;  // instances 1..n
    int failing;                      // the row whose read fails; 0 the count
    const char* stored;               // descriptions of the entries stored
    VbLong colour;
    const char* caption;
  } rows[] = {
      {{"Toner Low", "Paper Jam", "Printing"}, 2, "Toner Low,Printing,", 0xC000, "PRINTING"},
      {{"Toner Low", "Printing", "Paper Jam"}, 3, "Toner Low,Printing,", 0xC000, "PRINTING"},
      {{"Paper Jam", "Toner Low"}, 1, "Toner Low,", 0xFFFF, "ALERT"},
      {{"Ready to Print"}, 1, "", 0xE0E0E0, "Status"},
      {{"Ready to Print"}, 0, "", 0xE0E0E0, "Status"},
  };
  Select(0, 0, 0);
  for (const auto& r : rows) {
    for (const auto& f : failures) {
      SCOPED_TRACE(std::string(r.alerts[0]) + " row " + std::to_string(r.failing) + " " + f.name);
      item_ = MakeComObject<Fake_Vector_Item>();
      for (std::size_t i = 0; i < r.alerts.size(); ++i) {
        const std::string path = "5002.0/0.1/175." + std::to_string(i + 1);
        item_->Set(path, 180, static_cast<int>(i + 1));
        item_->Set(path, 181, r.alerts[i]);
      }
      const std::string failing =
          r.failing == 0 ? "5002.0/0.1" : "5002.0/0.1/175." + std::to_string(r.failing);
      if (f.code == 0) {
        item_->Fail_Handle(failing);
      } else {
        item_->Set_Error_Code(failing, f.code);
      }
      Alert_Table.Clear();
      Banner_Of_Another_Printer("ERROR", 0xFF);
      Run(Get_Alerts);
      const Alert_Record& record = Alert_Table(0, 0, 0);
      std::string stored;
      for (int n = 1; n <= kMaxAlerts; ++n)
        if (!Is_Empty(record.Alerts(n).Description)) stored += Field_Text(record.Alerts(n).Description) + ",";
      EXPECT_EQ(stored, r.stored);
      EXPECT_EQ(record.Valid, r.failing == 0 ? 0 : -1);
      if (r.failing != 0) {
        EXPECT_EQ(Field_Text(record.Count), std::to_string(r.alerts.size() - 1));
      }
      EXPECT_EQ(window_.Back_Colours["Label13"], r.colour);
      EXPECT_EQ(window_.Captions["Label13"], r.caption);
      EXPECT_EQ(dialog_.Shown, 0);
    }
  }
}

// A row that times out ends the read: the rows after it would time out as
// well. The engine keeps its last good list, and the banner over it.
TEST_F(RowReaders, AnAlertRowThatTimesOutKeepsTheLastGoodList) {
  Select(0, 0, 0);
  for (int n = 1; n <= 3; ++n) item_->Set("5002.0/0.1/175." + std::to_string(n), 181, "Paper Jam");
  Run(Get_Alerts);
  const std::string good = Dump(Alert_Table(0, 0, 0));
  item_->Set_Error_Code("5002.0/0.1/175.2", -11);
  item_->Log.clear();
  Run(Get_Alerts);
  EXPECT_EQ(Dump(Alert_Table(0, 0, 0)), good);
  EXPECT_EQ(Comm_Error_On, "On");
  EXPECT_EQ(window_.Captions["Label13"], "ERROR");
  EXPECT_EQ(window_.Back_Colours["Label13"], 0xFF);
  EXPECT_TRUE(item_->Log_Of({"GetHandle 5002.0/0.1 175.3"}).empty());
}

// The banner is that of the list under it. The printer read now (device 0)
// and another one (device 1) are read well; then the printer read now
// fails in each way: the banner is that of its own kept list, whichever
// printer's banner the window showed.
TEST_F(RowReaders, TheBannerOfAFailedReadIsThatOfThePrintersKeptAlerts) {
  const struct {
    const char* name;
    LONG code;  // 0: the engine's handle is -1
  } failures[] = {{"handle -1", 0}, {"-9", -9}, {"-11", -11}, {"-12", -12}};
  const struct {
    const char* name;
    const char* own;       // the printer's alert (nullptr: it has none)
    bool shown_last;       // the window shows its banner, else device 1's
    VbLong colour;
    const char* caption;
  } cases[] = {
      {"own error, shown", "Paper Jam", true, 0xFF, "ERROR"},
      {"own error, another shown", "Paper Jam", false, 0xFF, "ERROR"},
      {"own idle, another's error shown", "Ready to Print", false, 0xE0E0E0, "IDLE"},
      {"no alerts, another's error shown", nullptr, false, 0xE0E0E0, "Status"},
  };
  for (const auto& c : cases) {
    for (const auto& f : failures) {
      SCOPED_TRACE(std::string(c.name) + " " + f.name);
      Alert_Table.Clear();
      Forget_All_Drawn();
      item_ = MakeComObject<Fake_Vector_Item>();
      item_->Add_Node("5002.0/0.1");
      if (c.own) item_->Set("5002.0/0.1/175.1", 181, c.own);
      item_->Set("5002.1/0.1/175.1", 181, c.own && std::string(c.own) == "Paper Jam" ? "Toner Low" : "Paper Jam");
      const VbInteger order[2][2] = {{0, 1}, {1, 0}};
      for (VbInteger device : order[c.shown_last ? 1 : 0]) {
        Select(0, device, 0);
        Run(Get_Alerts);
      }
      Select(0, 0, 0);
      const std::string kept = Dump(Alert_Table(0, 0, 0));
      if (f.code == 0) {
        item_->Fail_Handle("5002.0/0.1");
      } else {
        item_->Set_All_Error_Code(f.code);
      }
      Run(Get_Alerts);
      EXPECT_EQ(Dump(Alert_Table(0, 0, 0)), kept);
      EXPECT_EQ(window_.Captions["Label13"], c.caption);
      EXPECT_EQ(window_.Back_Colours["Label13"], c.colour);
      EXPECT_EQ(dialog_.Shown, 0);
    }
  }
}

TEST_F(RowReaders, LocalisedAlertTextsComeFromTheLibrary) {
  Start_Localised(Echo_Catalogue());
  Main_Window = &window_;
  Select(0, 0, 0);
  item_->Set("5002.0/0.1/175.1", 181, "Toner Stop");
  item_->Set("5002.0/0.1/175.1", 178, 3);
  Run(Get_Alerts);
  EXPECT_EQ(window_.Captions["Label13"], "#459");
  EXPECT_EQ(Field_Text(Alert_Table(0, 0, 0).Alerts(1).Party), "#463");
  EXPECT_EQ(Field_Text(Alert_Table(0, 0, 0).Alerts(1).Severity), "#419");
}

// ---- Memory ----

TEST_F(RowReaders, MemoryFilterByTabWithAUnitThatLacksItsType) {
  Select(0, 0, 0);
  const std::string e = "5002.0/0.1/123.";
  const struct {
    LONG type;  // 0: the unit has no type
    LONG size;
  } units[] = {{3, 64}, {4, 8}, {0, 7}, {6, 512}, {5, 2}, {1, 16}};
  for (std::size_t n = 0; n < std::size(units); ++n) {
    const std::string path = e + std::to_string(n + 1);
    if (units[n].type != 0) item_->Set(path, 126, units[n].type);
    item_->Set(path, 127, units[n].size);
    item_->Set(path, 128, units[n].size / 2);
  }
  const struct {
    VbInteger tab;
    const char* rows;
  } tabs[] = {
      {2, "-1 3 | ,7,3 | ERDH,512,256 | Other,16,8 | ,, "},
      {1, "-1 6 | Ram,64,32 | Rom,8,4 | ,7,3 | ERDH,512,256 | NVRam,2,1 | Other,16,8 | ,, "},
      {0, "-1 6 | Ram,64,32 | Rom,8,4 | ,7,3 | ERDH,512,256 | NVRam,2,1 | Other,16,8 | ,, "},
  };
  for (const auto& t : tabs) {
    SCOPED_TRACE(t.tab);
    window_.Tab = t.tab;
    Run(Get_Memory_Table);
    EXPECT_EQ(Dump(Memory_Table(0, 0, 0)).substr(0, std::string(t.rows).size()), t.rows);
    EXPECT_EQ(dialog_.Shown, 0);
  }
}

// ---- Failed reads ----

// Per procedure: the node of its first read and of its first row ("" when
// it reads no rows), for device 5 of the other devices, engine 1.
const std::map<std::string, std::pair<std::string, std::string>> kFailurePaths = {
    {"Get_Engine_Model", {"5004.5/0.2/148.1", ""}},
    {"Get_Printer_State", {"5004.5/0.2/74.1", ""}},
    {"Get_Input_Trays", {"5004.5/0.2", "5004.5/0.2/8.1"}},
    {"Get_Output_Trays", {"5004.5/0.2", "5004.5/0.2/38.1"}},
    {"Get_Alerts", {"5004.5/0.2", "5004.5/0.2/175.1"}},
    {"Get_Memory_Table", {"5004.5/0.2", "5004.5/0.2/123.1"}},
    {"Get_Disk_Info", {"5004.5/0.1/130.1", ""}},
    {"Get_Firmware_Table", {"5004.5/0.2", "5004.5/0.2/136.1"}},
    {"Get_Finisher_Options", {"5004.5/0.2/104.1", ""}},
    {"Get_Print_Jobs", {"5004.5/7001.0", "5004.5/7001.0/7003.0"}},
};

TEST_F(RowReaders, FailedReadsOfEveryKindLeaveTheRecordsAsTheyWereOrTheRowOut) {
  struct Failure {
    const char* name;
    LONG code;  // the ErrorCode; 0 for a -1 handle
  };
  const Failure failures[] = {{"-1 handle", 0}, {"-2", -2}, {"-9", -9}, {"-11", -11}, {"-12", -12}};
  Select(1, 5, 1);
  for (const Procedure& p : Procedures()) {
    for (const Failure& f : failures) {
      for (bool on_row : {false, true}) {
        SCOPED_TRACE(std::string(p.name) + " " + f.name + (on_row ? " on a row" : ""));
        item_ = MakeComObject<Fake_Vector_Item>();
        Fill_Device(*item_, "5004.5", true);
        Release_Job_Root_Handle();
        Run(p.run);
        const std::string good = Stored(p);
        ASSERT_NE(good.find_first_not_of(";,| -01"), std::string::npos) << good;
        Comm_Error_On = "Off";
        Comm_Error_Text.clear();
        window_.Timer4_Enabled = false;

        // Where the read fails: the first read of the call, or its first row.
        const auto where = kFailurePaths.find(p.name);
        ASSERT_NE(where, kFailurePaths.end());
        const std::string path = on_row ? where->second.second : where->second.first;
        if (path.empty()) continue;  // the procedure reads no rows
        item_ = MakeComObject<Fake_Vector_Item>();
        Fill_Device(*item_, "5004.5", true);
        // The device answers other values now, which must not show.
        Fill_Engine(*item_, "5004.5/0.2", 1, 1);
        if (std::string(p.name) == "Get_Printer_State") item_->Set("5004.5/0.2/74.1", 77, "Other");
        if (f.code == 0) {
          item_->Fail_Handle(path);
        } else {
          item_->Set_Error_Code(path, f.code);
        }
        // Both reads of the printer state fail.
        if (std::string(p.name) == "Get_Printer_State") {
          if (f.code == 0) item_->Fail_Handle("5004.5/0.2/148.1");
          else item_->Set_Error_Code("5004.5/0.2/148.1", f.code);
        }
        Release_Job_Root_Handle();
        window_.Log.clear();
        Run(p.run);
        const std::string name = p.name;
        const bool timed_out = f.code == -11 || f.code == -12;
        // Memory units, firmware components and alerts are left out one by
        // one: a row that cannot be read leaves the other rows (none here)
        // listed, unless the printer does not respond.
        const bool left_out = on_row && !timed_out &&
                              (name == "Get_Alerts" || name == "Get_Memory_Table" || name == "Get_Firmware_Table");
        if (left_out) {
          const std::string stored = Stored(p);
          EXPECT_EQ(stored.rfind("-1 0 |", 0), 0u) << stored;
          EXPECT_EQ(stored.find_first_not_of(",| ", 6), std::string::npos) << stored;
        } else if (on_row && name == "Get_Print_Jobs") {
          // The job is left out and the others are stored (tests of their own).
          EXPECT_NE(Stored(p), good);
        } else {
          EXPECT_EQ(Stored(p), good);
        }
        EXPECT_EQ(dialog_.Shown, 0);
        const bool not_responding = p.checked && timed_out;
        EXPECT_EQ(Comm_Error_On, not_responding ? "On" : "Off");
        EXPECT_EQ(window_.Timer4_Enabled, not_responding);
        EXPECT_EQ(Comm_Error_Text, not_responding ? "The Selected Printer is not Responding (Error Code " +
                                                        std::to_string(f.code) + ")"
                                                  : "");
      }
    }
  }
}

// The state read follows the name read unless the name read timed out: a
// silent printer costs the status pass one time-out cycle, not two.
TEST_F(RowReaders, ThePrinterStateIsNotReadAfterTheNameReadTimedOut) {
  Select(1, 5, 1);
  for (LONG code : {0, -2, -9, -11, -12}) {
    SCOPED_TRACE(code);
    item_ = MakeComObject<Fake_Vector_Item>();
    Fill_Device(*item_, "5004.5", true);
    item_->Set_Error_Code("5004.5/0.2/74.1", code);
    Run([](IVectorItem* i) { Get_Printer_State(i, Selected_Engine); });
    const bool silent = code == -11 || code == -12;
    EXPECT_EQ(item_->Log_Of({"GetGroupValues 5004.5/0.2/148.1"}).size(), silent ? 0u : 1u);
    EXPECT_EQ(item_->Log_Of({"GetGroupValues 5004.5/0.2/74.1"}).size(), 1u);
    EXPECT_TRUE(item_->Open_Handles().empty());
    EXPECT_TRUE(item_->Live_Groups().empty());
  }
}

TEST_F(RowReaders, ADeviceNeverReadStaysEmptyWhenItsReadFails) {
  Select(0, 7, 0);
  item_->Set_All_Error_Code(-11);
  for (const Procedure& p : Procedures()) Run(p.run);
  EXPECT_EQ(Input_Tray_Table(0, 7, 0).Valid, 0);
  EXPECT_EQ(Input_Tray_Table(0, 7, 0).Tray_Count, 0);
  EXPECT_TRUE(Is_Empty(Alert_Table(0, 7, 0).Count));
  EXPECT_TRUE(Is_Empty(Memory_Table(0, 7, 0).Memory_Count));
  EXPECT_TRUE(Is_Empty(Engine_Fields(0, 7, 0, 1)));
  EXPECT_TRUE(Is_Empty(Finisher_Fields(0, 7, 0, 5)));
  EXPECT_EQ(Disk_Table(0, 7).Valid, 0);
  EXPECT_TRUE(window_.Captions["lblEngineModel"].empty());
}

// ---- Run-time errors ----

TEST_F(RowReaders, RunTimeErrorsAreReportedReleasedAndStoreNothing) {
  Select(0, 0, 0);
  Fill_Device(*item_, "5002.0", false);
  Run(Get_Output_Trays);
  const std::string good = Dump(Output_Tray_Table(0, 0, 0));
  // The string list of the first bin fails: the record stays, the error is
  // reported, and every handle and group is given back.
  item_->Fail_Method("GetCurrentStringValueList", DISP_E_TYPEMISMATCH);
  window_.Mouse_Pointer = 11;
  Run(Get_Output_Trays);
  EXPECT_EQ(Dump(Output_Tray_Table(0, 0, 0)), good);
  EXPECT_EQ(dialog_.Shown, 1);
  EXPECT_EQ(Last_Error_Number, 13);
  EXPECT_EQ(window_.Mouse_Pointer, 0);

  // A device number outside the tables: error 9 at the store, reported by
  // every procedure but the input trays, whose quiet set holds 9.
  Select(0, 65, 0);
  for (const Procedure& p : Procedures()) {
    SCOPED_TRACE(p.name);
    if (!p.stored) continue;  // the engine model stores into no table
    item_ = MakeComObject<Fake_Vector_Item>();
    Fill_Device(*item_, "5002.65", false);
    dialog_.Shown = 0;
    dialog_.Log.clear();
    Last_Error_Number = 0;
    Release_Job_Root_Handle();
    Run(p.run);
    EXPECT_EQ(Last_Error_Number, 9);
    const bool reported = std::string(p.name) != "Get_Input_Trays";
    EXPECT_EQ(dialog_.Shown, reported ? 1 : 0);
    if (reported) {
      EXPECT_EQ(dialog_.Log[5], "Text3.Text=9    Subscript out of range");
    }
  }
}

}  // namespace
}  // namespace vlm::monitor

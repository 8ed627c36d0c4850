// Test doubles of the main window's procedures: a VectorItem that lists
// discovered devices and fails the test when a handle or custom group is
// left open, a window that records its controls, readers that answer from a
// state table, and the shared module values.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "mgmt/xlpnmif.h"
#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/mainwin/mainwin.h"
#include "monitor/mainwin/silent_item.h"
#include "platform/com/com.h"

namespace vlm::monitor::test_support {

// One device of a discovery run.
struct Fake_Device {
  std::string address;
  std::string product;
  std::string spooler;
  LONG isIp = 1;
};

// A VectorItem that serves the two discovery lists. Every run of a list
// gives the next entry of its script (the last one repeats).
class Discovery_Item final : public ComObject<Discovery_Item, IVectorItem> {
 public:
  std::vector<std::vector<Fake_Device>> runs;
  std::size_t run = 0;
  int discoveries = 0;
  std::vector<Fake_Device> current;
  std::set<LONG> open, groups;
  LONG nextHandle = 0, nextGroup = 2001;
  std::vector<std::string> calls;

  bool Balanced() const { return open.empty() && groups.empty(); }

  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT GetHandle(LONG, LONG, LONG, LONG* handle) override {
    *handle = -1;
    return S_OK;
  }
  HRESULT GetRootHandle(LONG vector, LONG instance, LONG* handle) override {
    *handle = -1;
    calls.push_back("GetRootHandle " + std::to_string(vector) + " " + std::to_string(instance));
    if (vector == xlpnmif::kInstalledPrinters || vector == xlpnmif::kOtherDevices) {
      ++discoveries;
      current = runs.empty() ? std::vector<Fake_Device>{} : runs[std::min(run, runs.size() - 1)];
      ++run;
      if (current.empty()) return S_OK;
      Open(handle, kRoot);
    } else if (instance >= 0 && instance < static_cast<LONG>(std::min<std::size_t>(current.size(), 64))) {
      Open(handle, instance);
    }
    return S_OK;
  }
  HRESULT GetGroupValues(LONG handle, LONG, LONG, LONG, LONG* error) override {
    *error = open.count(handle) ? 0 : -2;
    return S_OK;
  }
  HRESULT GetCurrentIntegerValueList(LONG handle, VARIANT* ids, VARIANT* values, VARIANT*,
                                     LONG* count) override {
    if (!open.count(handle)) {
      *count = 0;
      return S_OK;
    }
    const LONG what = what_[handle];
    if (what == kRoot) {
      Put(ids, 0, LONG{xlpnmif::kDeviceCount});
      Put(values, 0, static_cast<LONG>(std::min<std::size_t>(current.size(), 64)));
      *count = 1;
    } else {
      Put(ids, 0, LONG{xlpnmif::kDeviceIsIp});
      Put(values, 0, current[static_cast<std::size_t>(what)].isIp);
      *count = 1;
    }
    return S_OK;
  }
  HRESULT GetCurrentStringValueList(LONG handle, VARIANT* ids, VARIANT* values, VARIANT*,
                                    LONG* count) override {
    *count = 0;
    if (!open.count(handle) || what_[handle] == kRoot) return S_OK;
    const Fake_Device& d = current[static_cast<std::size_t>(what_[handle])];
    const std::pair<LONG, std::string> texts[] = {
        {-1, ""}, {-1, ""}, {6002, d.product}, {6005, d.spooler}, {6001, d.address}};
    for (const auto& [id, text] : texts) {
      Put(ids, *count, id);
      Bstr b(text);
      SafeArrayPutElement(values->parray, count, b.Get());
      ++*count;
    }
    return S_OK;
  }
  HRESULT GetNumberOfInstances(LONG, LONG, LONG* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT ReleaseHandle(LONG handle) override {
    calls.push_back("ReleaseHandle " + std::to_string(handle));
    EXPECT_TRUE(open.erase(handle)) << "handle " << handle << " released twice or never opened";
    return S_OK;
  }
  HRESULT SetScalarIntegerValue(LONG, LONG, LONG, LONG* e) override {
    *e = -2;
    return S_OK;
  }
  HRESULT SetAdviseRate(LONG, LONG) override { return S_OK; }
  HRESULT SetScalarStringValue(LONG, LONG, BSTR, LONG* e) override {
    *e = -2;
    return S_OK;
  }
  HRESULT CreateFilter(LONG, LONG, LONG* f) override {
    *f = -1;
    return S_OK;
  }
  HRESULT AddConditionToFilter(LONG, LONG, VARIANT, LONG) override { return S_OK; }
  HRESULT RemoveFilter(LONG) override { return S_OK; }
  HRESULT CreateCustomGroup(VARIANT list, LONG* group) override {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(list.parray, 1, &lower);
    SafeArrayGetUBound(list.parray, 1, &upper);
    std::string ids;
    for (LONG i = lower; i < upper; ++i) {
      SHORT id = 0;
      SafeArrayGetElement(list.parray, &i, &id);
      (ids += ' ') += std::to_string(id);
    }
    calls.push_back("CreateCustomGroup" + ids);
    *group = nextGroup++;
    groups.insert(*group);
    return S_OK;
  }
  HRESULT DeleteCustomGroup(LONG group) override {
    calls.push_back("DeleteCustomGroup " + std::to_string(group));
    EXPECT_TRUE(groups.erase(group)) << "group " << group << " deleted twice or never made";
    return S_OK;
  }

 private:
  static constexpr LONG kRoot = -100;
  void Open(LONG* handle, LONG what) {
    while (open.count(nextHandle % 64)) ++nextHandle;
    *handle = nextHandle % 64;
    ++nextHandle;
    open.insert(*handle);
    what_[*handle] = what;
    ASSERT_LE(open.size(), 64u);
  }
  static void Put(VARIANT* list, LONG index, LONG value) {
    SafeArrayPutElement(list->parray, &index, &value);
  }
  std::map<LONG, LONG> what_;
};

// The window's controls as the procedures leave them.
class Fake_Window : public Tqz_Window {
 public:
  struct Item {
    std::string text;
    int icon = 0;
    bool marked = false;
  };
  std::vector<Item> items;
  int selected = 0;
  int view = 0;
  std::uint32_t statusColour = kStatusIdleColour;
  std::string status;
  bool statusCentred = false;
  bool hourglass = false;
  std::map<int, bool> timers;
  std::map<int, int> intervals;
  int tab = 0;
  int topic = 0;
  std::map<int, int> combo;
  std::map<std::pair<std::string, int>, bool> visible;
  std::map<std::pair<std::string, int>, std::string> captions;
  bool active = true;
  bool whatsThis = false;
  std::function<void()> onLeaveWhatsThis;
  bool webEnabled = true;
  bool jobsTabHidden = false;
  bool shown = false;
  std::deque<std::string> answers;  // of the "11" question
  int questions = 0;
  std::function<void()> duringQuestion;
  std::function<void()> duringReport;
  std::vector<std::string> documents;
  std::vector<std::string> log;
  int errorsReported = 0;
  bool ended = false;
  std::vector<std::string> checkDiscovery;  // what Create_Check_Discovery wrote
  int pollingMs = 30000;
  Tqz_Main* main = nullptr;
  std::function<std::string&(const std::string&)> flag;

  void lvwIPs_Clear() override {
    items.clear();
    selected = 0;
  }
  int lvwIPs_Add() override {
    items.push_back({});
    return static_cast<int>(items.size());
  }
  int lvwIPs_Count() override { return static_cast<int>(items.size()); }
  Item& At(int index) {
    EXPECT_GE(index, 1);
    EXPECT_LE(index, static_cast<int>(items.size()));
    static Item none;
    return index >= 1 && index <= static_cast<int>(items.size()) ? items[index - 1] : none;
  }
  void lvwIPs_Set_Icon(int index, int image) override { At(index).icon = image; }
  std::string lvwIPs_Text(int index) override { return At(index).text; }
  void lvwIPs_Set_Text(int index, const std::string& text) override { At(index).text = text; }
  void lvwIPs_Select(int index) override {
    At(index);
    selected = index;
  }
  int lvwIPs_Selected() override { return selected; }
  void lvwIPs_Set_Marked(int index, bool marked) override { At(index).marked = marked; }
  void lvwIPs_Set_View(int style) override { view = style; }
  void lvwIPs_Set_Focus() override { log.push_back("focus lvwIPs"); }
  void lvwIPs_Repaint() override {}
  void Set_Status(std::uint32_t colour, const std::string& caption, bool centred) override {
    statusColour = colour;
    status = caption;
    statusCentred = centred;
  }
  std::string Status_Caption() override { return status; }
  void Set_Hourglass(bool busy) override { hourglass = busy; }
  void Set_Timer_Enabled(int timer, bool enabled) override { timers[timer] = enabled; }
  bool Timer_Enabled(int timer) override { return timers[timer]; }
  void Set_Timer_Interval(int timer, int ms) override { intervals[timer] = ms; }
  int Current_Tab() override { return tab; }
  void Hide_Jobs_Tab() override { jobsTabHidden = true; }
  void Set_Tab_Help_Topic(int t) override { topic = t; }
  int ComboPrinter_ListIndex(int index) override {
    return combo.count(index) ? combo[index] : -1;
  }
  void Set_ComboPrinter_ListIndex(int index, int listIndex) override {
    combo[index] = listIndex;
    if (main) main->ComboPrinter_Click(index);  // VB raises Click
  }
  void Set_Visible(const std::string& control, int index, bool v) override {
    visible[{control, index}] = v;
  }
  void Set_Caption(const std::string& control, int index, const std::string& c) override {
    captions[{control, index}] = c;
  }
  void Repaint(const std::string& control, int index) override {
    log.push_back("repaint " + control + " " + std::to_string(index));
  }
  bool Is_Active_Window() override { return active; }
  void Show_Window() override { shown = true; }
  void Repaint_Window() override {}
  void Enter_Whats_This_Mode() override { whatsThis = true; }
  void Leave_Whats_This_Mode() override {
    if (onLeaveWhatsThis) onLeaveWhatsThis();
    whatsThis = false;
  }
  void Set_Web_Enabled(bool e) override { webEnabled = e; }
  std::string Ask_No_Printers() override {
    ++questions;
    if (duringQuestion) duringQuestion();
    if (answers.empty()) return "11-1";
    std::string a = answers.front();
    answers.pop_front();
    if (a == "14-1" && flag) flag("Options_Requested") = "Yes";
    return a;
  }
  void Open_Document(const std::string& url) override { documents.push_back(url); }
  void Show_Options() override { log.push_back("options"); }
  void Show_About() override { log.push_back("about"); }
  void Unload_Window() override { log.push_back("unload"); }
  void End_Program() override { ended = true; }
  void Get_Preferences_Values() override { log.push_back("preferences"); }
  void Create_Check_Discovery() override {
    checkDiscovery.push_back(flag("Discovery_Running") == "Yes" ? "Terminated" : "Completed");
  }
  void Build_Form_Caption() override {}
  int Polling_Interval_Milliseconds() override { return pollingMs; }
};

// What the readers found at a device: its state per engine (absent: the
// device does not answer) and its tandem flag.
struct Fake_Printer {
  std::vector<int> states;  // engine 0, engine 1
  bool tandem = false;
};

// Readers that answer from a table by (list kind, device) and log each call.
class Fake_Readers : public Tqz_Readers {
 public:
  explicit Fake_Readers(Fake_Window& window) : window_(window) {}
  std::map<std::pair<int, int>, Fake_Printer> printers;
  // The calls on the printers' objects, and Selected_Engine at each.
  std::vector<std::string> calls;
  std::vector<VbInteger> engines;
  // The calls on the silent stand-in (the readers after a read that timed
  // out), which never reach a printer.
  std::vector<std::string> standIn;
  std::function<void()> onRead;
  // Readers whose read times out (counted as the real ones count it).
  std::set<std::string> silent;

  void Get_Device_Flag(IVectorItem*, VbInteger kind, VbInteger device, VbInteger) override;
  void Get_Printer_State(IVectorItem*, VbInteger engine) override;
#define VLM_LOG_CALL(name, ...) \
  void name(IVectorItem* item __VA_OPT__(, ) __VA_ARGS__) override { Log(#name, item); }
  VLM_LOG_CALL(Get_Printer_Identity, VbInteger)
  VLM_LOG_CALL(Get_Summary_Info, VbInteger)
  VLM_LOG_CALL(Get_Finisher_Model)
  VLM_LOG_CALL(Get_MIB_Version)
  VLM_LOG_CALL(Get_Device_Functions, VbInteger)
  VLM_LOG_CALL(Get_Device_Status)
  VLM_LOG_CALL(Get_Engine_Model, VbInteger)
  VLM_LOG_CALL(Get_Installed_Options, VbInteger)
  VLM_LOG_CALL(UpdateQuickView)
  VLM_LOG_CALL(UpdateIPController)
  VLM_LOG_CALL(UpdatePrinter)
  VLM_LOG_CALL(UpdateAlertError)
  VLM_LOG_CALL(UpdatePaperInput)
  VLM_LOG_CALL(UpdatePaperOutput)
  VLM_LOG_CALL(UpdateJobs)
  VLM_LOG_CALL(Fill_Memory)
  VLM_LOG_CALL(Fill_Firmware)
  VLM_LOG_CALL(Fill_Output_Trays)
  VLM_LOG_CALL(Draw_Input_Picture)
  VLM_LOG_CALL(Draw_Output_Picture)
  VLM_LOG_CALL(Draw_Status_Picture)
#undef VLM_LOG_CALL
  void Get_OS_Version() override { Log("Get_OS_Version", nullptr); }
  void Get_Engine_Counters(IVectorItem* item, VbInteger engine) override {
    Log("Get_Engine_Counters " + std::to_string(engine), item);
  }

 private:
  void Log(const std::string& call, IVectorItem* item);
  Fake_Window& window_;
};

// The general error report's dialog: counts its shows and runs a hook
// inside, where a modal dialog's loop would run timers.
class Report_Box : public Fake_Message_Box {
 public:
  std::function<void()> during;
  void Show_Modal() override {
    Fake_Message_Box::Show_Modal();
    if (during) during();
  }
};

class Fake_Shared : public Tqz_Shared {
 public:
  std::map<std::string, std::string> flags;
  VbInteger installed = -1, other = -1;

  std::string& Flag(const std::string& name) override { return flags[name]; }
  void Set_Printer_Counts(VbInteger i, VbInteger o) override {
    installed = i;
    other = o;
  }
};

inline void Fake_Readers::Log(const std::string& call, IVectorItem* item) {
  if (dynamic_cast<Silent_Vector_Item*>(item) != nullptr) {
    standIn.push_back(call);
    return;
  }
  calls.push_back(call);
  engines.push_back(Selected_Engine);
  if (silent.count(call.substr(0, call.find(' ')))) ++Silent_Read_Count;
  if (onRead) onRead();
}
inline void Fake_Readers::Get_Device_Flag(IVectorItem* item, VbInteger kind, VbInteger device, VbInteger) {
  Log("Get_Device_Flag", item);
  Device_List_Fields(kind, device, 6) = VbLong{printers[{kind, device}].tandem ? 1 : 0};
}
inline void Fake_Readers::Get_Printer_State(IVectorItem* item, VbInteger engine) {
  Log("Get_Printer_State " + std::to_string(engine), item);
  const Fake_Printer& p = printers[{Selected_List_Kind, Selected_Device}];
  if (static_cast<std::size_t>(engine) < p.states.size()) {
    Decode_Machine_State(p.states[static_cast<std::size_t>(engine)]);
    return;
  }
  // A device that does not answer.
  Comm_Error_On = "On";
  Comm_Error_Text = "The Selected Printer is not Responding (Error Code -11)";
  window_.timers[4] = true;
}

}  // namespace vlm::monitor::test_support

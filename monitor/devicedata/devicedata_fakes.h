// Test doubles of the device data module, for its tests and the windows'
// tests: a VectorItem holding a device tree by path, a recording main
// window and a recording message dialog.
//
// Fake_Vector_Item:
// - Nodes are named by paths of "vector.instance" segments joined by "/":
//   "5002.3" device 3 of the installed list, "5002.3/0.1" its first engine,
//   "5002.3/0.1/8.2" the engine's second input tray. The job list of the
//   device opened last under 5002/5004 is "<device>/7001.0", its jobs
//   "<device>/7001.0/7003.n".
// - GetRootHandle/GetHandle give the lowest free handle 0..63 for any path
//   whose node is not scripted to fail (-1 then, as for an unknown parent
//   or a full table). A node need not exist: reading a node that does not
//   exist answers ErrorCode -9 (no such name), as an agent does.
// - GetGroupValues reads the group's ids that the node holds (custom
//   groups, or the predefined groups 1003, 1010, 1013, 1014, 1015, 1029,
//   1030 with their members). Count ids (8001 input, 8002 output, 8004
//   alerts, 8009 memory, 8012 firmware, 7002 jobs) not set on the node
//   count the node's children of their vector. Ids the node lacks are
//   absent from the lists. A scripted ErrorCode makes the lists hold the
//   asked ids with placeholders (0 or ""), as the real object does after a
//   failed get.
// - Every call is logged in a readable form; Expect_Nothing_Left fails the
//   test when a handle or custom group is still open (except those named),
//   and releasing or deleting one that is not open fails it at once.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor::test_support {

class Fake_Vector_Item final : public ComObject<Fake_Vector_Item, IVectorItem> {
 public:
  using Value = std::variant<LONG, std::string>;

  // ---- the tree ----
  void Set(const std::string& path, LONG id, Value value) {
    Node& n = nodes_[path];
    for (auto& [k, v] : n.values)
      if (k == id) {
        v = std::move(value);
        return;
      }
    n.values.emplace_back(id, std::move(value));
  }
  void Set(const std::string& path, LONG id, const char* text) { Set(path, id, Value(std::string(text))); }
  void Set(const std::string& path, LONG id, int value) { Set(path, id, Value(LONG{value})); }
  void Add_Node(const std::string& path) { nodes_[path]; }
  // The node no longer holds scalar id (its answers lack it).
  void Remove(const std::string& path, LONG id) {
    auto& values = nodes_[path].values;
    values.erase(std::remove_if(values.begin(), values.end(), [id](const auto& v) { return v.first == id; }),
                 values.end());
  }
  void Remove_Subtree(const std::string& path) {
    for (auto it = nodes_.begin(); it != nodes_.end();)
      it = (it->first == path || it->first.rfind(path + "/", 0) == 0) ? nodes_.erase(it) : std::next(it);
  }
  // GetGroupValues on this node reports code (0 again to clear).
  void Set_Error_Code(const std::string& path, LONG code) { nodes_[path].error = code; }
  // Every node's reads report code (a dead device); 0 clears.
  void Set_All_Error_Code(LONG code) { all_error_ = code; }
  // Opening this path gives -1.
  void Fail_Handle(const std::string& path) { failing_paths_.insert(path); }
  // The nth (0-based) later call of this method returns hr.
  void Fail_Method(const std::string& method, HRESULT hr, int nth = 0) {
    failures_[method] = {calls_[method] + nth, hr};
  }

  // ---- what happened ----
  std::vector<std::string> Log;
  // The path of each open handle.
  const std::map<LONG, std::string>& Open_Handles() const { return open_; }
  const std::map<LONG, std::vector<SHORT>>& Live_Groups() const { return groups_; }
  // Log lines that start with one of the prefixes.
  std::vector<std::string> Log_Of(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> out;
    for (const std::string& line : Log)
      for (const char* p : prefixes)
        if (line.rfind(p, 0) == 0) out.push_back(line);
    return out;
  }
  void Expect_Nothing_Left(std::set<LONG> allowed_handles = {}) const {
    for (const auto& [h, path] : open_)
      if (!allowed_handles.count(h)) ADD_FAILURE() << "handle " << h << " (" << path << ") left open";
    for (const auto& [g, ids] : groups_) ADD_FAILURE() << "custom group " << g << " left";
  }

  // ---- IVectorItem ----
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT GetHandle(LONG parent, LONG vector, LONG instance, LONG* handle) override {
    if (HRESULT hr = Scripted("GetHandle")) return hr;
    *handle = -1;
    auto p = open_.find(parent);
    if (p != open_.end()) *handle = Open(p->second + "/" + Segment(vector, instance));
    Log.push_back("GetHandle " + (p != open_.end() ? p->second : std::to_string(parent)) + " " +
                  Segment(vector, instance) + " -> " + std::to_string(*handle));
    return S_OK;
  }
  HRESULT GetRootHandle(LONG vector, LONG instance, LONG* handle) override {
    if (HRESULT hr = Scripted("GetRootHandle")) return hr;
    std::string path = Segment(vector, instance);
    if (vector == xlpnmif::kPrintJobs) path = last_device_ + "/" + path;
    *handle = Open(path);
    if (*handle != -1 && (vector == xlpnmif::kInstalledPrinter || vector == xlpnmif::kOtherDevice))
      last_device_ = path;
    Log.push_back("GetRootHandle " + Segment(vector, instance) + " -> " + std::to_string(*handle));
    return S_OK;
  }
  HRESULT GetGroupValues(LONG handle, LONG group, LONG mode, LONG mechanism, LONG* error) override {
    if (HRESULT hr = Scripted("GetGroupValues")) return hr;
    auto h = open_.find(handle);
    std::vector<SHORT> ids = Members(group);
    std::string line = "GetGroupValues " + (h != open_.end() ? h->second : std::to_string(handle)) +
                       " {" + Join(ids) + "} mode " + std::to_string(mode) + " mechanism " +
                       std::to_string(mechanism);
    if (h == open_.end()) {
      *error = -2;
    } else {
      auto n = nodes_.find(h->second);
      *error = all_error_                           ? all_error_
               : n != nodes_.end()                  ? n->second.error
               : Has_Descendants(h->second) ? 0
                                                    : -9;
      std::vector<std::pair<LONG, Value>>& current = current_[handle];
      for (SHORT id : ids) {
        std::optional<Value> v = *error == 0 ? Lookup(h->second, id) : Placeholder(h->second, id);
        if (!v) continue;
        auto c = std::find_if(current.begin(), current.end(), [&](auto& e) { return e.first == id; });
        if (c != current.end()) c->second = *v;
        else current.emplace_back(id, *v);
      }
    }
    Log.push_back(line + " -> " + std::to_string(*error));
    return S_OK;
  }
  HRESULT GetCurrentIntegerValueList(LONG handle, VARIANT* ids, VARIANT* values, VARIANT* descrs,
                                     LONG* count) override {
    if (HRESULT hr = Scripted("GetCurrentIntegerValueList")) return hr;
    return List(handle, ids, values, descrs, count, false);
  }
  HRESULT GetCurrentStringValueList(LONG handle, VARIANT* ids, VARIANT* values, VARIANT* descrs,
                                    LONG* count) override {
    if (HRESULT hr = Scripted("GetCurrentStringValueList")) return hr;
    return List(handle, ids, values, descrs, count, true);
  }
  HRESULT GetNumberOfInstances(LONG, LONG, LONG* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT ReleaseHandle(LONG handle) override {
    if (HRESULT hr = Scripted("ReleaseHandle")) return hr;
    auto h = open_.find(handle);
    if (h == open_.end()) {
      ADD_FAILURE() << "ReleaseHandle of handle " << handle << ", which is not open";
      Log.push_back("ReleaseHandle " + std::to_string(handle));
      return S_OK;
    }
    Log.push_back("ReleaseHandle " + h->second);
    current_.erase(handle);
    open_.erase(h);
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
    *f = 0;
    return S_OK;
  }
  HRESULT AddConditionToFilter(LONG, LONG, VARIANT, LONG) override { return S_OK; }
  HRESULT RemoveFilter(LONG) override { return S_OK; }
  HRESULT CreateCustomGroup(VARIANT list, LONG* group) override {
    if (HRESULT hr = Scripted("CreateCustomGroup")) return hr;
    std::vector<SHORT> ids;
    if (list.vt == (VT_ARRAY | VT_I2)) {
      LONG lo = 0, hi = -1;
      SafeArrayGetLBound(list.parray, 1, &lo);
      SafeArrayGetUBound(list.parray, 1, &hi);
      for (LONG i = lo; i < hi; ++i) {  // the last element is not taken
        SHORT id = 0;
        SafeArrayGetElement(list.parray, &i, &id);
        ids.push_back(id);
      }
    }
    *group = next_group_++;
    groups_[*group] = ids;
    Log.push_back("CreateCustomGroup {" + Join(ids) + "} -> " + std::to_string(*group));
    return S_OK;
  }
  HRESULT DeleteCustomGroup(LONG group) override {
    if (HRESULT hr = Scripted("DeleteCustomGroup")) return hr;
    auto g = groups_.find(group);
    if (g == groups_.end()) {
      ADD_FAILURE() << "DeleteCustomGroup of group " << group << ", which is not live";
      Log.push_back("DeleteCustomGroup " + std::to_string(group));
      return S_OK;
    }
    Log.push_back("DeleteCustomGroup {" + Join(g->second) + "}");
    groups_.erase(g);
    return S_OK;
  }

  static std::string Segment(LONG vector, LONG instance) {
    return std::to_string(vector) + "." + std::to_string(instance);
  }

 private:
  struct Node {
    std::vector<std::pair<LONG, Value>> values;
    LONG error = 0;
  };

  HRESULT Scripted(const std::string& method) {
    const int n = calls_[method]++;
    auto f = failures_.find(method);
    if (f != failures_.end() && f->second.first == n) {
      Log.push_back(method + " fails");
      return f->second.second;
    }
    return S_OK;
  }
  LONG Open(const std::string& path) {
    if (failing_paths_.count(path)) return -1;
    for (LONG h = 0; h < 64; ++h)
      if (!open_.count(h)) {
        open_[h] = path;
        return h;
      }
    return -1;
  }
  static std::vector<SHORT> Predefined(LONG group) {
    switch (group) {
      case 1003: return {46, 64};
      case 1010: return {107, 108, 109, 110, 111};
      case 1013: return {126, 127, 128};
      case 1014: return {133, 134, 135};
      case 1015: return {139, 140, 141};
      case 1029: return {7002};
      case 1030: return {7004, 7005, 7006, 7008, 7009, 7010, 7012};
      default: return {};
    }
  }
  std::vector<SHORT> Members(LONG group) const {
    auto g = groups_.find(group);
    return g != groups_.end() ? g->second : Predefined(group);
  }
  static LONG Count_Vector(LONG id) {
    switch (id) {
      case 8001: return 8;
      case 8002: return 38;
      case 8004: return 175;
      case 8009: return 123;
      case 8012: return 136;
      case 7002: return 7003;
      default: return -1;
    }
  }
  std::optional<Value> Lookup(const std::string& path, LONG id) const {
    auto n = nodes_.find(path);
    if (n != nodes_.end())
      for (const auto& [k, v] : n->second.values)
        if (k == id) return v;
    if (LONG vector = Count_Vector(id); vector != -1) {
      const std::string prefix = path + "/" + std::to_string(vector) + ".";
      LONG count = 0;
      for (const auto& [p, node] : nodes_)
        if (p.rfind(prefix, 0) == 0 && p.find('/', prefix.size()) == std::string::npos) ++count;
      return Value(count);
    }
    return std::nullopt;
  }
  bool Has_Descendants(const std::string& path) const {
    auto it = nodes_.lower_bound(path + "/");
    return it != nodes_.end() && it->first.rfind(path + "/", 0) == 0;
  }
  std::optional<Value> Placeholder(const std::string& path, LONG id) const {
    std::optional<Value> v = Lookup(path, id);
    if (v && std::holds_alternative<std::string>(*v)) return Value(std::string());
    return Value(LONG{0});
  }
  HRESULT List(LONG handle, VARIANT* ids, VARIANT* values, VARIANT* descrs, LONG* count, bool texts) {
    auto h = open_.find(handle);
    LONG n = 0;
    if (h != open_.end()) {
      for (const auto& [id, v] : current_[handle]) {
        if (std::holds_alternative<std::string>(v) != texts) continue;
        if (ids->vt != (VT_ARRAY | VT_I4) || n >= 101) break;
        SafeArrayPutElement(ids->parray, &n, &id);
        if (texts) {
          Bstr b(std::get<std::string>(v));
          SafeArrayPutElement(values->parray, &n, b.Get());
        } else {
          SafeArrayPutElement(values->parray, &n, &std::get<LONG>(v));
        }
        Bstr d("descr");
        SafeArrayPutElement(descrs->parray, &n, d.Get());
        ++n;
      }
    }
    *count = n;
    Log.push_back(std::string(texts ? "GetCurrentStringValueList " : "GetCurrentIntegerValueList ") +
                  (h != open_.end() ? h->second : std::to_string(handle)) + " -> " + std::to_string(n));
    return S_OK;
  }
  static std::string Join(const std::vector<SHORT>& ids) {
    std::string s;
    for (SHORT id : ids) (s.empty() ? s : s += ',') += std::to_string(id);
    return s;
  }

  std::map<std::string, Node> nodes_;
  std::set<std::string> failing_paths_;
  std::map<LONG, std::string> open_;
  std::map<LONG, std::vector<std::pair<LONG, Value>>> current_;
  std::map<LONG, std::vector<SHORT>> groups_;
  std::map<std::string, int> calls_;
  std::map<std::string, std::pair<int, HRESULT>> failures_;
  std::string last_device_ = "none";
  LONG next_group_ = 2001;
  LONG all_error_ = 0;
};

// The main window's controls as the procedures see them, recorded.
class Fake_Main_Window : public Main_Window_Port {
 public:
  static std::string Key(std::string_view control, VbInteger index) {
    return index == kNoIndex ? std::string(control)
                             : std::string(control) + "(" + std::to_string(index) + ")";
  }
  std::map<std::string, std::string> Captions;
  std::map<std::string, bool> Visible;
  std::map<std::string, VbLong> Back_Colours;
  std::vector<std::string> Log;  // every write, in order
  bool Timer4_Enabled = false;
  VbInteger Mouse_Pointer = 11;  // the hourglass, so a reset shows
  VbInteger Tab = 0;

  std::string Caption(std::string_view control, VbInteger index) override {
    return Captions[Key(control, index)];
  }
  void Set_Caption(std::string_view control, VbInteger index, const std::string& caption) override {
    Captions[Key(control, index)] = caption;
    Log.push_back(Key(control, index) + ".Caption=" + caption);
  }
  void Set_Visible(std::string_view control, VbInteger index, bool visible) override {
    Visible[Key(control, index)] = visible;
    Log.push_back(Key(control, index) + ".Visible=" + (visible ? "True" : "False"));
  }
  void Set_BackColor(std::string_view control, VbInteger index, VbLong colour) override {
    Back_Colours[Key(control, index)] = colour;
    Log.push_back(Key(control, index) + ".BackColor=" + std::to_string(colour));
  }
  void Set_Timer4_Enabled(bool enabled) override { Timer4_Enabled = enabled; }
  void Set_Mouse_Pointer(VbInteger pointer) override { Mouse_Pointer = pointer; }
  VbInteger Current_Tab() override { return Tab; }
};

// The message dialog, recorded; Show_Modal answers as Command3 does.
class Fake_Message_Box : public Message_Box_Port {
 public:
  std::vector<std::string> Log;
  int Shown = 0;
  void Set_Caption(std::string_view control, const std::string& caption) override {
    Log.push_back(std::string(control.empty() ? "Message_Box" : control) + ".Caption=" + caption);
  }
  void Set_Text(std::string_view control, const std::string& text) override {
    Log.push_back(std::string(control) + ".Text=" + text);
  }
  void Set_Visible(std::string_view control, bool visible) override {
    Log.push_back(std::string(control) + ".Visible=" + (visible ? "True" : "False"));
  }
  void Set_Left(std::string_view control, VbLong twips) override {
    Log.push_back(std::string(control) + ".Left=" + std::to_string(twips));
  }
  void Show_Modal() override {
    ++Shown;
    Log.push_back("Show");
    Message_Code.clear();
  }
};

}  // namespace vlm::monitor::test_support

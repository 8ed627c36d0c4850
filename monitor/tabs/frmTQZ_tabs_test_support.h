// Test doubles of the tab procedures: a recording stand-in for the lists,
// the printer list, Timer5 and the picture boxes of the main window, and a
// fixture that connects it with the device data module's recording window
// and message dialog.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"
#include "monitor/tabs/frmTQZ_tabs.h"

namespace vlm::monitor::test_support {

struct Fake_Row {
  std::string Text;
  std::vector<std::pair<std::string, std::string>> Sub_Items;  // key, text
  // The texts of the row, first column first.
  std::vector<std::string> Columns() const {
    std::vector<std::string> out{Text};
    for (const auto& [key, text] : Sub_Items) out.push_back(text);
    return out;
  }
};

struct Fake_Picture_Box {
  QImage Image{190, 127, QImage::Format_RGB32};
  bool Visible = true;
  bool Auto_Redraw = false;
  int Cleared = 0;
  int Refreshed = 0;
};

class Fake_Tabs_Window : public Tabs_Port {
 public:
  static constexpr QRgb kBackColour = 0xFFFFFFFF;
  Fake_Tabs_Window() {
    for (Picture_Box b : {Picture_Box::Picture1, Picture_Box::Picture2, Picture_Box::Picture3})
      Boxes[b].Image.fill(kBackColour);
  }

  std::map<Tab_List, std::vector<Fake_Row>> Rows;
  std::map<Tab_List, VbLong> Topics;
  std::map<Tab_List, int> Reselected;
  std::map<Picture_Box, Fake_Picture_Box> Boxes;
  std::map<std::string, VbInteger> Char_Sets;
  std::vector<std::string> Log;  // focus and selection of the printer list
  int Printer_Rows = 0;
  int Selected_Printer = 0;  // Selected_Item_Index of the selection
  bool Timer5 = false;
  IVectorItem* Objects[2] = {nullptr, nullptr};

  std::vector<std::vector<std::string>> Table(Tab_List list) {
    std::vector<std::vector<std::string>> out;
    for (const Fake_Row& r : Rows[list]) out.push_back(r.Columns());
    return out;
  }

  int List_Count(Tab_List list) override { return static_cast<int>(Rows[list].size()); }
  void List_Clear(Tab_List list) override { Rows[list].clear(); }
  void List_Add(Tab_List list, int row, const std::string& text) override {
    std::vector<Fake_Row>& rows = Rows[list];
    if (row < 1 || row > static_cast<int>(rows.size()) + 1) throw VbError(35600, "Index out of bounds");
    rows.insert(rows.begin() + (row - 1), Fake_Row{text, {}});
  }
  void List_Add_SubItem(Tab_List list, int row, const std::string& key, const std::string& text) override {
    std::vector<Fake_Row>& rows = Rows[list];
    if (row < 1 || row > static_cast<int>(rows.size())) throw VbError(35600, "Index out of bounds");
    rows[static_cast<std::size_t>(row - 1)].Sub_Items.emplace_back(key, text);
  }
  void List_Set_Help_Topic(Tab_List list, VbLong topic) override { Topics[list] = topic; }
  void List_Reselect(Tab_List list, int row) override {
    if (row < 1 || row > List_Count(list)) throw VbError(35600, "Index out of bounds");
    Reselected[list] = row;
  }
  void Printer_List_Set_Focus() override { Log.push_back("lvwIPs.SetFocus"); }
  int Printer_List_Count() override { return Printer_Rows; }
  void Printer_List_Select(int row) override {
    if (row < 1 || row > Printer_Rows) throw VbError(35600, "Index out of bounds");
    Log.push_back("lvwIPs.Select " + std::to_string(row));
  }
  int Selected_Item_Index() override { return Selected_Printer; }
  void Timer5_Enable() override { Timer5 = true; }
  IVectorItem* List_Object(VbInteger list_kind) override { return Objects[list_kind == 0 ? 0 : 1]; }
  void Set_Font_CharSet(std::string_view control, VbInteger charset) override {
    Char_Sets[std::string(control)] = charset;
  }
  void Picture_Set_AutoRedraw(Picture_Box box) override { Boxes[box].Auto_Redraw = true; }
  void Picture_Set_Visible(Picture_Box box, bool visible) override { Boxes[box].Visible = visible; }
  void Picture_Cls(Picture_Box box) override {
    Boxes[box].Image.fill(kBackColour);
    ++Boxes[box].Cleared;
  }
  QImage* Picture_Image(Picture_Box box) override { return &Boxes[box].Image; }
  void Picture_Refresh(Picture_Box box) override { ++Boxes[box].Refreshed; }
};

inline void Reset_Tab_Values() {
  Tabs_Window = nullptr;
  Selected_Tray = Selected_Bin = 0;
  Picture_Engine_Type = 0;
  Column_Click_Pending.clear();
  Last_Clicked_Row = 0;
  Polling_Tick_Active.clear();
  View_Refresh_Requested.clear();
  Installed_Option_Records.Clear();
}

// The device data module's state at start-up, with the recording window,
// dialog and tab controls connected.
class TabsTest : public DeviceDataTest {
 protected:
  void SetUp() override {
    DeviceDataTest::SetUp();
    Reset_Tab_Values();
    Main_Window = &window_;
    Message_Box = &dialog_;
    Tabs_Window = &tabs_;
  }
  void TearDown() override {
    Reset_Tab_Values();
    DeviceDataTest::TearDown();
  }
  // A printer whose every read fails: the procedures then work on what the
  // tables already hold.
  ComPtr<Fake_Vector_Item> Dead_Item() {
    ComPtr<Fake_Vector_Item> item = MakeComObject<Fake_Vector_Item>();
    item->Set_All_Error_Code(-9);
    return item;
  }
  std::string Caption(const std::string& key) { return window_.Captions[key]; }

  Fake_Main_Window window_;
  Fake_Message_Box dialog_;
  Fake_Tabs_Window tabs_;
};

}  // namespace vlm::monitor::test_support

// The machine pictures: a recording DrawEngine class checks the nine
// arguments, an unmapped engine type and a class that cannot be created hide
// the box until a printer with a picture comes, the options of a failed read
// are not applied, and a real engine library painted into the picture box
// gives the pixels of calling it directly.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "enginepics/gdi/gdi.h"
#include "monitor/tabs/frmTQZ_pictures_test_support.h"
#include "monitor/tabs/frmTQZ_tabs_test_support.h"
#include "platform/registry/registry.h"

namespace vlm::monitor {
namespace {

using test_support::Draw_Call;
using test_support::Fake_Vector_Item;
using test_support::g_calls;
using test_support::g_live_engines;
using test_support::kRecorderProgId;
using test_support::Map_Engine_Type;
using test_support::TabsTest;

const auto* const kRegistry = ::testing::AddGlobalTestEnvironment(new test_support::Scratch_Registry);

class PicturesTest : public TabsTest {
 protected:
  void SetUp() override {
    TabsTest::SetUp();
    g_calls.clear();
    recorder_ = std::make_unique<test_support::Recorder_Registration>();
    Map_Engine_Type("11", kRecorderProgId);
    Map_Engine_Type("13", "TQZResource.NotRegistered");
    item_ = MakeComObject<Fake_Vector_Item>();
    tabs_.Objects[0] = item_.Get();
    Selected_List_Kind = 0;
    Selected_Device = 2;
    Selected_Engine = 0;
    Printer(11, 0x802, "QN-748", {{3, "LU-201"}, {4, "PC-407"}});
  }
  void TearDown() override {
    recorder_.reset();
    TabsTest::TearDown();
  }

  // The selected device's engine: its type code, option word, finisher and
  // option table.
  void Printer(LONG type, LONG options, const char* finisher,
               std::vector<std::pair<LONG, const char*>> table) {
    const std::string engine = "5002.2/0." + std::to_string(Selected_Engine + 1);
    item_->Remove_Subtree(engine);
    item_->Set(engine, 153, type);
    Engine_Fields(0, 2, Selected_Engine, 0) = VbLong{type};
    Engine_Options(Selected_Engine) = options;
    Finisher_Fields(0, 2, Selected_Engine, 0) = std::string(finisher);
    item_->Set(engine, 8013, static_cast<LONG>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i) {
      const std::string row = engine + "/210." + std::to_string(i + 1);
      item_->Set(row, 213, table[i].first);
      item_->Set(row, 214, table[i].second);
      item_->Set(row, 215, LONG{1});
    }
  }
  test_support::Fake_Picture_Box& Box(Picture_Box b) { return tabs_.Boxes[b]; }

  std::unique_ptr<test_support::Recorder_Registration> recorder_;
  ComPtr<Fake_Vector_Item> item_;
};

TEST_F(PicturesTest, DrawEngineGetsItsNineArgumentsAndTheStatusTabNoMarks) {
  Selected_Tray = 2;
  Selected_Bin = 1;
  const std::size_t live = gdi::LiveObjectsForTests();
  Box(Picture_Box::Picture2).Image.fill(0xFF000000);
  Draw_Input_Picture(item_.Get());
  Draw_Output_Picture(item_.Get());
  Draw_Status_Picture(item_.Get());
  ASSERT_EQ(g_calls.size(), 3u);
  for (const Draw_Call& c : g_calls) {
    EXPECT_NE(c.hdc, 0);
    EXPECT_EQ(c.options, 0x802);
    EXPECT_EQ(c.engine_type, 0);
    EXPECT_EQ(c.finisher, "QN-748");
    EXPECT_EQ(c.lct, "LU-201");
    EXPECT_EQ(c.base, "PC-407");
    EXPECT_EQ(c.tray, 2);
    EXPECT_EQ(c.bin, 1);
    EXPECT_EQ(c.origin, RGB(255, 255, 255));  // painted into the cleared box
  }
  EXPECT_TRUE(g_calls[0].show);
  EXPECT_TRUE(g_calls[1].show);
  EXPECT_FALSE(g_calls[2].show);
  // The context is deleted and the object released after each paint.
  EXPECT_EQ(gdi::LiveObjectsForTests(), live);
  EXPECT_EQ(g_live_engines, 0);
  for (Picture_Box b : {Picture_Box::Picture1, Picture_Box::Picture2, Picture_Box::Picture3}) {
    EXPECT_TRUE(Box(b).Auto_Redraw);
    EXPECT_EQ(Box(b).Refreshed, 1);
  }
  EXPECT_EQ(dialog_.Shown, 0);
  item_->Expect_Nothing_Left();
}

TEST_F(PicturesTest, NoMappedClassOrNoCreatableClassHidesTheBoxUntilAPrinterWithAPicture) {
  struct Case {
    LONG type;
    bool painted;
  };
  // 12 has no value under the key, 13 names a class nobody registered.
  const Case cases[] = {{12, false}, {11, true}, {13, false}, {11, true}};
  for (const Case& c : cases) {
    g_calls.clear();
    Printer(c.type, 0x2, "", {});
    Draw_Output_Picture(item_.Get());
    EXPECT_EQ(Box(Picture_Box::Picture3).Visible, c.painted) << c.type;
    EXPECT_EQ(g_calls.size(), c.painted ? 1u : 0u) << c.type;
    if (c.painted) {
      EXPECT_EQ(g_calls[0].lct, "");
    }
  }
  EXPECT_EQ(dialog_.Shown, 0);
  EXPECT_EQ(g_live_engines, 0);
}

TEST_F(PicturesTest, AMissingMappingKeyHidesTheBox) {
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMappingKey), ERROR_SUCCESS);
  Draw_Input_Picture(item_.Get());
  EXPECT_FALSE(Box(Picture_Box::Picture2).Visible);
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(dialog_.Shown, 0);
  Map_Engine_Type("11", kRecorderProgId);
}

TEST_F(PicturesTest, ASilentPrintersPictureKeepsTheOptionsOfTheLastGoodRead) {
  Draw_Input_Picture(item_.Get());
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_TRUE(Installed_Option_Records(0, 2, 0).Filled);
  EXPECT_EQ(Installed_Option_Records(0, 2, 0).Option_Count, 2);
  for (LONG code : {-11, -9}) {
    item_->Set_All_Error_Code(code);
    Draw_Input_Picture(item_.Get());
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1].lct, "LU-201") << code;
    EXPECT_EQ(g_calls[1].base, "PC-407") << code;
    g_calls.pop_back();
  }
  EXPECT_EQ(dialog_.Shown, 0);
  item_->Expect_Nothing_Left();
}

// Printer A's option word was read last; printer B's read of it fails: B's
// picture is drawn with no options, not with A's.
TEST_F(PicturesTest, APrinterWhoseOptionReadFailsIsDrawnWithNoOptions) {
  item_->Set("5002.2/0.1/148.1", 206, LONG{0x802});
  Get_Installed_Options(item_.Get(), 0);
  ASSERT_EQ(Engine_Options(0), 0x802);
  ComPtr<Fake_Vector_Item> b = Dead_Item();
  tabs_.Objects[1] = b.Get();
  Selected_List_Kind = 1;
  Selected_Device = 3;
  Engine_Fields(1, 3, 0, 0) = VbLong{11};
  Get_Installed_Options(b.Get(), 0);
  Draw_Output_Picture(b.Get());
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].options, 0);
  EXPECT_EQ(dialog_.Shown, 0);
  item_->Expect_Nothing_Left();
  b->Expect_Nothing_Left();
}

TEST_F(PicturesTest, OptionRowsBeyondTenAreNotReadAndAnEngineWithoutOptionsHasNone) {
  std::vector<std::pair<LONG, const char*>> many(12, {1, "unit"});
  many[11] = {3, "LU-999"};  // row 12: past the table's capacity
  Printer(11, 0x2, "", many);
  Draw_Input_Picture(item_.Get());
  EXPECT_EQ(Installed_Option_Records(0, 2, 0).Option_Count, 10);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].lct, "");
  Printer(11, 0x2, "", {});
  Draw_Input_Picture(item_.Get());
  EXPECT_EQ(Installed_Option_Records(0, 2, 0).Option_Count, 0);
  EXPECT_EQ(dialog_.Shown, 0);
  item_->Expect_Nothing_Left();
}

// The real library of the family, self-registered in the scratch registry.
TEST_F(PicturesTest, ARealEngineLibraryPaintsTheBoxAsACallOfItsOwnWould) {
  void* library = dlopen(VLM_RX11_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto reg = reinterpret_cast<DllRegisterServerFn>(dlsym(library, "DllRegisterServer"));
  ASSERT_NE(reg, nullptr);
  ASSERT_EQ(reg(), S_OK);
  Map_Engine_Type("11", "TQZResource.TQZRX11");
  constexpr LONG kOptions = 0x2 | 0x800 | 0x40000000 | 0x1000000;
  Printer(11, kOptions, "QN-748", {});
  Selected_Tray = 2;
  Selected_Bin = 1;
  QImage& box = Box(Picture_Box::Picture2).Image;
  box = QImage(175, 127, QImage::Format_RGB32);
  Draw_Input_Picture(item_.Get());
  ASSERT_TRUE(Box(Picture_Box::Picture2).Visible);
  EXPECT_EQ(dialog_.Shown, 0);

  QImage direct(175, 127, QImage::Format_RGB32);
  direct.fill(test_support::Fake_Tabs_Window::kBackColour);
  const HDC dc = CreateImageDC(&direct);
  ComPtr<IDispatch> engine = VbCreateObject("TQZResource.TQZRX11");
  VbCallByName(engine.Get(), "DrawEngine", static_cast<LONG>(static_cast<std::uint32_t>(dc)), kOptions,
               LONG{0}, "QN-748", "", "", LONG{2}, LONG{1}, true);
  DeleteDC(dc);
  EXPECT_TRUE(box == direct);
  EXPECT_NE(box.pixel(87, 63), test_support::Fake_Tabs_Window::kBackColour);  // something was painted
  box.scaled(box.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation).save("frmTQZ_Picture2_RX11.png");
}

}  // namespace
}  // namespace vlm::monitor

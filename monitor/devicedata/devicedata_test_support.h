// Test fixture of the device data module: a private language folder, the
// process locale, and the module values back at their start-up state.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor::test_support {

inline void Reset_Module_Values() {
  FreeLanguageLibrary(Language_Dll);
  Language_Dll = nullptr;
  Localised.clear();
  Locale_Id = 0;
  Locale_Hex.clear();
  Language_Name.clear();
  Code_Page_Text.clear();
  Help_File.clear();
  Trimmed_Text.clear();
  Machine_State_Code = 0;
  Paper_Size_Suffix.clear();
  Main_Window = nullptr;
  Message_Box = nullptr;
  Selected_List_Kind = Selected_Device = Selected_Engine = 0;
  Device_List_Fields.Clear();
  Controller_Fields.Clear();
  Engine_Fields.Clear();
  Finisher_Fields.Clear();
  Memory_Table.Clear();
  Firmware_Table.Clear();
  Input_Tray_Table.Clear();
  Output_Tray_Table.Clear();
  Alert_Table.Clear();
  Disk_Table.Clear();
  Job_Table.Clear();
  Engine_Options.Clear();
  Engine_Options_Printer.fill(Printer_Key{});
  Option_Flags.fill(0);
  Forget_All_Drawn();
  Registry_Value.clear();
  Registry_Found.clear();
  OS_Platform_Id = 0;
  Caption_Buffer_Size = 255;
  Caption_Buffer.clear();
  Caption_Length = 0;
  Window_Caption_Text.clear();
  Job_Root_Handle = Job_Root{};
  Comm_Error_On.clear();
  Comm_Error_Text.clear();
  Silent_Read_Code = -11;
  Not_Responding_Phrase.clear();
  Error_Code_Phrase.clear();
  Installed_Text.clear();
  Not_Installed_Text.clear();
  Not_Applicable_Text.clear();
  Discovered_Printers.Clear();
  Selected_Row = 0;
  Last_Error_Number = 0;
  Last_Error_Description.clear();
  Message_Code.clear();
  Program_Title.clear();
}

class DeviceDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vlm_devicedata_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    ::setenv("VLM_LANG_DIR", folder_.c_str(), 1);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    Reset_Module_Values();
  }
  void TearDown() override {
    Reset_Module_Values();
    ::unsetenv("VLM_LANG_DIR");
    ::unsetenv("LC_ALL");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  void Write_Catalogue(const std::string& set, const std::string& content) {
    std::ofstream(folder_ + "/" + set + ".lang", std::ios::binary) << content;
  }
  // Text n is "#n", so every text shows the number it was read by.
  static std::string Echo_Catalogue() {
    std::string content;
    for (int n = 0; n < 1000; ++n) content += std::to_string(n) + "\t#" + std::to_string(n) + "\n";
    return content;
  }
  // Starts the language resources for the locale with this catalogue as its
  // language library.
  void Start_Localised(const std::string& content, const char* locale = "en_US.UTF-8",
                       const std::string& set = "USA0409") {
    ::setenv("LC_ALL", locale, 1);
    Write_Catalogue(set, content);
    Init_Language_Resources();
    ASSERT_EQ(Localised, "On");
    ASSERT_EQ(Language_Name, set);
  }

  std::string folder_;
};

}  // namespace vlm::monitor::test_support

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::DeviceDataTest;

struct Text_Row {
  VbLong code;
  std::string english;
  VbLong resource;
};
struct Default_Text {
  std::string english;
  VbLong resource;
};
struct Decoder_Case {
  const char* name;
  std::string (*decode)(VbLong);
  std::vector<Text_Row> rows;
  std::optional<Default_Text> fallback;  // none: codes without a row give ""
};

const Default_Text kUnknown{"Unknown", 389};

const Decoder_Case kDecoders[] = {
    {"Decode_Device_Type",
     Decode_Device_Type,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "Printer", 312},
      {4, "Copier", 158},
      {5, "Fax", 194},
      {6, "Multifuction", 261}},
     std::nullopt},
    {"Decode_Paper_Size",
     Decode_Paper_Size,
     {{1, "Other", 282},        {2, "Unknown", 389},     {3, "A3R", 120},
      {4, "A4R", 122},          {5, "A4", 121},          {6, "A5R", 124},
      {7, "A5", 123},           {8, "B4R", 131},         {9, "B5R", 132},
      {10, "B5", 408},          {11, "B6R", 133},        {12, "F4R", 193},
      {13, "Inch System Special", 224},                  {14, "11x17R", 115},
      {15, "10x15", 114},       {16, "8.5x14R", 119},    {17, "8.5x11R", 118},
      {18, "8.5x11", 409},      {19, "5.5x8.5R", 117},   {20, "5.5x8.5", 472},
      {21, "Postcard", 473},    {22, "A6R", 474},        {23, "8KR", 475},
      {24, "16K", 476},         {25, "16KR", 477},       {26, "A3WR", 478},
      {27, "A4W", 479},         {28, "A4WR", 480},       {29, "A5W", 481},
      {30, "A5WR", 482},        {31, "B4WR", 483},       {32, "B5W", 484},
      {33, "B5WR", 485},        {34, "8.8x11W", 486},    {35, "8.8x11WR", 487},
      {36, "11x17WR", 488},     {37, "5.5x8.5W", 489},   {38, "5.5x8.5WR", 490},
      {39, "User Defined", 491}},
     std::nullopt},
    {"Decode_Media_Type",
     Decode_Media_Type,
     {{1, "Other", 282},        {2, "Unknown", 389},    {3, "Normal", 271},
      {4, "Thin", 367},         {5, "Thick", 366},      {6, "OHP", 275},
      {7, "Recycled", 318},     {8, "Color", 143},      {9, "Letterhead", 244},
      {10, "Special", 341},     {11, "Labels", 239},    {12, "Invoice", 228},
      {13, "High Quality", 210}, {14, "Tabbed", 464},   {15, "User Defined", 465},
      {16, "Second Original", 466}},
     kUnknown},
    {"Decode_Tray_Status",
     Decode_Tray_Status,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "Available", 130},
      {4, "Empty", 172},
      {5, "Open", 281},
      {6, "Disabled", 162}},
     std::nullopt},
    {"Decode_Feed_Direction",
     Decode_Feed_Direction,
     {{1, "Other", 282}, {2, "Unknown", 389}, {3, "Long-edge", 246}, {4, "Short-edge", 339}},
     std::nullopt},
    {"Decode_Input_Type",
     Decode_Input_Type,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "sheet fed auto removable tray", 338},
      {4, "sheet fed auto non-removabe tray", 337},
      {5, "Manual Feed", 250},
      {6, "continuous roll", 147},
      {7, "continuous fan fold", 145},
      {8, "LCT (1,500)", 237},
      {9, "LCT (1,000)", 236},
      {10, "LCT (3,500)", 238},
      {11, "Universal (500)", 387},
      {12, "Fixed (500)", 203}},
     std::nullopt},
    {"Decode_Output_Type",
     Decode_Output_Type,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "Removable bin", 325},
      {4, "Fixed bin", 204},
      {5, "continuous roll device", 146},
      {6, "mail box", 248},
      {7, "continuous fan fold", 145},
      {8, "Fixed", 403},
      {9, "Offset/Staple", 279}},
     std::nullopt},
    {"Decode_Alert_Severity",
     Decode_Alert_Severity,
     {{1, "Other", 418},
      {2, "Unknown", 389},
      {3, "Error", 419},
      {4, "Warning", 420},
      {5, "Information", 225}},
     std::nullopt},
    {"Show_Printer_Languages",
     Show_Printer_Languages,
     {{1, "PCL", 289},
      {2, "VMPDL", 410},
      {3, "PCL, VMPDL", 424},
      {4, "PS", 292},
      {5, "PCL, PS", 425},
      {6, "VMPDL, PS", 426}},
     std::nullopt},
    {"Decode_Protocol",
     Decode_Protocol,
     {{1, "TCP/IP", 361}, {0, "IPX (Netware)", 218}},
     Default_Text{"Other", 282}},
    {"Decode_Device_Status",
     Decode_Device_Status,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "Ready", 317},
      {4, "Not Ready", 274},
      {5, "Working", 396},
      {6, "Busy", 135},
      {7, "Off Line", 277},
      {8, "Initializing", 226},
      {9, "Warning", 394},
      {10, "Error", 191}},
     kUnknown},
    {"Decode_Memory_Type",
     Decode_Memory_Type,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "Ram", 315},
      {4, "Rom", 328},
      {5, "NVRam", 264},
      {6, "ERDH", 171}},
     kUnknown},
    {"Decode_Firmware_Component",
     Decode_Firmware_Component,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {5, "Engine", 190},
      {6, "Finisher", 201},
      {7, "Image Rom", 440},
      {8, "Panel Rom", 441},
      {9, "Optics Rom", 451},
      {10, "ADF Rom", 452},
      {11, "DB Rom", 453},
      {12, "Fax Rom", 454},
      {13, "CIC", 136},
      {14, "EIC", 170}},
     kUnknown},
    {"Decode_Machine_State",
     Decode_Machine_State,
     {{1, "Maintenance Required", 421},
      {2, "Unknown", 389},
      {3, "Ready", 317},
      {4, "Not Ready", 274},
      {5, "Printing", 396},
      {6, "Copying", 135},
      {7, "Scanning", 277},
      {8, "Interrupt Copy", 226},
      {9, "Receiving Job", 394},
      {10, "Waiting for Engine", 191},
      {11, "Warming Up", 415},
      {12, "Waiting for Restart", 416},
      {13, "In Menu", 417}},
     kUnknown},
    {"Decode_Yes_No", Decode_Yes_No, {{3, "YES", 397}}, Default_Text{"No", 269}},
    {"Decode_Yes_No_2", Decode_Yes_No_2, {{3, "YES", 397}}, Default_Text{"NO", 269}},
    {"Decode_Yes_No_3", Decode_Yes_No_3, {{3, "YES", 397}}, Default_Text{"NO", 269}},
    {"Decode_Yes_No_4", Decode_Yes_No_4, {{3, "YES", 397}}, Default_Text{"NO", 269}},
    {"Decode_Present",
     Decode_Present,
     {{1, "Other", 282},
      {2, "Unknown", 389},
      {3, "Yes", 397},
      {4, "No", 269},
      {5, "Not Present", 273}},
     kUnknown},
};

// Codes around and beyond every table; those that are a row's code are
// skipped. 256 + 3 and 65536 + 3 catch a code cut to 8 or 16 bits.
const VbLong kProbeCodes[] = {INT_MIN, -65536 + 3, -32769, -32768, -1, 0,  1,  2,      3,
                              4,       5,          6,      7,      8,  9,  10, 11,     12,
                              13,      14,         15,     16,     17, 39, 40, 256 + 3, 1000,
                              32767,   32768,      65536 + 3,      INT_MAX};

void PrintTo(const Decoder_Case& decoder, std::ostream* out) { *out << decoder.name; }

class DecoderTest : public DeviceDataTest, public ::testing::WithParamInterface<Decoder_Case> {};

// Every row in English, every row by its own string number, and every code
// without a row, in both.
TEST_P(DecoderTest, TableInEnglishAndByStringNumber) {
  const Decoder_Case& decoder = GetParam();
  for (const Text_Row& row : decoder.rows)
    EXPECT_EQ(decoder.decode(row.code), row.english) << row.code;

  const auto has_row = [&](VbLong code) {
    return std::any_of(decoder.rows.begin(), decoder.rows.end(),
                       [code](const Text_Row& row) { return row.code == code; });
  };
  for (VbLong code : kProbeCodes) {
    if (has_row(code)) continue;
    EXPECT_EQ(decoder.decode(code), decoder.fallback ? decoder.fallback->english : "") << code;
  }

  Start_Localised(Echo_Catalogue());
  for (const Text_Row& row : decoder.rows)
    EXPECT_EQ(decoder.decode(row.code), "#" + std::to_string(row.resource)) << row.code;
  for (VbLong code : kProbeCodes) {
    if (has_row(code)) continue;
    const std::string expected =
        decoder.fallback ? "#" + std::to_string(decoder.fallback->resource) : "";
    EXPECT_EQ(decoder.decode(code), expected) << code;
  }
}

INSTANTIATE_TEST_SUITE_P(Decoders, DecoderTest, ::testing::ValuesIn(kDecoders),
                         [](const ::testing::TestParamInfo<Decoder_Case>& info) {
                           return std::string(info.param.name);
                         });

using DecoderEdgeTest = DeviceDataTest;

TEST_F(DecoderEdgeTest, PaperSizeSuffixAndTrimming) {
  Paper_Size_Suffix = "W";
  EXPECT_EQ(Decode_Paper_Size(5), "A4W");
  EXPECT_EQ(Decode_Paper_Size(40), "W");
  Paper_Size_Suffix = "";
  EXPECT_EQ(Decode_Paper_Size(40), "");
  EXPECT_EQ(Decode_Paper_Size(13), "Inch System Special");

  // A localised text is cut at a NUL and trimmed of spaces before the suffix.
  Start_Localised(std::string("121\t  A4 \0rest\n224\t Inch  System \n", 34));
  Paper_Size_Suffix = "W";
  EXPECT_EQ(Decode_Paper_Size(5), "A4W");
  EXPECT_EQ(Trimmed_Text, "  A4 ");
  EXPECT_EQ(Decode_Paper_Size(13), "Inch  SystemW");
  EXPECT_EQ(Decode_Paper_Size(3), "W");  // number 120 missing from the library
}

TEST_F(DecoderEdgeTest, TrayStatusIsTrimmed) {
  Start_Localised("130\t  Available  \n172\tEmpty\\t\n281\t   \n");
  EXPECT_EQ(Decode_Tray_Status(3), "Available");
  EXPECT_EQ(Decode_Tray_Status(4), "Empty\t");  // only spaces are trimmed
  EXPECT_EQ(Decode_Tray_Status(5), "");
}

TEST_F(DecoderEdgeTest, PrinterLanguagesWriteBothLabelsInOrder) {
  test_support::Fake_Main_Window labels;
  Main_Window = &labels;

  EXPECT_EQ(Show_Printer_Languages(5), "PCL, PS");
  EXPECT_EQ(Show_Printer_Languages(7), "");
  EXPECT_EQ(labels.Log, (std::vector<std::string>{"lblIPPDL.Caption=PCL, PS",
                                                    "lblIPLanguages.Caption=PCL, PS", "lblIPPDL.Caption=",
                                                    "lblIPLanguages.Caption="}));

  labels.Log.clear();
  Start_Localised(Echo_Catalogue());
  Main_Window = &labels;
  EXPECT_EQ(Show_Printer_Languages(6), "#426");
  EXPECT_EQ(labels.Log,
            (std::vector<std::string>{"lblIPPDL.Caption=#426", "lblIPLanguages.Caption=#426"}));
}

TEST_F(DecoderEdgeTest, MachineStateKeepsItsCodeAndNeverOverflows) {
  const struct {
    VbLong code;
    const char* text;
    VbInteger kept;
  } rows[] = {
      {11, "Warming Up", 11},      {1, "Maintenance Required", 1}, {0, "Unknown", 0},
      {-1, "Unknown", -1},         {14, "Unknown", 14},            {32767, "Unknown", 32767},
      {-32768, "Unknown", -32768}, {32768, "Unknown", 0},          {65536 + 11, "Unknown", 0},
      {-32769, "Unknown", 0},      {INT_MAX, "Unknown", 0},        {INT_MIN, "Unknown", 0},
  };
  for (const auto& row : rows) {
    Machine_State_Code = 99;
    EXPECT_EQ(Decode_Machine_State(row.code), row.text) << row.code;
    EXPECT_EQ(Machine_State_Code, row.kept) << row.code;
  }
  Start_Localised(Echo_Catalogue());
  EXPECT_EQ(Decode_Machine_State(65536 + 11), "#389");
  EXPECT_EQ(Machine_State_Code, 0);
  EXPECT_EQ(Decode_Machine_State(11), "#415");
  EXPECT_EQ(Machine_State_Code, 11);
}

TEST_F(DecoderEdgeTest, LocalisedTextsLongerThanABufferAreCut) {
  Start_Localised("396\t" + std::string(400, 'p') + "\n");
  EXPECT_EQ(Decode_Device_Status(5), std::string(254, 'p'));
  EXPECT_EQ(Decode_Machine_State(5), std::string(254, 'p'));  // the same number
  EXPECT_EQ(Decode_Device_Status(6), "");  // a number the library lacks
}

}  // namespace
}  // namespace vlm::monitor

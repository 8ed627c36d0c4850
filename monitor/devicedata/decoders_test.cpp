#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::DeviceDataTest;

// What a decoder gives for a code: its English text, and the string number
// it reads when localised. The empty text has no number.
struct Text {
  const char* english;
  int resource;
};
constexpr Text kEmpty{"", 0};
constexpr Text kUnknown{"Unknown", 389};
constexpr Text kOther{"Other", 282};
constexpr Text kYes{"YES", 397};
constexpr Text kNoUpperCase{"NO", 269};

// Each decoder at the first and the last row of its table, at a few rows
// between, and at the codes just outside it; `far` is what it gives for
// codes far from every table.
struct Decoder_Case {
  const char* name;
  std::string (*decode)(VbLong);
  std::vector<std::pair<VbLong, Text>> codes;
  Text far;
};

const Decoder_Case kDecoders[] = {
    {"Decode_Device_Type",
     Decode_Device_Type,
     {{0, kEmpty}, {1, kOther}, {3, {"Printer", 312}}, {4, {"Copier", 158}},
      {6, {"Multifuction", 261}}, {7, kEmpty}},
     kEmpty},
    {"Decode_Paper_Size",
     Decode_Paper_Size,
     {{0, kEmpty}, {1, kOther}, {2, kUnknown}, {13, {"Inch System Special", 224}},
      {14, {"11x17R", 115}}, {20, {"5.5x8.5", 472}}, {21, {"Postcard", 473}},
      {34, {"8.8x11W", 486}}, {39, {"User Defined", 491}}, {40, kEmpty}},
     kEmpty},
    {"Decode_Media_Type",
     Decode_Media_Type,
     {{0, kUnknown}, {1, kOther}, {8, {"Color", 143}}, {13, {"High Quality", 210}},
      {16, {"Second Original", 466}}, {17, kUnknown}},
     kUnknown},
    {"Decode_Tray_Status",
     Decode_Tray_Status,
     {{0, kEmpty}, {1, kOther}, {3, {"Available", 130}}, {6, {"Disabled", 162}}, {7, kEmpty}},
     kEmpty},
    {"Decode_Feed_Direction",
     Decode_Feed_Direction,
     {{0, kEmpty}, {1, kOther}, {3, {"Long-edge", 246}}, {4, {"Short-edge", 339}}, {5, kEmpty}},
     kEmpty},
    {"Decode_Input_Type",
     Decode_Input_Type,
     {{0, kEmpty}, {1, kOther}, {4, {"sheet fed auto non-removabe tray", 337}},
      {8, {"LCT (1,500)", 237}}, {12, {"Fixed (500)", 203}}, {13, kEmpty}},
     kEmpty},
    {"Decode_Output_Type",
     Decode_Output_Type,
     {{0, kEmpty}, {1, kOther}, {5, {"continuous roll device", 146}},
      {7, {"continuous fan fold", 145}}, {9, {"Offset/Staple", 279}}, {10, kEmpty}},
     kEmpty},
    {"Decode_Alert_Severity",  // its "Other" has a number of its own
     Decode_Alert_Severity,
     {{0, kEmpty}, {1, {"Other", 418}}, {2, kUnknown}, {3, {"Error", 419}},
      {5, {"Information", 225}}, {6, kEmpty}},
     kEmpty},
    {"Show_Printer_Languages",
     Show_Printer_Languages,
     {{0, kEmpty}, {1, {"PCL", 289}}, {3, {"PCL, VMPDL", 424}}, {4, {"PS", 292}},
      {6, {"VMPDL, PS", 426}}, {7, kEmpty}},
     kEmpty},
    {"Decode_Protocol",  // 0 is a row here
     Decode_Protocol,
     {{-1, kOther}, {0, {"IPX (Netware)", 218}}, {1, {"TCP/IP", 361}}, {2, kOther}},
     kOther},
    {"Decode_Device_Status",
     Decode_Device_Status,
     {{0, kUnknown}, {1, kOther}, {5, {"Working", 396}}, {9, {"Warning", 394}},
      {10, {"Error", 191}}, {11, kUnknown}},
     kUnknown},
    {"Decode_Memory_Type",
     Decode_Memory_Type,
     {{0, kUnknown}, {1, kOther}, {3, {"Ram", 315}}, {5, {"NVRam", 264}}, {6, {"ERDH", 171}},
      {7, kUnknown}},
     kUnknown},
    {"Decode_Firmware_Component",  // 3 and 4 have no row
     Decode_Firmware_Component,
     {{0, kUnknown}, {1, kOther}, {2, kUnknown}, {3, kUnknown}, {4, kUnknown},
      {5, {"Engine", 190}}, {10, {"ADF Rom", 452}}, {14, {"EIC", 170}}, {15, kUnknown}},
     kUnknown},
    {"Decode_Machine_State",  // 5 to 10 read the device status's numbers
     Decode_Machine_State,
     {{0, kUnknown}, {1, {"Maintenance Required", 421}}, {5, {"Printing", 396}},
      {10, {"Waiting for Engine", 191}}, {11, {"Warming Up", 415}}, {13, {"In Menu", 417}},
      {14, kUnknown}},
     kUnknown},
    {"Decode_Yes_No",
     Decode_Yes_No,
     {{0, {"No", 269}}, {2, {"No", 269}}, {3, kYes}, {4, {"No", 269}}},
     {"No", 269}},
    {"Decode_Yes_No_2", Decode_Yes_No_2, {{2, kNoUpperCase}, {3, kYes}, {4, kNoUpperCase}}, kNoUpperCase},
    {"Decode_Yes_No_3", Decode_Yes_No_3, {{2, kNoUpperCase}, {3, kYes}, {4, kNoUpperCase}}, kNoUpperCase},
    {"Decode_Yes_No_4", Decode_Yes_No_4, {{2, kNoUpperCase}, {3, kYes}, {4, kNoUpperCase}}, kNoUpperCase},
    {"Decode_Present",
     Decode_Present,
     {{0, kUnknown}, {1, kOther}, {3, {"Yes", 397}}, {4, {"No", 269}}, {5, {"Not Present", 273}},
      {6, kUnknown}},
     kUnknown},
};

// Codes beyond every table: past the longest, negative, and the extremes.
// 256 + n and 65536 + n catch a code cut to 8 or 16 bits into a row's code.
const VbLong kFarCodes[] = {INT_MIN, -65536 + 1, -65536 + 3, -32768, -1, 40, 256 + 1, 256 + 3,
                            32767,   32768,      65536 + 1,  65536 + 3, INT_MAX};

std::string Expected(const Text& text, bool localised) {
  if (!localised || text.resource == 0) return text.english;
  return "#" + std::to_string(text.resource);
}

void PrintTo(const Decoder_Case& decoder, std::ostream* out) { *out << decoder.name; }

class DecoderTest : public DeviceDataTest, public ::testing::WithParamInterface<Decoder_Case> {};

// In English, and localised with a library whose text n is "#n", so that a
// wrong string number shows.
TEST_P(DecoderTest, RowsAndCodesOutsideTheTable) {
  const Decoder_Case& decoder = GetParam();
  for (const bool localised : {false, true}) {
    SCOPED_TRACE(localised ? "localised" : "English");
    if (localised) Start_Localised(Echo_Catalogue());
    for (const auto& [code, text] : decoder.codes)
      EXPECT_EQ(decoder.decode(code), Expected(text, localised)) << code;
    for (const VbLong code : kFarCodes)
      EXPECT_EQ(decoder.decode(code), Expected(decoder.far, localised)) << code;
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

// The rule lists of the seven families, through a recording sink: which
// bitmap is painted where, in which order, for the options, texts, trays and
// bins given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enginepics/common/families.h"
#include "enginepics/tests/recorder.h"

namespace vlm::enginepics {
namespace {

using testing::Record;
using namespace option;

struct Call {
  DWORD options = 0;
  std::string finisher;
  std::string lct;
  LONG tray = 0;
  LONG bin = 0;
  bool show = true;
};

EngineArgs ArgsOf(const Call& c) {
  EngineArgs a;
  a.Options = static_cast<LONG>(c.options);
  a.FinisherType = c.finisher;
  a.LCTType = c.lct;
  a.SelectTray = c.tray;
  a.SelectBin = c.bin;
  a.ShowSelection = c.show;
  return a;
}

struct Case {
  const char* what;
  const Family* family;
  Call call;
  std::vector<Layer> layers;  // in painting order
};

Layer F(WORD id) { return {id, 0, 0}; }

const Case kCases[] = {
    // The frame.
    {"no top unit without bit 0x2", &rx11::kFamily, {0, "", "", 0, 0}, {F(1000), F(1010), F(1040)}},
    {"layers in their fixed order", &rx16::kFamily,
     {kTopUnit | kFinisher | kLargeCapacityTray | kBaseFourthSource | kBaseFifthSource, "QN-759", "", 5, 2},
     {F(1000), F(1002), F(1015), F(1042), F(1025), F(1024), F(1036)}},
    {"no marks when ShowSelection is false", &rx11::kFamily, {kTopUnit, "", "", 2, 1, false},
     {F(1000), F(1002), F(1010), F(1040)}},
    {"bin 7 without a finisher marks the exit tray", &rx12::kFamily, {0, "", "", 0, 7},
     {F(1000), F(1010), F(1040), F(1030)}},
    {"bin 7 without a finisher, positioned", &rx13::kFamily, {0, "", "", 0, 7},
     {{1000, 83, 31}, {1010, 51, 53}, {2001, 55, 40}}},
    {"a negative bin is a non-zero bin", &rx14::kFamily, {0, "", "", 0, -1},
     {{1000, 83, 31}, {1010, 51, 63}, {2001, 51, 50}}},

    // Full-frame families.
    {"RX11: finisher without a variant bit keeps the plain exit", &rx11::kFamily,
     {kFinisher, "QN-748", "", 0, 0}, {F(1000), F(1010), F(1040)}},
    {"RX11: highest variant bit wins", &rx11::kFamily,
     {kFinisher | kFinisherVariant1 | kFinisherVariant3, "", "", 0, 0}, {F(1000), F(1013), F(1040)}},
    {"RX11: tray 4 with the fourth source only: tall mark", &rx11::kFamily,
     {kBaseFourthSource, "", "", 4, 0}, {F(1000), F(1010), F(1041), F(1051)}},
    {"RX11: tray 4 with fourth and fifth: single mark", &rx11::kFamily,
     {kBaseFourthSource | kBaseFifthSource, "", "", 4, 0}, {F(1000), F(1010), F(1042), F(1023)}},
    {"RX11: tray 4 without the base sources: none", &rx11::kFamily, {kBaseFifthSource, "", "", 4, 0},
     {F(1000), F(1010), F(1042)}},
    {"RX11: QN-748 bin 2 without variants 3 and 4", &rx11::kFamily, {kFinisher, "QN-748", "", 0, 2},
     {F(1000), F(1010), F(1040), F(1034)}},
    {"RX11: QN-748 bin 3 with variant 4", &rx11::kFamily,
     {kFinisher | kFinisherVariant4, "QN-748", "", 0, 3}, {F(1000), F(1014), F(1040), F(1033)}},
    {"RX11: MW-316 bin 2", &rx11::kFamily, {kFinisher | kFinisherVariant1, "MW-316", "", 0, 2},
     {F(1000), F(1011), F(1040), F(1071)}},
    {"RX11: unlisted finisher text marks no bin", &rx11::kFamily, {kFinisher, "QN-748 ", "", 0, 1},
     {F(1000), F(1010), F(1040)}},
    {"RX11: the finisher text is compared whole", &rx11::kFamily, {kFinisher, "QN-748+PK", "", 0, 1},
     {F(1000), F(1010), F(1040)}},
    {"RX12: tray 3 without bit 0x800000: none", &rx12::kFamily, {kBaseFourthSource, "", "", 3, 0},
     {F(1000), F(1010), F(1042)}},
    {"RX12: tray 3 with bit 0x800000 alone: tall mark", &rx12::kFamily, {kBaseThirdSource, "", "", 3, 0},
     {F(1000), F(1010), F(1041), F(1051)}},
    {"RX12: tray 3 with 0x800000 and 0x1000000", &rx12::kFamily,
     {kBaseThirdSource | kBaseFourthSource, "", "", 3, 0}, {F(1000), F(1010), F(1042), F(1022)}},
    {"RX12: tray 4 with 0x1000000 alone: tall mark", &rx12::kFamily, {kBaseFourthSource, "", "", 4, 0},
     {F(1000), F(1010), F(1042), F(1052)}},
    {"RX12: tray 6 with bit 0x4000000", &rx12::kFamily, {kSixthSource, "", "", 6, 0},
     {F(1000), F(1010), F(1040), F(1025)}},
    {"RX12: finisher reads no text, bin 3", &rx12::kFamily, {kFinisher | kBaseFifthSource, "xyz", "", 0, 3},
     {F(1000), F(1013), F(1043), F(1033)}},
    {"RX12: finisher bin 4 is not listed", &rx12::kFamily, {kFinisher, "", "", 0, 4},
     {F(1000), F(1013), F(1040)}},
    {"RX16: unlisted finisher draws no exit at all", &rx16::kFamily, {kFinisher, "QN-748", "", 0, 1},
     {F(1000), F(1040)}},
    {"RX16: LCT without bit 0x4000000: tray 6 unmarked", &rx16::kFamily,
     {kLargeCapacityTray, "", "", 6, 0}, {F(1000), F(1010), F(1040), F(1025)}},
    {"RX16: tray 6 with bit 0x4000000", &rx16::kFamily, {kSixthSource, "", "", 6, 0},
     {F(1000), F(1010), F(1040), F(1052)}},
    {"RX16: QN-758 uses the variant exits and four-bin marks", &rx16::kFamily,
     {kFinisher | kFinisherVariant3, "QN-758", "", 0, 2}, {F(1000), F(1013), F(1040), F(1032)}},
    {"RX16: MW-316 exit and bin 1", &rx16::kFamily, {kFinisher, "MW-316", "", 0, 1},
     {F(1000), F(1011), F(1040), F(1070)}},
    {"RX16: QN-759 bin 3 is not listed", &rx16::kFamily, {kFinisher, "QN-759", "", 0, 3},
     {F(1000), F(1015), F(1040)}},

    // Positioned families.
    {"RX13: QN-746 picture and its bins", &rx13::kFamily, {kFinisher, "QN-746", "", 0, 2},
     {{1000, 83, 31}, {1012, 10, 29}, {2001, 25, 28}}},
    {"RX13: listed finisher bin 1", &rx13::kFamily, {kFinisher | kTopUnit, "QN-741W", "", 1, 1},
     {{1000, 83, 31}, {1002, 68, 21}, {1011, 27, 37}, {1020, 147, 36}, {2001, 44, 20}}},
    {"RX13: text cut at + is not done", &rx13::kFamily, {kFinisher, "QN-746+PK", "", 0, 1},
     {{1000, 83, 31}, {1010, 51, 53}, {2001, 55, 40}}},
    {"RX13: tray 6 only with the LCT", &rx13::kFamily, {0, "", "", 6, 0}, {{1000, 83, 31}, {1010, 51, 53}}},
    {"RX13: tray 6 with the LCT", &rx13::kFamily, {kLargeCapacityTray, "", "", 6, 0},
     {{1000, 83, 31}, {1010, 51, 53}, {1051, 147, 62}, {1025, 147, 62}}},
    {"RX14: QN-752W followed by + is QN-752W", &rx14::kFamily,
     {kFinisher | kFinisherOffsetUnit | kFinisherSubUnit, "QN-752W+PK-5", "", 0, 3},
     {{1000, 83, 31}, {1060, 74, 36}, {1012, 1, 22}, {1062, 11, 78}, {2002, 33, 106}}},
    {"RX14: bin 4 takes the place of bin 3 with the down arrow", &rx14::kFamily,
     {kFinisher, "QN-752W", "", 0, 4}, {{1000, 83, 31}, {1012, 10, 22}, {2001, 42, 106}}},
    {"RX14: QN-746 has no offset", &rx14::kFamily,
     {kFinisher | kFinisherOffsetUnit | kFinisherSubUnit, "QN-746", "", 0, 1},
     {{1000, 83, 31}, {1011, 10, 29}, {2001, 40, 17}}},
    {"RX14: offset unit needs the finisher bit", &rx14::kFamily,
     {kFinisherOffsetUnit | kFinisherSubUnit, "QN-752W", "", 0, 1},
     {{1000, 83, 31}, {1010, 51, 63}, {2001, 51, 50}}},
    {"RX15: QN-752 with offset, bin 1 (finisher clipped at the left edge)", &rx15::kFamily,
     {kFinisher | kFinisherOffsetUnit, "QN-752", "", 0, 1},
     {{1000, 75, 41}, {1060, 62, 44}, {1011, -8, 32}, {2001, 31, 20}}},
    {"RX15: QN-752+ text is QN-752", &rx15::kFamily, {kFinisher, "QN-752+XY", "", 0, 2},
     {{1000, 75, 41}, {1011, 2, 32}, {2001, 12, 33}}},
    {"RX15: a text that begins with + is empty", &rx15::kFamily, {kFinisher, "+QN-752", "", 0, 2},
     {{1000, 75, 41}, {1010, 61, 63}, {2001, 60, 53}}},
    {"RX15: sub-unit only with list B", &rx15::kFamily, {kFinisher | kFinisherSubUnit, "QN-757", "", 0, 0},
     {{1000, 75, 41}, {1011, 2, 32}}},
    {"RX15: QN-867 with sub-unit and offset", &rx15::kFamily,
     {kFinisher | kFinisherSubUnit | kFinisherOffsetUnit, "QN-867", "", 0, 4},
     {{1000, 75, 41}, {1060, 62, 44}, {1012, -8, 32}, {1062, 2, 81}, {2001, 21, 27}}},
    {"RX15: wide LCT VR-682 and its wide mark", &rx15::kFamily, {kLargeCapacityTray, "", "VR-682", 5, 0},
     {{1000, 75, 41}, {1010, 61, 63}, {1052, 144, 68}, {1025, 144, 68}}},
    {"RX15: narrow LCT for any other text", &rx15::kFamily, {kLargeCapacityTray, "", "VR-672", 5, 0},
     {{1000, 75, 41}, {1010, 61, 63}, {1051, 144, 68}, {1024, 144, 68}}},
    {"RX15: tray 5 without the LCT bit", &rx15::kFamily, {0, "", "VR-681", 5, 0},
     {{1000, 75, 41}, {1010, 61, 63}}},
    {"RX17: bits 0x2000000 and 0x80: normal body", &rx17::kFamily,
     {kBaseFifthSource | kLargeCapacityTray, "", "VR-682", 5, 0},
     {{1000, 75, 41}, {1010, 61, 63}, {1052, 143, 68}, {1025, 143, 68}}},
    {"RX17: bit 0x2000000 alone: alternative body, tray 5 in it", &rx17::kFamily,
     {kBaseFifthSource, "", "", 5, 0}, {{1003, 75, 41}, {1010, 61, 63}, {1022, 75, 108}}},
    {"RX17: bit 0x4000000: alternative body, tray 4", &rx17::kFamily,
     {kSixthSource | kLargeCapacityTray, "", "", 4, 0}, {{1003, 75, 41}, {1010, 61, 63}, {1022, 75, 99}}},
    {"RX17: normal body tray 4", &rx17::kFamily, {0, "", "", 4, 0},
     {{1000, 75, 41}, {1010, 61, 63}, {1023, 75, 99}}},
    {"RX17: VR-672 without the LCT bit: no tray, tray 6 still marked", &rx17::kFamily,
     {0, "", "VR-672", 6, 0}, {{1000, 75, 41}, {1010, 61, 63}, {1024, 143, 68}}},
    {"RX17: unknown LCT text: no tray picture", &rx17::kFamily, {kLargeCapacityTray, "", "VR-681", 6, 0},
     {{1000, 75, 41}, {1010, 61, 63}}},
    {"RX17: unit 1060, QN-755 with sub-unit, bin 3", &rx17::kFamily,
     {kUnit1060 | kFinisher | kFinisherSubUnit | kFinisherOffsetUnit, "QN-755+Z", "", 0, 3},
     {{1000, 75, 41}, {1060, 62, 44}, {1011, 4, 26}, {1062, 14, 81}, {2002, 33, 106}}},
    {"RX17: QN-865 bin 5 is not listed", &rx17::kFamily, {kFinisher, "QN-865", "", 0, 5},
     {{1000, 75, 41}, {1012, 4, 26}}},
    {"positioned: unlisted finisher keeps the exit tray and its arrow", &rx17::kFamily,
     {kFinisher, "QN-999", "", 0, 2}, {{1000, 75, 41}, {1010, 61, 63}, {2001, 60, 53}}},
    {"positioned: finisher text without the finisher bit", &rx13::kFamily, {0, "QN-746", "", 0, 1},
     {{1000, 83, 31}, {1010, 51, 53}, {2001, 55, 40}}},
};

TEST(RuleLists, EdgeCases) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Record(*c.family, ArgsOf(c.call)), c.layers) << c.family->name << ": " << c.what;
  }
}

// The tray marks for the numbers 0..7 (and -1) with every tray source fitted.
TEST(RuleLists, TrayNumbers) {
  struct Trays {
    const Family* family;
    DWORD options;
    const char* lct;
    std::vector<WORD> marks;  // for trays -1, 0, 1, ..., 7; 0 = none
  };
  const DWORD all = kLargeCapacityTray | kBaseThirdSource | kBaseFourthSource | kBaseFifthSource | kSixthSource;
  const Trays tables[] = {
      {&rx11::kFamily, all, "", {0, 0, 1020, 1021, 1022, 1023, 1024, 0, 0}},
      {&rx12::kFamily, all, "", {0, 0, 1020, 1021, 1022, 1023, 1024, 1025, 0}},
      {&rx16::kFamily, all, "", {0, 0, 1020, 1021, 1022, 1023, 1024, 1052, 0}},
      {&rx13::kFamily, all, "", {0, 0, 1020, 1021, 1022, 1023, 1024, 1025, 0}},
      {&rx14::kFamily, all, "", {0, 0, 1020, 1021, 1022, 1023, 1024, 1025, 0}},
      {&rx15::kFamily, all, "", {0, 0, 1020, 1021, 1022, 1023, 1024, 0, 0}},
      {&rx17::kFamily, kLargeCapacityTray, "VR-682", {0, 0, 1020, 1021, 1022, 1023, 1025, 1025, 0}},
  };
  for (const Trays& t : tables) {
    for (LONG tray = -1; tray <= 7; ++tray) {
      Call call{t.options, "", t.lct, tray, 0};
      const Plan plan = t.family->plan(ArgsOf(call));
      const WORD got = plan.trayMark ? plan.trayMark->id : 0;
      EXPECT_EQ(got, t.marks[static_cast<std::size_t>(tray + 1)]) << t.family->name << " tray " << tray;
    }
  }
}

// The marks depend on ShowSelection only: without it the picture is the one
// with no tray and no bin, whatever numbers are passed; two calls in a row
// each give the picture of their own arguments.
TEST(RuleLists, SelectionOnlyAddsTheMarksAndCallsAreIndependent) {
  const Family* families[] = {&rx11::kFamily, &rx12::kFamily, &rx13::kFamily, &rx14::kFamily,
                              &rx15::kFamily, &rx16::kFamily, &rx17::kFamily};
  const Call first{kTopUnit | kFinisher | kLargeCapacityTray | kBaseFifthSource, "QN-752W", "VR-682", 3, 2};
  const Call second{kFinisherVariant4 | kBaseFourthSource, "QN-748", "", 2, 1};
  for (const Family* f : families) {
    for (const Call& c : {first, second}) {
      Call hidden = c;
      hidden.show = false;
      Call none = c;
      none.tray = 0;
      none.bin = 0;
      EXPECT_EQ(Record(*f, ArgsOf(hidden)), Record(*f, ArgsOf(none))) << f->name;
    }
    const auto alone = Record(*f, ArgsOf(second));
    Record(*f, ArgsOf(first));
    EXPECT_EQ(Record(*f, ArgsOf(second)), alone) << f->name;
  }
}

}  // namespace
}  // namespace vlm::enginepics

// The "&Add" button's range check: every message, its layout, and the cases
// where the check is stricter than plain conversion (trailing text, blanks,
// signs, leading zeros, numeric order, canonical duplicates).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/devicedata/devicedata_test_support.h"
#include "monitor/optionsstore/optionsstore.h"

namespace vlm::monitor {
namespace {

using Outcome = Range_Entry_Outcome;

const std::string kMissing = "The Following Information is Missing\r\n\r\n";
const std::string kIncorrect = "The Following Information is Incorrect:\r\n\r\n";
const std::string kGreater = "The Starting Range Can Not be Greater then Ending Range";

std::string Lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + "\r\n";
  return s;
}

struct Range_Case {
  const char* text1;
  const char* text2;
  std::vector<std::string> list;
  Outcome outcome;
  std::string message;  // empty: none shown
  std::string item;     // the item added
};

void PrintTo(const Range_Case& c, std::ostream* os) {
  *os << '"' << c.text1 << "\" / \"" << c.text2 << '"';
  for (const std::string& item : c.list) *os << " [" << item << ']';
}

const Range_Case kRangeCases[] = {
    // The boxes.
    {"", "", {}, Outcome::Focus_Only, "", ""},
    {"127.0.0.5", "", {}, Outcome::Added, "", "127.0.0.5:127.0.0.5"},
    {"", "127.0.0.5", {}, Outcome::Refused, kMissing + std::string(15, ' ') + "Starting Range", ""},
    {"127.0.0.1", "127.0.0.254", {}, Outcome::Added, "", "127.0.0.1:127.0.0.254"},
    {"127.0.0.254", "127.0.0.254", {}, Outcome::Added, "", "127.0.0.254:127.0.0.254"},
    {" 127.0.0.1 ", " 127.0.0.9", {}, Outcome::Added, "", "127.0.0.1:127.0.0.9"},
    // Splitting the start: the "Missing" heading stays, the end's check
    // follows after an empty line.
    {"abc", "127.0.0.254", {}, Outcome::Refused, kMissing + Lines({"Startng Range - Segments are Missing", ""}), ""},
    {"127", "127.0.0.254", {}, Outcome::Refused, kMissing + Lines({"Startng Range - Segments are Missing", ""}), ""},
    {"127.0", "127.0.0.254", {}, Outcome::Refused, kMissing + Lines({"Starting Range - Segments are Missing", ""}), ""},
    {"127.0.0", "127.0.0.254", {}, Outcome::Refused, kMissing + Lines({"Starting Range - Segments are Missing", ""}),
     ""},
    {"127.0.0.1.5", "127.0.0.254", {}, Outcome::Refused,
     kMissing + Lines({"Starting Range - Too Many Segments Entered", ""}), ""},
    {"127.0.0..1", "127.0.0.254", {}, Outcome::Refused,
     kMissing + Lines({"Starting Range - Too Many Segments Entered", ""}), ""},
    {"127.0.0.1.", "127.0.0.254", {}, Outcome::Refused,
     kMissing + Lines({"Starting Range - Too Many Segments Entered", ""}), ""},
    {"127.0.0", "127.0.0.300", {}, Outcome::Refused,
     kMissing + Lines({"Starting Range - Segments are Missing", "", "Ending Range - Segment Four Out of Range"}), ""},
    // Splitting the end: its line comes directly under the start's lines.
    {"abc", "1.2", {}, Outcome::Refused,
     kMissing + Lines({"Startng Range - Segments are Missing", "Ending Range - Segments are Missing"}), ""},
    {"127.0.0.1", "127", {}, Outcome::Refused, kIncorrect + Lines({"Ending Range - Segments are Missing"}), ""},
    {"127.0.0.0", "127.0", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Can Not be Zero", "Ending Range - Segments are Missing"}), ""},
    {"127.0.0.1", "127.0.0.2.3", {}, Outcome::Refused, kIncorrect + Lines({"Ending Range - Too Many Segments Entered"}),
     ""},
    // Every segment line of the start (the end is good).
    {"127.0.0.255", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Out of Range", ""}), ""},
    {"127.0.0.0", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Can Not be Zero", ""}), ""},
    {"127.0.0.-1", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Out of Range", ""}), ""},
    {"127.x.0.1", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Two Not Numeric", ""}), ""},
    {"127.0.0.", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Not Numeric", ""}), ""},
    {"a.b.c.d", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment One Not Numeric", "Starting Range - Segment Two Not Numeric",
                         "Starting Range - Segment Three Not Numeric", "Starting Range - Segment Four Not Numeric",
                         ""}),
     ""},
    {"0.255.255.0", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment One Can Not be Zero", "Starting Range - Segment Two Out of Range",
                         "Starting Range - Segment Three Out of Range",
                         "Starting Range - Segment Four Can Not be Zero", ""}),
     ""},
    {"255.0.0.255", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment One Out of Range", "Starting Range - Segment Four Out of Range", ""}),
     ""},
    // Every segment line of the end (the start is good).
    {"127.0.0.1", "a.b.c.d", {}, Outcome::Refused,
     kIncorrect + Lines({"", "Ending Range - Segment One Not Numeric", "Ending Range - Segment Two Not Numeric",
                         "Ending Range - Segment Three Not Numeric", "Ending Range - Segment Four Not Numeric"}),
     ""},
    {"127.0.0.1", "0.255.255.0", {}, Outcome::Refused,
     kIncorrect + Lines({"", "Ending Range - Segment One Can Not be Zero", "Ending Range - Segment Two Out of Range",
                         "Ending Range - Segment Three Out of Range", "Ending Range - Segment Four Can Not be Zero"}),
     ""},
    {"127.0.0.1", "255.0.0.255", {}, Outcome::Refused,
     kIncorrect + Lines({"", "Ending Range - Segment One Out of Range", "Ending Range - Segment Four Out of Range"}), ""},
    // Faults in both addresses: the start's lines, an empty line, the end's.
    {"127.0.0.0", "300.0.x.5", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Can Not be Zero", "", "Ending Range - Segment One Out of Range",
                         "Ending Range - Segment Three Not Numeric"}),
     ""},
    // Start above end: no line break after the last line.
    {"127.0.0.20", "127.0.0.3", {}, Outcome::Refused, kIncorrect + "\r\n" + kGreater, ""},
    {"127.1.0.1", "127.0.9.254", {}, Outcome::Refused, kIncorrect + "\r\n" + kGreater, ""},
    // Stricter than conversion: segment four is the whole remainder.
    {"127.0.0.0012x", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Not Numeric", ""}), ""},
    {"127.0.0.1", "127.0.0.25499", {}, Outcome::Refused,
     kIncorrect + Lines({"", "Ending Range - Segment Four Out of Range"}), ""},
    {"127.0.0.1e1", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Not Numeric", ""}), ""},
    {"127.0.&H1.1", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Three Not Numeric", ""}), ""},
    {"127.0.0.99999999999999999999", "127.0.0.254", {}, Outcome::Refused,
     kIncorrect + Lines({"Starting Range - Segment Four Out of Range", ""}), ""},
    // Blanks, signs and leading zeros are numbers; the item is canonical.
    {"0127.1.1.1", "", {}, Outcome::Added, "", "127.1.1.1:127.1.1.1"},
    {"127. +1 . 001.  7 ", "127.1.1.0254", {}, Outcome::Added, "", "127.1.1.7:127.1.1.254"},
    {"127.-0.0.1", "127.0.0.2", {}, Outcome::Added, "", "127.0.0.1:127.0.0.2"},
    // Segments compare as numbers (as text, "20" is above "0030").
    {"127.0.0.20", "127.0.0.0030", {}, Outcome::Added, "", "127.0.0.20:127.0.0.30"},
    {"127.0.0.9", "127.0.0.10", {}, Outcome::Added, "", "127.0.0.9:127.0.0.10"},
    // Duplicates, found on the canonical form; the message names the item
    // the list holds.
    {"127.0.0.1", "127.0.0.5", {"127.0.0.9:127.0.0.9", "127.0.0.1:127.0.0.5"}, Outcome::Duplicate,
     "The Following Range Record Already Exists\r\n\r\n" + std::string(10, ' ') + "127.0.0.1:127.0.0.5", ""},
    {" 127.0.0.1", "0127.0.0.5", {"127.0.0.1:127.0.0.5"}, Outcome::Duplicate,
     "The Following Range Record Already Exists\r\n\r\n" + std::string(10, ' ') + "127.0.0.1:127.0.0.5", ""},
    {"127.0.0.1", "127.0.0.5", {"0127.0.0.1:127.0.0.05"}, Outcome::Duplicate,
     "The Following Range Record Already Exists\r\n\r\n" + std::string(10, ' ') + "0127.0.0.1:127.0.0.05", ""},
    {"127.0.0.7", "", {"127.0.0.7"}, Outcome::Duplicate,
     "The Following Range Record Already Exists\r\n\r\n" + std::string(10, ' ') + "127.0.0.7", ""},
    {"127.0.0.1", "127.0.0.5", {"127.0.0.1:127.0.0.6", "garbage"}, Outcome::Added, "", "127.0.0.1:127.0.0.5"},
};

class RangeEntryTable : public ::testing::TestWithParam<Range_Case> {};

TEST_P(RangeEntryTable, MessageBoxesAndItem) {
  const Range_Case& c = GetParam();
  Range_Entry_Result r = Check_Range_Entry(c.text1, c.text2, c.list);
  EXPECT_EQ(r.Outcome, c.outcome);
  EXPECT_EQ(r.Message, c.message);
  EXPECT_EQ(r.Item, c.item);
  switch (c.outcome) {
    case Outcome::Focus_Only:
      EXPECT_EQ(r.Text1, c.text1);
      EXPECT_EQ(r.Text2, c.text2);
      break;
    case Outcome::Refused:
      // The boxes keep their texts, a start copied into the empty end too.
      EXPECT_EQ(r.Text1, c.text1);
      EXPECT_EQ(r.Text2, *c.text2 || !*c.text1 ? c.text2 : c.text1);
      break;
    default:
      EXPECT_EQ(r.Text1, "");
      EXPECT_EQ(r.Text2, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeEntryTable, ::testing::ValuesIn(kRangeCases));

TEST(RangeCanonicalForm, StoredItemsAsTheProviderParsesThem) {
  EXPECT_EQ(Canonical_Range("0127.0.0.1:127.0.0.05"), "127.0.0.1:127.0.0.5");
  EXPECT_EQ(Canonical_Range("127.0.0.7"), "127.0.0.7:127.0.0.7");
  EXPECT_EQ(Canonical_Range(":127.0.0.7"), ":127.0.0.7");
  EXPECT_EQ(Canonical_Range("127.0.0.x:127.0.0.7"), "127.0.0.x:127.0.0.7");
}

using LocalisedRangeEntry = test_support::DeviceDataTest;

TEST_F(LocalisedRangeEntry, MessagesAndTitleComeFromTheLanguageLibrary) {
  EXPECT_EQ(Range_Message_Title(""), "Velmar Printer Monitor");
  EXPECT_EQ(Range_Message_Title("Some Title"), "Some Title");

  // Texts with a NUL are cut there.
  std::string catalogue = Echo_Catalogue();
  catalogue.replace(catalogue.find("357\t#357\n"), 9, std::string("357\tStart\0junk\n", 15));
  Start_Localised(catalogue);
  EXPECT_EQ(Range_Message_Title(""), "#234");
  EXPECT_EQ(Check_Range_Entry("", "127.0.0.1", {}).Message, "#363\r\n\r\n" + std::string(15, ' ') + "Start");
  EXPECT_EQ(Check_Range_Entry("abc", "1.2.3.4.5", {}).Message, "#363\r\n\r\n#355\r\n#185\r\n");
  EXPECT_EQ(Check_Range_Entry("0.0.0.1", "x.1.1.0", {}).Message,
            "#362\r\n\r\n#348\r\n\r\n#178\r\n#174\r\n");
  EXPECT_EQ(Check_Range_Entry("127.0.0.20", "127.0.0.3", {}).Message, "#362\r\n\r\n\r\n#365");
  EXPECT_EQ(Check_Range_Entry("127.0.0.2", "", {"127.0.0.2:127.0.0.2"}).Message,
            "#364\r\n\r\n" + std::string(10, ' ') + "127.0.0.2:127.0.0.2");
}

}  // namespace
}  // namespace vlm::monitor

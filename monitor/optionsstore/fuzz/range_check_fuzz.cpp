// Fuzz target: the options dialog's range check. An input is lines: the
// start box, the end box, then the items of the range list.
//
// Checks, besides the sanitizers:
// - the outcome fits the boxes: nothing for two empty boxes, a message for
//   a refusal or a duplicate, the boxes kept on a refusal and emptied
//   otherwise;
// - an item the check adds is in canonical form (four decimal segments
//   without blanks, signs or leading zeros, start ":" end, each segment
//   0..254, the first and fourth 1..254, start not above end), is its own
//   canonical form, passes the check again as the same item, is a duplicate
//   once listed, and is stored and read back from the registry as it is.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "monitor/optionsstore/optionsstore.h"
#include "tests/support/fuzz_support.h"

namespace vlm::monitor::fuzz {
namespace {

[[noreturn]] void Fail(const std::string& text1, const std::string& text2, const std::string& what) {
  std::fprintf(stderr, "range_check_fuzz: \"%s\" / \"%s\": %s\n", text1.c_str(), text2.c_str(), what.c_str());
  std::abort();
}

}  // namespace
}  // namespace vlm::monitor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlm;
  using namespace vlm::monitor;
  using namespace vlm::monitor::fuzz;
  static const testing::RegistryFolder folder("vlm-range-fuzz");
  std::vector<std::string> lines = testing::InputLines(data, size, 66);
  lines.resize(std::max<std::size_t>(lines.size(), 2));
  const std::string text1 = lines[0], text2 = lines[1];
  const std::vector<std::string> list(lines.begin() + 2, lines.end());

  const Range_Entry_Result r = Check_Range_Entry(text1, text2, list);
  const bool kept = r.Text1 == text1 && r.Text2 == (text2.empty() ? text1 : text2);
  const bool emptied = r.Text1.empty() && r.Text2.empty();
  switch (r.Outcome) {
    case Range_Entry_Outcome::Focus_Only:
      if (!text1.empty() || !text2.empty() || r.Text1 != text1 || r.Text2 != text2 || !r.Message.empty())
        Fail(text1, text2, "nothing done for boxes that are not both empty");
      return 0;
    case Range_Entry_Outcome::Refused:
      if (r.Message.empty() || !r.Item.empty() || !kept)
        Fail(text1, text2, "a refusal without its message, or with boxes changed");
      return 0;
    case Range_Entry_Outcome::Duplicate:
      if (r.Message.empty() || !r.Item.empty() || !emptied) Fail(text1, text2, "a duplicate without its message");
      return 0;
    case Range_Entry_Outcome::Added:
      break;
  }
  const std::string& item = r.Item;
  if (!r.Message.empty() || !emptied) Fail(text1, text2, "an item added with a message, or boxes kept");
  if (!testing::IsCanonicalRange(item)) Fail(text1, text2, "the item \"" + item + "\" is not canonical");
  if (Canonical_Range(item) != item) Fail(text1, text2, "the item \"" + item + "\" has another canonical form");
  const std::size_t colon = item.find(':');
  const Range_Entry_Result again = Check_Range_Entry(item.substr(0, colon), item.substr(colon + 1), {});
  if (again.Outcome != Range_Entry_Outcome::Added || again.Item != item)
    Fail(text1, text2, "the item \"" + item + "\" does not pass the check again");
  std::vector<std::string> listed = list;
  listed.push_back(item);
  if (Check_Range_Entry(text1, text2, listed).Outcome != Range_Entry_Outcome::Duplicate)
    Fail(text1, text2, "the item \"" + item + "\" is no duplicate once listed");

  std::string key = Ranges_Key_Path;
  if (!CreateNewKey(HKEY_LOCAL_MACHINE, key) || DeleteValues(HKEY_LOCAL_MACHINE, key, 0) != ERROR_SUCCESS ||
      SetTheValues(HKEY_LOCAL_MACHINE, key, {item}) != ERROR_SUCCESS)
    Fail(text1, text2, "the item cannot be stored");
  if (GetValue(HKEY_LOCAL_MACHINE, key) != std::vector<std::string>{item})
    Fail(text1, text2, "the item \"" + item + "\" is not read back as stored");
  return 0;
}

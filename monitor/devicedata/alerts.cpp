// The alerts of the selected engine and the alert status table that colours
// the status banner Label13.
#include <optional>

#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using namespace retrieval;

namespace {

constexpr VbLong kGrey = 0xE0E0E0, kGreen = 0xC000, kYellow = 0xFFFF, kRed = 0xFF;

struct Text_Pair {
  const char* english;
  VbLong id;
};
constexpr Text_Pair kIdle{"IDLE", 455}, kPrinting{"PRINTING", 456}, kAlert{"ALERT", 457},
    kOffLine{"OFF LINE", 458}, kError{"ERROR", 459};
constexpr Text_Pair kNone{"None", 270}, kWorkgroup{"Workgroup Manager", 460},
    kAnyUser{"Any User", 461}, kSystem{"System Manager", 462}, kService{"Service Tech", 463};

struct Status_Row {
  const char* description;
  VbLong colour;
  Text_Pair caption, party;
};
constexpr Status_Row kStatusTable[] = {
    {"Ready to Print", kGrey, kIdle, kNone},
    {"Sleep Mode", kGrey, kIdle, kNone},
    {"Copying", kGrey, kIdle, kNone},
    {"Scanning", kGrey, kIdle, kNone},
    {"Interrupt Copy", kGrey, kIdle, kNone},
    {"In Menu", kGrey, kIdle, kNone},
    {"Printing", kGreen, kPrinting, kNone},
    {"Processing data", kGreen, kPrinting, kNone},
    {"PM Required", kYellow, kAlert, kWorkgroup},
    {"Toner Low", kYellow, kAlert, kWorkgroup},
    {"Stapler Empty", kYellow, kAlert, kWorkgroup},
    {"Toner Collection Box Full", kYellow, kAlert, kWorkgroup},
    {"Memory Full", kYellow, kAlert, kWorkgroup},
    {"Waiting for Engine", kYellow, kOffLine, kNone},
    {"Warming Up", kYellow, kOffLine, kNone},
    {"Waiting for restart", kYellow, kOffLine, kAnyUser},
    {"Power Off", kRed, kError, kAnyUser},
    {"Operator Attention", kRed, kError, kSystem},
    {"General Error", kRed, kError, kSystem},
    {"Fatal Error", kRed, kError, kService},
    {"Paper Jam", kRed, kError, kAnyUser},
    {"Communication Error", kRed, kError, kSystem},
    {"Toner Stop", kRed, kError, kService},
    {"Paper Out", kRed, kError, kAnyUser},
};
constexpr Status_Row kOtherText{"", kGrey, kIdle, kNone};

}  // namespace

Alert_Status Classify_Alert(const std::string& description) {
  const Status_Row* row = &kOtherText;
  for (const Status_Row& r : kStatusTable) {
    if (description == r.description) {
      row = &r;
      break;
    }
  }
  return {row->colour, Localised_Text(row->caption.english, row->caption.id),
          Localised_Text(row->party.english, row->party.id)};
}

void Get_Alerts(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    // The banner starts from its design state before anything is read, so
    // it never shows the previous printer's alerts over this one's list.
    Set_BackColor("Label13", kNoIndex, kGrey);
    Set_Caption("Label13", kNoIndex, "Status");
    Call call(item);
    const LONG count_group = call.Create_Group({8004});
    const LONG alert_group = call.Create_Group({180, 178, 179, 181, 183});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    if (!call.Read(engine, count_group)) return;
    Alert_Record record;
    const VbInteger count = First_Count(call.Integers(engine), kMaxAlerts);
    VbInteger stored = 0;
    // The alert stored last whose description arrived decides the banner.
    std::optional<Alert_Status> banner;
    for (VbInteger i = 1; i <= count; ++i) {
      const LONG alert = call.Handle(engine, 175, i);
      if (!Read_Row(call, alert, alert_group)) {
        // A printer that stopped answering would let every further row
        // time out as well: the record keeps its last good list.
        if (call.Not_Responding()) return;
        // Any other failed row is left out; the others are listed.
        continue;
      }
      Alert_Entry& entry = record.Alerts(++stored);
      const Value_List values = call.Integers(alert);
      for (std::size_t k = 0; k < values.Count(); ++k) {
        if (values.Ids[k] == 180) entry.Code = values.Integers[k];
        if (values.Ids[k] == 178) entry.Severity = Decode_Alert_Severity(values.Integers[k]);
      }
      const Value_List texts = call.Strings(alert);
      for (std::size_t k = 0; k < texts.Count(); ++k) {
        if (texts.Ids[k] == 181) {
          entry.Description = texts.Texts[k];
          banner = Classify_Alert(texts.Texts[k]);
          entry.Party = banner->Party;
        }
        if (texts.Ids[k] == 183) entry.Time = texts.Texts[k];
      }
      call.Release(alert);
    }
    call.Finish();
    record.Count = VbLong{stored};
    record.Valid = -1;
    Alert_Table(Selected_List_Kind, Selected_Device, Selected_Engine) = std::move(record);
    if (banner) {
      Set_BackColor("Label13", kNoIndex, banner->Colour);
      Set_Caption("Label13", kNoIndex, banner->Caption);
    }
  });
}

}  // namespace vlm::monitor

// The alerts of the selected engine and the alert status table that colours
// the status banner Label13.
#include <variant>

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

Alert_Status Alert_Banner(const Alert_Record& record) {
  const VbInteger count = Clamp_Count(std::holds_alternative<VbLong>(record.Count)
                                          ? std::get<VbLong>(record.Count)
                                          : 0,
                                      kMaxAlerts);
  for (VbInteger i = count; i >= 1; --i) {
    const Field& description = record.Alerts(i).Description;
    if (const auto* text = std::get_if<std::string>(&description)) return Classify_Alert(*text);
  }
  return {kGrey, "Status", {}};
}

void Get_Alerts(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    const Printer_Key printer = Printer_Read(Selected_Engine);
    const auto show_banner = [&](const Alert_Status& banner) {
      Set_BackColor("Label13", kNoIndex, banner.Colour);
      Draw(printer, "Label13", kNoIndex, banner.Caption);
    };
    // A read that does not store the record keeps the banner shown for this
    // printer; another printer's banner becomes that of this one's kept
    // alerts.
    const auto keep_banner = [&] {
      if (!Drawn_For(printer, "Label13"))
        show_banner(Alert_Banner(Alert_Table(Selected_List_Kind, Selected_Device, Selected_Engine)));
    };
    Call call(item);
    const LONG count_group = call.Create_Group({8004});
    const LONG alert_group = call.Create_Group({180, 178, 179, 181, 183});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    if (!call.Read(engine, count_group)) return keep_banner();
    Alert_Record record;
    const VbInteger count = First_Count(call.Integers(engine), kMaxAlerts);
    VbInteger stored = 0;
    for (VbInteger i = 1; i <= count; ++i) {
      const LONG alert = call.Handle(engine, 175, i);
      if (!Read_Row(call, alert, alert_group)) {
        // A printer that stopped answering would let every further row
        // time out as well: the record keeps its last good list.
        if (call.Not_Responding()) return keep_banner();
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
          entry.Party = Classify_Alert(texts.Texts[k]).Party;
        }
        if (texts.Ids[k] == 183) entry.Time = texts.Texts[k];
      }
      call.Release(alert);
    }
    call.Finish();
    record.Count = VbLong{stored};
    record.Valid = -1;
    Alert_Record& stored_record = Alert_Table(Selected_List_Kind, Selected_Device, Selected_Engine);
    stored_record = std::move(record);
    // The banner is that of the alerts listed: the last stored one with a
    // description, or "Status" when there is none.
    show_banner(Alert_Banner(stored_record));
  });
}

}  // namespace vlm::monitor

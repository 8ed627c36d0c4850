// What the main window's procedures share among their files.
#pragma once

#include "monitor/devicedata/devicedata.h"
#include "monitor/mainwin/silent_item.h"
#include "platform/com/com.h"

namespace vlm::monitor {

// The readers of one printer in one procedure (a selection, a view refresh,
// an engine box's Click), run one by one. A printer that does not answer
// costs a whole time-out cycle for each further read, so each reader is
// given the object it is to talk to:
// - the printer's own object while the printer has answered every read of
//   the procedure (the device data module counts the reads answered -11 or
//   -12 in Silent_Read_Count; a count that grew is a read that timed out);
// - after that, a silent stand-in, made once per procedure, which answers
//   at once as the printer did (Silent_Read_Code), so that the reader takes
//   its own failure path (the window keeps what it shows of the printer, or
//   shows its own kept values) and sets the not-responding text, at no
//   time-out cycle.
// A procedure run inside another's reads (the engine box's Click raised
// inside a selection or a refresh) goes on from the outer one's start: once
// the printer timed out in the outer one, it is silent in the inner one too.
class Printer_Reads {
 public:
  explicit Printer_Reads(IVectorItem* printer)
      : printer_(printer), outer_(active_), before_(outer_ ? outer_->before_ : Silent_Read_Count) {
    active_ = this;
  }
  ~Printer_Reads() { active_ = outer_; }
  Printer_Reads(const Printer_Reads&) = delete;
  Printer_Reads& operator=(const Printer_Reads&) = delete;

  // Runs reader(object) on the printer's object or, once the printer timed
  // out, on the stand-in; returns whether the printer answered every read so
  // far (and so this one).
  template <class F>
  bool operator()(F&& reader) {
    if (!Timed_Out()) {
      reader(printer_);
      return !Timed_Out();
    }
    if (!stand_in_) stand_in_ = MakeComObject<Silent_Vector_Item>(Silent_Read_Code);
    if (stand_in_) reader(static_cast<IVectorItem*>(stand_in_.Get()));
    return false;
  }

 private:
  bool Timed_Out() const { return Silent_Read_Count != before_; }

  static inline Printer_Reads* active_ = nullptr;
  IVectorItem* printer_;
  Printer_Reads* outer_;
  VbLong before_;
  ComPtr<Silent_Vector_Item> stand_in_;
};

}  // namespace vlm::monitor

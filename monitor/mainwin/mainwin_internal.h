// What the main window's procedures share among their files.
#pragma once

#include "monitor/devicedata/devicedata.h"
#include "monitor/mainwin/silent_item.h"
#include "platform/com/com.h"

namespace vlm::monitor {

// Runs the readers of one printer until one of them times out: a printer
// that does not answer costs a whole time-out cycle for each further read.
// Each reader after that runs on a silent stand-in instead (the reader's
// object, `item`, swapped for it while it runs), which answers at once as
// the printer did, so that the reader takes its own failure path and the
// tab shows what the real reads would have shown: nothing of the printer
// read before, the printer's own last good values, the not-responding
// text. Those stand-in reads cost no time-out cycle and are not counted in
// Silent_Read_Count. A procedure run inside another's reads (the engine
// box's Click inside a selection or a refresh) goes on from the outer one's
// start.
class Until_Silent {
 public:
  explicit Until_Silent(IVectorItem*& item)
      : item_(item), outer_(active_), before_(outer_ ? outer_->before_ : Silent_Read_Count) {
    active_ = this;
  }
  ~Until_Silent() { active_ = outer_; }
  Until_Silent(const Until_Silent&) = delete;
  Until_Silent& operator=(const Until_Silent&) = delete;

  // Whether the printer answered every read so far (and so read this one).
  template <class F>
  bool operator()(F&& reader) {
    if (Silent_Read_Count == before_) {
      reader();
      return Silent_Read_Count == before_;
    }
    if (!stand_in_) stand_in_ = MakeComObject<Silent_Vector_Item>(Silent_Read_Code);
    if (!stand_in_) return false;
    IVectorItem* const printer = item_;
    const VbLong count = Silent_Read_Count;
    item_ = stand_in_.Get();
    struct Restore {
      IVectorItem*& item;
      IVectorItem* printer;
      VbLong count;
      ~Restore() {
        item = printer;
        Silent_Read_Count = count;
      }
    } restore{item_, printer, count};
    reader();
    return false;
  }

 private:
  static inline Until_Silent* active_ = nullptr;
  IVectorItem*& item_;
  Until_Silent* outer_;
  VbLong before_;
  ComPtr<Silent_Vector_Item> stand_in_;
};

}  // namespace vlm::monitor

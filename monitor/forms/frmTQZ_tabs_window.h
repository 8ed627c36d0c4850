// The status tabs on the real main window: frmTQZ's list views, printer
// list, Timer5 and picture boxes as the tab procedures' Tabs_Port, and the
// list events of the tabs connected to their procedures.
//
// What a caller may rely on:
// - Connect_Status_Tabs makes the port a child of the window (it goes with
//   the window) and sets Tabs_Window while it lives. It returns the port, so
//   that a caller whose objects die before the window can delete it first.
// - Header clicks, clicks, item clicks, focus and mouse presses of
//   lvwEngineAlert, lvwEngineFirmware, lvwEngineMemory, lvwInputTray,
//   lvwOutputTray and lvwJobs run the procedures of frmTQZ_tabs.h; the
//   buttons cmdDelete, cmdPause and cmdResume run theirs.
// - A row's sub-items are its further columns, in order; each keeps its key
//   in the column's Qt::UserRole data. A list's help topic is its
//   "HelpContextID" property; a label's character set its "charSet"
//   property.
#pragma once

#include <functional>

#include "monitor/forms/frmTQZ.h"
#include "monitor/tabs/frmTQZ_tabs.h"

namespace vlm::monitor {

// objects: the VectorItem of a list kind (installed for 0, other devices
// otherwise); selected_item_index: the printer row the user chose last.
QObject* Connect_Status_Tabs(frmTQZ& window, std::function<IVectorItem*(VbInteger)> objects,
                             std::function<int()> selected_item_index);

}  // namespace vlm::monitor

// The print-job list of the Jobs tab (the tab stays hidden: nothing shows
// it) and its three buttons, which change nothing.
#include <algorithm>

#include "monitor/tabs/frmTQZ_tabs_internal.h"

namespace vlm::monitor {

using tabs::kUsualQuiet;
using tabs::Trapped;

namespace {

// The keys of columns 2 to 10: their header texts.
constexpr const char* kJobColumnKeys[] = {"Document Name", "Status Description", "Job Status",
                                          "Priority",      "Position",           "Total Pages",
                                          "Pages Submitted", "Pages Printed",    "Control Code"};

void Add_Job_Item(VbInteger i, const Job_Entry& entry) {
  Trapped(kUsualQuiet, [&] {
    Tabs_Port& window = tabs::Window();
    window.List_Add(Tab_List::lvwJobs, i, Field_Text(entry.Values(0)));
    for (int k = 1; k <= 9; ++k)
      window.List_Add_SubItem(Tab_List::lvwJobs, i, kJobColumnKeys[k - 1], Field_Text(entry.Values(k)));
  });
}

}  // namespace

void UpdateJobs(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    // The job root of the previous fill goes back to the object that made
    // it, whichever list that was.
    Release_Job_Root_Handle();
    Fill_Jobs(item);
  });
}

void Fill_Jobs(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Get_Print_Jobs(item);
    const Job_Record& record = Job_Table(Selected_List_Kind, Selected_Device);
    tabs::Window().List_Clear(Tab_List::lvwJobs);
    const int count = std::clamp<int>(record.Job_Count, 0, kMaxJobs);
    for (VbInteger i = 1; i <= count; ++i) Add_Job_Item(i, record.Jobs(i));
  });
}

void cmdDelete_Click() {}
void cmdPause_Click() {}
void cmdResume_Click() {}

}  // namespace vlm::monitor

// Stand-ins for the readers of frmTQZ_pending.h: they read nothing.
#include "monitor/forms/frmTQZ_pending.h"

namespace vlm::monitor {

VbInteger Get_Status_And_Options(IVectorItem*) { return 0; }
VbInteger Get_Finisher_Strings(IVectorItem*, VbInteger) { return 0; }
void Get_Controller_Info(IVectorItem*) {}
void Get_Installed_Options(IVectorItem*, VbInteger) {}
VbInteger Get_Finisher_Model(IVectorItem*) { return 0; }
VbInteger Get_Engine_Type(IVectorItem*, VbInteger) { return 0; }

}  // namespace vlm::monitor

// Declared by the module, not yet defined there.
namespace vlm::monitor {
void Get_Input_Trays(IVectorItem*) {}
void Get_Output_Trays(IVectorItem*) {}
void Get_Alerts(IVectorItem*) {}
void Get_Memory_Table(IVectorItem*) {}
void Get_Firmware_Table(IVectorItem*) {}
void Get_Finisher_Options(IVectorItem*) {}
}  // namespace vlm::monitor
namespace vlm::monitor {
void Get_Print_Jobs(IVectorItem*) {}
}  // namespace vlm::monitor

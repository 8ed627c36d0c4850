// Readers of the device data module that the tab procedures call and that
// are not in the module yet; frmTQZ_pending.cpp stands in for them (they
// read nothing) until the module has them.
#pragma once

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor {

VbInteger Get_Status_And_Options(IVectorItem* item);
VbInteger Get_Finisher_Strings(IVectorItem* item, VbInteger engine);
void Get_Controller_Info(IVectorItem* item);
void Get_Installed_Options(IVectorItem* item, VbInteger engine);
VbInteger Get_Finisher_Model(IVectorItem* item);
VbInteger Get_Engine_Type(IVectorItem* item, VbInteger engine);

}  // namespace vlm::monitor

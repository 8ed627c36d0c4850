// The main window's readers: the device data procedures and the tab views.
#include "monitor/tabs/frmTQZ_tabs.h"
#include "monitor/mainwin/mainwin.h"

namespace vlm::monitor {
namespace {

class Real_Readers final : public Tqz_Readers {
 public:
  void Get_Device_Flag(IVectorItem* item, VbInteger kind, VbInteger device, VbInteger row) override {
    monitor::Get_Device_Flag(item, kind, device, row);
  }
  void Get_Printer_State(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Printer_State(item, engine);
  }
  void Get_Printer_Identity(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Printer_Identity(item, engine);
  }
  void Get_Summary_Info(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Summary_Info(item, engine);
  }
  void Get_Finisher_Model(IVectorItem* item) override { monitor::Get_Finisher_Model(item); }
  void Get_MIB_Version(IVectorItem* item) override { monitor::Get_MIB_Version(item); }
  void Get_Device_Functions(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Device_Functions(item, engine);
  }
  void Get_Device_Status(IVectorItem* item) override { monitor::Get_Device_Status(item); }
  void Get_Engine_Counters(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Engine_Counters(item, engine);
  }
  void Get_Engine_Model(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Engine_Model(item, engine);
  }
  void Get_Installed_Options(IVectorItem* item, VbInteger engine) override {
    monitor::Get_Installed_Options(item, engine);
  }
  void Get_OS_Version() override { monitor::Get_OS_Version(); }
  void UpdateQuickView(IVectorItem* item) override { monitor::UpdateQuickView(item); }
  void UpdateIPController(IVectorItem* item) override { monitor::UpdateIPController(item); }
  void UpdatePrinter(IVectorItem* item) override { monitor::UpdatePrinter(item); }
  void UpdateAlertError(IVectorItem* item) override { monitor::UpdateAlertError(item); }
  void UpdatePaperInput(IVectorItem* item) override { monitor::UpdatePaperInput(item); }
  void UpdatePaperOutput(IVectorItem* item) override { monitor::UpdatePaperOutput(item); }
  void UpdateJobs(IVectorItem* item) override { monitor::UpdateJobs(item); }
  void Fill_Memory(IVectorItem* item) override { monitor::Fill_Memory(item); }
  void Fill_Firmware(IVectorItem* item) override { monitor::Fill_Firmware(item); }
  void Fill_Output_Trays(IVectorItem* item) override { monitor::Fill_Output_Trays(item); }
  void Draw_Input_Picture(IVectorItem* item) override { monitor::Draw_Input_Picture(item); }
  void Draw_Output_Picture(IVectorItem* item) override { monitor::Draw_Output_Picture(item); }
  void Draw_Status_Picture(IVectorItem* item) override { monitor::Draw_Status_Picture(item); }
};

}  // namespace

Tqz_Readers& Device_Readers() {
  static Real_Readers readers;
  return readers;
}

}  // namespace vlm::monitor

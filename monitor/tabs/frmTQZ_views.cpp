// The tab views: each has the device data module read what its tab shows,
// then copies the selected printer's cells into the tab's labels.
#include <cstdlib>

#include "monitor/devicedata/retrieval.h"
#include "monitor/tabs/frmTQZ_tabs_internal.h"

namespace vlm::monitor {

using retrieval::Localised_Text;

using tabs::Caption;
using tabs::Controller_Field;
using tabs::Device_Field;
using tabs::Engine_Field;
using tabs::Finisher_Field;
using tabs::kUsualQuiet;
using tabs::Trapped;

namespace {

constexpr std::array<VbLong, 3> kQuickViewQuiet{35600, 9, 5};
constexpr std::array<VbLong, 3> kPaperOutputQuiet{35600, 53, 5};

std::string Trim_Spaces(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// A device-type word: the English literal, or the library's text cut at its
// first NUL and trimmed.
std::string Device_Type_Word(const char* english, VbLong id) {
  return Localised == "On" ? Trim_Spaces(Trim_At_Null(Load_Res_String(id))) : std::string(english);
}

void Clear_Refresh_Request() {
  if (View_Refresh_Requested == "Yes") View_Refresh_Requested = "No";
}

// The engine-2 rows of the QuickView tab.
void Show_Engine2_Rows(bool visible) {
  Main_Window_Port& labels = tabs::Labels();
  constexpr VbInteger kNoIndex = Main_Window_Port::kNoIndex;
  labels.Set_Visible("lblIPEngine2Name", kNoIndex, visible);
  labels.Set_Visible("lblIPEngine2Status", kNoIndex, visible);
  labels.Set_Visible("lblIPFinisher2Name", kNoIndex, visible);
  labels.Set_Visible("Engine2NameLabel", 8, visible);
  labels.Set_Visible("Engine2StatusLabel", 9, visible);
  labels.Set_Visible("Finisher2Label", 11, visible);
}

// The word appended to both device-type captions, each read back first.
void Append_Device_Type(const char* english, VbLong id) {
  Main_Window_Port& labels = tabs::Labels();
  const std::string word = Device_Type_Word(english, id);
  for (const char* control : {"Label12", "lblIPType"}) {
    labels.Set_Caption(control, Main_Window_Port::kNoIndex,
                       labels.Caption(control, Main_Window_Port::kNoIndex) + word);
  }
}

std::string State_Text(const char* english, VbLong id) {
  return Localised == "On" ? Load_Res_String(id) : english;
}

// VB's Val of the leading number of a text (0 when it has none).
double Leading_Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

void UpdateQuickView(IVectorItem* item) {
  Trapped(kQuickViewQuiet, [&] {
    Show_Engine2_Rows(false);
    if (Polling_Tick_Active != "Yes") {
      Installed_Text = State_Text("Installed", 227);
      Not_Installed_Text = State_Text("Not Installed", 272);
      Not_Applicable_Text = State_Text("N/A", 263);
    }
    Get_Status_And_Options(item);
    const std::string base = Device_Type_Word("Printer", 312);
    Caption("Label12", base);
    Caption("lblIPType", base);
    if (Scanner_Flag == 16384) Append_Device_Type("/Scanner", 448);
    if (Copier_Flag == 1) Append_Device_Type("/Copier", 449);
    if (Fax_Flag == 8192) Append_Device_Type("/Fax", 450);
    Caption("lblIPLocation", Device_Field(3));
    Caption("lblIPEngine1Name", Engine_Field(0, 10));
    Caption("lblIPStatus", Engine_Field(0, 1));
    Caption("lblIPFinisher1Name", Finisher_Field(0, 0));
    const bool tandem = tabs::Field_Long(Device_List_Fields(Selected_List_Kind, Selected_Device, 6)) == 1;
    if (tandem) {
      Caption("lblIPEngine2Name", Engine_Field(1, 10));
      Caption("lblIPEngine2Status", Engine_Field(1, 1));
      Get_Finisher_Strings(item, 1);
      Caption("lblIPFinisher2Name", Finisher_Field(1, 0));
    }
    Show_Engine2_Rows(tandem);
    if (Discovered_Printers(Selected_Row - 1, 0) == 0) {
      Caption("lblIPInstalled", Installed_Text);
      Caption("lblIPSpoolName", Device_Field(5));
    } else {
      Caption("lblIPInstalled", Not_Installed_Text);
      Caption("lblIPSpoolName", Not_Applicable_Text);
    }
  });
}

void UpdateIPController(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Clear_Refresh_Request();
    Get_Controller_Info(item);
    Caption("lblIPVersion", Controller_Field(13));
    Caption("lblIPMIBVersion", Controller_Field(16));
    Caption("lblIPNetworkAddress", Controller_Field(1));
    Caption("lblIPConnectionType", Controller_Field(2));
    tabs::Window().Set_Font_CharSet("lblIPHDInstalled", CodePage_To_CharSet(Code_Page_Text));
    Caption("lblIPBannerOption", Controller_Field(4));
    Caption("lblIPSpoolMode", Controller_Field(5));
    Caption("lblIPHDInstalled", Trim_Spaces(Controller_Field(18)));
    Caption("lblIPMemInstalled", Controller_Field(8));
    Caption("lblIPHardDiskSize", Controller_Field(11));
    const std::string free_space = Controller_Field(12);
    Caption("lblIPHardDiskSpace", Leading_Number(free_space) >= 0 ? free_space : "0");
    if (Localised == "On") Caption("Label1", Trim_At_Null(Load_Res_String(154)));
    Caption("Label4", Device_Field(4));
  });
}

void UpdatePrinter(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Clear_Refresh_Request();
    const VbInteger engine = Selected_Engine;
    Get_Installed_Options(item, engine);
    const std::string model = Engine_Field(engine, 10);
    Caption("lblEngineModel", model);
    Caption("lblEngineNamePaperInput", 7, model);
    Caption("lblEngineNamePaperOutput", 8, model);
    Caption("lblEngineStatus", Engine_Field(engine, 1));
    const std::string jobs = Engine_Field(engine, 2);
    Caption("lblEngineRemainJobs", jobs.empty() ? "0" : jobs);
    const std::string time = Engine_Field(engine, 3);
    Caption("lblEngineRemainTimes", time.empty() ? "00:00:00" : time);
    Caption("lblengineDeveloperCount", Engine_Field(engine, 4));
    Caption("lblEnginePMCount", Engine_Field(engine, 5));
    Caption("lblEngineServiceCount", Engine_Field(engine, 6));
    Caption("lblEnginePrinterCount", Engine_Field(engine, 7));
    Caption("lblEngineTotalCount", Engine_Field(engine, 12));
    Get_Finisher_Model(item);
    Caption("lblEngineFinisherModel", Finisher_Field(Selected_Engine, 0));
    Fill_Memory(item);
    Fill_Firmware(item);
  });
}

void UpdateAlertError(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    if (Localised == "On") Caption("LabelAlert", 0, Trim_At_Null(Load_Res_String(151)));
    // A printer that does not answer keeps its last alerts and picture on
    // show; where they show another printer's, they show its own.
    const bool keep_list = Keep_Silent_View({"lvwEngineAlert"});
    const bool keep_picture = Keep_Silent_View({"Picture1"});
    if (!keep_list) Fill_Alerts(item);
    if (!keep_picture) Draw_Status_Picture(item);
  });
}

void UpdatePaperInput(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] { Fill_Input_Trays(item); });
}

void UpdatePaperOutput(IVectorItem* item) {
  Trapped(kPaperOutputQuiet, [&] {
    Clear_Refresh_Request();
    Get_Finisher_Options(item);
    const VbInteger engine = Selected_Engine;
    Caption("lblFinisherModel", Finisher_Field(engine, 0));
    Caption("lblFinisherOffset", Finisher_Field(engine, 1));
    Caption("lblFinisherCollate", Finisher_Field(engine, 2));
    Caption("lblFinisherStaple", Finisher_Field(engine, 4));
  });
}

}  // namespace vlm::monitor

// The machine pictures of the Input, Output and Status tabs, and the
// installed options of the selected engine that two of DrawEngine's
// arguments come from.
#include <vector>

#include "enginepics/gdi/gdi.h"
#include "monitor/tabs/frmTQZ_tabs_internal.h"

namespace vlm::monitor {

using tabs::Trapped;

namespace {

constexpr SHORT kOptionRowCount = 8013;  // rows of the option table
constexpr LONG kOptionVector = 210;
constexpr SHORT kOptionType = 213, kOptionName = 214, kOptionStatus = 215;

Installed_Option_Record& Selected_Option_Record() {
  return Installed_Option_Records(Selected_List_Kind, Selected_Device, Selected_Engine);
}

}  // namespace

bool Retrieve_Installed_Options(IVectorItem* item) {
  bool done = false;
  Trapped(tabs::kOptionQuiet, [&] {
    retrieval::Call call(item);
    Installed_Option_Record& stored = Selected_Option_Record();
    Installed_Option_Record record;
    const LONG count_group = call.Create_Group({kOptionRowCount});
    const LONG row_group = call.Create_Group({kOptionType, kOptionName, kOptionStatus});
    const LONG engine = call.Engine(call.Device_Root(), Selected_Engine);
    // The options of a read that failed are not applied: the record keeps
    // those of the last good read.
    if (!call.Read(engine, count_group, false)) return;
    const retrieval::Value_List count = call.Integers(engine);
    record.Option_Count =
        retrieval::Clamp_Count(count.Count() > 0 ? count.Integers[0] : 0, kMaxInstalledOptions);
    for (LONG i = 1; i <= record.Option_Count; ++i) {
      const LONG row = call.Handle(engine, kOptionVector, i);
      if (!call.Read(row, row_group, false)) return;
      Installed_Option_Entry& entry = record.Entries[static_cast<std::size_t>(i)];
      const retrieval::Value_List integers = call.Integers(row);
      for (std::size_t k = 0; k < integers.Count(); ++k) {
        if (integers.Ids[k] == kOptionType) entry.Option_Type = integers.Integers[k];
        if (integers.Ids[k] == kOptionStatus) entry.Option_Status = integers.Integers[k];
      }
      const retrieval::Value_List texts = call.Strings(row);
      for (std::size_t k = 0; k < texts.Count(); ++k) {
        if (texts.Ids[k] == kOptionName) entry.Option_Name = texts.Texts[k];
      }
      call.Release(row);
    }
    call.Finish();
    record.Filled = true;
    stored = std::move(record);
    done = true;
  });
  return done;
}

std::string Get_Installed_Option(IVectorItem* item, VbLong kind) {
  std::string result;
  Trapped(tabs::kOptionQuiet, [&] {
    Retrieve_Installed_Options(item);
    const Installed_Option_Record& record = Selected_Option_Record();
    for (int i = 1; i <= record.Option_Count; ++i) {
      const Installed_Option_Entry& entry = record.Entries[static_cast<std::size_t>(i)];
      if (entry.Option_Type == kind) {
        result = entry.Option_Name;
        return;
      }
    }
  });
  return result;
}

namespace {

const char* Box_Name(Picture_Box box) {
  switch (box) {
    case Picture_Box::Picture1: return "Picture1";
    case Picture_Box::Picture2: return "Picture2";
    case Picture_Box::Picture3: return "Picture3";
  }
  return "";
}

// One paint of picture box `box` for the selected engine; the box is drawn
// for the selected printer once it shows its picture, or is hidden for it.
void Draw_Picture(IVectorItem* item, Picture_Box box, bool show_selection) {
  ComPtr<IDispatch> engine;
  const char* name = Box_Name(box);
  try {
    tabs::Begin_Drawing(name);
    Tabs_Port& window = tabs::Window();
    window.Picture_Set_AutoRedraw(box);
    Get_Engine_Type(item, Selected_Engine);
    const std::string engine_type = tabs::Engine_Field(Selected_Engine, 0);
    const std::string finisher = tabs::Finisher_Field(Selected_Engine, 0);
    const std::string lct = Get_Installed_Option(item, kOptionLargeCapacityTray);
    const std::string base = Get_Installed_Option(item, kOptionBaseUnit);
    const std::string prog_id = Read_Registry_String(HKEY_LOCAL_MACHINE, kMappingKey, engine_type);
    // No class for this printer's family (missing key, value or data): the
    // box is hidden rather than left with another printer's picture.
    if (Registry_Found == "No" || prog_id.empty()) {
      window.Picture_Set_Visible(box, false);
      tabs::Drawn_For_Selected(name);
      return;
    }
    engine = VbCreateObject(prog_id);
    window.Picture_Cls(box);
    UniqueDC dc(CreateImageDC(window.Picture_Image(box)));
    if (!dc) Raise_Vb_Error(VBERR_INVALID_CALL);
    // The window's own variables, passed by reference as the window passes
    // them; DrawEngine takes each by value.
    LONG hdc = static_cast<LONG>(static_cast<std::uint32_t>(dc.get()));
    LONG options = Engine_Options(Selected_Engine);
    LONG engine_type_argument = Picture_Engine_Type;
    LONG tray = Selected_Tray;
    LONG bin = Selected_Bin;
    VARIANT_BOOL show = show_selection ? VARIANT_TRUE : VARIANT_FALSE;
    Bstr finisher_text(finisher), lct_text(lct), base_text(base);
    BSTR finisher_arg = finisher_text.Get(), lct_arg = lct_text.Get(), base_arg = base_text.Get();
    std::vector<Variant> args;
    args.push_back(Variant::Ref(&hdc));
    args.push_back(Variant::Ref(&options));
    args.push_back(Variant::Ref(&engine_type_argument));
    args.push_back(Variant::Ref(&finisher_arg));
    args.push_back(Variant::Ref(&lct_arg));
    args.push_back(Variant::Ref(&base_arg));
    args.push_back(Variant::Ref(&tray));
    args.push_back(Variant::Ref(&bin));
    args.push_back(Variant::RefBool(&show));
    VbCallByNameEx(engine.Get(), "DrawEngine", args, nullptr);
    engine = nullptr;
    window.Picture_Refresh(box);
    // A box hidden for an earlier printer shows this printer's picture.
    window.Picture_Set_Visible(box, true);
    tabs::Drawn_For_Selected(name);
  } catch (const VbError& error) {
    engine = nullptr;
    if (error.Number() == VBERR_CANNOT_CREATE_OBJECT) {
      tabs::Trap_Error(error, std::array<VbLong, 1>{VBERR_CANNOT_CREATE_OBJECT});
      if (Tabs_Window != nullptr) Tabs_Window->Picture_Set_Visible(box, false);
      tabs::Drawn_For_Selected(name);
      return;
    }
    tabs::Trap_Error(error, tabs::kUsualQuiet);
  } catch (const std::bad_alloc&) {
    engine = nullptr;
    tabs::Trap_Error(retrieval::Out_Of_Memory_Error(), tabs::kUsualQuiet);
  }
}

}  // namespace

void Draw_Input_Picture(IVectorItem* item) { Draw_Picture(item, Picture_Box::Picture2, true); }
void Draw_Output_Picture(IVectorItem* item) { Draw_Picture(item, Picture_Box::Picture3, true); }
void Draw_Status_Picture(IVectorItem* item) { Draw_Picture(item, Picture_Box::Picture1, false); }

}  // namespace vlm::monitor

// The finisher name of an engine (scalar 111 of the finisher vector 104,
// through the predefined finisher group 1010).
#include <string>

#include "monitor/devicedata/functions.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {
namespace {

constexpr LONG kFinisherGroup = 1010;
constexpr LONG kFinisherName = 111;

// Reads the finisher group of the engine; calls take(name) when the read
// succeeded and the answer holds the name, and tells whether it succeeded.
// The root follows the list kind, as every other reader's does.
template <class F>
bool Read_Finisher_Name(IVectorItem* item, VbInteger engine, LONG mode, F&& take) {
  retrieval::Call call(item);
  const LONG root = call.Device_Root();
  const LONG finisher = call.Handle(call.Engine(root, engine), 104, 1);
  const bool read = call.Read(finisher, kFinisherGroup, true, mode);
  if (read) {
    const retrieval::Value_List texts = call.Strings(finisher);
    for (std::size_t i = 0; i < texts.Count(); ++i)
      if (texts.Ids[i] == kFinisherName) take(texts.Texts[i]);
  }
  call.Finish();
  return read;
}

}  // namespace

VbInteger Get_Finisher_Model(IVectorItem* item) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const Printer_Key printer = Printer_Read(Selected_Engine);
    Read_Finisher_Name(item, Selected_Engine, xlpnmif::kModeCached, [&](const std::string& name) {
      functions::Show(printer, "lblEngineFinisherModel", name);
      Finisher_Fields(Selected_List_Kind, Selected_Device, Selected_Engine, 0) = name;
    });
    functions::Keep(printer, "lblEngineFinisherModel",
                    Field_Text(Finisher_Fields(Selected_List_Kind, Selected_Device, Selected_Engine, 0)));
  });
  return 0;
}

VbInteger Get_Finisher_Strings(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const bool read = Read_Finisher_Name(item, engine, xlpnmif::kModeRead, [&](const std::string& name) {
      Finisher_Fields(Selected_List_Kind, Selected_Device, engine, 0) = name;
    });
    if (read) Finisher_Fields(Selected_List_Kind, Selected_Device, engine, 5) = true;
  });
  return 0;
}

}  // namespace vlm::monitor

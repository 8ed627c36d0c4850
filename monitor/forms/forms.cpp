// The forms' window port: the options window that the other forms show.
#include "monitor/forms/forms.h"

#include <utility>

#include "monitor/forms/frmOptions.h"

namespace vlm::monitor {
namespace {

std::unique_ptr<Options_Form>& Installed() {
  // Never destroyed, like the message box: no window outlives the
  // application object at exit.
  static auto* form = new std::unique_ptr<Options_Form>;
  return *form;
}

}  // namespace

Options_Form& frmOptions() {
  auto& form = Installed();
  if (!form) form = Make_Options_Window();
  return *form;
}

void Install_Options_Form(std::unique_ptr<Options_Form> form) { Installed() = std::move(form); }

}  // namespace vlm::monitor

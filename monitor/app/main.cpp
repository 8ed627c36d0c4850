// tqz2: the monitor program. One instance per user and display; the main
// window runs the start-up checks, the load and the main loop.
#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

#include "monitor/app/app_options.h"
#include "monitor/devicedata/devicedata.h"
#include "monitor/forms/Message_Box.h"
#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/frmTQZ_main.h"
#include "monitor/forms/frmTQZ_tabs_window.h"
#include "monitor/vbui/vbui.h"
#include "platform/com/com.h"

int main(int argc, char** argv) {
  using namespace vlm;
  using namespace vlm::monitor;
  Use_Installed_Registry();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tqz2"));
  App_Options options;  // Qt's own options are gone from argv by now
  if (std::string error; !Parse_Options(argc, argv, options, error)) {
    std::fprintf(stderr, "tqz2: %s\nusage: tqz2 [--screenshots DIR [--exit-after-screenshots]]\n",
                 error.c_str());
    return 2;
  }
  End_On_Signals();
  // The program lives on in the notification area when its window is
  // hidden; it ends only through End().
  QApplication::setQuitOnLastWindowClosed(false);
  CoInitialize(nullptr);

  Install_Message_Box();
  vbui::SetEndHandler([] { QCoreApplication::exit(0); });
  vbui::SetUntrappedErrorReporter([](long number, const std::string& description) {
    Last_Error_Number = static_cast<VbLong>(number);
    Last_Error_Description = description;
    Report_Error();
  });

  // VLM_INSTANCE_KEY names another instance key (tests run several).
  const QString key = qEnvironmentVariableIsEmpty("VLM_INSTANCE_KEY")
                          ? vbui::DefaultInstanceKey()
                          : qEnvironmentVariable("VLM_INSTANCE_KEY");
  vbui::SingleInstance guard(key);
  int rc = 0;
  {
    auto form = std::make_unique<frmTQZ>(vbui::MakeSystemTray(), &guard);
    // The discovery, the printer list, the polling and the menus run through
    // the main window's procedures; the status tabs read the selected list.
    frmTQZ_Main main_window(*form);
    Tqz_Main& procedures = main_window.Procedures();
    // The tab port reads the procedures' objects: it goes before them.
    std::unique_ptr<QObject> status_tabs(Connect_Status_Tabs(
        *form,
        [&procedures](VbInteger kind) -> IVectorItem* {
          return kind == 0 ? procedures.Installed_Vector_Item.Get()
                           : procedures.Other_Vector_Item.Get();
        },
        [&procedures] { return procedures.Selected_Item_Index; }));
    End_When_No_Printers(options);
    try {
      form->Form_Initialize();
      form->Form_Load();
      Save_Pictures_After_First_Poll(*form, options);
      if (!vbui::ProgramEnded()) rc = QApplication::exec();
    } catch (const vbui::ProgramEnd&) {
    }
    form->Remove_Tray_Icon();
    frmOptions().Unload();
  }
  CoUninitialize();
  if (!guard.Refusal().isEmpty()) return 1;  // the instance's files are not this user's
  if (Ended_Without_Printers()) return 3;
  if (Pictures_Not_Saved()) return 4;
  return rc;
}
